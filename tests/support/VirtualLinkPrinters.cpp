#include "support/VirtualLinkPrinters.h"

#include <algorithm>

namespace velmora::test {

bool V3LinkPrinter::OnWrite(const uint8_t *data, size_t count, bool) {
  if (outstanding <= 0) {
    ++protocol_errors;
    return true;
  }
  held.insert(held.end(), data, data + count);
  // The chunk's credit comes straight back.
  link->Notify(kFlowControl, {0x01, 0x01});
  return true;
}

void V3LinkPrinter::OnConnected() {
  link->Notify(kFlowControl, {0x02, static_cast<uint8_t>(size), 0x00});
  outstanding = credits_ahead;
  for (int left = credits_ahead; left > 0; left -= 255) {
    link->Notify(kFlowControl, {0x01, static_cast<uint8_t>(std::min(left, 255))});
  }
}

namespace {
std::vector<uint8_t> Control(uint8_t code, int a) {
  return {0x00, 0x0A, code, static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8), 0, 0, 0, 0, 0};
}
}  // namespace

void V2LinkPrinter::Space(bool add, int bytes) {
  space_ = add ? space_ + bytes : std::min(bytes, 8192);
  advertised_ = add ? advertised_ + bytes : space_;
  Send({0x00, 0x0A, 0x01, static_cast<uint8_t>(add ? 1 : 0), static_cast<uint8_t>(bytes),
        static_cast<uint8_t>(bytes >> 8), 0, 0, 0, 0});
}

void V2LinkPrinter::OnConnected() {
  active_ = false;
  watchdog_ = false;
  Space(false, buffer_size);
}

bool V2LinkPrinter::OnWrite(const uint8_t *data, size_t count, bool) {
  for (size_t pos = 0; pos < count;) {
    const uint8_t *frame = data + pos;
    const size_t left = count - pos;
    const size_t length = frame[0] != 0 ? frame[0] : (left >= 2 ? frame[1] : 0);
    if (length < 2 || length > left) break;
    pos += length;
    if (frame[0] != 0) {
      Packet(frame, length);
    } else if (length >= 10 && frame[2] == 0x02) {  // the setup of a new group
      count_ = frame[3] | (frame[4] << 8);
      payload_ = std::max(0, frame[5] - 4);
      active_ = count_ > 0;
      next_ = 0;
      highest_ = -1;
      got_.assign(static_cast<size_t>(count_), false);
      waiting_.assign(static_cast<size_t>(count_), {});
      Space(false, buffer_size);
      Send({0x00, 0x0A, 0x03, frame[3], frame[4], frame[5], 0, 0, 0, 0});
    }
  }
  return true;
}

void V2LinkPrinter::Packet(const uint8_t *frame, size_t length) {
  uint8_t check = frame[0] ^ frame[2] ^ frame[3];
  for (size_t i = 4; i < length; ++i) check ^= frame[i];
  const int index = frame[2] | (frame[3] << 8);
  if (length < 5 || check != frame[1] || !active_ || index >= count_) return;
  ++activity_;
  if (got_[index]) return;
  const int m = static_cast<int>(length) - 4;
  if (m > space_) {
    ++protocol_errors;
    return;
  }
  space_ -= m;
  got_[index] = true;
  waiting_[index].assign(frame + 4, frame + length);
  if (index > highest_ + 1) AskFor(highest_ + 1, index - 1);
  highest_ = std::max(highest_, index);
  while (next_ < count_ && got_[next_]) {
    auto &bytes = waiting_[next_++];
    held.insert(held.end(), bytes.begin(), bytes.end());
    Space(true, static_cast<int>(bytes.size()));
    bytes.clear();
  }
  if (next_ == count_) {
    active_ = false;
    Send(Control(0x05, count_));
  } else {
    ArmWatchdog();
  }
}

// Asks again, one frame per run, for the packets still missing between `from` and `to`.
int V2LinkPrinter::AskFor(int from, int to) {
  int asked = 0;
  for (int i = from; i <= to;) {
    if (got_[i]) {
      ++i;
      continue;
    }
    int end = i;
    while (end + 1 <= to && !got_[end + 1]) ++end;
    const int runs = end - i + 1;
    ++asked;
    if (runs == 1) {
      Send(Control(0xFF, i));
    } else {
      Send({0x00, 0x0C, 0xFF, static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0,
            static_cast<uint8_t>(runs), static_cast<uint8_t>(runs >> 8), 0, 0, 0, 0});
    }
    i = end + 1;
  }
  return asked;
}

// After kResendIdleMs without packets, asks for what is missing up to the last packet the space
// advertised since the setup let the host send.
void V2LinkPrinter::ArmWatchdog() {
  if (watchdog_) return;
  watchdog_ = true;
  const uint64_t seen = activity_;
  link->At(link->Now() + std::chrono::milliseconds(kResendIdleMs), [this, seen] {
    watchdog_ = false;
    if (!active_ || payload_ <= 0) return;
    if (activity_ == seen &&
        AskFor(next_, std::max(highest_, std::min(count_ - 1, advertised_ / payload_ - 1))) == 0) {
      return;
    }
    ArmWatchdog();
  });
}

}  // namespace velmora::test
