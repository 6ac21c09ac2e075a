#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "ble/GattPacketLink.h"
#include "ble/WaitClock.h"

namespace velmora::test {

// A Bluetooth LE link with its printer in virtual time, for schedule tests of the write engines
// (the code the standalone channels and the ports both run). It keeps the link's rules as the
// simulated radio does: packets move only at connection events, a few each way per event, in
// order; the platform queues at most kQueueLength writes without response; one request (write
// with response) at a time. Time passes only while the engine waits on it, so a 4 s connection
// interval costs nothing, and one seed always plays out the same way.
//
// The engine under test uses the link as its GattPacketLink and as its WaitClock. The printer
// side is a Device that sees each write as it reaches the printer and answers with Notify.
class VirtualLink final : public ble::GattPacketLink, public ble::WaitClock {
 public:
  using Bytes = std::vector<uint8_t>;
  static constexpr int kQueueLength = 10;

  struct Rate {
    int packets_per_interval = 6;
    int interval_us = 7500;
  };
  // The printer's side. `OnWrite` answers a write with response (accepted or refused).
  class Device {
   public:
    virtual ~Device() = default;
    virtual bool OnWrite(const uint8_t *data, size_t count, bool with_response) = 0;
    // A new connection is up (notifications on).
    virtual void OnConnected() {}
  };
  // The host's side of a notification: which characteristic (the protocol's own numbering).
  using HostSink = std::function<void(int characteristic, const Bytes &value)>;

  VirtualLink(Rate rate, Device &device, HostSink host);

  // Faults, each decided per packet of the current connection by its sequence number from 0.
  std::function<bool(uint64_t)> lose_write;         // writes without response
  std::function<bool(uint64_t)> lose_notification;  // notifications and their content
  std::function<bool(uint64_t)> lose_answer;        // answers to writes with response
  // The link drops at this virtual time (once).
  std::optional<Clock::time_point> drop_at;

  void SetRate(Rate rate) { rate_ = rate; }
  // Every write without response the platform took, in order, whether the link then carried it
  // or lost it: what the host sent.
  const std::vector<Bytes> &Sent() const { return sent_; }
  // A new connection: the old one's queues are gone, the device hears of it.
  void Connect();
  void Drop();
  bool Failed() const { return failed_; }
  // Packets the faults above lost, over every connection.
  uint64_t Losses() const { return losses_; }
  // Printer to host, at the link's pace.
  void Notify(int characteristic, Bytes value);
  // Runs the link until `until`; with `wake_on_delivery`, returns after the first notification
  // or answer that reached the host.
  void RunUntil(Clock::time_point until, bool wake_on_delivery = false);
  // Runs until nothing is queued either way (or `limit` passed).
  void RunUntilQuiet(Clock::duration limit = std::chrono::seconds(120));
  // A device timer.
  void At(Clock::time_point when, std::function<void()> task);

  // GattPacketLink
  bool IsLinkUp() const override { return up_; }
  int WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) override;
  int WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) override;
  bool WritePending() const override;
  uint64_t WritesWithResponseSent() const override { return requests_sent_; }
  int AwaitPendingWrite(int count, int timeout_ms) override;
  void EndFailedLink() override;

  // WaitClock
  Clock::time_point Now() const override { return now_; }
  void WaitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &changed,
                 Clock::time_point until) override;
  void Sleep(Clock::duration pause) override { RunUntil(now_ + pause); }

 private:
  struct Up {
    Bytes data;
    bool with_response;
  };
  struct Down {
    int characteristic;  // -1: the answer to a write with response
    Bytes data;
    bool accepted = false;
  };
  Clock::time_point NextEvent() const;
  // One connection event: returns whether something reached the host.
  bool Tick();
  int AnswerBy(uint64_t write, int count, Clock::time_point deadline);

  Rate rate_;
  Device &device_;
  HostSink host_;
  Clock::time_point now_{};
  Clock::time_point anchor_{};
  Clock::time_point last_tick_ = Clock::time_point::min();
  bool up_ = false;
  bool failed_ = false;
  std::vector<Bytes> sent_;
  std::deque<Up> up_queue_;
  std::deque<Down> down_queue_;
  int queued_without_response_ = 0;
  bool request_outstanding_ = false;
  uint64_t writes_ = 0, notifications_ = 0, answers_ = 0;
  uint64_t losses_ = 0;
  uint64_t requests_sent_ = 0, requests_answered_ = 0;
  std::map<uint64_t, bool> answer_of_;
  std::multimap<Clock::time_point, std::function<void()>> timers_;
};

// Seeded choices of a schedule.
class ScheduleRandom {
 public:
  explicit ScheduleRandom(uint64_t seed) : engine_(seed) {}
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(engine_); }
  // A link rate from the default (6 packets per 7.5 ms) down to one packet per 4 s interval.
  VirtualLink::Rate Rate();

 private:
  std::mt19937_64 engine_;
};

}  // namespace velmora::test
