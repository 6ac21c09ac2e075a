#include "ble/ProtoV3Engine.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace velmora::ble {
namespace {
constexpr auto kPollSlice = std::chrono::milliseconds(1);
}  // namespace

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
  // The printer of a new link owes nothing for chunks sent on an earlier one.
  unpaid_ = 0;
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
      // Credits first pay for chunks that earlier writes sent and got none back for: counted
      // for the running write, they would complete it for chunks the printer never took.
      const int paid = std::min<int>(unpaid_, data[1]);
      unpaid_ -= paid;
      // The total only has to reach a write's chunk count.
      credits_total_ = std::min(credits_total_, INT_MAX - data[1]) + (data[1] - paid);
    } else {
      return;
    }
  }
  changed_.notify_all();
}

int ProtoV3Engine::WriteCredits(GattPacketLink &link, const uint8_t *data, int count,
                                int timeout_ms) {
  if (!link.IsLinkUp() || count < 0) return -1;
  int chunk;
  int n;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    chunk = std::min(maximum_write_value_length_, mtu_size_);
    if (chunk <= 0) return -1;
    n = static_cast<int>((static_cast<int64_t>(count) + chunk - 1) / chunk);
    if (credits_current_ <= 0) return -1;
    credits_total_ = 0;
  }
  const auto deadline = clock_->Now() + std::chrono::milliseconds(std::max(0, timeout_ms));
  int i = 0;
  // However the write ends, the chunks it sent without a credit coming back stay owed.
  struct Owed {
    ProtoV3Engine &engine;
    const int &sent;
    ~Owed() {
      std::lock_guard<std::mutex> lock(engine.mutex_);
      const int64_t unpaid =
          static_cast<int64_t>(engine.unpaid_) + std::max(0, sent - engine.credits_total_);
      engine.unpaid_ = static_cast<int>(std::min<int64_t>(unpaid, INT_MAX));
    }
  } owed{*this, i};
  for (;;) {
    if (!link.IsLinkUp()) return -1;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Done once every chunk is out and the printer has taken them all in. A printer that grants
      // in batches may grant past the chunk count; that still completes the write.
      if (i == n && credits_total_ >= n) return count;
      if (clock_->Now() >= deadline) return 0;
      if (i == n || credits_current_ <= 0) {
        clock_->WaitUntil(lock, changed_, std::min(deadline, clock_->Now() + kPollSlice));
        continue;
      }
      --credits_current_;
    }
    const int offset = i * chunk;
    const int length = std::min(chunk, count - offset);
    link.WritePackWithoutResponse(data + offset, length, 0);
    ++i;
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

int ProtoV3Engine::unpaidChunks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unpaid_;
}

}  // namespace velmora::ble
