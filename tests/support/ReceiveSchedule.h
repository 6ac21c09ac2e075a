#pragma once

// A schedule for the whole receive path: what a scripted printer sends (data, status packets,
// device answers, firmware answers, cut anywhere, paused under and over the hold bound,
// duplicated, hung up at any point), what a reader does between (reads, skips, status and
// serial-number queries, some answered late), and a model of what each reader call must get.
// Header-only, so that the fuzz targets drive the same schedules and model as the tests.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "core/printer/DevicePackage.h"
#include "core/printer/XorCheck.h"

namespace velmora::test::schedule {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSerialNumber = 0x4E;
constexpr uint32_t kFirmwareVersion = 0x46;
// What the printer answers to the firmware request of an automatic-status open.
inline const std::string kOpeningFirmware = "VP-80 V2.31";

// Where the schedule's choices come from: a seed, or the bytes of a fuzz input.
class Choices {
 public:
  explicit Choices(uint32_t seed) : state_(seed * 2654435761u | 1u) {}
  Choices(const uint8_t *bytes, size_t size) : bytes_(bytes), size_(size), state_(1) {}
  uint32_t Below(uint32_t n) {
    uint32_t x = 0;
    if (bytes_ != nullptr) {
      for (int i = 0; i < 2; ++i) x = x << 8 | (at_ < size_ ? bytes_[at_++] : 0);
    } else {
      state_ ^= state_ << 13;
      state_ ^= state_ >> 17;
      state_ ^= state_ << 5;
      x = state_ >> 8;
    }
    return n == 0 ? 0 : x % n;
  }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  const uint8_t *bytes_ = nullptr;
  size_t size_ = 0;
  size_t at_ = 0;
  uint32_t state_;
};

enum class Kind { kData, kStatus, kDevice, kFirmware };

struct Step {
  enum Action {
    kSend,         // the next piece of an item
    kPause,        // a pause well under the hold bound (`count` ms)
    kSettle,       // a pause past the hold bound: whatever was held is decided
    kRead,         // read `count` bytes (at most those due)
    kSkip,         // VP_Port_SkipAvailable
    kQuery,        // VP_Pos_QueryRTStatus; the printer answers DLE EOT 4 with `answer4`
    kLateQuery,    // the same, the printer answering after the first resend
    kSerialQuery,  // VP_Proto_QuerySerialNumber; the printer answers with `bytes`
    kHangUp,       // the printer closes the connection
  };
  Action action = kSend;
  Bytes bytes;
  Kind kind = Kind::kData;
  bool last = false;  // kSend: the item's last piece
  size_t count = 0;
  uint8_t answer4 = 0x12;
};

// The real-time status answers the printer gives, with `answer4` for DLE EOT 4.
inline Bytes StatusAnswers(uint8_t answer4) {
  return {0x16, 0x12, 0x12, answer4};
}

inline Bytes StatusPacket(uint16_t error) {
  Bytes p = {'S', static_cast<uint8_t>(error), static_cast<uint8_t>(error >> 8), 0xC0, 0x00, 0x00,
             0x01};
  p.push_back(core::XorOf(p.data(), p.size()));
  return p;
}

inline Bytes DeviceAnswer(uint32_t parameter, const Bytes &data) {
  return *core::DevicePackage::Build(0x01, 0x3F, parameter, data);
}

// What the reader must get: the bytes due to it, the printer's last status word and firmware
// version; and every byte the printer sent, in order, to tell whether a schedule is fair.
class Model {
 public:
  Model() { Answered(DeviceAnswer(kFirmwareVersion, Text(kOpeningFirmware)), true); }

