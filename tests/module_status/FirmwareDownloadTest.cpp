// Firmware download: the image checks, the stream, its pieces, the progress closure and the
// lines on standard output.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
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
};

Download RunDownload(Int handle, const Bytes &image) {
  Download d;
  testing::internal::CaptureStdout();
  d.result = velmora::VP_Settings_DownloadFirmware(
      handle, image, [&](Int total, Int sent) { d.progress.emplace_back(total, sent); });
  d.output = testing::internal::GetCapturedStdout();
  return d;
}

class FirmwareDownload : public PortTest {
 protected:
  void TearDown() override {
    for (Int h : memory_) velmora::VP_Port_Close(h);
    PortTest::TearDown();
  }
  Int Memory(Int capacity) {
    const Int h = velmora::VP_Port_OpenMemoryBuffer(capacity);
    memory_.push_back(h);
    return h;
  }
  std::vector<Int> memory_;
};

TEST_F(FirmwareDownload, ImagesThatFailTheirChecksSendNothing) {
  const Int h = Memory(10000);
  Download d = RunDownload(h, Image(7, 0));
  EXPECT_FALSE(d.result);
  EXPECT_EQ(d.output, "Firmware Size: 7\nFirmware Invalid\n");
  d = RunDownload(h, Image(20, 21));
  EXPECT_FALSE(d.result);
  EXPECT_EQ(d.output, "Firmware Size: 20\nFirmware Checksum: 21\nFirmware Checksum Error\n");
  EXPECT_TRUE(d.progress.empty());
  EXPECT_TRUE(velmora::VP_Port_GetMemoryBufferData(h).empty());
}

TEST_F(FirmwareDownload, EightByteImageIsOnePiece) {
  const Int h = Memory(10000);
  const Bytes image = Image(8, 8);
  const Download d = RunDownload(h, image);
  EXPECT_TRUE(d.result);
  EXPECT_EQ(d.output,
            "Firmware Size: 8\nFirmware Checksum: 8\nCmd Length: 14\n100.00%\n"
            "Firmware Download Success\n");
  EXPECT_EQ(d.progress, (Progress{{14, 14}}));
  Bytes expected = {0x1F, 0x75, 0x00, 0x00, 0x00, 0x08};
  expected.insert(expected.end(), image.begin(), image.end());
  EXPECT_EQ(velmora::VP_Port_GetMemoryBufferData(h), expected);

  // A progress closure that throws stops neither the download nor its caller.
  testing::internal::CaptureStdout();
  EXPECT_TRUE(velmora::VP_Settings_DownloadFirmware(Memory(10000), Image(3000, 3000),
                                                    [](Int, Int) { throw 1; }));
  testing::internal::GetCapturedStdout();
}

TEST_F(FirmwareDownload, LargeImageGoesIn1200BytePiecesToThePrinter) {
  StatusPrinter printer;
  ASSERT_TRUE(printer.Open(0));
  const Int h = reinterpret_cast<Int>(printer.handle());
  const Bytes image = Image(3000, 3000);
  const Download d = RunDownload(h, image);
  EXPECT_TRUE(d.result);
  EXPECT_EQ(d.output,
            "Firmware Size: 3000\nFirmware Checksum: 3000\nCmd Length: 3006\n39.92%\n79.84%\n"
            "100.00%\nFirmware Download Success\n");
  EXPECT_EQ(d.progress, (Progress{{3006, 1200}, {3006, 2400}, {3006, 3006}}));
  ASSERT_TRUE(WaitUntil([&] { return printer.device->FirmwareImages().size() == 1; }));
  EXPECT_EQ(printer.device->FirmwareImages()[0], image);
}

TEST_F(FirmwareDownload, APieceNotTakenWholeEndsTheTransfer) {
  // Room for the first piece only: the second write is refused whole.
  const Int h = Memory(2000);
  const Download d = RunDownload(h, Image(3000, 3000));
  EXPECT_FALSE(d.result);
  EXPECT_EQ(d.output,
            "Firmware Size: 3000\nFirmware Checksum: 3000\nCmd Length: 3006\n39.92%\n"
            "Firmware Download Failed\n");
  EXPECT_EQ(d.progress, (Progress{{3006, 1200}}));
  EXPECT_EQ(velmora::VP_Port_GetMemoryBufferData(h).size(), 1200u);

  // Handle 0 is not tested first: the first write fails after the three check lines.
  const Download zero = RunDownload(0, Image(8, 8));
  EXPECT_FALSE(zero.result);
  EXPECT_EQ(zero.output,
            "Firmware Size: 8\nFirmware Checksum: 8\nCmd Length: 14\nFirmware Download Failed\n");
}

}  // namespace
}  // namespace velmora::test
