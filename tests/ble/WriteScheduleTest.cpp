// Schedules of protocol V2 and V3 writes on links from the default rate down to one packet per
// 4 s interval, with lost writes, notifications and credits, timeouts from 0 up, link drops and
// new connections, in virtual time. After every write: what the printer holds is what the writes
// returned, in order; a write that fails leaves at most a prefix of its bytes at the printer; no
// write runs long past its timeout or past the printer's last credit.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "ble/ProtoV2Engine.h"
#include "ble/ProtoV3Engine.h"
#include "ble/WriteTimeUp.h"
#include "support/Pattern.h"
#include "support/ScheduleChecks.h"
#include "support/VirtualLinkPrinters.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;
using Clock = VirtualLink::Clock;

// No write runs long past the printer's last word: the silence after which it stops waiting, its
// settle, and the packet in hand waiting for room.
constexpr long long kMostMsPastLastWord =
    ble::WriteTimeUp::kSilenceMs + ble::WriteTimeUp::kSettleMs + VirtualLink::kWriteRoomWaitMs;

constexpr int kHourMs = 3600000;

// How long a write that began at `start` with `timeout_ms` may run: past its time, the packet in
// hand and at least the settle; the settle runs on until the printer (its last word at
// `last_word`) has been silent for the silence bound.
long long MostMs(int timeout_ms, Clock::time_point start, Clock::time_point last_word) {
  const long long silence_end =
      Ms(std::max(start, last_word) - start) + ble::WriteTimeUp::kSilenceMs;
  return std::max<long long>(timeout_ms + ble::WriteTimeUp::kSettleMs, silence_end) +
         VirtualLink::kWriteRoomWaitMs;
}

// What one schedule draws for a write: its length and its timeout, from 0 to an hour.
struct WritePlan {
  int count;
  int timeout_ms;
};
WritePlan DrawWrite(ScheduleRandom &random) {
  const int count = random.Chance(0.1) ? 0 : random.Uniform(1, 3000);
  const int kinds[] = {0, random.Uniform(1, 300), random.Uniform(300, 8000), count + 3000, kHourMs};
  return {count, kinds[random.Uniform(0, 4)]};
}

// Link faults of one schedule, each kind of packet lost at its own rate (none for some seeds).
void DrawFaults(ScheduleRandom &random, VirtualLink &link) {
  auto rate = [&] { return random.Chance(0.4) ? 0.0 : random.Uniform(1, 100) / 1000.0; };
  link.lose_write = Losing(rate(), static_cast<uint64_t>(random.Uniform(0, 1 << 30)));
  link.lose_notification = Losing(rate(), static_cast<uint64_t>(random.Uniform(0, 1 << 30)));
}

// One schedule's bookkeeping: what the printer must hold, and the checks after every write.
struct Book {
  Bytes expected;
  std::string trace;

  // `held` is what the printer took in, `sent` what the host put on the link for this write (or
  // what the printer took of it, where the protocol resends), `result` the write's result.
  void Check(const Bytes &held, const Bytes &sent, const Bytes &data, int result, bool exact) {
    SCOPED_TRACE(trace);
    ASSERT_TRUE(IsPrefix(expected, held));
    const Bytes added(held.begin() + static_cast<long>(expected.size()), held.end());
    if (exact) {
      // The count is exact: the printer holds the first `result` bytes, nothing more.
      ASSERT_GE(result, 0);
      ASSERT_LE(result, static_cast<int>(data.size()));
      ASSERT_EQ(added, Bytes(data.begin(), data.begin() + result));
    } else {
      // Failed: at most a prefix of the data went out (the link may have lost some of it).
      ASSERT_LE(result, 0);
      ASSERT_TRUE(IsPrefix(sent, data)) << "a hole in the data after " << sent.size();
    }
    expected = held;
  }
};

// One step of a schedule: now and then a new open (a second open drops the first link), else a
// write the link may drop somewhere in its course, the channel's way or the port's.
template <typename Schedule>
void StepSchedule(Schedule &schedule, ScheduleRandom &random, VirtualLink &link) {
  if (!link.IsLinkUp() || random.Chance(0.03)) {
    if (link.IsLinkUp()) link.Drop();
    schedule.Open();
    return;
  }
  if (random.Chance(0.2)) link.drop_at = link.Now() + milliseconds(random.Uniform(0, 20000));
  schedule.Write(DrawWrite(random), random.Chance(0.5));
}

