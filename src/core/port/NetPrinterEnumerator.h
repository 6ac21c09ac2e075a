#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "velmora/vp_port.h"

namespace velmora::core {

// Searches the local networks for printers with the two discovery broadcasts and reports each
// reply through `on_discovered` on a receive thread. Returns after ceil(timeout_ms / 1000)
// seconds (timeout 0: at once, having sent nothing), or soon after `*cancel` becomes non-zero;
// every receive thread has ended by then.
void EnumerateNetPrinters(uint32_t timeout_ms, const int *cancel,
                          VP_OnNetPrinterDiscovered on_discovered, void *private_data);

// One receive thread of a search: reports every reply to the binary (or the text) request that
// arrives on the UDP socket `fd`, as coming in on the interface `local_ip`, until `stop` is set.
void ReceiveDiscoveryReplies(int fd, bool binary, const std::string &local_ip,
                             const std::atomic<bool> &stop, VP_OnNetPrinterDiscovered on_discovered,
                             void *private_data);

}  // namespace velmora::core
