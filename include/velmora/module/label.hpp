// Label printing in the module interface. Positions are absolute dots (no start, centre or end
// placement). Each returns true when the command was written whole; false for handle 0 (nothing
// reaches the port layer), an integer that does not fit, or a failed flat call.
#pragma once

#include <string>

#include "velmora/module/types.hpp"
#include "velmora/vp_label.h"

namespace velmora {

VP_API bool VP_Label_EnableLabelMode(Int handle);
VP_API bool VP_Label_DisableLabelMode(Int handle);
VP_API bool VP_Label_CalibrateLabel(Int handle);
VP_API bool VP_Label_FeedLabel(Int handle);
VP_API bool VP_Label_PageBegin(Int handle, Int x, Int y, Int width, Int height,
                               VP_Label_Rotation rotation);
VP_API bool VP_Label_PagePrint(Int handle, Int copies);
VP_API bool VP_Label_DrawText(Int handle, Int x, Int y, Int font, Int style,
                              const std::string &str);
VP_API bool VP_Label_DrawTextInUTF8(Int handle, Int x, Int y, Int font, Int style,
                                    const std::string &str);
VP_API bool VP_Label_DrawTextInGBK(Int handle, Int x, Int y, Int font, Int style,
                                   const std::string &str);
VP_API bool VP_Label_DrawBarcode(Int handle, Int x, Int y, VP_Label_BarcodeType nBarcodeType,
                                 VP_Label_BarcodeTextPrintPosition nBarcodeTextPrintPosition,
                                 Int height, Int unitwidth, VP_Label_Rotation rotation,
                                 const std::string &str);
VP_API bool VP_Label_DrawQRCode(Int handle, Int x, Int y, Int nVersion, VP_QRCodeECC nECCLevel,
                                Int unitwidth, VP_Label_Rotation rotation, const std::string &str);
VP_API bool VP_Label_DrawPDF417Code(Int handle, Int x, Int y, Int column, Int nAspectRatio,
                                    Int nECCLevel, Int unitwidth, VP_Label_Rotation rotation,
                                    const std::string &str);
VP_API bool VP_Label_DrawLine(Int handle, Int startx, Int starty, Int endx, Int endy, Int linewidth,
                              VP_Label_Color linecolor);
VP_API bool VP_Label_DrawRect(Int handle, Int x, Int y, Int width, Int height,
                              VP_Label_Color color);
VP_API bool VP_Label_DrawBox(Int handle, Int x, Int y, Int width, Int height, Int borderwidth,
                             VP_Label_Color bordercolor);

}  // namespace velmora
