#include <gtest/gtest.h>

#include "ImageFixtures.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/JpegGuard.h"

namespace velmora::test {
namespace {

using namespace velmora::imgprocess;

std::vector<uint8_t> SampleJpeg() {
  std::vector<uint8_t> rgb(32 * 16 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37);
  return vprinter::EncodeJpeg(32, 16, 3, rgb.data());
}

size_t FirstHuffmanTable(const std::vector<uint8_t> &jpeg) {
  for (size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4) return i;
  }
  return 0;
}

TEST(JpegGuard, OrdinaryJpegDecodes) {
  const auto jpeg = SampleJpeg();
  ASSERT_GT(FirstHuffmanTable(jpeg), 0u);
  EXPECT_TRUE(JpegHuffmanTablesFit(jpeg.data(), jpeg.size()));
  const auto grey = DecodeToGrey(jpeg.data(), jpeg.size());
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->width, 32);
}

TEST(JpegGuard, HuffmanTableWithTooManyCodesIsRefusedBeforeTheDecoderSeesIt) {
  // Counts that add up past 256 codes would make the decoder write past its table.
  auto jpeg = SampleJpeg();
  const size_t dht = FirstHuffmanTable(jpeg);
  for (size_t i = dht + 5; i < dht + 5 + 16; ++i) jpeg[i] = 17;
  EXPECT_FALSE(JpegHuffmanTablesFit(jpeg.data(), jpeg.size()));
  EXPECT_FALSE(ReadImageSize(jpeg.data(), jpeg.size()));
  EXPECT_FALSE(DecodeToGrey(jpeg.data(), jpeg.size()));

  // Leading fill bytes do not hide the JPEG from the check.
  std::vector<uint8_t> filled;
  for (int i = 0; i < 5; ++i) filled.push_back(0xFF);
  for (uint8_t byte : jpeg) filled.push_back(byte);
  EXPECT_FALSE(JpegHuffmanTablesFit(filled.data(), filled.size()));

  // Nor does a segment length too short for its tables: the decoder reads on past it.
  auto short_segment = SampleJpeg();
  const size_t at = FirstHuffmanTable(short_segment);
  short_segment[at + 2] = 0;
  short_segment[at + 3] = 3;  // one byte of body
  short_segment[at + 5] = 255;
  short_segment[at + 6] = 255;
  EXPECT_FALSE(JpegHuffmanTablesFit(short_segment.data(), short_segment.size()));
}

TEST(JpegGuard, OtherFormatsAreLeftAlone) {
  // A PNG whose compressed data happens to hold FF C4 and large bytes is no JPEG.
  const std::vector<uint8_t> bytes = {0x89, 'P',  'N',  'G',  0xFF, 0xC4, 0x00, 0x40,
                                      0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_TRUE(JpegHuffmanTablesFit(bytes.data(), bytes.size()));
}

}  // namespace
}  // namespace velmora::test
