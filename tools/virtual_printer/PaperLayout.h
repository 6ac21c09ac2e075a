#pragma once

#include <vector>

#include "RasterDecoder.h"

namespace velmora::vprinter {

// The paper as the printer put it out: its dots, and where it was cut.
struct Paper {
  Bitmap dots;
  std::vector<int> cuts;  // rows of the paper that mark a cut, one row each
};

// Lays decoded raster pieces out as the printer puts them on paper `paper_width` dots wide
// (0: as wide as what is printed needs; empty when nothing is). Receipt pieces go one below the
// other, within the print area the commands before them set (GS L, GS W) and aligned in it (ESC a);
// the dots of a piece past the area's right edge or the paper's are not printed. Feeds leave blank
// rows; a cut takes a row of its own. The pieces of one page or label go at their x, y inside a
// sheet that starts below what was printed before it. A paper of more than kMaxPaperDots (a capture
// that feeds on and on) is not laid out: it comes back empty.
inline constexpr long long kMaxPaperDots = 1LL << 28;
Paper LayOutPaper(const DecodedRaster &decoded, int paper_width = 0);

}  // namespace velmora::vprinter
