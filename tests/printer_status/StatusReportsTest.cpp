#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "core/port/IOHandle.h"
#include "core/port/NZMemoryBufferIO.h"
#include "platform/Clock.h"
#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;

// What the printer events delivered last (the event lists are process-wide).
struct Seen {
  std::atomic<void *> handle{nullptr};
  std::atomic<int64_t> error{-1}, info{-1};
  std::atomic<unsigned int> received{0}, printed{0}, printed_events{0};
} seen;

void OnStatus(void *handle, int64_t error, int64_t info, void *) {
  seen.info = info;
  seen.handle = handle;
  seen.error = error;
}
void OnReceived(void *, unsigned int count, void *) {
  seen.received = count;
}
void OnPrinted(void *, unsigned int id, void *) {
  seen.printed = id;
  ++seen.printed_events;
}

class StatusReports : public PortTest {
 protected:
  void SetUp() override {
    // The tests of one process share it.
    seen.handle = nullptr;
    seen.error = seen.info = -1;
    seen.received = seen.printed = seen.printed_events = 0;
    VP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
    VP_Printer_AddOnPrinterReceivedEvent(OnReceived, nullptr);
    VP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr);
  }
  void TearDown() override {
    printer.reset();
    PortTest::TearDown();
  }
  // Opens the port and waits for the printer's resolution report, the first it sends.
  void *OpenReporting() {
    EXPECT_TRUE(printer->Open(1));
    void *h = printer->handle();
    unsigned int dpm = 0;
    EXPECT_TRUE(WaitUntil([&] {
      VP_Printer_GetPrinterResolutionInfo(h, nullptr, nullptr, &dpm);
      return dpm == 8;
    }));
    return h;
  }
  std::unique_ptr<StatusPrinter> printer = std::make_unique<StatusPrinter>();
};

TEST_F(StatusReports, EachReportRaisesItsEventAndFillsItsGetter) {
  void *h = OpenReporting();
  const int64_t before = platform::wallMs();
  printer->autoreply->SetStatus(0x0184, 0x00C8);
  const Bytes text(100, 'x');
  ASSERT_EQ(VP_Port_Write(h, text.data(), 100, 1000), 100);
  printer->autoreply->ReportPrintedPage(7);
  printer->autoreply->ReportPrintedPage(0x84030201u);
  ASSERT_TRUE(WaitUntil([&] {
    return seen.error == 0x184 && seen.info == 0xC8 && seen.printed_events >= 2 &&
           seen.received == printer->tcp.printer().ReceivedSize() && seen.received >= 100;
  }));
  EXPECT_EQ(seen.handle, h);
  EXPECT_EQ(seen.printed, 0x84030201u);
  int64_t error = -1, info = -1, when = -1;
  ASSERT_EQ(VP_Printer_GetPrinterStatusInfo(h, &error, &info, &when), 1);
  EXPECT_EQ(error, 0x184);
  EXPECT_EQ(info, 0xC8);
  EXPECT_GE(when, before);
  EXPECT_EQ(VP_Printer_GetPrinterStatusInfo(h, nullptr, nullptr, nullptr), 1);
  unsigned int count = 0, page = 0, w = 0, ht = 1;
  ASSERT_EQ(VP_Printer_GetPrinterReceivedInfo(h, &count, &when), 1);
  EXPECT_EQ(count, printer->tcp.printer().ReceivedSize());
  ASSERT_EQ(VP_Printer_GetPrinterPrintedInfo(h, &page, &when), 1);
  EXPECT_EQ(page, 0x84030201u);
  EXPECT_GE(when, before);
  ASSERT_EQ(VP_Printer_GetPrinterResolutionInfo(h, &w, &ht, nullptr), 1);
  EXPECT_EQ(w, 80u);
  EXPECT_EQ(ht, 0u);

  // Label adjustments go out in whole dots (12.56 rounds to 13) and come back in millimetres.
  ASSERT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1.57, -2.0), 1);
  ASSERT_TRUE(WaitUntil([&] {
    return printer->autoreply->LabelAdjustment() == std::array<int16_t, 2>{13, -16};
  }));
  double print = 0, tear = 0;
  ASSERT_TRUE(WaitUntil([&] {
    return VP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &print, &tear, &when) == 1 &&
           print == 13 / 8.0 && tear == -2.0;
  }));
  EXPECT_GE(when, before);
  // Refused: more dots than 16 bits hold, values that are not finite.
  for (double mm : {1e9, -5000.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 0, mm), 0) << mm;
  }
}

TEST_F(StatusReports, ClearRequestsAndGettersBeforeAnyReport) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  ASSERT_EQ(VP_Printer_ClearPrinterBuffer(h), 1);
  ASSERT_EQ(VP_Printer_ClearPrinterError(h), 1);
  ASSERT_TRUE(printer->tcp.printer().WaitForReceivedSize(8, ScaledMs(5000)));
  EXPECT_EQ(printer->tcp.printer().Received(),
            (Bytes{0x10, 0x14, 0x08, 0x01, 0x03, 0x10, 0x05, 0x01}));
  unsigned int w = 9, ht = 9, dpm = 9;
  EXPECT_EQ(VP_Printer_GetPrinterResolutionInfo(h, &w, &ht, &dpm), 1);
  EXPECT_EQ(w + ht + dpm, 0u);
  double print = -7, tear = -7;
  int64_t when = -7;
  EXPECT_EQ(VP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &print, &tear, &when), 0);
  EXPECT_EQ(print, -7);
  EXPECT_EQ(when, -7);
  char version[8] = "zzzzzzz";
  unsigned int needed = 0;
  EXPECT_EQ(VP_Printer_GetPrinterFirmwareVersion(h, version, sizeof(version), &needed), 1);
  EXPECT_EQ(version[0], '\0');
  EXPECT_EQ(needed, 1u);
  // No label command goes out while the printer's resolution is unknown.
  EXPECT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1.0, 1.0), 0);
}

TEST_F(StatusReports, ConnectionValidityFollowsTheLastPacket) {
  void *h = OpenReporting();
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 1);
  printer->autoreply->SetSilent(true);
  // Packets last heard this long ago, on a TCP port and on another link.
  auto io = std::make_unique<core::NZMemoryBufferIO>();
  ASSERT_TRUE(io->Open(64));
  core::IOHandle ble(VP_PORT_TYPE_BT_BLE, "ble", std::move(io), true);
  EXPECT_FALSE(ble.IsConnectionValid());  // nothing heard yet
  const auto heard = [](core::IOHandle &port, int64_t ago_ms) {
    std::lock_guard<std::mutex> lock(port.autoreply().mutex);
    port.autoreply().any_packet = true;
    port.autoreply().last_packet_steady_ms = platform::steadyMs() - ago_ms;
  };
  auto &tcp = *static_cast<core::IOHandle *>(h);
  for (const auto &[port, ago_ms, valid] : std::vector<std::tuple<core::IOHandle *, int, bool>>{
           {&tcp, 7000, true}, {&tcp, 8001, false}, {&ble, 5000, true}, {&ble, 6001, false}}) {
    heard(*port, ago_ms);
    EXPECT_EQ(port->IsConnectionValid(), valid) << ago_ms;
  }
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 0);
  printer->autoreply->SetSilent(false);
  EXPECT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
  printer->Close();
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 0);
}

}  // namespace
}  // namespace velmora::test
