#include "core/printer/NZProtoPackageQueue.h"

#include <algorithm>
#include <chrono>

#include "platform/Clock.h"

namespace velmora::core {
namespace {

// Longest single wait, so that `keep_waiting` (an open port) is asked often enough.
constexpr int64_t kWaitStepMs = 1;

}  // namespace

void NZProtoPackageQueue::Push(NZReceivedProtoPackage package) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    packages_.push_back(std::move(package));
    while (packages_.size() > kMaxQueued) packages_.pop_front();
  }
  arrived_.notify_all();
}

void NZProtoPackageQueue::Discard(uint16_t command, uint32_t parameter) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(packages_, [&](const NZReceivedProtoPackage &p) {
    return p.command == command && p.parameter == parameter;
  });
}

std::optional<NZReceivedProtoPackage> NZProtoPackageQueue::WaitFor(
    uint16_t command, uint32_t parameter, int64_t deadline_steady_ms,
    const std::function<bool()> &keep_waiting) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    const auto it = std::find_if(packages_.begin(), packages_.end(), [&](const auto &p) {
      return p.command == command && p.parameter == parameter;
    });
    if (it != packages_.end()) {
      NZReceivedProtoPackage package = std::move(*it);
      packages_.erase(it);
      return package;
    }
    const int64_t left = deadline_steady_ms - platform::steadyMs();
    if (left <= 0) return std::nullopt;
    lock.unlock();
    const bool go_on = keep_waiting();
    lock.lock();
    if (!go_on) return std::nullopt;
    arrived_.wait_for(lock, std::chrono::milliseconds(std::min(left, kWaitStepMs)));
  }
}

void NZProtoPackageQueue::Wake() {
  { std::lock_guard<std::mutex> lock(mutex_); }
  arrived_.notify_all();
}

void NZProtoPackageQueue::SetFirmwareVersion(std::string version) {
  std::lock_guard<std::mutex> lock(mutex_);
  firmware_version_ = std::move(version);
}

std::string NZProtoPackageQueue::FirmwareVersion() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return firmware_version_;
}

size_t NZProtoPackageQueue::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packages_.size();
}

}  // namespace velmora::core
