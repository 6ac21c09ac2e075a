// The module's wide text, and its command functions refusing what the port layer cannot take.
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

TEST_F(CommandWrappers, ValuesThatDoNotFitAndShortArraysAreRefusedBeforeThePortLayer) {
  EXPECT_FALSE(velmora::VP_Pos_FeedLine(h(), kTooBig));
  EXPECT_FALSE(velmora::VP_Pos_PrintQRCode(h(), kTooBig, VP_QRCodeECC_L, "a"));
  EXPECT_FALSE(velmora::VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h(), 3, {1, 2, 3}, {1, 2}));
  EXPECT_FALSE(velmora::VP_Pos_PrintMultipleHorizontalLinesAtOneRow(h(), 1, {kTooBig}, {1}));
  EXPECT_FALSE(velmora::VP_Page_DrawTextInUTF8(h(), kTooBig, 0, "a"));
  EXPECT_FALSE(velmora::VP_Page_DrawRect(h(), 0, 0, 1, 1, -kTooBig - 1));
  EXPECT_FALSE(velmora::VP_BlackMark_SetBlackMarkPaperCutPosition(h(), kTooBig));
  EXPECT_FALSE(velmora::VP_Label_DrawBarcode(h(), 0, 0, VP_Label_BarcodeType_CODE128,
                                             VP_Label_BarcodeTextPrintPosition_None, kTooBig, 2,
                                             VP_Label_Rotation_0, "1"));
  EXPECT_EQ(port.TakeHex(), "");
}

}  // namespace
}  // namespace velmora::test
