#include "core/printer/LabelCommandBytes.h"

namespace velmora::core::labelcmd {
namespace {

void PutTerminated(Bytes &out, std::string_view text) {
  PutText(out, text);
  out.push_back(0x00);
}

}  // namespace

Bytes EnableLabelMode() {
  return {0x1F, 0x28, 0x4C, 0x01, 0x00, 0x31};
}
Bytes DisableLabelMode() {
  return {0x1F, 0x28, 0x4C, 0x01, 0x00, 0x00};
}
Bytes CalibrateLabel() {
  return {0x1F, 0x63};
}
Bytes FeedLabel() {
  return {0x1A, 0x0C, 0x30};
}

Bytes PageBegin(int x, int y, int width, int height, int rotation) {
  Bytes out{0x1A, 0x5B, 0x01};
  PutLE16(out, x);
  PutLE16(out, y);
  PutLE16(out, width);
  PutLE16(out, height);
  PutByte(out, rotation);
  return out;
}

Bytes PagePrint(int copies) {
  return {0x1A, 0x4F, 0x01, Lo(copies)};
}

Bytes Text(int x, int y, int font, int style, std::string_view text) {
  Bytes out{0x1A, 0x54, 0x01};
  PutLE16(out, x);
  PutLE16(out, y);
  PutLE16(out, font);
  PutLE16(out, style);
  PutTerminated(out, text);
  return out;
}

Bytes BarcodeReadableTextPosition(int position) {
  return {0x1D, 0x48, Lo(position)};
}

Bytes Barcode(int x, int y, int type, int height, int unit_width, int rotation,
              std::string_view data) {
  Bytes out{0x1A, 0x30, 0x00};
  PutLE16(out, x);
  PutLE16(out, y);
  out.insert(out.end(), {Lo(type), Lo(height), Lo(unit_width), Lo(rotation)});
  PutTerminated(out, data);
  return out;
}

Bytes QRCode(int x, int y, int version, int ecc_level, int unit_width, int rotation,
             std::string_view data) {
  Bytes out{0x1A, 0x31, 0x00, Lo(version), Lo(ecc_level)};
  PutLE16(out, x);
  PutLE16(out, y);
  out.insert(out.end(), {Lo(unit_width), Lo(rotation)});
  PutTerminated(out, data);
  return out;
}

Bytes PDF417(int x, int y, int columns, int aspect_ratio, int ecc_level, int unit_width,
             int rotation, std::string_view data) {
  Bytes out{0x1A, 0x31, 0x01, Lo(columns), Lo(ecc_level), Lo(aspect_ratio)};
  PutLE16(out, x);
  PutLE16(out, y);
  out.insert(out.end(), {Lo(unit_width), Lo(rotation)});
  PutTerminated(out, data);
  return out;
}

Bytes Line(int start_x, int start_y, int end_x, int end_y, int line_width, int color) {
  Bytes out{0x1A, 0x5C, 0x01};
  PutLE16(out, start_x);
  PutLE16(out, start_y);
  PutLE16(out, end_x);
  PutLE16(out, end_y);
  PutLE16(out, line_width);
  PutByte(out, color);
  return out;
}

Bytes Rect(int x, int y, int width, int height, int color) {
  Bytes out{0x1A, 0x2A, 0x00};
  PutLE16(out, x);
  PutLE16(out, y);
  PutLE16(out, int64_t{x} + width);
  PutLE16(out, int64_t{y} + height);
  PutByte(out, color);
  return out;
}

Bytes Box(int x, int y, int width, int height, int border_width, int color) {
  Bytes out{0x1A, 0x26, 0x01};
  PutLE16(out, x);
  PutLE16(out, y);
  PutLE16(out, int64_t{x} + width);
  PutLE16(out, int64_t{y} + height);
  PutLE16(out, border_width);
  PutByte(out, color);
  return out;
}

}  // namespace velmora::core::labelcmd
