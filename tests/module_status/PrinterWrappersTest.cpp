// The module's printer information, status query and device-protocol functions against the
// virtual printer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class PrinterWrappers : public PortTest {
 protected:
  void TearDown() override {
    printer.reset();
    PortTest::TearDown();
  }
  Int Open(int mode) {
    if (!printer->Open(mode)) return 0;
    return reinterpret_cast<Int>(printer->handle());
  }
  std::unique_ptr<StatusPrinter> printer = std::make_unique<StatusPrinter>();
};

TEST_F(PrinterWrappers, GettersBeforeAnyReportAndFailingGettersLeaveTheirOutParameters) {
  const Int port = Open(0);
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
  EXPECT_EQ(velmora::VP_Printer_GetPrinterFirmwareVersion(0), "");
  EXPECT_EQ(velmora::VP_Printer_GetPrinterFirmwareVersion(port), "");
  EXPECT_TRUE(velmora::VP_Printer_GetPrinterResolutionInfo(port, w, h, dpm));
  EXPECT_EQ(w + h + dpm, 0);
}

TEST_F(PrinterWrappers, GettersCopyTheReportedRecords) {
  const Int h = Open(1);
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
  const Int h = Open(0);
  ASSERT_NE(h, 0);
  EXPECT_FALSE(velmora::VP_RTSTATUS_OFFLINE(velmora::VP_Pos_QueryRTStatus(h, 3000)));
  EXPECT_TRUE(velmora::VP_Pos_QueryPrintResult(h, 3000));
  // A timeout beyond 32 bits is refused without asking the printer.
  EXPECT_EQ(velmora::VP_Pos_QueryRTStatus(h, Int{1} << 40), 0);
  EXPECT_EQ(printer->rt_status->RequestCount(4), 1u);

  // The serial number up to a 0 byte in its midst; none when the printer does not answer.
  printer->device->SetAnswerData(0x4E, Bytes{'A', 'B', 0, 'C', 'D'});
  EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(h, 3000), "AB");
  printer->device->SetAnswering(false);
  EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(h, 200), std::nullopt);
  EXPECT_EQ(velmora::VP_Proto_QueryBatteryLevel(h, 200), -1);
}

TEST_F(PrinterWrappers, SettingsPackages) {
  const Int h = Open(0);
  ASSERT_NE(h, 0);
  // Both texts with their terminators in 256 bytes are sent; one byte more is not.
  EXPECT_TRUE(velmora::VP_Proto_SetSystemNameAndSerialNumber(h, std::string(127, 'n'),
                                                             std::string(127, 's')));
  EXPECT_FALSE(velmora::VP_Proto_SetBluetoothNameAndPassword(h, std::string(128, 'n'),
                                                             std::string(127, 'p')));
  // A text holding U+0000 reaches the printer only up to it.
  EXPECT_TRUE(velmora::VP_Proto_SetBluetoothNameAndPassword(h, std::string("VP\0xx", 5), "1"));
  EXPECT_FALSE(velmora::VP_Proto_SetPTPBasicParameters(h, Int{1} << 40, 1, 2, 3, 4, 5, 6, 7, 8));
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

}  // namespace
}  // namespace velmora::test
