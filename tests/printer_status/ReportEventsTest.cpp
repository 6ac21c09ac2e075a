// Automatic status reports of received bytes and printed pages: each raises exactly one event of
// its own kind, and their 32-bit values reach the events and the getters whole.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "StatusBehaviours.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Values = std::vector<uint32_t>;

// The printer events of one port (the event lists are process-wide).
struct Heard {
  std::mutex mutex;
  void *port = nullptr;
  Values received, printed;
  int statuses = 0;
} heard;

void OnReceived(void *handle, unsigned int count, void *) {
  std::lock_guard<std::mutex> lock(heard.mutex);
  if (handle == heard.port) heard.received.push_back(count);
}
void OnPrinted(void *handle, unsigned int page, void *) {
  std::lock_guard<std::mutex> lock(heard.mutex);
  if (handle == heard.port) heard.printed.push_back(page);
}
void OnStatus(void *handle, int64_t, int64_t, void *) {
  std::lock_guard<std::mutex> lock(heard.mutex);
  if (handle == heard.port) ++heard.statuses;
}

Bytes Report(uint8_t type, uint32_t value) {
  return vprinter::AutoReplyBehaviour::Packet(
      type, {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
             static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24), 0});
}

class ReportEvents : public StatusPrinterTest {
 protected:
  void SetUp() override {
    ::VP_Printer_AddOnPrinterReceivedEvent(OnReceived, nullptr);
    ::VP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr);
    ::VP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
  }
  void TearDown() override {
    ::VP_Printer_RemoveOnPrinterReceivedEvent(OnReceived);
    ::VP_Printer_RemoveOnPrinterPrintedEvent(OnPrinted);
    ::VP_Printer_RemoveOnPrinterStatusEvent(OnStatus);
    StatusPrinterTest::TearDown();
  }
};

TEST_F(ReportEvents, EachCountAndPageReportRaisesOneEventWithAll32Bits) {
  // Without automatic status the printer sends nothing of its own: only these reports come.
  void *h = Open(0);
  {
    std::lock_guard<std::mutex> lock(heard.mutex);
    heard.port = h;
    heard.received.clear();
    heard.printed.clear();
    heard.statuses = 0;
  }
  const Values counts = {65535, 65536, 70000, 0x12345678, 0xFFFFFFFF};
  const Values pages = {1, 0x10000, 0xFFFFFFFF, 0x00ABCDEF};
  Bytes stream;
  for (size_t i = 0; i < counts.size(); ++i) {
    const Bytes count = Report(0x02, counts[i]);
    stream.insert(stream.end(), count.begin(), count.end());
    if (i >= pages.size()) continue;
    const Bytes page = Report(0x03, pages[i]);
    stream.insert(stream.end(), page.begin(), page.end());
  }
  // A status report last: the events of one port come in order, so once it is heard every
  // report before it has raised what it raises.
  const Bytes status = vprinter::AutoReplyBehaviour::Packet(0x01, {0x01, 0x00, 0xC0, 0x00, 0});
  stream.insert(stream.end(), status.begin(), status.end());
  printer->tcp.Send(stream);
  ASSERT_TRUE(WaitUntil([] {
    std::lock_guard<std::mutex> lock(heard.mutex);
    return heard.statuses > 0;
  }));
  {
    std::lock_guard<std::mutex> lock(heard.mutex);
    EXPECT_EQ(heard.received, counts);
    EXPECT_EQ(heard.printed, pages);
    EXPECT_EQ(heard.statuses, 1);
  }
  unsigned int count = 0, page = 0;
  int64_t when = 0;
  ASSERT_EQ(::VP_Printer_GetPrinterReceivedInfo(h, &count, &when), 1);
  EXPECT_EQ(count, counts.back());
  ASSERT_EQ(::VP_Printer_GetPrinterPrintedInfo(h, &page, &when), 1);
  EXPECT_EQ(page, pages.back());
  // The module's getter widens the count to its integer type without a sign.
  Int module_count = -1;
  ASSERT_TRUE(
      velmora::VP_Printer_GetPrinterReceivedInfo(reinterpret_cast<Int>(h), module_count, when));
  EXPECT_EQ(module_count, Int{4294967295});
  std::lock_guard<std::mutex> lock(heard.mutex);
  heard.port = nullptr;
}

}  // namespace
}  // namespace velmora::test
