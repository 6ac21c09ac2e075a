#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/port/NZIOBase.h"

namespace velmora::core {

// Finishes opening a port whose transport has been opened (or failed to open): enters it in
// the registry, wires it, reports opened or open-failed on a child thread, and returns the
// handle, or null on failure.
void *CompletePortOpen(uint32_t port_type, const std::string &name, std::unique_ptr<NZIOBase> io,
                       bool transport_opened, bool autoreply_mode);

// Reports an open that failed before a transport existed.
void ReportOpenFailed(const std::string &name);

}  // namespace velmora::core
