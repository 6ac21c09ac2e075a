// The image print job: its bytes against the same receipt commands sent one by one to a memory
// port, the 1 MiB limit, the print speed in front and the Bluetooth LE speed rule, and whole
// print runs against virtual printers, one of which goes away mid-job.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "convenience/ConnectorSupport.h"
#include "support/PortTest.h"
#include "support/StatusPrinter.h"
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
using velmora::test::StatusPrinter;
using velmora::test::TcpDevice;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

// What the given commands send, collected in a memory port as large as the job's.
Bytes Sent(const std::function<void(Int)> &commands) {
  const Int m = velmora::VP_Port_OpenMemoryBuffer(velmora::detail::kImageJobCapacity);
  commands(m);
  Bytes bytes = velmora::VP_Port_GetMemoryBufferData(m);
  velmora::VP_Port_Close(m);
  return bytes;
}

std::shared_ptr<Image> Picture(int width, int height, unsigned seed = 1) {
  std::mt19937 random(seed);
  Bytes grey(static_cast<std::size_t>(width) * height);
  for (auto &pixel : grey) pixel = static_cast<std::uint8_t>(random());
  return Image::fromPixels(grey, width, height, Image::PixelFormat::Gray);
}

Bytes Png(const std::shared_ptr<Image> &image) {
  return *image->pngRepresentation();
}

void Picture(Int m, const Bytes &png, Int binarization = 2, Int compression = 0) {
  velmora::VP_Pos_PrintRasterImageFromData(m, 0, 0, png, static_cast<Int>(png.size()),
                                           static_cast<VP_ImageBinarizationMethod>(binarization),
                                           static_cast<VP_ImageCompressionMethod>(compression));
}

TEST(ImageJob, EveryPartInItsPlace) {
  const Bytes png = Png(Picture(48, 20));
  const VLPrinterResolution resolution(72, 0, 8);
  ImageJobSettings settings;
  settings.binaryzationMethod = 1;
  settings.compressionMethod = 1;
  settings.printAlignment = 1;
  settings.printDensity = 15;
  settings.kickDrawer = true;
  settings.feedPaper = 2.5;
  settings.cutPaper = 1;
  const Bytes expected = Sent([&](Int m) {
    velmora::VP_Pos_SetPrintDensity(m, 15);
    velmora::VP_Pos_KickOutDrawer(m, 0, 100, 100);
    velmora::VP_Pos_KickOutDrawer(m, 1, 100, 100);
    velmora::VP_Pos_SetPrintAreaLeftMargin(m, 0);
    velmora::VP_Pos_SetPrintAreaWidth(m, 576);
    velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_HCenter);
    Picture(m, png, 1, 1);
    velmora::VP_Pos_FeedDot(m, 20);
    velmora::VP_Pos_FullCutPaper(m);
  });
  EXPECT_EQ(RenderImageJob(png, &resolution, settings), expected);
}

TEST(ImageJob, PaperTypesFrameThePicture) {
  const Bytes png = Png(Picture(16, 8));
  const Bytes plain = Sent([&](Int m) {
    velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_Left);
    Picture(m, png);
  });
  ImageJobSettings settings;
  settings.binaryzationMethod = 2;
  for (Int type : {0, 1, 4, -1}) {
    settings.paperType = type;
    EXPECT_EQ(RenderImageJob(png, nullptr, settings), plain) << type;
  }
  settings.paperType = 2;
  Bytes label = {0x1A, 0x0C, 0xFF};
  const Bytes picture = Sent([&](Int m) { Picture(m, png); });
  label.insert(label.end(), picture.begin(), picture.end());
  for (std::uint8_t byte : {0x1A, 0x0C, 0x00}) label.push_back(byte);
  const Bytes alignment =
      Sent([](Int m) { velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_Left); });
  label.insert(label.begin(), alignment.begin(), alignment.end());
  EXPECT_EQ(RenderImageJob(png, nullptr, settings), label);
  settings.paperType = 3;
  EXPECT_EQ(RenderImageJob(png, nullptr, settings), Sent([&](Int m) {
              velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_Left);
              Picture(m, png);
              velmora::VP_BlackMark_FindNextBlackMark(m);
            }));
}

