// Flat printer discovery on the local networks.
#include "core/api/ApiGuard.h"
#include "core/port/NetPrinterEnumerator.h"
#include "velmora/vp_port.h"

extern "C" {

void VP_Port_EnumNetPrinter(unsigned int timeout, int *cancel,
                            VP_OnNetPrinterDiscovered on_discovered, void *private_data) {
  velmora::core::Guarded(0, [&] {
    velmora::core::EnumerateNetPrinters(timeout, cancel, on_discovered, private_data);
    return 0;
  });
}

}  // extern "C"