  void Sent(const Step &piece) {
    if (item_.empty()) item_start_ = log_.size();
    item_.insert(item_.end(), piece.bytes.begin(), piece.bytes.end());
    log_.insert(log_.end(), piece.bytes.begin(), piece.bytes.end());
    if (piece.kind == Kind::kStatus && !broken_) {
      held_.insert(held_.end(), piece.bytes.begin(), piece.bytes.end());
    } else {
      due_.insert(due_.end(), piece.bytes.begin(), piece.bytes.end());
    }
    if (!piece.last) return;
    // A packet or an answer is meant to be one when sent whole, nothing between its pieces.
    if (piece.kind != Kind::kData && log_.size() - item_start_ == item_.size()) {
      meant_.push_back(item_start_);
    }
    if (piece.kind == Kind::kStatus && !broken_) error_ = item_[1] | item_[2] << 8;
    if (piece.kind == Kind::kFirmware) {
      const auto text = item_.begin() + core::DevicePackage::kHeaderSize;
      firmware_.assign(text, std::find(text, item_.end(), 0));
    }
    item_.clear();
    held_.clear();
    broken_ = false;
  }
  // A pause past the hold bound, or the end of the link: a status packet begun is data.
  void Settled() {
    due_.insert(due_.end(), held_.begin(), held_.end());
    held_.clear();
    broken_ = !item_.empty();
  }
  // A discard. A status packet begun still counts after a skip (its rest comes next, in one
  // piece); after a query, whose answers come first, the rest of it is data.
  void Discarded(bool by_query) {
    due_.clear();
    held_.clear();
    if (by_query && !item_.empty()) broken_ = true;
  }
  // Bytes the printer sent in answer to the reader: due to it unless a query took them.
  void Answered(const Bytes &bytes, bool due) {
    if (bytes.size() >= core::DevicePackage::kHeaderSize) meant_.push_back(log_.size());
    log_.insert(log_.end(), bytes.begin(), bytes.end());
    if (due) due_.insert(due_.end(), bytes.begin(), bytes.end());
  }
  Bytes Take(size_t count) {
    count = std::min(count, due_.size());
    Bytes taken(due_.begin(), due_.begin() + static_cast<std::ptrdiff_t>(count));
    due_.erase(due_.begin(), due_.begin() + static_cast<std::ptrdiff_t>(count));
    return taken;
  }
  size_t due() const { return due_.size(); }
  int64_t error() const { return error_; }
  const std::string &firmware() const { return firmware_; }

  // True when no bytes in the log make a status packet or a device header that the printer did
  // not mean to send: a fair schedule, whose outcome does not rest on such chances.
  bool Fair() const {
    const auto meant = [this](size_t at) {
      return std::find(meant_.begin(), meant_.end(), at) != meant_.end();
    };
    for (size_t i = 0; i + 8 <= log_.size(); ++i) {
      if (log_[i] != 'S' || meant(i)) continue;
      if (log_[i + 6] >= 1 && log_[i + 6] <= 5 && core::XorOf(&log_[i], 8) == 0) return false;
    }
    for (size_t i = 0; i + core::DevicePackage::kHeaderSize <= log_.size(); ++i) {
      if (log_[i] == 0x03 && !meant(i) && core::XorOf(&log_[i], 12) == 0) return false;
    }
    return true;
  }

  static Bytes Text(const std::string &text) { return Bytes(text.begin(), text.end()); }

