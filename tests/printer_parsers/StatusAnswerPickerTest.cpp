// A status query takes only real-time status answers from what it receives: device packages,
// print-result replies and other bytes among them are passed over, on every mix of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/printer/DevicePackage.h"
#include "core/printer/StatusAnswerPicker.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;

// The answers picked from `stream`, whose bytes arrive at 0 ms and, from `late_from` on, at
// `late_ms`.
Bytes Pick(const Bytes &stream, size_t late_from = SIZE_MAX, int64_t late_ms = 0) {
  StatusAnswerPicker picker;
  Bytes answers;
  for (size_t i = 0; i < stream.size(); ++i) {
    picker.Feed(stream[i], i < late_from ? 0 : late_ms, answers);
  }
  return answers;
}

// A mix from `seed` of answers, other bytes (print-result replies among them) and device
// packages whose data are any bytes. Returns the answers.
Bytes Mix(uint32_t seed, Bytes &stream) {
  Bytes answers;
  std::mt19937 random(seed);
  for (int part = 0; part < 24; ++part) {
    const uint32_t r = random();
    const auto byte = static_cast<uint8_t>(r >> 8);
    if (r % 3 == 0) {
      answers.push_back((byte & 0x6C) | 0x12);
      stream.push_back(answers.back());
    } else if (r % 3 == 1) {  // neither an answer nor a package's lead byte
      const bool other = !StatusAnswerPicker::IsAnswer(byte) && byte != 0x03;
      stream.insert(stream.end(), {other ? byte : uint8_t{0x37}, 0x22, 0x09, 0, 0, 0, 0});
    } else {
      Bytes data(r >> 16 & 31);
      for (uint8_t &b : data) b = static_cast<uint8_t>(random());
      const Bytes package = *DevicePackage::Build(0x01, 0x3F, 0x46 + (r >> 24 & 0x10), data);
      stream.insert(stream.end(), package.begin(), package.end());
    }
  }
  return answers;
}

TEST(StatusAnswerPicker, TakesTheAnswersAndNothingElseOnEveryMix) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    Bytes stream;
    const Bytes answers = Mix(seed, stream);
    EXPECT_EQ(Pick(stream), answers) << "seed " << seed;
  }
}

// The firmware answer cut short (just its lead byte, in its header, in its data) and sent again
// whole: neither copy's bytes are answers.
TEST(StatusAnswerPicker, AnAnswerCutShortAndSentAgainIsNoStatus) {
  const std::string version = "VP-80 V2.31";
  const Bytes package =
      *DevicePackage::Build(0x01, 0x3F, 0x46, Bytes(version.begin(), version.end()));
  const Bytes answers = {0x16, 0x12, 0x12, 0x12};
  for (const size_t cut : {1, 7, 15}) {
    Bytes stream(package.begin(), package.begin() + cut);
    stream.insert(stream.end(), package.begin(), package.end());
    stream.insert(stream.end(), answers.begin(), answers.end());
    // Cut in its header, it makes a header with its copy's head that announces more data than
    // come: the answers behind it are taken once that package is overdue.
    const int64_t answered_ms = cut == 7 ? DevicePackageParser::kDataTimeLimitMs : 0;
    EXPECT_EQ(Pick(stream, stream.size() - answers.size(), answered_ms), answers)
        << "cut after " << cut;
  }
}

// A header whose data never come holds the bytes after it as its data only until they are due.
TEST(StatusAnswerPicker, APackageWhoseDataAreOverdueIsNone) {
  Bytes stream = *DevicePackage::Build(0x01, 0x3F, 0x4E, Bytes(40, 'x'));
  stream.resize(DevicePackage::kHeaderSize);
  const size_t late = stream.size();
  stream.insert(stream.end(), {0x16, 0x12, 0x12, 0x12});
  EXPECT_EQ(Pick(stream, late, DevicePackageParser::kDataTimeLimitMs - 1), Bytes{});
  EXPECT_EQ(Pick(stream, late, DevicePackageParser::kDataTimeLimitMs),
            (Bytes{0x16, 0x12, 0x12, 0x12}));
}

// A lead byte whose header check fails began nothing: the answers behind it are taken. Those in
// a cut package's place are not, but they are counted.
TEST(StatusAnswerPicker, AStrayLeadByteCostsNoAnswerAndACutPackageCountsWhatItTook) {
  const Bytes sets = {0x16, 0x12, 0x12, 0x12, 0x16, 0x12, 0x12, 0x12, 0x16, 0x12, 0x12, 0x12};
  Bytes stream(1 + sets.size(), 0x03);
  std::copy(sets.begin(), sets.end(), stream.begin() + 1);
  EXPECT_EQ(Pick(stream), sets);

  stream = *DevicePackage::Build(0x01, 0x3F, 0x46, {'V', '2', '.', '3'});
  stream.resize(DevicePackage::kHeaderSize + 1);
  stream.insert(stream.end(), sets.begin(), sets.end());
  StatusAnswerPicker picker;
  Bytes answers;
  for (const uint8_t byte : stream) picker.Feed(byte, 0, answers);
  EXPECT_EQ(answers, Bytes(sets.begin() + 3, sets.end()));
  EXPECT_EQ(picker.dropped(), 4u);  // 'V' among them

  // A lead byte in a cut package's data begins no package: the bytes behind it stay its data.
  Bytes data(12, 'V');
  data[0] = 0x03;
  stream = *DevicePackage::Build(0x01, 0x3F, 0x46, data);
  stream.back() = 'X';  // fails the data check; still looks like an answer
  EXPECT_EQ(Pick(stream), Bytes{});
}

}  // namespace
}  // namespace velmora::core
