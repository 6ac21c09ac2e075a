// Receipt commands, byte for byte, through a memory port.
#include <functional>
#include <string>
#include <vector>

#include "commands/CommandCases.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using ReceiptCommands = CommandTest;

TEST_F(ReceiptCommands, PaperDrawerAndBuzzer) {
  ExpectAll({
      {"drawer", [](void *h) { return VP_Pos_KickOutDrawer(h, 0, 50, 250); }, "1B 70 00 32 FA"},
      {"drawer low bytes", [](void *h) { return VP_Pos_KickOutDrawer(h, 257, -1, 256); },
       "1B 70 01 FF 00"},
      {"beep", [](void *h) { return VP_Pos_Beep(h, 3, 250); }, "1B 42 03 02"},
      {"beep under 100 ms", [](void *h) { return VP_Pos_Beep(h, 1, 99); }, "1B 42 01 00"},
      {"feed and half cut", [](void *h) { return VP_Pos_FeedAndHalfCutPaper(h); }, "1D 56 42 00"},
      {"full cut", [](void *h) { return VP_Pos_FullCutPaper(h); }, "1B 69"},
      {"half cut", [](void *h) { return VP_Pos_HalfCutPaper(h); }, "1B 6D"},
      {"feed lines", [](void *h) { return VP_Pos_FeedLine(h, 3); }, "1B 64 03"},
      {"self test", [](void *h) { return VP_Pos_PrintSelfTestPage(h); }, "12 54"},
      {"reset", [](void *h) { return VP_Pos_ResetPrinter(h); }, "1B 40"},
      {"feed dots below one step", [](void *h) { return VP_Pos_FeedDot(h, 30); }, "1B 4A 1E"},
      {"feed dots over one step", [](void *h) { return VP_Pos_FeedDot(h, 300); },
       "1B 4A FF 1B 4A 2D"},
      {"feed dots whole steps end with 0", [](void *h) { return VP_Pos_FeedDot(h, 510); },
       "1B 4A FF 1B 4A FF 1B 4A 00"},
  });
}

