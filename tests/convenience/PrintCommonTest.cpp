// The print helpers: the image print job (its bytes written out by hand, jobs that cannot be made
// whole, the print speed and the Bluetooth LE speed rule with the phone models' link rates, whole
// runs against virtual printers, one going away mid-job) and the one-call helpers on a connector.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HangUpBehaviour.h"
#include "convenience/ConnectorSupport.h"
#include "imaging/ImageFixtures.h"
#include "platform/Clock.h"
#include "platform/Machine.h"
#include "support/Join.h"
#include "support/Pattern.h"
#include "support/Wait.h"
#include "velmora/convenience/DeviceModel.h"
#include "velmora/convenience/ImagePrintJob.h"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::VLPrinterConnector;
using velmora::VLPrinterDevice;
using velmora::VLPrinterResolution;
using velmora::detail::BleBytesPerSecondOfModel;
using velmora::detail::ImageJobSettings;
using velmora::detail::ModelNameOfMachine;
using velmora::detail::RenderImageJob;
using velmora::platform::Image;
using velmora::test::ConnectedPrinterTest;
using velmora::test::Join;
using velmora::test::kLeftAligned;
using velmora::test::kTwoRowsRaster;
using velmora::test::LongTimeoutMs;
using velmora::test::OneBitBmp;
using velmora::test::Pattern;
using velmora::test::RefusingAddress;
using velmora::test::ScaledMs;
using velmora::test::Status;
using velmora::test::StatusLog;
using velmora::test::TcpDevice;
using velmora::test::TwoRows;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

// Random dots, which no compression makes smaller.
std::shared_ptr<Image> Noise(int width, int height) {
  return Image::fromPixels(Pattern(static_cast<std::size_t>(width) * height), width, height,
                           Image::PixelFormat::Gray);
}

// The job of TwoRows with nothing else asked for.
const Bytes kPlain = Join({kLeftAligned, kTwoRowsRaster});

TEST(ImageJob, CommandsInTheirOrderAndOnlyWhenTheyApply) {
  const Bytes png = *TwoRows()->pngRepresentation();
  const VLPrinterResolution wide(72, 0, 8), unreported(0, 0, 0), fine(48, 0, 12);
  const struct {
    const char *what;
    ImageJobSettings settings;
    const VLPrinterResolution *resolution;
    Bytes expected;
  } cases[] = {
      // Methods 1 and 1, paper 0, centred, density 15, drawers, 2.5 mm feed, full cut.
      {"every part, run-length lines",
       {1, 1, 0, 1, 15, true, 2.5, 1},
       &wide,
       {0x12, 0x23, 0x0F, 0x1B, 0x70, 0x00, 0x64, 0x64, 0x1B, 0x70, 0x01, 0x64,
        0x64, 0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x02, 0x1B, 0x61, 0x01,
        0x1F, 0x28, 0x50, 0x04, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x1F, 0x28, 0x50,
        0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1B, 0x4A, 0x14, 0x1B, 0x69}},
      {"nothing extra", {}, nullptr, kPlain},
      {"paper 1", {.paperType = 1}, nullptr, kPlain},
      {"paper 4", {.paperType = 4}, nullptr, kPlain},
      {"label paper",
       {.paperType = 2},
       nullptr,
       Join({kLeftAligned, {0x1A, 0x0C, 0xFF}, kTwoRowsRaster, {0x1A, 0x0C, 0x00}})},
      {"black-mark paper", {.paperType = 3}, nullptr, Join({kPlain, {0x1D, 0x0C}})},
      {"density 0", {.printDensity = 0}, nullptr, Join({{0x12, 0x23, 0x00}, kPlain})},
      {"density 16", {.printDensity = 16}, nullptr, kPlain},
      {"half cut", {.cutPaper = 2}, nullptr, Join({kPlain, {0x1B, 0x6D}})},
      {"cut 3", {.cutPaper = 3}, nullptr, kPlain},
      {"feed at 8 dots per mm", {.feedPaper = 2.5}, nullptr, Join({kPlain, {0x1B, 0x4A, 20}})},
      {"a feed of 0.48 dots", {.feedPaper = 0.06}, nullptr, Join({kPlain, {0x1B, 0x4A, 0}})},
      {"negative feed", {.feedPaper = -3}, nullptr, kPlain},
      {"12.5 dots round up", {.feedPaper = 1.5625}, nullptr, Join({kPlain, {0x1B, 0x4A, 13}})},
      {"0 dots per mm reported", {.feedPaper = 2.5}, &unreported, Join({kPlain, {0x1B, 0x4A, 20}})},
      {"12 dots per mm",
       {.feedPaper = 2.5},
       &fine,
       Join({{0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x02}, kPlain, {0x1B, 0x4A, 30}})},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(RenderImageJob(png, c.resolution, c.settings), c.expected) << c.what;
  }
}

