#include <gtest/gtest.h>

#include "ImageFixtures.h"
#include "RasterDecoder.h"
#include "nzcommon/imgprocess/RasterFraming.h"

namespace velmora::test {
namespace {

using namespace velmora::imgprocess;
using vprinter::DecodeRasterCommands;

std::vector<uint8_t> Slice(const Bytes &bytes, size_t from, size_t count) {
  return {bytes.begin() + from, bytes.begin() + from + count};
}

TEST(RasterFraming, GsV0SplitsIntoBandsOf24Lines) {
  const MonoBitmap picture = BlackWhitePattern(20, 50, 1);  // 3 bytes a row
  auto band = [&](size_t first_line, uint8_t lines) {
    return Join({{0x1D, 0x76, 0x30, 0x00, 3, 0, lines, 0},
                 Slice(picture.bits, first_line * 3, lines * 3u)});
  };
  EXPECT_EQ(FrameReceiptRaster(picture, 0), Join({band(0, 24), band(24, 24), band(48, 2)}));
}

TEST(RasterFraming, PackBitsRoundTripsAndCompressesRuns) {
  // The classic example: literals, a run, literals, a long run.
  const std::vector<uint8_t> row = {0xAA, 0xAA, 0xAA, 0x80, 0x00, 0x2A, 0xAA, 0xAA,
                                    0xAA, 0xAA, 0x80, 0x00, 0x2A, 0x22, 0xAA, 0xAA,
                                    0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  Bytes code;
  AppendPackBits(code, row.data(), static_cast<int>(row.size()));
  EXPECT_EQ(code, (Bytes{0xFE, 0xAA, 0x02, 0x80, 0x00, 0x2A, 0xFD, 0xAA, 0x03, 0x80, 0x00, 0x2A,
                         0x22, 0xF7, 0xAA}));
  std::vector<uint8_t> back;
  ASSERT_TRUE(vprinter::DecodePackBits(code.data(), code.size(), row.size(), back));
  EXPECT_EQ(back, row);

  // Runs and literal stretches longer than one control byte can say.
  std::vector<uint8_t> long_row(300, 0);
  for (int i = 0; i < 140; ++i) long_row[160 + i] = static_cast<uint8_t>(i * 7 + 1);
  code.clear();
  AppendPackBits(code, long_row.data(), 300);
  ASSERT_TRUE(vprinter::DecodePackBits(code.data(), code.size(), 300, back));
  EXPECT_EQ(back, long_row);
  EXPECT_LT(code.size(), 300u - 140);
}

TEST(RasterFraming, RunLengthWritesOneCommandPerLine) {
  const MonoBitmap picture = BlackWhitePattern(130, 40, 2);
  const auto bytes = FrameReceiptRaster(picture, 1);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(Slice(*bytes, 0, 3), (std::vector<uint8_t>{0x1F, 0x28, 0x50}));
  const size_t p = (*bytes)[3] | ((*bytes)[4] << 8);
  EXPECT_EQ(Slice(*bytes, 5, 2), (std::vector<uint8_t>{17, 0}));
  EXPECT_EQ(Slice(*bytes, 5 + p, 3), (std::vector<uint8_t>{0x1F, 0x28, 0x50}));

  const auto decoded = DecodeRasterCommands(*bytes);
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.pieces.size(), 40u);
  EXPECT_EQ(vprinter::StackReceiptPieces(decoded).bits, picture.bits);
}

TEST(RasterFraming, JbigBandsOf255LinesDecodeBack) {
  const MonoBitmap picture = BlackWhitePattern(100, 600, 3);
  const auto bytes = FrameReceiptRaster(picture, 2);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(Slice(*bytes, 0, 7), (std::vector<uint8_t>{0x1F, 0x28, 0x4A, 13, 0, 255, 0}));
  const auto decoded = DecodeRasterCommands(*bytes);
  ASSERT_EQ(decoded.error, "");
  ASSERT_EQ(decoded.pieces.size(), 3u);
  EXPECT_EQ(decoded.pieces[2].bitmap.height, 90);
  EXPECT_EQ(vprinter::StackReceiptPieces(decoded).bits, picture.bits);
  EXPECT_LT(bytes->size(), picture.bits.size());
}

TEST(RasterFraming, PageRasterStoresAndPrintsGraphics) {
  const MonoBitmap picture = BlackWhitePattern(12, 3, 5);  // 2 bytes a row
  const Bytes store = {0x1D, 0x38, 0x4C, 16, 0, 0, 0, 0x30, 0x70, 0x30, 1, 1, 0x31, 12, 0, 3, 0};
  const Bytes print = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x32};
  EXPECT_EQ(FramePageRaster(picture), Join({store, picture.bits, print}));
}

TEST(RasterFraming, LabelRasterIsFramedExactly) {
  const MonoBitmap picture = BlackWhitePattern(10, 4, 6);  // 2 bytes a row
  // The low 16 bits of x and y.
  const Bytes head = {0x1A, 0x21, 0x01, 0x70, 0x11, 0xFF, 0xFF, 16, 0, 4, 0, 0, 0};
  EXPECT_EQ(FrameLabelRaster(70000, -1, picture, 0), Join({head, picture.bits}));

  const auto jbig = FrameLabelRaster(5, 6, picture, 2);
  ASSERT_TRUE(jbig);
  EXPECT_EQ(Slice(*jbig, 0, 11), (Bytes{0x1A, 0x21, 0xFF, 5, 0, 6, 0, 16, 0, 4, 0}));
  const uint32_t n = (*jbig)[11] | ((*jbig)[12] << 8) | ((*jbig)[13] << 16) | ((*jbig)[14] << 24);
  EXPECT_EQ(n, jbig->size() - 15);
}

TEST(RasterFraming, UnknownCompressionAndOverwideLabelsAreRefused) {
  const MonoBitmap picture = BlackWhitePattern(8, 2, 7);
  EXPECT_FALSE(FrameReceiptRaster(picture, 3));
  EXPECT_FALSE(FrameReceiptRaster(picture, -1));
  EXPECT_FALSE(FrameLabelRaster(0, 0, picture, 1));
  EXPECT_FALSE(FrameLabelRaster(0, 0, picture, 3));
  EXPECT_FALSE(FrameLabelRaster(0, 0, MonoBitmap(65530, 1), 0));  // 8191 bytes = 65528 dots fits
  EXPECT_TRUE(FrameLabelRaster(0, 0, MonoBitmap(65528, 1), 0));
}

TEST(RasterFraming, DecoderReportsTruncatedAndMalformedCommands) {
  const MonoBitmap picture = BlackWhitePattern(16, 30, 8);
  for (int compression = 0; compression <= 2; ++compression) {
    const auto bytes = *FrameReceiptRaster(picture, compression);
    EXPECT_NE(DecodeRasterCommands(bytes.data(), bytes.size() - 1).error, "") << compression;
  }
  auto jbig = *FrameReceiptRaster(picture, 2);
  jbig[20] ^= 0xFF;  // inside the T.85 header: the image size no longer matches
  EXPECT_NE(DecodeRasterCommands(jbig).error, "");
  const Bytes bad_packbits = {0x1F, 0x28, 0x50, 4, 0, 2, 0, 0x05, 0xAA};
  EXPECT_NE(DecodeRasterCommands(bad_packbits).error, "");
}

}  // namespace
}  // namespace velmora::test