TEST_F(ReceiptCommands, SettingsWithByteAnd16BitFields) {
  ExpectAll({
      {"speed", [](void *h) { return VP_Pos_SetPrintSpeed(h, 0x1234); }, "1F 28 73 02 00 34 12"},
      {"density", [](void *h) { return VP_Pos_SetPrintDensity(h, 7); }, "12 23 07"},
      {"single byte", [](void *h) { return VP_Pos_SetSingleByteMode(h); }, "1C 2E"},
      {"character set", [](void *h) { return VP_Pos_SetCharacterSet(h, VP_CharacterSet_CHINA); },
       "1B 52 0F"},
      {"code page",
       [](void *h) { return VP_Pos_SetCharacterCodepage(h, VP_CharacterCodepage_WCP1252); },
       "1B 74 10"},
      {"multi byte", [](void *h) { return VP_Pos_SetMultiByteMode(h); }, "1C 26"},
      {"encoding",
       [](void *h) { return VP_Pos_SetMultiByteEncoding(h, VP_MultiByteEncoding_UTF8); },
       "1B 39 01"},
      {"unit", [](void *h) { return VP_Pos_SetMovementUnit(h, 180, 360); }, "1D 50 B4 68"},
      {"left margin", [](void *h) { return VP_Pos_SetPrintAreaLeftMargin(h, 300); }, "1D 4C 2C 01"},
      {"area width", [](void *h) { return VP_Pos_SetPrintAreaWidth(h, 70000); }, "1D 57 70 11"},
      {"absolute x", [](void *h) { return VP_Pos_SetHorizontalAbsolutePrintPosition(h, 256); },
       "1B 24 00 01"},
      {"relative x backward",
       [](void *h) { return VP_Pos_SetHorizontalRelativePrintPosition(h, -10); }, "1B 5C F6 FF"},
      {"absolute y", [](void *h) { return VP_Pos_SetVerticalAbsolutePrintPosition(h, 65535); },
       "1D 24 FF FF"},
      {"relative y backward",
       [](void *h) { return VP_Pos_SetVerticalRelativePrintPosition(h, -32768); }, "1D 5C 00 80"},
      {"alignment", [](void *h) { return VP_Pos_SetAlignment(h, VP_Pos_Alignment_Right); },
       "1B 61 02"},
      {"scale", [](void *h) { return VP_Pos_SetTextScale(h, 1, 2); }, "1D 21 12"},
      {"scale keeps 3 bits", [](void *h) { return VP_Pos_SetTextScale(h, 9, 15); }, "1D 21 17"},
      {"font", [](void *h) { return VP_Pos_SetAsciiTextFontType(h, 1); }, "1B 4D 01"},
      {"bold", [](void *h) { return VP_Pos_SetTextBold(h, 1); }, "1B 45 01"},
      {"underline both fonts", [](void *h) { return VP_Pos_SetTextUnderline(h, 2); },
       "1B 2D 02 1C 2D 02"},
      {"upside down", [](void *h) { return VP_Pos_SetTextUpsideDown(h, 1); }, "1B 7B 01"},
      {"white on black", [](void *h) { return VP_Pos_SetTextWhiteOnBlack(h, 1); }, "1D 42 01"},
      {"rotate", [](void *h) { return VP_Pos_SetTextRotate(h, 1); }, "1B 56 01"},
      {"line height", [](void *h) { return VP_Pos_SetTextLineHeight(h, 300); }, "1B 33 2C"},
      {"right spacing", [](void *h) { return VP_Pos_SetAsciiTextCharRightSpacing(h, 2); },
       "1B 20 02"},
      {"kanji spacing", [](void *h) { return VP_Pos_SetKanjiTextCharSpacing(h, 1, 3); },
       "1C 53 01 03"},
      {"barcode unit", [](void *h) { return VP_Pos_SetBarcodeUnitWidth(h, 3); }, "1D 77 03"},
      {"barcode height", [](void *h) { return VP_Pos_SetBarcodeHeight(h, 162); }, "1D 68 A2"},
      {"barcode text font", [](void *h) { return VP_Pos_SetBarcodeReadableTextFontType(h, 1); },
       "1D 66 01"},
      {"barcode text position",
       [](void *h) {
         return VP_Pos_SetBarcodeReadableTextPosition(
             h, VP_Pos_BarcodeTextPrintPosition_AboveAndBelowBarcode);
       },
       "1D 48 03"},
  });
}

TEST_F(ReceiptCommands, TextIsWrittenUnchanged) {
  ExpectAll({
      {"text", [](void *h) { return VP_Pos_PrintText(h, "Ab\n"); }, "41 62 0A"},
      {"empty text", [](void *h) { return VP_Pos_PrintText(h, ""); }, ""},
      {"bytes with a 0 inside", [](void *h) { return VP_Pos_PrintTextInBytes(h, "a\0b", 3); },
       "61 00 62"},
      {"no bytes", [](void *h) { return VP_Pos_PrintTextInBytes(h, nullptr, 0); }, ""},
  });
}

TEST_F(ReceiptCommands, TextInEachEncoding) {
  ExpectAll({
      {"UTF-8", [](void *h) { return VP_Pos_PrintTextInUTF8(h, L"a中文"); },
       "61 E4 B8 AD E6 96 87"},
      {"UTF-8 beyond the BMP", [](void *h) { return VP_Pos_PrintTextInUTF8(h, L"\U0001F600"); },
       "F0 9F 98 80"},
      {"GBK", [](void *h) { return VP_Pos_PrintTextInGBK(h, L"中文"); }, "D6 D0 CE C4"},
      {"BIG5", [](void *h) { return VP_Pos_PrintTextInBIG5(h, L"中文"); }, "A4 A4 A4 E5"},
      {"Shift-JIS", [](void *h) { return VP_Pos_PrintTextInShiftJIS(h, L"日本"); }, "93 FA 96 7B"},
      {"EUC-KR", [](void *h) { return VP_Pos_PrintTextInEUCKR(h, L"한국"); }, "C7 D1 B1 B9"},
      {"empty", [](void *h) { return VP_Pos_PrintTextInGBK(h, L""); }, ""},
  });
}

