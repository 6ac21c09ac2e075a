// The module's printer searches over the flat enumeration functions.
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/enumeration.hpp"
#include "velmora/vp_port.h"

namespace velmora {
namespace {

using NetCallback = std::function<void(std::string, std::string, std::string, std::string)>;

void NetTrampoline(const char *local_ip, const char *mac, const char *ip, const char *name,
                   void *private_data) {
  const auto &callback = *static_cast<const NetCallback *>(private_data);
  callback(detail::DecodeUtf8(local_ip), detail::DecodeUtf8(mac), detail::DecodeUtf8(ip),
           detail::DecodeUtf8(name));
}

}  // namespace

void VP_Port_EnumNetPrinter(Int timeout, const std::shared_ptr<VP_LoopController> &cancel,
                            NetCallback on_discovered) {
  if (timeout < 0 || static_cast<std::uintmax_t>(timeout) > 0xFFFFFFFFu) return;
  // Held for the whole search: the flat function reads the flag until it returns.
  const std::shared_ptr<VP_LoopController> controller = cancel;
  const NetCallback callback =
      on_discovered ? std::move(on_discovered) : [](auto, auto, auto, auto) {};
  ::VP_Port_EnumNetPrinter(static_cast<unsigned int>(timeout),
                           controller != nullptr ? controller->cancel() : nullptr, NetTrampoline,
                           const_cast<NetCallback *>(&callback));
}

}  // namespace velmora
