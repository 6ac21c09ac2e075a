#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ble/WriteTimeUp.h"
#include "support/Pattern.h"
#include "support/ScheduleChecks.h"
#include "support/VirtualLink.h"
#include "support/Wait.h"
#include "velmora/ble_simulation.hpp"
#include "velmora/nzio_ble_channels.hpp"
#include "velmora/velmora.h"

namespace velmora::test {

// One way the library reaches a printer: a channel facade or a port.
class Endpoint {
 public:
  virtual ~Endpoint() = default;
  // Opens; on an open endpoint this is a second open, which the API answers its own way.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() = 0;
  virtual int Write(const uint8_t *data, int count, int timeout_ms) = 0;
  virtual int Read(uint8_t *buffer, int count, int timeout_ms) = 0;
};

template <typename Facade>
class FacadeEndpoint final : public Endpoint {
 public:
  explicit FacadeEndpoint(std::string address) : address_(std::move(address)) {}
  bool Open() override { return facade_.OpenAddress(address_.c_str()); }
  void Close() override { facade_.Close(); }
  bool IsOpen() override { return facade_.IsOpened(); }
  int Write(const uint8_t *data, int count, int timeout_ms) override {
    return facade_.Write(const_cast<uint8_t *>(data), count, timeout_ms);
  }
  int Read(uint8_t *buffer, int count, int timeout_ms) override {
    return facade_.Read(buffer, count, timeout_ms);
  }

 private:
  Facade facade_;
  std::string address_;
};

// A port; a second open of its printer is refused while the first port holds it.
class PortEndpoint final : public Endpoint {
 public:
  using OpenFunction = void *(*)(const char *address, int autoreplymode);
  PortEndpoint(OpenFunction open, std::string address)
      : open_(open), address_(std::move(address)) {}
  ~PortEndpoint() override { Close(); }
  bool Open() override {
    // A port that closed itself (its link failed) is let go first.
    if (handle_ && !IsOpen()) Close();
    void *handle = open_(address_.c_str(), 0);
    if (handle && handle_) ADD_FAILURE() << "a second port took a printer already held";
    if (handle) handle_ = handle;
    return handle != nullptr;
  }
  void Close() override {
    if (handle_) VP_Port_Close(handle_);
    handle_ = nullptr;
  }
  bool IsOpen() override { return handle_ && VP_Port_IsOpened(handle_) == 1; }
  int Write(const uint8_t *data, int count, int timeout_ms) override {
    return handle_ ? VP_Port_Write(handle_, data, static_cast<uint32_t>(count),
                                   static_cast<uint32_t>(timeout_ms))
                   : -1;
  }
  int Read(uint8_t *buffer, int count, int timeout_ms) override {
    return handle_ ? VP_Port_Read(handle_, buffer, static_cast<uint32_t>(count),
                                  static_cast<uint32_t>(timeout_ms))
                   : -1;
  }

 private:
  OpenFunction open_;
  std::string address_;
  void *handle_ = nullptr;
};

// Seeded schedules of writes, reads, link drops, closes, reopens and second opens of one printer
// on the simulated radio, at link rates from the default down to one packet per 60 ms (slower
// links are the VirtualLink schedules' part), with lost writes, notifications and V2 received
// counts, and timeouts up to an hour. After every step: what the printer holds is what the writes
// returned, in order (a write that failed may have left a prefix of its bytes), no call ran long
// past its timeout nor a write long past the printer's last notification, and every byte a read
// returns came on the link the endpoint holds.
class RadioSchedule {
 public:
  using Bytes = std::vector<uint8_t>;

  // `chunks`: the protocol sends data as it is (V3), so the bytes the host put on the link tell
  // whether it skipped any; else the printer takes a group's packets in order only (V2).
  RadioSchedule(uint64_t seed, Endpoint &endpoint, ble_sim::VirtualPeripheral &printer,
                ble_sim::PrinterService &service, bool chunks)
      : random_(seed), endpoint_(endpoint), printer_(printer), service_(service), chunks_(chunks) {
    if (random_.Chance(0.5)) {
      rate_ = {random_.Uniform(1, 6), random_.Uniform(7500, 60000)};
    }
    write_loss_ = random_.Chance(0.5) ? 0 : random_.Uniform(1, 10);  // per mille
    notification_loss_ = random_.Chance(0.5) ? 0 : random_.Uniform(1, 10);
    const int count_loss = random_.Chance(0.5) ? 0 : random_.Uniform(100, 300);
    auto tap = tap_;
    const int loss = write_loss_;
    const uint64_t salt = static_cast<uint64_t>(random_.Uniform(0, 1 << 30));
    printer_.SetLossFilter([tap, loss, salt](uint64_t n, const uint8_t *data, size_t count) {
      const bool lost = Pattern(1, static_cast<uint32_t>(salt + n))[0] * 1000 < loss * 256;
      std::lock_guard<std::mutex> lock(tap->mutex);
      tap->sent.insert(tap->sent.end(), data, data + count);
      tap->lost += lost ? 1 : 0;
      return tap->lossy && lost;
    });
    const int notification_loss = notification_loss_;
    printer_.SetNotificationFilter(
        [tap, notification_loss, count_loss, salt](uint64_t n, const std::string &characteristic,
                                                   const uint8_t *data, size_t count) {
          std::lock_guard<std::mutex> lock(tap->mutex);
          const uint8_t draw = Pattern(1, static_cast<uint32_t>(salt + 7 * n + 3))[0];
          // A V2 received count: 00 0A 05 on the printer's frame characteristic.
          const bool received_count = characteristic == "2AF0" && count >= 3 && data[0] == 0x00 &&
                                      data[1] == 0x0A && data[2] == 0x05;
          const bool lost = tap->lossy && (draw * 1000 < notification_loss * 256 ||
                                           (received_count && draw * 1000 < count_loss * 256));
          if (!lost) tap->last_word = std::chrono::steady_clock::now();
          return ble_sim::NotificationFate{lost, 0};
        });
  }

