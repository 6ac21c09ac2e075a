// The whole receive path on schedules (support/ReceiveSchedule.h): a virtual printer on loopback
// sends what a schedule says, cut and paused as it says, while a reader reads, skips and queries
// between; every call must return what the model says. Seeds run side by side.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/port/PortRegistry.h"
#include "platform/Clock.h"
#include "support/ReceiveSchedule.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using namespace schedule;

// A printer thread that paused this long between two pieces may have let the hold bound pass.
constexpr int64_t kDisturbedMs = 400;
const std::string kDisturbed = "disturbed: ";

// One schedule against one printer; what went wrong, or "" when nothing did.
class ScheduleRun {
 public:
  std::string Go(const std::vector<Step> &steps, bool query_at_open) {
    printer_.autoreply->SetSilent(true);  // status packets come from the schedule alone
    if (!printer_.Open(1)) return "the port did not open";
    h_ = printer_.handle();
    port_.emplace(h_);
    if (query_at_open) {
      // Before the answer to the opening's firmware request, which may come either side of
      // the query's discard: a skip afterwards leaves the stream as the model has it.
      Expect(VP_Pos_QueryRTStatus(h_, LongTimeoutMs()), Packed(StatusAnswers(0x12)), "query");
    }
    // The printer sent the firmware answer and the answers to the query's requests.
    const size_t opening = DeviceAnswer(kFirmwareVersion, Model::Text(kOpeningFirmware)).size();
    if (!WaitUntil([&] {
          return printer_.tcp.SentCount() == opening + 4 * printer_.rt_status->RequestCount(1);
        }) ||
        !Sync()) {
      return "no answer to the firmware request";
    }
    if (query_at_open) VP_Port_SkipAvailable(h_), model_.Discarded(false);
    for (size_t i = 0; i < steps.size() && failure_.str().empty(); ++i) {
      at_ = i;
      if (!Do(steps[i])) break;
    }
    if (failure_.str().empty() && !hung_up_ && Settle()) {
      Expect(VP_Port_Available(h_), 0, "bytes left over");
    }
    VP_Port_Close(h_);
    return disturbed_ ? kDisturbed + failure_.str() : failure_.str();
  }

