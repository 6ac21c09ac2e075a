// The image functions: what they write decodes back to the picture, in its place, and reaches the
// paper; bad input writes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PaperRenderer.h"
#include "RasterDecoder.h"
#include "VirtualTcpPrinter.h"
#include "imaging/ImageFixtures.h"
#include "support/MemoryPort.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/image.hpp"
#include "velmora/log.hpp"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using vprinter::DecodeRasterCommands;

using Kind = vprinter::RasterPiece::Kind;

constexpr auto kDither = VP_ImageBinarizationMethod_Dithering;
constexpr auto kDiffusion = VP_ImageBinarizationMethod_ErrorDiffusion;
constexpr auto kThreshold = VP_ImageBinarizationMethod_Thresholding;
constexpr auto kRgba = VP_ImagePixelsFormat_BYTEORDERED_RGBA32;
constexpr auto kNone = VP_ImageCompressionMethod_None;
constexpr auto kLevel1 = VP_ImageCompressionMethod_Level1;
constexpr auto kLevel2 = VP_ImageCompressionMethod_Level2;

class ImagePrint : public PortTest {
 protected:
  void TearDown() override {
    std::remove(path.c_str());
    PortTest::TearDown();
  }
  const MonoBitmap picture = BlackWhitePattern(203, 61, 21);  // 26 bytes a row
  const std::vector<uint8_t> png = ToPng(picture), rgba = ToPixels(picture, 4);
  const std::string path = WriteTempFile("print.png", png);
  MemoryPort port;
};

// Each source, compression and kind of picture once; scaled pictures take the size given, the
// other side following the aspect ratio, and are placed by that size.
TEST_F(ImagePrint, PicturesDecodeBackInTheirPlace) {
  void *h = port.handle();
  const unsigned n = static_cast<unsigned>(png.size()), len = static_cast<unsigned>(rgba.size());
  const char *file = path.c_str();
  ASSERT_EQ(::VP_Page_SetPageArea(h, 0, 0, 576, 400), 1);
  ASSERT_EQ(::VP_Page_SetPageDrawDirection(h, static_cast<VP_Page_DrawDirection>(0)), 1);
  port.Clear();
  const struct {
    std::function<int()> call;
    Kind kind;
    int x = 0, y = 0, stride = 26, height = 61;
  } cases[] = {
      {[&] { return ::VP_Pos_PrintRasterImageFromFile(h, 0, 0, file, kDiffusion, kNone); },
       Kind::kGsV0},
      {[&] {
         return ::VP_Pos_PrintRasterImageFromData(h, -1, -1, png.data(), n, kDither, kLevel1);
       },
       Kind::kRunLength},
      {[&] {
         return ::VP_Pos_PrintRasterImageFromPixels(h, rgba.data(), len, 203, 61, 812, kRgba,
                                                    kThreshold, kLevel2);
       },
       Kind::kJbigBand},
      // Width 100: height 100 * 61 / 203 = 30, in bands of 24 and 6.
      {[&] { return ::VP_Pos_PrintRasterImageFromData(h, 100, 0, png.data(), n, kDither, kNone); },
       Kind::kGsV0, 0, 0, 13, 30},
      // Centred across, (576 - 203) / 2; at the end downward, 400 - 61.
      {[&] {
         return ::VP_Page_DrawRasterImageFromData(h, -2, -3, 0, 0, png.data(), n, kDiffusion);
       },
       Kind::kPage, 186, 339},
      {[&] { return ::VP_Page_DrawRasterImageFromFile(h, -3, -1, 240, 0, file, kDither); },
       Kind::kPage, 576 - 240, 0, 30, 72},
      {[&] { return ::VP_Label_DrawImageFromFile(h, 5, 6, 0, 0, file, kDiffusion, kLevel2); },
       Kind::kLabelJbig, 5, 6},
      // Height 20: width 20 * 203 / 61 = 66, in rows of 9 bytes.
      {[&] { return ::VP_Label_DrawImageFromData(h, 7, 8, 0, 20, png.data(), n, kDither, kNone); },
       Kind::kLabel, 7, 8, 9, 20},
      {[&] {
         return ::VP_Label_DrawImageFromPixels(h, 12, 34, rgba.data(), len, 203, 61, 812, kRgba,
                                               kDither, kNone);
       },
       Kind::kLabel, 12, 34},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_EQ(c.call(), 1);
    const auto decoded = DecodeRasterCommands(port.Bytes());
    port.Clear();
    ASSERT_EQ(decoded.error, "");
    ASSERT_FALSE(decoded.pieces.empty());
    for (const auto &piece : decoded.pieces) EXPECT_EQ(piece.kind, c.kind);
    const bool receipt = c.kind < Kind::kPage;  // the receipt kinds come first
    if (!receipt) {
      ASSERT_EQ(decoded.pieces.size(), 1u);
      EXPECT_EQ(decoded.pieces[0].x, c.x);
      EXPECT_EQ(decoded.pieces[0].y, c.y);
    }
    const vprinter::Bitmap got =
        receipt ? vprinter::StackReceiptPieces(decoded) : decoded.pieces[0].bitmap;
    EXPECT_EQ(got.stride, c.stride);
    EXPECT_EQ(got.height, c.height);
    if (c.height == picture.height) {
      EXPECT_EQ(got.bits, picture.bits);
    }
  }
}

