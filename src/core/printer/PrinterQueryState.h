#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace velmora::core {

// Per-port state of the printer queries.
struct PrinterQueryState {
  // Counter behind the print-result query's process identifier (used modulo 10).
  std::atomic<uint32_t> next_process_id{0};
  // Set by the caller to end a running print-result query.
  std::atomic<int> exit_query{0};
  // The queries that take real-time status answers take turns on a port, so that each one gets
  // the answers to its own requests.
  std::mutex status_turn;
  // Held under status_turn: how many answers the printer still owes to the last of those
  // queries, and until when (steady milliseconds) they can come.
  uint64_t owed_answers = 0;
  int64_t owed_until_ms = 0;
};

}  // namespace velmora::core
