#include "core/printer/PosCommandBytes.h"

namespace velmora::core::poscmd {
namespace {

constexpr size_t kMaxByteLength = 0xFF;
constexpr size_t kMax16BitLength = 0xFFFF;

Bytes WithByte(uint8_t first, uint8_t second, int value) {
  return {first, second, Lo(value)};
}

Bytes WithLE16(uint8_t first, uint8_t second, int value) {
  Bytes out{first, second};
  PutLE16(out, value);
  return out;
}

// GS ( k with a one-byte parameter: 1D 28 6B 03 00 cn fn value.
void PutGsK3(Bytes &out, uint8_t cn, uint8_t fn, int64_t value) {
  out.insert(out.end(), {0x1D, 0x28, 0x6B, 0x03, 0x00, cn, fn});
  PutByte(out, value);
}

// GS ( k store command: 1D 28 6B pL pH cn 50 30 data, p = length + 3.
void PutGsKStore(Bytes &out, uint8_t cn, std::string_view data) {
  out.insert(out.end(), {0x1D, 0x28, 0x6B});
  PutLE16(out, static_cast<int64_t>(data.size()) + 3);
  out.insert(out.end(), {cn, 0x50, 0x30});
  PutText(out, data);
}

// Direction byte and 16-bit distance of a position before (m = 1) or after (m = 0) the mark.
Bytes BlackMarkPosition(uint8_t function, int position) {
  Bytes out{0x1D, 0x28, 0x46, 0x04, 0x00, function};
  const int64_t value = position;
  PutByte(out, value < 0 ? 1 : 0);
  PutLE16(out, value < 0 ? -value : value);
  return out;
}

}  // namespace

Bytes KickOutDrawer(int drawer_index, int high_level_time, int low_level_time) {
  return {0x1B, 0x70, Lo(drawer_index), Lo(high_level_time), Lo(low_level_time)};
}
Bytes Beep(int count, int milliseconds) {
  return {0x1B, 0x42, Lo(count), Lo(milliseconds / 100)};
}
Bytes FeedAndHalfCutPaper() {
  return {0x1D, 0x56, 0x42, 0x00};
}
Bytes FullCutPaper() {
  return {0x1B, 0x69};
}
Bytes HalfCutPaper() {
  return {0x1B, 0x6D};
}
Bytes FeedLine(int lines) {
  return WithByte(0x1B, 0x64, lines);
}
Bytes FeedDot(int dots) {
  return WithByte(0x1B, 0x4A, dots);
}
Bytes PrintSelfTestPage() {
  return {0x12, 0x54};
}
Bytes ResetPrinter() {
  return {0x1B, 0x40};
}

MaybeBytes Barcode(int symbology, std::string_view data) {
  if (data.size() > kMaxByteLength) return std::nullopt;
  Bytes out{0x1D, 0x6B, Lo(symbology), Lo(static_cast<int64_t>(data.size()))};
  PutText(out, data);
  return out;
}

MaybeBytes QRCode(int version, int ecc_level, std::string_view data) {
  if (data.size() > kMax16BitLength) return std::nullopt;
  Bytes out{0x1D, 0x6B, 0x61, Lo(version), Lo(ecc_level)};
  PutLE16(out, static_cast<int64_t>(data.size()));
  PutText(out, data);
  return out;
}

MaybeBytes QRCodeEpson(int unit_width, int ecc_level, std::string_view data) {
  if (data.size() + 3 > kMax16BitLength) return std::nullopt;
  Bytes out;
  PutGsK3(out, 0x31, 0x43, unit_width);
  PutGsK3(out, 0x31, 0x45, int64_t{ecc_level} + 47);  // 1 (L) becomes '0'
  PutGsKStore(out, 0x31, data);
  PutGsK3(out, 0x31, 0x51, 0x30);
  return out;
}

MaybeBytes DoubleQRCode(int unit_width, int position1, int version1, int ecc_level1,
                        std::string_view data1, int position2, int version2, int ecc_level2,
                        std::string_view data2) {
  if (data1.size() > kMax16BitLength || data2.size() > kMax16BitLength) return std::nullopt;
  Bytes out{0x1F, 0x51, 0x02, Lo(unit_width)};
  const auto put_code = [&out](int position, int version, int ecc_level, std::string_view data) {
    PutBE16(out, position);
    PutBE16(out, static_cast<int64_t>(data.size()));
    PutByte(out, version);
    PutByte(out, ecc_level);
    PutText(out, data);
  };
  put_code(position1, version1, ecc_level1, data1);
  put_code(position2, version2, ecc_level2, data2);
  return out;
}

MaybeBytes PDF417Epson(int columns, int rows, int unit_width, int row_height, int ecc_level,
                       int options, std::string_view data) {
  if (data.size() + 3 > kMax16BitLength) return std::nullopt;
  Bytes out;
  PutGsK3(out, 0x30, 0x41, columns);
  PutGsK3(out, 0x30, 0x42, rows);
  PutGsK3(out, 0x30, 0x43, unit_width);
  PutGsK3(out, 0x30, 0x44, row_height);
  out.insert(out.end(), {0x1D, 0x28, 0x6B, 0x04, 0x00, 0x30, 0x45, 0x30});
  PutByte(out, int64_t{ecc_level} + 0x30);
  PutGsK3(out, 0x30, 0x46, options);
  PutGsKStore(out, 0x30, data);
  PutGsK3(out, 0x30, 0x51, 0x30);
  return out;
}

Bytes HorizontalLine(int start, int end) {
  Bytes out{0x1D, 0x27, 0x01};
  PutLE16(out, start);
  PutLE16(out, end);
  return out;
}

MaybeBytes HorizontalLineWithThickness(int start, int end, int thickness) {
  const Bytes row = HorizontalLine(start, end);
  if (thickness <= 0 || int64_t{thickness} * static_cast<int64_t>(row.size()) > kMaxCommandLength) {
    return std::nullopt;
  }
  Bytes out;
  out.reserve(row.size() * static_cast<size_t>(thickness));
  for (int i = 0; i < thickness; ++i) out.insert(out.end(), row.begin(), row.end());
  return out;
}

MaybeBytes MultipleHorizontalLines(int count, const int *starts, const int *ends) {
  // The count travels in one byte; a count it cannot carry would draw other lines than asked.
  if (count < 0 || count > 0xFF) return std::nullopt;
  if (count > 0 && (starts == nullptr || ends == nullptr)) return std::nullopt;
  Bytes out{0x1D, 0x27, Lo(count)};
  for (int i = 0; i < count; ++i) {
    PutLE16(out, starts[i]);
    PutLE16(out, ends[i]);
  }
  return out;
}

Bytes PrintSpeed(int speed) {
  Bytes out{0x1F, 0x28, 0x73, 0x02, 0x00};
  PutLE16(out, speed);
  return out;
}
Bytes PrintDensity(int density) {
  return WithByte(0x12, 0x23, density);
}
Bytes SingleByteMode() {
  return {0x1C, 0x2E};
}
Bytes CharacterSet(int set) {
  return WithByte(0x1B, 0x52, set);
}
Bytes CharacterCodepage(int codepage) {
  return WithByte(0x1B, 0x74, codepage);
}
Bytes MultiByteMode() {
  return {0x1C, 0x26};
}
Bytes MultiByteEncoding(int encoding) {
  return WithByte(0x1B, 0x39, encoding);
}
Bytes MovementUnit(int horizontal, int vertical) {
  return {0x1D, 0x50, Lo(horizontal), Lo(vertical)};
}
Bytes PrintAreaLeftMargin(int margin) {
  return WithLE16(0x1D, 0x4C, margin);
}
Bytes PrintAreaWidth(int width) {
  return WithLE16(0x1D, 0x57, width);
}
Bytes HorizontalAbsolutePosition(int position) {
  return WithLE16(0x1B, 0x24, position);
}
Bytes HorizontalRelativePosition(int position) {
  return WithLE16(0x1B, 0x5C, position);
}
Bytes VerticalAbsolutePosition(int position) {
  return WithLE16(0x1D, 0x24, position);
}
Bytes VerticalRelativePosition(int position) {
  return WithLE16(0x1D, 0x5C, position);
}
Bytes Alignment(int alignment) {
  return WithByte(0x1B, 0x61, alignment);
}
Bytes TextScale(int width_scale, int height_scale) {
  return {0x1D, 0x21, static_cast<uint8_t>(((width_scale & 7) << 4) | (height_scale & 7))};
}
Bytes AsciiTextFontType(int font) {
  return WithByte(0x1B, 0x4D, font);
}
Bytes TextBold(int bold) {
  return WithByte(0x1B, 0x45, bold);
}
Bytes AsciiTextUnderline(int underline) {
  return WithByte(0x1B, 0x2D, underline);
}
Bytes KanjiTextUnderline(int underline) {
  return WithByte(0x1C, 0x2D, underline);
}
Bytes TextUpsideDown(int upside_down) {
  return WithByte(0x1B, 0x7B, upside_down);
}
Bytes TextWhiteOnBlack(int white_on_black) {
  return WithByte(0x1D, 0x42, white_on_black);
}
Bytes TextRotate(int rotate) {
  return WithByte(0x1B, 0x56, rotate);
}
Bytes TextLineHeight(int line_height) {
  return WithByte(0x1B, 0x33, line_height);
}
Bytes AsciiTextCharRightSpacing(int spacing) {
  return WithByte(0x1B, 0x20, spacing);
}
Bytes KanjiTextCharSpacing(int left, int right) {
  return {0x1C, 0x53, Lo(left), Lo(right)};
}
Bytes BarcodeUnitWidth(int unit_width) {
  return WithByte(0x1D, 0x77, unit_width);
}
Bytes BarcodeHeight(int height) {
  return WithByte(0x1D, 0x68, height);
}
Bytes BarcodeReadableTextFontType(int font) {
  return WithByte(0x1D, 0x66, font);
}
Bytes BarcodeReadableTextPosition(int position) {
  return WithByte(0x1D, 0x48, position);
}

Bytes SelectPageMode() {
  return {0x1B, 0x4C};
}
Bytes ExitPageMode() {
  return {0x1B, 0x53};
}
Bytes PrintPage() {
  return {0x1B, 0x0C};
}
Bytes ClearPage() {
  return {0x18};
}
Bytes PageArea(int x, int y, int width, int height) {
  Bytes out{0x1B, 0x57};
  PutLE16(out, x);
  PutLE16(out, y);
  PutLE16(out, width);
  PutLE16(out, height);
  return out;
}
Bytes PageDrawDirection(int direction) {
  return WithByte(0x1B, 0x54, direction);
}
Bytes PageRectangle(int x1, int y1, int x2, int y2, int color) {
  Bytes out{0x1F, 0x28, 0x52, 0x0A, 0x00};
  PutBE16(out, x1);
  PutBE16(out, y1);
  PutBE16(out, x2);
  PutBE16(out, y2);
  PutByte(out, color);
  PutByte(out, 0x01);
  return out;
}

Bytes EnableBlackMarkMode() {
  return {0x1F, 0x1B, 0x1F, 0x80, 0x04, 0x05, 0x06, 0x44};
}
Bytes DisableBlackMarkMode() {
  return {0x1F, 0x1B, 0x1F, 0x80, 0x04, 0x05, 0x06, 0x66};
}
Bytes BlackMarkMaxFindLength(int length) {
  Bytes out{0x1F, 0x1B, 0x1F, 0x81, 0x04, 0x05, 0x06};
  PutLE16(out, length);
  return out;
}
Bytes FindNextBlackMark() {
  return {0x1D, 0x0C};
}
Bytes BlackMarkPaperPrintPosition(int position) {
  return BlackMarkPosition(0x01, position);
}
Bytes BlackMarkPaperCutPosition(int position) {
  return BlackMarkPosition(0x02, position);
}
Bytes FullCutBlackMarkPaper() {
  return {0x1D, 0x56, 0x00};
}
Bytes HalfCutBlackMarkPaper() {
  return {0x1D, 0x56, 0x01};
}

}  // namespace velmora::core::poscmd
