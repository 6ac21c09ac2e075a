#pragma once

#include <utility>

namespace velmora::platform {

// Calls a closure the application handed to the library (listeners, event and search closures,
// progress blocks, the log sink), if there is one. Whatever it throws ends here: an application's
// fault must not end a library thread, skip the library's own work around the call, keep other
// closures from their call or leave a public call as an exception.
template <typename Closure, typename... Args>
void CallApplicationClosure(const Closure &closure, Args &&...args) noexcept {
  if (!closure) return;
  try {
    closure(std::forward<Args>(args)...);
  } catch (...) {
  }
}

}  // namespace velmora::platform
