// Black-mark and label commands, byte for byte, through a memory port.
#include <cstdint>

#include "commands/CommandCases.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using BlackMarkAndLabel = CommandTest;

TEST_F(BlackMarkAndLabel, BlackMarkCommands) {
  ExpectAll({
      {"enable", CALL(VP_BlackMark_EnableBlackMarkMode(h)), "1F 1B 1F 80 04 05 06 44"},
      {"disable", CALL(VP_BlackMark_DisableBlackMarkMode(h)), "1F 1B 1F 80 04 05 06 66"},
      {"max find length keeps 16 bits", CALL(VP_BlackMark_SetBlackMarkMaxFindLength(h, 70000)),
       "1F 1B 1F 81 04 05 06 70 11"},
      {"find next", CALL(VP_BlackMark_FindNextBlackMark(h)), "1D 0C"},
      {"print position forward", CALL(VP_BlackMark_SetBlackMarkPaperPrintPosition(h, 300)),
       "1D 28 46 04 00 01 00 2C 01"},
      {"print position backward", CALL(VP_BlackMark_SetBlackMarkPaperPrintPosition(h, -100)),
       "1D 28 46 04 00 01 01 64 00"},
      {"cut position backward", CALL(VP_BlackMark_SetBlackMarkPaperCutPosition(h, -1)),
       "1D 28 46 04 00 02 01 01 00"},
      {"cut position of the most negative int",
       CALL(VP_BlackMark_SetBlackMarkPaperCutPosition(h, INT32_MIN)), "1D 28 46 04 00 02 01 00 00"},
      {"full cut", CALL(VP_BlackMark_FullCutBlackMarkPaper(h)), "1D 56 00"},
      {"half cut", CALL(VP_BlackMark_HalfCutBlackMarkPaper(h)), "1D 56 01"},
  });
}

TEST_F(BlackMarkAndLabel, LabelCommands) {
  ExpectAll({
      {"enable", CALL(VP_Label_EnableLabelMode(h)), "1F 28 4C 01 00 31"},
      {"disable", CALL(VP_Label_DisableLabelMode(h)), "1F 28 4C 01 00 00"},
      {"calibrate", CALL(VP_Label_CalibrateLabel(h)), "1F 63"},
      {"feed", CALL(VP_Label_FeedLabel(h)), "1A 0C 30"},
      {"page begin", CALL(VP_Label_PageBegin(h, 0, 8, 384, 0x1F4, VP_Label_Rotation_90)),
       "1A 5B 01 00 00 08 00 80 01 F4 01 01"},
      {"print", CALL(VP_Label_PagePrint(h, 2)), "1A 4F 01 02"},
      {"print 256 copies sends 0", CALL(VP_Label_PagePrint(h, 256)), "1A 4F 01 00"},
      {"text, x -1 is 65535", CALL(VP_Label_DrawText(h, -1, 300, 24, 1, "Hi")),
       "1A 54 01 FF FF 2C 01 18 00 01 00 48 69 00"},
      {"text in UTF-8", CALL(VP_Label_DrawTextInUTF8(h, 1, 2, 3, 4, L"中")),
       "1A 54 01 01 00 02 00 03 00 04 00 E4 B8 AD 00"},
      {"text in GBK", CALL(VP_Label_DrawTextInGBK(h, 1, 2, 3, 4, L"中文")),
       "1A 54 01 01 00 02 00 03 00 04 00 D6 D0 CE C4 00"},
      {"barcode after its text position",
       CALL(VP_Label_DrawBarcode(h, 16, 32, VP_Label_BarcodeType_CODE128,
                                 VP_Label_BarcodeTextPrintPosition_BelowBarcode, 80, 2,
                                 VP_Label_Rotation_0, "A1")),
       "1D 48 02 1A 30 00 10 00 20 00 08 50 02 00 41 31 00"},
      {"QR", CALL(VP_Label_DrawQRCode(h, 10, 20, 3, VP_QRCodeECC_Q, 4, VP_Label_Rotation_180, "q")),
       "1A 31 00 03 03 0A 00 14 00 04 02 71 00"},
      {"PDF417: columns, level, aspect ratio",
       CALL(VP_Label_DrawPDF417Code(h, 10, 20, 5, 3, 2, 2, VP_Label_Rotation_270, "p")),
       "1A 31 01 05 02 03 0A 00 14 00 02 03 70 00"},
      {"line", CALL(VP_Label_DrawLine(h, 1, 2, 300, 4, 3, VP_Label_Color_Black)),
       "1A 5C 01 01 00 02 00 2C 01 04 00 03 00 01"},
      {"rect far corner is x + width",
       CALL(VP_Label_DrawRect(h, 10, 5, 20, 7, VP_Label_Color_Black)),
       "1A 2A 00 0A 00 05 00 1E 00 0C 00 01"},
      {"box", CALL(VP_Label_DrawBox(h, 10, 5, 20, 7, 2, VP_Label_Color_White)),
       "1A 26 01 0A 00 05 00 1E 00 0C 00 02 00 00"},
  });
}

}  // namespace
}  // namespace velmora::test
