// Flat receipt functions: each builds its command and writes it through the port's receipt
// command object. A null text or array writes nothing and gives 0.
#include <string_view>

#include "core/api/CommandApi.h"
#include "core/printer/PosCommandBytes.h"
#include "nzcommon/textconv/WideTextConversion.h"
#include "velmora/vp_pos.h"

using velmora::core::NZPosPrinter;
using velmora::core::SendPosCommand;
using velmora::core::WithPosPrinter;
namespace poscmd = velmora::core::poscmd;
namespace nzcommon = velmora::nzcommon;

namespace {

int PrintTextIn(void *handle, const wchar_t *str, const char *charset) noexcept {
  if (str == nullptr) return 0;
  return WithPosPrinter(handle,
                        [&](NZPosPrinter &pos) { return pos.POS_PrintTextIn(str, charset); });
}

}  // namespace

extern "C" {

int VP_Pos_KickOutDrawer(void *handle, int nDrawerIndex, int nHighLevelTime, int nLowLevelTime) {
  return SendPosCommand(
      handle, [&] { return poscmd::KickOutDrawer(nDrawerIndex, nHighLevelTime, nLowLevelTime); });
}

int VP_Pos_Beep(void *handle, int nBeepCount, int nBeepMs) {
  return SendPosCommand(handle, [&] { return poscmd::Beep(nBeepCount, nBeepMs); });
}

int VP_Pos_FeedAndHalfCutPaper(void *handle) {
  return SendPosCommand(handle, poscmd::FeedAndHalfCutPaper);
}
int VP_Pos_FullCutPaper(void *handle) {
  return SendPosCommand(handle, poscmd::FullCutPaper);
}
int VP_Pos_HalfCutPaper(void *handle) {
  return SendPosCommand(handle, poscmd::HalfCutPaper);
}

int VP_Pos_FeedLine(void *handle, int numLines) {
  return SendPosCommand(handle, [&] { return poscmd::FeedLine(numLines); });
}

int VP_Pos_FeedDot(void *handle, int numDots) {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) { return pos.POS_FeedDots(numDots); });
}

int VP_Pos_PrintSelfTestPage(void *handle) {
  return SendPosCommand(handle, poscmd::PrintSelfTestPage);
}

int VP_Pos_PrintText(void *handle, const char *str) {
  if (str == nullptr) return 0;
  return SendPosCommand(handle, [&] {
    const std::string_view text(str);
    return velmora::core::Bytes(text.begin(), text.end());
  });
}

int VP_Pos_PrintTextInUTF8(void *handle, const wchar_t *str) {
  return PrintTextIn(handle, str, nzcommon::kCharsetUtf8);
}
int VP_Pos_PrintTextInGBK(void *handle, const wchar_t *str) {
  return PrintTextIn(handle, str, nzcommon::kCharsetGbk);
}
int VP_Pos_PrintTextInBIG5(void *handle, const wchar_t *str) {
  return PrintTextIn(handle, str, nzcommon::kCharsetBig5);
}
int VP_Pos_PrintTextInShiftJIS(void *handle, const wchar_t *str) {
  return PrintTextIn(handle, str, nzcommon::kCharsetShiftJis);
}
int VP_Pos_PrintTextInEUCKR(void *handle, const wchar_t *str) {
  return PrintTextIn(handle, str, nzcommon::kCharsetEucKr);
}

int VP_Pos_PrintTextInBytes(void *handle, const char *data, int length) {
  if (length < 0 || (data == nullptr && length > 0)) return 0;
  return SendPosCommand(handle, [&] {
    const auto *bytes = reinterpret_cast<const uint8_t *>(data);
    return velmora::core::Bytes(bytes, bytes + length);
  });
}

int VP_Pos_PrintBarcode(void *handle, VP_Pos_BarcodeType nBarcodeType, const char *str) {
  if (str == nullptr) return 0;
  return SendPosCommand(handle, [&] { return poscmd::Barcode(nBarcodeType, str); });
}

int VP_Pos_PrintBarcode_Code128Auto(void *handle, const char *str) {
  if (str == nullptr) return 0;
  return WithPosPrinter(handle,
                        [&](NZPosPrinter &pos) { return pos.POS_PrintBarcodeCode128Auto(str); });
}

