#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "PaperRenderer.h"
#include "nzcommon/imgprocess/ImageTypes.h"

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

// A 1-bit BMP of the given size, all white: a large image in a small file.
inline std::vector<uint8_t> OneBitBmp(int width, int height) {
  const uint32_t stride = ((static_cast<uint32_t>(width) + 31) / 32) * 4;
  const uint32_t data_size = stride * static_cast<uint32_t>(height);
  const uint32_t offset = 14 + 40 + 8;
  std::vector<uint8_t> bmp;
  auto put16 = [&](uint32_t v) {
    bmp.push_back(v & 0xFF);
    bmp.push_back((v >> 8) & 0xFF);
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  bmp.push_back('B');
  bmp.push_back('M');
  put32(offset + data_size);
  put32(0);
  put32(offset);
  put32(40);
  put32(static_cast<uint32_t>(width));
  put32(static_cast<uint32_t>(height));
  put16(1);
  put16(1);
  put32(0);
  put32(data_size);
  put32(2835);
  put32(2835);
  put32(2);
  put32(2);
  put32(0x00000000);  // palette: index 0 black
  put32(0x00FFFFFF);  // index 1 white
  bmp.resize(bmp.size() + data_size, 0xFF);
  return bmp;
}

inline bool SameBits(const MonoBitmap &expected, const std::vector<uint8_t> &bits) {
  return expected.bits == bits;
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
