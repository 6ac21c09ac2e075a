#include "support/VirtualLink.h"

#include <algorithm>
#include <cmath>

namespace velmora::test {

using std::chrono::microseconds;
using std::chrono::milliseconds;

VirtualLink::VirtualLink(Rate rate, Device &device, HostSink host)
    : rate_(rate), device_(device), host_(std::move(host)) {}

void VirtualLink::Connect() {
  up_ = true;
  failed_ = false;
  anchor_ = now_;
  writes_ = notifications_ = answers_ = 0;
  // Requests of an earlier connection are never answered.
  requests_answered_ = requests_sent_;
  device_.OnConnected();
}

void VirtualLink::Drop() {
  up_ = false;
  up_queue_.clear();
  down_queue_.clear();
  queued_without_response_ = 0;
  request_outstanding_ = false;
  timers_.clear();
}

void VirtualLink::EndFailedLink() {
  failed_ = true;
  Drop();
}

void VirtualLink::Notify(int characteristic, Bytes value) {
  if (!up_) return;
  if (lose_notification && lose_notification(notifications_++)) {
    ++losses_;
    return;
  }
  down_queue_.push_back({characteristic, std::move(value)});
}

void VirtualLink::At(Clock::time_point when, std::function<void()> task) {
  timers_.emplace(when, std::move(task));
}

VirtualLink::Clock::time_point VirtualLink::NextEvent() const {
  auto next = Clock::time_point::max();
  if (!timers_.empty()) next = timers_.begin()->first;
  if (drop_at && up_) next = std::min(next, std::max(*drop_at, now_));
  const bool movable =
      !down_queue_.empty() || std::any_of(up_queue_.begin(), up_queue_.end(), [&](const Up &u) {
        return !u.with_response || !request_outstanding_;
      });
  if (movable && up_) {
    // Connection events fall on the anchor plus whole intervals, strictly after the last one.
    const auto interval = microseconds(rate_.interval_us);
    const auto elapsed = now_ - anchor_;
    auto tick = anchor_ + ((elapsed + interval - Clock::duration(1)) / interval) * interval;
    if (tick <= last_tick_) tick = last_tick_ + interval;
    next = std::min(next, tick);
  }
  return next;
}

bool VirtualLink::Tick() {
  last_tick_ = now_;
  bool delivered = false;
  int up_left = rate_.packets_per_interval;
  int down_left = rate_.packets_per_interval;
  for (bool moved = true; moved && up_;) {
    moved = false;
    auto next = std::find_if(up_queue_.begin(), up_queue_.end(), [&](const Up &u) {
      return !u.with_response || !request_outstanding_;
    });
    if (up_left > 0 && next != up_queue_.end()) {
      Up packet = std::move(*next);
      up_queue_.erase(next);
      --up_left;
      moved = true;
      if (!packet.with_response) {
        --queued_without_response_;
        if (lose_write && lose_write(writes_++)) {
          ++losses_;
        } else {
          device_.OnWrite(packet.data.data(), packet.data.size(), false);
        }
      } else {
        request_outstanding_ = true;
        const bool accepted = device_.OnWrite(packet.data.data(), packet.data.size(), true);
        if (lose_answer && lose_answer(answers_++)) {
          ++losses_;
          // The unanswered request holds the link until its transaction times out.
          drop_at = now_ + milliseconds(kTransactionTimeoutMs);
        } else if (up_) {
          down_queue_.push_back({-1, {}, accepted});
        }
      }
    }
    if (up_ && down_left > 0 && !down_queue_.empty()) {
      Down packet = std::move(down_queue_.front());
      down_queue_.pop_front();
      --down_left;
      moved = true;
      delivered = true;
      if (packet.characteristic < 0) {
        request_outstanding_ = false;
        answer_of_[++requests_answered_] = packet.accepted;
      } else {
        host_(packet.characteristic, packet.data);
      }
    }
  }
  return delivered;
}

void VirtualLink::RunUntil(Clock::time_point until, bool wake_on_delivery) {
  while (now_ < until || NextEvent() <= now_) {
    const auto next = NextEvent();
    if (next > until) {
      now_ = until;
      return;
    }
    now_ = std::max(now_, next);
    if (drop_at && up_ && *drop_at <= now_) {
      drop_at.reset();
      Drop();
      if (wake_on_delivery) return;
      continue;
    }
    if (!timers_.empty() && timers_.begin()->first <= now_) {
      auto task = std::move(timers_.begin()->second);
      timers_.erase(timers_.begin());
      task();
      continue;
    }
    if (Tick() && wake_on_delivery) return;
  }
}

void VirtualLink::RunUntilQuiet(Clock::duration limit) {
  const auto end = now_ + limit;
  while (up_ && (!up_queue_.empty() || !down_queue_.empty()) && now_ < end) {
    RunUntil(std::min(end, NextEvent()));
  }
}

void VirtualLink::WaitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &,
                            Clock::time_point until) {
  lock.unlock();
  RunUntil(until, true);
  lock.lock();
}

int VirtualLink::WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) {
  if (!up_) return -1;
  const auto room_deadline = now_ + milliseconds(timeout_ms > 0 ? timeout_ms : kWriteRoomWaitMs);
  while (queued_without_response_ >= kQueueLength) {
    if (!up_) return -1;
    if (now_ >= room_deadline) return 0;
    RunUntil(std::min(room_deadline, NextEvent()));
  }
  if (!up_) return -1;
  up_queue_.push_back({Bytes(data, data + count), false});
  sent_.push_back(up_queue_.back().data);
  ++queued_without_response_;
  if (timeout_ms <= 0) return count;
  RunUntil(now_ + milliseconds(timeout_ms));
  return up_ ? count : -1;
}

int VirtualLink::WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) {
  if (!up_) return -1;
  up_queue_.push_back({Bytes(data, data + count), true});
  return AnswerBy(++requests_sent_, count, now_ + milliseconds(std::max(0, timeout_ms)));
}

int VirtualLink::AnswerBy(uint64_t write, int count, Clock::time_point deadline) {
  while (up_ && requests_answered_ < write && now_ < deadline) {
    RunUntil(std::min(deadline, NextEvent()));
  }
  if (requests_answered_ >= write) return answer_of_[write] ? count : 0;
  return up_ ? 0 : -1;
}

bool VirtualLink::WritePending() const {
  return up_ && requests_answered_ < requests_sent_;
}

int VirtualLink::AwaitPendingWrite(int count, int timeout_ms) {
  if (!up_) return -1;
  return AnswerBy(requests_sent_, count, now_ + milliseconds(std::max(0, timeout_ms)));
}

VirtualLink::Rate ScheduleRandom::Rate() {
  if (Chance(0.25)) return {};
  // Intervals spread evenly on a log scale from 7.5 ms to 4 s.
  const double exponent = Uniform(0, 1000) / 1000.0;
  const int interval_us = static_cast<int>(7500 * std::pow(4000000.0 / 7500, exponent));
  return {Uniform(1, 6), interval_us};
}

}  // namespace velmora::test
