// The module's receipt functions over the flat receipt commands.
#include "velmora/module/WideTextCall.h"
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/pos.hpp"

namespace velmora {

using detail::BoolResult;
using detail::CallOnPort;
using detail::CallOnPortWithWideText;

bool VP_Pos_PrintText(Int handle, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintText, str);
}
bool VP_Pos_PrintTextInUTF8(Int handle, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Pos_PrintTextInUTF8, str);
}
bool VP_Pos_PrintTextInGBK(Int handle, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Pos_PrintTextInGBK, str);
}
bool VP_Pos_PrintTextInBIG5(Int handle, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Pos_PrintTextInBIG5, str);
}
bool VP_Pos_PrintTextInShiftJIS(Int handle, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Pos_PrintTextInShiftJIS, str);
}
bool VP_Pos_PrintTextInEUCKR(Int handle, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Pos_PrintTextInEUCKR, str);
}

bool VP_Pos_PrintBarcode(Int handle, VP_Pos_BarcodeType nBarcodeType, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintBarcode, nBarcodeType, str);
}
bool VP_Pos_PrintBarcode_Code128Auto(Int handle, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintBarcode_Code128Auto, str);
}
bool VP_Pos_PrintQRCode(Int handle, Int nVersion, VP_QRCodeECC nECCLevel, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintQRCode, nVersion, nECCLevel, str);
}
bool VP_Pos_PrintQRCodeUseEpsonCmd(Int handle, Int nQRCodeUnitWidth, VP_QRCodeECC nECCLevel,
                                   const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintQRCodeUseEpsonCmd, nQRCodeUnitWidth,
                                nECCLevel, str);
}
bool VP_Pos_PrintDoubleQRCode(Int handle, Int nQRCodeUnitWidth, Int nQR1Position, Int nQR1Version,
                              VP_QRCodeECC nQR1ECCLevel, const std::string &strQR1,
                              Int nQR2Position, Int nQR2Version, VP_QRCodeECC nQR2ECCLevel,
                              const std::string &strQR2) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintDoubleQRCode, nQRCodeUnitWidth, nQR1Position,
                                nQR1Version, nQR1ECCLevel, strQR1, nQR2Position, nQR2Version,
                                nQR2ECCLevel, strQR2);
}
bool VP_Pos_PrintPDF417BarcodeUseEpsonCmd(Int handle, Int columnCount, Int rowCount, Int unitWidth,
                                          Int rowHeight, Int nECCLevel, Int dataProcessingMode,
                                          const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintPDF417BarcodeUseEpsonCmd, columnCount,
                                rowCount, unitWidth, rowHeight, nECCLevel, dataProcessingMode, str);
}
bool VP_Pos_PrintHorizontalLine(Int handle, Int nLineStartPosition, Int nLineEndPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintHorizontalLine, nLineStartPosition,
                                nLineEndPosition);
}
bool VP_Pos_PrintHorizontalLineSpecifyThickness(Int handle, Int nLineStartPosition,
                                                Int nLineEndPosition, Int nLineThickness) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintHorizontalLineSpecifyThickness,
                                nLineStartPosition, nLineEndPosition, nLineThickness);
}
bool VP_Pos_PrintMultipleHorizontalLinesAtOneRow(Int handle, Int nLineCount,
                                                 const std::vector<Int> &pLineStartPosition,
                                                 const std::vector<Int> &pLineEndPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintMultipleHorizontalLinesAtOneRow, nLineCount,
                                detail::Int32s(pLineStartPosition, nLineCount),
                                detail::Int32s(pLineEndPosition, nLineCount));
}

bool VP_Pos_KickOutDrawer(Int handle, Int nDrawerIndex, Int nHighLevelTime, Int nLowLevelTime) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_KickOutDrawer, nDrawerIndex, nHighLevelTime,
                                nLowLevelTime);
}
bool VP_Pos_Beep(Int handle, Int nBeepCount, Int nBeepMs) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_Beep, nBeepCount, nBeepMs);
}
bool VP_Pos_FeedAndHalfCutPaper(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_FeedAndHalfCutPaper);
}
bool VP_Pos_FullCutPaper(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_FullCutPaper);
}
bool VP_Pos_HalfCutPaper(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_HalfCutPaper);
}
bool VP_Pos_FeedLine(Int handle, Int numLines) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_FeedLine, numLines);
}
bool VP_Pos_FeedDot(Int handle, Int numDots) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_FeedDot, numDots);
}
bool VP_Pos_PrintSelfTestPage(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintSelfTestPage);
}
bool VP_Pos_ResetPrinter(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_ResetPrinter);
}

