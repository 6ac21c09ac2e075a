// The receive path with the clock in the input's hands: bytes arrive at times from the seed, with
// pauses under, at and over the hold bound of possible status packets and the device-package time
// limit, and a read step that finds nothing comes in each pause. However the stream is cut into
// reads, the reader gets the same bytes, the same status packets count and the same device
// packages are found; every chunk's received event comes, with the chunk as read.
//
// Input: the chunking seed, then the stream.
#include <array>
#include <memory>
#include <string>
#include <tuple>

#include "FuzzHarness.h"
#include "core/port/NZMemoryBufferIO.h"
#include "velmora/velmora.h"

namespace {

using velmora::core::DevicePackageParser;
using velmora::core::IOHandle;
using velmora::core::NZReceivedDataProcessor;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

constexpr int64_t kHold = NZReceivedDataProcessor::kHoldMs;
constexpr int64_t kLimit = DevicePackageParser::kDataTimeLimitMs;

// What the events of the port under test (the one without a handle) delivered.
struct Seen {
  Bytes received;
  std::vector<std::tuple<int, int64_t, int64_t>> printer;  // kind and values, in order
} seen;

void OnReceived(void *handle, unsigned char *bytes, unsigned int count, void *) {
  if (handle == nullptr) seen.received.insert(seen.received.end(), bytes, bytes + count);
}
void OnStatus(void *handle, int64_t error, int64_t info, void *) {
  if (handle == nullptr) seen.printer.emplace_back(1, error, info);
}
void OnCount(void *handle, unsigned int count, void *) {
  if (handle == nullptr) seen.printer.emplace_back(2, count, 0);
}
void OnPrinted(void *handle, unsigned int id, void *) {
  if (handle == nullptr) seen.printer.emplace_back(3, id, 0);
}

// Pauses around the hold bound and the device-package time limit.
constexpr std::array<int64_t, 5> kPauses = {1, kHold - 1, kHold, kHold + 1, kLimit};

struct Outcome {
  Bytes reader;
  std::vector<std::tuple<int, int64_t, int64_t>> printer;
  size_t packages = 0;  // queued device packages
  std::string version;
  bool operator==(const Outcome &) const = default;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  VP_Port_AddOnPortReceivedEvent(OnReceived, nullptr);
  VP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
  VP_Printer_AddOnPrinterReceivedEvent(OnCount, nullptr);
  VP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  if (in.size > velmora::core::NZIORxBuffer::kCapacity) return 0;  // nobody reads meanwhile
  const auto times = velmora::fuzz::ArrivalTimes(in.size, in.seed * 2246822519u, kPauses, 8);
  velmora::fuzz::SameForEveryCutting(
      in.stream, in.size, in.seed, [&](const std::vector<Bytes> &chunks) {
        auto io = std::make_unique<velmora::core::NZMemoryBufferIO>();
        Require(io->Open(16));
        IOHandle port(VP_PORT_TYPE_TCP, "fuzz", std::move(io), false);
        NZReceivedDataProcessor &receiver = port.receiver();
        seen = Seen{};
        size_t at = 0;
        for (const auto &chunk : chunks) {
          for (const size_t end = at + chunk.size(); at < end;) {
            // A pause has a read step that finds nothing, when held bytes are due or just
            // before the next byte.
            if (at > 0 && times[at] > times[at - 1]) {
              receiver.Idle(std::min(times[at - 1] + kHold, times[at] - 1));
            }
            size_t run = at + 1;
            while (run < end && times[run] == times[at]) ++run;
            receiver.Receive(in.stream + at, run - at, times[at]);
            at = run;
          }
        }
        receiver.Finish();
        Require(seen.received == Bytes(in.stream, in.stream + in.size));
        return Outcome{velmora::fuzz::TakeAll(port.rx()), seen.printer,
                       port.proto_packages().size(), port.proto_packages().FirmwareVersion()};
      });
  return 0;
}
