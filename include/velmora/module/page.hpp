// Page mode in the module interface. Drawings are placed in the page area and direction last set
// on the port; an x or y of -1, -2 or -3 puts the item at the start, centre or end of the area
// along that axis. Each returns true when every write succeeded; false for handle 0 (nothing
// reaches the port layer), an integer that does not fit, or a failed flat call.
#pragma once

#include <string>

#include "velmora/module/types.hpp"
#include "velmora/vp_page.h"

namespace velmora {

VP_API bool VP_Page_SelectPageMode(Int handle);
VP_API bool VP_Page_SelectPageModeEx(Int handle, Int nHorizontalMovementUnit,
                                     Int nVerticalMovementUnit, Int x, Int y, Int width,
                                     Int height);
VP_API bool VP_Page_ExitPageMode(Int handle);
VP_API bool VP_Page_PrintPage(Int handle);
VP_API bool VP_Page_ClearPage(Int handle);
VP_API bool VP_Page_SetPageArea(Int handle, Int x, Int y, Int width, Int height);
VP_API bool VP_Page_SetPageDrawDirection(Int handle, VP_Page_DrawDirection nDirection);
VP_API bool VP_Page_DrawRect(Int handle, Int x, Int y, Int width, Int height, Int color);
VP_API bool VP_Page_DrawBox(Int handle, Int x, Int y, Int width, Int height, Int borderwidth,
                            Int bordercolor);
VP_API bool VP_Page_DrawText(Int handle, Int x, Int y, const std::string &str);
VP_API bool VP_Page_DrawTextInUTF8(Int handle, Int x, Int y, const std::string &str);
VP_API bool VP_Page_DrawTextInGBK(Int handle, Int x, Int y, const std::string &str);
VP_API bool VP_Page_DrawTextInBIG5(Int handle, Int x, Int y, const std::string &str);
VP_API bool VP_Page_DrawTextInShiftJIS(Int handle, Int x, Int y, const std::string &str);
VP_API bool VP_Page_DrawTextInEUCKR(Int handle, Int x, Int y, const std::string &str);
VP_API bool VP_Page_DrawBarcode(Int handle, Int x, Int y, VP_Pos_BarcodeType nBarcodeType,
                                const std::string &str);
VP_API bool VP_Page_DrawQRCode(Int handle, Int x, Int y, Int nVersion, VP_QRCodeECC nECCLevel,
                               const std::string &str);

}  // namespace velmora