TEST_F(ReceiptCommands, SymbolsAndRules) {
  ExpectAll({
      {"barcode",
       [](void *h) { return VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_EAN8, "1234567"); },
       "1D 6B 44 07 31 32 33 34 35 36 37"},
      {"barcode of 255 bytes",
       [](void *h) {
         return VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_CODE39, std::string(255, 'A').c_str());
       },
       ("1D 6B 45 FF " + ToHex(std::string(255, 'A'))).c_str()},
      {"code 128 auto", [](void *h) { return VP_Pos_PrintBarcode_Code128Auto(h, "No.123456"); },
       "1D 6B 49 0A 7B 42 4E 6F 2E 7B 43 0C 22 38"},
      {"QR", [](void *h) { return VP_Pos_PrintQRCode(h, 3, VP_QRCodeECC_M, "ab"); },
       "1D 6B 61 03 02 02 00 61 62"},
      {"QR with the Epson command",
       [](void *h) { return VP_Pos_PrintQRCodeUseEpsonCmd(h, 4, VP_QRCodeECC_M, "ab"); },
       "1D 28 6B 03 00 31 43 04 1D 28 6B 03 00 31 45 31 "
       "1D 28 6B 05 00 31 50 30 61 62 1D 28 6B 03 00 31 51 30"},
      {"two QR codes",
       [](void *h) {
         return VP_Pos_PrintDoubleQRCode(h, 3, 10, 2, VP_QRCodeECC_L, "a", 300, 5, VP_QRCodeECC_H,
                                         "bc");
       },
       "1F 51 02 03 00 0A 00 01 02 01 61 01 2C 00 02 05 04 62 63"},
      {"PDF417",
       [](void *h) { return VP_Pos_PrintPDF417BarcodeUseEpsonCmd(h, 4, 10, 3, 5, 2, 1, "xy"); },
       "1D 28 6B 03 00 30 41 04 1D 28 6B 03 00 30 42 0A 1D 28 6B 03 00 30 43 03 "
       "1D 28 6B 03 00 30 44 05 1D 28 6B 04 00 30 45 30 32 1D 28 6B 03 00 30 46 01 "
       "1D 28 6B 05 00 30 50 30 78 79 1D 28 6B 03 00 30 51 30"},
      {"rule", [](void *h) { return VP_Pos_PrintHorizontalLine(h, 10, 300); },
       "1D 27 01 0A 00 2C 01"},
      {"thick rule", [](void *h) { return VP_Pos_PrintHorizontalLineSpecifyThickness(h, 1, 2, 2); },
       "1D 27 01 01 00 02 00 1D 27 01 01 00 02 00"},
      {"several rules, only the counted pairs",
       [](void *h) {
         int starts[5] = {1, 300, 7, 7, 7};
         int ends[5] = {2, 400, 7, 7, 7};
         return VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 2, starts, ends);
       },
       "1D 27 02 01 00 02 00 2C 01 90 01"},
      {"no rules",
       [](void *h) { return VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 0, nullptr, nullptr); },
       "1D 27 00"},
  });
}

