#pragma once

#include <cstdint>

#include "velmora/vp_port.h"

namespace velmora::core {

// Searches the local networks for printers with the two discovery broadcasts and reports each
// reply through `on_discovered` on a receive thread. Returns after ceil(timeout_ms / 1000)
// seconds (timeout 0: at the next whole second), or soon after `*cancel` becomes non-zero;
// every receive thread has ended by then.
void EnumerateNetPrinters(uint32_t timeout_ms, const int *cancel,
                          VP_OnNetPrinterDiscovered on_discovered, void *private_data);

}  // namespace velmora::core
