#include "PaperRenderer.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "StbImageWrite.h"

namespace velmora::vprinter {

bool WritePng(const Paper &paper, const std::string &path) {
  const Bitmap &dots = paper.dots;
  if (dots.width <= 0 || dots.height <= 0) return false;
  constexpr uint8_t kWhite = 255, kBlack = 0, kCutMark = 128;
  constexpr int kDash = 8;  // dots of mark, then as many of gap
  std::vector<uint8_t> grey(static_cast<size_t>(dots.width) * dots.height, kWhite);
  for (int y = 0; y < dots.height; ++y) {
    uint8_t *row = grey.data() + static_cast<size_t>(y) * dots.width;
    for (int x = 0; x < dots.width; ++x) {
      if (dots.black(x, y)) row[x] = kBlack;
    }
  }
  for (const int cut : paper.cuts) {
    uint8_t *row = grey.data() + static_cast<size_t>(cut) * dots.width;
    for (int x = 0; x < dots.width; ++x) {
      if (x / kDash % 2 == 0) row[x] = kCutMark;
    }
  }
  return velmora_stbi_write_png_grey(path.c_str(), dots.width, dots.height, grey.data()) != 0;
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

std::optional<Paper> RenderReceivedToPng(const std::vector<uint8_t> &received,
                                         const std::string &path, int paper_width) {
  const DecodedRaster decoded = DecodeRasterCommands(received);
  if (!decoded.error.empty()) return std::nullopt;
  Paper paper = LayOutPaper(decoded, paper_width);
  if (!WritePng(paper, path)) return std::nullopt;
  return paper;
}

}  // namespace velmora::vprinter
