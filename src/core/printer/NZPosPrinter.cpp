#include "core/printer/NZPosPrinter.h"

#include "core/printer/PosCommandBytes.h"
#include "nzcommon/nzbarcode/BarcodeModuleCount.h"
#include "nzcommon/nzbarcode/Code128Auto.h"
#include "nzcommon/pagelayout/PageItemSizes.h"
#include "nzcommon/textconv/WideTextConversion.h"

namespace velmora::core {
namespace {

constexpr int kMaxDotsPerFeed = 255;

int Low16(int64_t value) {
  return static_cast<int>(value & 0xFFFF);
}

Bytes TextBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

nzcommon::TextLook TextLookOf(const PrinterProperties &p) {
  return {p.text_width_scale, p.text_height_scale, p.ascii_right_spacing, p.kanji_left_spacing,
          p.kanji_right_spacing};
}

nzcommon::BarcodeLook BarcodeLookOf(const PrinterProperties &p) {
  return {p.barcode_unit_width, p.barcode_height, p.barcode_text_position, p.barcode_text_font};
}

}  // namespace

bool NZPosPrinter::POS_FeedDots(int dots) {
  for (int i = 0; i < dots / kMaxDotsPerFeed; ++i) Send(poscmd::FeedDot(kMaxDotsPerFeed));
  return Send(poscmd::FeedDot(dots % kMaxDotsPerFeed));
}

bool NZPosPrinter::POS_SetTextUnderline(int underline) {
  Send(poscmd::AsciiTextUnderline(underline));
  return Send(poscmd::KanjiTextUnderline(underline));
}

bool NZPosPrinter::POS_PrintTextIn(const wchar_t *text, const char *charset) {
  const auto converted = nzcommon::ConvertWideText(text, charset);
  return converted.has_value() && Send(TextBytes(*converted));
}

bool NZPosPrinter::POS_PrintBarcodeCode128Auto(std::string_view text) {
  const auto encoded = nzcommon::EncodeCode128Auto(text);
  if (!encoded) return false;
  return Send(poscmd::Barcode(static_cast<int>(nzcommon::ReceiptSymbology::kCode128), *encoded));
}

bool NZPosPrinter::POS_SetTextScale(int width_scale, int height_scale) {
  return SendAndRecord(poscmd::TextScale(width_scale, height_scale), [&](PrinterProperties &p) {
    p.text_width_scale = width_scale & 7;
    p.text_height_scale = height_scale & 7;
  });
}

bool NZPosPrinter::POS_SetTextLineHeight(int line_height) {
  return SendAndRecord(poscmd::TextLineHeight(line_height),
                       [&](PrinterProperties &p) { p.line_height = Lo(line_height); });
}

bool NZPosPrinter::POS_SetAsciiTextCharRightSpacing(int spacing) {
  return SendAndRecord(poscmd::AsciiTextCharRightSpacing(spacing),
                       [&](PrinterProperties &p) { p.ascii_right_spacing = Lo(spacing); });
}

bool NZPosPrinter::POS_SetKanjiTextCharSpacing(int left, int right) {
  return SendAndRecord(poscmd::KanjiTextCharSpacing(left, right), [&](PrinterProperties &p) {
    p.kanji_left_spacing = Lo(left);
    p.kanji_right_spacing = Lo(right);
  });
}

bool NZPosPrinter::POS_SetBarcodeUnitWidth(int unit_width) {
  return SendAndRecord(poscmd::BarcodeUnitWidth(unit_width),
                       [&](PrinterProperties &p) { p.barcode_unit_width = Lo(unit_width); });
}

bool NZPosPrinter::POS_SetBarcodeHeight(int height) {
  return SendAndRecord(poscmd::BarcodeHeight(height),
                       [&](PrinterProperties &p) { p.barcode_height = Lo(height); });
}

bool NZPosPrinter::POS_SetBarcodeReadableTextFontType(int font) {
  return SendAndRecord(poscmd::BarcodeReadableTextFontType(font),
                       [&](PrinterProperties &p) { p.barcode_text_font = Lo(font); });
}

bool NZPosPrinter::POS_SetBarcodeReadableTextPosition(int position) {
  return SendAndRecord(poscmd::BarcodeReadableTextPosition(position),
                       [&](PrinterProperties &p) { p.barcode_text_position = Lo(position); });
}

bool NZPosPrinter::POS_SelectPageModeEx(int horizontal_unit, int vertical_unit, int x, int y,
                                        int width, int height) {
  // The page-mode defaults the layout of later drawings relies on; stops at the first failure.
  return Send(poscmd::MovementUnit(horizontal_unit, vertical_unit)) &&
         Send(poscmd::SelectPageMode()) && POS_SetPageArea(x, y, width, height) &&
         POS_SetPageDrawDirection(0) && POS_SetTextLineHeight(32) &&
         POS_SetAsciiTextCharRightSpacing(0) && POS_SetKanjiTextCharSpacing(0, 0) &&
         POS_SetTextScale(0, 0) && POS_SetBarcodeUnitWidth(2) && POS_SetBarcodeHeight(60) &&
         POS_SetBarcodeReadableTextPosition(2) && POS_SetBarcodeReadableTextFontType(0);
}

bool NZPosPrinter::POS_SetPageArea(int x, int y, int width, int height) {
  return SendAndRecord(poscmd::PageArea(x, y, width, height), [&](PrinterProperties &p) {
    p.page_x = Low16(x);
    p.page_y = Low16(y);
    p.page_width = Low16(width);
    p.page_height = Low16(height);
  });
}

bool NZPosPrinter::POS_SetPageDrawDirection(int direction) {
  return SendAndRecord(poscmd::PageDrawDirection(direction),
                       [&](PrinterProperties &p) { p.page_direction = Lo(direction); });
}

bool NZPosPrinter::POS_PageDrawRect(int x, int y, int width, int height, int color) {
  const PrinterProperties p = properties_.Get();
  const PL_Utils_Position corner = Utils_Page_ComputeRectPosition(
      {p.page_width, p.page_height}, p.page_direction, x, y, {width, height});
  return Send(poscmd::PageRectangle(corner.x, corner.y, Low16(int64_t{corner.x} + width - 1),
                                    Low16(int64_t{corner.y} + height - 1), color));
}

bool NZPosPrinter::POS_PageDrawBox(int x, int y, int width, int height, int border_width,
                                   int border_color) {
  const PrinterProperties p = properties_.Get();
  const PL_Utils_Position corner = Utils_Page_ComputeRectPosition(
      {p.page_width, p.page_height}, p.page_direction, x, y, {width, height});
  const int64_t x1 = corner.x;
  const int64_t y1 = corner.y;
  const int64_t x2 = x1 + width - 1;
  const int64_t y2 = y1 + height - 1;
  const int b = Lo(border_width);
  // The outer rectangle in the border colour, the inner one in the other colour.
  Send(poscmd::PageRectangle(Low16(x1), Low16(y1), Low16(x2), Low16(y2), border_color));
  const int inner_color = Lo(border_color) == 0 ? 1 : 0;
  return Send(poscmd::PageRectangle(Low16(x1 + b), Low16(y1 + b), Low16(x2 - b), Low16(y2 - b),
                                    inner_color));
}

bool NZPosPrinter::POS_PageDrawText(int x, int y, std::string_view text) {
  const PL_Utils_Size size =
      nzcommon::TextExtent(nzcommon::CountTextCells(text), TextLookOf(properties_.Get()));
  return PageDrawAt(PagePrintPosition(x, y, size), TextBytes(text));
}

bool NZPosPrinter::POS_PageDrawTextIn(int x, int y, const wchar_t *text, const char *charset) {
  // Converted first: text the encoding lacks moves nothing and prints nothing.
  const auto converted = nzcommon::ConvertWideText(text, charset);
  if (!converted) return false;
  const PL_Utils_Size size =
      nzcommon::TextExtent(nzcommon::CountTextCells(text), TextLookOf(properties_.Get()));
  return PageDrawAt(PagePrintPosition(x, y, size), TextBytes(*converted));
}

bool NZPosPrinter::POS_PageDrawBarcode(int x, int y, int symbology, std::string_view data) {
  const auto barcode = poscmd::Barcode(symbology, data);
  if (!barcode) return false;
  // Placed as the symbol the printer is told to print: the type's low byte.
  const PL_Utils_Size size =
      nzcommon::BarcodeExtent(Lo(symbology), data, BarcodeLookOf(properties_.Get()));
  return PageDrawAt(PagePrintPosition(x, y, size), *barcode);
}

bool NZPosPrinter::POS_PageDrawQRCode(int x, int y, int version, int ecc_level, const char *data) {
  const auto qrcode = poscmd::QRCode(version, ecc_level, data);
  if (!qrcode) return false;
  const auto size =
      nzcommon::QRCodeExtent(data, version, ecc_level, properties_.Get().barcode_unit_width);
  if (!size) return false;
  return PageDrawAt(PagePrintPosition(x, y, *size), *qrcode);
}

PL_Utils_Position NZPosPrinter::PagePrintPosition(int x, int y, PL_Utils_Size size) const {
  const PrinterProperties p = properties_.Get();
  return Utils_Page_ComputePrintPosition({p.page_width, p.page_height}, p.page_direction, x, y,
                                         size);
}

bool NZPosPrinter::PageDrawAt(PL_Utils_Position position, const Bytes &item) {
  return Send(poscmd::HorizontalAbsolutePosition(position.x)) &&
         Send(poscmd::VerticalAbsolutePosition(position.y)) && Send(item);
}

}  // namespace velmora::core
