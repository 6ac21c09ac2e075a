// A header that is rejected, for whatever reason, never costs the answers behind it: the search
// goes on from the byte after its lead byte.
#include <gtest/gtest.h>

#include <vector>

#include "core/printer/DevicePackage.h"
#include "core/printer/XorCheck.h"
#include "support/Join.h"
#include "support/Pattern.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Join;

const Bytes kAnswer = *DevicePackage::Build(0x01, 0x3F, 0x56, Bytes{'B', 'A', 'T', ':', '8', '7'});

// Twelve bytes that pass the header check and announce `length` data bytes, whose data check
// `following` (the bytes that will complete them) does not pass.
Bytes StrayHeader(size_t length, const Bytes &following) {
  const uint8_t data_check = length <= following.size() ? XorOf(following.data(), length) : 0;
  Bytes header = {0x03,
                  0x00,
                  0x10,
                  0x00,
                  0x00,
                  0x00,
                  0x00,
                  0x00,
                  static_cast<uint8_t>(length),
                  static_cast<uint8_t>(length >> 8),
                  static_cast<uint8_t>(data_check ^ 0x5A)};
  header.push_back(XorOf(header.data(), header.size()));
  return header;
}

// The answers found among `stream`, fed in one piece and byte by byte, all at one moment: found
// at once, not when the package time limit passes.
std::vector<size_t> Found(const Bytes &stream, const Bytes &answer = kAnswer) {
  std::vector<size_t> counts;
  for (const size_t piece : {stream.size(), size_t{1}}) {
    DevicePackageParser parser;
    std::vector<NZReceivedProtoPackage> packages;
    for (size_t at = 0; at < stream.size(); at += piece) {
      parser.Feed(stream.data() + at, std::min(piece, stream.size() - at), 0, packages);
    }
    counts.push_back(packages.size());
    for (const auto &p : packages) {
      EXPECT_EQ(p.data, Bytes(answer.begin() + 12, answer.end()));
    }
  }
  return counts;
}

TEST(DevicePackageResync, AnswersBehindARejectedHeaderAreFound) {
  const Bytes two = Join({kAnswer, kAnswer});  // an answer and the retry's answer
  // Stray headers that announce 1 to 36 data bytes: the two answers complete their data.
  for (size_t length = 1; length <= two.size(); ++length) {
    EXPECT_EQ(Found(Join({StrayHeader(length, two), two})), (std::vector<size_t>{2, 2}))
        << "stray header with " << length << " data bytes";
  }
  // An answer cut short, whose data the next answers complete.
  Bytes cut(kAnswer.begin(), kAnswer.end() - 3);
  cut[8] = 20;  // it announced more than it brought
  cut[11] = XorOf(cut.data(), 11);
  EXPECT_EQ(Found(Join({cut, two})), (std::vector<size_t>{2, 2}));
  // A package whose data fails its check holds a whole answer.
  Bytes damaged = *DevicePackage::Build(0x01, 0x3F, 0x4E, kAnswer);
  damaged[10] ^= 0x01;
  EXPECT_EQ(Found(Join({damaged, kAnswer})), (std::vector<size_t>{2, 2}));
}

// An answer cut anywhere, then the whole retry: the retry is found at once, also when the cut
// header's tail and the retry's head make a header whose check passes.
TEST(DevicePackageResync, ARetryAfterAnAnswerCutAnywhereIsFound) {
  for (size_t size = 0; size < 8; ++size) {
    const Bytes answer = *DevicePackage::Build(0x01, 0x3F, 0x4E, test::Pattern(size, 7));
    for (size_t cut = 1; cut < answer.size(); ++cut) {
      const Bytes head(answer.begin(), answer.begin() + static_cast<long>(cut));
      EXPECT_EQ(Found(Join({head, answer}), answer), (std::vector<size_t>{1, 1}))
          << size << " data bytes cut after " << cut;
    }
  }
}

}  // namespace
}  // namespace velmora::core