class V3Schedule {
 public:
  // A schedule of `seed`; a fixed case gives the rate and has no faults but its own.
  explicit V3Schedule(uint64_t seed, std::optional<VirtualLink::Rate> rate = std::nullopt)
      : random_(seed),
        link_(rate.value_or(random_.Rate()), printer_, [this](int c, const Bytes &v) {
          if (c == V3LinkPrinter::kFlowControl) {
            engine_.OnFlowControl(v.data(), v.size());
            if (v.size() == 2 && v[0] == 1) last_credit_ = link_.Now();
          }
        }) {
    printer_.link = &link_;
    engine_.setMaximumWriteValueLength(182);
    engine_.SetWaitClock(link_);
    if (rate) return;
    printer_.size = random_.Uniform(20, 180);
    printer_.credits_ahead = random_.Uniform(1, 24);
    engine_.setMaximumWriteValueLength(random_.Uniform(20, 182));
    DrawFaults(random_, link_);
  }

  // A new connection, as an open makes it: ready once the size and a credit came.
  void Open() {
    engine_.ResetForOpen();
    link_.Connect();
    link_.RunUntil(link_.Now() + milliseconds(10000));
    if (!engine_.HasSizeAndCredits()) link_.Drop();
  }

  void Step() { StepSchedule(*this, random_, link_); }

  // One write through the channel's or the port's way into the engine, and the checks after it.
  int Write(const WritePlan &plan, bool port) {
    // The channel raises a short timeout; the port waits for a credit within its own.
    const int timeout =
        port ? plan.timeout_ms : ble::RaisedWriteTimeout(plan.timeout_ms, plan.count);
    const size_t sent_before = link_.Sent().size();
    const Bytes data = Pattern(static_cast<size_t>(plan.count), ++writes_);
    const uint64_t losses = link_.Losses();
    const auto start = link_.Now();
    const int result = engine_.WriteCredits(link_, data.data(), plan.count, timeout, port);
    const auto end = link_.Now();
    const bool clean = link_.Losses() == losses && link_.IsLinkUp();
    link_.drop_at.reset();
    link_.RunUntilQuiet();
    book_.trace = "write " + std::to_string(writes_) + " of " + std::to_string(plan.count) +
                  " timeout " + std::to_string(timeout) + " -> " + std::to_string(result);
    Bytes sent;
    for (size_t i = sent_before; i < link_.Sent().size(); ++i) {
      sent.insert(sent.end(), link_.Sent()[i].begin(), link_.Sent()[i].end());
    }
    book_.Check(printer_.held, sent, data, result, result >= 0 && link_.IsLinkUp());
    SCOPED_TRACE(book_.trace);
    EXPECT_EQ(printer_.protocol_errors, 0u);
    // Past its time a write only finishes the chunk in hand and waits for owed credits: the
    // settle, or longer while the printer still speaks.
    EXPECT_LE(Ms(end - start), MostMs(timeout, start, last_credit_));
    EXPECT_LE(MsPastLastWord(start, end, last_credit_), kMostMsPastLastWord);
    // With time enough, a write on a link that lost nothing completes.
    if (clean && timeout >= kHourMs) {
      EXPECT_EQ(result, plan.count);
    }
    return result;
  }

  V3LinkPrinter &printer() { return printer_; }
  VirtualLink &link() { return link_; }

 private:
  ScheduleRandom random_;
  V3LinkPrinter printer_;
  ble::ProtoV3Engine engine_;
  VirtualLink link_;
  Clock::time_point last_credit_{};
  Book book_;
  uint32_t writes_ = 0;
};