bool VP_Pos_SetPrintSpeed(Int handle, Int nSpeed) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetPrintSpeed, nSpeed);
}
bool VP_Pos_SetPrintDensity(Int handle, Int nDensity) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetPrintDensity, nDensity);
}
bool VP_Pos_SetSingleByteMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetSingleByteMode);
}
bool VP_Pos_SetCharacterSet(Int handle, VP_CharacterSet nCharacterSet) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetCharacterSet, nCharacterSet);
}
bool VP_Pos_SetCharacterCodepage(Int handle, VP_CharacterCodepage nCharacterCodepage) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetCharacterCodepage, nCharacterCodepage);
}
bool VP_Pos_SetMultiByteMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetMultiByteMode);
}
bool VP_Pos_SetMultiByteEncoding(Int handle, VP_MultiByteEncoding nEncoding) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetMultiByteEncoding, nEncoding);
}
bool VP_Pos_SetMovementUnit(Int handle, Int nHorizontalMovementUnit, Int nVerticalMovementUnit) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetMovementUnit, nHorizontalMovementUnit,
                                nVerticalMovementUnit);
}
bool VP_Pos_SetPrintAreaLeftMargin(Int handle, Int nLeftMargin) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetPrintAreaLeftMargin, nLeftMargin);
}
bool VP_Pos_SetPrintAreaWidth(Int handle, Int nWidth) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetPrintAreaWidth, nWidth);
}
bool VP_Pos_SetHorizontalAbsolutePrintPosition(Int handle, Int nPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetHorizontalAbsolutePrintPosition, nPosition);
}
bool VP_Pos_SetHorizontalRelativePrintPosition(Int handle, Int nPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetHorizontalRelativePrintPosition, nPosition);
}
bool VP_Pos_SetVerticalAbsolutePrintPosition(Int handle, Int nPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetVerticalAbsolutePrintPosition, nPosition);
}
bool VP_Pos_SetVerticalRelativePrintPosition(Int handle, Int nPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetVerticalRelativePrintPosition, nPosition);
}
bool VP_Pos_SetAlignment(Int handle, VP_Pos_Alignment nAlignment) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetAlignment, nAlignment);
}
bool VP_Pos_SetTextScale(Int handle, Int nWidthScale, Int nHeightScale) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextScale, nWidthScale, nHeightScale);
}
bool VP_Pos_SetAsciiTextFontType(Int handle, Int nFontType) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetAsciiTextFontType, nFontType);
}
bool VP_Pos_SetTextBold(Int handle, Int nBold) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextBold, nBold);
}
bool VP_Pos_SetTextUnderline(Int handle, Int nUnderline) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextUnderline, nUnderline);
}
bool VP_Pos_SetTextUpsideDown(Int handle, Int nUpsideDown) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextUpsideDown, nUpsideDown);
}
bool VP_Pos_SetTextWhiteOnBlack(Int handle, Int nWhiteOnBlack) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextWhiteOnBlack, nWhiteOnBlack);
}
bool VP_Pos_SetTextRotate(Int handle, Int nRotate) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextRotate, nRotate);
}
bool VP_Pos_SetTextLineHeight(Int handle, Int nLineHeight) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetTextLineHeight, nLineHeight);
}
bool VP_Pos_SetAsciiTextCharRightSpacing(Int handle, Int nSpacing) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetAsciiTextCharRightSpacing, nSpacing);
}
bool VP_Pos_SetKanjiTextCharSpacing(Int handle, Int nLeftSpacing, Int nRightSpacing) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetKanjiTextCharSpacing, nLeftSpacing,
                                nRightSpacing);
}
bool VP_Pos_SetBarcodeUnitWidth(Int handle, Int nBarcodeUnitWidth) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetBarcodeUnitWidth, nBarcodeUnitWidth);
}
bool VP_Pos_SetBarcodeHeight(Int handle, Int nBarcodeHeight) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetBarcodeHeight, nBarcodeHeight);
}
bool VP_Pos_SetBarcodeReadableTextFontType(Int handle, Int nFontType) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetBarcodeReadableTextFontType, nFontType);
}
bool VP_Pos_SetBarcodeReadableTextPosition(Int handle,
                                           VP_Pos_BarcodeTextPrintPosition nTextPosition) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_SetBarcodeReadableTextPosition, nTextPosition);
}

}  // namespace velmora
