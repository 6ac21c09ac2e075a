// Flat label functions: each builds its command and writes it through the port's label
// command object. A null text writes nothing and gives 0.
#include "core/api/CommandApi.h"
#include "core/printer/LabelCommandBytes.h"
#include "nzcommon/textconv/WideTextConversion.h"
#include "velmora/vp_label.h"

using velmora::core::NZLabelPrinter;
using velmora::core::SendLabelCommand;
using velmora::core::WithLabelPrinter;
namespace labelcmd = velmora::core::labelcmd;
namespace nzcommon = velmora::nzcommon;

namespace {

int DrawTextIn(void *handle, int x, int y, int font, int style, const wchar_t *str,
               const char *charset) noexcept {
  if (str == nullptr) return 0;
  return WithLabelPrinter(handle, [&](NZLabelPrinter &label) {
    return label.LABEL_DrawTextIn(x, y, font, style, str, charset);
  });
}

}  // namespace

extern "C" {

int VP_Label_EnableLabelMode(void *handle) {
  return SendLabelCommand(handle, labelcmd::EnableLabelMode);
}
int VP_Label_DisableLabelMode(void *handle) {
  return SendLabelCommand(handle, labelcmd::DisableLabelMode);
}
int VP_Label_CalibrateLabel(void *handle) {
  return SendLabelCommand(handle, labelcmd::CalibrateLabel);
}
int VP_Label_FeedLabel(void *handle) {
  return SendLabelCommand(handle, labelcmd::FeedLabel);
}

int VP_Label_PageBegin(void *handle, int x, int y, int width, int height,
                       VP_Label_Rotation rotation) {
  return SendLabelCommand(handle,
                          [&] { return labelcmd::PageBegin(x, y, width, height, rotation); });
}

int VP_Label_PagePrint(void *handle, int copies) {
  return SendLabelCommand(handle, [&] { return labelcmd::PagePrint(copies); });
}

int VP_Label_DrawText(void *handle, int x, int y, int font, int style, const char *str) {
  if (str == nullptr) return 0;
  return SendLabelCommand(handle, [&] { return labelcmd::Text(x, y, font, style, str); });
}

int VP_Label_DrawTextInUTF8(void *handle, int x, int y, int font, int style, const wchar_t *str) {
  return DrawTextIn(handle, x, y, font, style, str, nzcommon::kCharsetUtf8);
}

int VP_Label_DrawTextInGBK(void *handle, int x, int y, int font, int style, const wchar_t *str) {
  return DrawTextIn(handle, x, y, font, style, str, nzcommon::kCharsetGbk);
}

int VP_Label_DrawBarcode(void *handle, int x, int y, VP_Label_BarcodeType nBarcodeType,
                         VP_Label_BarcodeTextPrintPosition nBarcodeTextPrintPosition, int height,
                         int unitwidth, VP_Label_Rotation rotation, const char *str) {
  if (str == nullptr) return 0;
  return WithLabelPrinter(handle, [&](NZLabelPrinter &label) {
    return label.LABEL_DrawBarcode(x, y, nBarcodeType, nBarcodeTextPrintPosition, height, unitwidth,
                                   rotation, str);
  });
}

int VP_Label_DrawQRCode(void *handle, int x, int y, int nVersion, VP_QRCodeECC nECCLevel,
                        int unitwidth, VP_Label_Rotation rotation, const char *str) {
  if (str == nullptr) return 0;
  return SendLabelCommand(handle, [&] {
    return labelcmd::QRCode(x, y, nVersion, nECCLevel, unitwidth, rotation, str);
  });
}

int VP_Label_DrawPDF417Code(void *handle, int x, int y, int column, int nAspectRatio, int nECCLevel,
                            int unitwidth, VP_Label_Rotation rotation, const char *str) {
  if (str == nullptr) return 0;
  return SendLabelCommand(handle, [&] {
    return labelcmd::PDF417(x, y, column, nAspectRatio, nECCLevel, unitwidth, rotation, str);
  });
}

int VP_Label_DrawLine(void *handle, int startx, int starty, int endx, int endy, int linewidth,
                      VP_Label_Color linecolor) {
  return SendLabelCommand(
      handle, [&] { return labelcmd::Line(startx, starty, endx, endy, linewidth, linecolor); });
}

int VP_Label_DrawRect(void *handle, int x, int y, int width, int height, VP_Label_Color color) {
  return SendLabelCommand(handle, [&] { return labelcmd::Rect(x, y, width, height, color); });
}

int VP_Label_DrawBox(void *handle, int x, int y, int width, int height, int borderwidth,
                     VP_Label_Color bordercolor) {
  return SendLabelCommand(
      handle, [&] { return labelcmd::Box(x, y, width, height, borderwidth, bordercolor); });
}

}  // extern "C"
