// The virtual printer's raster decoder, which turns captured printer bytes back into pictures
// for the tests and the paper PNG. Arbitrary bytes: every picture it reports is well formed and
// belongs to a sheet it counted, the stacked receipt is as wide as its widest piece and as long
// as all of them, and the paper they are laid out on holds them and its cuts. Pictures framed by
// the library (receipt raster uncompressed, run-length and JBIG, page mode, label uncompressed and
// JBIG): decoded back to the same dots, where the library put them.
//
// Input: byte 0 bit 0 chooses; arbitrary bytes follow it. For a framed picture: bits 1-3 the
// framing, bytes 1-2 the width - 1 (9 bits), bytes 3-4 the height - 1 (10 bits), bytes 5-8 the
// label position; the rest, repeated, are the dots.
#include <algorithm>
#include <optional>

#include "FuzzHarness.h"
#include "PaperLayout.h"
#include "RasterDecoder.h"
#include "nzcommon/imgprocess/RasterFraming.h"

namespace {

using velmora::fuzz::Bytes;
using velmora::fuzz::Require;
using velmora::imgprocess::MonoBitmap;
using velmora::vprinter::Bitmap;
using velmora::vprinter::DecodedRaster;
using velmora::vprinter::Paper;
using Kind = velmora::vprinter::RasterPiece::Kind;

bool WellFormed(const Bitmap &b) {
  return b.width >= 1 && b.height >= 1 && b.stride == (b.width + 7) / 8 &&
         b.bits.size() == static_cast<size_t>(b.stride) * static_cast<size_t>(b.height);
}

void CheckArbitrary(const uint8_t *data, size_t size) {
  const DecodedRaster decoded = velmora::vprinter::DecodeRasterCommands(data, size);
  int width = 0;
  size_t height = 0;
  for (const auto &piece : decoded.pieces) {
    Require(WellFormed(piece.bitmap));
    Require(piece.sheet >= -1 && piece.sheet < decoded.sheets);
    if (piece.kind == Kind::kGsV0 || piece.kind == Kind::kRunLength ||
        piece.kind == Kind::kJbigBand) {
      width = std::max(width, piece.bitmap.width);
      height += static_cast<size_t>(piece.bitmap.height);
    }
  }
  const Bitmap paper = velmora::vprinter::StackReceiptPieces(decoded);
  Require(paper.width == width && static_cast<size_t>(paper.height) == height &&
          paper.bits.size() == static_cast<size_t>(paper.stride) * height);
  // On paper, as wide as asked or as needed: the receipt pieces and a row for each cut, in
  // order; or nothing, for a paper too long to lay out.
  for (const int paper_width : {0, 640}) {
    const Paper laid = velmora::vprinter::LayOutPaper(decoded, paper_width);
    if (laid.dots.height == 0) continue;
    Require(WellFormed(laid.dots) && (paper_width == 0 || laid.dots.width == paper_width));
    Require(static_cast<size_t>(laid.dots.height) >= height + laid.cuts.size());
    Require(std::is_sorted(laid.cuts.begin(), laid.cuts.end()) &&
            std::adjacent_find(laid.cuts.begin(), laid.cuts.end()) == laid.cuts.end());
    Require(laid.cuts.empty() || (laid.cuts.front() >= 0 && laid.cuts.back() < laid.dots.height));
  }
}

// The decoded picture holds the picture's dots, in rows of the same stride.
bool SameDots(const Bitmap &decoded, const MonoBitmap &picture) {
  return decoded.stride == picture.stride && decoded.height == picture.height &&
         decoded.bits == picture.bits;
}

void CheckFramed(const uint8_t *data, size_t size) {
  if (size < 10) return;
  const int framing = (data[0] >> 1) % 6;
  const int width = 1 + ((data[1] | data[2] << 8) & 0x1FF);
  const int height = 1 + ((data[3] | data[4] << 8) & 0x3FF);
  const int x = data[5] | data[6] << 8, y = data[7] | data[8] << 8;
  MonoBitmap picture(width, height);
  for (size_t i = 0; i < picture.bits.size(); ++i) picture.bits[i] = data[9 + i % (size - 9)];
  // Dots past the width are not the picture's: rows end in white.
  if (width % 8 != 0) {
    const auto mask = static_cast<uint8_t>(0xFF << (8 - width % 8));
    for (int row = 0; row < height; ++row) picture.row(row)[picture.stride - 1] &= mask;
  }

  using namespace velmora::imgprocess;
  std::optional<Bytes> framed;
  switch (framing) {
    case 0:
    case 1:
    case 2:
      framed = FrameReceiptRaster(picture, framing);
      break;
    case 3:
      framed = FramePageRaster(picture);
      break;
    default:
      framed = FrameLabelRaster(x, y, picture, framing == 4 ? 0 : 2);
      break;
  }
  Require(framed.has_value());
  const DecodedRaster decoded = velmora::vprinter::DecodeRasterCommands(*framed);
  Require(decoded.error.empty() && !decoded.pieces.empty());
  if (framing <= 2) {
    Require(SameDots(velmora::vprinter::StackReceiptPieces(decoded), picture));
    return;
  }
  Require(decoded.pieces.size() == 1);
  const auto &piece = decoded.pieces.front();
  if (framing == 3) {
    // A page-mode picture stands on the print position (0 here): its top is its height above.
    Require(piece.kind == Kind::kPage && piece.bitmap.width == width && piece.x == 0 &&
            piece.y == -height);
  } else {
    Require(piece.kind == (framing == 4 ? Kind::kLabel : Kind::kLabelJbig) && piece.x == x &&
            piece.y == y);
  }
  Require(SameDots(piece.bitmap, picture));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  if ((data[0] & 1) == 0) {
    CheckArbitrary(data + 1, size - 1);
  } else {
    CheckFramed(data, size);
  }
  return 0;
}
