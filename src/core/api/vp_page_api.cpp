// Flat page-mode functions. Drawings are placed in the page area and direction the port kept
// from the last complete SetPageArea / SetPageDrawDirection.
#include "core/api/CommandApi.h"
#include "core/printer/PosCommandBytes.h"
#include "nzcommon/textconv/WideTextConversion.h"
#include "velmora/vp_page.h"

using velmora::core::NZPosPrinter;
using velmora::core::SendPosCommand;
using velmora::core::WithPosPrinter;
namespace poscmd = velmora::core::poscmd;
namespace nzcommon = velmora::nzcommon;

namespace {

int DrawTextIn(void *handle, int x, int y, const wchar_t *str, const char *charset) noexcept {
  if (str == nullptr) return 0;
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_PageDrawTextIn(x, y, str, charset); });
}

}  // namespace

extern "C" {

int VP_Page_SelectPageMode(void *handle) {
  return SendPosCommand(handle, poscmd::SelectPageMode);
}

int VP_Page_SelectPageModeEx(void *handle, int nHorizontalMovementUnit, int nVerticalMovementUnit,
                             int x, int y, int width, int height) {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    return pos.POS_SelectPageModeEx(nHorizontalMovementUnit, nVerticalMovementUnit, x, y, width,
                                    height);
  });
}

int VP_Page_ExitPageMode(void *handle) {
  return SendPosCommand(handle, poscmd::ExitPageMode);
}
int VP_Page_PrintPage(void *handle) {
  return SendPosCommand(handle, poscmd::PrintPage);
}
int VP_Page_ClearPage(void *handle) {
  return SendPosCommand(handle, poscmd::ClearPage);
}

int VP_Page_SetPageArea(void *handle, int x, int y, int width, int height) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetPageArea(x, y, width, height); });
}

int VP_Page_SetPageDrawDirection(void *handle, VP_Page_DrawDirection nDirection) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_SetPageDrawDirection(nDirection); });
}

int VP_Page_DrawRect(void *handle, int x, int y, int width, int height, int color) {
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_PageDrawRect(x, y, width, height, color); });
}

int VP_Page_DrawBox(void *handle, int x, int y, int width, int height, int borderwidth,
                    int bordercolor) {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    return pos.POS_PageDrawBox(x, y, width, height, borderwidth, bordercolor);
  });
}

int VP_Page_DrawText(void *handle, int x, int y, const char *str) {
  if (str == nullptr) return 0;
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) { return pos.POS_PageDrawText(x, y, str); });
}

int VP_Page_DrawTextInUTF8(void *handle, int x, int y, const wchar_t *str) {
  return DrawTextIn(handle, x, y, str, nzcommon::kCharsetUtf8);
}
int VP_Page_DrawTextInGBK(void *handle, int x, int y, const wchar_t *str) {
  return DrawTextIn(handle, x, y, str, nzcommon::kCharsetGbk);
}
int VP_Page_DrawTextInBIG5(void *handle, int x, int y, const wchar_t *str) {
  return DrawTextIn(handle, x, y, str, nzcommon::kCharsetBig5);
}
int VP_Page_DrawTextInShiftJIS(void *handle, int x, int y, const wchar_t *str) {
  return DrawTextIn(handle, x, y, str, nzcommon::kCharsetShiftJis);
}
int VP_Page_DrawTextInEUCKR(void *handle, int x, int y, const wchar_t *str) {
  return DrawTextIn(handle, x, y, str, nzcommon::kCharsetEucKr);
}

int VP_Page_DrawBarcode(void *handle, int x, int y, VP_Pos_BarcodeType nBarcodeType,
                        const char *str) {
  if (str == nullptr) return 0;
  return WithPosPrinter(
      handle, [&](NZPosPrinter &pos) { return pos.POS_PageDrawBarcode(x, y, nBarcodeType, str); });
}

int VP_Page_DrawQRCode(void *handle, int x, int y, int nVersion, VP_QRCodeECC nECCLevel,
                       const char *str) {
  if (str == nullptr) return 0;
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    return pos.POS_PageDrawQRCode(x, y, nVersion, nECCLevel, str);
  });
}

}  // extern "C"
