// Page-mode commands, byte for byte, with placement in the kept page area.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commands/CommandCases.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using PageCommands = CommandTest;

// A 400 x 300 page area, direction 0.
void SmallArea(void *h) {
  ASSERT_EQ(VP_Page_SetPageArea(h, 0, 0, 400, 300), 1);
}
// Page mode on a 576 x 400 area with the library's page defaults.
void EnterPage(void *h) {
  ASSERT_EQ(VP_Page_SelectPageModeEx(h, 180, 360, 0, 0, 576, 400), 1);
}

TEST_F(PageCommands, PlainCommands) {
  ExpectAll({
      {"select", CALL(VP_Page_SelectPageMode(h)), "1B 4C"},
      {"exit", CALL(VP_Page_ExitPageMode(h)), "1B 53"},
      {"print", CALL(VP_Page_PrintPage(h)), "1B 0C"},
      {"clear", CALL(VP_Page_ClearPage(h)), "18"},
      {"area", CALL(VP_Page_SetPageArea(h, 8, 16, 70000, 400)), "1B 57 08 00 10 00 70 11 90 01"},
      {"direction", CALL(VP_Page_SetPageDrawDirection(h, VP_Page_DrawDirection_TopToBottom)),
       "1B 54 03"},
      {"select with the defaults, in order",
       CALL(VP_Page_SelectPageModeEx(h, 180, 360, 0, 0, 576, 400)),
       "1D 50 B4 68 1B 4C 1B 57 00 00 00 00 40 02 90 01 1B 54 00 1B 33 20 1B 20 00 "
       "1C 53 00 00 1D 21 00 1D 77 02 1D 68 3C 1D 48 02 1D 66 00"},
  });
}

TEST_F(PageCommands, RectanglesAndBoxes) {
  // Even directions: 400 along x, 300 along y; odd ones: 300 along x, 400 along y.
  const std::string even_end = "1F 28 52 0A 00 01 2C 00 FA 01 8F 01 2B 01 01";
  const std::string odd_end = "1F 28 52 0A 00 00 C8 01 5E 01 2B 01 8F 01 01";
  auto at_end = [](int direction) {
    return [direction](void *h) {
      return VP_Page_SetPageDrawDirection(h, static_cast<VP_Page_DrawDirection>(direction)) &&
             VP_Page_DrawRect(h, -3, -3, 100, 50, 1);
    };
  };
  ExpectAll(
      {
          {"end, direction 0", at_end(0), "1B 54 00 " + even_end},
          {"end, direction 1", at_end(1), "1B 54 01 " + odd_end},
          {"end, direction 2", at_end(2), "1B 54 02 " + even_end},
          {"end, direction 3", at_end(3), "1B 54 03 " + odd_end},
          {"centred, colour's low byte", CALL(VP_Page_DrawRect(h, -2, -1, 100, 50, 257)),
           "1F 28 52 0A 00 00 96 00 00 00 F9 00 31 01 01"},
          {"explicit", CALL(VP_Page_DrawRect(h, 10, 20, 1, 1, 0)),
           "1F 28 52 0A 00 00 0A 00 14 00 0A 00 14 00 01"},
          // A box is an outer and an inset rectangle in the other colour.
          {"box", CALL(VP_Page_DrawBox(h, 10, 20, 100, 50, 3, 1)),
           "1F 28 52 0A 00 00 0A 00 14 00 6D 00 45 01 01 "
           "1F 28 52 0A 00 00 0D 00 17 00 6A 00 42 00 01"},
          {"box at the end, low bytes", CALL(VP_Page_DrawBox(h, -3, -3, 100, 50, 259, 256)),
           "1F 28 52 0A 00 01 2C 00 FA 01 8F 01 2B 00 01 "
           "1F 28 52 0A 00 01 2F 00 FD 01 8C 01 28 01 01"},
      },
      SmallArea);
}

