// Wide text for the flat functions that take a wchar_t string.
#pragma once

#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

// The UTF-8 text as a wide string, one unit per Unicode scalar value (so a character beyond
// U+FFFF is one unit, not two surrogates); each ill-formed UTF-8 sequence becomes U+FFFD. An
// embedded U+0000 stays in place, so the flat layer, which reads up to the first 0, sees the
// text before it.
VP_API std::wstring VP_Utils_AllocateWCharPointerFromString(const std::string &str);

}  // namespace velmora
