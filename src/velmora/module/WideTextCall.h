// Wrappers whose flat function takes the text as a wide string, as its last parameter.
#pragma once

#include <string>
#include <utility>

#include "velmora/module/WrapperSupport.h"
#include "velmora/module/wide_text.hpp"

namespace velmora::detail {

// Handle 0 gives false before the wide string is built; otherwise the wide string lives for the
// one flat call.
template <typename R, typename... P, typename... A>
bool CallOnPortWithWideText(Int handle, R (*flat)(void *, P...), const std::string &str,
                            A &&...leading) {
  if (handle == 0) return false;
  const std::wstring wide = VP_Utils_AllocateWCharPointerFromString(str);
  return CallOnPort<BoolResult>(handle, flat, std::forward<A>(leading)..., wide);
}

}  // namespace velmora::detail
