#pragma once

#include <cstdint>
#include <mutex>

namespace velmora::core {

// What the printer last reported about itself in automatic status packets. Guarded by `mutex`.
struct AutoReplyRecord {
  std::mutex mutex;
  bool any_packet = false;
  int64_t last_packet_steady_ms = 0;  // monotonic arrival time of the newest packet
};

}  // namespace velmora::core
