// Refused input and unknown or closed handles write nothing (null handles: the wrapper table).
// A command the port cannot take whole fails, and the page settings it would change stay.
#include <string>

#include "commands/CommandCases.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using RefusedInput = CommandTest;

TEST_F(RefusedInput, WritesNothing) {
  int starts[2] = {1, 2}, cell = 0;
  const std::string code39_too_long(256, 'A'), epson_qr_too_long(65533, 'a'), qr_beyond(3000, 'x');
  const auto label = VP_Label_Rotation_0;
  const wchar_t past_unicode[][4] = {
      {L'a', static_cast<wchar_t>(0x110000)},
      {static_cast<wchar_t>(0x200000), static_cast<wchar_t>(0x4000000)},
      {static_cast<wchar_t>(0x7FFFFFFF)},
      {L'a', static_cast<wchar_t>(-1)}};
  ExpectRefused({
      {"null text", CALL(VP_Pos_PrintText(h, nullptr))},
      {"null bytes", CALL(VP_Pos_PrintTextInBytes(h, nullptr, 2))},
      {"negative count", CALL(VP_Pos_PrintTextInBytes(h, "ab", -1))},
      {"null wide text", CALL(VP_Pos_PrintTextInUTF8(h, nullptr))},
      // GBK has no emoji, EUC-KR no Thai; a lone surrogate is no character at all.
      {"emoji in GBK", CALL(VP_Pos_PrintTextInGBK(h, L"ok\U0001F600"))},
      {"Thai in EUC-KR", CALL(VP_Pos_PrintTextInEUCKR(h, L"ก"))},
      {"lone surrogate", CALL(VP_Pos_PrintTextInUTF8(h, L"\xD800"))},
      // Past U+10FFFF is no character either, whatever the text's length.
      {"U+110000", CALL(VP_Pos_PrintTextInUTF8(h, past_unicode[0]))},
      {"0x200000 twice", CALL(VP_Pos_PrintTextInUTF8(h, past_unicode[1]))},
      {"0x7FFFFFFF", CALL(VP_Pos_PrintTextInGBK(h, past_unicode[2]))},
      {"negative unit", CALL(VP_Pos_PrintTextInUTF8(h, past_unicode[3]))},
      {"page 0x7FFFFFFF", CALL(VP_Page_DrawTextInUTF8(h, 0, 0, past_unicode[2]))},
      {"label U+110000", CALL(VP_Label_DrawTextInUTF8(h, 0, 0, 0, 0, past_unicode[0]))},
      {"null barcode", CALL(VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_CODE39, nullptr))},
      {"barcode of 256 bytes",
       CALL(VP_Pos_PrintBarcode(h, VP_Pos_BarcodeType_CODE39, code39_too_long.c_str()))},
      {"code 128 outside set B", CALL(VP_Pos_PrintBarcode_Code128Auto(h, "caf\xC3\xA9"))},
      {"empty code 128", CALL(VP_Pos_PrintBarcode_Code128Auto(h, ""))},
      {"null QR", CALL(VP_Pos_PrintQRCode(h, 1, VP_QRCodeECC_L, nullptr))},
      {"Epson QR too long",
       CALL(VP_Pos_PrintQRCodeUseEpsonCmd(h, 3, VP_QRCodeECC_L, epson_qr_too_long.c_str()))},
      {"second QR null", CALL(VP_Pos_PrintDoubleQRCode(h, 3, 0, 1, VP_QRCodeECC_L, "a", 0, 1,
                                                       VP_QRCodeECC_L, nullptr))},
      {"rule of thickness 0", CALL(VP_Pos_PrintHorizontalLineSpecifyThickness(h, 1, 2, 0))},
      {"-1 rules", CALL(VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, -1, starts, starts))},
      {"256 rules", CALL(VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 256, starts, starts))},
      {"null rule starts",
       CALL(VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 1, nullptr, starts))},
      // Page items that cannot be encoded or built move nothing and print nothing.
      {"page emoji in GBK", CALL(VP_Page_DrawTextInGBK(h, 0, 0, L"\U0001F600"))},
      {"page null wide text", CALL(VP_Page_DrawTextInEUCKR(h, 0, 0, nullptr))},
      {"page null text", CALL(VP_Page_DrawText(h, 0, 0, nullptr))},
      {"page barcode of 256 bytes",
       CALL(VP_Page_DrawBarcode(h, 0, 0, VP_Pos_BarcodeType_CODE39, code39_too_long.c_str()))},
      {"page QR level 5",
       CALL(VP_Page_DrawQRCode(h, 0, 0, 1, static_cast<VP_QRCodeECC>(5), "hello"))},
      {"page QR beyond version 40",
       CALL(VP_Page_DrawQRCode(h, 0, 0, 1, VP_QRCodeECC_H, qr_beyond.c_str()))},
      {"page null QR", CALL(VP_Page_DrawQRCode(h, 0, 0, 1, VP_QRCodeECC_H, nullptr))},
      {"label null text", CALL(VP_Label_DrawText(h, 0, 0, 0, 0, nullptr))},
      {"label emoji in GBK", CALL(VP_Label_DrawTextInGBK(h, 0, 0, 0, 0, L"\U0001F600"))},
      {"label null wide text", CALL(VP_Label_DrawTextInUTF8(h, 0, 0, 0, 0, nullptr))},
      {"label null barcode",
       CALL(VP_Label_DrawBarcode(h, 0, 0, VP_Label_BarcodeType_EAN8,
                                 VP_Label_BarcodeTextPrintPosition_None, 1, 1, label, nullptr))},
      {"label null QR", CALL(VP_Label_DrawQRCode(h, 0, 0, 1, VP_QRCodeECC_L, 1, label, nullptr))},
      {"label null PDF417", CALL(VP_Label_DrawPDF417Code(h, 0, 0, 1, 1, 1, 1, label, nullptr))},
      {"unknown handle", CALL(VP_Pos_PrintText(&cell, "x"))},
      {"closed handle",
       [](void *) {
         void *closed = VP_Port_OpenMemoryBuffer(16);
         return VP_Port_Close(closed) == 1
                    ? VP_Pos_SetTextScale(closed, 1, 1) + VP_Pos_PrintTextInGBK(closed, L"中")
                    : -1;
       }},
  });
}