TEST(ImageJob, WithoutItsPictureThereIsNoJob) {
  // 576 dots by 16000 rows: 1,152,000 bytes of raster, past the 1 MiB a job holds, also as JBIG
  // (random dots do not compress); methods the picture cannot be made with; no picture at all.
  // The large picture is a BMP of black and white dots, which every method turns into the same
  // dots: quick to make and to read, also under sanitizers.
  const Bytes large = OneBitBmp(576, 16000, 1);
  const Bytes small = *TwoRows()->pngRepresentation();
  const struct {
    std::optional<Bytes> png;
    Int binarization;
    Int compression;
    Int alignment;
  } cases[] = {{large, 1, 0, 0},       {large, 1, 2, 0},  {small, 5, 0, 0},
               {small, 0, 9, 0},       {small, -1, 0, 0}, {small, 0, 0, Int{1} << 32},
               {std::nullopt, 0, 0, 0}};
  for (const auto &c : cases) {
    // Density 7 and a full cut, which fit.
    const ImageJobSettings settings{c.binarization, c.compression, 0, c.alignment, 7, false, 0, 1};
    EXPECT_TRUE(RenderImageJob(c.png, nullptr, settings).empty())
        << c.binarization << " " << c.compression << " " << c.alignment;
  }
  // A picture that fits is there whole.
  EXPECT_GT(RenderImageJob(OneBitBmp(576, 14000, 1), nullptr, {.binaryzationMethod = 1}).size(),
            14000u * 72u);
}

TEST(PrintSpeed, CommandAndBluetoothRule) {
  using velmora::detail::LinkLimitedPrintSpeed;
  using velmora::detail::PrintSpeedCommand;
  EXPECT_EQ(PrintSpeedCommand(1000), (Bytes{0x1F, 0x28, 0x73, 0x02, 0x00, 0xE8, 0x03}));
  // 32768 bytes at 16384 bytes/s take 2 s; a 100 mm picture then paces 50 mm/s.
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 100, 32768, 16384), 50);
  EXPECT_EQ(LinkLimitedPrintSpeed(40, 100, 32768, 16384), 40);
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 100, 32768, 8192), 25);
  // Unknown height (PrintImageTest): raised to 5. A very short job: held to 300. No job: as asked.
  EXPECT_EQ(LinkLimitedPrintSpeed(1000, 100, 100, 16384), 300);
  EXPECT_EQ(LinkLimitedPrintSpeed(250, 100, 100, 16384), 250);
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 100, 0, 16384), 80);
  // Halves away from zero: 101 mm in 2 s is 50.5 mm/s.
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 101, 32768, 16384), 51);
}

Int RateOfMachine(const std::string &machine) {
  return BleBytesPerSecondOfModel(ModelNameOfMachine(machine));
}

