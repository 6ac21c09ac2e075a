// A status query takes only real-time status answers from what it receives: device packages,
// print-result replies and other bytes among them are passed over, on every mix of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/printer/DevicePackage.h"
#include "core/printer/StatusAnswerPicker.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Next(uint32_t &state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

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

// Whether `part` is `whole` with some bytes left out.
bool Within(const Bytes &part, const Bytes &whole) {
  auto at = whole.begin();
  for (uint8_t b : part) {
    at = std::find(at, whole.end(), b);
    if (at == whole.end()) return false;
    ++at;
  }
  return true;
}

// A mix from `seed`: answers, other bytes, print-result replies and device packages (whose data
// are any bytes), and, with `cuts`, packages cut short and sent again whole. Returns the answers.
Bytes Mix(uint32_t seed, bool cuts, Bytes &stream) {
  Bytes answers;
  uint32_t state = seed;
  for (int part = 0; part < 24; ++part) {
    const uint32_t r = Next(state);
    const uint32_t kind = r % (cuts ? 5 : 4);
    switch (kind) {
      case 0:
        answers.push_back(static_cast<uint8_t>((r >> 8 & 0x6C) | 0x12));
        stream.push_back(answers.back());
        break;
      case 1: {  // neither an answer nor a package's lead byte
        const auto other = static_cast<uint8_t>(r >> 8);
        stream.push_back(StatusAnswerPicker::IsAnswer(other) || other == 0x03 ? other ^ 0x01
                                                                              : other);
        break;
      }
      case 2:  // a print-result reply (identifier 3 would be a lead byte)
        stream.insert(stream.end(),
                      {0x37, 0x22, static_cast<uint8_t>(r >> 8 & 1 ? 2 : 9), 0, 0, 0, 0});
        break;
      default: {
        Bytes data(r >> 8 & 31);
        for (uint8_t &b : data) b = static_cast<uint8_t>(Next(state));
        const Bytes package = *DevicePackage::Build(0x01, 0x3F, 0x46 + (r >> 16 & 0x10), data);
        if (kind == 4)
          stream.insert(stream.end(), package.begin(),
                        package.begin() + 1 + r % (package.size() - 1));
        stream.insert(stream.end(), package.begin(), package.end());
      }
    }
  }
  return answers;
}

TEST(StatusAnswerPicker, TakesTheAnswersAndNothingElseOnEveryMix) {
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    const bool cuts = seed % 2 == 0;
    Bytes stream;
    const Bytes answers = Mix(seed, cuts, stream);
    const Bytes picked = Pick(stream);
    if (!cuts) {
      EXPECT_EQ(picked, answers) << "seed " << seed;
      continue;
    }
    // Answers among the bytes after a cut package's lead byte may go; nothing else is taken.
    EXPECT_TRUE(Within(picked, answers)) << "seed " << seed;
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

}  // namespace
}  // namespace velmora::core
