// The virtual printer's paper: as wide as the printer's, receipt pictures where the print area
// and the alignment put them, feeds as blank paper and cuts as marked rows.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "PaperRenderer.h"
#include "imaging/ImageFixtures.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/ImageFile.h"
#include "support/MemoryPort.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

constexpr int kPaper = 640;

// A black picture of `width` x `height` printed as a receipt raster.
void PrintBlack(Int h, int width, int height) {
  const std::vector<uint8_t> grey(static_cast<size_t>(width) * height, 0);
  ASSERT_TRUE(velmora::VP_Pos_PrintRasterImageFromPixels(
      h, grey, static_cast<Int>(grey.size()), width, height, width, VP_ImagePixelsFormat_GRAY8,
      VP_ImageBinarizationMethod_Thresholding, VP_ImageCompressionMethod_None));
}

// Whether row `y` of the paper is black exactly from column `from` up to `to`.
bool BlackFromTo(const vprinter::Bitmap &dots, int y, int from, int to) {
  for (int x = 0; x < dots.width; ++x) {
    if (dots.black(x, y) != (x >= from && x < to)) return false;
  }
  return true;
}

TEST(PaperLayout, PicturesSitInTheirPrintAreaWithFeedsAndCuts) {
  MemoryPort port;
  const Int h = reinterpret_cast<Int>(port.handle());
  // Commands whose values read as a feed (1B 4A) when taken apart print nothing.
  ASSERT_TRUE(velmora::VP_Pos_SetPrintSpeed(h, 0x4A1B));
  ASSERT_TRUE(velmora::VP_Pos_KickOutDrawer(h, 0, 0x1B, 0x4A));
  // Centred in an area 639 dots wide: 543 dots to share, 271 on the left.
  ASSERT_TRUE(velmora::VP_Pos_SetPrintAreaLeftMargin(h, 0));
  ASSERT_TRUE(velmora::VP_Pos_SetPrintAreaWidth(h, kPaper - 1));
  ASSERT_TRUE(velmora::VP_Pos_SetAlignment(h, VP_Pos_Alignment_HCenter));
  PrintBlack(h, 96, 30);
  ASSERT_TRUE(velmora::VP_Pos_FeedDot(h, 40));
  ASSERT_TRUE(velmora::VP_Pos_FullCutPaper(h));
  // Right-aligned in an area from 8 to 608. Then, all reset, a picture wider than the paper
  // centred in an area past the paper's edge: from the paper's left edge to its right one.
  ASSERT_TRUE(velmora::VP_Pos_SetPrintAreaLeftMargin(h, 8));
  ASSERT_TRUE(velmora::VP_Pos_SetPrintAreaWidth(h, 600));
  ASSERT_TRUE(velmora::VP_Pos_SetAlignment(h, VP_Pos_Alignment_Right));
  ASSERT_TRUE(velmora::VP_Pos_SetTextLineHeight(h, 24));
  ASSERT_TRUE(velmora::VP_Pos_FeedLine(h, 1));
  PrintBlack(h, 48, 10);
  ASSERT_TRUE(velmora::VP_Pos_ResetPrinter(h));
  ASSERT_TRUE(velmora::VP_Pos_SetPrintAreaWidth(h, 700));
  ASSERT_TRUE(velmora::VP_Pos_SetAlignment(h, VP_Pos_Alignment_HCenter));
  PrintBlack(h, kPaper + 1, 2);
  ASSERT_TRUE(velmora::VP_Pos_FeedLine(h, 1));
  ASSERT_TRUE(velmora::VP_Pos_HalfCutPaper(h));
  ASSERT_TRUE(velmora::VP_Pos_FeedAndHalfCutPaper(h));  // GS V 66 0: a feed of 0, a cut

  const std::string path = TempPath("paper.png");
  const auto paper = vprinter::RenderReceivedToPng(port.Bytes(), path, kPaper);
  ASSERT_TRUE(paper);
  const vprinter::Bitmap &dots = paper->dots;
  ASSERT_EQ(dots.width, kPaper);
  // 30 rows, 40 fed, the cut, a line of 24 fed, 10 rows, 2 rows, a line of 32 (as after a
  // reset) fed, two cuts.
  ASSERT_EQ(dots.height, 30 + 40 + 1 + 24 + 10 + 2 + 32 + 1 + 1);
  EXPECT_EQ(paper->cuts, (std::vector<int>{70, 139, 140}));
  EXPECT_TRUE(BlackFromTo(dots, 0, 271, 367));
  EXPECT_TRUE(BlackFromTo(dots, 29, 271, 367));
  EXPECT_TRUE(BlackFromTo(dots, 30, 0, 0));
  EXPECT_TRUE(BlackFromTo(dots, 94, 0, 0));
  EXPECT_TRUE(BlackFromTo(dots, 95, 560, 608));
  EXPECT_TRUE(BlackFromTo(dots, 105, 0, kPaper));  // its last column is past the paper
  EXPECT_TRUE(BlackFromTo(dots, 107, 0, 0));

  // The PNG is the paper, one pixel per dot, each cut a dashed grey row.
  const auto png = imgprocess::ReadImageFile(path.c_str());
  std::remove(path.c_str());
  ASSERT_TRUE(png);
  const auto image = imgprocess::DecodeImage(png->data(), png->size());
  ASSERT_TRUE(image);
  ASSERT_EQ(image->channels, 1);
  EXPECT_EQ(image->width, kPaper);
  EXPECT_EQ(image->height, dots.height);
  const auto grey = [&](int x, int y) { return image->pixels.get()[y * kPaper + x]; };
  EXPECT_EQ(grey(271, 0), 0);
  EXPECT_EQ(grey(270, 0), 255);
  EXPECT_EQ(grey(0, 70), 128);
  EXPECT_EQ(grey(8, 70), 255);
}

TEST(PaperLayout, APaperThatFeedsOnAndOnIsNotLaidOut) {
  vprinter::DecodedRaster fed;
  const int width = 512;  // the most rows make the most dots exactly
  const long long rows = vprinter::kMaxPaperDots / width;
  fed.moves.push_back({vprinter::PaperMove::Kind::kFeed, static_cast<int>(rows)});
  EXPECT_EQ(vprinter::LayOutPaper(fed, width).dots.height, rows);
  fed.moves.push_back({vprinter::PaperMove::Kind::kCut});  // a row more
  EXPECT_EQ(vprinter::LayOutPaper(fed, width).dots.height, 0);
}

}  // namespace
}  // namespace velmora::test
