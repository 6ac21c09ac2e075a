// Enumeration arguments beyond the named values, through the flat functions and the module:
// every 32-bit value is a valid argument, and one-byte fields carry its low byte.
#include <cstdint>

#include "commands/CommandCases.h"
#include "velmora/velmora.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using EnumerationValues = CommandTest;

template <typename Enumeration>
Enumeration As(unsigned value) {
  return static_cast<Enumeration>(value);
}

TEST_F(EnumerationValues, BeyondTheNamedOnesGoOutAsTheirLowByte) {
  const uint8_t pixel[4] = {};
  ExpectAll({
      {"direction", CALL(::VP_Page_SetPageDrawDirection(h, As<VP_Page_DrawDirection>(49))),
       "1B 54 31"},
      {"alignment", CALL(::VP_Pos_SetAlignment(h, As<VP_Pos_Alignment>(49))), "1B 61 31"},
      {"code page", CALL(::VP_Pos_SetCharacterCodepage(h, As<VP_CharacterCodepage>(255))),
       "1B 74 FF"},
      {"character set", CALL(::VP_Pos_SetCharacterSet(h, As<VP_CharacterSet>(0xFFFFFF10))),
       "1B 52 10"},
      {"encoding", CALL(::VP_Pos_SetMultiByteEncoding(h, As<VP_MultiByteEncoding>(0x102))),
       "1B 39 02"},
      {"text position",
       CALL(::VP_Pos_SetBarcodeReadableTextPosition(
           h, As<VP_Pos_BarcodeTextPrintPosition>(0x80000001))),
       "1D 48 01"},
      {"barcode", CALL(::VP_Pos_PrintBarcode(h, As<VP_Pos_BarcodeType>(0x145), "A")),
       "1D 6B 45 01 41"},
      {"QR level", CALL(::VP_Pos_PrintQRCode(h, 1, As<VP_QRCodeECC>(0x103), "q")),
       "1D 6B 61 01 03 01 00 71"},
      {"label colour", CALL(::VP_Label_DrawRect(h, 0, 0, 1, 1, As<VP_Label_Color>(2))),
       "1A 2A 00 00 00 00 00 01 00 01 00 02"},
      {"label barcode",
       CALL(::VP_Label_DrawBarcode(h, 0, 0, As<VP_Label_BarcodeType>(0x1FF),
                                   As<VP_Label_BarcodeTextPrintPosition>(0x203), 1, 2,
                                   As<VP_Label_Rotation>(0xFFFFFFFF), "A")),
       "1D 48 03 1A 30 00 00 00 00 00 FF 01 02 FF 41 00"},
      {"module",
       CALL(velmora::VP_Page_SetPageDrawDirection(reinterpret_cast<Int>(h),
                                                  As<VP_Page_DrawDirection>(0x131)) &&
            velmora::VP_Label_DrawLine(reinterpret_cast<Int>(h), 0, 0, 0, 0, 0,
                                       As<VP_Label_Color>(0x1FF))),
       "1B 54 31 1A 5C 01 00 00 00 00 00 00 00 00 00 00 FF"},
      // The image functions know no value beyond their named ones: refused whole.
      {"image",
       CALL(::VP_Pos_PrintRasterImageFromPixels(
           h, pixel, 4, 1, 1, 4, As<VP_ImagePixelsFormat>(0x107),
           As<VP_ImageBinarizationMethod>(0xFFFFFFFF), As<VP_ImageCompressionMethod>(9))),
       "", 0},
  });
}

}  // namespace
}  // namespace velmora::test
