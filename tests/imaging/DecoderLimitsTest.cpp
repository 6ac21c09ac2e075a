// What decoding an encoded picture may cost and what it may show: memory within a bound that its
// header sets, whatever its data inflates to, and only colours its palette has.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

#include "ImageFixtures.h"
#include "PngCraft.h"
#include "nzcommon/imgprocess/BudgetAllocator.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/ImageFile.h"
#include "nzcommon/imgprocess/MonoImageConversion.h"
#include "velmora/image.hpp"

namespace velmora::test {
namespace {

using namespace velmora::imgprocess;
using platform::Image;
using vprinter::PngDataBytes;
using vprinter::PngHeader;
using vprinter::PngOf;
using vprinter::PngOfZeros;

using Bytes = std::vector<uint8_t>;

const Bytes kBlackWhite = {0, 0, 0, 255, 255, 255};

// Refused on every path an encoded picture takes.
void ExpectRefused(const Bytes &data) {
  EXPECT_FALSE(DecodeImage(data.data(), data.size()));
  EXPECT_TRUE(Image::fromData(data) == nullptr);
  EXPECT_FALSE(EncodedImageToMono(data.data(), data.size(), 0, 0, 2));
}

// 1 x 1 pictures whose data inflates to 64 MiB: RGB, an interlaced palette, 16-bit grey. Each
// is refused where the bound its header sets is reached, a few hundred kilobytes in.
void ExpectBombsRefused() {
  const PngHeader headers[] = {{1, 1, 8, 2, 0}, {1, 1, 1, 3, 1}, {1, 1, 16, 0, 0}};
  for (const PngHeader &header : headers) {
    SCOPED_TRACE(static_cast<int>(header.colour_type));
    const Bytes png =
        PngOfZeros(header, uint64_t{64} << 20, header.colour_type == 3 ? kBlackWhite : Bytes{});
    ExpectRefused(png);
    DecoderUse use;
    EXPECT_FALSE(DecodeImage(png.data(), png.size(), &use));
    EXPECT_EQ(use.budget, DecoderBudget(png.size(), {1, 1}, header.depth == 16));
    EXPECT_LE(use.peak, use.budget);
    EXPECT_LT(use.budget, png.size() * 2 + (2 << 20));
  }
}

TEST(DecoderLimits, TheBudgetCountsWhatIsHeld) {
  velmora_budget_open(100);
  void *a = velmora_budget_malloc(60);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(velmora_budget_malloc(41), nullptr);
  void *b = velmora_budget_malloc(40);
  ASSERT_NE(b, nullptr);
  velmora_budget_free(a);
  // A block grown past the budget is refused and stays; grown within it, its old size is back.
  EXPECT_EQ(velmora_budget_realloc(b, 101), nullptr);
  void *c = velmora_budget_realloc(b, 100);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(velmora_budget_close(), 100u);
  // Outside a budget nothing is refused; the next budget starts from nothing held.
  void *d = velmora_budget_malloc(1000);
  EXPECT_NE(d, nullptr);
  velmora_budget_open(10);
  void *e = velmora_budget_malloc(10);
  EXPECT_NE(e, nullptr);
  EXPECT_EQ(velmora_budget_close(), 10u);
  for (void *block : {c, d, e}) velmora_budget_free(block);
}

TEST(DecoderLimits, DataThatInflatesPastThePictureIsRefusedCheaply) {
  ExpectBombsRefused();
}

TEST(DecoderLimits, LargePicturesStillDecode) {
  // What needs the decoder's most: interlaced data (longer than the decoder first makes room
  // for), four channels, 16-bit samples.
  const PngHeader headers[] = {
      {3000, 3000, 8, 6, 1}, {1000, 1000, 16, 6, 1}, {3000, 3000, 8, 2, 0}};
  std::vector<DecodedImage> kept;  // held while the next ones decode
  for (const PngHeader &header : headers) {
    SCOPED_TRACE(header.width);
    const Bytes png = PngOfZeros(header, PngDataBytes(header));
    auto decoded = DecodeImage(png.data(), png.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, static_cast<int>(header.width));
    EXPECT_EQ(decoded->height, static_cast<int>(header.height));
    kept.push_back(std::move(*decoded));
  }
  // A progressive CMYK JPEG one pixel wide: its planes are padded to whole blocks of 16 x 16.
  const auto narrow = ReadImageFile(VELMORA_IMAGING_TEST_DATA "/narrow_progressive_cmyk.jpg");
  ASSERT_TRUE(narrow);
  const auto decoded = DecodeImage(narrow->data(), narrow->size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->height, 16000);
  // Each decode has a bound of its own, also while another thread decodes.
  ExpectBombsRefused();
  const PngHeader large{3000, 3000, 8, 2, 0};
  const Bytes png = PngOfZeros(large, PngDataBytes(large));
  std::atomic<bool> done{false};
  auto other = std::async(std::launch::async, [&] {
    bool all = true;
    for (int i = 0; i < 3; ++i) all = static_cast<bool>(DecodeImage(png.data(), png.size())) && all;
    done = true;
    return all;
  });
  while (!done) ExpectBombsRefused();
  EXPECT_TRUE(other.get());
}

TEST(DecoderLimits, ColoursPastThePaletteAreRefused) {
  // 24 x 16 pixels of a two-colour palette, indices (x + y) % `colours`.
  const auto rows = [](int colours) {
    Bytes data;
    for (int y = 0; y < 16; ++y) {
      data.push_back(0);  // no filter
      for (int x = 0; x < 24; ++x) data.push_back(static_cast<uint8_t>((x + y) % colours));
    }
    return data;
  };
  const PngHeader header{24, 16, 8, 3, 0};
  ExpectRefused(PngOf(header, rows(25), kBlackWhite));
  // Within the palette the picture is what its palette says.
  const Bytes two = PngOf(header, rows(2), kBlackWhite);
  const auto mono = EncodedImageToMono(two.data(), two.size(), 0, 0, 1);
  ASSERT_TRUE(mono);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) ASSERT_EQ(mono->black(x, y), (x + y) % 2 == 0) << x << "," << y;
  }
  // A palette one short of what 8 bits index, and a pixel of the missing index, as PNG and BMP.
  Bytes one_short, indices(2 * 4, 1);
  std::vector<uint32_t> bmp_palette;
  for (uint32_t i = 0; i < 255; ++i) {
    one_short.insert(one_short.end(), {static_cast<uint8_t>(i), 0, 0});
    bmp_palette.push_back(i << 16);
  }
  EXPECT_TRUE(Image::fromData(PaletteBmp(4, 2, 8, bmp_palette, indices)) != nullptr);
  indices[5] = 255;
  ExpectRefused(PaletteBmp(4, 2, 8, bmp_palette, indices));
  indices[0] = indices[4] = 0;  // each row's filter byte
  const Bytes png = PngOf({3, 2, 8, 3, 0}, indices, one_short);
  ExpectRefused(png);
  // The last palette is the one looked up: a full one before it changes nothing.
  Bytes full = one_short;
  full.insert(full.end(), {255, 255, 255});
  const Bytes with_full = PngOf({3, 2, 8, 3, 0}, indices, full);
  Bytes two_palettes = png;
  const size_t plte = 33, plte_bytes = 12 + full.size();  // after the signature and IHDR
  two_palettes.insert(two_palettes.begin() + plte, with_full.begin() + plte,
                      with_full.begin() + plte + plte_bytes);
  ExpectRefused(two_palettes);
  // A 1-bit BMP with one colour, and a pixel of the other.
  ExpectRefused(PaletteBmp(8, 1, 1, {0x000000}, {0x01, 0, 0, 0}));
  // Fewer bits an index, with transparency (four channels): 4 x 1 pixels of 2 bits, 3 colours.
  const Bytes three = {0, 0, 0, 255, 255, 255, 128, 128, 128};
  const Bytes trns = {0, 0, 0, 3, 't', 'R', 'N', 'S', 255, 0, 255, 0, 0, 0, 0};
  const auto with_trns = [&](uint8_t pixels) {
    Bytes png = PngOf({4, 1, 2, 3, 0}, {0, pixels}, three);
    png.insert(png.begin() + 33 + 12 + three.size(), trns.begin(), trns.end());
    return png;
  };
  EXPECT_TRUE(DecodeImage(with_trns(0x18).data(), with_trns(0x18).size()));  // 0 1 2 0
  ExpectRefused(with_trns(0x1B));                                            // 0 1 2 3
  // The 12-byte header of OS/2, 3 bytes an entry, counted 12 bytes short: of the 7 entries
  // written the decoder counts 3, so index 5 lies past its palette.
  Bytes os2 = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26 + 21, 0, 0,
               0,   12,  0, 0, 0, 2, 0, 1, 0, 1, 0,       4, 0};
  for (int i = 0; i < 7; ++i) os2.insert(os2.end(), {static_cast<uint8_t>(40 * i), 0, 0});
  os2.insert(os2.end(), {0x21, 0, 0, 0});
  EXPECT_TRUE(DecodeImage(os2.data(), os2.size()));
  os2[os2.size() - 4] = 0x50;
  ExpectRefused(os2);
}

}  // namespace
}  // namespace velmora::test
