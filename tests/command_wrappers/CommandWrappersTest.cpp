// The module's receipt, page-mode, black-mark and label functions over a memory port: handle 0,
// integers that do not fit, and that each family reaches its flat functions with its arguments
// in order.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/MemoryPort.h"
#include "support/PortTest.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

constexpr Int kTooBig = Int{std::numeric_limits<std::int32_t>::max()} + 1;

class CommandWrappers : public PortTest {
 protected:
  Int h() const { return reinterpret_cast<Int>(port.handle()); }
  MemoryPort port;
};

TEST_F(CommandWrappers, WideStringHasOneUnitPerScalarValue) {
  EXPECT_EQ(velmora::VP_Utils_AllocateWCharPointerFromString(""), L"");
  EXPECT_EQ(velmora::VP_Utils_AllocateWCharPointerFromString("abc"), L"abc");
  EXPECT_EQ(velmora::VP_Utils_AllocateWCharPointerFromString("\xE4\xB8\xAD\xF0\x9F\x98\x80"),
            std::wstring({L'\x4E2D', L'\x1F600'}));
  EXPECT_EQ(velmora::VP_Utils_AllocateWCharPointerFromString(std::string("a\0b", 3)),
            std::wstring(L"a\0b", 3));
  // Ill-formed UTF-8: a stray continuation byte and a truncated sequence.
  EXPECT_EQ(velmora::VP_Utils_AllocateWCharPointerFromString("a\x80z\xE4\xB8"),
            std::wstring({L'a', L'\xFFFD', L'z', L'\xFFFD'}));
}

TEST_F(CommandWrappers, ReceiptFamily) {
  EXPECT_TRUE(velmora::VP_Pos_PrintTextInUTF8(h(), "\xF0\x9F\x98\x80"));
  EXPECT_EQ(port.TakeHex(), "F0 9F 98 80");
  EXPECT_TRUE(velmora::VP_Pos_PrintTextInGBK(h(), "\xE4\xB8\xAD\xE6\x96\x87"));
  EXPECT_EQ(port.TakeHex(), "D6 D0 CE C4");
  // The text stops at an embedded NUL; a character GBK lacks fails the whole call.
  EXPECT_TRUE(velmora::VP_Pos_PrintText(h(), std::string("ab\0cd", 5)));
  EXPECT_EQ(port.TakeHex(), "61 62");
  EXPECT_FALSE(velmora::VP_Pos_PrintTextInGBK(h(), "ok\xF0\x9F\x98\x80"));
  EXPECT_EQ(port.TakeHex(), "");

  EXPECT_TRUE(velmora::VP_Pos_PrintDoubleQRCode(h(), 3, 10, 2, VP_QRCodeECC_L, "a", 300, 5,
                                                VP_QRCodeECC_H, "bc"));
  EXPECT_EQ(port.TakeHex(), "1F 51 02 03 00 0A 00 01 02 01 61 01 2C 00 02 05 04 62 63");
  EXPECT_TRUE(velmora::VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h(), 2, {1, 300, 9, 9, 9},
                                                                   {2, 400, 9, 9, 9}));
  EXPECT_EQ(port.TakeHex(), "1D 27 02 01 00 02 00 2C 01 90 01");
  EXPECT_TRUE(velmora::VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h(), 0, {}, {}));
  EXPECT_EQ(port.TakeHex(), "1D 27 00");
  EXPECT_TRUE(velmora::VP_Pos_SetHorizontalRelativePrintPosition(h(), -10));
  EXPECT_EQ(port.TakeHex(), "1B 5C F6 FF");

  // Refused before the port layer: handle 0, values beyond 32 bits, arrays shorter than the count.
  EXPECT_FALSE(velmora::VP_Pos_FeedLine(0, 1));
  EXPECT_FALSE(velmora::VP_Pos_PrintTextInUTF8(0, "a"));
  EXPECT_FALSE(velmora::VP_Pos_FeedLine(h(), kTooBig));
  EXPECT_FALSE(velmora::VP_Pos_PrintQRCode(h(), kTooBig, VP_QRCodeECC_L, "a"));
  EXPECT_FALSE(velmora::VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h(), 3, {1, 2, 3}, {1, 2}));
  EXPECT_FALSE(velmora::VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h(), 1, {kTooBig}, {1}));
  EXPECT_EQ(port.TakeHex(), "");
}

