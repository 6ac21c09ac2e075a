// What the image print job and the platform image take: transparent parts print white, a speed
// the command cannot carry is refused rather than sent cut to 16 bits, and no image is made that
// no job could print.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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
using velmora::platform::Image;
using Bytes = std::vector<std::uint8_t>;

// 8 x 2 RGBA: a black row over a row of black made fully transparent.
std::shared_ptr<Image> BlackOverTransparent() {
  Bytes rgba(8 * 2 * 4, 0);
  for (int x = 0; x < 8; ++x) rgba[x * 4 + 3] = 255;
  return Image::fromPixels(rgba, 8, 2, Image::PixelFormat::RGBA);
}

class ImageJobLimits : public velmora::test::PortTest {
 protected:
  std::shared_ptr<VLPrinterConnector> Connect() {
    EXPECT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
    auto connector = std::make_shared<VLPrinterConnector>();
    EXPECT_TRUE(connector->connectPrinterSync(velmora::test::TcpDevice(printer.tcp.address())));
    // The printer reports once it has the connector's switch to automatic reports: nothing of
    // the connect is still on its way when a test counts what the printer received.
    EXPECT_TRUE(velmora::test::WaitUntil([&] {
      const auto resolution = VLPrintCommon::getPrinterResolution(connector);
      return resolution != nullptr && resolution->getDotsPerMM() > 0;
    }));
    return connector;
  }
  std::size_t ReceivedSize() { return printer.tcp.printer().Received().size(); }
  // What the printer received after its first `before` bytes, once a sentinel written after the
  // job has arrived (the sentinel left out).
  Bytes ReceivedSince(const std::shared_ptr<VLPrinterConnector> &connector, std::size_t before) {
    const Bytes sentinel = {0x1B, 0x40};
    EXPECT_EQ(VLPrintCommon::writeBuffer(connector, sentinel), static_cast<Int>(sentinel.size()));
    Bytes received;
    EXPECT_TRUE(printer.tcp.printer().WaitUntil(
        [&](const Bytes &r) {
          received = r;
          return r.size() >= before + sentinel.size() &&
                 std::equal(sentinel.rbegin(), sentinel.rend(), r.rbegin());
        },
        velmora::test::ScaledMs(5000)));
    if (received.size() < before + sentinel.size()) return {};
    return Bytes(received.begin() + static_cast<std::ptrdiff_t>(before),
                 received.end() - static_cast<std::ptrdiff_t>(sentinel.size()));
  }
  velmora::test::StatusPrinter printer;
};

TEST_F(ImageJobLimits, TransparentPartsOfThePicturePrintWhite) {
  const auto connector = Connect();
  const std::size_t before = ReceivedSize();
  const auto result = VLPrintCommon::printImage(connector, BlackOverTransparent(), 2, 0, 0, 0, 0,
                                                -1, false, 0, 0, 0);
  EXPECT_TRUE(result->printResult);
  // The job ends with its picture: GS v 0, one byte a row, two rows; black over white.
  const Bytes raster = {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x02, 0x00, 0xFF, 0x00};
  const Bytes received = ReceivedSince(connector, before);
  ASSERT_GE(received.size(), raster.size());
  EXPECT_TRUE(std::equal(raster.rbegin(), raster.rend(), received.rbegin()));
}

// The speed command carries 16 bits: a larger speed is refused with the job, so the record never
// names a speed the printer did not get. Each row: asked, then what the record says
// (speed, bytes) and whether the printer got the job.
TEST_F(ImageJobLimits, ASpeedBeyondSixteenBitsIsRefusedWithTheJob) {
  const auto connector = Connect();
  Bytes pixels(16, 0);
  std::fill(pixels.begin() + 8, pixels.end(), 255);
  const auto picture = Image::fromPixels(pixels, 8, 2, Image::PixelFormat::Gray);
  const struct {
    Int asked;
    bool sent;
    Bytes prefix;
  } cases[] = {{65535, true, {0x1F, 0x28, 0x73, 0x02, 0x00, 0xFF, 0xFF}},
               {65536, false, {}},
               {70000, false, {}},
               {Int{1} << 40, false, {}}};
  for (const auto &c : cases) {
    const std::size_t before = ReceivedSize();
    const auto result =
        VLPrintCommon::printImage(connector, picture, 2, 0, 0, 0, c.asked, -1, false, 0, 0, 0);
    const Bytes job = ReceivedSince(connector, before);
    EXPECT_EQ(result->printResult, c.sent) << c.asked;
    EXPECT_EQ(result->settedPrintSpeed, c.sent ? c.asked : 0) << c.asked;
    EXPECT_EQ(result->writeDataSize, static_cast<Int>(job.size())) << c.asked;
    EXPECT_EQ(job.empty(), !c.sent) << c.asked;
    EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), job.begin())) << c.asked;
  }
}

// The platform image takes the sizes the decoder takes: at most 65535 a side, 2^25 pixels.
TEST(PlatformImageLimits, FromPixelsTakesTheDecodersSizes) {
  const struct {
    int width, height;
    bool made;
  } cases[] = {{65535, 1, true},
               {70000, 1, false},
               {1, 65536, false},
               {8192, 4096, true},
               {8192, 4097, false}};
  for (const auto &c : cases) {
    const Bytes grey(static_cast<std::size_t>(c.width) * c.height, 255);
    EXPECT_EQ(Image::fromPixels(grey, c.width, c.height, Image::PixelFormat::Gray) != nullptr,
              c.made)
        << c.width << " x " << c.height;
  }
}

}  // namespace
