// The module's black-mark functions over the flat black-mark commands.
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/blackmark.hpp"

namespace velmora {

using detail::BoolResult;
using detail::CallOnPort;

bool VP_BlackMark_EnableBlackMarkMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_EnableBlackMarkMode);
}
bool VP_BlackMark_DisableBlackMarkMode(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_DisableBlackMarkMode);
}
bool VP_BlackMark_SetBlackMarkMaxFindLength(Int handle, Int maxFindLength) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_SetBlackMarkMaxFindLength, maxFindLength);
}
bool VP_BlackMark_FindNextBlackMark(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_FindNextBlackMark);
}
bool VP_BlackMark_SetBlackMarkPaperPrintPosition(Int handle, Int position) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_SetBlackMarkPaperPrintPosition, position);
}
bool VP_BlackMark_SetBlackMarkPaperCutPosition(Int handle, Int position) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_SetBlackMarkPaperCutPosition, position);
}
bool VP_BlackMark_FullCutBlackMarkPaper(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_FullCutBlackMarkPaper);
}
bool VP_BlackMark_HalfCutBlackMarkPaper(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_BlackMark_HalfCutBlackMarkPaper);
}

}  // namespace velmora
