// The connector's state lives in a link shared by the connector, its background connect and,
// for the length of one event, its port-closed handler (which refers to it weakly, so a
// registration never keeps a connector alive). Each connector's handler has a tag of its own.
#include <atomic>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Dispatch.h"
#include "velmora/convenience/printer_connector.hpp"
#include "velmora/module/ClosureList.h"
#include "velmora/module/events.hpp"
#include "velmora/module/port.hpp"

namespace velmora {
namespace {

using ConnectionStatus = VLPrinterConnector::ConnectionStatus;
using PortType = VLPrinterDevice::PortType;

constexpr Int kTcpPrinterPort = 9100;
constexpr Int kTcpOpenTimeoutMs = 5000;
constexpr Int kAutoReplyMode = 1;
// Tags for the port-closed handlers come from the bottom of the range, far from the small
// numbers applications choose; a tag taken already is skipped.
constexpr int kClosedTagTries = 64;

Int NextClosedTag() {
  static std::atomic<Int> next{std::numeric_limits<Int>::min()};
  return next.fetch_add(1);
}

// The port that the device names, opened with automatic status reports; 0 when it does not
// open or its type is unknown.
Int OpenPort(const std::shared_ptr<VLPrinterDevice> &device) {
  if (device == nullptr) return 0;
  const auto type = VLPrinterDevice::fromRawValue(device->port_type);
  if (!type) return 0;
  const std::string &address = device->port_address;
  switch (*type) {
    case PortType::tcp:
      return velmora::VP_Port_OpenTcp("", address, kTcpPrinterPort, kTcpOpenTimeoutMs,
                                      kAutoReplyMode);
    case PortType::btblewr:
      return velmora::VP_Port_OpenBtBle(address, kAutoReplyMode);
    case PortType::btblev2:
      return velmora::VP_Port_OpenBtBleProtoV2(address, kAutoReplyMode);
    case PortType::btblev3:
      return velmora::VP_Port_OpenBtBleProtoV3(address, kAutoReplyMode);
    case PortType::btbleva:
      return velmora::VP_Port_OpenBtBleProtoVA(address, kAutoReplyMode);
  }
  return 0;
}

}  // namespace

namespace detail {

class ConnectorLink {
 public:
  ConnectorLink() = default;
  ConnectorLink(const ConnectorLink &) = delete;
  ConnectorLink &operator=(const ConnectorLink &) = delete;

  // Last holder gone: the connector has ended, so the port is closed without listeners.
  ~ConnectorLink() {
    ended_.store(true);
    Unregister();
    Disconnect();
  }

  void Register(const std::shared_ptr<ConnectorLink> &self) {
    std::weak_ptr<ConnectorLink> weak = self;
    auto handler = [weak](Int handle) {
      if (auto link = weak.lock()) link->OnPortClosed(handle);
    };
    for (int i = 0; i < kClosedTagTries; ++i) {
      const Int tag = NextClosedTag();
      if (velmora::VP_Port_AddOnPortClosedEvent(handler, tag)) {
        closed_tag_ = tag;
        registered_ = true;
        return;
      }
    }
  }

  // The connector's end: the handler goes first, then the port (after a connect that runs
  // now has finished). From inside one of this connector's listeners the lock is held by this
  // thread: the port is then closed when the last holder of the link lets go.
  void EndOfConnector() {
    Unregister();
    if (lock_owner_.load() == std::this_thread::get_id()) {
      ended_.store(true);
      return;
    }
    {
      Hold hold(*this);
      DisconnectHeld();
    }
    ended_.store(true);
  }

  bool ConnectSync(const std::shared_ptr<VLPrinterDevice> &device) {
    Hold hold(*this);
    if (status_.load() == ConnectionStatus::Connected &&
        !VLPrinterDevice::isPortEqual(CurrentDevice(), device)) {
      DisconnectHeld();
    }
    if (status_.load() != ConnectionStatus::Connected) {
      SetDevice(device);
      SetStatus(ConnectionStatus::Connecting);
      const Int handle = OpenPort(device);
      handle_.store(handle);
      // A port that closed before its handle was stored went unnoticed by the handler, which
      // compares with the stored handle: such a connect has failed.
      if (handle != 0 && !velmora::VP_Port_IsOpened(handle)) {
        velmora::VP_Port_Close(handle);
        handle_.store(0);
      }
      SetStatus(handle_.load() != 0 ? ConnectionStatus::Connected : ConnectionStatus::Disconnected);
    }
    return status_.load() == ConnectionStatus::Connected;
  }

  bool ConnectAsync(const std::shared_ptr<ConnectorLink> &self,
                    const std::shared_ptr<VLPrinterDevice> &device) {
    bool idle = false;
    if (!connect_thread_running_.compare_exchange_strong(idle, true)) return false;
    const bool started = platform::dispatchGlobalAsync([self, device] {
      self->ConnectSync(device);
      self->connect_thread_running_.store(false);
    });
    if (!started) connect_thread_running_.store(false);
    return started;
  }

  void Disconnect() {
    if (handle_.load() == 0) return;
    Hold hold(*this);
    DisconnectHeld();
  }

  std::shared_ptr<VLPrinterDevice> CurrentDevice() const {
    std::lock_guard<std::mutex> lock(device_mutex_);
    return device_;
  }
  Int Handle() const { return handle_.load(); }
  ConnectionStatus Status() const { return status_.load(); }

