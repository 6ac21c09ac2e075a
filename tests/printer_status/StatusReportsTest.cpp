#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
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

// What the printer events delivered (the event lists are process-wide).
struct Seen {
  std::mutex mutex;
  void *handle = nullptr;
  int64_t error = -1;
  int64_t info = -1;
  unsigned int received = 0;
  unsigned int printed = 0;
  int printed_events = 0;
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex);
    handle = nullptr;
    error = info = -1;
    received = printed = 0;
    printed_events = 0;
  }
};
Seen seen;

void OnStatus(void *handle, int64_t error, int64_t info, void *) {
  std::lock_guard<std::mutex> lock(seen.mutex);
  seen.handle = handle;
  seen.error = error;
  seen.info = info;
}
void OnReceived(void *, unsigned int count, void *) {
  std::lock_guard<std::mutex> lock(seen.mutex);
  seen.received = count;
}
void OnPrinted(void *, unsigned int id, void *) {
  std::lock_guard<std::mutex> lock(seen.mutex);
  seen.printed = id;
  ++seen.printed_events;
}

class StatusReports : public PortTest {
 protected:
  void SetUp() override {
    seen.Reset();  // the tests of one process share it
    VP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
    VP_Printer_AddOnPrinterReceivedEvent(OnReceived, nullptr);
    VP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr);
  }
  void TearDown() override {
    printer.reset();
    PortTest::TearDown();
  }
  std::unique_ptr<StatusPrinter> printer = std::make_unique<StatusPrinter>();
};

Bytes Packet(uint8_t type, std::array<uint8_t, 5> d) {
  return vprinter::AutoReplyBehaviour::Packet(type, d);
}

TEST_F(StatusReports, StatusEventsAndGettersCarryTheReportedWords) {
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  ASSERT_TRUE(WaitUntil([&] { return printer->autoreply->enabled(); }));
  const int64_t before = platform::wallMs();
  printer->autoreply->SetStatus(0x0184, 0x00C8);
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard<std::mutex> lock(seen.mutex);
    return seen.error == 0x184 && seen.info == 0xC8;
  }));
  {
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_EQ(seen.handle, h);
  }
  int64_t error = -1, info = -1, when = -1;
  ASSERT_EQ(VP_Printer_GetPrinterStatusInfo(h, &error, &info, &when), 1);
  EXPECT_EQ(error, 0x184);
  EXPECT_EQ(info, 0xC8);
  EXPECT_GE(when, before);
  EXPECT_EQ(VP_Printer_GetPrinterStatusInfo(h, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 1);

  unsigned int w = 0, ht = 1, dpm = 0;
  ASSERT_TRUE(WaitUntil([&] {
    VP_Printer_GetPrinterResolutionInfo(h, &w, &ht, &dpm);
    return dpm == 8;
  }));
  EXPECT_EQ(w, 80u);
  EXPECT_EQ(ht, 0u);
}

TEST_F(StatusReports, ReceivedCountAndPrintedPagesRaiseTheirEvents) {
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  const Bytes text(100, 'x');
  ASSERT_EQ(VP_Port_Write(h, text.data(), 100, 1000), 100);
  ASSERT_TRUE(printer->tcp.printer().WaitForReceivedSize(100, ScaledMs(5000)));
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard<std::mutex> lock(seen.mutex);
    return seen.received == printer->tcp.printer().ReceivedSize();
  }));
  unsigned int count = 0;
  int64_t when = 0;
  ASSERT_EQ(VP_Printer_GetPrinterReceivedInfo(h, &count, &when), 1);
  EXPECT_EQ(count, printer->tcp.printer().ReceivedSize());
  EXPECT_GT(when, 0);

  printer->autoreply->ReportPrintedPage(7);
  printer->autoreply->ReportPrintedPage(4294967295u);
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard<std::mutex> lock(seen.mutex);
    return seen.printed_events == 2;
  }));
  unsigned int page = 0;
  ASSERT_EQ(VP_Printer_GetPrinterPrintedInfo(h, &page, &when), 1);
  EXPECT_EQ(page, 4294967295u);
  std::lock_guard<std::mutex> lock(seen.mutex);
  EXPECT_EQ(seen.printed, 4294967295u);
}

TEST_F(StatusReports, GettersBeforeAnyReportAndForDeadHandles) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  unsigned int w = 9, ht = 9, dpm = 9;
  EXPECT_EQ(VP_Printer_GetPrinterResolutionInfo(h, &w, &ht, &dpm), 1);
  EXPECT_EQ(w + ht + dpm, 0u);
  double print = -7, tear = -7;
  int64_t when = -7;
  EXPECT_EQ(VP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &print, &tear, &when), 0);
  EXPECT_EQ(print, -7);
  EXPECT_EQ(when, -7);
  char version[8];
  std::memset(version, 'z', sizeof(version));
  unsigned int needed = 0;
  EXPECT_EQ(VP_Printer_GetPrinterFirmwareVersion(h, version, sizeof(version), &needed), 1);
  EXPECT_EQ(version[0], '\0');
  EXPECT_EQ(needed, 1u);
  // No label command goes out while the printer's resolution is unknown.
  const size_t sent = printer->tcp.printer().ReceivedSize();
  EXPECT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1.0, 1.0), 0);

  printer->Close();
  int64_t error = -1;
  EXPECT_EQ(VP_Printer_GetPrinterStatusInfo(h, &error, nullptr, nullptr), 0);
  EXPECT_EQ(error, -1);
  EXPECT_EQ(VP_Printer_GetPrinterResolutionInfo(nullptr, &w, &ht, &dpm), 0);
  EXPECT_EQ(VP_Printer_GetPrinterFirmwareVersion(nullptr, version, 8, &needed), 0);
  EXPECT_EQ(VP_Printer_GetPrinterReceivedInfo(h, nullptr, nullptr), 0);
  EXPECT_EQ(VP_Printer_GetPrinterPrintedInfo(h, nullptr, nullptr), 0);
  EXPECT_EQ(VP_Printer_ClearPrinterBuffer(h), 0);
  EXPECT_EQ(VP_Printer_ClearPrinterError(nullptr), 0);
  EXPECT_EQ(printer->tcp.printer().ReceivedSize(), sent);
}

