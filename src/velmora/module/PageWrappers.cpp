// The module's page-mode functions over the flat page-mode commands.
#include "velmora/module/WideTextCall.h"
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/page.hpp"

namespace velmora {

using detail::BoolResult;
using detail::CallOnPort;
using detail::CallOnPortWithWideText;

bool VP_Page_SelectPageMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_SelectPageMode);
}
bool VP_Page_SelectPageModeEx(Int handle, Int nHorizontalMovementUnit, Int nVerticalMovementUnit,
                              Int x, Int y, Int width, Int height) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_SelectPageModeEx, nHorizontalMovementUnit,
                                nVerticalMovementUnit, x, y, width, height);
}
bool VP_Page_ExitPageMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_ExitPageMode);
}
bool VP_Page_PrintPage(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_PrintPage);
}
bool VP_Page_ClearPage(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_ClearPage);
}
bool VP_Page_SetPageArea(Int handle, Int x, Int y, Int width, Int height) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_SetPageArea, x, y, width, height);
}
bool VP_Page_SetPageDrawDirection(Int handle, VP_Page_DrawDirection nDirection) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_SetPageDrawDirection, nDirection);
}
bool VP_Page_DrawRect(Int handle, Int x, Int y, Int width, Int height, Int color) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawRect, x, y, width, height, color);
}
bool VP_Page_DrawBox(Int handle, Int x, Int y, Int width, Int height, Int borderwidth,
                     Int bordercolor) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawBox, x, y, width, height, borderwidth,
                                bordercolor);
}
bool VP_Page_DrawText(Int handle, Int x, Int y, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawText, x, y, str);
}
bool VP_Page_DrawTextInUTF8(Int handle, Int x, Int y, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Page_DrawTextInUTF8, str, x, y);
}
bool VP_Page_DrawTextInGBK(Int handle, Int x, Int y, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Page_DrawTextInGBK, str, x, y);
}
bool VP_Page_DrawTextInBIG5(Int handle, Int x, Int y, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Page_DrawTextInBIG5, str, x, y);
}
bool VP_Page_DrawTextInShiftJIS(Int handle, Int x, Int y, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Page_DrawTextInShiftJIS, str, x, y);
}
bool VP_Page_DrawTextInEUCKR(Int handle, Int x, Int y, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Page_DrawTextInEUCKR, str, x, y);
}
bool VP_Page_DrawBarcode(Int handle, Int x, Int y, VP_Pos_BarcodeType nBarcodeType,
                         const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawBarcode, x, y, nBarcodeType, str);
}
bool VP_Page_DrawQRCode(Int handle, Int x, Int y, Int nVersion, VP_QRCodeECC nECCLevel,
                        const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawQRCode, x, y, nVersion, nECCLevel, str);
}

}  // namespace velmora
