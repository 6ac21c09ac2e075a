#include "PngCraft.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace velmora::vprinter {
namespace {

using Bytes = std::vector<uint8_t>;

void PutBe32(Bytes &out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t Crc32(const uint8_t *data, size_t size) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutChunk(Bytes &png, std::string_view type, const Bytes &data) {
  PutBe32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type.begin(), type.end());
  png.insert(png.end(), data.begin(), data.end());
  PutBe32(png, Crc32(png.data() + start, png.size() - start));
}

// A whole PNG around a zlib stream.
Bytes Png(const PngHeader &header, const Bytes &zlib, const Bytes &palette) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  PutBe32(ihdr, header.width);
  PutBe32(ihdr, header.height);
  ihdr.insert(ihdr.end(), {header.depth, header.colour_type, 0, 0, header.interlace});
  PutChunk(png, "IHDR", ihdr);
  if (!palette.empty()) PutChunk(png, "PLTE", palette);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

// Deflate bits, least significant first; Huffman codes go most significant bit first.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) PutBit((value >> i) & 1);
  }
  void PutCode(uint32_t code, int bits) {
    for (int i = bits - 1; i >= 0; --i) PutBit((code >> i) & 1);
  }
  Bytes Finish() {
    if (used_ > 0) bytes_.push_back(current_);
    return std::move(bytes_);
  }

 private:
  void PutBit(uint32_t bit) {
    current_ |= static_cast<uint8_t>(bit << used_);
    if (++used_ == 8) {
      bytes_.push_back(current_);
      current_ = 0;
      used_ = 0;
    }
  }
  Bytes bytes_;
  uint8_t current_ = 0;
  int used_ = 0;
};

constexpr uint32_t kAdlerModulus = 65521;

Bytes Zlib(const Bytes &deflate, uint32_t adler) {
  Bytes zlib(2 + deflate.size());
  zlib[0] = 0x78;  // deflate, 32 KiB window
  zlib[1] = 0x01;  // no dictionary; the header's check
  std::copy(deflate.begin(), deflate.end(), zlib.begin() + 2);
  PutBe32(zlib, adler);
  return zlib;
}

int ChannelsOf(uint8_t colour_type) {
  switch (colour_type) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

}  // namespace

uint64_t PngDataBytes(const PngHeader &header) {
  struct Pass {
    uint32_t x0, y0, dx, dy;
  };
  static constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  static constexpr Pass kWhole[] = {{0, 0, 1, 1}};
  const uint64_t bits_per_pixel = uint64_t{header.depth} * ChannelsOf(header.colour_type);
  uint64_t total = 0;
  for (const Pass &p : header.interlace ? std::vector<Pass>(std::begin(kAdam7), std::end(kAdam7))
                                        : std::vector<Pass>(std::begin(kWhole), std::end(kWhole))) {
    const uint64_t w = header.width > p.x0 ? (header.width - p.x0 + p.dx - 1) / p.dx : 0;
    const uint64_t h = header.height > p.y0 ? (header.height - p.y0 + p.dy - 1) / p.dy : 0;
    if (w > 0) total += h * (1 + (w * bits_per_pixel + 7) / 8);
  }
  return total;
}

Bytes PngOf(const PngHeader &header, const Bytes &data, const Bytes &palette) {
  // Stored blocks of at most 65535 bytes: 1 final bit, type 00, then byte-aligned lengths.
  Bytes deflate;
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(data.size() - at, 0xFFFF);
    deflate.push_back(at + n == data.size() ? 1 : 0);
    deflate.insert(deflate.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                   static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)});
    deflate.insert(deflate.end(), data.begin() + at, data.begin() + at + n);
    at += n;
  } while (at < data.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % kAdlerModulus;
    b = (b + a) % kAdlerModulus;
  }
  return Png(header, Zlib(deflate, b << 16 | a), palette);
}

Bytes PngOfZeros(const PngHeader &header, uint64_t zeros, const Bytes &palette) {
  // One block with the fixed codes: a literal 0, then copies of 258 bytes from 1 back.
  constexpr uint32_t kLiteralZero = 0x30, kLength258 = 0xC5, kEndOfBlock = 0;
  BitWriter bits;
  bits.Put(1, 1);  // final block
  bits.Put(1, 2);  // fixed Huffman codes
  uint64_t left = zeros;
  if (left > 0) {
    bits.PutCode(kLiteralZero, 8);
    --left;
  }
  for (; left >= 258; left -= 258) {
    bits.PutCode(kLength258, 8);
    bits.PutCode(0, 5);  // distance 1
  }
  for (; left > 0; --left) bits.PutCode(kLiteralZero, 8);
  bits.PutCode(kEndOfBlock, 7);
  // Adler-32 of zeros: the byte sum stays 1, the sum of sums grows by 1 a byte.
  const uint32_t b = static_cast<uint32_t>(zeros % kAdlerModulus);
  return Png(header, Zlib(bits.Finish(), b << 16 | 1), palette);
}

}  // namespace velmora::vprinter
