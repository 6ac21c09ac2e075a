// Arbitrary chunking of one received stream must find the same device packages, and packages
// never hold more bytes than the stream. The stream arrives in bursts with pauses shorter and
// longer than the package time limit, so headers whose data is late are given up and searched
// behind, mid-stream and after the last byte.
#include <array>
#include <cstdlib>
#include <vector>

#include "FuzzChunking.h"
#include "core/printer/DevicePackage.h"

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
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    if (state % 16 == 0) now += kPauses[(state >> 4) % kPauses.size()];
    times[i] = now;
  }
  return times;
}

// Feeds the chunks, each cut again where the arrival time changes, then lets the time limit
// pass once more.
std::vector<NZReceivedProtoPackage> Run(const uint8_t *stream, const std::vector<int64_t> &times,
                                        const std::vector<size_t> &chunks) {
  std::vector<NZReceivedProtoPackage> packages;
  DevicePackageParser parser;
  size_t at = 0;
  for (size_t n : chunks) {
    const size_t end = at + n;
    while (at < end) {
      size_t run = at + 1;
      while (run < end && times[run] == times[at]) ++run;
      parser.Feed(stream + at, run - at, times[at], packages);
      at = run;
    }
  }
  if (!times.empty()) parser.Expire(times.back() + kLimit, packages);
  return packages;
}

bool Same(const std::vector<NZReceivedProtoPackage> &a,
          const std::vector<NZReceivedProtoPackage> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].command != b[i].command || a[i].parameter != b[i].parameter ||
        a[i].data != b[i].data) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  const auto times = ArrivalTimes(in.size, in.seed);
  const auto whole = Run(in.stream, times, {in.size});
  const auto chunked = Run(in.stream, times, velmora::fuzz::ChunkSizes(in.size, in.seed));
  const auto bytewise = Run(in.stream, times, std::vector<size_t>(in.size, 1));
  if (!Same(whole, chunked) || !Same(whole, bytewise)) std::abort();
  size_t total = 0;
  for (const auto &p : whole) total += 12 + p.data.size();
  if (total > in.size) std::abort();  // packages never hold more than the stream
  return 0;
}