TEST_F(StatusReports, LabelAdjustmentsGoOutInDotsAndComeBackInMillimetres) {
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  unsigned int dpm = 0;
  ASSERT_TRUE(WaitUntil([&] {
    VP_Printer_GetPrinterResolutionInfo(h, nullptr, nullptr, &dpm);
    return dpm == 8;
  }));
  ASSERT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1.5, -2.0), 1);
  ASSERT_TRUE(WaitUntil([&] {
    return printer->autoreply->LabelAdjustment() == std::array<int16_t, 2>{12, -16};
  }));
  double print = 0, tear = 0;
  int64_t when = 0;
  ASSERT_TRUE(WaitUntil([&] {
    return VP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &print, &tear, &when) == 1 &&
           print == 1.5 && tear == -2.0;
  }));
  EXPECT_GT(when, 0);
  EXPECT_EQ(VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1e9, 0), 0);
}

TEST_F(StatusReports, ClearRequestsAreSentWhole) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  ASSERT_EQ(VP_Printer_ClearPrinterBuffer(h), 1);
  ASSERT_EQ(VP_Printer_ClearPrinterError(h), 1);
  ASSERT_TRUE(printer->tcp.printer().WaitForReceivedSize(8, ScaledMs(5000)));
  EXPECT_EQ(printer->tcp.printer().Received(),
            (Bytes{0x10, 0x14, 0x08, 0x01, 0x03, 0x10, 0x05, 0x01}));
}

TEST_F(StatusReports, DataInterleavedWithPacketsReachesTheReaderInOrder) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  // Data full of 'S' and near-packets, cut into pieces that split packets too.
  Bytes data;
  for (int i = 0; i < 3000; ++i) data.push_back(i % 7 == 0 ? 0x53 : static_cast<uint8_t>(i * 31));
  Bytes look_alike = Packet(0x01, {1, 2, 3, 4, 5});
  look_alike.back() ^= 0xFF;
  data.insert(data.begin() + 1500, look_alike.begin(), look_alike.end());
  data.push_back(0x53);  // a trailing 'S' must not be held forever
  Bytes stream;
  size_t taken = 0;
  int n = 0;
  while (taken < data.size()) {
    const size_t piece = std::min<size_t>(data.size() - taken, 37 + (n * 13) % 91);
    stream.insert(stream.end(), data.begin() + taken, data.begin() + taken + piece);
    taken += piece;
    const Bytes status = Packet(0x01, {static_cast<uint8_t>(n), 0, 0xC0, 0, 0});
    stream.insert(stream.end(), status.begin(), status.end());
    ++n;
  }
  for (size_t at = 0; at < stream.size(); at += 301) {
    printer->tcp.Send(
        Bytes(stream.begin() + at, stream.begin() + std::min(stream.size(), at + 301)));
  }
  Bytes got(data.size() + 1, 0);
  size_t read = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const int r =
            VP_Port_Read(h, got.data() + read, static_cast<unsigned>(got.size() - read), 10);
        if (r > 0) read += static_cast<size_t>(r);
        return read >= data.size();
      },
      10000));
  got.resize(read);
  EXPECT_EQ(got, data);
  int64_t error = -1;
  ASSERT_EQ(VP_Printer_GetPrinterStatusInfo(h, &error, nullptr, nullptr), 1);
  EXPECT_EQ(error, n - 1);
}

TEST_F(StatusReports, ConnectionValidityFollowsTheLastPacket) {
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
  printer->autoreply->SetSilent(true);
  auto *port = static_cast<core::IOHandle *>(h);
  const auto age = [&](int64_t ms) {
    std::lock_guard<std::mutex> lock(port->autoreply().mutex);
    port->autoreply().last_packet_steady_ms = platform::steadyMs() - ms;
  };
  age(7000);
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 1);  // TCP allows 8000 ms
  age(8001);
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 0);
  printer->autoreply->SetSilent(false);
  EXPECT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));

  // Other links allow 6000 ms.
  auto io = std::make_unique<core::NZMemoryBufferIO>();
  ASSERT_TRUE(io->Open(64));
  core::IOHandle other(VP_PORT_TYPE_BT_BLE, "ble", std::move(io), true);
  EXPECT_FALSE(other.IsConnectionValid());  // nothing heard yet
  {
    std::lock_guard<std::mutex> lock(other.autoreply().mutex);
    other.autoreply().any_packet = true;
    other.autoreply().last_packet_steady_ms = platform::steadyMs() - 5000;
  }
  EXPECT_TRUE(other.IsConnectionValid());
  {
    std::lock_guard<std::mutex> lock(other.autoreply().mutex);
    other.autoreply().last_packet_steady_ms = platform::steadyMs() - 6001;
  }
  EXPECT_FALSE(other.IsConnectionValid());

  printer->Close();
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 0);
}

}  // namespace
}  // namespace velmora::test
