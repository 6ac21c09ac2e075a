#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PaperRenderer.h"
#include "nzcommon/imgprocess/ImageTypes.h"
#include "support/Join.h"
#include "support/Pattern.h"

namespace velmora::test {

using imgprocess::MonoBitmap;

// A black-and-white test picture: random dots with solid blocks, so every method meets both
// isolated dots and large areas.
inline MonoBitmap BlackWhitePattern(int width, int height, uint32_t seed) {
  MonoBitmap bitmap(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool block = ((x / 16) + (y / 16)) % 3 == 0;
      const bool dot = random() % 2 == 0;
      if (block || (((x / 16) + (y / 16)) % 3 == 1 && dot)) {
        bitmap.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
  return bitmap;
}

// The bitmap as 8-bit pixels with `channels` channels (black 0, white 255, alpha opaque).
inline std::vector<uint8_t> ToPixels(const MonoBitmap &bitmap, int channels) {
  std::vector<uint8_t> pixels;
  pixels.reserve(static_cast<size_t>(bitmap.width) * bitmap.height * channels);
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      const uint8_t v = bitmap.black(x, y) ? 0 : 255;
      for (int c = 0; c < channels; ++c) pixels.push_back(c == 3 ? 255 : v);
    }
  }
  return pixels;
}

inline std::vector<uint8_t> ToPng(const MonoBitmap &bitmap, int channels = 3) {
  const auto pixels = ToPixels(bitmap, channels);
  return vprinter::EncodePng(bitmap.width, bitmap.height, channels, pixels.data());
}

inline std::vector<uint8_t> GreyPng(int width, int height, const std::vector<uint8_t> &grey) {
  return vprinter::EncodePng(width, height, 1, grey.data());
}

// An uncompressed BMP of 1, 4 or 8 bits a pixel with `palette` (0x00RRGGBB entries) and the
// pixel rows `rows`, bottom row first, each padded to 4 bytes.
inline std::vector<uint8_t> PaletteBmp(uint32_t width, uint32_t height, uint16_t bits,
                                       const std::vector<uint32_t> &palette,
                                       const std::vector<uint8_t> &rows) {
  const uint32_t count = static_cast<uint32_t>(palette.size());
  const uint32_t offset = 14 + 40 + 4 * count, data_size = static_cast<uint32_t>(rows.size());
  std::vector<uint8_t> bmp;
  auto put = [&](std::initializer_list<uint32_t> values, int size) {  // little-endian
    for (const uint32_t v : values) {
      for (int i = 0; i < size; ++i) bmp.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
  };
  put({0x4D42}, 2);
  put({offset + data_size, 0, offset, 40, width, height}, 4);
  put({1, bits}, 2);  // one plane
  put({0, data_size, 2835, 2835, count, count}, 4);
  for (const uint32_t colour : palette) put({colour}, 4);
  bmp.insert(bmp.end(), rows.begin(), rows.end());
  return bmp;
}

// A 1-bit BMP of the given size, index 0 black and 1 white: a large image in a small file. All
// white, or, given a seed, random dots (Pattern), which no compression makes smaller.
inline std::vector<uint8_t> OneBitBmp(uint32_t width, uint32_t height,
                                      std::optional<uint32_t> noise_seed = std::nullopt) {
  const size_t data_size = size_t{(width + 31) / 32 * 4} * height;
  return PaletteBmp(
      width, height, 1, {0x000000, 0xFFFFFF},
      noise_seed ? Pattern(data_size, *noise_seed) : std::vector<uint8_t>(data_size, 0xFF));
}

// What zbarimg (Debian zbar-tools) reads from a PNG; empty when it finds no QR symbol.
inline std::string ScanQr(const std::string &png) {
  const std::string command = "zbarimg --quiet --raw -Sdisable -Sqrcode.enable " + png;
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  pclose(pipe);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

inline std::string TempPath(const std::string &name) {
  const char *dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/velmora_" + std::to_string(getpid()) + "_" +
         name;
}

// Writes the bytes to TempPath(name) and gives that path.
inline std::string WriteTempFile(const std::string &name, const std::vector<uint8_t> &bytes) {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

}  // namespace velmora::test