int VP_Pos_PrintQRCode(void *handle, int nVersion, VP_QRCodeECC nECCLevel, const char *str) {
  if (str == nullptr) return 0;
  return SendPosCommand(handle, [&] { return poscmd::QRCode(nVersion, nECCLevel, str); });
}

int VP_Pos_PrintQRCodeUseEpsonCmd(void *handle, int nQRCodeUnitWidth, VP_QRCodeECC nECCLevel,
                                  const char *str) {
  if (str == nullptr) return 0;
  return SendPosCommand(handle,
                        [&] { return poscmd::QRCodeEpson(nQRCodeUnitWidth, nECCLevel, str); });
}

int VP_Pos_PrintDoubleQRCode(void *handle, int nQRCodeUnitWidth, int nQR1Position, int nQR1Version,
                             VP_QRCodeECC nQR1ECCLevel, const char *strQR1, int nQR2Position,
                             int nQR2Version, VP_QRCodeECC nQR2ECCLevel, const char *strQR2) {
  if (strQR1 == nullptr || strQR2 == nullptr) return 0;
  return SendPosCommand(handle, [&] {
    return poscmd::DoubleQRCode(nQRCodeUnitWidth, nQR1Position, nQR1Version, nQR1ECCLevel, strQR1,
                                nQR2Position, nQR2Version, nQR2ECCLevel, strQR2);
  });
}

int VP_Pos_PrintPDF417BarcodeUseEpsonCmd(void *handle, int columnCount, int rowCount, int unitWidth,
                                         int rowHeight, int nECCLevel, int dataProcessingMode,
                                         const char *str) {
  if (str == nullptr) return 0;
  return SendPosCommand(handle, [&] {
    return poscmd::PDF417Epson(columnCount, rowCount, unitWidth, rowHeight, nECCLevel,
                               dataProcessingMode, str);
  });
}

int VP_Pos_PrintHorizontalLine(void *handle, int nLineStartPosition, int nLineEndPosition) {
  return SendPosCommand(
      handle, [&] { return poscmd::HorizontalLine(nLineStartPosition, nLineEndPosition); });
}

int VP_Pos_PrintHorizontalLineSpecifyThickness(void *handle, int nLineStartPosition,
                                               int nLineEndPosition, int nLineThickness) {
  return SendPosCommand(handle, [&] {
    return poscmd::HorizontalLineWithThickness(nLineStartPosition, nLineEndPosition,
                                               nLineThickness);
  });
}

int VP_Pos_PrintMultipleHorizontalLinesAtOneRow(void *handle, int nLineCount,
                                                int *pLineStartPosition, int *pLineEndPosition) {
  return SendPosCommand(handle, [&] {
    return poscmd::MultipleHorizontalLines(nLineCount, pLineStartPosition, pLineEndPosition);
  });
}

int VP_Pos_ResetPrinter(void *handle) {
  return SendPosCommand(handle, poscmd::ResetPrinter);
}

