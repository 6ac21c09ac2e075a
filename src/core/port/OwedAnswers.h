#pragma once

#include <algorithm>
#include <cstdint>

namespace velmora::core {

// Answers the printer still owes to requests of a query that has ended (the requests it resent
// while waiting), as positions in the stream of bytes received since the last discard. The next
// query passes over them, so that it never takes an earlier query's late answers for its own.
// Answers that have not come by a deadline are not waited for any more. Not thread-safe: the
// receive buffer calls it under its lock.
class OwedAnswers {
 public:
  // `count` answers are owed after the first `from` bytes since the discard, until `until_ms`.
  // Answers still owed ahead of `from` stay owed; the new ones follow them.
  void Owe(uint64_t from, uint64_t count, int64_t until_ms) {
    if (to_ > from) {
      to_ += count;
    } else {
      from_ = from;
      to_ = from + count;
    }
    until_ms_ = std::max(until_ms_, until_ms);
  }

  // A discard after `received` bytes of this run: answers that had not arrived by then are still
  // owed, at the start of the next run.
  void Discard(uint64_t received) {
    const uint64_t arrived = std::clamp(received, from_, to_) - from_;
    previous_received_ = received;
    previous_to_ = to_;
    to_ = to_ - from_ - arrived;
    from_ = 0;
  }

  // `count` bytes that arrived before the last discard and are counted only now (the read thread
  // had them in hand when the discard came).
  void ArrivedBeforeDiscard(uint64_t count) {
    const uint64_t owed = previous_to_ > previous_received_ ? previous_to_ - previous_received_ : 0;
    to_ -= std::min({count, owed, to_ - from_});
    previous_received_ += count;
  }

  // Forgets every owed answer (the receive buffer lost track of positions).
  void Forget() { to_ = from_; }

  // How many owed answers lie ahead of position `at`, of which `received` bytes have arrived.
  // Once `now_ms` is past the deadline only those that arrived are still owed.
  uint64_t Ahead(uint64_t at, uint64_t received, int64_t now_ms) {
    if (now_ms >= until_ms_) to_ = std::clamp(received, from_, to_);
    return at >= from_ && at < to_ ? to_ - at : 0;
  }

 private:
  uint64_t from_ = 0;
  uint64_t to_ = 0;
  int64_t until_ms_ = 0;
  // The run before the last discard, for its bytes counted late.
  uint64_t previous_received_ = 0;
  uint64_t previous_to_ = 0;
};

}  // namespace velmora::core
