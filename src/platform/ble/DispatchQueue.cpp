#include "platform/ble/DispatchQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::platform::ble {

struct DispatchQueue::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> tasks;
  std::vector<std::thread> threads;
  std::vector<std::thread::id> thread_ids;
  size_t width = 1;
  size_t idle = 0;
  bool stopping = false;

  static void Work(const std::shared_ptr<State> &state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
      if (state->tasks.empty()) {
        if (state->stopping) return;
        ++state->idle;
        state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
        --state->idle;
        continue;
      }
      std::function<void()> task = std::move(state->tasks.front());
      state->tasks.pop_front();
      lock.unlock();
      task();
      task = nullptr;  // destroy what the task held before taking the lock again
      lock.lock();
    }
  }
};

std::shared_ptr<DispatchQueue> DispatchQueue::Create(std::string label, Kind kind, int qos,
                                                     int relative_priority) {
  return std::shared_ptr<DispatchQueue>(
      new DispatchQueue(std::move(label), kind, qos, relative_priority));
}

DispatchQueue::DispatchQueue(std::string label, Kind kind, int qos, int relative_priority)
    : label_(std::move(label)),
      kind_(kind),
      qos_(qos),
      relative_priority_(relative_priority),
      state_(std::make_shared<State>()) {
  state_->width = kind == Kind::Serial ? 1 : kConcurrentWidth;
}

DispatchQueue::~DispatchQueue() {
  std::vector<std::thread> threads;
  bool on_own_thread = false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    threads.swap(state_->threads);
    for (auto id : state_->thread_ids)
      on_own_thread = on_own_thread || id == std::this_thread::get_id();
  }
  state_->wake.notify_all();
  for (auto &thread : threads) {
    // A thread cannot join itself; the workers hold the state and end once the tasks are done.
    if (on_own_thread) {
      thread.detach();
    } else {
      thread.join();
    }
  }
}

void DispatchQueue::Async(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->tasks.push_back(std::move(task));
  // Threads are started on demand, up to the queue's width.
  if (state_->idle == 0 && state_->threads.size() < state_->width && !state_->stopping) {
    auto state = state_;
    state_->threads.emplace_back([state] { State::Work(state); });
    state_->thread_ids.push_back(state_->threads.back().get_id());
  } else {
    state_->wake.notify_one();
  }
}

bool DispatchQueue::IsCurrent() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  for (auto id : state_->thread_ids) {
    if (id == std::this_thread::get_id()) return true;
  }
  return false;
}

}  // namespace velmora::platform::ble
