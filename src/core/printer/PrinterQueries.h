#pragma once

#include <cstdint>
#include <optional>

#include "core/printer/DevicePackage.h"

namespace velmora::core {

class IOHandle;

// Questions to the printer that wait for its answer. Each ends by the answer, its timeout, a
// closed port or (print result) the port's exit flag, and never waits longer than one 1 ms poll
// step past its timeout.

// The answers to DLE EOT 1..4 packed into one value (answer 1 lowest), or 0 when none came.
int QueryRealTimeStatus(IOHandle &port, uint32_t timeout_ms);

// True when the printer reports that everything sent before the query has been printed.
bool QueryPrintResult(IOHandle &port, uint32_t timeout_ms);

// Sends a device query (command 3F with `parameter`, no data) and waits for the package that
// answers it.
std::optional<NZReceivedProtoPackage> QueryDevice(IOHandle &port, uint32_t parameter,
                                                  uint32_t timeout_ms);

}  // namespace velmora::core
