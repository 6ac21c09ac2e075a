#pragma once

#include <cwchar>
#include <string_view>

#include "core/printer/CommandBytes.h"
#include "core/printer/NZIOHolder.h"
#include "core/printer/PrinterProperties.h"
#include "nzcommon/pagelayout/PageLayout.h"

namespace velmora::core {

// The receipt command object of a port: receipt, page-mode and black-mark commands. Every
// command is built whole and written in one call; settings that page-mode layout needs are
// recorded in the port's property cache only after their command was written completely.
class NZPosPrinter {
 public:
  NZPosPrinter(IOHandle &port, PrinterPropertyCache &properties)
      : io_(port), properties_(properties) {}

  // One whole command in one write; true when every byte was written. Nothing (a command
  // that cannot be built) writes nothing and gives false.
  bool Send(const Bytes &command) { return io_.WriteCommand(command); }
  bool Send(const MaybeBytes &command) { return command.has_value() && Send(*command); }

  // ESC J 255 for every whole 255 dots, then ESC J with the rest; the last write's result.
  bool POS_FeedDots(int dots);
  // ESC - n then FS - n; the second write's result.
  bool POS_SetTextUnderline(int underline);
  // The wide text converted into `charset`; false with nothing written when it cannot be.
  bool POS_PrintTextIn(const wchar_t *text, const char *charset);
  bool POS_PrintBarcodeCode128Auto(std::string_view text);

  bool POS_SetTextScale(int width_scale, int height_scale);
  bool POS_SetTextLineHeight(int line_height);
  bool POS_SetAsciiTextCharRightSpacing(int spacing);
  bool POS_SetKanjiTextCharSpacing(int left, int right);
  bool POS_SetBarcodeUnitWidth(int unit_width);
  bool POS_SetBarcodeHeight(int height);
  bool POS_SetBarcodeReadableTextFontType(int font);
  bool POS_SetBarcodeReadableTextPosition(int position);

  // Page mode.
  bool POS_SelectPageModeEx(int horizontal_unit, int vertical_unit, int x, int y, int width,
                            int height);
  bool POS_SetPageArea(int x, int y, int width, int height);
  bool POS_SetPageDrawDirection(int direction);
  bool POS_PageDrawRect(int x, int y, int width, int height, int color);
  bool POS_PageDrawBox(int x, int y, int width, int height, int border_width, int border_color);
  bool POS_PageDrawText(int x, int y, std::string_view text);
  bool POS_PageDrawTextIn(int x, int y, const wchar_t *text, const char *charset);
  bool POS_PageDrawBarcode(int x, int y, int symbology, std::string_view data);
  bool POS_PageDrawQRCode(int x, int y, int version, int ecc_level, const char *data);

  // The print position (for ESC $ and GS $) of an item of `size` that the printer draws upward
  // from the print position, placed in the kept page area with the kept direction.
  PL_Utils_Position PagePrintPosition(int x, int y, PL_Utils_Size size) const;
  // Writes ESC $ x, GS $ y and then `item`, stopping at the first failed write.
  bool PageDrawAt(PL_Utils_Position position, const Bytes &item);

  PrinterPropertyCache &properties() { return properties_; }

 private:
  // Sends `command` and, only when it was written whole, applies `change` to the cache.
  template <typename Change>
  bool SendAndRecord(const Bytes &command, Change &&change) {
    if (!Send(command)) return false;
    properties_.Update(change);
    return true;
  }

  NZIOHolder io_;
  PrinterPropertyCache &properties_;
};

}  // namespace velmora::core
