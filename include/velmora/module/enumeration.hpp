// Searching for printers in the module interface: blocking searches that a loop controller can
// cancel from another thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

// The cancel flag of one or more searches. A search reads it between its steps; cancelling stops
// every search that was given this controller, and a cancelled controller stays cancelled until
// enableLoop().
class VP_API VP_LoopController {
 public:
  VP_LoopController() = default;
  virtual ~VP_LoopController() = default;
  VP_LoopController(const VP_LoopController &) = delete;
  VP_LoopController &operator=(const VP_LoopController &) = delete;

  virtual void enableLoop() { cell_.store(0); }
  virtual void cancelLoop() { cell_.store(1); }

  // The flag as the flat search functions take it: 0 goes on, anything else stops.
  int *cancel() { return reinterpret_cast<int *>(&cell_); }

 private:
  static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(int), "the flag is one int");
  std::atomic<std::int32_t> cell_{0};
};

// Searches the local networks for ceil(timeout / 1000) seconds or until `cancel` is cancelled.
// `on_discovered` gets the local interface address, the printer's MAC ("AA-BB-CC-DD-EE-FF"), its
// IP address and its name, once per answer, on the search's receive threads (calls may overlap).
// A null controller means the search is never cancelled.
VP_API void VP_Port_EnumNetPrinter(
    Int timeout, const std::shared_ptr<VP_LoopController> &cancel,
    std::function<void(std::string, std::string, std::string, std::string)> on_discovered);

// Scans for Bluetooth LE printers for ceil(timeout / 1000) seconds or until `cancel` is cancelled.
// `on_discovered` gets the device name ("null" for a device without one) and its address (what
// the Bluetooth LE opens take), once per advertisement, on the Bluetooth LE central's queue; it is
// never called after this returns. A null controller means the scan is never cancelled.
VP_API void VP_Port_EnumBleDevice(Int timeout, const std::shared_ptr<VP_LoopController> &cancel,
                                  std::function<void(std::string, std::string)> on_discovered);

}  // namespace velmora
