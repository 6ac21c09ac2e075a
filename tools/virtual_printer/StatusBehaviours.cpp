#include "StatusBehaviours.h"

#include <chrono>
#include <utility>

namespace velmora::vprinter {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

RealTimeStatusBehaviour::RealTimeStatusBehaviour() {
  scanner_.Add({0x10, 0x04}, 1, [this](const Bytes &args) {
    const int n = args[0];
    if (n < 1 || n > 4) return;
    ++requests_[n - 1];
    if (!answering_ || busy_) return;
    int delay_ms = delay_ms_;
    if (!next_delays_ms_.empty()) {
      delay_ms = next_delays_ms_.front();
      next_delays_ms_.pop_front();
    }
    // Answers keep their order: once one is delayed, those after it wait too.
    if (delay_ms > 0 || !delayed_.empty()) {
      delayed_.emplace_back(NowMs() + delay_ms, answers_[n - 1]);
    } else {
      pending_.push_back(answers_[n - 1]);
    }
  });
}

void RealTimeStatusBehaviour::SetAnswerDelayMs(int delay_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  delay_ms_ = delay_ms;
}

void RealTimeStatusBehaviour::SetNextAnswerDelaysMs(std::deque<int> delays_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  next_delays_ms_ = std::move(delays_ms);
}

void RealTimeStatusBehaviour::SetIgnoringWhileAnswering(bool ignoring) {
  std::lock_guard<std::mutex> lock(mutex_);
  ignoring_while_answering_ = ignoring;
}

void RealTimeStatusBehaviour::OnTick(VirtualPrinter &, const Reply &send) {
  Bytes due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t now = NowMs();
    while (!delayed_.empty() && delayed_.front().first <= now) {
      due.push_back(delayed_.front().second);
      delayed_.pop_front();
    }
  }
  if (!due.empty()) send(due);
}

void RealTimeStatusBehaviour::SetAnswer(int n, uint8_t byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (n >= 1 && n <= 4) answers_[n - 1] = byte;
}

void RealTimeStatusBehaviour::SetBit(int n, uint8_t bit, bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint8_t &b = answers_[n - 1];
  b = static_cast<uint8_t>(on ? (b | bit) : (b & ~bit));
}

void RealTimeStatusBehaviour::SetOffline(bool offline) {
  SetBit(1, kOffline, offline);
}
void RealTimeStatusBehaviour::SetPaperOut(bool out) {
  SetBit(2, kNoPaper, out);
  SetBit(4, kNearEnd, out);
}
void RealTimeStatusBehaviour::SetPaperNearEnd(bool near_end) {
  SetBit(4, kNearEnd, near_end);
}

void RealTimeStatusBehaviour::SetAnswering(bool answering) {
  std::lock_guard<std::mutex> lock(mutex_);
  answering_ = answering;
}

size_t RealTimeStatusBehaviour::RequestCount(int n) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return n >= 1 && n <= 4 ? requests_[n - 1] : 0;
}

void RealTimeStatusBehaviour::OnReceived(VirtualPrinter &, const uint8_t *data, size_t count,
                                         const Reply &reply) {
  Bytes answer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Busy with the answers to an earlier chunk's requests.
    busy_ = ignoring_while_answering_ && !delayed_.empty();
    scanner_.Feed(data, count);
    answer.swap(pending_);
  }
  if (!answer.empty()) reply(answer);
}

PrintResultBehaviour::PrintResultBehaviour() {
  scanner_.Add({0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30}, 4, [this](const Bytes &args) {
    if (args[1] != 0 || args[2] != 0 || args[3] != 0) return;
    ids_.push_back(args[0]);
    if (answering_) waiting_.push_back(args[0]);
  });
}

void PrintResultBehaviour::SetPrintingHeld(bool held) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = held;
}

void PrintResultBehaviour::SetAnswering(bool answering) {
  std::lock_guard<std::mutex> lock(mutex_);
  answering_ = answering;
}

std::vector<uint8_t> PrintResultBehaviour::QueryIds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ids_;
}

void PrintResultBehaviour::OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                                      const Reply &reply) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scanner_.Feed(data, count);
  }
  OnTick(printer, reply);
}

void PrintResultBehaviour::OnTick(VirtualPrinter &, const Reply &send) {
  Bytes out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_) return;
    for (uint8_t id : waiting_) {
      const Bytes r = ReplyFor(id);
      out.insert(out.end(), r.begin(), r.end());
    }
    waiting_.clear();
  }
  if (!out.empty()) send(out);
}

Bytes AutoReplyBehaviour::Packet(uint8_t type, const std::array<uint8_t, 5> &data) {
  Bytes p = {0x53, data[0], data[1], data[2], data[3], data[4], type, 0};
  uint8_t x = 0;
  for (size_t i = 0; i + 1 < p.size(); ++i) x ^= p[i];
  p.back() = x;
  return p;
}

