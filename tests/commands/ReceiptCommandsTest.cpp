// Receipt commands, byte for byte, through a memory port.
#include <string>

#include "commands/CommandCases.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using ReceiptCommands = CommandTest;

TEST_F(ReceiptCommands, PaperAndSettings) {
  ExpectAll({
      {"drawer", CALL(VP_Pos_KickOutDrawer(h, 0, 50, 250)), "1B 70 00 32 FA"},
      {"drawer low bytes", CALL(VP_Pos_KickOutDrawer(h, 257, -1, 256)), "1B 70 01 FF 00"},
      {"beep", CALL(VP_Pos_Beep(h, 3, 250)), "1B 42 03 02"},
      {"beep under 100 ms", CALL(VP_Pos_Beep(h, 1, 99)), "1B 42 01 00"},
      {"feed and half cut", CALL(VP_Pos_FeedAndHalfCutPaper(h)), "1D 56 42 00"},
      {"full cut", CALL(VP_Pos_FullCutPaper(h)), "1B 69"},
      {"half cut", CALL(VP_Pos_HalfCutPaper(h)), "1B 6D"},
      {"feed lines", CALL(VP_Pos_FeedLine(h, 3)), "1B 64 03"},
      {"self test", CALL(VP_Pos_PrintSelfTestPage(h)), "12 54"},
      {"reset", CALL(VP_Pos_ResetPrinter(h)), "1B 40"},
      {"feed dots below one step", CALL(VP_Pos_FeedDot(h, 30)), "1B 4A 1E"},
      {"feed dots over one step", CALL(VP_Pos_FeedDot(h, 300)), "1B 4A FF 1B 4A 2D"},
      {"feed dots whole steps end with 0", CALL(VP_Pos_FeedDot(h, 510)),
       "1B 4A FF 1B 4A FF 1B 4A 00"},
      {"speed", CALL(VP_Pos_SetPrintSpeed(h, 0x1234)), "1F 28 73 02 00 34 12"},
      {"density", CALL(VP_Pos_SetPrintDensity(h, 7)), "12 23 07"},
      {"single byte", CALL(VP_Pos_SetSingleByteMode(h)), "1C 2E"},
      {"character set", CALL(VP_Pos_SetCharacterSet(h, VP_CharacterSet_CHINA)), "1B 52 0F"},
      {"code page", CALL(VP_Pos_SetCharacterCodepage(h, VP_CharacterCodepage_WCP1252)), "1B 74 10"},
      {"multi byte", CALL(VP_Pos_SetMultiByteMode(h)), "1C 26"},
      {"encoding", CALL(VP_Pos_SetMultiByteEncoding(h, VP_MultiByteEncoding_UTF8)), "1B 39 01"},
      {"unit", CALL(VP_Pos_SetMovementUnit(h, 180, 360)), "1D 50 B4 68"},
      {"left margin", CALL(VP_Pos_SetPrintAreaLeftMargin(h, 300)), "1D 4C 2C 01"},
      {"area width", CALL(VP_Pos_SetPrintAreaWidth(h, 70000)), "1D 57 70 11"},
      {"absolute x", CALL(VP_Pos_SetHorizontalAbsolutePrintPosition(h, 256)), "1B 24 00 01"},
      {"relative x backward", CALL(VP_Pos_SetHorizontalRelativePrintPosition(h, -10)),
       "1B 5C F6 FF"},
      {"absolute y", CALL(VP_Pos_SetVerticalAbsolutePrintPosition(h, 65535)), "1D 24 FF FF"},
      {"relative y backward", CALL(VP_Pos_SetVerticalRelativePrintPosition(h, -32768)),
       "1D 5C 00 80"},
      {"alignment", CALL(VP_Pos_SetAlignment(h, VP_Pos_Alignment_Right)), "1B 61 02"},
      {"scale", CALL(VP_Pos_SetTextScale(h, 1, 2)), "1D 21 12"},
      {"scale keeps 3 bits", CALL(VP_Pos_SetTextScale(h, 9, 15)), "1D 21 17"},
      {"font", CALL(VP_Pos_SetAsciiTextFontType(h, 1)), "1B 4D 01"},
      {"bold", CALL(VP_Pos_SetTextBold(h, 1)), "1B 45 01"},
      {"underline both fonts", CALL(VP_Pos_SetTextUnderline(h, 2)), "1B 2D 02 1C 2D 02"},
      {"upside down", CALL(VP_Pos_SetTextUpsideDown(h, 1)), "1B 7B 01"},
      {"white on black", CALL(VP_Pos_SetTextWhiteOnBlack(h, 1)), "1D 42 01"},
      {"rotate", CALL(VP_Pos_SetTextRotate(h, 1)), "1B 56 01"},
      {"line height", CALL(VP_Pos_SetTextLineHeight(h, 300)), "1B 33 2C"},
      {"right spacing", CALL(VP_Pos_SetAsciiTextCharRightSpacing(h, 2)), "1B 20 02"},
      {"kanji spacing", CALL(VP_Pos_SetKanjiTextCharSpacing(h, 1, 3)), "1C 53 01 03"},
      {"barcode unit", CALL(VP_Pos_SetBarcodeUnitWidth(h, 3)), "1D 77 03"},
      {"barcode height", CALL(VP_Pos_SetBarcodeHeight(h, 162)), "1D 68 A2"},
      {"barcode text font", CALL(VP_Pos_SetBarcodeReadableTextFontType(h, 1)), "1D 66 01"},
      {"barcode text position",
       CALL(VP_Pos_SetBarcodeReadableTextPosition(
           h, VP_Pos_BarcodeTextPrintPosition_AboveAndBelowBarcode)),
       "1D 48 03"},
  });
}