TEST(ImageJob, DensityFeedAndCutBounds) {
  const Bytes png = Png(Picture(16, 8));
  const auto job = [&](Int density, double feed, Int cut, const VLPrinterResolution *resolution) {
    ImageJobSettings settings;
    settings.binaryzationMethod = 2;
    settings.printDensity = density;
    settings.feedPaper = feed;
    settings.cutPaper = cut;
    return RenderImageJob(png, resolution, settings);
  };
  const auto tail = [&](const std::function<void(Int)> &after) {
    return Sent([&](Int m) {
      velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_Left);
      Picture(m, png);
      after(m);
    });
  };
  const Bytes bare = tail([](Int) {});
  EXPECT_EQ(job(16, 0, 0, nullptr), bare);
  EXPECT_EQ(job(-1, 0, 3, nullptr), bare);
  EXPECT_EQ(job(0, 0, 0, nullptr), Sent([&](Int m) {
              velmora::VP_Pos_SetPrintDensity(m, 0);
              velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_Left);
              Picture(m, png);
            }));
  EXPECT_EQ(job(-1, 0, 2, nullptr), tail([](Int m) { velmora::VP_Pos_HalfCutPaper(m); }));
  // Without a resolution the feed counts 8 dots per mm; a tiny feed still sends 0 dots.
  EXPECT_EQ(job(-1, 2.5, 0, nullptr), tail([](Int m) { velmora::VP_Pos_FeedDot(m, 20); }));
  EXPECT_EQ(job(-1, 0.06, 0, nullptr), tail([](Int m) { velmora::VP_Pos_FeedDot(m, 0); }));
  EXPECT_EQ(job(-1, -3, 0, nullptr), bare);
  // Halves round away from zero: 1.5625 mm x 8 = 12.5 dots.
  EXPECT_EQ(job(-1, 1.5625, 0, nullptr), tail([](Int m) { velmora::VP_Pos_FeedDot(m, 13); }));
  // A printer that has not reported yet (0 dots per mm): no print area, 8 dots per mm.
  const VLPrinterResolution unreported(0, 0, 0);
  EXPECT_EQ(job(-1, 2.5, 0, &unreported), tail([](Int m) { velmora::VP_Pos_FeedDot(m, 20); }));
  const VLPrinterResolution fine(48, 0, 12);
  EXPECT_EQ(job(-1, 2.5, 0, &fine), Sent([&](Int m) {
              velmora::VP_Pos_SetPrintAreaLeftMargin(m, 0);
              velmora::VP_Pos_SetPrintAreaWidth(m, 576);
              velmora::VP_Pos_SetAlignment(m, VP_Pos_Alignment_Left);
              Picture(m, png);
              velmora::VP_Pos_FeedDot(m, 30);
            }));
}

TEST(ImageJob, NothingToRender) {
  ImageJobSettings settings;
  EXPECT_TRUE(RenderImageJob(std::nullopt, nullptr, settings).empty());
  const Bytes png = Png(Picture(8, 8));
  settings.binaryzationMethod = -1;
  EXPECT_TRUE(RenderImageJob(png, nullptr, settings).empty());
  settings.binaryzationMethod = 0;
  settings.printAlignment = Int{1} << 32;
  EXPECT_TRUE(RenderImageJob(png, nullptr, settings).empty());
}

TEST(ImageJob, WithoutItsPictureThereIsNoJob) {
  // 576 dots by 16000 rows: 1,152,000 bytes of raster, past the 1 MiB a job holds, also as JBIG
  // (random dots do not compress); and methods the picture cannot be made with.
  const Bytes large = Png(Picture(576, 16000));
  const Bytes small = Png(Picture(64, 64));
  const struct {
    const Bytes *png;
    Int binarization;
    Int compression;
  } cases[] = {{&large, 2, 0}, {&large, 2, 2}, {&small, 5, 0}, {&small, 0, 9}};
  for (const auto &c : cases) {
    ImageJobSettings settings;
    settings.binaryzationMethod = c.binarization;
    settings.compressionMethod = c.compression;
    settings.printDensity = 7;
    settings.cutPaper = 1;
    EXPECT_TRUE(RenderImageJob(*c.png, nullptr, settings).empty()) << c.binarization;
  }
  // A picture that fits is there whole.
  ImageJobSettings settings;
  settings.binaryzationMethod = 2;
  EXPECT_GT(RenderImageJob(Png(Picture(576, 14000)), nullptr, settings).size(), 14000u * 72u);
}

