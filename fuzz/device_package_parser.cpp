// Arbitrary chunking of one received stream must find the same device packages, and packages
// never hold more bytes than the stream. The stream arrives in bursts with pauses shorter and
// longer than the package time limit, so headers whose data is late are given up and searched
// behind, mid-stream and after the last byte.
#include <array>
#include <tuple>

#include "FuzzHarness.h"
#include "core/printer/DevicePackage.h"

namespace velmora::core {

bool operator==(const NZReceivedProtoPackage &a, const NZReceivedProtoPackage &b) {
  return std::tie(a.command, a.parameter, a.data) == std::tie(b.command, b.parameter, b.data);
}

}  // namespace velmora::core

namespace {

using velmora::core::DevicePackageParser;
using velmora::core::NZReceivedProtoPackage;

constexpr int64_t kLimit = DevicePackageParser::kDataTimeLimitMs;

// The arrival time of every byte, from the seed.
std::vector<int64_t> ArrivalTimes(size_t size, uint32_t seed) {
  constexpr std::array<int64_t, 4> kPauses = {1, kLimit - 1, kLimit, 3 * kLimit};
  std::vector<int64_t> times(size);
  uint32_t state = seed * 2654435761u | 1u;
  int64_t now = 0;
  for (size_t i = 0; i < size; ++i) {
    const uint32_t r = velmora::fuzz::NextRandom(state);
    if (r % 16 == 0) now += kPauses[(r >> 4) % kPauses.size()];
    times[i] = now;
  }
  return times;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  const auto times = ArrivalTimes(in.size, in.seed);
  // Each chunk is cut again where the arrival time changes; at the end the time limit passes
  // once more.
  const auto packages = velmora::fuzz::SameForEveryCutting(
      in.stream, in.size, in.seed, [&](const std::vector<velmora::fuzz::Bytes> &chunks) {
        std::vector<NZReceivedProtoPackage> found;
        DevicePackageParser parser;
        size_t at = 0;  // in the stream
        for (const auto &chunk : chunks) {
          for (const size_t end = at + chunk.size(); at < end;) {
            size_t run = at + 1;
            while (run < end && times[run] == times[at]) ++run;
            parser.Feed(in.stream + at, run - at, times[at], found);
            at = run;
          }
        }
        if (!times.empty()) parser.Expire(times.back() + kLimit, found);
        return found;
      });
  size_t total = 0;
  for (const auto &p : packages) total += 12 + p.data.size();
  velmora::fuzz::Require(total <= in.size);  // packages never hold more than the stream
  return 0;
}
