#pragma once

#include <cwchar>
#include <optional>
#include <string_view>

#include "nzcommon/pagelayout/PageLayout.h"

namespace velmora::nzcommon {

// Character cells of the printer's fonts, in dots: font A 12 x 24, font B 9 x 17, and the
// multi-byte (Kanji) font 24 x 24.
inline constexpr int kFontAWidth = 12;
inline constexpr int kFontAHeight = 24;
inline constexpr int kFontBHeight = 17;
inline constexpr int kKanjiWidth = 24;
inline constexpr int kKanjiHeight = 24;

// Characters of a line of text: single-byte (font A) and multi-byte (Kanji font) cells.
struct TextCells {
  int single_byte = 0;
  int multi_byte = 0;
};

// Text settings the printer applies to a line (scales as sent: 0 = normal, 1 = double, ...).
struct TextLook {
  int width_scale = 0;
  int height_scale = 0;
  int ascii_right_spacing = 0;
  int kanji_left_spacing = 0;
  int kanji_right_spacing = 0;
};

// Barcode settings the printer applies to a barcode.
struct BarcodeLook {
  int unit_width = 0;
  int height = 0;
  int text_position = 0;  // 0 none, 1 above, 2 below, 3 both
  int text_font = 0;      // 0 font A, 1 font B
};

// Cells of text in the printer's byte encoding: UTF-8 when the bytes are well-formed UTF-8,
// otherwise a double-byte encoding (a byte from 0x80 on starts a two-byte character).
TextCells CountTextCells(std::string_view bytes);
// Cells of wide text: characters below U+0080 and half-width katakana are single-byte.
TextCells CountTextCells(const wchar_t *text);

PL_Utils_Size TextExtent(const TextCells &cells, const TextLook &look);
// Width 0 for a symbology whose module count is not known.
PL_Utils_Size BarcodeExtent(int symbology, std::string_view data, const BarcodeLook &look);
// A square of QR modules, each `unit_width` dots; nothing when the symbol cannot be encoded.
std::optional<PL_Utils_Size> QRCodeExtent(const char *text, int version, int ecc_level,
                                          int unit_width);

}  // namespace velmora::nzcommon
