#include "support/PrivateNetwork.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmora::test {
namespace {

bool Run(const std::string &command) {
  return std::system(command.c_str()) == 0;
}

}  // namespace

PrivateNetwork::PrivateNetwork() {
  if (unshare(CLONE_NEWNET) != 0) {
    why_not_ = std::string("cannot create a network namespace: ") + std::strerror(errno);
    return;
  }
  if (!Run("ip link set lo up && ip link add vel0 type veth peer name vel1 && "
           "ip addr add 10.77.0.1/24 broadcast 10.77.0.255 dev vel0 && ip link set vel0 up")) {
    why_not_ = "cannot make a veth pair in a private namespace (is iproute2 installed?)";
    return;
  }
  host_ = std::thread([this] { HostLoop(); });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return state_ != HostState::kStarting; });
  if (state_ == HostState::kOwnNamespace) {
    // Hand the other end of the wire to the printers' host (a thread id names its namespace).
    state_ = Run("ip link set vel1 netns " + std::to_string(host_tid_)) ? HostState::kWired
                                                                        : HostState::kFailed;
    changed_.notify_all();
    changed_.wait(lock, [&] { return state_ != HostState::kWired; });
  }
  if (state_ != HostState::kConfigured) {
    why_not_ = "cannot set up the printers' host in a namespace of its own";
    return;
  }
  ok_ = true;
}

PrivateNetwork::~PrivateNetwork() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (host_.joinable()) host_.join();
}

void PrivateNetwork::HostLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (unshare(CLONE_NEWNET) != 0) {
    state_ = HostState::kFailed;
    changed_.notify_all();
    return;
  }
  host_tid_ = static_cast<long>(syscall(SYS_gettid));
  state_ = HostState::kOwnNamespace;
  changed_.notify_all();
  changed_.wait(lock, [&] { return state_ != HostState::kOwnNamespace || stop_; });
  if (state_ != HostState::kWired) return;
  state_ = Run("ip link set lo up && ip addr add 10.77.0.2/24 broadcast 10.77.0.255 dev vel1 && "
               "ip link set vel1 up")
               ? HostState::kConfigured
               : HostState::kFailed;
  changed_.notify_all();
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || pending_ != nullptr; });
    if (pending_ == nullptr) return;
    pending_();
    pending_ = nullptr;
    changed_.notify_all();
  }
}

void PrivateNetwork::OnPrinterHost(const std::function<void()> &work) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return pending_ == nullptr; });
  pending_ = work;
  changed_.notify_all();
  changed_.wait(lock, [&] { return pending_ == nullptr; });
}

}  // namespace velmora::test
