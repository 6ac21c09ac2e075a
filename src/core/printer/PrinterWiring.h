#pragma once

namespace velmora::core {

class IOHandle;

// Printer-side set-up of a freshly opened port, after its transport is wired and before the
// opened event (for example switching the printer to automatic status reports). False when
// the set-up could not be written whole: the open fails.
bool WirePrinter(IOHandle &port);

}  // namespace velmora::core
