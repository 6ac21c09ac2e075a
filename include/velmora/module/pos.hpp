// Receipt commands in the module interface: text, barcodes, QR and PDF417 symbols, rules, paper
// handling and print settings. Each returns true when the whole command was written; false for
// handle 0 (nothing reaches the port layer), for an integer that does not fit the flat
// parameter, for a line array shorter than its count, and whenever the flat function fails.
// Units, ranges and what each command leaves to the printer are those of the flat functions
// (vp_pos.h): a text adds no line feed, Code 128 data needs its code set, values that go out
// as one byte are cut to it.
#pragma once

#include <string>
#include <vector>

#include "velmora/module/types.hpp"
#include "velmora/vp_pos.h"

namespace velmora {

// Text: the UTF-8 bytes unchanged, or converted into one printer encoding. A character the
// encoding lacks makes the whole call fail with nothing written.
VP_API bool VP_Pos_PrintText(Int handle, const std::string &str);
VP_API bool VP_Pos_PrintTextInUTF8(Int handle, const std::string &str);
VP_API bool VP_Pos_PrintTextInGBK(Int handle, const std::string &str);
VP_API bool VP_Pos_PrintTextInBIG5(Int handle, const std::string &str);
VP_API bool VP_Pos_PrintTextInShiftJIS(Int handle, const std::string &str);
VP_API bool VP_Pos_PrintTextInEUCKR(Int handle, const std::string &str);

// Symbols and rules.
VP_API bool VP_Pos_PrintBarcode(Int handle, VP_Pos_BarcodeType nBarcodeType,
                                const std::string &str);
VP_API bool VP_Pos_PrintBarcode_Code128Auto(Int handle, const std::string &str);
VP_API bool VP_Pos_PrintQRCode(Int handle, Int nVersion, VP_QRCodeECC nECCLevel,
                               const std::string &str);
VP_API bool VP_Pos_PrintQRCodeUseEpsonCmd(Int handle, Int nQRCodeUnitWidth, VP_QRCodeECC nECCLevel,
                                          const std::string &str);
VP_API bool VP_Pos_PrintDoubleQRCode(Int handle, Int nQRCodeUnitWidth, Int nQR1Position,
                                     Int nQR1Version, VP_QRCodeECC nQR1ECCLevel,
                                     const std::string &strQR1, Int nQR2Position, Int nQR2Version,
                                     VP_QRCodeECC nQR2ECCLevel, const std::string &strQR2);
VP_API bool VP_Pos_PrintPDF417BarcodeUseEpsonCmd(Int handle, Int columnCount, Int rowCount,
                                                 Int unitWidth, Int rowHeight, Int nECCLevel,
                                                 Int dataProcessingMode, const std::string &str);
VP_API bool VP_Pos_PrintHorizontalLine(Int handle, Int nLineStartPosition, Int nLineEndPosition);
VP_API bool VP_Pos_PrintHorizontalLineSpecifyThickness(Int handle, Int nLineStartPosition,
                                                       Int nLineEndPosition, Int nLineThickness);
// Sends the first nLineCount start/end pairs; both arrays must hold at least that many.
VP_API bool VP_Pos_PrintMultipleHorizontalLinesAtOneRow(Int handle, Int nLineCount,
                                                        const std::vector<Int> &pLineStartPosition,
                                                        const std::vector<Int> &pLineEndPosition);

// Paper, drawer, buzzer.
VP_API bool VP_Pos_KickOutDrawer(Int handle, Int nDrawerIndex, Int nHighLevelTime,
                                 Int nLowLevelTime);
VP_API bool VP_Pos_Beep(Int handle, Int nBeepCount, Int nBeepMs);
VP_API bool VP_Pos_FeedAndHalfCutPaper(Int handle);
VP_API bool VP_Pos_FullCutPaper(Int handle);
VP_API bool VP_Pos_HalfCutPaper(Int handle);
VP_API bool VP_Pos_FeedLine(Int handle, Int numLines);
VP_API bool VP_Pos_FeedDot(Int handle, Int numDots);
VP_API bool VP_Pos_PrintSelfTestPage(Int handle);
VP_API bool VP_Pos_ResetPrinter(Int handle);

// Settings.
VP_API bool VP_Pos_SetPrintSpeed(Int handle, Int nSpeed);
VP_API bool VP_Pos_SetPrintDensity(Int handle, Int nDensity);
VP_API bool VP_Pos_SetSingleByteMode(Int handle);
VP_API bool VP_Pos_SetCharacterSet(Int handle, VP_CharacterSet nCharacterSet);
VP_API bool VP_Pos_SetCharacterCodepage(Int handle, VP_CharacterCodepage nCharacterCodepage);
VP_API bool VP_Pos_SetMultiByteMode(Int handle);
VP_API bool VP_Pos_SetMultiByteEncoding(Int handle, VP_MultiByteEncoding nEncoding);
VP_API bool VP_Pos_SetMovementUnit(Int handle, Int nHorizontalMovementUnit,
                                   Int nVerticalMovementUnit);
VP_API bool VP_Pos_SetPrintAreaLeftMargin(Int handle, Int nLeftMargin);
VP_API bool VP_Pos_SetPrintAreaWidth(Int handle, Int nWidth);
VP_API bool VP_Pos_SetHorizontalAbsolutePrintPosition(Int handle, Int nPosition);
VP_API bool VP_Pos_SetHorizontalRelativePrintPosition(Int handle, Int nPosition);
VP_API bool VP_Pos_SetVerticalAbsolutePrintPosition(Int handle, Int nPosition);
VP_API bool VP_Pos_SetVerticalRelativePrintPosition(Int handle, Int nPosition);
VP_API bool VP_Pos_SetAlignment(Int handle, VP_Pos_Alignment nAlignment);
VP_API bool VP_Pos_SetTextScale(Int handle, Int nWidthScale, Int nHeightScale);
VP_API bool VP_Pos_SetAsciiTextFontType(Int handle, Int nFontType);
VP_API bool VP_Pos_SetTextBold(Int handle, Int nBold);
VP_API bool VP_Pos_SetTextUnderline(Int handle, Int nUnderline);
VP_API bool VP_Pos_SetTextUpsideDown(Int handle, Int nUpsideDown);
VP_API bool VP_Pos_SetTextWhiteOnBlack(Int handle, Int nWhiteOnBlack);
VP_API bool VP_Pos_SetTextRotate(Int handle, Int nRotate);
VP_API bool VP_Pos_SetTextLineHeight(Int handle, Int nLineHeight);
VP_API bool VP_Pos_SetAsciiTextCharRightSpacing(Int handle, Int nSpacing);
VP_API bool VP_Pos_SetKanjiTextCharSpacing(Int handle, Int nLeftSpacing, Int nRightSpacing);
VP_API bool VP_Pos_SetBarcodeUnitWidth(Int handle, Int nBarcodeUnitWidth);
VP_API bool VP_Pos_SetBarcodeHeight(Int handle, Int nBarcodeHeight);
VP_API bool VP_Pos_SetBarcodeReadableTextFontType(Int handle, Int nFontType);
VP_API bool VP_Pos_SetBarcodeReadableTextPosition(Int handle,
                                                  VP_Pos_BarcodeTextPrintPosition nTextPosition);

}  // namespace velmora
