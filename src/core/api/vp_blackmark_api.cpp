// Flat black-mark functions: one receipt command each.
#include "core/api/CommandApi.h"
#include "core/printer/PosCommandBytes.h"
#include "velmora/vp_blackmark.h"

using velmora::core::NZPosPrinter;
using velmora::core::WithPosPrinter;
namespace poscmd = velmora::core::poscmd;

namespace {

int SendBlackMark(void *handle, const velmora::core::Bytes &command) noexcept {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) { return pos.Send(command); });
}

}  // namespace

extern "C" {

int VP_BlackMark_EnableBlackMarkMode(void *handle) {
  return SendBlackMark(handle, poscmd::EnableBlackMarkMode());
}
int VP_BlackMark_DisableBlackMarkMode(void *handle) {
  return SendBlackMark(handle, poscmd::DisableBlackMarkMode());
}
int VP_BlackMark_SetBlackMarkMaxFindLength(void *handle, int maxFindLength) {
  return SendBlackMark(handle, poscmd::BlackMarkMaxFindLength(maxFindLength));
}
int VP_BlackMark_FindNextBlackMark(void *handle) {
  return SendBlackMark(handle, poscmd::FindNextBlackMark());
}
int VP_BlackMark_SetBlackMarkPaperPrintPosition(void *handle, int position) {
  return SendBlackMark(handle, poscmd::BlackMarkPaperPrintPosition(position));
}
int VP_BlackMark_SetBlackMarkPaperCutPosition(void *handle, int position) {
  return SendBlackMark(handle, poscmd::BlackMarkPaperCutPosition(position));
}
int VP_BlackMark_FullCutBlackMarkPaper(void *handle) {
  return SendBlackMark(handle, poscmd::FullCutBlackMarkPaper());
}
int VP_BlackMark_HalfCutBlackMarkPaper(void *handle) {
  return SendBlackMark(handle, poscmd::HalfCutBlackMarkPaper());
}

}  // extern "C"
