#include <gtest/gtest.h>

#include <algorithm>

#include "ImageFixtures.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/JpegGuard.h"
#include "velmora/image.hpp"

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

TEST(JpegGuard, HuffmanTableWithTooManyCodesIsRefusedBeforeTheDecoderSeesIt) {
  auto jpeg = SampleJpeg();
  const size_t dht = FirstHuffmanTable(jpeg);
  ASSERT_GT(dht, 0u);
  EXPECT_TRUE(JpegHuffmanTablesFit(jpeg.data(), jpeg.size()));
  ASSERT_TRUE(DecodeToGrey(jpeg.data(), jpeg.size()));
  // Counts that add up past 256 codes would make the decoder write past its table.
  for (size_t i = dht + 5; i < dht + 5 + 16; ++i) jpeg[i] = 17;
  EXPECT_FALSE(JpegHuffmanTablesFit(jpeg.data(), jpeg.size()));
  EXPECT_FALSE(ReadImageSize(jpeg.data(), jpeg.size()));
  EXPECT_FALSE(DecodeToGrey(jpeg.data(), jpeg.size()));
  EXPECT_EQ(platform::Image::fromData(jpeg), nullptr);

  // Leading fill bytes do not hide the JPEG from the check.
  std::vector<uint8_t> filled = jpeg;
  filled.insert(filled.begin(), 5, 0xFF);
  EXPECT_FALSE(JpegHuffmanTablesFit(filled.data(), filled.size()));

  // Nor does a segment length too short for its tables: the decoder reads on past it.
  auto short_segment = SampleJpeg();
  short_segment[dht + 2] = 0;
  short_segment[dht + 3] = 3;  // one byte of body
  short_segment[dht + 5] = 255;
  short_segment[dht + 6] = 255;
  EXPECT_FALSE(JpegHuffmanTablesFit(short_segment.data(), short_segment.size()));

  // A PNG whose compressed data happens to hold FF C4 and large bytes is no JPEG.
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0xFF, 0xC4, 0x00, 0x40, 0x00};
  png.resize(24, 0xFF);
  EXPECT_TRUE(JpegHuffmanTablesFit(png.data(), png.size()));
}

// Tiny grey JPEGs built segment by segment: every table holds one code, "0", so a baseline block
// is two 0 bits (DC difference 0, end of block) and a progressive block one bit per scan.
using Bytes = std::vector<uint8_t>;

Bytes Segment(uint8_t marker, const Bytes &body) {
  // Sized once and filled in place: GCC 12 at -O3 misreads an insert after a 4-byte list as
  // writing past it (-Warray-bounds).
  Bytes segment(body.size() + 4);
  segment[0] = 0xFF;
  segment[1] = marker;
  segment[2] = static_cast<uint8_t>((body.size() + 2) >> 8);
  segment[3] = static_cast<uint8_t>(body.size() + 2);
  std::copy(body.begin(), body.end(), segment.begin() + 4);
  return segment;
}

const Bytes kStart = {0xFF, 0xD8};
const Bytes kEnd = {0xFF, 0xD9};
const Bytes kQuant = Segment(0xDB, Join({{0x00}, Bytes(64, 1)}));
const Bytes kDcTable = Segment(0xC4, Join({{0x00, 1}, Bytes(15, 0), {0x00}}));
const Bytes kAcTable = Segment(0xC4, Join({{0x10, 1}, Bytes(15, 0), {0x00}}));

// 16 x 8 pixels (two blocks) in `components` components (ids 1, 2, 3), each one block wide.
Bytes Frame(uint8_t kind, int components = 1) {
  Bytes body = {8, 0, 8, 0, 16, static_cast<uint8_t>(components)};
  for (int id = 1; id <= components; ++id) body.insert(body.end(), {uint8_t(id), 0x11, 0});
  return Segment(kind, body);
}
Bytes Scan(Bytes ids, uint8_t first, uint8_t last, uint8_t approximation = 0) {
  Bytes body = {static_cast<uint8_t>(ids.size())};
  for (uint8_t id : ids) body.insert(body.end(), {id, 0x00});
  body.insert(body.end(), {first, last, approximation});
  return Segment(0xDA, body);
}
Bytes RestartEvery(uint8_t blocks) {
  return Segment(0xDD, {0, blocks});
}
const Bytes kBaseline = Frame(0xC0);
const Bytes kProgressive = Frame(0xC2);
const Bytes kTwoBlocks = {0x0F};  // 2 x 2 zero bits, padded with ones
const Bytes kOneBlock = {0x3F};
const Bytes kRestart0 = {0xFF, 0xD0};
const Bytes kTables = Join({kQuant, kDcTable, kAcTable});

// A whole picture: start of image, the parts, end of image.
Bytes Jpeg(std::initializer_list<Bytes> parts) {
  return Join({kStart, Join(parts), kEnd});
}

TEST(JpegGuard, ScansThatReadUndefinedTablesOrUnfilledBlocksAreRefused) {
  const struct {
    const char *name;
    bool decodes;
    Bytes jpeg;
  } cases[] = {
      {"baseline", true, Jpeg({kTables, kBaseline, Scan({1}, 0, 63), kTwoBlocks})},
      {"progressive", true,
       Jpeg({kTables, kProgressive, Scan({1}, 0, 0), kTwoBlocks, Scan({1}, 1, 63), kTwoBlocks})},
      {"restart markers", true,
       Jpeg({kTables, RestartEvery(1), kBaseline, Scan({1}, 0, 63), kOneBlock, kRestart0,
             kOneBlock})},
      {"no quantisation table", false,
       Jpeg({kDcTable, kAcTable, kBaseline, Scan({1}, 0, 63), kTwoBlocks})},
      {"quantisation table after the scan", false,
       Jpeg({kDcTable, kAcTable, kBaseline, Scan({1}, 0, 63), kTwoBlocks, kQuant})},
      {"no DC table", false, Jpeg({kQuant, kAcTable, kBaseline, Scan({1}, 0, 63), kTwoBlocks})},
      {"no AC table", false,
       Jpeg({kQuant, kDcTable, kProgressive, Scan({1}, 0, 0), kTwoBlocks, Scan({1}, 1, 63),
             kTwoBlocks})},
      {"a component in no scan", false,
       Jpeg({kTables, Frame(0xC0, 3), Scan({1, 2}, 0, 63), Bytes(1, 0)})},
      {"AC before DC", false,
       Jpeg({kTables, kProgressive, Scan({1}, 1, 63), kTwoBlocks, Scan({1}, 0, 0, 0x10), kTwoBlocks,
             Scan({1}, 0, 0), kTwoBlocks})},
      {"restart interval without markers", false,
       Jpeg({kTables, RestartEvery(1), kBaseline, Scan({1}, 0, 63), kTwoBlocks})},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeToGrey(c.jpeg.data(), c.jpeg.size()).has_value(), c.decodes);
    EXPECT_EQ(platform::Image::fromData(c.jpeg) != nullptr, c.decodes);
  }
}

}  // namespace
}  // namespace velmora::test
