// Black-mark paper in the module interface. Each returns true when the command was written
// whole; false for handle 0 (nothing reaches the port layer), an integer that does not fit, or a
// failed flat call.
#pragma once

#include "velmora/module/types.hpp"
#include "velmora/vp_blackmark.h"

namespace velmora {

VP_API bool VP_BlackMark_EnableBlackMarkMode(Int handle);
VP_API bool VP_BlackMark_DisableBlackMarkMode(Int handle);
VP_API bool VP_BlackMark_SetBlackMarkMaxFindLength(Int handle, Int maxFindLength);
VP_API bool VP_BlackMark_FindNextBlackMark(Int handle);
VP_API bool VP_BlackMark_SetBlackMarkPaperPrintPosition(Int handle, Int position);
VP_API bool VP_BlackMark_SetBlackMarkPaperCutPosition(Int handle, Int position);
VP_API bool VP_BlackMark_FullCutBlackMarkPaper(Int handle);
VP_API bool VP_BlackMark_HalfCutBlackMarkPaper(Int handle);

}  // namespace velmora