TEST_F(PageCommands, TextBarcodeAndQRCodeArePlacedFromTheKeptSettings) {
  ExpectAll(
      {
          {"text", CALL(VP_Page_DrawText(h, -2, -1, "abc")), "1B 24 0E 01 1D 24 18 00 61 62 63"},
          // 3 x (12 + 2) x 2 wide, 48 high, at the end of both axes.
          {"scaled and spaced text",
           CALL(VP_Pos_SetTextScale(h, 1, 1) && VP_Pos_SetAsciiTextCharRightSpacing(h, 2) &&
                VP_Page_DrawText(h, -3, -3, "abc")),
           "1D 21 11 1B 20 02 1B 24 EC 01 1D 24 90 01 61 62 63"},
          // Two characters of 1 + 24 + 3 dots.
          {"GBK",
           CALL(VP_Pos_SetKanjiTextCharSpacing(h, 1, 3) &&
                VP_Page_DrawTextInGBK(h, -3, 5, L"中文")),
           "1C 53 01 03 1B 24 08 02 1D 24 1D 00 D6 D0 CE C4"},
          {"UTF-8", CALL(VP_Page_DrawTextInUTF8(h, 0, 0, L"中")),
           "1B 24 00 00 1D 24 18 00 E4 B8 AD"},
          {"BIG5", CALL(VP_Page_DrawTextInBIG5(h, 0, 0, L"中")), "1B 24 00 00 1D 24 18 00 A4 A4"},
          {"Shift-JIS", CALL(VP_Page_DrawTextInShiftJIS(h, 0, 0, L"日")),
           "1B 24 00 00 1D 24 18 00 93 FA"},
          {"EUC-KR", CALL(VP_Page_DrawTextInEUCKR(h, 0, 0, L"한")),
           "1B 24 00 00 1D 24 18 00 C7 D1"},
          // EAN-13: 95 modules x 2 dots; 60 dots of bars and 24 of text below.
          {"barcode",
           CALL(VP_Page_DrawBarcode(h, -2, -3, VP_Pos_BarcodeType_EAN13, "123456789012")),
           "1B 24 C1 00 1D 24 90 01 1D 6B 43 0C 31 32 33 34 35 36 37 38 39 30 31 32"},
          // 576 - 3 x 95 = 291; bars only: 60 high.
          {"barcode of wider modules without text",
           CALL(VP_Pos_SetBarcodeUnitWidth(h, 3) &&
                VP_Pos_SetBarcodeReadableTextPosition(h, VP_Pos_BarcodeTextPrintPosition_None) &&
                VP_Page_DrawBarcode(h, -3, 0, VP_Pos_BarcodeType_EAN13, "123456789012")),
           "1D 77 03 1D 48 00 1B 24 23 01 1D 24 3C 00 "
           "1D 6B 43 0C 31 32 33 34 35 36 37 38 39 30 31 32"},
          // CODE39 "AB": 63 modules x 2 = 126 wide; placed as the type byte that is sent.
          {"CODE39", CALL(VP_Page_DrawBarcode(h, -3, -2, VP_Pos_BarcodeType_CODE39, "AB")),
           "1B 24 C2 01 1D 24 F2 00 1D 6B 45 02 41 42"},
          {"type beyond its low byte",
           CALL(VP_Page_DrawBarcode(h, -3, -2, static_cast<VP_Pos_BarcodeType>(0x145), "AB")),
           "1B 24 C2 01 1D 24 F2 00 1D 6B 45 02 41 42"},
          // "hello" fits version 1: 21 modules of 2 dots; version 2 is 25 modules.
          {"QR code", CALL(VP_Page_DrawQRCode(h, -2, -2, 0, VP_QRCodeECC_L, "hello")),
           "1B 24 0B 01 1D 24 DD 00 1D 6B 61 00 01 05 00 68 65 6C 6C 6F"},
          {"QR code of version 2", CALL(VP_Page_DrawQRCode(h, -3, 0, 2, VP_QRCodeECC_H, "hello")),
           "1B 24 0E 02 1D 24 32 00 1D 6B 61 02 04 05 00 68 65 6C 6C 6F"},
      },
      EnterPage);
}