 private:
  bool Do(const Step &step) {
    // Only pieces and short pauses follow each other within the hold bound.
    if (step.action != Step::kSend && step.action != Step::kPause) last_send_ms_ = -1;
    switch (step.action) {
      case Step::kSend:
        // Pieces of one item follow each other well within the hold bound, unless the machine
        // stalled this thread: then the run tells nothing.
        if (last_send_ms_ >= 0 && platform::steadyMs() - last_send_ms_ > kDisturbedMs) {
          disturbed_ = true;
          return false;
        }
        printer_.tcp.Send(step.bytes);
        last_send_ms_ = step.last ? -1 : platform::steadyMs();
        model_.Sent(step);
        return true;
      case Step::kPause:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.count));
        return true;
      case Step::kSettle:
        if (!Settle()) return false;
        model_.Settled();
        return Check();
      case Step::kRead: {
        const size_t n = std::min(step.count, model_.due());
        if (n == 0) return true;
        Bytes got(n);
        // After a hang-up the library closes the handle itself, maybe before this read starts
        // (a reader already waiting gets every byte: tests/port/hang_up_tail_test.cpp); what it
        // kept is read from the port, which the run holds.
        const int r = hung_up_
                          ? (*port_)->Read(got.data(), static_cast<uint32_t>(n),
                                           static_cast<uint32_t>(LongTimeoutMs()), -1)
                          : VP_Port_Read(h_, got.data(), static_cast<unsigned>(n), LongTimeoutMs());
        got.resize(static_cast<size_t>(std::max(r, 0)));
        Expect(got, model_.Take(n), "read");
        return true;
      }
      case Step::kSkip:
        if (!Sync()) return false;
        VP_Port_SkipAvailable(h_);
        model_.Discarded(false);
        return Check();
      case Step::kQuery:
      case Step::kLateQuery:
        return Query(step);
      case Step::kSerialQuery: {
        printer_.device->SetAnswerData(kSerialNumber, step.bytes);
        if (!Sync() || !Check()) return false;
        char got[256] = {};
        const int n = VP_Proto_QuerySerialNumber(h_, got, sizeof got, LongTimeoutMs());
        Expect(Bytes(got, got + std::max(n, 0)), step.bytes, "serial number");
        model_.Answered(DeviceAnswer(kSerialNumber, step.bytes), true);
        return Sync();
      }
      case Step::kHangUp:
        printer_.tcp.CloseConnections();
        model_.Settled();
        hung_up_ = true;
        return true;
    }
    return false;
  }

  bool Query(const Step &step) {
    const Bytes answers = StatusAnswers(step.answer4);
    printer_.rt_status->SetAnswer(4, step.answer4);
    printer_.rt_status->SetAnswerDelayMs(step.action == Step::kLateQuery ? 350 : 0);
    if (!Sync() || !Check()) return false;
    const size_t asked_before = printer_.rt_status->RequestCount(1);
    const size_t sent_before = printer_.tcp.SentCount();
    auto query = std::async(std::launch::async,
                            [this] { return VP_Pos_QueryRTStatus(h_, LongTimeoutMs()); });
    // When the first answers were in, and when the printer was asked again.
    int64_t answered_ms = -1, asked_again_ms = -1;
    for (bool running = true; running;) {
      running = query.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready;
      const int64_t now = platform::steadyMs();
      if (answered_ms < 0 && (*port_)->receiver().TakenIn() >= sent_before + 4) answered_ms = now;
      if (asked_again_ms < 0 && printer_.rt_status->RequestCount(1) >= asked_before + 2) {
        asked_again_ms = now;
      }
    }
    Expect(query.get(), Packed(answers), "query");
    // A prompt printer's answers, once in, end the query: it never asks again long after.
    if (step.action == Step::kQuery && answered_ms >= 0 && asked_again_ms - answered_ms > 150) {
      // A query thread the machine stalled looks the same: the run is tried again, and fails
      // only when this holds every time.
      disturbed_ = true;
      return Fail("the answers were held back until the query asked again");
    }
    model_.Discarded(true);
    // Answers to the resends come after the query, as data; a busy machine may resend a prompt
    // query too.
    const size_t asked = printer_.rt_status->RequestCount(1) - asked_before;
    if (!WaitUntil([&] { return printer_.tcp.SentCount() == sent_before + 4 * asked; }) ||
        !Sync()) {
      return Fail("answers to the resends did not come");
    }
    model_.Answered(answers, false);
    for (size_t i = 1; i < asked; ++i) model_.Answered(answers, true);
    printer_.rt_status->SetAnswerDelayMs(0);
    return true;
  }

  // Every byte sent is through the receive path (held ones may be held).
  bool Sync() {
    return WaitUntil([&] { return (*port_)->receiver().TakenIn() == printer_.tcp.SentCount(); }) ||
           Fail("sent bytes did not arrive");
  }
  // ... and decided.
  bool Settle() {
    return (Sync() && WaitUntil([&] {
              return (*port_)->receiver().Decided() == (*port_)->receiver().TakenIn();
            })) ||
           Fail("held bytes were never decided");
  }
  bool Check() {
    if (hung_up_) return true;
    int64_t error = -1;
    VP_Printer_GetPrinterStatusInfo(h_, &error, nullptr, nullptr);
    Expect(error, model_.error(), "status word");
    char version[64] = {};
    VP_Printer_GetPrinterFirmwareVersion(h_, version, sizeof version, nullptr);
    Expect(std::string(version), model_.firmware(), "firmware version");
    return failure_.str().empty();
  }

  static int Packed(const Bytes &a) {
    return static_cast<int>(a[0] | a[1] << 8 | a[2] << 16 | static_cast<uint32_t>(a[3]) << 24);
  }
  template <class T>
  void Expect(const T &got, const T &want, const char *what) {
    if (got == want || !failure_.str().empty()) return;
    failure_ << what << " at step " << at_ << ": got " << testing::PrintToString(got) << ", want "
             << testing::PrintToString(want);
  }
  bool Fail(const char *what) {
    if (failure_.str().empty()) failure_ << what << " at step " << at_;
    return false;
  }

  StatusPrinter printer_;
  void *h_ = nullptr;
  std::optional<core::HandleRef> port_;  // the port outlives its handle while the run looks on
  Model model_;
  size_t at_ = 0;
  int64_t last_send_ms_ = -1;
  bool hung_up_ = false;
  bool disturbed_ = false;
  std::ostringstream failure_;
};

// Runs a seed's schedule; a run that a stalled machine disturbed is run again.
std::string RunSeed(uint32_t seed) {
  const std::vector<Step> steps = FairSchedule(seed);
  std::string result = kDisturbed;
  for (int attempt = 0; attempt < 3 && result.starts_with(kDisturbed); ++attempt) {
    result = ScheduleRun().Go(steps, seed % 3 == 0);
  }
  return result;
}

using ReceiveSchedule = PortTest;

TEST_F(ReceiveSchedule, FixedSeeds) {
  std::vector<std::future<std::string>> runs;
  constexpr uint32_t kSeeds = 12;
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    runs.push_back(std::async(std::launch::async, [seed] { return RunSeed(seed); }));
  }
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    EXPECT_EQ(runs[seed - 1].get(), "") << "seed " << seed;
  }
}

}  // namespace
}  // namespace velmora::test
