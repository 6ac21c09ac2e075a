/* Label printers: a label page is opened with its size and rotation, filled at absolute dot
 * positions and printed in a number of copies. */
#ifndef VELMORA_VP_LABEL_H
#define VELMORA_VP_LABEL_H

#include "velmora/vp_common.h"
#include "velmora/vp_pos.h"

VP_EXTERN_C_BEGIN

/* Rotation field of the label page, barcode, QR and PDF417 commands. */
typedef enum VP_Label_Rotation VP_ENUM_TYPE {
  VP_Label_Rotation_0 = 0,
  VP_Label_Rotation_90 = 1,
  VP_Label_Rotation_180 = 2,
  VP_Label_Rotation_270 = 3
} VP_Label_Rotation;

/* Type field of the label barcode command. */
typedef enum VP_Label_BarcodeType VP_ENUM_TYPE {
  VP_Label_BarcodeType_UPCA = 0,
  VP_Label_BarcodeType_UPCE = 1,
  VP_Label_BarcodeType_EAN13 = 2,
  VP_Label_BarcodeType_EAN8 = 3,
  VP_Label_BarcodeType_CODE39 = 4,
  VP_Label_BarcodeType_ITF = 5,
  VP_Label_BarcodeType_CODABAR = 6,
  VP_Label_BarcodeType_CODE93 = 7,
  VP_Label_BarcodeType_CODE128 = 8
} VP_Label_BarcodeType;

/* Where a label barcode's readable text goes, the n of GS H n. */
typedef enum VP_Label_BarcodeTextPrintPosition VP_ENUM_TYPE {
  VP_Label_BarcodeTextPrintPosition_None = 0,
  VP_Label_BarcodeTextPrintPosition_AboveBarcode = 1,
  VP_Label_BarcodeTextPrintPosition_BelowBarcode = 2,
  VP_Label_BarcodeTextPrintPosition_AboveAndBelowBarcode = 3
} VP_Label_BarcodeTextPrintPosition;

/* Colour field of the label line, rectangle and box commands. */
typedef enum VP_Label_Color VP_ENUM_TYPE {
  VP_Label_Color_White = 0,
  VP_Label_Color_Black = 1
} VP_Label_Color;

VP_API int VP_Label_EnableLabelMode(void *handle);
VP_API int VP_Label_DisableLabelMode(void *handle);
VP_API int VP_Label_CalibrateLabel(void *handle);
VP_API int VP_Label_FeedLabel(void *handle);
VP_API int VP_Label_PageBegin(void *handle, int x, int y, int width, int height,
                              VP_Label_Rotation rotation);
VP_API int VP_Label_PagePrint(void *handle, int copies);
VP_API int VP_Label_DrawText(void *handle, int x, int y, int font, int style, const char *str);
VP_API int VP_Label_DrawTextInUTF8(void *handle, int x, int y, int font, int style,
                                   const wchar_t *str);
VP_API int VP_Label_DrawTextInGBK(void *handle, int x, int y, int font, int style,
                                  const wchar_t *str);
VP_API int VP_Label_DrawBarcode(void *handle, int x, int y, VP_Label_BarcodeType nBarcodeType,
                                VP_Label_BarcodeTextPrintPosition nBarcodeTextPrintPosition,
                                int height, int unitwidth, VP_Label_Rotation rotation,
                                const char *str);
VP_API int VP_Label_DrawQRCode(void *handle, int x, int y, int nVersion, VP_QRCodeECC nECCLevel,
                               int unitwidth, VP_Label_Rotation rotation, const char *str);
VP_API int VP_Label_DrawPDF417Code(void *handle, int x, int y, int column, int nAspectRatio,
                                   int nECCLevel, int unitwidth, VP_Label_Rotation rotation,
                                   const char *str);
VP_API int VP_Label_DrawLine(void *handle, int startx, int starty, int endx, int endy,
                             int linewidth, VP_Label_Color linecolor);
VP_API int VP_Label_DrawRect(void *handle, int x, int y, int width, int height,
                             VP_Label_Color color);
VP_API int VP_Label_DrawBox(void *handle, int x, int y, int width, int height, int borderwidth,
                            VP_Label_Color bordercolor);

VP_EXTERN_C_END

#endif
