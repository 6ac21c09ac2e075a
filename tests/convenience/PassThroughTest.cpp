// The one-call helpers on a connector: failure values without a connection, and each helper's
// effect on a printer that answers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "convenience/ConnectorSupport.h"
#include "support/Wait.h"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::VLPrinterConnector;
using velmora::test::ScaledMs;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

class PassThroughTest : public velmora::test::PrinterOnPort9100Test {};

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
  printer.autoreply->SetResolution(72, 30, 8);
  // Both words 0 still make a record: a printer with nothing to report.
  printer.autoreply->SetStatus(0, 0);
  const auto connector = Connect();
  EXPECT_EQ(VLPrintCommon::getPrinterResolution(connector)->toString(),
            "width_mm:72 height_mm:30 dots_per_mm:8");
  EXPECT_EQ(VLPrintCommon::getPrinterResolution(connector)->getHeightMM(), 30);
  ASSERT_NE(VLPrintCommon::getPrinterStatus(connector), nullptr);
  printer.autoreply->SetStatus(0x21, 0x06);
  ASSERT_TRUE(
      WaitUntil([&] { return VLPrintCommon::getPrinterStatus(connector)->errorStatus() == 0x21; }));
  EXPECT_EQ(VLPrintCommon::getPrinterStatus(connector)->infoStatus(), 0x06);
}

TEST_F(PassThroughTest, QueriesSettingsWritesAndFirmwareReachThePrinter) {
  printer.device->SetBatteryLevel(87);
  printer.device->SetAnswerData(velmora::vprinter::DeviceBehaviour::kSerialNumber,
                                {'S', 'N', '4', '2'});
  const auto connector = Connect();
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

  // Raw bytes and the self-test page, after all that went before.
  const std::size_t before = printer.tcp.printer().ReceivedSize();
  EXPECT_EQ(VLPrintCommon::writeBuffer(connector, {}), 0);
  EXPECT_EQ(VLPrintCommon::writeBuffer(connector, {0x1B, 0x40, 'h', 'i'}), 4);
  EXPECT_TRUE(VLPrintCommon::printSelfTestPage(connector));
  ASSERT_TRUE(printer.tcp.printer().WaitForReceivedSize(before + 6, ScaledMs(5000)));
  const Bytes received = printer.tcp.printer().Received();
  EXPECT_EQ(Bytes(received.begin() + static_cast<std::ptrdiff_t>(before), received.end()),
            (Bytes{0x1B, 0x40, 'h', 'i', 0x12, 0x54}));

  // 3000 bytes with their length field (0x0BB8) go in three pieces.
  Bytes firmware = {1, 2, 3, 4, 0xB8, 0x0B, 0, 0};
  firmware.resize(3000, 0x5A);
  std::vector<Int> sent;
  EXPECT_TRUE(VLPrintCommon::VL_Settings_DownloadFirmware(
      connector, firmware, [&](Int total, Int so_far) { sent.push_back(total * 10000 + so_far); }));
  EXPECT_EQ(sent, (std::vector<Int>{30061200, 30062400, 30063006}));
  ASSERT_TRUE(WaitUntil([&] { return printer.device->FirmwareImages().size() == 1; }));
  EXPECT_EQ(printer.device->FirmwareImages()[0], firmware);
}

}  // namespace