AutoReplyBehaviour::AutoReplyBehaviour() {
  scanner_.Add({0x1F, 0x1B, 0x1F, 0x88, 0x04, 0x05, 0x06}, 1, [this](const Bytes &args) {
    enabled_ = args[0] != 0;
    if (enabled_) MarkAllChanged();
  });
  scanner_.Add({0x1F, 0x28, 0x4C, 0x05, 0x00, 0x33}, 4, [this](const Bytes &args) {
    label_print_dots_ = static_cast<int16_t>(args[0] | args[1] << 8);
    label_tear_dots_ = static_cast<int16_t>(args[2] | args[3] << 8);
    label_changed_ = true;
  });
}

void AutoReplyBehaviour::MarkAllChanged() {
  status_changed_ = resolution_changed_ = label_changed_ = true;
}

void AutoReplyBehaviour::SetEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  enabled_ = enabled;
  if (enabled_) MarkAllChanged();
}

bool AutoReplyBehaviour::enabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return enabled_;
}

void AutoReplyBehaviour::SetSilent(bool silent) {
  std::lock_guard<std::mutex> lock(mutex_);
  silent_ = silent;
}

void AutoReplyBehaviour::SetPeriodMs(int period_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  period_ms_ = period_ms;
}

void AutoReplyBehaviour::SetStatus(uint16_t error_status, uint16_t info_status) {
  std::lock_guard<std::mutex> lock(mutex_);
  error_status_ = error_status;
  info_status_ = info_status;
  status_changed_ = true;
}

void AutoReplyBehaviour::SetResolution(uint8_t width_mm, uint8_t height_mm, uint8_t dots_per_mm) {
  std::lock_guard<std::mutex> lock(mutex_);
  width_mm_ = width_mm;
  height_mm_ = height_mm;
  dots_per_mm_ = dots_per_mm;
  resolution_changed_ = true;
}

void AutoReplyBehaviour::SetLabelAdjustment(int16_t print_dots, int16_t tear_dots) {
  std::lock_guard<std::mutex> lock(mutex_);
  label_print_dots_ = print_dots;
  label_tear_dots_ = tear_dots;
  label_changed_ = true;
}

void AutoReplyBehaviour::ReportPrintedPage(uint32_t page_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  printed_pages_.push_back(page_id);
}

size_t AutoReplyBehaviour::StatusPacketsSent() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_sent_;
}

std::array<int16_t, 2> AutoReplyBehaviour::LabelAdjustment() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {label_print_dots_, label_tear_dots_};
}

void AutoReplyBehaviour::OnReceived(VirtualPrinter &, const uint8_t *data, size_t count,
                                    const Reply &) {
  std::lock_guard<std::mutex> lock(mutex_);
  received_count_ += static_cast<uint32_t>(count);
  scanner_.Feed(data, count);
}

void AutoReplyBehaviour::OnTick(VirtualPrinter &, const Reply &send) {
  Bytes out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!enabled_ || silent_) return;
    const auto u8 = [](uint32_t v, int shift) { return static_cast<uint8_t>(v >> shift); };
    const auto append = [&out](const Bytes &p) { out.insert(out.end(), p.begin(), p.end()); };
    if (resolution_changed_) {
      append(Packet(0x04, {width_mm_, height_mm_, dots_per_mm_, 0, 0}));
      resolution_changed_ = false;
    }
    if (label_changed_) {
      const auto p = static_cast<uint16_t>(label_print_dots_);
      const auto t = static_cast<uint16_t>(label_tear_dots_);
      append(Packet(0x05, {u8(p, 0), u8(p, 8), u8(t, 0), u8(t, 8), 0}));
      label_changed_ = false;
    }
    if (received_count_ != reported_count_) {
      const uint32_t c = received_count_;
      append(Packet(0x02, {u8(c, 0), u8(c, 8), u8(c, 16), u8(c, 24), 0}));
      reported_count_ = c;
    }
    for (uint32_t id : printed_pages_) {
      append(Packet(0x03, {u8(id, 0), u8(id, 8), u8(id, 16), u8(id, 24), 0}));
    }
    printed_pages_.clear();
    const int64_t now = NowMs();
    if (status_changed_ || now - last_status_ms_ >= period_ms_) {
      append(Packet(0x01, {u8(error_status_, 0), u8(error_status_, 8), u8(info_status_, 0),
                           u8(info_status_, 8), 0}));
      status_changed_ = false;
      last_status_ms_ = now;
      ++status_sent_;
    }
  }
  if (!out.empty()) send(out);
}

}  // namespace velmora::vprinter