int VP_Pos_SetPrintSpeed(void *handle, int nSpeed) {
  return SendPosCommand(handle, [&] { return poscmd::PrintSpeed(nSpeed); });
}
int VP_Pos_SetPrintDensity(void *handle, int nDensity) {
  return SendPosCommand(handle, [&] { return poscmd::PrintDensity(nDensity); });
}
int VP_Pos_SetSingleByteMode(void *handle) {
  return SendPosCommand(handle, poscmd::SingleByteMode);
}
int VP_Pos_SetCharacterSet(void *handle, VP_CharacterSet nCharacterSet) {
  return SendPosCommand(handle, [&] { return poscmd::CharacterSet(nCharacterSet); });
}
int VP_Pos_SetCharacterCodepage(void *handle, VP_CharacterCodepage nCharacterCodepage) {
  return SendPosCommand(handle, [&] { return poscmd::CharacterCodepage(nCharacterCodepage); });
}
int VP_Pos_SetMultiByteMode(void *handle) {
  return SendPosCommand(handle, poscmd::MultiByteMode);
}
int VP_Pos_SetMultiByteEncoding(void *handle, VP_MultiByteEncoding nEncoding) {
  return SendPosCommand(handle, [&] { return poscmd::MultiByteEncoding(nEncoding); });
}
int VP_Pos_SetMovementUnit(void *handle, int nHorizontalMovementUnit, int nVerticalMovementUnit) {
  return SendPosCommand(
      handle, [&] { return poscmd::MovementUnit(nHorizontalMovementUnit, nVerticalMovementUnit); });
}
int VP_Pos_SetPrintAreaLeftMargin(void *handle, int nLeftMargin) {
  return SendPosCommand(handle, [&] { return poscmd::PrintAreaLeftMargin(nLeftMargin); });
}
int VP_Pos_SetPrintAreaWidth(void *handle, int nWidth) {
  return SendPosCommand(handle, [&] { return poscmd::PrintAreaWidth(nWidth); });
}
int VP_Pos_SetHorizontalAbsolutePrintPosition(void *handle, int nPosition) {
  return SendPosCommand(handle, [&] { return poscmd::HorizontalAbsolutePosition(nPosition); });
}
int VP_Pos_SetHorizontalRelativePrintPosition(void *handle, int nPosition) {
  return SendPosCommand(handle, [&] { return poscmd::HorizontalRelativePosition(nPosition); });
}
int VP_Pos_SetVerticalAbsolutePrintPosition(void *handle, int nPosition) {
  return SendPosCommand(handle, [&] { return poscmd::VerticalAbsolutePosition(nPosition); });
}
int VP_Pos_SetVerticalRelativePrintPosition(void *handle, int nPosition) {
  return SendPosCommand(handle, [&] { return poscmd::VerticalRelativePosition(nPosition); });
}
int VP_Pos_SetAlignment(void *handle, VP_Pos_Alignment nAlignment) {
  return SendPosCommand(handle, [&] { return poscmd::Alignment(nAlignment); });
}

int VP_Pos_SetTextScale(void *handle, int nWidthScale, int nHeightScale) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetTextScale(nWidthScale, nHeightScale); });
}
int VP_Pos_SetAsciiTextFontType(void *handle, int nFontType) {
  return SendPosCommand(handle, [&] { return poscmd::AsciiTextFontType(nFontType); });
}
int VP_Pos_SetTextBold(void *handle, int nBold) {
  return SendPosCommand(handle, [&] { return poscmd::TextBold(nBold); });
}
int VP_Pos_SetTextUnderline(void *handle, int nUnderline) {
  return WithPosPrinter(handle,
                        [&](NZPosPrinter &pos) { return pos.POS_SetTextUnderline(nUnderline); });
}
int VP_Pos_SetTextUpsideDown(void *handle, int nUpsideDown) {
  return SendPosCommand(handle, [&] { return poscmd::TextUpsideDown(nUpsideDown); });
}
int VP_Pos_SetTextWhiteOnBlack(void *handle, int nWhiteOnBlack) {
  return SendPosCommand(handle, [&] { return poscmd::TextWhiteOnBlack(nWhiteOnBlack); });
}
int VP_Pos_SetTextRotate(void *handle, int nRotate) {
  return SendPosCommand(handle, [&] { return poscmd::TextRotate(nRotate); });
}
int VP_Pos_SetTextLineHeight(void *handle, int nLineHeight) {
  return WithPosPrinter(handle,
                        [&](NZPosPrinter &pos) { return pos.POS_SetTextLineHeight(nLineHeight); });
}
int VP_Pos_SetAsciiTextCharRightSpacing(void *handle, int nSpacing) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetAsciiTextCharRightSpacing(nSpacing); });
}
int VP_Pos_SetKanjiTextCharSpacing(void *handle, int nLeftSpacing, int nRightSpacing) {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    return pos.POS_SetKanjiTextCharSpacing(nLeftSpacing, nRightSpacing);
  });
}
int VP_Pos_SetBarcodeUnitWidth(void *handle, int nBarcodeUnitWidth) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetBarcodeUnitWidth(nBarcodeUnitWidth); });
}
int VP_Pos_SetBarcodeHeight(void *handle, int nBarcodeHeight) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetBarcodeHeight(nBarcodeHeight); });
}
int VP_Pos_SetBarcodeReadableTextFontType(void *handle, int nFontType) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetBarcodeReadableTextFontType(nFontType); });
}
int VP_Pos_SetBarcodeReadableTextPosition(void *handle,
                                          VP_Pos_BarcodeTextPrintPosition nTextPosition) {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    return pos.POS_SetBarcodeReadableTextPosition(nTextPosition);
  });
}

}  // extern "C"
