// Schedules of basic-layout writes as the channel makes them (modes 0, 1 and 2 with their packet
// settings) and as the port makes them (within a timeout), on links from the default rate down to
// one packet per 4 s interval, with refused and unanswered writes with response, lost data
// packets and index reports, link drops and new connections, in virtual time. After every write:
// the printer holds exactly the bytes the write counted, in order (a paced write without response
// hears nothing back: what it counted is what went out, and the printer holds a prefix of it when
// the link dropped first); a failed write leaves a prefix of its bytes; a port write ends soon
// after its timeout (past it only the packet in flight is settled).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ble/BasicWriteEngine.h"
#include "platform/Log.h"
#include "support/BasicLinkPrinter.h"
#include "support/Pattern.h"
#include "support/ScheduleChecks.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using ble::BasicWriteEngine;
using std::chrono::milliseconds;

// One write as the schedule drew it.
struct Plan {
  bool port = false;
  int mode = 0;  // the mode the engine runs in: 1 is paced without response
  int size = 20;
  int packet_timeout_ms = BasicWriteEngine::kDefaultPacketTimeoutMs;
  int max_retry = BasicWriteEngine::kDefaultMaxRetry;
  int timeout_ms = 0;  // the port's
  int count = 0;
};

class BasicSchedule {
 public:
  explicit BasicSchedule(uint64_t seed, std::optional<VirtualLink::Rate> rate = std::nullopt)
      : random_(seed),
        rate_(rate.value_or(random_.Rate())),
        link_(rate_, printer_, [this](int, const Bytes &value) {
          engine_.OnNotification(value.data(), value.size());
        }) {
    printer_.link = &link_;
    engine_.SetWaitClock(link_);
    if (!rate) DrawFaults();
  }

  void Open() {
    if (link_.IsLinkUp()) link_.Drop();  // a second open ends the first link
    link_.Connect();
  }

  void Step() {
    if (!link_.IsLinkUp() || random_.Chance(0.05)) {
      Open();
      return;
    }
    if (random_.Chance(0.2)) link_.drop_at = link_.Now() + milliseconds(random_.Uniform(0, 20000));
    Write(random_.Chance(0.5) ? DrawPortWrite() : DrawChannelWrite());
  }

  int Write(Plan plan) {
    // A printer in an indexed session takes writes without response as data packets: the host
    // writes with response first (docs/protocol.md), so a paced write becomes one with response.
    if (plan.mode == 1 && printer_.receiver.InSession()) plan.mode = 0;
    const bool paced = plan.mode == 1;
    paced_ = paced;
    engine_.SetWriteMode(plan.mode, plan.size, plan.packet_timeout_ms, plan.max_retry);
    const Bytes data = Pattern(static_cast<size_t>(plan.count), ++writes_);
    const bool indexed = plan.mode == 2 && plan.count > 5 * plan.size;
    const auto start = link_.Now();
    const int result = plan.port ? engine_.WriteWithin(link_, data.data(), plan.count,
                                                       static_cast<uint32_t>(plan.timeout_ms))
                                 : engine_.Write(link_, data.data(), plan.count);
    const long long elapsed = Ms(link_.Now() - start);
    last_elapsed_ms_ = elapsed;
    link_.drop_at.reset();
    link_.RunUntilQuiet();
    paced_ = false;

    SCOPED_TRACE("write " + std::to_string(writes_) + (plan.port ? " port" : " channel") +
                 " mode " + std::to_string(plan.mode) + " size " + std::to_string(plan.size) +
                 " packet timeout " + std::to_string(plan.packet_timeout_ms) + " timeout " +
                 std::to_string(plan.timeout_ms) + " of " + std::to_string(plan.count) + " -> " +
                 std::to_string(result) + " in " + std::to_string(elapsed) + " ms");
    EXPECT_TRUE(IsPrefix(expected_, printer_.held)) << "bytes of earlier writes changed";
    const Bytes added(printer_.held.begin() + static_cast<long>(expected_.size()),
                      printer_.held.end());
    expected_ = printer_.held;
    EXPECT_TRUE(IsPrefix(added, data)) << "not a prefix of the data: " << added.size();
    EXPECT_GE(result, -1);
    if (result >= 0 && paced) {
      EXPECT_LE(added.size(), static_cast<size_t>(result));
      if (link_.IsLinkUp()) {
        EXPECT_EQ(added.size(), static_cast<size_t>(result));
      }
    } else if (result >= 0) {
      EXPECT_EQ(added.size(), static_cast<size_t>(result)) << "the count is not what it holds";
    }
    if (indexed) {
      EXPECT_TRUE(result == -1 || result == plan.count);
    }
    if (plan.port && plan.timeout_ms < BasicWriteEngine::kDefaultPacketTimeoutMs) {
      // Past its time a port write sends nothing new: a paced packet keeps its pace, the packet
      // in flight waits for its answer (a connection event or two), or for the transaction
      // timeout that fails the link.
      long long slack = paced ? plan.size / 4 + 50 : 3 * (rate_.interval_us / 1000 + 1) + 50;
      if (result < 0) slack += ble::GattPacketLink::kTransactionTimeoutMs;
      EXPECT_LE(elapsed, plan.timeout_ms + slack);
    }
    return result;
  }