TEST_F(ImagePrint, BadInputReturnsZeroAndWritesNothing) {
  void *h = port.handle();
  const unsigned size = static_cast<unsigned>(png.size()), len = 203 * 61 * 4;
  const auto oversize = OneBitBmp(6000, 6000);
  const std::vector<uint8_t> noise(300, 0x42);
  const struct {
    const char *what;
    int result;
  } cases[] = {
      {"missing file",
       ::VP_Pos_PrintRasterImageFromFile(h, 0, 0, "/nonexistent/x.png", kDither, kNone)},
      {"null path", ::VP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, nullptr, kDither)},
      {"null data", ::VP_Pos_PrintRasterImageFromData(h, 0, 0, nullptr, size, kDither, kNone)},
      {"undecodable",
       ::VP_Pos_PrintRasterImageFromData(h, 0, 0, noise.data(), 300, kDither, kNone)},
      {"cut short",
       ::VP_Page_DrawRasterImageFromData(h, 0, 0, 0, 0, png.data(), size / 2, kDither)},
      {"method 3",
       ::VP_Pos_PrintRasterImageFromData(h, 0, 0, png.data(), size,
                                         static_cast<VP_ImageBinarizationMethod>(3), kNone)},
      {"compression 3",
       ::VP_Pos_PrintRasterImageFromData(h, 0, 0, png.data(), size, kDither,
                                         static_cast<VP_ImageCompressionMethod>(3))},
      {"label compression 1",
       ::VP_Label_DrawImageFromData(h, 0, 0, 0, 0, png.data(), size, kDither, kLevel1)},
      {"derived height 0",
       ::VP_Pos_PrintRasterImageFromData(h, 3, 0, png.data(), size, kDither, kNone)},
      {"too wide",
       ::VP_Pos_PrintRasterImageFromData(h, 70000, 10, png.data(), size, kDither, kNone)},
      {"oversize header",
       ::VP_Label_DrawImageFromData(h, 0, 0, 0, 0, oversize.data(),
                                    static_cast<unsigned>(oversize.size()), kDither, kNone)},
      {"format 0",
       ::VP_Pos_PrintRasterImageFromPixels(h, rgba.data(), len, 203, 61, 812,
                                           static_cast<VP_ImagePixelsFormat>(0), kDither, kNone)},
      {"format 10",
       ::VP_Page_DrawRasterImageFromPixels(h, 0, 0, rgba.data(), len, 203, 61, 812,
                                           static_cast<VP_ImagePixelsFormat>(10), kDither)},
      {"width 0",
       ::VP_Page_DrawRasterImageFromPixels(h, 0, 0, rgba.data(), len, 0, 61, 812, kRgba, kDither)},
      {"buffer too short", ::VP_Label_DrawImageFromPixels(h, 0, 0, rgba.data(), len - 1, 203, 61,
                                                          812, kRgba, kDither, kNone)},
      {"stride below a row", ::VP_Pos_PrintRasterImageFromPixels(h, rgba.data(), len, 203, 61, 811,
                                                                 kRgba, kDither, kNone)},
      {"QR level 0", ::VP_Pos_PrintQRCodeUseImageCmd(h, 4, 0, static_cast<VP_QRCodeECC>(0), "x")},
      {"null handle",
       ::VP_Pos_PrintRasterImageFromData(nullptr, 0, 0, png.data(), size, kDither, kNone)},
      {"dead handle",
       ::VP_Page_DrawRasterImageFromData(&port, 0, 0, 0, 0, png.data(), size, kDither)},
  };
  for (const auto &c : cases) EXPECT_EQ(c.result, 0) << c.what;
  EXPECT_TRUE(port.Bytes().empty());
}

