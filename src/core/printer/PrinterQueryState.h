#pragma once

#include <atomic>
#include <cstdint>

namespace velmora::core {

// Per-port state of the printer queries.
struct PrinterQueryState {
  // Counter behind the print-result query's process identifier (used modulo 10).
  std::atomic<uint32_t> next_process_id{0};
  // Set by the caller to end a running print-result query.
  std::atomic<int> exit_query{0};
};

}  // namespace velmora::core
