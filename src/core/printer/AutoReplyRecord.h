#pragma once

#include <cstdint>
#include <mutex>

#include "core/printer/AutoReplyPacket.h"

namespace velmora::core {

// What the printer last reported about itself in automatic status packets. Guarded by `mutex`.
// Times named `_ms` are wall-clock milliseconds (handed to callers); the steady time only
// judges freshness.
struct AutoReplyRecord {
  std::mutex mutex;
  bool any_packet = false;
  int64_t last_packet_steady_ms = 0;  // monotonic arrival time of the newest packet

  int64_t error_status = 0;
  int64_t info_status = 0;
  int64_t status_ms = 0;

  uint32_t received_byte_count = 0;
  int64_t received_ms = 0;

  uint32_t printed_page_id = 0;
  int64_t printed_ms = 0;

  uint32_t width_mm = 0;
  uint32_t height_mm = 0;
  uint32_t dots_per_mm = 0;

  int32_t label_print_adjustment_dots = 0;
  int32_t label_tear_adjustment_dots = 0;
  int64_t label_adjustment_ms = 0;

  // Takes one packet in; the caller holds `mutex`.
  void Apply(const AutoReplyPacket &packet, int64_t wall_ms, int64_t steady_ms);
};

}  // namespace velmora::core
