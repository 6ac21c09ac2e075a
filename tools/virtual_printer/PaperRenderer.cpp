#include "PaperRenderer.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "StbImageWrite.h"

namespace velmora::vprinter {

namespace {

struct Placement {
  int x;
  int y;
  const Bitmap *bitmap;
};

bool IsReceipt(const RasterPiece &piece) {
  return piece.kind == RasterPiece::Kind::kGsV0 || piece.kind == RasterPiece::Kind::kRunLength ||
         piece.kind == RasterPiece::Kind::kJbigBand;
}

}  // namespace

Bitmap LayOutPaper(const DecodedRaster &decoded) {
  std::vector<Placement> placements;
  int cursor = 0;        // first free line below everything placed
  int sheet = -2;        // sheet of the pieces being placed (-2: none yet)
  int sheet_origin = 0;  // top line of the current sheet
  int width = 0;
  for (const auto &piece : decoded.pieces) {
    if (IsReceipt(piece)) {
      sheet = -2;
      placements.push_back({0, cursor, &piece.bitmap});
      cursor += piece.bitmap.height;
    } else {
      // Pieces outside any sheet each open one of their own.
      if (piece.sheet != sheet || piece.sheet < 0) {
        sheet = piece.sheet;
        sheet_origin = cursor;
      }
      placements.push_back({piece.x, sheet_origin + piece.y, &piece.bitmap});
      cursor = std::max(cursor, sheet_origin + piece.y + piece.bitmap.height);
    }
    width = std::max(width, placements.back().x + piece.bitmap.width);
  }
  Bitmap paper(width, cursor);
  for (const auto &place : placements) {
    const Bitmap &b = *place.bitmap;
    for (int y = 0; y < b.height; ++y) {
      const int py = place.y + y;
      if (py < 0 || py >= paper.height) continue;  // drawn above its sheet
      for (int x = 0; x < b.width; ++x) {
        if (b.black(x, y) && place.x + x < paper.width) paper.set_black(place.x + x, py);
      }
    }
  }
  return paper;
}

bool WritePng(const Bitmap &bitmap, const std::string &path, int margin) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || margin < 0) return false;
  const int w = bitmap.width + 2 * margin;
  const int h = bitmap.height + 2 * margin;
  std::vector<uint8_t> grey(static_cast<size_t>(w) * h, 255);
  for (int y = 0; y < bitmap.height; ++y) {
    uint8_t *row = grey.data() + static_cast<size_t>(y + margin) * w + margin;
    for (int x = 0; x < bitmap.width; ++x) {
      if (bitmap.black(x, y)) row[x] = 0;
    }
  }
  return velmora_stbi_write_png_grey(path.c_str(), w, h, grey.data()) != 0;
}

std::vector<uint8_t> EncodePng(int width, int height, int channels, const uint8_t *pixels) {
  int size = 0;
  unsigned char *png = velmora_stbi_write_png_memory(width, height, channels, pixels, &size);
  if (png == nullptr) return {};
  std::vector<uint8_t> bytes(png, png + size);
  velmora_stbi_write_free(png);
  return bytes;
}

std::vector<uint8_t> EncodeJpeg(int width, int height, int channels, const uint8_t *pixels) {
  int size = 0;
  unsigned char *jpg = velmora_stbi_write_jpg_memory(width, height, channels, pixels, &size);
  if (jpg == nullptr) return {};
  std::vector<uint8_t> bytes(jpg, jpg + size);
  std::free(jpg);
  return bytes;
}

bool RenderReceivedToPng(const std::vector<uint8_t> &received, const std::string &path) {
  const DecodedRaster decoded = DecodeRasterCommands(received);
  if (!decoded.error.empty()) return false;
  return WritePng(LayOutPaper(decoded), path);
}

}  // namespace velmora::vprinter