class V2Schedule {
 public:
  // A schedule of `seed`; a fixed case gives the rate and has no faults but its own.
  explicit V2Schedule(uint64_t seed, std::optional<VirtualLink::Rate> rate = std::nullopt)
      : random_(seed),
        engine_([](const uint8_t *, size_t) {}),
        link_(rate.value_or(random_.Rate()), printer_, [this](int, const Bytes &v) {
          // The printer's frames, each in a notification of its own; a received count may be lost.
          if (v.size() > 2 && v[2] == 0x05 && lose_count && lose_count(counts_++)) {
            ++counts_lost_;
            return;
          }
          last_frame_ = link_.Now();
          engine_.OnNotification(v.data(), v.size());
        }) {
    printer_.link = &link_;
    engine_.SetWaitClock(link_);
    if (rate) return;
    printer_.buffer_size = random_.Uniform(400, 8192);
    engine_.LowerPacketSize(random_.Uniform(20, 200));
    DrawFaults(random_, link_);
    if (random_.Chance(0.5)) {
      lose_count = Losing(random_.Uniform(1, 300) / 1000.0,
                          static_cast<uint64_t>(random_.Uniform(0, 1 << 30)));
    }
  }

  // Received counts the link loses, by their number from the first.
  std::function<bool(uint64_t)> lose_count;

  void Open() {
    engine_.ResetReceived();
    link_.Connect();
  }

  void Step() { StepSchedule(*this, random_, link_); }

  // One group write the channel's or the port's way, and the checks after it.
  int Write(const WritePlan &plan, bool port) {
    // The channel raises a short timeout; the port keeps its own.
    const int timeout =
        port ? plan.timeout_ms : ble::RaisedWriteTimeout(plan.timeout_ms, plan.count);
    const Bytes data = Pattern(static_cast<size_t>(plan.count), ++writes_);
    const uint64_t losses = link_.Losses() + counts_lost_;
    engine_.ClearPacketSendTimesList();
    const auto start = link_.Now();
    const int result = engine_.WriteGroup(link_, data.data(), plan.count, timeout);
    const auto end = link_.Now();
    const bool clean = link_.Losses() + counts_lost_ == losses && link_.IsLinkUp();
    // The printer answered the set-up: the group began.
    const bool began = engine_.GetPacketSendTimesListLength() > 0;
    link_.drop_at.reset();
    link_.RunUntilQuiet();
    book_.trace = "group " + std::to_string(writes_) + " of " + std::to_string(plan.count) +
                  " timeout " + std::to_string(timeout) + " -> " + std::to_string(result);
    // A group that did not complete may have left a prefix of its data at the printer.
    const Bytes added(printer_.held.begin() + static_cast<long>(book_.expected.size()),
                      printer_.held.end());
    book_.Check(printer_.held, added, data, result, result == plan.count);
    SCOPED_TRACE(book_.trace);
    EXPECT_EQ(printer_.protocol_errors, 0u);
    // A group the printer holds whole but did not report ends its link: the caller learns of it.
    if (plan.count > 0 && result != plan.count && added == data) {
      EXPECT_FALSE(link_.IsLinkUp());
    }
    // The set-up has ten answer waits of its own; past the group's time only the packet in hand
    // and the settle, or longer while the printer still speaks.
    EXPECT_LE(Ms(end - start), MostMs(1500 + timeout, start, last_frame_));
    EXPECT_LE(MsPastLastWord(start, end, last_frame_), kMostMsPastLastWord);
    // With time enough, a group on a link that lost nothing completes; an empty one never fails
    // its link.
    if (clean && began && timeout >= kHourMs) {
      EXPECT_EQ(result, plan.count);
    }
    if (plan.count == 0) {
      EXPECT_FALSE(link_.Failed());
    }
    return result;
  }

  VirtualLink &link() { return link_; }

 private:
  ScheduleRandom random_;
  V2LinkPrinter printer_;
  ble::ProtoV2Engine engine_;
  VirtualLink link_;
  Clock::time_point last_frame_{};
  uint64_t counts_ = 0;
  uint64_t counts_lost_ = 0;
  Book book_;
  uint32_t writes_ = 0;
};

template <typename Schedule>
void Play(uint64_t seed, int steps) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  Schedule schedule(seed);
  for (int i = 0; i < steps && !::testing::Test::HasFatalFailure(); ++i) schedule.Step();
}

// One packet per 1.1 s: the queue of writes without response has no room for longer than a
// second at a time. A chunk the link did not take is sent again, never skipped.
TEST(WriteScheduleTest, V3OnASlowLinkLeavesNoHole) {
  V3Schedule schedule(1, VirtualLink::Rate{1, 1100000});
  schedule.Open();
  EXPECT_EQ(schedule.Write({2500, 60000}, false), 2500);
}