  VirtualLink &link() { return link_; }
  BasicLinkPrinter &printer() { return printer_; }
  long long last_elapsed_ms() const { return last_elapsed_ms_; }

 private:
  // Each kind of fault at its own rate, none for some seeds. Nothing tells a paced write without
  // response what the link lost, so only the indexed protocol's data packets are lost.
  void DrawFaults() {
    auto fraction = [&] { return random_.Chance(0.4) ? 0.0 : random_.Uniform(1, 100) / 1000.0; };
    auto seed = [&] { return static_cast<uint64_t>(random_.Uniform(0, 1 << 30)); };
    auto lose_write = Losing(fraction(), seed());
    link_.lose_write = [this, lose_write](uint64_t n) { return !paced_ && lose_write(n); };
    link_.lose_notification = Losing(fraction(), seed());
    link_.lose_answer = Losing(fraction() / 10, seed());
    printer_.refuse = Losing(fraction(), seed());
  }

  int DrawCount() { return random_.Chance(0.1) ? 0 : random_.Uniform(1, 3000); }

  Plan DrawChannelWrite() {
    Plan plan;
    const int modes[] = {0, 1, 2, 2, 7};
    plan.mode = modes[random_.Uniform(0, 4)];
    plan.size = random_.Uniform(2, 182);
    const int timeouts[] = {0, random_.Uniform(1, 50), random_.Uniform(50, 3000),
                            BasicWriteEngine::kDefaultPacketTimeoutMs};
    plan.packet_timeout_ms = timeouts[random_.Uniform(0, 3)];
    plan.max_retry = random_.Uniform(0, 3);
    plan.count = DrawCount();
    return plan;
  }

  // As the port writes: with response, or paced for a printer that takes no writes with response.
  Plan DrawPortWrite() {
    Plan plan;
    plan.port = true;
    plan.mode = random_.Chance(0.3) ? 1 : 0;
    plan.size = random_.Uniform(20, 182);
    const int timeouts[] = {0, random_.Uniform(1, 300), random_.Uniform(300, 8000),
                            BasicWriteEngine::kDefaultPacketTimeoutMs};
    plan.timeout_ms = timeouts[random_.Uniform(0, 3)];
    plan.count = DrawCount();
    return plan;
  }

  ScheduleRandom random_;
  VirtualLink::Rate rate_;
  BasicLinkPrinter printer_;
  BasicWriteEngine engine_;
  VirtualLink link_;
  Bytes expected_;
  uint32_t writes_ = 0;
  bool paced_ = false;
  long long last_elapsed_ms_ = 0;
};

class BasicScheduleTest : public ::testing::Test {
 protected:
  // The indexed protocol logs every packet.
  void SetUp() override {
    platform::setLogSink([](const std::string &) {});
  }
  void TearDown() override { platform::setLogSink(nullptr); }
};

void Play(uint64_t seed, int steps) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  BasicSchedule schedule(seed);
  for (int i = 0; i < steps && !::testing::Test::HasFailure(); ++i) schedule.Step();
}

// A printer that answers no index request: an indexed write with an hour's packet timeout gives
// up once the report wait's own bound has passed.
TEST_F(BasicScheduleTest, AnIndexReportThatNeverComesEndsTheWriteWithinItsBound) {
  BasicSchedule schedule(1, VirtualLink::Rate{});
  schedule.Open();
  schedule.printer().answer_requests = false;
  Plan plan;
  plan.mode = 2;
  plan.count = 1000;
  EXPECT_EQ(schedule.Write(plan), -1);
  EXPECT_GE(schedule.last_elapsed_ms(), BasicWriteEngine::kMaxReportWaitMs);
  EXPECT_LT(schedule.last_elapsed_ms(), BasicWriteEngine::kMaxReportWaitMs + 1000);
}

// Seeds that once failed.
// 13: the link dropped while the answer to a write with response was on its way, on the packet's
// last attempt; the write counted the bytes before it as all the printer held (it held one more).
TEST_F(BasicScheduleTest, Seed13LinkLostOnTheLastAttempt) {
  Play(13, 40);
}

constexpr int kSeeds = 40;
constexpr int kSteps = 40;

TEST_F(BasicScheduleTest, CountsHoldOnEveryLink) {
  for (uint64_t seed = 1; seed <= kSeeds && !HasFailure(); ++seed) Play(seed, kSteps);
}

}  // namespace
}  // namespace velmora::test
