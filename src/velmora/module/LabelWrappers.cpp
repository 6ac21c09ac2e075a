// The module's label functions over the flat label commands.
#include "velmora/module/WideTextCall.h"
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/label.hpp"

namespace velmora {

using detail::BoolResult;
using detail::CallOnPort;
using detail::CallOnPortWithWideText;

bool VP_Label_EnableLabelMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_EnableLabelMode);
}
bool VP_Label_DisableLabelMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DisableLabelMode);
}
bool VP_Label_CalibrateLabel(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_CalibrateLabel);
}
bool VP_Label_FeedLabel(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_FeedLabel);
}
bool VP_Label_PageBegin(Int handle, Int x, Int y, Int width, Int height,
                        VP_Label_Rotation rotation) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_PageBegin, x, y, width, height, rotation);
}
bool VP_Label_PagePrint(Int handle, Int copies) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_PagePrint, copies);
}
bool VP_Label_DrawText(Int handle, Int x, Int y, Int font, Int style, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawText, x, y, font, style, str);
}
bool VP_Label_DrawTextInUTF8(Int handle, Int x, Int y, Int font, Int style,
                             const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Label_DrawTextInUTF8, str, x, y, font, style);
}
bool VP_Label_DrawTextInGBK(Int handle, Int x, Int y, Int font, Int style, const std::string &str) {
  return CallOnPortWithWideText(handle, ::VP_Label_DrawTextInGBK, str, x, y, font, style);
}
bool VP_Label_DrawBarcode(Int handle, Int x, Int y, VP_Label_BarcodeType nBarcodeType,
                          VP_Label_BarcodeTextPrintPosition nBarcodeTextPrintPosition, Int height,
                          Int unitwidth, VP_Label_Rotation rotation, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawBarcode, x, y, nBarcodeType,
                                nBarcodeTextPrintPosition, height, unitwidth, rotation, str);
}
bool VP_Label_DrawQRCode(Int handle, Int x, Int y, Int nVersion, VP_QRCodeECC nECCLevel,
                         Int unitwidth, VP_Label_Rotation rotation, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawQRCode, x, y, nVersion, nECCLevel, unitwidth,
                                rotation, str);
}
bool VP_Label_DrawPDF417Code(Int handle, Int x, Int y, Int column, Int nAspectRatio, Int nECCLevel,
                             Int unitwidth, VP_Label_Rotation rotation, const std::string &str) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawPDF417Code, x, y, column, nAspectRatio,
                                nECCLevel, unitwidth, rotation, str);
}
bool VP_Label_DrawLine(Int handle, Int startx, Int starty, Int endx, Int endy, Int linewidth,
                       VP_Label_Color linecolor) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawLine, startx, starty, endx, endy, linewidth,
                                linecolor);
}
bool VP_Label_DrawRect(Int handle, Int x, Int y, Int width, Int height, VP_Label_Color color) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawRect, x, y, width, height, color);
}
bool VP_Label_DrawBox(Int handle, Int x, Int y, Int width, Int height, Int borderwidth,
                      VP_Label_Color bordercolor) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawBox, x, y, width, height, borderwidth,
                                bordercolor);
}

}  // namespace velmora
