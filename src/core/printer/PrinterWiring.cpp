#include "core/printer/PrinterWiring.h"

#include "core/port/IOHandle.h"

namespace velmora::core {

void WirePrinter(IOHandle &port) {
  (void)port;
}

}  // namespace velmora::core
