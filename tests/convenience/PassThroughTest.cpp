// The one-call helpers on a connector: failure values without a connection, and each helper's
// effect on a printer that answers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "convenience/ConnectorSupport.h"
#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::VLPrinterConnector;
using velmora::test::ScaledMs;
using velmora::test::StatusPrinter;
using velmora::test::TcpDevice;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

class PassThroughTest : public velmora::test::PortTest {};

TEST_F(PassThroughTest, WithoutAConnectionEveryHelperFails) {
  for (const auto &connector :
       {std::make_shared<VLPrinterConnector>(), std::shared_ptr<VLPrinterConnector>()}) {
    EXPECT_EQ(VLPrintCommon::getPrinterStatus(connector), nullptr);
    EXPECT_EQ(VLPrintCommon::getPrinterResolution(connector), nullptr);
    EXPECT_FALSE(VLPrintCommon::printSelfTestPage(connector));
    EXPECT_EQ(VLPrintCommon::writeBuffer(connector, {1, 2, 3}), -1);
    EXPECT_EQ(VLPrintCommon::writeBuffer(connector, {}), -1);
    EXPECT_EQ(VLPrintCommon::queryPrinterBatteryLevel(connector), -1);
    EXPECT_EQ(VLPrintCommon::queryPrinterSerialNumber(connector), std::nullopt);
    EXPECT_FALSE(VLPrintCommon::VL_Proto_SetSystemNameAndSerialNumber(connector, "a", "b"));
    EXPECT_FALSE(VLPrintCommon::VL_Proto_SetBluetoothNameAndPassword(connector, "a", "b"));
    EXPECT_FALSE(
        VLPrintCommon::VL_Proto_SetPTPBasicParameters(connector, 9600, 0, 8, 0, 30, 0, 0, 0, 0));
    EXPECT_FALSE(VLPrintCommon::VL_Settings_Hardware_SetPrintSpeed(connector, 100));
  }
}

TEST_F(PassThroughTest, StatusAndResolutionFromTheAutomaticReports) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  printer.autoreply->SetResolution(72, 0, 8);
  const auto connector = std::make_shared<VLPrinterConnector>();
  ASSERT_TRUE(connector->connectPrinterSync(TcpDevice(printer.tcp.address())));
  // Both words 0 still make a record: a printer with nothing to report.
  printer.autoreply->SetStatus(0, 0);
  ASSERT_TRUE(WaitUntil([&] { return VLPrintCommon::getPrinterStatus(connector) != nullptr; }));
  // Before the printer's first report the resolution reads as zeros.
  ASSERT_TRUE(WaitUntil([&] {
    const auto resolution = VLPrintCommon::getPrinterResolution(connector);
    return resolution != nullptr && resolution->getDotsPerMM() != 0;
  }));
  EXPECT_EQ(VLPrintCommon::getPrinterResolution(connector)->toString(),
            "width_mm:72 height_mm:0 dots_per_mm:8");
  printer.autoreply->SetStatus(0x21, 0x06);
  ASSERT_TRUE(WaitUntil([&] {
    const auto status = VLPrintCommon::getPrinterStatus(connector);
    return status != nullptr && status->errorStatus() == 0x21;
  }));
  const auto status = VLPrintCommon::getPrinterStatus(connector);
  EXPECT_TRUE(status->ERROR_CUTTER());
  EXPECT_TRUE(status->INFO_LABELMODE());
  EXPECT_EQ(status->infoStatus(), 0x06);
}