// Chunks still on their way when the timeout ends, one packet per 1.1 s or per 4 s: their
// credits come later than any fixed settle, yet the printer keeps speaking, so the write waits
// for them, returns what the printer holds and keeps its link.
TEST(WriteScheduleTest, V3TimeoutOnASlowLinkKeepsTheLink) {
  for (const int interval_us : {1100000, 4000000}) {
    V3Schedule schedule(1, VirtualLink::Rate{1, interval_us});
    schedule.Open();
    const int result = schedule.Write({2500, 3000}, true);
    EXPECT_GT(result, 0);
    EXPECT_LT(result, 2500);
    EXPECT_TRUE(schedule.link().IsLinkUp()) << interval_us;
  }
}

// A credit lost on the way: the write cannot complete, and a write with an hour to go ends soon
// after the printer's last credit, with the link; a new connection works again.
TEST(WriteScheduleTest, V3LostCreditEndsTheLinkSoonAfterTheLastCredit) {
  V3Schedule schedule(1, VirtualLink::Rate{});
  schedule.Open();
  schedule.link().lose_notification = [](uint64_t n) { return n == 5; };
  EXPECT_EQ(schedule.Write({1000, 3600000}, true), 0);
  EXPECT_TRUE(schedule.link().Failed());
  schedule.link().lose_notification = nullptr;
  schedule.Open();
  EXPECT_EQ(schedule.Write({1000, 3600000}, true), 1000);
}

// A write's time is up at its deadline, not a moment later, and after ten seconds of silence
// only while it waits for the printer; the settle then runs at least its 500 ms from that moment,
// and on until the printer has been silent for ten seconds.
TEST(WriteScheduleTest, TimeIsUpAtTheDeadlineOrAfterTheSilence) {
  const Clock::time_point start{};
  const auto at = [&](int ms) { return start + milliseconds(ms); };
  ble::WriteTimeUp deadline(start, at(300));
  EXPECT_FALSE(deadline.Up(at(299), start, false));
  EXPECT_EQ(deadline.WakeAt(start, false), at(300));
  EXPECT_TRUE(deadline.Up(at(300), start, false));
  EXPECT_FALSE(deadline.SettleOver(at(799), start));
  EXPECT_FALSE(deadline.SettleOver(at(9999), start));
  EXPECT_TRUE(deadline.SettleOver(at(10000), start));
  EXPECT_EQ(deadline.WakeAt(at(2000), true), at(12000));
  EXPECT_FALSE(deadline.SettleOver(at(11999), at(2000)));
  EXPECT_TRUE(deadline.SettleOver(at(12000), at(2000)));
  ble::WriteTimeUp silence(start, at(kHourMs));
  EXPECT_FALSE(silence.Up(at(20000), at(0), false));
  EXPECT_EQ(silence.WakeAt(at(5000), true), at(15000));
  EXPECT_FALSE(silence.Up(at(14999), at(5000), true));
  EXPECT_TRUE(silence.Up(at(15000), at(5000), true));
  EXPECT_EQ(silence.WakeAt(at(5000), true), at(15500));
  EXPECT_FALSE(silence.SettleOver(at(15499), at(5000)));
  EXPECT_TRUE(silence.SettleOver(at(15500), at(5000)));
}

// The printer's received count lost on the way: the printer holds the whole group, but a write
// with an hour to go ends soon after the printer's last frame, with the link; a new connection
// works again.
TEST(WriteScheduleTest, V2LostReceivedCountEndsTheLinkSoonAfterTheLastFrame) {
  V2Schedule schedule(1, VirtualLink::Rate{});
  schedule.Open();
  schedule.lose_count = [](uint64_t n) { return n == 0; };
  EXPECT_EQ(schedule.Write({1000, 3600000}, true), 0);
  EXPECT_TRUE(schedule.link().Failed());
  schedule.Open();
  EXPECT_EQ(schedule.Write({1000, 3600000}, true), 1000);
}

