// The module's printer information, status query and device-protocol functions against the
// virtual printer, and the firmware download: its checks, stream, pieces, progress closure and
// lines on standard output.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/MemoryPort.h"
#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class PrinterWrappers : public StatusPrinterTest {
 protected:
  Int OpenPort(int mode) { return reinterpret_cast<Int>(Open(mode)); }
};

TEST_F(PrinterWrappers, GettersBeforeAnyReportAndFailingGettersLeaveTheirOutParameters) {
  const Int port = OpenPort(0);
  ASSERT_NE(port, 0);
  Int w = -1, h = -1, dpm = -1, count = -1;
  std::int64_t error = -1, info = -1, when = -1;
  double print = -1, tear = -1;
  EXPECT_FALSE(velmora::VP_Printer_GetPrinterResolutionInfo(0, w, h, dpm));
  EXPECT_FALSE(velmora::VP_Printer_GetPrinterStatusInfo(0, error, info, when));
  EXPECT_FALSE(velmora::VP_Printer_GetPrinterReceivedInfo(0, count, when));
  EXPECT_FALSE(velmora::VP_Printer_GetPrinterPrintedInfo(0, count, when));
  EXPECT_FALSE(velmora::VP_Printer_GetPrinterLabelPositionAdjustmentInfo(0, print, tear, when));
  // The printer has not told its dots per mm.
  EXPECT_FALSE(velmora::VP_Printer_GetPrinterLabelPositionAdjustmentInfo(port, print, tear, when));
  EXPECT_EQ(w + h + dpm + count, -4);
  EXPECT_EQ(error + info + when, -3);
  EXPECT_EQ(print + tear, -2);
  EXPECT_EQ(velmora::VP_Printer_GetPrinterFirmwareVersion(port), "");
  EXPECT_TRUE(velmora::VP_Printer_GetPrinterResolutionInfo(port, w, h, dpm));
  EXPECT_EQ(w + h + dpm, 0);
}

TEST_F(PrinterWrappers, GettersCopyTheReportedRecords) {
  const Int h = OpenPort(1);
  ASSERT_NE(h, 0);
  // The status words and the resolution: convenience/PassThroughTest. The label adjustments
  // are taken once the printer has reported its dots per mm.
  ASSERT_TRUE(
      WaitUntil([&] { return velmora::VP_Printer_GetPrinterFirmwareVersion(h) == "VP-80 V2.31"; }));
  ASSERT_TRUE(WaitUntil(
      [&] { return velmora::VP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, -0.25, 3.0); }));
  std::int64_t when = -1;
  double print = 0, tear = 0;
  ASSERT_TRUE(WaitUntil([&] {
    return velmora::VP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, print, tear, when) &&
           tear == 3.0;
  }));
  EXPECT_EQ(print, -0.25);
  EXPECT_GT(when, 0);
  printer->autoreply->ReportPrintedPage(4294967295u);
  Int page = 0;
  ASSERT_TRUE(WaitUntil(
      [&] { return velmora::VP_Printer_GetPrinterPrintedInfo(h, page, when) && page != 0; }));
  EXPECT_EQ(page, Int{4294967295});
}

TEST_F(PrinterWrappers, QueriesAndTheirAnswers) {
  const Int h = OpenPort(0);
  ASSERT_NE(h, 0);
  EXPECT_FALSE(velmora::VP_RTSTATUS_OFFLINE(velmora::VP_Pos_QueryRTStatus(h, 3000)));
  EXPECT_TRUE(velmora::VP_Pos_QueryPrintResult(h, 3000));

  // The serial number up to a 0 byte in its midst, or all 256 bytes without one; an empty answer
  // is an empty text, and none comes when the printer does not answer.
  printer->device->SetAnswerData(0x4E, Bytes{'A', 'B', 0, 'C', 'D'});
  EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(h, 3000), "AB");
  printer->device->SetAnswerData(0x4E, Bytes(256, 'z'));
  EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(h, 3000), std::string(256, 'z'));
  printer->device->SetAnswerData(0x4E, {});
  EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(h, 3000), "");
  printer->device->SetAnswering(false);
  EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(h, 200), std::nullopt);
  EXPECT_EQ(velmora::VP_Proto_QueryBatteryLevel(h, 200), -1);
}

