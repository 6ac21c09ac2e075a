#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::vprinter {

// A 1-bit picture as the printer holds it: most significant bit leftmost, 1 = black.
struct Bitmap {
  int width = 0;   // dots
  int height = 0;  // lines
  int stride = 0;  // bytes per row
  std::vector<uint8_t> bits;

  Bitmap() = default;
  Bitmap(int w, int h)
      : width(w), height(h), stride((w + 7) / 8), bits(static_cast<size_t>(stride) * h, 0) {}
  bool black(int x, int y) const {
    return (bits[static_cast<size_t>(y) * stride + (x >> 3)] >> (7 - (x & 7))) & 1;
  }
  void set_black(int x, int y) {
    bits[static_cast<size_t>(y) * stride + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
};

// Where the printer puts a receipt picture across the paper, as the commands before it set it
// (ESC @ sets them back).
struct ReceiptLayout {
  int alignment = 0;    // ESC a: 0 left, 1 centre, 2 right
  int left_margin = 0;  // GS L, in dots
  int area_width = 0;   // GS W, in dots; 0: to the paper's right edge
};

// One raster command as the printer understood it.
struct RasterPiece {
  enum class Kind {
    kGsV0,       // 1D 76 30: receipt band, uncompressed
    kRunLength,  // 1F 28 50: receipt line, PackBits
    kJbigBand,   // 1F 28 4A: receipt band, T.85
    kPage,       // 1D 38 4C: page-mode graphics at the page position (ESC $, GS $)
    kLabel,      // 1A 21 01: label graphics, uncompressed
    kLabelJbig,  // 1A 21 FF: label graphics, T.85
  };
  Kind kind;
  // Whether the piece prints on the receipt (not in a page or on a label).
  bool receipt() const {
    return kind == Kind::kGsV0 || kind == Kind::kRunLength || kind == Kind::kJbigBand;
  }
  // Page and label pieces: where the picture's top left corner goes. A page-mode picture stands
  // on the print position (ESC $, GS $): its top line is the GS $ value minus its height.
  int x = 0;
  int y = 0;
  Bitmap bitmap;
  // Index of the page (ESC L .. ESC FF) or label (1A 5B .. 1A 4F) the piece belongs to, or -1
  // when it was printed outside one.
  int sheet = -1;
  ReceiptLayout layout;  // receipt pieces
};

// The paper fed (ESC J in dots, ESC d in lines of the ESC 3 line height, 32 dots until set) or
// cut (ESC i, ESC m, GS V; GS V 65 and 66 feed n dots first), between pieces.
struct PaperMove {
  enum class Kind { kFeed, kCut };
  Kind kind;
  int dots = 0;       // a feed's
  size_t before = 0;  // the number of pieces printed before it
};

struct DecodedRaster {
  std::vector<RasterPiece> pieces;
  std::vector<PaperMove> moves;
  int sheets = 0;     // pages and labels begun
  std::string error;  // empty when every raster command was well formed
};

// The printer's reading of a byte stream: every raster command (see docs/protocol.md, "Raster
// images") decoded back into a bitmap, with page and label positions, the receipt layout and
// the paper's feeds and cuts. A few other commands of the image print job are skipped whole;
// the rest byte by byte. A malformed or truncated raster command, or a compressed picture of more
// than 2^26 dots (more than the library ever frames), stops decoding and is named in `error`.
DecodedRaster DecodeRasterCommands(const uint8_t *data, size_t size);
inline DecodedRaster DecodeRasterCommands(const std::vector<uint8_t> &bytes) {
  return DecodeRasterCommands(bytes.data(), bytes.size());
}

// The receipt pieces (GS v 0, run-length, JBIG bands) stacked top to bottom, as they leave the
// printer one after another; as wide as the widest of them.
Bitmap StackReceiptPieces(const DecodedRaster &decoded);

// Decodes a PackBits row; false unless it gives exactly `expected` bytes.
bool DecodePackBits(const uint8_t *code, size_t size, size_t expected, std::vector<uint8_t> &out);

// Decodes one T.85 image entity; false unless it is width x height dots.
bool DecodeJbig85(const uint8_t *code, size_t size, int width, int height, Bitmap &out);

}  // namespace velmora::vprinter
