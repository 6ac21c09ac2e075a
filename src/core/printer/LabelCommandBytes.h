#pragma once

#include <string_view>

#include "core/printer/CommandBytes.h"

// Byte builders of the label commands (framed with a leading 1A, 16-bit fields little-endian).
namespace velmora::core::labelcmd {

Bytes EnableLabelMode();
Bytes DisableLabelMode();
Bytes CalibrateLabel();
Bytes FeedLabel();
Bytes PageBegin(int x, int y, int width, int height, int rotation);
Bytes PagePrint(int copies);
// Text, barcode, QR and PDF417 data end with a 0 byte.
Bytes Text(int x, int y, int font, int style, std::string_view text);
Bytes BarcodeReadableTextPosition(int position);
Bytes Barcode(int x, int y, int type, int height, int unit_width, int rotation,
              std::string_view data);
Bytes QRCode(int x, int y, int version, int ecc_level, int unit_width, int rotation,
             std::string_view data);
Bytes PDF417(int x, int y, int columns, int aspect_ratio, int ecc_level, int unit_width,
             int rotation, std::string_view data);
Bytes Line(int start_x, int start_y, int end_x, int end_y, int line_width, int color);
// The far corner is x + width, y + height.
Bytes Rect(int x, int y, int width, int height, int color);
Bytes Box(int x, int y, int width, int height, int border_width, int color);

}  // namespace velmora::core::labelcmd
