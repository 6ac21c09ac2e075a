#include <gtest/gtest.h>

#include <vector>

#include "core/printer/DevicePackage.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<NZReceivedProtoPackage> Parse(const Bytes &stream, size_t cut_a, size_t cut_b) {
  std::vector<NZReceivedProtoPackage> packages;
  DevicePackageParser parser;
  parser.Feed(stream.data(), cut_a, 0, packages);
  parser.Feed(stream.data() + cut_a, cut_b - cut_a, 0, packages);
  parser.Feed(stream.data() + cut_b, stream.size() - cut_b, 0, packages);
  return packages;
}

TEST(DevicePackage, HeaderLayout) {
  const Bytes data = {0x41, 0x42, 0x00};
  const auto bytes = DevicePackage::Build(0xFF, 0x1234, 0xA1B2C3D4, data);
  ASSERT_TRUE(bytes);
  const Bytes expected_head = {0x03, 0xFF, 0x34, 0x12, 0xD4,       0xC3,
                               0xB2, 0xA1, 0x03, 0x00, 0x41 ^ 0x42};
  ASSERT_EQ(bytes->size(), 15u);
  EXPECT_TRUE(std::equal(expected_head.begin(), expected_head.end(), bytes->begin()));
  uint8_t x = 0;
  for (uint8_t b : expected_head) x ^= b;
  EXPECT_EQ((*bytes)[11], x);
  EXPECT_EQ(Bytes(bytes->begin() + 12, bytes->end()), data);
  EXPECT_FALSE(DevicePackage::Build(0xFF, 1, 0, Bytes(0x10000, 0)));
  EXPECT_TRUE(DevicePackage::Build(0xFF, 1, 0, Bytes(0xFFFF, 0)));
}

TEST(DevicePackageParser, FindsPackagesWhereverTheStreamIsCut) {
  const Bytes first = *DevicePackage::Build(0x01, 0x3F, 0x4E, Bytes{'S', 'N', 0, '7'});
  const Bytes second = *DevicePackage::Build(0x01, 0x3F, 0x56, Bytes{});
  Bytes stream = {0x10, 0x03, 0x55};  // a stray 03 before the first package
  stream.insert(stream.end(), first.begin(), first.end());
  stream.push_back(0x03);
  stream.insert(stream.end(), second.begin(), second.end());
  for (size_t a = 0; a <= stream.size(); ++a) {
    for (size_t b = a; b <= stream.size(); ++b) {
      const auto packages = Parse(stream, a, b);
      ASSERT_EQ(packages.size(), 2u) << a << "," << b;
      EXPECT_EQ(packages[0].command, 0x3F);
      EXPECT_EQ(packages[0].parameter, 0x4Eu);
      EXPECT_EQ(packages[0].data, (Bytes{'S', 'N', 0, '7'}));
      EXPECT_EQ(packages[1].parameter, 0x56u);
      EXPECT_TRUE(packages[1].data.empty());
    }
  }
}

TEST(DevicePackageParser, DropsAPackageWithDamagedDataAndFindsTheNext) {
  Bytes damaged = *DevicePackage::Build(0x01, 0x3F, 0x4E, Bytes{1, 2, 3});
  damaged.back() ^= 0x40;
  const Bytes good = *DevicePackage::Build(0x01, 0x3F, 0x46, Bytes{'V', '1'});
  Bytes stream = damaged;
  stream.insert(stream.end(), good.begin(), good.end());
  const auto packages = Parse(stream, 0, 0);
  ASSERT_EQ(packages.size(), 1u);
  EXPECT_EQ(packages[0].parameter, 0x46u);
}

TEST(DevicePackageParser, DataLateByTheTimeLimitMakesTheHeaderAFalseStart) {
  constexpr int64_t kLimit = DevicePackageParser::kDataTimeLimitMs;
  const Bytes answer = *DevicePackage::Build(0x01, 0x3F, 0x56, Bytes{'8', '7'});
  for (const int64_t tail_at : {kLimit - 1, kLimit}) {
    DevicePackageParser parser;
    std::vector<NZReceivedProtoPackage> packages;
    parser.Feed(answer.data(), answer.size() - 1, 0, packages);
    parser.Feed(&answer.back(), 1, tail_at, packages);
    EXPECT_EQ(packages.size(), tail_at < kLimit ? 1u : 0u) << tail_at;
  }
}

}  // namespace
}  // namespace velmora::core