  void Run(int steps) {
    for (int i = 0; i < steps && !::testing::Test::HasFatalFailure(); ++i) Step();
    if (!::testing::Test::HasFatalFailure()) Settle(nullptr, 0);
  }

 private:
  struct Tap {
    std::mutex mutex;
    Bytes sent;    // every write without response the link carried or lost, in order
    int lost = 0;  // how many of them it lost
    bool lossy = false;
    std::chrono::steady_clock::time_point last_word{};  // the latest notification it carried
  };
  struct Pending {
    Bytes data;
    size_t sent_from;                   // where its bytes begin in the tap
    size_t sent_to = kMaxSentPerWrite;  // and end, once a later write began
  };

  void Lossy(bool on) {
    std::lock_guard<std::mutex> lock(tap_->mutex);
    tap_->lossy = on;
  }
  // Opens at the default rate (the set-up's round trips), then runs the schedule's rate and faults.
  void Open() {
    Lossy(false);
    ble_sim::RestoreRadioDefaults();
    const bool opened = endpoint_.Open();
    ble_sim::SetLinkRate(rate_.packets_per_interval, rate_.interval_us);
    Lossy(true);
    if (opened) generation_ = printer_.Stats().connections;
  }

  void Step() {
    if (!endpoint_.IsOpen()) {
      Open();
      return;
    }
    switch (random_.Uniform(0, 19)) {
      case 0:
        printer_.DropLink();
        return;
      case 1:
        endpoint_.Close();
        return;
      case 2:
        Open();  // a second open
        return;
      case 3:
      case 4: {
        const Bytes tag(static_cast<size_t>(random_.Uniform(1, 300)),
                        static_cast<uint8_t>(printer_.Stats().connections));
        service_.SendToHost(tag);
        return;
      }
      case 5:
      case 6:
        Read();
        return;
      default:
        Write();
    }
  }

  void Read() {
    uint8_t buffer[512];
    const int n = endpoint_.Read(buffer, 512, random_.Uniform(0, 50));
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(buffer[i], static_cast<uint8_t>(generation_)) << "a byte of another link";
    }
  }

  void Write() {
    const int count = random_.Chance(0.1) ? 0 : random_.Uniform(1, 800);
    const int kinds[] = {0, random_.Uniform(1, 300), random_.Uniform(300, 3000), count + 3000};
    const int timeout = random_.Chance(0.15) ? kHourMs : kinds[random_.Uniform(0, 3)];
    const Bytes data = Pattern(static_cast<size_t>(count), ++writes_);
    Pending pending{data, 0};
    {
      std::lock_guard<std::mutex> lock(tap_->mutex);
      pending.sent_from = tap_->sent.size();
      for (Pending &p : pending_) p.sent_to = std::min(p.sent_to, pending.sent_from);
    }
    const auto start = std::chrono::steady_clock::now();
    const int result = WatchedWrite(data, start, timeout);
    const auto end = std::chrono::steady_clock::now();
    SCOPED_TRACE("write " + std::to_string(writes_) + " of " + std::to_string(count) + " in " +
                 std::to_string(timeout) + " ms -> " + std::to_string(result));
    // Past its time a write only finishes what it has in hand: a packet waiting for room, the
    // set-up of a group, the confirmations of what it sent, which it waits for until the printer
    // has been silent for WriteTimeUp::kSilenceMs.
    const long long last_word_ms = Ms(std::max(start, LastWord()) - start);
    EXPECT_LE(Ms(end - start), std::max<long long>(std::max(timeout, count + 3000) + ScaledMs(4000),
                                                   last_word_ms + MostMsPastLastWord()));
    EXPECT_LE(MsPastLastWord(start, end, LastWord()), MostMsPastLastWord());
    ASSERT_GE(result, -1);
    ASSERT_LE(result, count);
    const bool whole = result == count;
    if (result > 0 && (whole || chunks_)) {
      Settle(&data, result);  // exact
    } else {
      pending_.push_back(pending);  // checked with what comes next
    }
  }

