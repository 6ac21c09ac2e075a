#include <gtest/gtest.h>

#include <vector>

#include "core/printer/DevicePackage.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(DevicePackage, HeaderLayout) {
  EXPECT_EQ(DevicePackage::Build(0xFF, 0x1234, 0xA1B2C3D4, Bytes{0x41, 0x42, 0x00}),
            (Bytes{0x03, 0xFF, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0x03, 0x00, 0x03, 0xDE, 0x41,
                   0x42, 0x00}));
  EXPECT_FALSE(DevicePackage::Build(0xFF, 1, 0, Bytes(0x10000, 0)));
  EXPECT_TRUE(DevicePackage::Build(0xFF, 1, 0, Bytes(0xFFFF, 0)));
}

TEST(DevicePackageParser, FindsWholePackagesAmongStrayBytes) {
  const Bytes serial = *DevicePackage::Build(0x01, 0x3F, 0x4E, Bytes{'S', 'N', 0, '7'});
  const Bytes battery = *DevicePackage::Build(0x01, 0x3F, 0x56, Bytes{});
  Bytes damaged = *DevicePackage::Build(0x01, 0x3F, 0x4E, Bytes{1, 2, 3});
  damaged.back() ^= 0x40;             // its data check fails: dropped
  Bytes stream = {0x10, 0x03, 0x55};  // a stray 03 before the first package
  for (const Bytes &part : {serial, {0x03}, damaged, battery}) {
    stream.insert(stream.end(), part.begin(), part.end());
  }
  std::vector<NZReceivedProtoPackage> packages;
  DevicePackageParser().Feed(stream.data(), stream.size(), 0, packages);
  ASSERT_EQ(packages.size(), 2u);
  EXPECT_EQ(packages[0].command, 0x3F);
  EXPECT_EQ(packages[0].parameter, 0x4Eu);
  EXPECT_EQ(packages[0].data, (Bytes{'S', 'N', 0, '7'}));
  EXPECT_EQ(packages[1].parameter, 0x56u);
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

// Long runs of stray bytes are let go of, but never the start of a header cut across reads.
TEST(DevicePackageParser, AnAnswerAfterLongStrayDataIsFoundWhereverItIsCut) {
  const Bytes answer = *DevicePackage::Build(0x01, 0x3F, 0x56, Bytes{'8', '7'});
  for (size_t cut = 1; cut < answer.size(); ++cut) {
    Bytes first(10000, 0x20);
    first.insert(first.end(), answer.begin(), answer.begin() + static_cast<long>(cut));
    DevicePackageParser parser;
    std::vector<NZReceivedProtoPackage> packages;
    parser.Feed(first.data(), first.size(), 0, packages);
    parser.Feed(answer.data() + cut, answer.size() - cut, 0, packages);
    ASSERT_EQ(packages.size(), 1u) << "cut after " << cut;
    EXPECT_EQ(packages[0].data, (Bytes{'8', '7'}));
  }
}

}  // namespace
}  // namespace velmora::core
