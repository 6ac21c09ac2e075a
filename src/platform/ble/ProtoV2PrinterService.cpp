// The printer side of protocol V2 (frames as in docs/protocol.md).
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/ble/Radio.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::ble_sim {

struct ProtoV2PrinterService::State {
  std::mutex mutex;
  NotifyFunction notify;
  // Settings.
  int buffer_size = 8192;
  bool send_buffer_frames = true;
  bool give_back = true;
  std::optional<int> answered_size;
  bool answer_setup = true;
  int received_offset = 0;
  int resend_timeout_ms = 50;
  // The running group.
  bool active = false;
  int count = 0;
  std::vector<bool> got;
  std::map<int, Bytes> waiting;  // received ahead of a missing packet
  int next = 0;                  // next packet to hand on
  int highest = -1;              // highest index seen
  uint64_t activity = 0;
  bool watchdog = false;
  // The printer's word: the free space it advertised that the host has not used up. A new packet
  // beyond it breaks the flow control and is dropped.
  int space = 0;
  int advertised = 0;  // advertised since the group's setup
  int payload = 0;     // data bytes per packet of the running group
  uint64_t held = 0;   // bytes held ahead of a missing packet
  Stats stats;

  void Send(const Bytes &frame) { notify(kNotifyUuid, frame.data(), frame.size()); }
  // A buffer-size frame, booked as advertised (the host takes at most 8192 from a set frame).
  Bytes SpaceFrame(bool add, int size);
  void Book(bool add, int size);

  // Packets lost at the end of a group leave no gap behind them: when the link stays quiet for
  // the resend timeout the printer asks for whatever is still missing.
  static void ArmWatchdog(const std::shared_ptr<State> &state, uint64_t seen);
  static void Watch(const std::weak_ptr<State> &weak, uint64_t seen_before);
};

namespace {

Bytes BufferFrame(bool add, int size) {
  return {0x00,
          0x0A,
          0x01,
          static_cast<uint8_t>(add ? 1 : 0),
          static_cast<uint8_t>(size & 0xFF),
          static_cast<uint8_t>((size >> 8) & 0xFF),
          0,
          0,
          0,
          0};
}

Bytes ResendFrame(int first, int count) {
  if (count == 1) {
    return {0x00,
            0x0A,
            0xFF,
            static_cast<uint8_t>(first & 0xFF),
            static_cast<uint8_t>((first >> 8) & 0xFF),
            0,
            0,
            0,
            0,
            0};
  }
  return {0x00,
          0x0C,
          0xFF,
          static_cast<uint8_t>(first & 0xFF),
          static_cast<uint8_t>((first >> 8) & 0xFF),
          0x00,
          static_cast<uint8_t>(count & 0xFF),
          static_cast<uint8_t>((count >> 8) & 0xFF),
          0,
          0,
          0,
          0};
}

// Resend requests for the packets missing between `from` and `to` (inclusive), run by run.
void AskForMissing(ProtoV2PrinterService::Stats &stats, const std::vector<bool> &got, int from,
                   int to, std::vector<Bytes> &out) {
  int i = from;
  while (i <= to) {
    if (got[i]) {
      ++i;
      continue;
    }
    int end = i;
    while (end + 1 <= to && !got[end + 1] && end + 1 - i < 0xFFFF) ++end;
    out.push_back(ResendFrame(i, end - i + 1));
    ++stats.resend_requests;
    i = end + 1;
  }
}

}  // namespace

void ProtoV2PrinterService::State::Book(bool add, int size) {
  if (add) {
    space += size;
    advertised += size;
  } else {
    space = std::min(size, 8192);
    advertised = space;
  }
}

Bytes ProtoV2PrinterService::State::SpaceFrame(bool add, int size) {
  Book(add, size);
  return BufferFrame(add, size);
}

void ProtoV2PrinterService::State::ArmWatchdog(const std::shared_ptr<State> &state, uint64_t seen) {
  std::weak_ptr<State> weak = state;
  platform::ble::Radio::Get().Schedule(state->resend_timeout_ms * 1000,
                                       [weak, seen] { Watch(weak, seen); });
}

void ProtoV2PrinterService::State::Watch(const std::weak_ptr<State> &weak, uint64_t seen_before) {
  auto state = weak.lock();
  if (!state) return;
  std::vector<Bytes> requests;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (!state->active) {
      state->watchdog = false;
      return;
    }
    if (state->activity == seen_before) {
      // Packets lost at the end leave no later packet behind them; ask for those too, but only
      // as far as the space advertised let the host send: a packet it has not sent yet would
      // come back as a resend, which needs no space, and overrun the buffer.
      int last = state->highest;
      if (state->give_back && state->send_buffer_frames && state->payload > 0) {
        last = std::max(last, std::min(state->count - 1, state->advertised / state->payload - 1));
      }
      if (last >= state->next) AskForMissing(state->stats, state->got, state->next, last, requests);
      if (requests.empty()) {
        state->watchdog = false;
        return;
      }
    }
    ArmWatchdog(state, state->activity);
  }
  for (const auto &request : requests) state->Send(request);
}