TEST_F(PassThroughTest, QueriesAndSettingsReachThePrinter) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  printer.device->SetBatteryLevel(87);
  printer.device->SetAnswerData(velmora::vprinter::DeviceBehaviour::kSerialNumber,
                                {'S', 'N', '4', '2'});
  const auto connector = std::make_shared<VLPrinterConnector>();
  ASSERT_TRUE(connector->connectPrinterSync(TcpDevice(printer.tcp.address())));
  EXPECT_EQ(VLPrintCommon::queryPrinterBatteryLevel(connector), 87);
  EXPECT_EQ(VLPrintCommon::queryPrinterSerialNumber(connector), "SN42");

  EXPECT_TRUE(VLPrintCommon::VL_Proto_SetSystemNameAndSerialNumber(connector, "Till 1", "X9"));
  EXPECT_TRUE(VLPrintCommon::VL_Proto_SetBluetoothNameAndPassword(connector, "BT", "0000"));
  EXPECT_TRUE(
      VLPrintCommon::VL_Proto_SetPTPBasicParameters(connector, 9600, 1, 8, 0, 30, 5, 6, 7, 8));
  EXPECT_TRUE(VLPrintCommon::VL_Settings_Hardware_SetPrintSpeed(connector, 120));
  ASSERT_TRUE(WaitUntil([&] { return printer.device->Packages().size() >= 7; }));
  std::vector<std::uint16_t> commands;
  for (const auto &package : printer.device->Packages()) commands.push_back(package.command);
  // The open's firmware-version query, our two queries, then the four settings in call order.
  EXPECT_EQ(commands, (std::vector<std::uint16_t>{0x3F, 0x3F, 0x3F, 0x64, 0x61, 0x60, 0x62}));
  EXPECT_EQ(printer.device->Packages()[3].data,
            (Bytes{'T', 'i', 'l', 'l', ' ', '1', 0, 'X', '9', 0}));
}

TEST_F(PassThroughTest, RawWritesSelfTestAndFirmware) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  const auto connector = std::make_shared<VLPrinterConnector>();
  ASSERT_TRUE(connector->connectPrinterSync(TcpDevice(printer.tcp.address())));
  // What the open itself sent comes first; everything after it is ours.
  ASSERT_TRUE(printer.autoreply->enabled() ||
              WaitUntil([&] { return printer.autoreply->enabled(); }));
  const std::size_t before = printer.tcp.printer().ReceivedSize();

  const Bytes raw = {0x1B, 0x40, 'h', 'i'};
  EXPECT_EQ(VLPrintCommon::writeBuffer(connector, {}), 0);
  EXPECT_EQ(VLPrintCommon::writeBuffer(connector, raw), 4);
  EXPECT_TRUE(VLPrintCommon::printSelfTestPage(connector));
  const Int memory = velmora::VP_Port_OpenMemoryBuffer(64);
  ASSERT_NE(memory, 0);
  ASSERT_TRUE(velmora::VP_Pos_PrintSelfTestPage(memory));
  const Bytes self_test = velmora::VP_Port_GetMemoryBufferData(memory);
  velmora::VP_Port_Close(memory);

  Bytes expected;
  expected.reserve(raw.size() + self_test.size());
  expected.insert(expected.end(), raw.begin(), raw.end());
  expected.insert(expected.end(), self_test.begin(), self_test.end());
  ASSERT_TRUE(printer.tcp.printer().WaitForReceivedSize(before + expected.size(), ScaledMs(5000)));
  const Bytes received = printer.tcp.printer().Received();
  EXPECT_EQ(Bytes(received.begin() + static_cast<std::ptrdiff_t>(before), received.end()),
            expected);

  Bytes firmware(3000, 0x5A);
  firmware[4] = static_cast<std::uint8_t>(firmware.size() & 0xFF);
  firmware[5] = static_cast<std::uint8_t>(firmware.size() >> 8);
  firmware[6] = firmware[7] = 0;
  std::vector<Int> progress;
  EXPECT_TRUE(VLPrintCommon::VL_Settings_DownloadFirmware(
      connector, firmware, [&](Int total, Int sent) { progress.push_back(sent * 10000 + total); }));
  EXPECT_FALSE(progress.empty());
  ASSERT_TRUE(WaitUntil([&] { return printer.device->FirmwareImages().size() == 1; }));
  EXPECT_EQ(printer.device->FirmwareImages()[0], firmware);
}

}  // namespace
