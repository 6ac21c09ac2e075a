#include "PaperLayout.h"

#include <algorithm>

namespace velmora::vprinter {

namespace {

struct Placement {
  int x;
  int y;
  int right;  // the first column past what may print
  const Bitmap *bitmap;
};

// Where a receipt piece goes across paper `width` dots wide, and how far it may print.
Placement PlaceAcross(const RasterPiece &piece, int width, int y) {
  const ReceiptLayout &layout = piece.layout;
  const int left = std::min(layout.left_margin, width);
  const int right = layout.area_width > 0 ? std::min(width, left + layout.area_width) : width;
  const int room = right - left - piece.bitmap.width;  // below 0: it does not fit
  const int x = left + (room <= 0               ? 0
                        : layout.alignment == 1 ? room / 2
                        : layout.alignment == 2 ? room
                                                : 0);
  return {x, y, right, &piece.bitmap};
}

// As wide as everything printed needs: each receipt piece at its print area's left edge.
int WidthNeeded(const DecodedRaster &decoded) {
  int width = 0;
  for (const auto &piece : decoded.pieces) {
    const int left = piece.receipt() ? piece.layout.left_margin : piece.x;
    width = std::max(width, left + piece.bitmap.width);
  }
  return width;
}

}  // namespace

Paper LayOutPaper(const DecodedRaster &decoded, int paper_width) {
  const int width = paper_width > 0 ? paper_width : WidthNeeded(decoded);
  if (width == 0) return Paper{};  // nothing printed on paper of no width
  Paper paper;
  std::vector<Placement> placements;
  long long cursor = 0;  // first free line below everything placed
  int sheet = -2;        // sheet of the pieces being placed (-2: none yet)
  int sheet_origin = 0;  // top line of the current sheet
  size_t move = 0;
  const auto too_long = [&] { return cursor * width > kMaxPaperDots; };
  const auto move_paper = [&](size_t pieces_before) {
    for (; move < decoded.moves.size() && decoded.moves[move].before <= pieces_before; ++move) {
      if (decoded.moves[move].kind == PaperMove::Kind::kCut) {
        paper.cuts.push_back(static_cast<int>(cursor++));
      }
      cursor += decoded.moves[move].dots;
      if (too_long()) return;
    }
  };
  for (size_t i = 0; i < decoded.pieces.size() && !too_long(); ++i) {
    move_paper(i);
    const RasterPiece &piece = decoded.pieces[i];
    if (piece.receipt()) {
      sheet = -2;
      placements.push_back(PlaceAcross(piece, width, static_cast<int>(cursor)));
      cursor += piece.bitmap.height;
    } else {
      // Pieces outside any sheet each open one of their own.
      if (piece.sheet != sheet || piece.sheet < 0) {
        sheet = piece.sheet;
        sheet_origin = static_cast<int>(cursor);
      }
      placements.push_back({piece.x, sheet_origin + piece.y, width, &piece.bitmap});
      cursor = std::max<long long>(cursor, sheet_origin + piece.y + piece.bitmap.height);
    }
  }
  move_paper(decoded.pieces.size());
  if (too_long()) return Paper{};
  paper.dots = Bitmap(width, static_cast<int>(cursor));
  for (const auto &place : placements) {
    const Bitmap &b = *place.bitmap;
    for (int y = 0; y < b.height; ++y) {
      const int py = place.y + y;
      if (py < 0 || py >= cursor) continue;  // drawn above its sheet
      for (int x = 0; x < b.width && place.x + x < place.right; ++x) {
        if (b.black(x, y)) paper.dots.set_black(place.x + x, py);
      }
    }
  }
  return paper;
}

}  // namespace velmora::vprinter
