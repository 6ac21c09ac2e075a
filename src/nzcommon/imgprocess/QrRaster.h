#pragma once

#include <optional>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// Modules of white border kept around a QR symbol so that readers find it on the paper.
inline constexpr int kQrQuietZoneModules = 4;

// Renders `text` as a QR symbol (libqrencode, 8-bit mode) at `version` (0 = the smallest that
// fits, else 1..40) and error-correction level 1..4 (L, M, Q, H), each module a square of
// `module_dots` dots, with a quiet zone of kQrQuietZoneModules modules on every side. nullopt
// for an empty or null text, a parameter out of range, a text that does not fit, or a bitmap
// outside IsAcceptableImageSize.
std::optional<MonoBitmap> RenderQrCode(const char *text, int version, int ecc_level,
                                       int module_dots);

}  // namespace velmora::imgprocess