// A group its timeout cuts short on a link that carries everything: the printer gives back the
// space of every packet that went out, so the write fails but keeps its link (also after a link
// that dropped mid-group), and the next write goes through whole.
TEST(WriteScheduleTest, V2GroupCutShortByItsTimeoutKeepsItsLink) {
  V2Schedule schedule(1, VirtualLink::Rate{});
  schedule.Open();
  schedule.link().drop_at = schedule.link().Now() + milliseconds(60);
  EXPECT_EQ(schedule.Write({20000, kHourMs}, true), -1);
  schedule.Open();
  EXPECT_EQ(schedule.Write({20000, 20}, true), 0);
  EXPECT_TRUE(schedule.link().IsLinkUp());
  EXPECT_EQ(schedule.Write({1000, kHourMs}, true), 1000);
}

// The same for a V2 group: every packet went out before its timeout, and the printer's count
// comes late but comes, so the group completes on a link that stays up.
TEST(WriteScheduleTest, V2TimeoutOnASlowLinkKeepsTheLink) {
  for (const int interval_us : {300000}) {
    V2Schedule schedule(1, VirtualLink::Rate{1, interval_us});
    schedule.Open();
    EXPECT_EQ(schedule.Write({2500, 3000}, true), 2500);
    EXPECT_TRUE(schedule.link().IsLinkUp()) << interval_us;
  }
}

// A group that takes twenty seconds on a slow link, the printer's frames coming all along: a
// printer that speaks is never taken for a silent one.
TEST(WriteScheduleTest, V2LongGroupOnASlowLinkCompletes) {
  V2Schedule schedule(1, VirtualLink::Rate{1, 40000});
  schedule.Open();
  EXPECT_EQ(schedule.Write({100000, kHourMs}, true), 100000);
}

// A link whose platform queue turns the `refused`-th write without response away (no room in
// time), as a link of one packet per second or slower does.
class RefusingLink final : public ble::GattPacketLink {
 public:
  RefusingLink(VirtualLink &link, int refused) : link_(link), refused_(refused) {}
  bool IsLinkUp() const override { return link_.IsLinkUp(); }
  int WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) override {
    return link_.WritePackWithResponse(data, count, timeout_ms);
  }
  int WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) override {
    return writes_++ == refused_ ? 0 : link_.WritePackWithoutResponse(data, count, timeout_ms);
  }

 private:
  VirtualLink &link_;
  const int refused_;
  int writes_ = 0;
};

// A group packet the link did not take did not go out: the send-count list does not count it, and
// it goes again at once instead of after the printer asked for it.
TEST(WriteScheduleTest, V2PacketTheLinkDidNotTakeIsNotCountedAsSent) {
  V2LinkPrinter printer;
  ble::ProtoV2Engine engine([](const uint8_t *, size_t) {});
  VirtualLink link({}, printer,
                   [&](int, const Bytes &v) { engine.OnNotification(v.data(), v.size()); });
  printer.link = &link;
  engine.SetWaitClock(link);
  link.Connect();
  RefusingLink refusing(link, 3);  // the setup, packets 0 and 1, then packet 2
  const Bytes data = Pattern(1000);
  ASSERT_EQ(engine.WriteGroup(refusing, data.data(), 1000, 5000), 1000);
  EXPECT_EQ(printer.held, data);
  std::vector<int> order;  // packet indices as they went out, the set-up left aside
  for (const Bytes &w : link.Sent()) {
    if (w[0] != 0) order.push_back(w[2] | (w[3] << 8));
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  std::vector<int> sends(6);
  ASSERT_EQ(engine.GetPacketSendTimesListValue(sends.data(), 6), 6);
  EXPECT_EQ(sends, std::vector<int>(6, 1));
}

// Fixed seeds, a second or two in all (V2 groups set up and resend, so they cost more).
TEST(WriteScheduleTest, V3CountsHoldOnEveryLink) {
  for (uint64_t seed = 1; seed <= 150 && !HasFatalFailure(); ++seed) Play<V3Schedule>(seed, 40);
}

TEST(WriteScheduleTest, V2CountsHoldOnEveryLink) {
  for (uint64_t seed = 1; seed <= 40 && !HasFatalFailure(); ++seed) Play<V2Schedule>(seed, 40);
}

}  // namespace
}  // namespace velmora::test