TEST_F(ReceiptCommands, RefusedInputWritesNothing) {
  void *h = port.handle();
  int starts[2] = {1, 2};
  const std::vector<std::function<int()>> refused = {
      [&] { return VP_Pos_PrintText(h, nullptr); },
      [&] { return VP_Pos_PrintTextInBytes(h, nullptr, 2); },
      [&] { return VP_Pos_PrintTextInBytes(h, "ab", -1); },
      [&] { return VP_Pos_PrintTextInUTF8(h, nullptr); },
      // GBK has no emoji, EUC-KR no Thai; a lone surrogate is no character at all.
      [&] { return VP_Pos_PrintTextInGBK(h, L"ok\U0001F600"); },
      [&] { return VP_Pos_PrintTextInEUCKR(h, L"ก"); },
      [&] { return VP_Pos_PrintTextInUTF8(h, L"\xD800"); },
      [&] { return VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_CODE39, nullptr); },
      [&] {
        return VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_CODE39, std::string(256, 'A').c_str());
      },
      [&] { return VP_Pos_PrintBarcode_Code128Auto(h, "caf\xC3\xA9"); },
      [&] { return VP_Pos_PrintBarcode_Code128Auto(h, ""); },
      [&] { return VP_Pos_PrintQRCode(h, 1, VP_QRCodeECC_L, nullptr); },
      [&] {
        return VP_Pos_PrintQRCodeUseEpsonCmd(h, 3, VP_QRCodeECC_L, std::string(65533, 'a').c_str());
      },
      [&] {
        return VP_Pos_PrintDoubleQRCode(h, 3, 0, 1, VP_QRCodeECC_L, "a", 0, 1, VP_QRCodeECC_L,
                                        nullptr);
      },
      [&] { return VP_Pos_PrintHorizontalLineSpecifyThickness(h, 1, 2, 0); },
      [&] { return VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, -1, starts, starts); },
      [&] { return VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 256, starts, starts); },
      [&] { return VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 1, nullptr, starts); },
  };
  for (size_t i = 0; i < refused.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(refused[i](), 0);
    EXPECT_EQ(port.TakeHex(), "");
  }
}

TEST_F(ReceiptCommands, LongestDataTheLengthFieldsCarry) {
  const std::string qr(65535, 'q');
  EXPECT_EQ(VP_Pos_PrintQRCode(port.handle(), 0, VP_QRCodeECC_L, qr.c_str()), 1);
  const std::vector<uint8_t> sent = port.Bytes();
  ASSERT_EQ(sent.size(), 7u + qr.size());
  EXPECT_EQ(sent[5], 0xFF);
  EXPECT_EQ(sent[6], 0xFF);
  port.Clear();
  const std::string epson(65532, 'e');
  EXPECT_EQ(VP_Pos_PrintQRCodeUseEpsonCmd(port.handle(), 3, VP_QRCodeECC_L, epson.c_str()), 1);
  EXPECT_EQ(port.Bytes().size(), 16u + 8u + epson.size() + 8u);
}

TEST_F(ReceiptCommands, MultiWriteCommandsReportTheirLastWrite) {
  // Room for one three-byte command only: the first write lands, the second does not.
  MemoryPort small(3);
  EXPECT_EQ(VP_Pos_SetTextUnderline(small.handle(), 1), 0);
  EXPECT_EQ(small.TakeHex(), "1B 2D 01");
  EXPECT_EQ(VP_Pos_FeedDot(small.handle(), 300), 0);
  EXPECT_EQ(small.TakeHex(), "1B 4A FF");
  // A command is written whole or not at all.
  EXPECT_EQ(VP_Pos_PrintText(small.handle(), "abcd"), 0);
  EXPECT_EQ(small.TakeHex(), "");
}

TEST_F(ReceiptCommands, DeadOrUnknownHandlesWriteNothing) {
  int cell = 0;
  EXPECT_EQ(VP_Pos_FeedLine(nullptr, 1), 0);
  EXPECT_EQ(VP_Pos_PrintText(&cell, "x"), 0);
  void *closed = VP_Port_OpenMemoryBuffer(16);
  ASSERT_NE(closed, nullptr);
  ASSERT_EQ(VP_Port_Close(closed), 1);
  EXPECT_EQ(VP_Pos_SetTextScale(closed, 1, 1), 0);
  EXPECT_EQ(VP_Pos_PrintTextInGBK(closed, L"中"), 0);
}

}  // namespace
}  // namespace velmora::test