 private:
  std::deque<uint8_t> due_;
  Bytes item_;           // the item being sent
  Bytes held_;           // the status packet being sent, while it may still count
  bool broken_ = false;  // it will not
  int64_t error_ = 0;
  std::string firmware_ = kOpeningFirmware;
  Bytes log_;
  size_t item_start_ = 0;
  std::vector<size_t> meant_;  // where packets and answers sent whole begin
};

// The model after a schedule that went to plan: every query answered once, a late one twice.
inline Model Simulate(const std::vector<Step> &steps) {
  Model model;
  for (const Step &step : steps) {
    switch (step.action) {
      case Step::kSend:
        model.Sent(step);
        break;
      case Step::kSettle:
      case Step::kHangUp:
        model.Settled();
        break;
      case Step::kSkip:
        model.Discarded(false);
        break;
      case Step::kQuery:
      case Step::kLateQuery:
        model.Discarded(true);
        model.Answered(StatusAnswers(step.answer4), false);
        if (step.action == Step::kLateQuery) model.Answered(StatusAnswers(step.answer4), true);
        break;
      case Step::kSerialQuery:
        model.Answered(DeviceAnswer(kSerialNumber, step.bytes), true);
        break;
      case Step::kRead:
        model.Take(step.count);
        break;
      case Step::kPause:
        break;
    }
  }
  return model;
}

// One item's bytes: text that may end like a packet start, a status packet, a (stale) serial
// answer or a firmware answer.
inline Bytes MakeItem(Choices &c, Kind kind, uint16_t &error) {
  static const char kLetters[] = "SSSTAOK\r\n\x03\x10 ";
  Bytes text(1 + c.Below(12));
  for (auto &b : text) b = static_cast<uint8_t>(kLetters[c.Below(sizeof kLetters - 1)]);
  switch (kind) {
    case Kind::kData:
      return text;
    case Kind::kStatus:
      return StatusPacket(error = static_cast<uint16_t>(error + 1 + c.Below(3)));
    case Kind::kDevice:
      return DeviceAnswer(kSerialNumber, text);
    case Kind::kFirmware:
      return DeviceAnswer(kFirmwareVersion, Model::Text("V" + std::to_string(c.Below(1000))));
  }
  return text;
}

// A schedule from `c`.
inline std::vector<Step> Generate(Choices &c) {
  std::vector<Step> steps;
  uint16_t error = 0;
  bool late_used = false;
  const auto reader_step = [&](bool inside_item) {
    Step s;
    switch (c.Below(inside_item ? 5 : 8)) {
      case 0:
        s.action = Step::kSettle;
        break;
      case 1:
        s.action = Step::kRead;
        s.count = 1 + c.Below(16);
        break;
      case 2:
        s.action = Step::kSkip;
        break;
      case 3:
        s.action = Step::kPause;
        s.count = c.Below(15);
        break;
      case 4:
        s.action = Step::kQuery;
        s.answer4 = c.OneIn(2) ? 0x12 : 0x1A;
        break;
      case 5:
        s.action = late_used ? Step::kQuery : Step::kLateQuery;
        late_used = true;
        break;
      default:
        s.action = Step::kSerialQuery;
        s.bytes = Model::Text(std::string(c.Below(6), 'S') + "N7");
        break;
    }
    return s;
  };
  const size_t items = 5 + c.Below(8);
  for (size_t i = 0; i < items; ++i) {
    const auto kind = static_cast<Kind>(c.Below(4));
    const Bytes bytes = MakeItem(c, kind, error);
    bool settled = false;  // device answers pause past the hold bound once at most
    // A device answer is sometimes sent twice, as a retry would be.
    for (int copy = 0; copy < ((kind == Kind::kDevice && c.OneIn(3)) ? 2 : 1); ++copy) {
      size_t at = 0;
      while (at < bytes.size()) {
        size_t piece =
            c.OneIn(2) ? bytes.size() - at : 1 + c.Below(static_cast<uint32_t>(bytes.size() - at));
        Step send{Step::kSend, {}, kind, false};
        Step between;
        bool has_between = false;
        if (at + piece < bytes.size() && c.OneIn(2)) {
          between = reader_step(true);
          // Queries would split device answers; after a skip the rest comes in one piece.
          const bool answer = kind == Kind::kDevice || kind == Kind::kFirmware;
          if (answer && between.action == Step::kQuery) between.action = Step::kSkip;
          // A read that waited for held bytes would end a status packet's pause too.
          if (kind == Kind::kStatus && between.action == Step::kRead) between.action = Step::kPause;
          if (answer && between.action == Step::kSettle && std::exchange(settled, true)) {
            between.action = Step::kPause;
          }
          has_between = between.action != Step::kSerialQuery && between.action != Step::kLateQuery;
        }
        send.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + piece));
        at += piece;
        send.last = at == bytes.size();
        steps.push_back(send);
        if (has_between) {
          steps.push_back(between);
          if (between.action == Step::kSkip) {
            steps.push_back({Step::kSend,
                             Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end()),
                             kind, true});
            at = bytes.size();
          }
        }
      }
    }
    if (c.OneIn(2)) steps.push_back(reader_step(false));
  }
  // Hung up at any point, or not at all; then the reader takes everything due.
  if (c.OneIn(2)) {
    Step hang_up;
    hang_up.action = Step::kHangUp;
    steps.insert(steps.begin() +
                     static_cast<std::ptrdiff_t>(1 + c.Below(static_cast<uint32_t>(steps.size()))),
                 hang_up);
  }
  const auto hang_up = std::find_if(steps.begin(), steps.end(),
                                    [](const Step &s) { return s.action == Step::kHangUp; });
  if (hang_up != steps.end()) steps.erase(hang_up + 1, steps.end());
  steps.push_back({Step::kRead, {}, Kind::kData, false, SIZE_MAX});
  return steps;
}

}  // namespace velmora::test::schedule

namespace velmora::test::schedule {

// The fair schedule of `seed`: the first of its attempts whose bytes hold nothing by chance.
inline std::vector<Step> FairSchedule(uint32_t seed) {
  for (uint32_t attempt = 0;; ++attempt) {
    Choices c(seed + attempt * 7919u);
    std::vector<Step> steps = Generate(c);
    if (Simulate(steps).Fair()) return steps;
  }
}

}  // namespace velmora::test::schedule
