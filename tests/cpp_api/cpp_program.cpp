// An application's view of the C++ interface: only <velmora/velmora.hpp>, linked against the
// shared library. Opens a memory port, writes, reads, closes, fails to open a TCP port, and sees
// the port events through closures. Exits 0 when all of it held. (The module's own tests drive
// TCP ports and every event kind.)
#include <velmora/velmora.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "support/Wait.h"

namespace {

using velmora::Int;
using Bytes = std::vector<std::uint8_t>;

int failures = 0;

void Check(bool ok, const std::string &what) {
  if (ok) return;
  ++failures;
  std::fprintf(stderr, "FAILED: %s\n", what.c_str());
}

// Every line the closures saw, one per event.
std::mutex mutex;
std::vector<std::string> seen;

void Add(const std::string &what, Int handle, const std::string &detail) {
  std::lock_guard<std::mutex> lock(mutex);
  seen.push_back(what + " " + std::to_string(handle) + " " + detail);
}

std::string Text(const Bytes &bytes) {
  std::string text;
  for (std::uint8_t b : bytes) text += std::to_string(b) + ",";
  return text;
}

}  // namespace

int main() {
  constexpr Int kTag = 42;
  velmora::VP_Port_AddOnPortOpenedEvent([](Int h, const std::string &n) { Add("opened", h, n); },
                                        kTag);
  velmora::VP_Port_AddOnPortOpenFailedEvent(
      [](Int h, const std::string &n) { Add("open failed", h, n); }, kTag);
  velmora::VP_Port_AddOnPortClosedEvent([](Int h) { Add("closed", h, ""); }, kTag);
  velmora::VP_Port_AddOnPortWrittenEvent(
      [](Int h, const Bytes &bytes, Int) { Add("written", h, Text(bytes)); }, kTag);
  velmora::VP_Port_AddOnPortReceivedEvent(
      [](Int h, const Bytes &bytes, Int) { Add("received", h, Text(bytes)); }, kTag);

  const Int memory = velmora::VP_Port_OpenMemoryBuffer(64);
  Check(velmora::VP_Port_Write(memory, Bytes{1, 2, 3, 4}, 1, 3, 1000) == 3, "memory write");
  Check(velmora::VP_Port_GetMemoryBufferData(memory) == Bytes{2, 3, 4}, "memory data");
  Bytes nothing(4, 0xEE);
  Check(velmora::VP_Port_Read(memory, nothing, 4, 0) == 0, "memory port has nothing to read");
  Check(velmora::VP_Port_Close(memory), "close memory port");

  const std::uint16_t closed_port = velmora::vprinter::ClosedLoopbackPort();
  Check(velmora::VP_Port_OpenTcp("", "127.0.0.1", closed_port, 1000, 0) == 0, "refused open");

  const std::string m = std::to_string(memory);
  for (const std::string &line : {"opened " + m + " ", "written " + m + " 2,3,4,",
                                  "closed " + m + " ", std::string("open failed 0 127.0.0.1")}) {
    Check(velmora::test::WaitUntil([&] {
            std::lock_guard<std::mutex> lock(mutex);
            return std::find(seen.begin(), seen.end(), line) != seen.end();
          }),
          "event: " + line);
  }
  Check(velmora::VP_Port_RemoveOnPortOpenedEvent(kTag) &&
            velmora::VP_Port_RemoveOnPortOpenFailededEvent(kTag) &&
            velmora::VP_Port_RemoveOnPortClosedEvent(kTag) &&
            velmora::VP_Port_RemoveOnPortWrittenEvent(kTag) &&
            velmora::VP_Port_RemoveOnPortReceivedEvent(kTag),
        "remove the closures");
  if (failures != 0) return 1;
  std::puts("ok");
  return 0;
}
