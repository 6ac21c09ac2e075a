#include "core/port/PortEvents.h"

namespace velmora::core {

PortEvents &PortEvents::Get() {
  static PortEvents *events = new PortEvents();
  return *events;
}

}  // namespace velmora::core
