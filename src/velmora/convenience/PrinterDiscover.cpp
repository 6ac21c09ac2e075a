// The discoverer's flags, controllers and listener slots live in a state shared by the
// discoverer, its loop and its searches, so the background work never outlives what it uses.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ApplicationClosure.h"
#include "platform/Dispatch.h"
#include "velmora/convenience/printer_discover.hpp"
#include "velmora/module/enumeration.hpp"

namespace velmora {
namespace detail {

class DiscoverState : public std::enable_shared_from_this<DiscoverState> {
 public:
  static constexpr Int kSearchTimeoutMs = 12000;
  static constexpr auto kLoopPause = std::chrono::milliseconds(100);

  void Start() {
    if (inDiscover_.exchange(true)) {
      // Running: fresh searches in the next passes, unless the loop is being stopped.
      netEnumController_->cancelLoop();
      bleEnumController_->cancelLoop();
      return;
    }
    cancelDiscover_ = false;
    auto self = shared_from_this();
    if (!platform::dispatchGlobalAsync([self] { self->Loop(); })) inDiscover_ = false;
  }

  void Stop() {
    cancelDiscover_ = true;
    netEnumController_->cancelLoop();
    bleEnumController_->cancelLoop();
  }

  bool IsDiscovering() const { return inDiscover_.load(); }

  // The replaced closures end with the arguments, after the lock is released.
  void SetDiscovered(std::function<void(std::shared_ptr<VLPrinterDevice>)> listener) {
    std::lock_guard<std::mutex> lock(listeners_mutex_);
    if (!detached_) onPrinterDiscovered_.swap(listener);
  }

  void SetThreadListeners(std::function<void()> started, std::function<void()> finished) {
    std::lock_guard<std::mutex> lock(listeners_mutex_);
    if (detached_) return;
    onStarted_.swap(started);
    onFinished_.swap(finished);
  }

  // The discoverer is ending: no listener is called from now on, and calls in progress on other
  // threads are waited for.
  void Detach() {
    // The closures end outside the lock: what they hold may reach back into a discoverer.
    std::function<void(std::shared_ptr<VLPrinterDevice>)> discovered;
    std::function<void()> started;
    std::function<void()> finished;
    std::unique_lock<std::mutex> lock(listeners_mutex_);
    detached_ = true;
    discovered.swap(onPrinterDiscovered_);
    started.swap(onStarted_);
    finished.swap(onFinished_);
    // A listener that ends its own discoverer is not waited for: it is on this thread.
    calls_done_.wait(lock, [&] {
      return std::all_of(calls_.begin(), calls_.end(),
                         [](std::thread::id id) { return id == std::this_thread::get_id(); });
    });
    lock.unlock();
  }

 private:
  void Loop() {
    CallListener(&DiscoverState::onStarted_);
    while (!cancelDiscover_.load()) {
      EnumNetPrinter();
      EnumBlePrinter();
      std::this_thread::sleep_for(kLoopPause);
    }
    inDiscover_ = false;
    CallListener(&DiscoverState::onFinished_);
  }

  void EnumNetPrinter() {
    if (inNetEnum_.exchange(true)) return;  // the running search goes on
    netEnumController_->enableLoop();
    if (StopRequested(netEnumController_, inNetEnum_)) return;
    auto self = shared_from_this();
    const bool started = platform::dispatchGlobalAsync([self] {
      velmora::VP_Port_EnumNetPrinter(
          kSearchTimeoutMs, self->netEnumController_,
          [self](std::string, std::string, std::string ip, std::string name) {
            self->Report(std::make_shared<VLPrinterDevice>(
                std::move(name), VLPrinterDevice::rawValue(VLPrinterDevice::PortType::tcp),
                std::move(ip)));
          });
      self->inNetEnum_ = false;
    });
    if (!started) inNetEnum_ = false;
  }

