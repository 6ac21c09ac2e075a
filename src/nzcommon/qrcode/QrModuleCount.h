#pragma once

#include <optional>

namespace velmora::nzcommon {

// Modules per side of the QR symbol that encodes `text` at `version` (0 = the smallest that
// fits, 1..40) and error-correction level `ecc_level` (1 = L, 2 = M, 3 = Q, 4 = H). Nothing when
// the text does not fit, is empty, or a parameter is out of range.
std::optional<int> QrModuleCount(const char *text, int version, int ecc_level);

}  // namespace velmora::nzcommon
