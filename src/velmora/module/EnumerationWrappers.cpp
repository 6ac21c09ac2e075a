// The module's printer searches over the flat enumeration functions.
#include "platform/ApplicationClosure.h"
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/enumeration.hpp"
#include "velmora/vp_port.h"

namespace velmora {
namespace {

using NetCallback = std::function<void(std::string, std::string, std::string, std::string)>;
using BleCallback = std::function<void(std::string, std::string)>;

void NetTrampoline(const char *local_ip, const char *mac, const char *ip, const char *name,
                   void *private_data) {
  const auto &callback = *static_cast<const NetCallback *>(private_data);
  platform::CallApplicationClosure(callback, detail::DecodeUtf8(local_ip), detail::DecodeUtf8(mac),
                                   detail::DecodeUtf8(ip), detail::DecodeUtf8(name));
}

void BleTrampoline(const char *device_name, const char *device_address, void *private_data) {
  const auto &callback = *static_cast<const BleCallback *>(private_data);
  // A null name arrives as "".
  platform::CallApplicationClosure(callback, detail::DecodeUtf8(device_name),
                                   detail::DecodeUtf8(device_address));
}

bool FitsTimeout(Int timeout) {
  return timeout >= 0 && static_cast<std::uintmax_t>(timeout) <= 0xFFFFFFFFu;
}

}  // namespace

void VP_Port_EnumNetPrinter(Int timeout, const std::shared_ptr<VP_LoopController> &cancel,
                            NetCallback on_discovered) {
  if (!FitsTimeout(timeout)) return;
  // Held for the whole search: the flat function reads the flag until it returns.
  const std::shared_ptr<VP_LoopController> controller = cancel;
  const NetCallback callback =
      on_discovered ? std::move(on_discovered) : [](auto, auto, auto, auto) {};
  ::VP_Port_EnumNetPrinter(static_cast<unsigned int>(timeout),
                           controller != nullptr ? controller->cancel() : nullptr, NetTrampoline,
                           const_cast<NetCallback *>(&callback));
}

void VP_Port_EnumBleDevice(Int timeout, const std::shared_ptr<VP_LoopController> &cancel,
                           BleCallback on_discovered) {
  if (!FitsTimeout(timeout)) return;
  // Held for the whole scan: the flat function reads the flag until it returns, and no report
  // reaches the callback after that.
  const std::shared_ptr<VP_LoopController> controller = cancel;
  const BleCallback callback = on_discovered ? std::move(on_discovered) : [](auto, auto) {};
  ::VP_Port_EnumBleDevice(static_cast<unsigned int>(timeout),
                          controller != nullptr ? controller->cancel() : nullptr, BleTrampoline,
                          const_cast<BleCallback *>(&callback));
}

}  // namespace velmora