ProtoV2PrinterService::ProtoV2PrinterService() : state_(std::make_shared<State>()) {
  state_->notify = Notifier();
}

ProtoV2PrinterService::~ProtoV2PrinterService() = default;

void ProtoV2PrinterService::SetBufferSize(int bytes) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->buffer_size = std::clamp(bytes, 0, 0xFFFF);
}

void ProtoV2PrinterService::SetSendBufferFrames(bool send) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->send_buffer_frames = send;
}

void ProtoV2PrinterService::SetReturnBufferSpace(bool give_back) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->give_back = give_back;
}

void ProtoV2PrinterService::SetAnsweredPacketSize(std::optional<int> size) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->answered_size = size;
}

void ProtoV2PrinterService::SetAnswerSetup(bool answer) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->answer_setup = answer;
}

void ProtoV2PrinterService::SetReceivedCountOffset(int offset) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->received_offset = offset;
}

void ProtoV2PrinterService::SetResendTimeoutMs(int timeout_ms) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->resend_timeout_ms = std::max(1, timeout_ms);
}

ProtoV2PrinterService::Stats ProtoV2PrinterService::GetStats() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->stats;
}

std::string ProtoV2PrinterService::ServiceUuid() const {
  return kServiceUuid;
}

std::vector<CharacteristicSpec> ProtoV2PrinterService::Characteristics() const {
  return {{kNotifyUuid, kPropertyNotify},
          {kWriteUuid, kPropertyWriteWithoutResponse | kPropertyWrite}};
}

void ProtoV2PrinterService::OnSubscriptionChanged(const std::string &characteristic, bool enabled) {
  if (characteristic != kNotifyUuid || !enabled) return;
  Bytes frame;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->send_buffer_frames) return;
    frame = state_->SpaceFrame(false, std::min(state_->buffer_size, 8192));
  }
  state_->Send(frame);
}

void ProtoV2PrinterService::OnDisconnected() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->active = false;
  state_->waiting.clear();
  state_->held = 0;
}

uint64_t ProtoV2PrinterService::ProtocolErrors() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->stats.overruns;
}