TEST_F(PrinterWrappers, SettingsPackages) {
  const Int h = OpenPort(0);
  ASSERT_NE(h, 0);
  // Both texts with their terminators in 256 bytes are sent; one byte more is not.
  EXPECT_TRUE(velmora::VP_Proto_SetSystemNameAndSerialNumber(h, std::string(127, 'n'),
                                                             std::string(127, 's')));
  EXPECT_FALSE(velmora::VP_Proto_SetBluetoothNameAndPassword(h, std::string(128, 'n'),
                                                             std::string(127, 'p')));
  // A text holding U+0000 reaches the printer only up to it.
  EXPECT_TRUE(velmora::VP_Proto_SetBluetoothNameAndPassword(h, std::string("VP\0xx", 5), "1"));
  EXPECT_TRUE(velmora::VP_Settings_Hardware_SetPrintSpeed(h, 3));
  std::vector<vprinter::DevicePackageRecord> got;
  ASSERT_TRUE(WaitUntil([&] {
    got = printer->device->Packages();
    return got.size() == 3;
  }));
  EXPECT_EQ(got[0].command, 0x64);
  EXPECT_EQ(got[0].data.size(), 256u);
  EXPECT_EQ(got[1].command, 0x61);
  EXPECT_EQ(got[1].data, (Bytes{'V', 'P', 0, '1', 0}));
  EXPECT_EQ(got[2].command, 0x62);
}

using Progress = std::vector<std::pair<Int, Int>>;

// An image of `size` bytes whose length field says `length`.
Bytes Image(size_t size, uint32_t length) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  if (size >= 8) {
    for (int b = 0; b < 4; ++b) image[4 + b] = static_cast<uint8_t>(length >> (8 * b));
  }
  return image;
}

struct Download {
  bool result = false;
  std::string output;
  Progress progress;
  Bytes sent;
};

// Downloads `image` into a memory port that takes `capacity` bytes; with 0, to handle 0.
Download Send(unsigned capacity, const Bytes &image) {
  MemoryPort port(capacity == 0 ? 1 : capacity);
  Download d;
  testing::internal::CaptureStdout();
  d.result = velmora::VP_Settings_DownloadFirmware(
      capacity == 0 ? 0 : reinterpret_cast<Int>(port.handle()), image,
      [&](Int total, Int sent) { d.progress.emplace_back(total, sent); });
  d.output = testing::internal::GetCapturedStdout();
  d.sent = port.Bytes();
  return d;
}

class FirmwareDownload : public PortTest {};

TEST_F(FirmwareDownload, TheCommandThenTheImage) {
  const Bytes small = Image(8, 8);
  const Download d = Send(10000, small);
  EXPECT_TRUE(d.result);
  EXPECT_EQ(d.output,
            "Firmware Size: 8\nFirmware Checksum: 8\nCmd Length: 14\n100.00%\n"
            "Firmware Download Success\n");
  EXPECT_EQ(d.progress, (Progress{{14, 14}}));
  EXPECT_EQ(Bytes(d.sent.begin(), d.sent.begin() + 6), (Bytes{0x1F, 0x75, 0x00, 0x00, 0x00, 0x08}));
  EXPECT_EQ(Bytes(d.sent.begin() + 6, d.sent.end()), small);

  // 3000 bytes in three pieces: convenience/PassThroughTest, on the virtual printer.

  // A progress closure that throws stops neither the download nor its caller.
  MemoryPort port(10000);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(velmora::VP_Settings_DownloadFirmware(reinterpret_cast<Int>(port.handle()),
                                                    Image(3000, 3000), [](Int, Int) { throw 1; }));
  testing::internal::GetCapturedStdout();
}

TEST_F(FirmwareDownload, FailuresEndTheTransfer) {
  // Images that fail their checks: nothing is sent.
  Download d = Send(10000, Image(7, 0));
  EXPECT_FALSE(d.result);
  EXPECT_EQ(d.output, "Firmware Size: 7\nFirmware Invalid\n");
  d = Send(10000, Image(20, 21));
  EXPECT_FALSE(d.result);
  EXPECT_EQ(d.output, "Firmware Size: 20\nFirmware Checksum: 21\nFirmware Checksum Error\n");
  EXPECT_TRUE(d.progress.empty());
  EXPECT_TRUE(d.sent.empty());

  // Room for the first piece only: the second write is refused whole.
  d = Send(2000, Image(3000, 3000));
  EXPECT_FALSE(d.result);
  EXPECT_EQ(d.output,
            "Firmware Size: 3000\nFirmware Checksum: 3000\nCmd Length: 3006\n39.92%\n"
            "Firmware Download Failed\n");
  EXPECT_EQ(d.progress, (Progress{{3006, 1200}}));
  EXPECT_EQ(d.sent.size(), 1200u);

  // Handle 0 is not tested first: the first write fails after the three check lines.
  const Download zero = Send(0, Image(8, 8));
  EXPECT_FALSE(zero.result);
  EXPECT_EQ(zero.output,
            "Firmware Size: 8\nFirmware Checksum: 8\nCmd Length: 14\nFirmware Download Failed\n");
}

}  // namespace
}  // namespace velmora::test
