// An application's view of the C++ interface: only <velmora/velmora.hpp>, linked against the
// shared library. Opens a memory port, writes, reads, closes, fails to open a TCP port, and sees
// the port events through closures. (The module's own tests drive TCP ports and every event
// kind.)
#include <gtest/gtest.h>
#include <velmora/velmora.hpp>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "support/Wait.h"

namespace {

using velmora::Int;
using Bytes = std::vector<std::uint8_t>;

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

TEST(CppInterface, PortsAndEventsThroughTheSharedLibrary) {
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
  EXPECT_EQ(velmora::VP_Port_Write(memory, Bytes{1, 2, 3, 4}, 1, 3, 1000), 3);
  EXPECT_EQ(velmora::VP_Port_GetMemoryBufferData(memory), (Bytes{2, 3, 4}));
  Bytes nothing(4, 0xEE);
  EXPECT_EQ(velmora::VP_Port_Read(memory, nothing, 4, 0), 0);
  EXPECT_TRUE(velmora::VP_Port_Close(memory));
  const std::uint16_t closed_port = velmora::vprinter::ClosedLoopbackPort();
  EXPECT_EQ(velmora::VP_Port_OpenTcp("", "127.0.0.1", closed_port, 1000, 0), 0);

  const std::string m = std::to_string(memory);
  for (const std::string &line : {"opened " + m + " ", "written " + m + " 2,3,4,",
                                  "closed " + m + " ", std::string("open failed 0 127.0.0.1")}) {
    EXPECT_TRUE(velmora::test::WaitUntil([&] {
      std::lock_guard<std::mutex> lock(mutex);
      return std::find(seen.begin(), seen.end(), line) != seen.end();
    })) << line;
  }
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortOpenedEvent(kTag));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortOpenFailededEvent(kTag));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(kTag));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortWrittenEvent(kTag));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortReceivedEvent(kTag));
}

}  // namespace