  // Listeners of an ended connector are not called any more: they may refer to it.
  bool AddListener(std::function<void()> callback, Int tag) {
    auto guarded = [ended = &ended_, callback = std::move(callback)] {
      if (!ended->load() && callback) callback();
    };
    return listeners_.Add(std::move(guarded), tag);
  }

  bool RemoveListener(Int tag) { return listeners_.Remove(tag); }

 private:
  // connection_lock_, with the holding thread noted so that the connector's end can tell
  // whether it runs inside one of its own listeners.
  class Hold {
   public:
    explicit Hold(ConnectorLink &link) : link_(link) {
      link_.connection_lock_.lock();
      link_.lock_owner_.store(std::this_thread::get_id());
    }
    ~Hold() {
      link_.lock_owner_.store(std::thread::id());
      link_.connection_lock_.unlock();
    }
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

   private:
    ConnectorLink &link_;
  };

  // The closed port is compared again once the lock is held: the event of a port that the
  // connector closed itself may arrive while a connect to another printer holds the lock, and
  // that connect's new port must stay open.
  void OnPortClosed(Int handle) {
    if (handle == 0 || handle != handle_.load()) return;
    Hold hold(*this);
    if (handle == handle_.load()) DisconnectHeld();
  }

  void DisconnectHeld() {
    const Int handle = handle_.load();
    if (handle == 0) return;
    SetStatus(ConnectionStatus::Disconnecting);
    velmora::VP_Port_Close(handle);
    handle_.store(0);
    SetStatus(ConnectionStatus::Disconnected);
  }

  void SetDevice(const std::shared_ptr<VLPrinterDevice> &device) {
    std::lock_guard<std::mutex> lock(device_mutex_);
    device_ = device;
  }

  // Listeners run on this thread, over the list as it stood when the walk began, without the
  // list's lock: they may register and unregister.
  void SetStatus(ConnectionStatus status) {
    status_.store(status);
    listeners_.Dispatch();
  }

  void Unregister() {
    if (std::exchange(registered_, false)) velmora::VP_Port_RemoveOnPortClosedEvent(closed_tag_);
  }

  std::mutex connection_lock_;
  std::atomic<std::thread::id> lock_owner_{};
  std::atomic<Int> handle_{0};
  std::atomic<ConnectionStatus> status_{ConnectionStatus::Disconnected};
  mutable std::mutex device_mutex_;
  std::shared_ptr<VLPrinterDevice> device_;
  std::atomic<bool> connect_thread_running_{false};
  std::atomic<bool> ended_{false};
  ClosureList<> listeners_;
  // Set once by Register and cleared once by the connector's end, on the connector's thread, or
  // by the link's end, when nothing else holds it.
  Int closed_tag_ = 0;
  bool registered_ = false;
};

}  // namespace detail

VLPrinterConnector::VLPrinterConnector() : link_(std::make_shared<detail::ConnectorLink>()) {
  link_->Register(link_);
}

VLPrinterConnector::~VLPrinterConnector() {
  link_->EndOfConnector();
}

// Each call holds the link for its whole length, so that a listener that lets go of the
// connector does not end the link under the running call.
bool VLPrinterConnector::connectPrinterAsync(
    const std::shared_ptr<VLPrinterDevice> &printerDevice) {
  const auto link = link_;
  return link->ConnectAsync(link, printerDevice);
}

bool VLPrinterConnector::connectPrinterSync(const std::shared_ptr<VLPrinterDevice> &printerDevice) {
  const auto link = link_;
  return link->ConnectSync(printerDevice);
}

void VLPrinterConnector::disconnectPrinter() {
  const auto link = link_;
  link->Disconnect();
}

std::shared_ptr<VLPrinterDevice> VLPrinterConnector::getCurrentPrinterDevice() const {
  return link_->CurrentDevice();
}

Int VLPrinterConnector::getCurrentPrinterHandle() const {
  return link_->Handle();
}

VLPrinterConnector::ConnectionStatus VLPrinterConnector::getCurrentConnectionStatus() const {
  return link_->Status();
}

bool VLPrinterConnector::isCurrentConnectingPrinter() const {
  return link_->Status() == ConnectionStatus::Connecting;
}
bool VLPrinterConnector::isCurrentConnectedPrinter() const {
  return link_->Status() == ConnectionStatus::Connected;
}
bool VLPrinterConnector::isCurrentDisconnectingPrinter() const {
  return link_->Status() == ConnectionStatus::Disconnecting;
}
bool VLPrinterConnector::isCurrentDisconnectedPrinter() const {
  return link_->Status() == ConnectionStatus::Disconnected;
}

bool VLPrinterConnector::isCurrentConnectionValid() const {
  const Int handle = link_->Handle();
  return handle != 0 && velmora::VP_Port_IsConnectionValid(handle);
}

bool VLPrinterConnector::registerConnectionStatusChangedEvent(std::function<void()> callback,
                                                              Int tag) {
  return link_->AddListener(std::move(callback), tag);
}

bool VLPrinterConnector::unregisterConnectionStatusChangedEvent(Int tag) {
  return link_->RemoveListener(tag);
}

}  // namespace velmora