TEST(DeviceModel, TableNamesAndRates) {
  EXPECT_EQ(ModelNameOfMachine("iPhone8,4"), "iPhone SE");
  EXPECT_EQ(RateOfMachine("iPhone8,4"), 8192);
  EXPECT_EQ(ModelNameOfMachine("iPhone9,1"), "iPhone 7");
  EXPECT_EQ(RateOfMachine("iPhone9,1"), 16384);
  EXPECT_EQ(ModelNameOfMachine("iPhone7,1"), "iPhone 6 Plus");
  EXPECT_EQ(RateOfMachine("iPhone7,1"), 8192);
  EXPECT_EQ(ModelNameOfMachine("iPad2,5"), "iPad Mini 1");
  EXPECT_EQ(RateOfMachine("iPad2,5"), 16384);
  // "iPhone S" of the simulator is not "iPhone SE".
  EXPECT_EQ(ModelNameOfMachine("x86_64"), "iPhone Simulator");
  EXPECT_EQ(RateOfMachine("x86_64"), 16384);
  EXPECT_EQ(ModelNameOfMachine("iPhone10,6"), "iPhone X");
  EXPECT_EQ(ModelNameOfMachine("iPod5,1"), "iPod Touch 5G");
}

TEST(DeviceModel, EveryOlderPhoneIsSlowAndNewerOnesFast) {
  const char *slow[] = {"iPhone1,1", "iPhone1,2", "iPhone2,1", "iPhone3,3",
                        "iPhone4,1", "iPhone5,2", "iPhone5,4", "iPhone6,1",
                        "iPhone7,2", "iPhone8,1", "iPhone8,2"};
  for (const char *machine : slow) EXPECT_EQ(RateOfMachine(machine), 8192) << machine;
  const char *fast[] = {"iPhone9,2", "iPhone10,1", "iPhone10,5", "iPod1,1", "iPad6,8", "i386"};
  for (const char *machine : fast) EXPECT_EQ(RateOfMachine(machine), 16384) << machine;
}

TEST(DeviceModel, UnknownIdentifiersPassThrough) {
  EXPECT_EQ(ModelNameOfMachine("iPhone11,2"), "iPhone11,2");
  EXPECT_EQ(RateOfMachine("iPhone11,2"), 16384);
  // A raw identifier has no blank after "iPhone": never taken for an older model.
  EXPECT_EQ(RateOfMachine("iPhone6,9"), 16384);
  EXPECT_EQ(ModelNameOfMachine(""), "");
  EXPECT_EQ(RateOfMachine(""), 16384);
  EXPECT_EQ(ModelNameOfMachine("iphone8,4"), "iphone8,4");
  EXPECT_FALSE(velmora::platform::machineIdentifier().empty());
}

class PrintImageTest : public ConnectedPrinterTest {};
class PassThroughTest : public ConnectedPrinterTest {};

TEST_F(PrintImageTest, TheJobArrivesWholeAfterTheSpeedAndIsWaitedFor) {
  const auto connector = Connect();
  auto result =
      VLPrintCommon::printImage(connector, TwoRows(), 2, 0, 0, 1, 80, 8, false, 5.0, 1, 0);
  // Speed 80, density 8, print area 80 mm x 8, centred, the picture, 40 dots, full cut.
  const Bytes expected = Join({{0x1F, 0x28, 0x73, 0x02, 0x00, 0x50, 0x00, 0x12, 0x23, 0x08, 0x1D,
                                0x4C, 0x00, 0x00, 0x1D, 0x57, 0x80, 0x02, 0x1B, 0x61, 0x01},
                               kTwoRowsRaster,
                               {0x1B, 0x4A, 0x28, 0x1B, 0x69}});
  EXPECT_TRUE(result->printResult);
  EXPECT_EQ(result->settedPrintSpeed, 80);
  EXPECT_EQ(result->writeDataSize, static_cast<Int>(expected.size()));
  EXPECT_DOUBLE_EQ(result->sourceImageHeight, 2.0 / 8);
  EXPECT_GT(result->writeTimeUsed, 0);
  EXPECT_NEAR(result->writeDataSpeed, result->writeDataSize / result->writeTimeUsed / 1024 * 1000,
              1e-9);
  EXPECT_TRUE(printer.tcp.printer().WaitUntil(
      [&](const Bytes &r) {
        return r.size() >= expected.size() &&
               std::equal(expected.rbegin(), expected.rend(), r.rbegin());
      },
      ScaledMs(5000)));
  EXPECT_TRUE(printer.print_result->QueryIds().empty());

  // Waiting for the print: the printer confirms it; or holds its printing, and the wait ends at
  // its timeout with a failure.
  result = VLPrintCommon::printImage(connector, TwoRows(), 0, 2, 0, 0, 0, -1, true, 0, 0,
                                     LongTimeoutMs());
  EXPECT_TRUE(result->printResult);
  EXPECT_EQ(printer.print_result->QueryIds().size(), 1u);
  printer.print_result->SetPrintingHeld(true);
  result = VLPrintCommon::printImage(connector, TwoRows(), 0, 2, 0, 0, 0, -1, false, 0, 0, 300);
  EXPECT_FALSE(result->printResult);
  EXPECT_GT(result->writeDataSize, 0);
  printer.print_result->SetPrintingHeld(false);
}