TEST(PrintSpeed, CommandAndBluetoothRule) {
  using velmora::detail::LinkLimitedPrintSpeed;
  using velmora::detail::PrintSpeedCommand;
  EXPECT_EQ(PrintSpeedCommand(80), (Bytes{0x1F, 0x28, 0x73, 0x02, 0x00, 0x50, 0x00}));
  EXPECT_EQ(PrintSpeedCommand(1000), (Bytes{0x1F, 0x28, 0x73, 0x02, 0x00, 0xE8, 0x03}));
  EXPECT_EQ(PrintSpeedCommand(80), Sent([](Int m) { velmora::VP_Pos_SetPrintSpeed(m, 80); }));
  // 32768 bytes at 16384 bytes/s take 2 s; a 100 mm picture then paces 50 mm/s.
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 100, 32768, 16384), 50);
  EXPECT_EQ(LinkLimitedPrintSpeed(40, 100, 32768, 16384), 40);
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 100, 32768, 8192), 25);
  // Unknown height: raised to 5. A very short job: held to 300.
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 0, 32768, 16384), 5);
  EXPECT_EQ(LinkLimitedPrintSpeed(4, 0, 32768, 16384), 4);
  EXPECT_EQ(LinkLimitedPrintSpeed(1000, 100, 100, 16384), 300);
  EXPECT_EQ(LinkLimitedPrintSpeed(250, 100, 100, 16384), 250);
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 100, 0, 16384), 80);
  // Halves away from zero: 100 mm in 2 s at ... 16384 bytes/s over 4 s is 25; 50.5 -> 51.
  EXPECT_EQ(LinkLimitedPrintSpeed(80, 101, 32768, 16384), 51);
}

class PrintImageTest : public velmora::test::PortTest {};

// The connector's printer with its resolution reported.
void ConnectAndWaitForResolution(const std::shared_ptr<VLPrinterConnector> &connector,
                                 const std::string &address) {
  ASSERT_TRUE(connector->connectPrinterSync(TcpDevice(address)));
  ASSERT_TRUE(WaitUntil([&] {
    const auto resolution = VLPrintCommon::getPrinterResolution(connector);
    return resolution != nullptr && resolution->getDotsPerMM() > 0;
  }));
}

bool EndsWith(const Bytes &bytes, const Bytes &tail) {
  return bytes.size() >= tail.size() &&
         std::equal(tail.begin(), tail.end(),
                    bytes.end() - static_cast<std::ptrdiff_t>(tail.size()));
}

TEST_F(PrintImageTest, TheJobArrivesWholeAfterTheSpeed) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  const auto connector = std::make_shared<VLPrinterConnector>();
  ConnectAndWaitForResolution(connector, printer.tcp.address());
  const auto image = Picture(200, 120);
  const auto result =
      VLPrintCommon::printImage(connector, image, 2, 0, 0, 1, 80, 8, false, 5.0, 1, 0);
  const VLPrinterResolution resolution(80, 0, 8);
  ImageJobSettings settings;
  settings.binaryzationMethod = 2;
  settings.printAlignment = 1;
  settings.printDensity = 8;
  settings.feedPaper = 5.0;
  settings.cutPaper = 1;
  Bytes expected = velmora::detail::PrintSpeedCommand(80);
  const Bytes job = RenderImageJob(Png(image), &resolution, settings);
  expected.insert(expected.end(), job.begin(), job.end());

  EXPECT_TRUE(result->printResult);
  EXPECT_EQ(result->settedPrintSpeed, 80);
  EXPECT_EQ(result->writeDataSize, static_cast<Int>(expected.size()));
  EXPECT_DOUBLE_EQ(result->sourceImageHeight, 120.0 / 8);
  EXPECT_GT(result->writeTimeUsed, 0);
  EXPECT_NEAR(result->writeDataSpeed, result->writeDataSize / result->writeTimeUsed / 1024 * 1000,
              1e-9);
  ASSERT_TRUE(printer.tcp.printer().WaitUntil([&](const Bytes &r) { return EndsWith(r, expected); },
                                              ScaledMs(5000)));
}

TEST_F(PrintImageTest, WaitForThePrintedJob) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  const auto connector = std::make_shared<VLPrinterConnector>();
  ConnectAndWaitForResolution(connector, printer.tcp.address());
  // Without a speed the job starts with its first command; the printer confirms the print.
  auto result =
      VLPrintCommon::printImage(connector, Picture(64, 64), 0, 2, 0, 0, 0, -1, true, 0, 0, 5000);
  EXPECT_TRUE(result->printResult);
  EXPECT_EQ(result->settedPrintSpeed, 0);
  EXPECT_EQ(printer.print_result->QueryIds().size(), 1u);
  // A printer that holds its printing: the wait ends at its timeout with a failure.
  printer.print_result->SetPrintingHeld(true);
  result =
      VLPrintCommon::printImage(connector, Picture(64, 64), 0, 2, 0, 0, 0, -1, false, 0, 0, 300);
  EXPECT_FALSE(result->printResult);
  EXPECT_GT(result->writeDataSize, 0);
  printer.print_result->SetPrintingHeld(false);
}

