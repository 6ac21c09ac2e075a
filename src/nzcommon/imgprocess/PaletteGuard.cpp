#include "nzcommon/imgprocess/PaletteGuard.h"

#include <algorithm>
#include <cstring>

namespace velmora::imgprocess {
namespace {

using Bytes = std::vector<uint8_t>;
using Colour = uint32_t;  // 0xRRGGBB

constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kPngIhdrEnd = 33;  // signature, IHDR chunk of 13 bytes with its CRC

uint32_t Be32(const uint8_t *p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t Le16(const uint8_t *p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}
uint32_t Le32(const uint8_t *p) {
  return Le16(p) | Le16(p + 2) << 16;
}
void PutBe32(Bytes &out, size_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// The smallest colour that none of `used` is.
Colour UnusedColour(std::vector<Colour> used) {
  std::sort(used.begin(), used.end());
  Colour colour = 0;
  for (const Colour c : used) {
    if (c == colour) ++colour;
  }
  return colour;
}

void SetFill(FilledPalette &filled, Colour colour) {
  filled.fill[0] = static_cast<uint8_t>(colour >> 16);
  filled.fill[1] = static_cast<uint8_t>(colour >> 8);
  filled.fill[2] = static_cast<uint8_t>(colour);
}

// A PNG of colour type 3. The decoder looks colours up in the last PLTE chunk before IEND (each
// one replaces the one before), so that is the one filled up when it is short.
std::optional<FilledPalette> FillPng(const uint8_t *data, size_t size) {
  if (size < kPngIhdrEnd || !std::equal(std::begin(kPngSignature), std::end(kPngSignature), data) ||
      Be32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0 || data[25] != 3) {
    return std::nullopt;
  }
  const uint8_t depth = data[24];
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return std::nullopt;
  const size_t capacity = size_t{1} << depth;
  std::optional<size_t> palette;  // where the last PLTE chunk starts, at its length field
  for (size_t at = 8; size - at >= 12;) {
    const size_t length = Be32(data + at);
    if (length > size - at - 12) break;  // cut short: the decoder stops there too
    const uint8_t *type = data + at + 4;
    if (std::memcmp(type, "PLTE", 4) == 0) palette = at;
    if (std::memcmp(type, "IEND", 4) == 0) break;
    at += 12 + length;
  }
  if (!palette) return std::nullopt;
  const size_t length = Be32(data + *palette), entries = length / 3;
  // The decoder refuses a PLTE chunk of another length itself.
  if (length % 3 != 0 || entries >= capacity) return std::nullopt;
  const uint8_t *first = data + *palette + 8, *end = first + length;
  std::vector<Colour> used;
  for (const uint8_t *rgb = first; rgb < end; rgb += 3) {
    used.push_back(Colour{rgb[0]} << 16 | Colour{rgb[1]} << 8 | rgb[2]);
  }
  FilledPalette filled;
  SetFill(filled, UnusedColour(std::move(used)));
  filled.data.assign(data, data + *palette);
  PutBe32(filled.data, 3 * capacity);
  filled.data.insert(filled.data.end(), data + *palette + 4, end);
  for (size_t i = entries; i < capacity; ++i) {
    filled.data.insert(filled.data.end(), std::begin(filled.fill), std::end(filled.fill));
  }
  PutBe32(filled.data, 0);  // the CRC, which the decoder does not check
  filled.data.insert(filled.data.end(), end + 4, data + size);
  return filled;
}

// An uncompressed BMP of 1, 4 or 8 bits a pixel whose palette is shorter than that can index.
// The decoder counts the entries between the header and the pixels (4 bytes each; 3 in the
// 12-byte header of OS/2, whose count it takes 12 bytes short): entries added in front of the
// pixels, the pixel offset moved by as much, are counted the same way.
std::optional<FilledPalette> FillBmp(const uint8_t *data, size_t size) {
  if (size < 30 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const uint32_t offset = Le32(data + 10), header = Le32(data + 14);
  const bool os2 = header == 12;
  if (!os2 && header != 40 && header != 56 && header != 108 && header != 124) return std::nullopt;
  if (!os2 && (size < 34 || Le32(data + 30) != 0)) return std::nullopt;  // compressed
  const uint32_t bits = Le16(data + (os2 ? 24 : 28));
  if (bits != 1 && bits != 4 && bits != 8) return std::nullopt;
  const size_t entry = os2 ? 3 : 4, start = 14 + header, counted_from = os2 ? 38 : start;
  if (offset <= counted_from) return std::nullopt;
  const size_t entries = (offset - counted_from) / entry, capacity = size_t{1} << bits;
  if (entries >= capacity || start + entries * entry > size) return std::nullopt;
  std::vector<Colour> used;
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t *bgr = data + start + i * entry;
    used.push_back(Colour{bgr[2]} << 16 | Colour{bgr[1]} << 8 | bgr[0]);
  }
  FilledPalette filled;
  SetFill(filled, UnusedColour(std::move(used)));
  const size_t end = start + entries * entry, added = (capacity - entries) * entry;
  filled.data.assign(data, data + end);
  for (size_t i = entries; i < capacity; ++i) {
    filled.data.insert(filled.data.end(), {filled.fill[2], filled.fill[1], filled.fill[0]});
    if (!os2) filled.data.push_back(0);
  }
  filled.data.insert(filled.data.end(), data + end, data + size);
  const uint32_t moved = offset + static_cast<uint32_t>(added);
  for (int i = 0; i < 4; ++i) filled.data[10 + i] = static_cast<uint8_t>(moved >> (8 * i));
  return filled;
}

}  // namespace

std::optional<FilledPalette> FillShortPalette(const uint8_t *data, size_t size) {
  if (data == nullptr) return std::nullopt;
  if (auto png = FillPng(data, size)) return png;
  return FillBmp(data, size);
}

bool ShowsFill(const FilledPalette &palette, const uint8_t *pixels, size_t count, int channels) {
  if (channels < 3) return false;
  for (size_t i = 0; i < count; ++i, pixels += channels) {
    if (std::equal(pixels, pixels + 3, palette.fill)) return true;
  }
  return false;
}

}  // namespace velmora::imgprocess