bool ProtoV2PrinterService::OnWrite(const std::string &characteristic, const uint8_t *data,
                                    size_t count, bool) {
  if (characteristic != kWriteUuid) return false;
  std::vector<Bytes> replies;
  std::vector<Bytes> accepted;
  bool arm_watchdog = false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    State &s = *state_;
    size_t pos = 0;
    while (pos < count) {
      const uint8_t *frame = data + pos;
      const size_t left = count - pos;
      if (frame[0] == 0) {
        // A control frame; its length is byte 1.
        if (left < 2 || frame[1] < 2 || frame[1] > left) break;
        const size_t length = frame[1];
        if (length >= 10 && frame[2] == 0x02) {
          // Setup of a new group: packet count and packet size.
          ++s.stats.setups;
          s.count = frame[3] | (frame[4] << 8);
          const int size = frame[5];
          s.active = s.count > 0;
          s.got.assign(static_cast<size_t>(s.count), false);
          s.waiting.clear();
          s.held = 0;
          s.next = 0;
          s.highest = -1;
          s.payload = std::max(0, size - 4);
          if (s.send_buffer_frames)
            replies.push_back(s.SpaceFrame(false, std::min(s.buffer_size, 8192)));
          if (s.answer_setup) {
            const int echoed = s.answered_size.value_or(size);
            replies.push_back(
                {0x00, 0x0A, 0x03, frame[3], frame[4], static_cast<uint8_t>(echoed), 0, 0, 0, 0});
          }
        }
        pos += length;
        continue;
      }
      // A group packet: length, check, index, data.
      const size_t length = frame[0];
      if (length < 5 || length > left) {
        ++s.stats.bad_packets;
        break;
      }
      pos += length;
      uint8_t check = frame[0] ^ frame[2] ^ frame[3];
      for (size_t i = 4; i < length; ++i) check ^= frame[i];
      const int index = frame[2] | (frame[3] << 8);
      if (check != frame[1] || !s.active || index >= s.count) {
        ++s.stats.bad_packets;
        continue;
      }
      ++s.stats.packets;
      ++s.activity;
      if (s.got[index]) {
        ++s.stats.duplicates;
        continue;
      }
      const int m = static_cast<int>(length) - 4;
      if (m > s.space) {
        ++s.stats.overruns;
        continue;
      }
      s.space -= m;
      s.got[index] = true;
      s.waiting[index] = Bytes(frame + 4, frame + length);
      s.held += static_cast<uint64_t>(m);
      if (index > s.highest + 1) AskForMissing(s.stats, s.got, s.highest + 1, index - 1, replies);
      s.highest = std::max(s.highest, index);
      // Hand on what is now in order, and give its space back.
      while (!s.waiting.empty() && s.waiting.begin()->first == s.next) {
        Bytes bytes = std::move(s.waiting.begin()->second);
        s.waiting.erase(s.waiting.begin());
        s.held -= bytes.size();
        if (s.give_back && s.send_buffer_frames) {
          replies.push_back(s.SpaceFrame(true, static_cast<int>(bytes.size())));
        }
        accepted.push_back(std::move(bytes));
        ++s.next;
      }
      s.stats.held_high_water = std::max(s.stats.held_high_water, s.held);
      if (s.next == s.count) {
        s.active = false;
        ++s.stats.groups_completed;
        const int reported = s.count + s.received_offset;
        replies.push_back({0x00, 0x0A, 0x05, static_cast<uint8_t>(reported & 0xFF),
                           static_cast<uint8_t>((reported >> 8) & 0xFF), 0, 0, 0, 0, 0});
      } else if (!s.watchdog) {
        s.watchdog = true;
        arm_watchdog = true;
      }
    }
  }
  for (const auto &bytes : accepted) Accept(bytes.data(), bytes.size());
  for (const auto &reply : replies) state_->Send(reply);
  if (arm_watchdog) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    State::ArmWatchdog(state_, state_->activity);
  }
  return true;
}

void ProtoV2PrinterService::SendToHost(const uint8_t *data, size_t count) {
  // Data frames: total length, two bytes 00 00, then at most 252 payload bytes.
  Bytes stream;
  for (size_t offset = 0; offset < count; offset += 252) {
    const size_t n = std::min<size_t>(252, count - offset);
    stream.push_back(static_cast<uint8_t>(n + 3));
    stream.push_back(0);
    stream.push_back(0);
    stream.insert(stream.end(), data + offset, data + offset + n);
  }
  NotifyInPieces(kNotifyUuid, stream);
}

bool ProtoV2PrinterService::SendRawNotification(const Bytes &bytes) {
  if (bytes.size() == 10 && bytes[0] == 0x00 && bytes[1] == 0x0A && bytes[2] == 0x01 &&
      bytes[3] <= 1) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->Book(bytes[3] == 1, bytes[4] | (bytes[5] << 8));
  }
  return Notify(kNotifyUuid, bytes.data(), bytes.size());
}

}  // namespace velmora::ble_sim