TEST_F(CommandWrappers, PageFamily) {
  ASSERT_TRUE(velmora::VP_Page_SelectPageModeEx(h(), 180, 360, 0, 0, 576, 400));
  port.Clear();
  EXPECT_TRUE(velmora::VP_Page_DrawTextInGBK(h(), -2, -1, "\xE4\xB8\xAD\xE6\x96\x87"));
  EXPECT_EQ(port.TakeHex(), "1B 24 08 01 1D 24 18 00 D6 D0 CE C4");
  EXPECT_TRUE(velmora::VP_Page_DrawRect(h(), -3, 0, 100, 50, 257));
  EXPECT_EQ(port.TakeHex(), "1F 28 52 0A 00 01 DC 00 00 02 3F 00 31 01 01");

  EXPECT_FALSE(velmora::VP_Page_SelectPageMode(0));
  EXPECT_FALSE(velmora::VP_Page_DrawTextInUTF8(0, 0, 0, "a"));
  EXPECT_FALSE(velmora::VP_Page_DrawTextInUTF8(h(), kTooBig, 0, "a"));
  EXPECT_FALSE(velmora::VP_Page_DrawRect(h(), 0, 0, 1, 1, -kTooBig - 1));
  EXPECT_EQ(port.TakeHex(), "");
}

TEST_F(CommandWrappers, BlackMarkFamily) {
  EXPECT_TRUE(velmora::VP_BlackMark_SetBlackMarkPaperPrintPosition(h(), -100));
  EXPECT_TRUE(velmora::VP_BlackMark_SetBlackMarkMaxFindLength(h(), 70000));
  EXPECT_EQ(port.TakeHex(), "1D 28 46 04 00 01 01 64 00 1F 1B 1F 81 04 05 06 70 11");
  EXPECT_FALSE(velmora::VP_BlackMark_FindNextBlackMark(0));
  EXPECT_FALSE(velmora::VP_BlackMark_SetBlackMarkPaperCutPosition(h(), kTooBig));
  EXPECT_EQ(port.TakeHex(), "");
}

TEST_F(CommandWrappers, LabelFamily) {
  EXPECT_TRUE(
      velmora::VP_Label_DrawPDF417Code(h(), 10, 20, 5, 3, 2, 2, VP_Label_Rotation_270, "p"));
  EXPECT_EQ(port.TakeHex(), "1A 31 01 05 02 03 0A 00 14 00 02 03 70 00");
  EXPECT_TRUE(velmora::VP_Label_DrawTextInGBK(h(), -1, 2, 3, 4, "\xE4\xB8\xAD"));
  EXPECT_EQ(port.TakeHex(), "1A 54 01 FF FF 02 00 03 00 04 00 D6 D0 00");
  EXPECT_TRUE(velmora::VP_Label_PagePrint(h(), 256));
  EXPECT_EQ(port.TakeHex(), "1A 4F 01 00");

  EXPECT_FALSE(velmora::VP_Label_FeedLabel(0));
  EXPECT_FALSE(velmora::VP_Label_DrawTextInUTF8(0, 0, 0, 0, 0, "a"));
  EXPECT_FALSE(velmora::VP_Label_DrawBarcode(h(), 0, 0, VP_Label_BarcodeType_CODE128,
                                             VP_Label_BarcodeTextPrintPosition_None, kTooBig, 2,
                                             VP_Label_Rotation_0, "1"));
  EXPECT_EQ(port.TakeHex(), "");
}

}  // namespace
}  // namespace velmora::test