  // A write stops waiting for a printer silent for WriteTimeUp::kSilenceMs, then settles; the
  // rest is the link's way to the host and the set-up of a group.
  static long long MostMsPastLastWord() {
    return ble::WriteTimeUp::kSilenceMs + ble::WriteTimeUp::kSettleMs + ScaledMs(2000);
  }
  std::chrono::steady_clock::time_point LastWord() {
    std::lock_guard<std::mutex> lock(tap_->mutex);
    return tap_->last_word;
  }

  // The write on a thread of its own: one still running long past the printer's last word is let
  // go by the link's end, so that the schedule fails instead of waiting out an hour.
  int WatchedWrite(const Bytes &data, std::chrono::steady_clock::time_point start, int timeout) {
    auto write = std::async(std::launch::async, [&] {
      return endpoint_.Write(data.data(), static_cast<int>(data.size()), timeout);
    });
    while (write.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      if (MsPastLastWord(start, std::chrono::steady_clock::now(), LastWord()) >
          MostMsPastLastWord() + ScaledMs(3000)) {
        ADD_FAILURE() << "a write still runs long past the printer's last notification";
        printer_.DropLink();
        break;
      }
    }
    return write.get();
  }

  // Checks what the printer took in since the last check: first what the failed writes before
  // left (a prefix of each), then exactly the first `result` bytes of `data`.
  void Settle(const Bytes *data, int result) {
    Bytes accepted;
    if (data) {
      ASSERT_TRUE(service_.WaitForAccepted(checked_ + static_cast<size_t>(result), 5000));
    } else {
      // The end: what failed writes had on the link arrives or is dropped with it shortly.
      std::this_thread::sleep_for(std::chrono::milliseconds(ScaledMs(200)));
    }
    accepted = service_.Accepted();
    ASSERT_GE(accepted.size(), checked_ + static_cast<size_t>(result));
    const Bytes tail(accepted.begin() + static_cast<long>(checked_),
                     accepted.end() - static_cast<long>(result));
    if (data) {
      ASSERT_TRUE(std::equal(data->begin(), data->begin() + result,
                             accepted.end() - static_cast<long>(result)))
          << "the count is not what the printer holds";
    }
    CheckFailedWrites(tail);
    checked_ = accepted.size();
  }

  // `tail` is what the printer took in from the failed writes since the last check.
  void CheckFailedWrites(const Bytes &tail) {
    std::lock_guard<std::mutex> lock(tap_->mutex);
    Bytes joined;
    for (const Pending &p : pending_) {
      const size_t end = std::min(tap_->sent.size(), p.sent_to);
      if (chunks_) {
        // The host never skips a chunk: what it put on the link is a prefix of the data.
        const Bytes sent(tap_->sent.begin() + static_cast<long>(p.sent_from),
                         tap_->sent.begin() + static_cast<long>(end));
        const size_t n = std::min(sent.size(), p.data.size());
        ASSERT_TRUE(std::equal(p.data.begin(), p.data.begin() + static_cast<long>(n), sent.begin()))
            << "a hole in what the host sent";
      }
      joined.insert(joined.end(), p.data.begin(), p.data.end());
    }
    if (!chunks_ || tap_->lost == pending_lost_) {
      // Without losses (or where the printer takes packets in order only) the failed writes left
      // a prefix of each in turn: at most all of the first ones and a prefix of the next.
      ASSERT_TRUE(PrefixesInTurn(tail));
    }
    pending_lost_ = tap_->lost;
    pending_.clear();
  }

  bool PrefixesInTurn(const Bytes &tail) const {
    size_t at = 0;
    for (const Pending &p : pending_) {
      size_t k = 0;
      while (k < p.data.size() && at + k < tail.size() && p.data[k] == tail[at + k]) ++k;
      at += k;
    }
    return at == tail.size();
  }

  static constexpr int kHourMs = 3600000;
  // Where a failed write's bytes in the tap end while no later write began.
  static constexpr size_t kMaxSentPerWrite = static_cast<size_t>(-1);

  ScheduleRandom random_;
  Endpoint &endpoint_;
  ble_sim::VirtualPeripheral &printer_;
  ble_sim::PrinterService &service_;
  const bool chunks_;
  VirtualLink::Rate rate_{ble_sim::kDefaultPacketsPerInterval, ble_sim::kDefaultIntervalUs};
  int write_loss_ = 0;
  int notification_loss_ = 0;
  std::shared_ptr<Tap> tap_ = std::make_shared<Tap>();
  std::vector<Pending> pending_;
  int pending_lost_ = 0;
  size_t checked_ = 0;
  uint64_t generation_ = 0;
  uint32_t writes_ = 0;
};

}  // namespace velmora::test
