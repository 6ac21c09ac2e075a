/* Black-mark paper: printing and cutting keep their places relative to marks on the paper. */
#ifndef VELMORA_VP_BLACKMARK_H
#define VELMORA_VP_BLACKMARK_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

VP_API int VP_BlackMark_EnableBlackMarkMode(void *handle);
VP_API int VP_BlackMark_DisableBlackMarkMode(void *handle);
VP_API int VP_BlackMark_SetBlackMarkMaxFindLength(void *handle, int maxFindLength);
VP_API int VP_BlackMark_FindNextBlackMark(void *handle);
VP_API int VP_BlackMark_SetBlackMarkPaperPrintPosition(void *handle, int position);
VP_API int VP_BlackMark_SetBlackMarkPaperCutPosition(void *handle, int position);
VP_API int VP_BlackMark_FullCutBlackMarkPaper(void *handle);
VP_API int VP_BlackMark_HalfCutBlackMarkPaper(void *handle);

VP_EXTERN_C_END

#endif
