// Flat black-mark functions: one receipt command each.
#include "core/api/CommandApi.h"
#include "core/printer/PosCommandBytes.h"
#include "velmora/vp_blackmark.h"

using velmora::core::SendPosCommand;
namespace poscmd = velmora::core::poscmd;

extern "C" {

int VP_BlackMark_EnableBlackMarkMode(void *handle) {
  return SendPosCommand(handle, poscmd::EnableBlackMarkMode);
}
int VP_BlackMark_DisableBlackMarkMode(void *handle) {
  return SendPosCommand(handle, poscmd::DisableBlackMarkMode);
}
int VP_BlackMark_SetBlackMarkMaxFindLength(void *handle, int maxFindLength) {
  return SendPosCommand(handle, [&] { return poscmd::BlackMarkMaxFindLength(maxFindLength); });
}
int VP_BlackMark_FindNextBlackMark(void *handle) {
  return SendPosCommand(handle, poscmd::FindNextBlackMark);
}
int VP_BlackMark_SetBlackMarkPaperPrintPosition(void *handle, int position) {
  return SendPosCommand(handle, [&] { return poscmd::BlackMarkPaperPrintPosition(position); });
}
int VP_BlackMark_SetBlackMarkPaperCutPosition(void *handle, int position) {
  return SendPosCommand(handle, [&] { return poscmd::BlackMarkPaperCutPosition(position); });
}
int VP_BlackMark_FullCutBlackMarkPaper(void *handle) {
  return SendPosCommand(handle, poscmd::FullCutBlackMarkPaper);
}
int VP_BlackMark_HalfCutBlackMarkPaper(void *handle) {
  return SendPosCommand(handle, poscmd::HalfCutBlackMarkPaper);
}

}  // extern "C"
