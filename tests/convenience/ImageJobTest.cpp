// The image print job: its bytes written out by hand for a picture of one black and one white
// row, jobs that cannot be made whole, the print speed in front and the Bluetooth LE speed rule,
// and whole print runs against virtual printers, one of which goes away mid-job.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "convenience/ConnectorSupport.h"
#include "support/Wait.h"
#include "velmora/convenience/ImagePrintJob.h"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::VLPrinterConnector;
using velmora::VLPrinterDevice;
using velmora::VLPrinterResolution;
using velmora::detail::ImageJobSettings;
using velmora::detail::RenderImageJob;
using velmora::platform::Image;
using velmora::test::RefusingAddress;
using velmora::test::ScaledMs;
using velmora::test::Status;
using velmora::test::StatusLog;
using velmora::test::TcpDevice;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

// 8 x 2 dots, a black row over a white one: the same dots under every binarisation method.
std::shared_ptr<Image> TwoRows() {
  Bytes grey(16, 0);
  std::fill(grey.begin() + 8, grey.end(), 255);
  return Image::fromPixels(grey, 8, 2, Image::PixelFormat::Gray);
}

// Random dots, which no compression makes smaller.
std::shared_ptr<Image> Noise(int width, int height) {
  std::mt19937 random(1);
  Bytes grey(static_cast<std::size_t>(width) * height);
  for (auto &pixel : grey) pixel = static_cast<std::uint8_t>(random());
  return Image::fromPixels(grey, width, height, Image::PixelFormat::Gray);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// GS v 0 of TwoRows: one byte per row, two rows.
const Bytes kRaster = {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x02, 0x00, 0xFF, 0x00};
const Bytes kLeft = {0x1B, 0x61, 0x00};
const Bytes kPlain = Join({kLeft, kRaster});

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
       Join({kLeft, {0x1A, 0x0C, 0xFF}, kRaster, {0x1A, 0x0C, 0x00}})},
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
  const Bytes large = *Noise(576, 16000)->pngRepresentation();
  const Bytes small = *TwoRows()->pngRepresentation();
  const struct {
    std::optional<Bytes> png;
    Int binarization;
    Int compression;
    Int alignment;
  } cases[] = {{large, 2, 0, 0},       {large, 2, 2, 0},  {small, 5, 0, 0},
               {small, 0, 9, 0},       {small, -1, 0, 0}, {small, 0, 0, Int{1} << 32},
               {std::nullopt, 0, 0, 0}};
  for (const auto &c : cases) {
    // Density 7 and a full cut, which fit.
    const ImageJobSettings settings{c.binarization, c.compression, 0, c.alignment, 7, false, 0, 1};
    EXPECT_TRUE(RenderImageJob(c.png, nullptr, settings).empty())
        << c.binarization << " " << c.compression << " " << c.alignment;
  }
  // A picture that fits is there whole.
  EXPECT_GT(
      RenderImageJob(*Noise(576, 14000)->pngRepresentation(), nullptr, {.binaryzationMethod = 2})
          .size(),
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

class PrintImageTest : public velmora::test::PrinterOnPort9100Test {};

TEST_F(PrintImageTest, TheJobArrivesWholeAfterTheSpeedAndIsWaitedFor) {
  const auto connector = Connect();
  auto result =
      VLPrintCommon::printImage(connector, TwoRows(), 2, 0, 0, 1, 80, 8, false, 5.0, 1, 0);
  // Speed 80, density 8, print area 80 mm x 8, centred, the picture, 40 dots, full cut.
  const Bytes expected = Join({{0x1F, 0x28, 0x73, 0x02, 0x00, 0x50, 0x00, 0x12, 0x23, 0x08, 0x1D,
                                0x4C, 0x00, 0x00, 0x1D, 0x57, 0x80, 0x02, 0x1B, 0x61, 0x01},
                               kRaster,
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
  result = VLPrintCommon::printImage(connector, TwoRows(), 0, 2, 0, 0, 0, -1, true, 0, 0, 5000);
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

// Once armed, hangs up when it has taken 4096 bytes more.
class HangUp final : public velmora::vprinter::PrinterBehaviour {
 public:
  explicit HangUp(velmora::vprinter::VirtualTcpPrinter &tcp) : tcp_(tcp) {}
  void OnReceived(velmora::vprinter::VirtualPrinter &, const uint8_t *, size_t count,
                  const velmora::vprinter::Reply &) override {
    if (armed && (taken_ += count) >= 4096 && armed.exchange(false)) tcp_.CloseConnections();
  }
  std::atomic<bool> armed{false};

 private:
  velmora::vprinter::VirtualTcpPrinter &tcp_;
  std::size_t taken_ = 0;
};

TEST_F(PrintImageTest, PrinterGoingAwayMidJob) {
  auto hang_up = std::make_shared<HangUp>(printer.tcp);
  printer.tcp.printer().AddBehaviour(hang_up);
  const auto connector = Connect();
  StatusLog log(*connector);
  hang_up->armed = true;
  // The picture is far larger than the socket buffers, so the write itself meets the hang-up.
  const auto result =
      VLPrintCommon::printImage(connector, Noise(2000, 2000), 2, 0, 0, 0, 0, -1, false, 0, 1, 5000);
  EXPECT_FALSE(result->printResult);
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_EQ(log.Seen(), (std::vector<Status>{Status::Disconnecting, Status::Disconnected}));
  EXPECT_EQ(connector->getCurrentPrinterHandle(), 0);
  // A printer that is gone gets a job that fails at once.
  EXPECT_FALSE(VLPrintCommon::printImage(connector, TwoRows(), 2, 0, 0, 0, 0, -1, false, 0, 0, 5000)
                   ->printResult);
}

}  // namespace
