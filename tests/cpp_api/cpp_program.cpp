// An application's view of the C++ interface: only <velmora/velmora.hpp>, linked against the
// shared library. Opens a memory port and a TCP port (a virtual printer on loopback), writes,
// reads, closes, and sees every port event through closures. Exits 0 when all of it held.
#include <velmora/velmora.hpp>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "support/Wait.h"

namespace {

using velmora::Int;
using velmora::test::ScaledMs;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

int failures = 0;

void Check(bool ok, const char *what) {
  if (ok) return;
  ++failures;
  std::fprintf(stderr, "FAILED: %s\n", what);
}

// Everything the closures saw, one line per event.
class Seen {
 public:
  void Add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
  }
  bool Has(const std::string &line) {
    return WaitUntil([&] {
      std::lock_guard<std::mutex> lock(mutex_);
      for (const auto &l : lines_) {
        if (l == line) return true;
      }
      return false;
    });
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

std::string BytesLine(const char *what, Int handle, const Bytes &bytes) {
  std::string line = std::string(what) + " " + std::to_string(handle);
  for (std::uint8_t b : bytes) line.append(" ").append(std::to_string(b));
  return line;
}

}  // namespace

int main() {
  Seen seen;
  constexpr Int kTag = 42;
  Check(velmora::VP_Port_AddOnPortOpenedEvent(
            [&](Int h, const std::string &name) {
              seen.Add("opened " + std::to_string(h) + " " + name);
            },
            kTag),
        "register opened");
  Check(velmora::VP_Port_AddOnPortOpenFailedEvent(
            [&](Int h, const std::string &name) {
              seen.Add("open failed " + std::to_string(h) + " " + name);
            },
            kTag),
        "register open failed");
  Check(velmora::VP_Port_AddOnPortClosedEvent(
            [&](Int h) { seen.Add("closed " + std::to_string(h)); }, kTag),
        "register closed");
  Check(
      velmora::VP_Port_AddOnPortWrittenEvent(
          [&](Int h, const Bytes &bytes, Int) { seen.Add(BytesLine("written", h, bytes)); }, kTag),
      "register written");
  Check(
      velmora::VP_Port_AddOnPortReceivedEvent(
          [&](Int h, const Bytes &bytes, Int) { seen.Add(BytesLine("received", h, bytes)); }, kTag),
      "register received");

  // Memory port.
  const Int memory = velmora::VP_Port_OpenMemoryBuffer(64);
  Check(memory != 0, "open memory port");
  Check(seen.Has("opened " + std::to_string(memory) + " "), "memory port opened event");
  Check(velmora::VP_Port_Write(memory, Bytes{1, 2, 3, 4}, 1, 3, 1000) == 3, "memory write");
  Check(velmora::VP_Port_GetMemoryBufferData(memory) == Bytes{2, 3, 4}, "memory data");
  Check(seen.Has(BytesLine("written", memory, {2, 3, 4})), "memory written event");
  Bytes nothing(4, 0xEE);
  Check(velmora::VP_Port_Read(memory, nothing, 4, 0) == 0, "memory port has nothing to read");
  Check(velmora::VP_Port_Close(memory), "close memory port");
  Check(seen.Has("closed " + std::to_string(memory)), "memory port closed event");

  // TCP port to a virtual printer on loopback.
  velmora::vprinter::VirtualTcpPrinter printer;
  Check(printer.Start(), "start virtual printer");
  const Int tcp = velmora::VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 3000, 0);
  Check(tcp != 0, "open tcp port");
  Check(seen.Has("opened " + std::to_string(tcp) + " 127.0.0.1"), "tcp opened event");
  Check(velmora::VP_Port_Write(tcp, Bytes{0x1B, 0x40}, 2, 1000) == 2, "tcp write");
  Check(printer.printer().WaitForReceivedSize(2, ScaledMs(10000)) &&
            printer.printer().Received() == Bytes{0x1B, 0x40},
        "printer received the bytes");
  Check(seen.Has(BytesLine("written", tcp, {0x1B, 0x40})), "tcp written event");
  printer.Send({7, 8, 9});
  Bytes reply(3, 0);
  Check(velmora::VP_Port_Read(tcp, reply, 3, 5000) == 3 && reply == Bytes{7, 8, 9}, "tcp read");
  Check(seen.Has(BytesLine("received", tcp, {7, 8, 9})), "tcp received event");
  Check(velmora::VP_Port_Close(tcp), "close tcp port");
  Check(seen.Has("closed " + std::to_string(tcp)), "tcp closed event");
  Check(!velmora::VP_Port_Close(tcp), "second close fails");

  // An open that cannot reach its printer.
  const std::uint16_t closed_port = velmora::vprinter::ClosedLoopbackPort();
  Check(velmora::VP_Port_OpenTcp("", "127.0.0.1", closed_port, 1000, 0) == 0, "refused open");
  Check(seen.Has("open failed 0 127.0.0.1"), "open failed event");

  Check(velmora::VP_Port_RemoveOnPortOpenedEvent(kTag), "remove opened");
  Check(velmora::VP_Port_RemoveOnPortOpenFailededEvent(kTag), "remove open failed");
  Check(velmora::VP_Port_RemoveOnPortClosedEvent(kTag), "remove closed");
  Check(velmora::VP_Port_RemoveOnPortWrittenEvent(kTag), "remove written");
  Check(velmora::VP_Port_RemoveOnPortReceivedEvent(kTag), "remove received");

  if (failures != 0) return 1;
  std::puts("ok");
  return 0;
}