  void EnumBlePrinter() {
    if (inBleEnum_.exchange(true)) return;
    bleEnumController_->enableLoop();
    if (StopRequested(bleEnumController_, inBleEnum_)) return;
    auto self = shared_from_this();
    const bool started = platform::dispatchGlobalAsync([self] {
      velmora::VP_Port_EnumBleDevice(
          kSearchTimeoutMs, self->bleEnumController_,
          [self](std::string name, std::string address) {
            self->Report(std::make_shared<VLPrinterDevice>(
                std::move(name), VLPrinterDevice::rawValue(VLPrinterDevice::PortType::btbleva),
                std::move(address)));
          });
      self->inBleEnum_ = false;
    });
    if (!started) inBleEnum_ = false;
  }

  // A stop that came after the loop's last look at its flag may have cancelled the controller
  // before it was enabled again: then the search must not start, or it would run its whole
  // timeout after the stop. Stop sets the flag before it cancels, so one of the two sees it.
  bool StopRequested(const std::shared_ptr<VP_LoopController> &controller,
                     std::atomic<bool> &inEnum) {
    if (!cancelDiscover_.load()) return false;
    controller->cancelLoop();
    inEnum = false;
    return true;
  }

  void Report(const std::shared_ptr<VLPrinterDevice> &device) {
    std::function<void(std::shared_ptr<VLPrinterDevice>)> listener;
    if (!Enter([&] { listener = onPrinterDiscovered_; })) return;
    platform::CallApplicationClosure(listener, device);
    Leave();
  }

  void CallListener(std::function<void()> DiscoverState::*slot) {
    std::function<void()> listener;
    if (!Enter([&] { listener = this->*slot; })) return;
    platform::CallApplicationClosure(listener);
    Leave();
  }

  // Takes a copy of a listener and counts the call as in progress; false once detached.
  template <typename Copy>
  bool Enter(Copy copy) {
    std::lock_guard<std::mutex> lock(listeners_mutex_);
    if (detached_) return false;
    copy();
    calls_.push_back(std::this_thread::get_id());
    return true;
  }

  void Leave() {
    {
      std::lock_guard<std::mutex> lock(listeners_mutex_);
      calls_.erase(std::find(calls_.begin(), calls_.end(), std::this_thread::get_id()));
    }
    calls_done_.notify_all();
  }

  std::atomic<bool> inDiscover_{false};
  std::atomic<bool> cancelDiscover_{false};
  std::atomic<bool> inNetEnum_{false};
  const std::shared_ptr<VP_LoopController> netEnumController_ =
      std::make_shared<VP_LoopController>();
  std::atomic<bool> inBleEnum_{false};
  const std::shared_ptr<VP_LoopController> bleEnumController_ =
      std::make_shared<VP_LoopController>();

  std::mutex listeners_mutex_;
  std::condition_variable calls_done_;
  std::function<void(std::shared_ptr<VLPrinterDevice>)> onPrinterDiscovered_;
  std::function<void()> onStarted_;
  std::function<void()> onFinished_;
  bool detached_ = false;
  std::vector<std::thread::id> calls_;  // the threads of the listener calls in progress
};

}  // namespace detail

VLPrinterDiscover::VLPrinterDiscover() : state_(std::make_shared<detail::DiscoverState>()) {}

VLPrinterDiscover::~VLPrinterDiscover() {
  stopDiscover();
  state_->Detach();
}

void VLPrinterDiscover::startDiscover() {
  state_->Start();
}

void VLPrinterDiscover::stopDiscover() {
  state_->Stop();
}

bool VLPrinterDiscover::isDiscovering() const {
  return state_->IsDiscovering();
}

void VLPrinterDiscover::setOnPrinterDiscoveredListener(
    std::function<void(std::shared_ptr<VLPrinterDevice>)> onPrinterDiscoveredListener) {
  state_->SetDiscovered(std::move(onPrinterDiscoveredListener));
}

void VLPrinterDiscover::setOnPrinterDiscoverThreadListener(
    std::function<void()> onPrinterDiscoverThreadStartedListener,
    std::function<void()> onPrinterDiscoverThreadFinishedListener) {
  state_->SetThreadListeners(std::move(onPrinterDiscoverThreadStartedListener),
                             std::move(onPrinterDiscoverThreadFinishedListener));
}

}  // namespace velmora
