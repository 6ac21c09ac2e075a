#include "core/port/PortRegistry.h"

namespace velmora::core {

PortRegistry &Ports() {
  static PortRegistry *registry = new PortRegistry();
  return *registry;
}

}  // namespace velmora::core
