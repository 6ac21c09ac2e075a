#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "core/port/IOHandle.h"
#include "core/port/NZMemoryBufferIO.h"
#include "platform/Clock.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;

// What the printer events delivered last (the event lists are process-wide; one test uses it).
struct Seen {
  std::atomic<void *> handle{nullptr};
  std::atomic<int64_t> error{-1}, info{-1};
  std::atomic<unsigned int> received{0}, printed{0};
} seen;

void OnStatus(void *handle, int64_t error, int64_t info, void *) {
  seen.info = info;
  seen.handle = handle;
  seen.error = error;  // last: once it is seen, the others are
}
void OnReceived(void *, unsigned int count, void *) {
  seen.received = count;
}
void OnPrinted(void *, unsigned int id, void *) {
  seen.printed = id;
}

using StatusReports = StatusPrinterTest;

TEST_F(StatusReports, EachReportRaisesItsEventAndFillsItsGetter) {
  VP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
  VP_Printer_AddOnPrinterReceivedEvent(OnReceived, nullptr);
  VP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr);
  void *h = Open(1);
  unsigned int dpm = 0;  // the printer's resolution comes first
  ASSERT_TRUE(WaitUntil([&] {
    VP_Printer_GetPrinterResolutionInfo(h, nullptr, nullptr, &dpm);
    return dpm == 8;
  }));
  const int64_t before = platform::wallMs();
  printer->autoreply->SetStatus(0x0184, 0x00C8);
  const Bytes text(100, 'x');
  ASSERT_EQ(VP_Port_Write(h, text.data(), 100, 1000), 100);
  printer->autoreply->ReportPrintedPage(0x84030201u);
  ASSERT_TRUE(WaitUntil([&] {
    return seen.error == 0x184 && seen.info == 0xC8 && seen.printed == 0x84030201u &&
           seen.received == printer->tcp.printer().ReceivedSize() && seen.received >= 100;
  }));
  EXPECT_EQ(seen.handle, h);
  int64_t when = -1;
  unsigned int count = 0, page = 0;
  ASSERT_EQ(VP_Printer_GetPrinterReceivedInfo(h, &count, &when), 1);
  EXPECT_EQ(count, printer->tcp.printer().ReceivedSize());
  ASSERT_EQ(VP_Printer_GetPrinterPrintedInfo(h, &page, &when), 1);
  EXPECT_EQ(page, 0x84030201u);
  EXPECT_GE(when, before);
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 1) << "the last packet is recent";

  // Label adjustments go out in whole dots (-12.56 rounds to -13) and come back in millimetres.
  ASSERT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, -1.57, -2.0), 1);
  ASSERT_TRUE(WaitUntil([&] {
    return printer->autoreply->LabelAdjustment() == std::array<int16_t, 2>{-13, -16};
  }));
  double print = 0, tear = 0;
  ASSERT_TRUE(WaitUntil([&] {
    return VP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &print, &tear, &when) == 1 &&
           print == -13 / 8.0 && tear == -2.0;
  }));
  EXPECT_GE(when, before);
  // Refused: more dots than 16 bits hold, values that are not finite.
  for (double mm : {1e9, -5000.0, std::nan(""), HUGE_VAL}) {
    EXPECT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 0, mm), 0) << mm;
  }
}

TEST_F(StatusReports, ClearRequestsGoOutWholeAndLabelAdjustmentsWaitForTheResolution) {
  void *h = Open(0);
  EXPECT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1.0, 1.0), 0);
  ASSERT_EQ(VP_Printer_ClearPrinterBuffer(h), 1);
  ASSERT_EQ(VP_Printer_ClearPrinterError(h), 1);
  ASSERT_TRUE(printer->tcp.printer().WaitForReceivedSize(8, ScaledMs(5000)));
  EXPECT_EQ(printer->tcp.printer().Received(),
            (Bytes{0x10, 0x14, 0x08, 0x01, 0x03, 0x10, 0x05, 0x01}));
}

// A port over memory, fed by the test as its read thread would be.
std::unique_ptr<core::IOHandle> MemoryPort(uint32_t type, bool autoreply) {
  auto io = std::make_unique<core::NZMemoryBufferIO>();
  EXPECT_TRUE(io->Open(64));
  return std::make_unique<core::IOHandle>(type, "port", std::move(io), autoreply);
}

TEST(ConnectionValidity, FollowsTheLastStatusPacket) {
  const struct {
    uint32_t type;
    bool autoreply;
    int64_t heard_ms_ago;  // -1: nothing heard yet
    bool valid;
  } cases[] = {
      {VP_PORT_TYPE_TCP, false, -1, true},     {VP_PORT_TYPE_TCP, true, -1, false},
      {VP_PORT_TYPE_TCP, true, 7000, true},    {VP_PORT_TYPE_TCP, true, 8001, false},
      {VP_PORT_TYPE_BT_BLE, true, 5000, true}, {VP_PORT_TYPE_BT_BLE, true, 6001, false},
  };
  for (const auto &c : cases) {
    const auto port = MemoryPort(c.type, c.autoreply);
    if (c.heard_ms_ago >= 0) {
      std::lock_guard<std::mutex> lock(port->autoreply().mutex);
      port->autoreply().any_packet = true;
      port->autoreply().last_packet_steady_ms = platform::steadyMs() - c.heard_ms_ago;
    }
    EXPECT_EQ(port->IsConnectionValid(), c.valid) << c.type << " " << c.heard_ms_ago;
  }
}

// A possible packet waits for the rest of it over any number of reads, so one cut by read
// boundaries is still taken out; bytes that turn out not to be one go to the reader in order.
TEST(ReceivedData, APacketCutByAReadIsStillTakenOut) {
  const auto port = MemoryPort(VP_PORT_TYPE_TCP, false);
  const auto read = [&](const Bytes &chunk) {  // what the reader finds after the read
    port->receiver().Receive(chunk.data(), chunk.size());
    Bytes got;
    for (uint8_t byte = 0; port->rx().TakeByte(byte);) got.push_back(byte);
    return got;
  };
  EXPECT_EQ(read({'a', 0x53, 0x01}), Bytes{'a'});
  EXPECT_EQ(read({0x53}), Bytes{});
  EXPECT_EQ(read({0x04, 0, 0, 0, 0, 0x01, 0x56, 'b'}), (Bytes{0x53, 0x01, 'b'}));
  std::lock_guard<std::mutex> lock(port->autoreply().mutex);
  EXPECT_EQ(port->autoreply().error_status, 4);
}

}  // namespace
}  // namespace velmora::test