// A FIFO without a writer would block whoever opens it for reading, and a pipe is no file to
// read a picture from: each is refused at once, with a log line that says why.
TEST_F(ImagePrint, OnlyRegularFilesAreRead) {
  const std::string fifo = TempPath("fifo.png");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  ASSERT_EQ(write(pipe_ends[1], png.data(), png.size()), static_cast<ssize_t>(png.size()));
  const std::string piped = "/dev/fd/" + std::to_string(pipe_ends[0]);
  std::vector<std::string> lines;
  std::mutex mutex;
  platform::setLogSink([&](const std::string &line) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(line);
  });
  void *h = port.handle();
  auto refused = std::async(std::launch::async, [&] {
    int accepted = 0;
    for (const std::string &path : {fifo, piped}) {
      const char *file = path.c_str();
      accepted += (platform::Image::fromFile(path) != nullptr) +
                  ::VP_Pos_PrintRasterImageFromFile(h, 0, 0, file, kDither, kNone) +
                  ::VP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, file, kDither) +
                  ::VP_Label_DrawImageFromFile(h, 0, 0, 0, 0, file, kDither, kNone);
    }
    return accepted;
  });
  // A reader blocked on the FIFO is let go by a writer that comes and goes.
  bool blocked = false;
  while (refused.wait_for(std::chrono::milliseconds(ScaledMs(3000))) != std::future_status::ready) {
    blocked = true;
    close(open(fifo.c_str(), O_WRONLY));
  }
  platform::setLogSink(nullptr);
  EXPECT_FALSE(blocked);
  EXPECT_EQ(refused.get(), 0);
  EXPECT_TRUE(port.Bytes().empty());
  ASSERT_EQ(lines.size(), 8u);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], (i < 4 ? fifo : piped) + ": a FIFO or pipe, not a regular file");
  }
  close(pipe_ends[0]);
  close(pipe_ends[1]);
  std::remove(fifo.c_str());
}

// Through the module interface to the virtual printer over loopback TCP: the printer decodes what
// arrived and lays it out on paper, written as a PNG to look at.
TEST_F(ImagePrint, ReceiptPageAndLabelPicturesReachThePaper) {
  vprinter::VirtualTcpPrinter printer;
  ASSERT_TRUE(printer.Start());
  const Int h = velmora::VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 3000, 0);
  ASSERT_NE(h, 0);
  const Int n = static_cast<Int>(png.size());

  EXPECT_TRUE(velmora::VP_Pos_PrintRasterImageFromFile(h, 0, 0, path, kDither, kLevel1));
  const std::string qr_text = "VELMORA-QR-0001";
  EXPECT_EQ(::VP_Pos_PrintQRCodeUseImageCmd(reinterpret_cast<void *>(h), 3, 0, VP_QRCodeECC_M,
                                            qr_text.c_str()),
            1);
  EXPECT_TRUE(velmora::VP_Page_SelectPageModeEx(h, 0, 0, 0, 0, 400, 200));
  EXPECT_TRUE(velmora::VP_Page_DrawRasterImageFromData(h, -3, -3, 240, 0, png, n, kDither));
  EXPECT_TRUE(velmora::VP_Page_PrintPage(h));
  EXPECT_TRUE(velmora::VP_Label_PageBegin(h, 0, 0, 400, 240, VP_Label_Rotation_0));
  EXPECT_TRUE(velmora::VP_Label_DrawImageFromData(h, 200, 8, 0, 0, png, n, kDither, kLevel2));
  EXPECT_TRUE(velmora::VP_Label_PagePrint(h, 1));
  // A sentinel that marks the end of everything sent.
  EXPECT_EQ(velmora::VP_Port_Write(h, {0x1B, 0x40}, 2, 1000), 2);
  ASSERT_TRUE(printer.printer().WaitUntil(
      [](const vprinter::Bytes &b) {
        return b.size() >= 2 && b[b.size() - 2] == 0x1B && b.back() == 0x40;
      },
      ScaledMs(10000)));
  EXPECT_TRUE(velmora::VP_Port_Close(h));

  const auto received = printer.printer().Received();
  const auto decoded = vprinter::DecodeRasterCommands(received);
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.sheets, 2);
  // The page picture was scaled to 240 x 72 and placed at the end of both axes.
  ASSERT_GE(decoded.pieces.size(), 2u);
  const auto &page = decoded.pieces[decoded.pieces.size() - 2];
  EXPECT_EQ(page.kind, Kind::kPage);
  EXPECT_EQ(page.x, 400 - 240);
  EXPECT_EQ(page.y, 200 - 72);
  EXPECT_EQ(decoded.pieces.back().bitmap.bits, picture.bits);

  // The whole paper, for a person to look at; its QR symbol scans.
  const std::string paper = TempPath("paper.png");
  ASSERT_TRUE(vprinter::RenderReceivedToPng(received, paper));
  EXPECT_EQ(ScanQr(paper), qr_text);
  if (const char *keep = std::getenv("VELMORA_KEEP_PAPER")) {
    std::rename(paper.c_str(), keep);
  } else {
    std::remove(paper.c_str());
  }
}

}  // namespace
}  // namespace velmora::test
