/* Page mode: the printer collects text, symbols and rectangles in a page area and prints the
 * area on command. An x or y of -1, -2 or -3 places an item at the start, in the centre or at
 * the end of the kept page area along that axis. */
#ifndef VELMORA_VP_PAGE_H
#define VELMORA_VP_PAGE_H

#include "velmora/vp_common.h"
#include "velmora/vp_pos.h"

VP_EXTERN_C_BEGIN

/* The n of ESC T n. With 0 and 2 the area's width runs along x; with 1 and 3 its height. */
typedef enum VP_Page_DrawDirection VP_ENUM_TYPE {
  VP_Page_DrawDirection_LeftToRight = 0,
  VP_Page_DrawDirection_BottomToTop = 1,
  VP_Page_DrawDirection_RightToLeft = 2,
  VP_Page_DrawDirection_TopToBottom = 3
} VP_Page_DrawDirection;

VP_API int VP_Page_SelectPageMode(void *handle);
VP_API int VP_Page_SelectPageModeEx(void *handle, int nHorizontalMovementUnit,
                                    int nVerticalMovementUnit, int x, int y, int width, int height);
VP_API int VP_Page_ExitPageMode(void *handle);
VP_API int VP_Page_PrintPage(void *handle);
VP_API int VP_Page_ClearPage(void *handle);
VP_API int VP_Page_SetPageArea(void *handle, int x, int y, int width, int height);
VP_API int VP_Page_SetPageDrawDirection(void *handle, VP_Page_DrawDirection nDirection);

VP_API int VP_Page_DrawRect(void *handle, int x, int y, int width, int height, int color);
VP_API int VP_Page_DrawBox(void *handle, int x, int y, int width, int height, int borderwidth,
                           int bordercolor);
VP_API int VP_Page_DrawText(void *handle, int x, int y, const char *str);
VP_API int VP_Page_DrawTextInUTF8(void *handle, int x, int y, const wchar_t *str);
VP_API int VP_Page_DrawTextInGBK(void *handle, int x, int y, const wchar_t *str);
VP_API int VP_Page_DrawTextInBIG5(void *handle, int x, int y, const wchar_t *str);
VP_API int VP_Page_DrawTextInShiftJIS(void *handle, int x, int y, const wchar_t *str);
VP_API int VP_Page_DrawTextInEUCKR(void *handle, int x, int y, const wchar_t *str);
VP_API int VP_Page_DrawBarcode(void *handle, int x, int y, VP_Pos_BarcodeType nBarcodeType,
                               const char *str);
VP_API int VP_Page_DrawQRCode(void *handle, int x, int y, int nVersion, VP_QRCodeECC nECCLevel,
                              const char *str);

VP_EXTERN_C_END

#endif
