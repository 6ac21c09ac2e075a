#include "platform/Dispatch.h"

#include <utility>

#include "platform/DetachedThreads.h"

namespace velmora::platform {

bool dispatchGlobalAsync(std::function<void()> block) {
  if (!block) return true;
  return startDetachedThread(std::move(block));
}

}  // namespace velmora::platform