TEST_F(ReceiptCommands, TextAndSymbols) {
  // The longest data the length fields carry.
  const std::string longest_code39(255, 'A'), longest_qr(65535, 'q'), longest_epson_qr(65532, 'e');
  int starts[5] = {1, 300, 7, 7, 7}, ends[5] = {2, 400, 7, 7, 7};
  ExpectAll({
      {"text", CALL(VP_Pos_PrintText(h, "Ab\n")), "41 62 0A"},
      {"empty text", CALL(VP_Pos_PrintText(h, "")), ""},
      {"bytes with a 0 inside", CALL(VP_Pos_PrintTextInBytes(h, "a\0b", 3)), "61 00 62"},
      {"no bytes", CALL(VP_Pos_PrintTextInBytes(h, nullptr, 0)), ""},
      {"UTF-8", CALL(VP_Pos_PrintTextInUTF8(h, L"a中文")), "61 E4 B8 AD E6 96 87"},
      {"UTF-8 beyond the BMP", CALL(VP_Pos_PrintTextInUTF8(h, L"\U0001F600")), "F0 9F 98 80"},
      {"GBK", CALL(VP_Pos_PrintTextInGBK(h, L"中文")), "D6 D0 CE C4"},
      {"BIG5", CALL(VP_Pos_PrintTextInBIG5(h, L"中文")), "A4 A4 A4 E5"},
      {"Shift-JIS", CALL(VP_Pos_PrintTextInShiftJIS(h, L"日本")), "93 FA 96 7B"},
      {"EUC-KR", CALL(VP_Pos_PrintTextInEUCKR(h, L"한국")), "C7 D1 B1 B9"},
      {"empty wide text", CALL(VP_Pos_PrintTextInGBK(h, L"")), ""},
      {"barcode", CALL(VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_EAN8, "1234567")),
       "1D 6B 44 07 31 32 33 34 35 36 37"},
      {"barcode of 255 bytes",
       CALL(VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_CODE39, longest_code39.c_str())),
       "1D 6B 45 FF " + ToHex(longest_code39)},
      {"code 128 auto", CALL(VP_Pos_PrintBarcode_Code128Auto(h, "No.123456")),
       "1D 6B 49 0A 7B 42 4E 6F 2E 7B 43 0C 22 38"},
      {"QR", CALL(VP_Pos_PrintQRCode(h, 3, VP_QRCodeECC_M, "ab")), "1D 6B 61 03 02 02 00 61 62"},
      {"QR with the Epson command", CALL(VP_Pos_PrintQRCodeUseEpsonCmd(h, 4, VP_QRCodeECC_M, "ab")),
       "1D 28 6B 03 00 31 43 04 1D 28 6B 03 00 31 45 31 "
       "1D 28 6B 05 00 31 50 30 61 62 1D 28 6B 03 00 31 51 30"},
      {"QR of 65535 bytes", CALL(VP_Pos_PrintQRCode(h, 0, VP_QRCodeECC_L, longest_qr.c_str())),
       "1D 6B 61 00 01 FF FF " + ToHex(longest_qr)},
      {"Epson QR of 65532 bytes",
       CALL(VP_Pos_PrintQRCodeUseEpsonCmd(h, 3, VP_QRCodeECC_L, longest_epson_qr.c_str())),
       "1D 28 6B 03 00 31 43 03 1D 28 6B 03 00 31 45 30 1D 28 6B FF FF 31 50 30 " +
           ToHex(longest_epson_qr) + " 1D 28 6B 03 00 31 51 30"},
      {"two QR codes",
       CALL(VP_Pos_PrintDoubleQRCode(h, 3, 10, 2, VP_QRCodeECC_L, "a", 300, 5, VP_QRCodeECC_H,
                                     "bc")),
       "1F 51 02 03 00 0A 00 01 02 01 61 01 2C 00 02 05 04 62 63"},
      {"PDF417", CALL(VP_Pos_PrintPDF417BarcodeUseEpsonCmd(h, 4, 10, 3, 5, 2, 1, "xy")),
       "1D 28 6B 03 00 30 41 04 1D 28 6B 03 00 30 42 0A 1D 28 6B 03 00 30 43 03 "
       "1D 28 6B 03 00 30 44 05 1D 28 6B 04 00 30 45 30 32 1D 28 6B 03 00 30 46 01 "
       "1D 28 6B 05 00 30 50 30 78 79 1D 28 6B 03 00 30 51 30"},
      {"rule", CALL(VP_Pos_PrintHorizontalLine(h, 10, 300)), "1D 27 01 0A 00 2C 01"},
      {"thick rule", CALL(VP_Pos_PrintHorizontalLineSpecifyThickness(h, 1, 2, 2)),
       "1D 27 01 01 00 02 00 1D 27 01 01 00 02 00"},
      {"several rules, only the counted pairs",
       CALL(VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 2, starts, ends)),
       "1D 27 02 01 00 02 00 2C 01 90 01"},
      {"no rules", CALL(VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 0, nullptr, nullptr)),
       "1D 27 00"},
  });
}

}  // namespace
}  // namespace velmora::test