TEST_F(PageCommands, ItemsArePlacedInTheFrameOfTheTurnedDirections) {
  const std::vector<uint8_t> black(24 * 10, 0);
  // Text 36 x 24; EAN-13 190 x (60 + 24); QR version 1 of 2-dot modules 42 x 42; picture 24 x 10.
  const std::function<int(void *, int, int)> draw[4] = {
      [&](void *h, int x, int y) { return VP_Page_DrawText(h, x, y, "abc"); },
      [&](void *h, int x, int y) {
        return VP_Page_DrawBarcode(h, x, y, VP_Pos_BarcodeType_EAN13, "123456789012");
      },
      [&](void *h, int x, int y) {
        return VP_Page_DrawQRCode(h, x, y, 0, VP_QRCodeECC_L, "hello");
      },
      [&](void *h, int x, int y) {
        return VP_Page_DrawRasterImageFromPixels(h, x, y, black.data(), 240, 24, 10, 24,
                                                 VP_ImagePixelsFormat_GRAY8,
                                                 VP_ImageBinarizationMethod_Thresholding);
      },
  };
  // Odd directions turn the 576 x 400 area: x runs over 400 dots and y over 576. ESC $ gets the
  // left edge, GS $ the lower one (top + height).
  enum Item { kText, kBarcode, kQr, kPicture };
  const struct {
    int direction, x, y;
    Item item;
    const char *placed;
  } cases[] = {
      {1, -3, -2, kText, "1B 24 6C 01 1D 24 2C 01"},     // x 400 - 36, y (576 - 24) / 2 + 24
      {1, -3, -2, kBarcode, "1B 24 D2 00 1D 24 4A 01"},  // x 400 - 190, y (576 - 84) / 2 + 84
      {1, -3, -2, kQr, "1B 24 66 01 1D 24 35 01"},       // x 400 - 42, y (576 - 42) / 2 + 42
      {1, -3, -2, kPicture, "1B 24 78 01 1D 24 25 01"},  // x 400 - 24, y (576 - 10) / 2 + 10
      {2, -3, -2, kText, "1B 24 1C 02 1D 24 D4 00"},     // x 576 - 36, y (400 - 24) / 2 + 24
      {2, -3, -2, kBarcode, "1B 24 82 01 1D 24 F2 00"},  // x 576 - 190, y (400 - 84) / 2 + 84
      {2, -3, -2, kQr, "1B 24 16 02 1D 24 DD 00"},       // x 576 - 42, y (400 - 42) / 2 + 42
      {2, -3, -2, kPicture, "1B 24 28 02 1D 24 CD 00"},  // x 576 - 24, y (400 - 10) / 2 + 10
      {3, -2, -3, kText, "1B 24 B6 00 1D 24 40 02"},     // x (400 - 36) / 2, y 576
      {3, -2, -3, kBarcode, "1B 24 69 00 1D 24 40 02"},  // x (400 - 190) / 2, y 576
      {3, -2, -3, kQr, "1B 24 B3 00 1D 24 40 02"},       // x (400 - 42) / 2, y 576
      {3, -2, -3, kPicture, "1B 24 BC 00 1D 24 40 02"},  // x (400 - 24) / 2, y 576
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << c.direction << ", item " << c.item);
    MemoryPort port;
    EnterPage(port.handle());
    ASSERT_EQ(VP_Page_SetPageDrawDirection(port.handle(),
                                           static_cast<VP_Page_DrawDirection>(c.direction)),
              1);
    port.Clear();
    EXPECT_EQ(draw[c.item](port.handle(), c.x, c.y), 1);
    EXPECT_EQ(port.TakeHex().substr(0, 23), c.placed);
  }
}

}  // namespace
}  // namespace velmora::test
