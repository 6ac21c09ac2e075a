#pragma once

#include <functional>

namespace velmora::platform {

// Runs `block` in the background, concurrently with other blocks, as a global work queue of
// default priority would. A block may block or run long (a connect, a search loop): each runs on
// a thread of its own, counted like the other detached threads (waitForDetachedThreads).
// Returns false, and runs nothing, when no thread can be had.
bool dispatchGlobalAsync(std::function<void()> block);

}  // namespace velmora::platform
