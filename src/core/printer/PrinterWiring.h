#pragma once

namespace velmora::core {

class IOHandle;

// Printer-side set-up of a freshly opened port, after its transport is wired and before the
// opened event (for example switching the printer to automatic status reports).
void WirePrinter(IOHandle &port);

}  // namespace velmora::core