TEST_F(RefusedInput, CommandsCutOffByAFullPortFail) {
  ExpectAll({
      // Room for one three-byte command only: the first write lands, the second does not.
      {"underline", CALL(VP_Pos_SetTextUnderline(h, 1)), "1B 2D 01", 0, 3},
      {"dot feed", CALL(VP_Pos_FeedDot(h, 300)), "1B 4A FF", 0, 3},
      {"label barcode after its text position",
       CALL(VP_Label_DrawBarcode(h, 0, 0, VP_Label_BarcodeType_EAN8,
                                 VP_Label_BarcodeTextPrintPosition_None, 1, 1, VP_Label_Rotation_0,
                                 "1")),
       "1D 48 00", 0, 3},
      // A command is written whole or not at all.
      {"text", CALL(VP_Pos_PrintText(h, "abcd")), "", 0, 3},
      {"page text after ESC $", CALL(VP_Page_DrawText(h, 1, 1, "a")), "1B 24 01 00", 0, 4},
      // Room for the unit and ESC L, not for the area; the area is not kept: an item at its end
      // stays at 0.
      {"page mode defaults", CALL(VP_Page_SelectPageModeEx(h, 180, 360, 0, 0, 576, 400)),
       "1D 50 B4 68 1B 4C", 0, 15},
      {"page mode defaults, area not kept",
       CALL(!VP_Page_SelectPageModeEx(h, 180, 360, 0, 0, 576, 400) &&
            VP_Port_ClearMemoryBufferData(h) && VP_Page_DrawRect(h, -3, -3, 1, 1, 1)),
       "1F 28 52 0A 00 00 00 00 00 00 00 00 00 01 01", 1, 15},
      // Exactly one page-area command fits; what failed after it is not kept: still 400 x 300
      // in direction 0 with text of normal size.
      {"page settings",
       CALL(VP_Page_SetPageArea(h, 0, 0, 400, 300) && !VP_Page_SetPageArea(h, 0, 0, 100, 100) &&
            !VP_Page_SetPageDrawDirection(h, VP_Page_DrawDirection_BottomToTop) &&
            !VP_Pos_SetTextScale(h, 7, 7) && VP_Port_ClearMemoryBufferData(h) &&
            VP_Page_DrawText(h, -3, -3, "a")),
       "1B 24 84 01 1D 24 2C 01 61", 1, 10},
  });
}

}  // namespace
}  // namespace velmora::test