TEST_F(PrintImageTest, WithoutAConnectionTheJobIsMadeButNotSent) {
  RefusingAddress nobody;
  const auto connector = std::make_shared<VLPrinterConnector>();
  EXPECT_FALSE(connector->connectPrinterSync(TcpDevice(nobody.address())));
  const auto image = Picture(32, 32);
  auto result =
      VLPrintCommon::printImage(connector, image, 2, 0, 0, 0, 1000, -1, false, 0, 0, 5000);
  EXPECT_FALSE(result->printResult);
  // No Bluetooth LE link: the speed is sent as asked, without an upper bound.
  EXPECT_EQ(result->settedPrintSpeed, 1000);
  const Bytes job = RenderImageJob(Png(image), nullptr, [] {
    ImageJobSettings settings;
    settings.binaryzationMethod = 2;
    return settings;
  }());
  EXPECT_EQ(result->writeDataSize, static_cast<Int>(job.size() + 7));
  EXPECT_EQ(result->sourceImageHeight, 0);

  // Nothing to render (no image): nothing sent, a failure, no speed.
  result = VLPrintCommon::printImage(connector, nullptr, 2, 0, 0, 0, 80, -1, false, 0, 0, 0);
  EXPECT_FALSE(result->printResult);
  EXPECT_EQ(result->writeDataSize, 0);
  EXPECT_EQ(result->settedPrintSpeed, 0);
  result = VLPrintCommon::printImage(connector, std::make_shared<Image>(), 2, 0, 0, 0, 80, -1,
                                     false, 0, 0, 0);
  EXPECT_EQ(result->writeDataSize, 0);
  // Nor without the picture: the job is not made.
  result = VLPrintCommon::printImage(connector, image, 5, 0, 0, 0, 80, -1, false, 0, 0, 0);
  EXPECT_EQ(result->writeDataSize, 0);
  EXPECT_EQ(result->toString().substr(0, 14), "Print Failed\r\n");
}

TEST_F(PrintImageTest, BluetoothLeDeviceLowersTheSpeed) {
  // A Bluetooth LE device that did not connect still names the link the job is meant for.
  const auto connector = std::make_shared<VLPrinterConnector>();
  EXPECT_FALSE(connector->connectPrinterSync(
      std::make_shared<VLPrinterDevice>("ble", "btbleva", "00:11:22:33:44:55")));
  // Unknown resolution: the picture's height counts 0 mm, so the speed drops to 5.
  auto result =
      VLPrintCommon::printImage(connector, Picture(32, 32), 2, 0, 0, 0, 80, -1, false, 0, 0, 0);
  EXPECT_EQ(result->settedPrintSpeed, 5);
  result = VLPrintCommon::printImage(connector, Picture(32, 32), 2, 0, 0, 0, 3, -1, false, 0, 0, 0);
  EXPECT_EQ(result->settedPrintSpeed, 3);
}

// Hangs up once it has taken `after` more bytes since it was armed.
class HangUp final : public velmora::vprinter::PrinterBehaviour {
 public:
  explicit HangUp(velmora::vprinter::VirtualTcpPrinter &tcp) : tcp_(tcp) {}
  void Arm(std::size_t after) { left_.store(static_cast<long long>(after)); }
  void OnReceived(velmora::vprinter::VirtualPrinter &, const uint8_t *, size_t count,
                  const velmora::vprinter::Reply &) override {
    if (left_.load() < 0) return;
    if (left_.fetch_sub(static_cast<long long>(count)) <= static_cast<long long>(count)) {
      left_.store(-1);
      tcp_.CloseConnections();
    }
  }

 private:
  velmora::vprinter::VirtualTcpPrinter &tcp_;
  std::atomic<long long> left_{-1};
};

TEST_F(PrintImageTest, PrinterGoingAwayMidJob) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  auto hang_up = std::make_shared<HangUp>(printer.tcp);
  printer.tcp.printer().AddBehaviour(hang_up);
  const auto connector = std::make_shared<VLPrinterConnector>();
  ConnectAndWaitForResolution(connector, printer.tcp.address());
  StatusLog log(*connector);
  hang_up->Arm(4096);
  // The picture is far larger than the socket buffers, so the write itself meets the hang-up.
  const auto result = VLPrintCommon::printImage(connector, Picture(2000, 2000), 2, 0, 0, 0, 0, -1,
                                                false, 0, 1, 5000);
  EXPECT_FALSE(result->printResult);
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_EQ(log.Seen(), (std::vector<Status>{Status::Disconnecting, Status::Disconnected}));
  EXPECT_EQ(connector->getCurrentPrinterHandle(), 0);
  // A printer that is gone gets a job that fails at once.
  EXPECT_FALSE(
      VLPrintCommon::printImage(connector, Picture(8, 8), 2, 0, 0, 0, 0, -1, false, 0, 0, 5000)
          ->printResult);
}

}  // namespace
