// Firmware download: the image checks, the stream, its pieces, the progress closure and the
// lines on standard output.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/MemoryPort.h"
#include "support/PortTest.h"
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
