// Arbitrary chunking of one received stream must find the same device packages, each of them
// in the stream. The stream arrives in bursts with pauses shorter and
// longer than the package time limit, so headers whose data is late are given up and searched
// behind, mid-stream and after the last byte. Two real answers follow the stream at once: no
// header that the stream leaves open may cost the first of them, and every package found is in
// the stream.
#include <algorithm>
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

using velmora::core::DevicePackage;
using velmora::core::DevicePackageParser;
using velmora::core::NZReceivedProtoPackage;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

constexpr int64_t kLimit = DevicePackageParser::kDataTimeLimitMs;

// Pauses around the time limit.
constexpr std::array<int64_t, 4> kPauses = {1, kLimit - 1, kLimit, 3 * kLimit};

// True when a found package's bytes sit in `stream` over position `at` (or start there).
bool Covered(const Bytes &stream, size_t at, const std::vector<NZReceivedProtoPackage> &found) {
  for (const auto &p : found) {
    const size_t size = DevicePackage::kHeaderSize + p.data.size();
    for (size_t from = at >= size ? at - size + 1 : 0; from <= at; ++from) {
      if (from + size > stream.size() || stream[from] != DevicePackage::kLead) continue;
      const Bytes bytes = *DevicePackage::Build(stream[from + 1], p.command, p.parameter, p.data);
      if (std::equal(bytes.begin(), bytes.end(), stream.begin() + static_cast<long>(from))) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  const Bytes answer = *DevicePackage::Build(0x01, 0x3F, 0x56, Bytes{'B', 'A', 'T', ':', '8'});
  Bytes stream(in.stream, in.stream + in.size);
  const size_t answer_at = stream.size();
  for (int i = 0; i < 2; ++i) stream.insert(stream.end(), answer.begin(), answer.end());
  auto times = velmora::fuzz::ArrivalTimes(in.size, in.seed * 2654435761u, kPauses, 16);
  times.resize(stream.size(), (times.empty() ? 0 : times.back()) + 1);
  // Each chunk is cut again where the arrival time changes; at the end the time limit passes
  // as often as it takes.
  const auto packages = velmora::fuzz::SameForEveryCutting(
      stream.data(), stream.size(), in.seed, [&](const std::vector<Bytes> &chunks) {
        std::vector<NZReceivedProtoPackage> found;
        DevicePackageParser parser;
        size_t at = 0;  // in the stream
        for (const auto &chunk : chunks) {
          for (const size_t end = at + chunk.size(); at < end;) {
            size_t run = at + 1;
            while (run < end && times[run] == times[at]) ++run;
            parser.Feed(stream.data() + at, run - at, times[at], found);
            at = run;
          }
        }
        parser.Expire(times.back() + kLimit);
        Require(parser.waiting() == 0);
        return found;
      });
  // Every package found ends somewhere in the stream, and the first answer is found.
  for (const auto &p : packages) {
    bool in_stream = false;
    const size_t size = DevicePackage::kHeaderSize + p.data.size();
    for (size_t end = size; end <= stream.size() && !in_stream; end += size) {
      in_stream = Covered(stream, end - 1, {p});
    }
    Require(in_stream);
  }
  Require(Covered(stream, answer_at, packages));
  return 0;
}
