#include "platform/DetachedThreads.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace velmora::platform {
namespace {

struct Census {
  std::mutex mutex;
  std::condition_variable changed;
  size_t running = 0;
};

// Never destroyed: detached threads may still finish while the process exits.
Census &census() {
  static Census *c = new Census();
  return *c;
}

}  // namespace

bool startDetachedThread(std::function<void()> body) {
  struct Start {
    std::mutex mutex;
    std::condition_variable cv;
    bool started = false;
  };
  auto start = std::make_shared<Start>();
  {
    std::lock_guard<std::mutex> lock(census().mutex);
    ++census().running;
  }
  try {
    std::thread([start, body = std::move(body)]() mutable {
      {
        std::lock_guard<std::mutex> lock(start->mutex);
        start->started = true;
      }
      start->cv.notify_one();
      body();
      body = nullptr;  // release captures before the thread counts as finished
      std::lock_guard<std::mutex> lock(census().mutex);
      --census().running;
      census().changed.notify_all();
    }).detach();
  } catch (const std::system_error &) {
    std::lock_guard<std::mutex> lock(census().mutex);
    --census().running;
    census().changed.notify_all();
    return false;
  }
  std::unique_lock<std::mutex> lock(start->mutex);
  start->cv.wait(lock, [&] { return start->started; });
  return true;
}

size_t runningDetachedThreads() {
  std::lock_guard<std::mutex> lock(census().mutex);
  return census().running;
}

bool waitForDetachedThreads(int timeout_ms) {
  std::unique_lock<std::mutex> lock(census().mutex);
  return census().changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [] { return census().running == 0; });
}

}  // namespace velmora::platform
