#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/printer/DevicePackage.h"

namespace velmora::core {

// The device packages a port has received and not yet handed to a query, and the firmware
// version the printer last announced. One mutex guards both.
class NZProtoPackageQueue {
 public:
  // Packages nobody waits for are dropped oldest first beyond this many.
  static constexpr size_t kMaxQueued = 64;

  void Push(NZReceivedProtoPackage package);
  // Drops every queued package of this command and parameter (stale answers).
  void Discard(uint16_t command, uint32_t parameter);
  // Waits until a package of this command and parameter is queued, the deadline passes or
  // `keep_waiting` says no; takes it out of the queue.
  std::optional<NZReceivedProtoPackage> WaitFor(uint16_t command, uint32_t parameter,
                                                int64_t deadline_steady_ms,
                                                const std::function<bool()> &keep_waiting);
  // Ends every wait early (the port closed).
  void Wake();

  void SetFirmwareVersion(std::string version);
  std::string FirmwareVersion() const;

  size_t size() const;
  void SetWorkEnabled(bool enabled) { work_enabled_.store(enabled); }
  bool work_enabled() const { return work_enabled_.load(); }

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<NZReceivedProtoPackage> packages_;
  std::string firmware_version_;
  std::atomic<bool> work_enabled_{false};
};

}  // namespace velmora::core
