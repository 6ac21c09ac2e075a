#pragma once

#include <string_view>

#include "core/printer/CommandBytes.h"

// Byte builders of the receipt, page-mode and black-mark commands. Each returns one whole
// command; a builder that returns MaybeBytes gives nothing for data its length fields cannot
// carry (a printer would read the rest of the data as commands).
namespace velmora::core::poscmd {

Bytes KickOutDrawer(int drawer_index, int high_level_time, int low_level_time);
Bytes Beep(int count, int milliseconds);
Bytes FeedAndHalfCutPaper();
Bytes FullCutPaper();
Bytes HalfCutPaper();
Bytes FeedLine(int lines);
Bytes FeedDot(int dots);  // one ESC J step of at most 255 dots
Bytes PrintSelfTestPage();
Bytes ResetPrinter();

MaybeBytes Barcode(int symbology, std::string_view data);
MaybeBytes QRCode(int version, int ecc_level, std::string_view data);
MaybeBytes QRCodeEpson(int unit_width, int ecc_level, std::string_view data);
MaybeBytes DoubleQRCode(int unit_width, int position1, int version1, int ecc_level1,
                        std::string_view data1, int position2, int version2, int ecc_level2,
                        std::string_view data2);
MaybeBytes PDF417Epson(int columns, int rows, int unit_width, int row_height, int ecc_level,
                       int options, std::string_view data);

Bytes HorizontalLine(int start, int end);
MaybeBytes HorizontalLineWithThickness(int start, int end, int thickness);
MaybeBytes MultipleHorizontalLines(int count, const int *starts, const int *ends);

Bytes PrintSpeed(int speed);
Bytes PrintDensity(int density);
Bytes SingleByteMode();
Bytes CharacterSet(int set);
Bytes CharacterCodepage(int codepage);
Bytes MultiByteMode();
Bytes MultiByteEncoding(int encoding);
Bytes MovementUnit(int horizontal, int vertical);
Bytes PrintAreaLeftMargin(int margin);
Bytes PrintAreaWidth(int width);
Bytes HorizontalAbsolutePosition(int position);
Bytes HorizontalRelativePosition(int position);
Bytes VerticalAbsolutePosition(int position);
Bytes VerticalRelativePosition(int position);
Bytes Alignment(int alignment);
Bytes TextScale(int width_scale, int height_scale);
Bytes AsciiTextFontType(int font);
Bytes TextBold(int bold);
Bytes AsciiTextUnderline(int underline);
Bytes KanjiTextUnderline(int underline);
Bytes TextUpsideDown(int upside_down);
Bytes TextWhiteOnBlack(int white_on_black);
Bytes TextRotate(int rotate);
Bytes TextLineHeight(int line_height);
Bytes AsciiTextCharRightSpacing(int spacing);
Bytes KanjiTextCharSpacing(int left, int right);
Bytes BarcodeUnitWidth(int unit_width);
Bytes BarcodeHeight(int height);
Bytes BarcodeReadableTextFontType(int font);
Bytes BarcodeReadableTextPosition(int position);

Bytes SelectPageMode();
Bytes ExitPageMode();
Bytes PrintPage();
Bytes ClearPage();
Bytes PageArea(int x, int y, int width, int height);
Bytes PageDrawDirection(int direction);
// A filled rectangle between two corners (16-bit big-endian coordinates).
Bytes PageRectangle(int x1, int y1, int x2, int y2, int color);

Bytes EnableBlackMarkMode();
Bytes DisableBlackMarkMode();
Bytes BlackMarkMaxFindLength(int length);
Bytes FindNextBlackMark();
Bytes BlackMarkPaperPrintPosition(int position);
Bytes BlackMarkPaperCutPosition(int position);
Bytes FullCutBlackMarkPaper();
Bytes HalfCutBlackMarkPaper();

}  // namespace velmora::core::poscmd
