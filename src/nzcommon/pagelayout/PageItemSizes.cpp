#include "nzcommon/pagelayout/PageItemSizes.h"

#include <algorithm>
#include <cstdint>

#include "nzcommon/nzbarcode/BarcodeModuleCount.h"
#include "nzcommon/qrcode/QrModuleCount.h"

namespace velmora::nzcommon {
namespace {

int Saturate(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool IsHalfWidth(uint32_t code_point) {
  return code_point < 0x80 || (code_point >= 0xFF61 && code_point <= 0xFF9F);
}

void AddCharacter(TextCells &cells, uint32_t code_point) {
  if (code_point < 0x20) return;  // control bytes take no room
  if (IsHalfWidth(code_point)) {
    ++cells.single_byte;
  } else {
    ++cells.multi_byte;
  }
}

// Decodes well-formed UTF-8; false at the first ill-formed sequence.
bool CountUtf8(std::string_view bytes, TextCells &cells) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    size_t length = 0;
    uint32_t code_point = 0;
    if (lead < 0x80) {
      length = 1;
      code_point = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code_point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code_point = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code_point = lead & 0x07u;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code_point = (code_point << 6) | (next & 0x3Fu);
    }
    const bool overlong =
        (length == 3 && code_point < 0x800) || (length == 4 && code_point < 0x10000);
    if (overlong || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      return false;
    }
    AddCharacter(cells, code_point);
    i += length;
  }
  return true;
}

TextCells CountDoubleByte(std::string_view bytes) {
  TextCells cells;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<uint8_t>(bytes[i]);
    if (byte < 0x80) {
      AddCharacter(cells, byte);
    } else {
      ++cells.multi_byte;
      ++i;  // the trail byte
    }
  }
  return cells;
}

}  // namespace

TextCells CountTextCells(std::string_view bytes) {
  TextCells cells;
  if (CountUtf8(bytes, cells)) return cells;
  return CountDoubleByte(bytes);
}

TextCells CountTextCells(const wchar_t *text) {
  TextCells cells;
  if (text == nullptr) return cells;
  for (; *text != L'\0'; ++text) AddCharacter(cells, static_cast<uint32_t>(*text));
  return cells;
}

PL_Utils_Size TextExtent(const TextCells &cells, const TextLook &look) {
  // The right-side spacings are magnified with the characters, as the printer does.
  const int64_t width_factor = int64_t{look.width_scale} + 1;
  const int64_t single = (int64_t{kFontAWidth} + look.ascii_right_spacing) * width_factor;
  const int64_t multi =
      (int64_t{look.kanji_left_spacing} + kKanjiWidth + look.kanji_right_spacing) * width_factor;
  // Font A and the Kanji font are equally tall.
  static_assert(kFontAHeight == kKanjiHeight);
  const bool any = cells.single_byte > 0 || cells.multi_byte > 0;
  const int64_t height = any ? int64_t{kFontAHeight} * (int64_t{look.height_scale} + 1) : 0;
  return PL_Utils_Size{Saturate(single * cells.single_byte + multi * cells.multi_byte),
                       Saturate(height)};
}

PL_Utils_Size BarcodeExtent(int symbology, std::string_view data, const BarcodeLook &look) {
  const int64_t modules = BarcodeModuleCount(symbology, data);
  // GS f 1 (or '1') selects font B for the readable text.
  const int text_height =
      (look.text_font == 1 || look.text_font == '1') ? kFontBHeight : kFontAHeight;
  int text_lines = 0;
  switch (look.text_position) {
    case 1:
    case 2:
    case '1':
    case '2':
      text_lines = 1;
      break;
    case 3:
    case '3':
      text_lines = 2;
      break;
    default:
      break;
  }
  return PL_Utils_Size{Saturate(modules * look.unit_width),
                       Saturate(int64_t{look.height} + int64_t{text_lines} * text_height)};
}

std::optional<PL_Utils_Size> QRCodeExtent(const char *text, int version, int ecc_level,
                                          int unit_width) {
  const auto modules = QrModuleCount(text, version, ecc_level);
  if (!modules) return std::nullopt;
  const int side = Saturate(int64_t{*modules} * unit_width);
  return PL_Utils_Size{side, side};
}

}  // namespace velmora::nzcommon
