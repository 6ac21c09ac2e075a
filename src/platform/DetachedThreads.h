#pragma once

#include <cstddef>
#include <functional>

namespace velmora::platform {

// Starts `body` on a new detached thread and returns once that thread is running.
// Returns false (and runs nothing) when no thread can be created.
bool startDetachedThread(std::function<void()> body);

// Number of detached threads started here that have not finished yet.
size_t runningDetachedThreads();

// Waits until every detached thread started here has finished, or the timeout passed.
bool waitForDetachedThreads(int timeout_ms);

}  // namespace velmora::platform
