#include "ble/ProtoV3Engine.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "ble/WriteTimeUp.h"

namespace velmora::ble {

int ProtoV3Engine::maximumWriteValueLength() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return maximum_write_value_length_;
}

void ProtoV3Engine::setMaximumWriteValueLength(int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  maximum_write_value_length_ = length;
}

void ProtoV3Engine::ResetForOpen() {
  std::lock_guard<std::mutex> lock(mutex_);
  mtu_size_ = 0;
  credits_current_ = 0;
}

bool ProtoV3Engine::HasSizeAndCredits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mtu_size_ > 0 && credits_current_ > 0;
}

void ProtoV3Engine::OnFlowControl(const uint8_t *data, size_t count) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count == 3 && data[0] == 0x02) {
      mtu_size_ = data[1];
    } else if (count == 2 && data[0] == 0x01) {
      credits_current_ = std::min(credits_current_ + data[1], kMaxCredits);
      // The total only has to reach a write's chunk count.
      credits_total_ = std::min(credits_total_, INT_MAX - data[1]) + data[1];
      last_credit_ = clock_->Now();
    } else {
      return;
    }
  }
  changed_.notify_all();
}

int ProtoV3Engine::WriteCredits(GattPacketLink &link, const uint8_t *data, int count,
                                int timeout_ms, bool wait_for_credit) {
  if (!link.IsLinkUp() || count < 0) return -1;
  const auto start = clock_->Now();
  const auto deadline = start + std::chrono::milliseconds(std::max(0, timeout_ms));
  int chunk;
  int n;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    chunk = std::min(maximum_write_value_length_, mtu_size_);
    if (chunk <= 0) return -1;
    n = static_cast<int>((static_cast<int64_t>(count) + chunk - 1) / chunk);
    // The printer may still be giving back the credits of an earlier write.
    while (wait_for_credit && credits_current_ <= 0) {
      if (!link.IsLinkUp()) return -1;
      if (clock_->Now() >= deadline) return 0;
      clock_->WaitUntil(lock, changed_, deadline);
    }
    if (credits_current_ <= 0) return -1;
    credits_total_ = 0;
  }
  int sent = 0;
  WriteTimeUp time(start, deadline);
  for (;;) {
    if (!link.IsLinkUp()) return -1;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Done once every chunk is out and the printer has taken them all in. A printer that grants
      // in batches may grant past the chunk count; that still completes the write.
      if (sent == n && credits_total_ >= n) return count;
      const auto now = clock_->Now();
      // The printer owes credits only for chunks sent; its silence counts only while it does.
      const bool owed = credits_total_ < sent;
      const bool up = time.Up(now, last_credit_, owed);
      // Every chunk sent is in the printer: a write whose time is up ends with them.
      if (up && !owed) return std::min(count, sent * chunk);
      if (up && time.SettleOver(now, last_credit_)) {
        lock.unlock();
        // Chunks went out that the printer never gave credit for: whether it holds them, and
        // how many credits it still has, can no longer be known on this link.
        link.EndFailedLink();
        return 0;
      }
      if (up || sent == n || credits_current_ <= 0) {
        clock_->WaitUntil(lock, changed_, time.WakeAt(last_credit_, owed));
        continue;
      }
      --credits_current_;
    }
    const int offset = sent * chunk;
    const int length = std::min(chunk, count - offset);
    const int written = link.WritePackWithoutResponse(data + offset, length, 0);
    if (written == length) {
      ++sent;
      continue;
    }
    // The link did not take the chunk (no room in its queue in time): it was not sent, and its
    // credit is still there for it.
    {
      std::lock_guard<std::mutex> lock(mutex_);
      credits_current_ = std::min(credits_current_ + 1, kMaxCredits);
    }
    if (written < 0) return -1;
  }
}

int ProtoV3Engine::mtuSize() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mtu_size_;
}

int ProtoV3Engine::currentCredits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return credits_current_;
}

int ProtoV3Engine::totalCredits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return credits_total_;
}

}  // namespace velmora::ble