TEST_F(PrintImageTest, WithoutAConnectionTheJobIsMadeButNotSent) {
  const std::string nobody = RefusingAddress();
  const auto tcp = std::make_shared<VLPrinterConnector>();
  EXPECT_FALSE(tcp->connectPrinterSync(TcpDevice(nobody)));
  // A Bluetooth LE device that did not connect still names the link the job is meant for.
  const auto ble = std::make_shared<VLPrinterConnector>();
  EXPECT_FALSE(ble->connectPrinterSync(
      std::make_shared<VLPrinterDevice>("ble", "btbleva", "00:11:22:33:44:55")));
  // The speed and the size of what was to be sent; each print fails, with a height of 0.
  const auto print = [](const std::shared_ptr<VLPrinterConnector> &connector,
                        const std::shared_ptr<Image> &image, Int binarization, Int speed) {
    const auto result = VLPrintCommon::printImage(connector, image, binarization, 0, 0, 0, speed,
                                                  -1, false, 0, 0, 5000);
    EXPECT_EQ(result->toString().substr(0, 14), "Print Failed\r\n");
    EXPECT_EQ(result->sourceImageHeight, 0);
    return std::to_string(result->settedPrintSpeed) + " " + std::to_string(result->writeDataSize);
  };
  // Over TCP the speed is sent as asked, without an upper bound, before the 13 bytes of the job.
  EXPECT_EQ(print(tcp, TwoRows(), 2, 1000), "1000 20");
  // Unknown resolution: the picture counts 0 mm, so the link's speed drops to 5.
  EXPECT_EQ(print(ble, TwoRows(), 2, 80), "5 20");
  EXPECT_EQ(print(ble, TwoRows(), 2, 3), "3 20");
  // Nothing to render: nothing sent, no speed.
  EXPECT_EQ(print(tcp, nullptr, 2, 80), "0 0");
  EXPECT_EQ(print(tcp, TwoRows(), 5, 80), "0 0");
}

TEST_F(PrintImageTest, PrinterGoingAwayMidJob) {
  auto hang_up = std::make_shared<velmora::vprinter::HangUpBehaviour>(printer.tcp);
  printer.tcp.printer().AddBehaviour(hang_up);
  const auto connector = Connect();
  StatusLog log(*connector);
  hang_up->Arm(4096);
  // The picture is far larger than the socket buffers, so the write itself meets the hang-up.
  // The job ends with it: not at the write's timeout, nor at the wait for the print's.
  const auto result = VLPrintCommon::printImage(connector, Noise(2000, 2000), 2, 0, 0, 0, 0, -1,
                                                false, 0, 1, LongTimeoutMs());
  const std::int64_t ended = velmora::platform::steadyMs();
  EXPECT_FALSE(result->printResult);
  ASSERT_GE(hang_up->HungUpAtMs(), 0);
  EXPECT_LT(ended - hang_up->HungUpAtMs(), ScaledMs(1000));
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_EQ(log.Seen(), (std::vector<Status>{Status::Disconnecting, Status::Disconnected}));
  EXPECT_EQ(connector->getCurrentPrinterHandle(), 0);
  // A printer that is gone gets a job that fails at once.
  EXPECT_FALSE(VLPrintCommon::printImage(connector, TwoRows(), 2, 0, 0, 0, 0, -1, false, 0, 0, 5000)
                   ->printResult);
}

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
