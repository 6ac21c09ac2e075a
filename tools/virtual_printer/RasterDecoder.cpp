#include "RasterDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <jbig85.h>
}

namespace velmora::vprinter {

namespace {

// The most dots a compressed picture may have: more than the library ever frames (2^25 pixels,
// rows padded to whole bytes). Its bitmap is made before the data is decoded, so a header may
// not ask for more.
constexpr uint64_t kMaxCompressedDots = uint64_t{1} << 26;

uint32_t Le16(const uint8_t *p) {
  return p[0] | (p[1] << 8);
}
uint32_t Le32(const uint8_t *p) {
  return Le16(p) | (Le16(p + 2) << 16);
}

bool Starts(const uint8_t *data, size_t left, std::initializer_list<uint8_t> prefix) {
  if (left < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), data);
}

// Rows of `stride` bytes copied into a bitmap `width_dots` wide.
Bitmap FromRows(const uint8_t *rows, int width_dots, int height) {
  Bitmap bitmap(width_dots, height);
  std::memcpy(bitmap.bits.data(), rows, bitmap.bits.size());
  return bitmap;
}

struct JbigSink {
  Bitmap *bitmap;
  unsigned long lines = 0;
  bool bad = false;
};

int JbigLineOut(const jbg85_dec_state *, unsigned char *start, size_t len, unsigned long y,
                void *file) {
  auto *sink = static_cast<JbigSink *>(file);
  if (y >= static_cast<unsigned long>(sink->bitmap->height) ||
      len != static_cast<size_t>(sink->bitmap->stride)) {
    sink->bad = true;
    return 1;  // stop decoding
  }
  std::memcpy(sink->bitmap->bits.data() + y * sink->bitmap->stride, start, len);
  sink->lines = y + 1;
  return 0;
}

class Parser {
 public:
  Parser(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  DecodedRaster Run() {
    while (pos_ < size_ && result_.error.empty()) Step();
    return std::move(result_);
  }

 private:
  size_t left() const { return size_ - pos_; }
  const uint8_t *at() const { return data_ + pos_; }
  void Fail(const std::string &what) { result_.error = what + " at byte " + std::to_string(pos_); }

  void Add(RasterPiece::Kind kind, int x, int y, Bitmap bitmap) {
    RasterPiece piece{kind, x, y, std::move(bitmap), sheet_, layout_};
    result_.pieces.push_back(std::move(piece));
  }

  void Move(PaperMove::Kind kind, int dots = 0) {
    result_.moves.push_back({kind, dots, result_.pieces.size()});
  }

  // Commands that lay out receipts or move the paper; false for any other bytes.
  bool Layout() {
    const uint8_t *p = at();
    const size_t n = left();
    if (Starts(p, n, {0x1B, 0x40})) {  // ESC @: the printer's settings back to their start
      layout_ = ReceiptLayout{};
      line_height_ = kLineHeight;
      pos_ += 2;
    } else if (Starts(p, n, {0x1B, 0x61}) && n >= 3) {  // ESC a n, n also as '0' .. '2'
      if (p[2] <= 2 || (p[2] >= '0' && p[2] <= '2')) layout_.alignment = p[2] % '0';
      pos_ += 3;
    } else if (Starts(p, n, {0x1D, 0x4C}) && n >= 4) {
      layout_.left_margin = static_cast<int>(Le16(p + 2));
      pos_ += 4;
    } else if (Starts(p, n, {0x1D, 0x57}) && n >= 4) {
      layout_.area_width = static_cast<int>(Le16(p + 2));
      pos_ += 4;
    } else if (Starts(p, n, {0x1B, 0x4A}) && n >= 3) {
      Move(PaperMove::Kind::kFeed, p[2]);
      pos_ += 3;
    } else if (Starts(p, n, {0x1B, 0x64}) && n >= 3) {
      Move(PaperMove::Kind::kFeed, p[2] * line_height_);
      pos_ += 3;
    } else if (Starts(p, n, {0x1B, 0x33}) && n >= 3) {
      line_height_ = p[2];
      pos_ += 3;
    } else if (Starts(p, n, {0x1B, 0x69}) || Starts(p, n, {0x1B, 0x6D})) {
      Move(PaperMove::Kind::kCut);
      pos_ += 2;
    } else if (Starts(p, n, {0x1D, 0x56}) && n >= 3) {
      const bool feeds = (p[2] == 65 || p[2] == 66) && n >= 4;
      if (feeds) Move(PaperMove::Kind::kFeed, p[3]);
      Move(PaperMove::Kind::kCut);
      pos_ += feeds ? 4 : 3;
    } else {
      return false;
    }
    return true;
  }

  // Other commands of the image print job whose parameters could read as commands.
  bool SkipWhole() {
    static const struct {
      std::initializer_list<uint8_t> start;
      size_t length;
    } kCommands[] = {
        {{0x1F, 0x28, 0x73, 0x02, 0x00}, 7},  // print speed
        {{0x1B, 0x70}, 5},                    // drawer pulse
    };
    for (const auto &command : kCommands) {
      if (Starts(at(), left(), command.start) && left() >= command.length) {
        pos_ += command.length;
        return true;
      }
    }
    return false;
  }

  void Step() {
    const uint8_t *p = at();
    if (Starts(p, left(), {0x1D, 0x76, 0x30})) return GsV0();
    if (Starts(p, left(), {0x1F, 0x28, 0x50})) return RunLength();
    if (Starts(p, left(), {0x1F, 0x28, 0x4A})) return JbigBand();
    if (Starts(p, left(), {0x1D, 0x38, 0x4C})) return PageGraphics();
    if (Starts(p, left(), {0x1A, 0x21, 0x01})) return Label(false);
    if (Starts(p, left(), {0x1A, 0x21, 0xFF})) return Label(true);
    if (Starts(p, left(), {0x1B, 0x24}) && left() >= 4) {
      page_x_ = static_cast<int>(Le16(p + 2));
      pos_ += 4;
      return;
    }
    if (Starts(p, left(), {0x1D, 0x24}) && left() >= 4) {
      page_y_ = static_cast<int>(Le16(p + 2));
      pos_ += 4;
      return;
    }
    if (Layout() || SkipWhole()) return;
    if (Starts(p, left(), {0x1B, 0x4C})) return BeginSheet(2);  // ESC L
    if (Starts(p, left(), {0x1A, 0x5B, 0x01}) && left() >= 12) return BeginSheet(12);
    if (Starts(p, left(), {0x1B, 0x0C}) || Starts(p, left(), {0x1A, 0x4F, 0x01})) {
      sheet_ = -1;
    }
    ++pos_;
  }

  void BeginSheet(size_t length) {
    sheet_ = result_.sheets++;
    page_x_ = page_y_ = 0;
    pos_ += length;
  }

  void GsV0() {
    if (left() < 8) return Fail("truncated GS v 0 header");
    const uint32_t x = Le16(at() + 4), y = Le16(at() + 6);
    const size_t n = size_t{x} * y;
    if (at()[3] != 0 || x == 0 || y == 0) return Fail("bad GS v 0 header");
    if (left() - 8 < n) return Fail("truncated GS v 0 data");
    Add(RasterPiece::Kind::kGsV0, 0, 0, FromRows(at() + 8, static_cast<int>(x * 8), y));
    pos_ += 8 + n;
  }

  void RunLength() {
    if (left() < 7) return Fail("truncated run-length header");
    const uint32_t p = Le16(at() + 3), x = Le16(at() + 5);
    if (p < 2 || x == 0) return Fail("bad run-length header");
    if (left() - 5 < p) return Fail("truncated run-length data");
    std::vector<uint8_t> row;
    if (!DecodePackBits(at() + 7, p - 2, x, row)) return Fail("bad run-length code");
    Add(RasterPiece::Kind::kRunLength, 0, 0, FromRows(row.data(), static_cast<int>(x * 8), 1));
    pos_ += 5 + p;
  }

  void JbigBand() {
    if (left() < 11) return Fail("truncated JBIG band header");
    const uint32_t x = Le16(at() + 3), y = Le16(at() + 5), n = Le32(at() + 7);
    if (x == 0 || y == 0 || y > 255) return Fail("bad JBIG band header");
    if (uint64_t{x} * 8 * y > kMaxCompressedDots) return Fail("JBIG band too large");
    if (left() - 11 < n) return Fail("truncated JBIG band data");
    Bitmap bitmap;
    if (!DecodeJbig85(at() + 11, n, static_cast<int>(x * 8), static_cast<int>(y), bitmap)) {
      return Fail("bad JBIG band data");
    }
    Add(RasterPiece::Kind::kJbigBand, 0, 0, std::move(bitmap));
    pos_ += 11 + size_t{n};
  }

  void PageGraphics() {
    if (left() < 17) return Fail("truncated GS 8 L header");
    const uint32_t p = Le32(at() + 3);
    const uint8_t *f = at() + 7;  // m fn a bx by c xL xH yL yH
    if (f[0] != 0x30 || f[1] != 0x70 || f[2] != 0x30 || f[3] != 1 || f[4] != 1 || f[5] != 0x31) {
      return Fail("unsupported GS 8 L graphics");
    }
    const uint32_t x = Le16(f + 6), y = Le16(f + 8);
    if (x == 0 || y == 0 || p != 10 + size_t{(x + 7) / 8} * y) return Fail("bad GS 8 L size");
    if (left() - 7 < p) return Fail("truncated GS 8 L data");
    // Page mode draws pictures upward from the print position, as it does characters.
    Add(RasterPiece::Kind::kPage, page_x_, page_y_ - static_cast<int>(y),
        FromRows(at() + 17, static_cast<int>(x), static_cast<int>(y)));
    pos_ += 7 + size_t{p};
  }

  void Label(bool jbig) {
    const size_t header = jbig ? 15 : 13;
    if (left() < header) return Fail("truncated label graphics header");
    const uint8_t *p = at();
    const int x = static_cast<int>(Le16(p + 3)), y = static_cast<int>(Le16(p + 5));
    const uint32_t w = Le16(p + 7), h = Le16(p + 9);
    if (w == 0 || w % 8 != 0 || h == 0) return Fail("bad label graphics size");
    if (jbig) {
      if (uint64_t{w} * h > kMaxCompressedDots) return Fail("label JBIG picture too large");
      const uint32_t n = Le32(p + 11);
      if (left() - header < n) return Fail("truncated label JBIG data");
      Bitmap bitmap;
      if (!DecodeJbig85(p + header, n, static_cast<int>(w), static_cast<int>(h), bitmap)) {
        return Fail("bad label JBIG data");
      }
      Add(RasterPiece::Kind::kLabelJbig, x, y, std::move(bitmap));
      pos_ += header + n;
      return;
    }
    const size_t n = size_t{w / 8} * h;
    if (Le16(p + 11) != 0) return Fail("unknown label graphics style");
    if (left() - header < n) return Fail("truncated label graphics data");
    Add(RasterPiece::Kind::kLabel, x, y, FromRows(p + header, static_cast<int>(w), h));
    pos_ += header + n;
  }

  static constexpr int kLineHeight = 32;  // dots, until ESC 3 sets another

  const uint8_t *data_;
  size_t size_;
  size_t pos_ = 0;
  int page_x_ = 0;
  int page_y_ = 0;
  int sheet_ = -1;
  ReceiptLayout layout_;
  int line_height_ = kLineHeight;
  DecodedRaster result_;
};

}  // namespace

bool DecodePackBits(const uint8_t *code, size_t size, size_t expected, std::vector<uint8_t> &out) {
  out.clear();
  size_t i = 0;
  while (i < size) {
    const uint8_t control = code[i++];
    if (control < 128) {
      const size_t count = size_t{control} + 1;
      if (size - i < count || out.size() + count > expected) return false;
      out.insert(out.end(), code + i, code + i + count);
      i += count;
    } else if (control > 128) {
      const size_t count = 257 - size_t{control};
      if (i >= size || out.size() + count > expected) return false;
      out.insert(out.end(), count, code[i++]);
    }
  }
  return out.size() == expected;
}

bool DecodeJbig85(const uint8_t *code, size_t size, int width, int height, Bitmap &out) {
  out = Bitmap(width, height);
  std::vector<uint8_t> lines(static_cast<size_t>(out.stride) * 3);
  JbigSink sink{&out};
  jbg85_dec_state state;
  jbg85_dec_init(&state, lines.data(), lines.size(), JbigLineOut, &sink);
  size_t used = 0;
  int status = jbg85_dec_in(&state, const_cast<unsigned char *>(code), size, &used);
  if (status == JBG_EAGAIN) status = jbg85_dec_end(&state);
  if (sink.bad || (status != JBG_EOK && status != JBG_EOK_INTR)) return false;
  return state.x0 == static_cast<unsigned long>(width) &&
         state.y0 == static_cast<unsigned long>(height) &&
         sink.lines == static_cast<unsigned long>(height);
}

DecodedRaster DecodeRasterCommands(const uint8_t *data, size_t size) {
  return Parser(data, size).Run();
}

Bitmap StackReceiptPieces(const DecodedRaster &decoded) {
  int width = 0, height = 0;
  for (const auto &piece : decoded.pieces) {
    if (!piece.receipt()) continue;
    width = std::max(width, piece.bitmap.width);
    height += piece.bitmap.height;
  }
  Bitmap paper(width, height);
  int top = 0;
  for (const auto &piece : decoded.pieces) {
    if (!piece.receipt()) continue;
    for (int y = 0; y < piece.bitmap.height; ++y) {
      std::memcpy(paper.bits.data() + static_cast<size_t>(top + y) * paper.stride,
                  piece.bitmap.bits.data() + static_cast<size_t>(y) * piece.bitmap.stride,
                  piece.bitmap.stride);
    }
    top += piece.bitmap.height;
  }
  return paper;
}

}  // namespace velmora::vprinter
