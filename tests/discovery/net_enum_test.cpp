// Network printer discovery, run inside a private network namespace with virtual responders.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualDiscoveryResponder.h"
#include "support/PrivateNetwork.h"
#include "support/Wait.h"
#include "velmora/velmora.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using vprinter::VirtualDiscoveryResponder;

struct Found {
  std::string local_ip, mac, ip, name;
};

struct Collector {
  std::mutex mutex;
  std::vector<Found> found;
  std::atomic<bool> returned{false};
  std::atomic<int> calls_after_return{0};

  static void On(const char *local_ip, const char *mac, const char *ip, const char *name,
                 void *self) {
    auto *c = static_cast<Collector *>(self);
    if (c->returned.load()) c->calls_after_return++;
    std::lock_guard<std::mutex> lock(c->mutex);
    c->found.push_back({local_ip, mac, ip, name});
  }
  std::vector<Found> Snapshot() {
    std::lock_guard<std::mutex> lock(mutex);
    return found;
  }
};

class NetEnumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    network_ = std::make_unique<PrivateNetwork>();
    if (!network_->ok()) GTEST_SKIP() << network_->why_not();
  }
  // Starts a responder on the printers' host.
  void Start(VirtualDiscoveryResponder &responder) {
    bool started = false;
    network_->OnPrinterHost([&] { started = responder.Start(); });
    ASSERT_TRUE(started);
  }
  std::unique_ptr<PrivateNetwork> network_;
};

// How long a search may take past the moment it was asked to stop (cancelled, its flag set
// before it began, its timeout refused) or past its whole seconds in a plain build; scaled
// under sanitizers. A search reads its flag every few milliseconds.
constexpr int kPromptMs = 75;
constexpr int kLateMs = 150;

VirtualDiscoveryResponder::Identity Kitchen() {
  return {{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, {10, 77, 0, 2}, "Kitchen"};
}

TEST_F(NetEnumTest, EachAnswerIsReportedWithTheInterfaceAndFormattedTexts) {
  VirtualDiscoveryResponder kitchen(Kitchen());
  // No name, and no address in the binary reply: the sender's address stands in for both.
  VirtualDiscoveryResponder bar({{0xAA, 0xBB, 0xCC, 0x00, 0x11, 0x22}, {0, 0, 0, 0}, ""});
  Start(kitchen);
  Start(bar);
  Collector collector;
  int cancel = 0;
  const long long took = ElapsedMs([&] {
    // ceil(1001 / 1000) = 2 seconds: two request rounds.
    ::VP_Port_EnumNetPrinter(1001, &cancel, Collector::On, &collector);
  });
  collector.returned = true;
  kitchen.Stop();
  bar.Stop();

  EXPECT_GE(took, 1995);  // whole-millisecond clocks
  EXPECT_LT(took, 2000 + ScaledMs(kLateMs));
  EXPECT_EQ(kitchen.BinaryAnswers(), 2u);
  EXPECT_EQ(kitchen.TextAnswers(), 2u);
  std::map<std::string, size_t> reports;  // by MAC
  for (const Found &f : collector.Snapshot()) {
    ++reports[f.mac];
    EXPECT_EQ(f.local_ip, "10.77.0.1");
    EXPECT_EQ(f.ip, "10.77.0.2");
    EXPECT_EQ(f.name, f.mac == "AA-BB-CC-00-11-22" ? "10.77.0.2" : "Kitchen");
  }
  // One report per answer, the MAC in upper case whichever case the printer sent.
  EXPECT_EQ(reports, (std::map<std::string, size_t>{
                         {"00-1A-2B-3C-4D-5E", 4},
                         {"AA-BB-CC-00-11-22", bar.BinaryAnswers() + bar.TextAnswers()}}));
  EXPECT_EQ(collector.calls_after_return.load(), 0);
}

TEST_F(NetEnumTest, CancelEndsASearchLongBeforeItsTimeout) {
  VirtualDiscoveryResponder printer(Kitchen());
  Start(printer);
  Collector collector;
  int cancel = 0;
  auto search = std::async(std::launch::async, [&] {
    ::VP_Port_EnumNetPrinter(LongTimeoutMs(), &cancel, Collector::On, &collector);
  });
  ASSERT_TRUE(WaitUntil([&] { return printer.BinaryAnswers() >= 1; }));
  __atomic_store_n(&cancel, 1, __ATOMIC_RELAXED);
  EXPECT_EQ(search.wait_for(std::chrono::milliseconds(ScaledMs(kPromptMs))),
            std::future_status::ready);

  // A cancelled flag, and a timeout of 0 (ceil(0 / 1000) = 0 seconds), end the next search
  // before it sends anything: no request comes from a socket of its own (the first search's
  // requests may still be on their way). A missing cancel flag means "never cancelled".
  const auto ports = printer.BinaryRequestPorts();
  for (const bool zero_timeout : {false, true}) {
    SCOPED_TRACE(zero_timeout ? "timeout 0" : "cancelled");
    const long long again_ms = ElapsedMs([&] {
      ::VP_Port_EnumNetPrinter(zero_timeout ? 0 : LongTimeoutMs(), zero_timeout ? nullptr : &cancel,
                               Collector::On, &collector);
    });
    EXPECT_LT(again_ms, ScaledMs(kPromptMs));
  }
  WaitUntil([] { return false; }, 100);  // a request, had one been sent, would be answered by now
  for (uint16_t port : printer.BinaryRequestPorts()) {
    EXPECT_GT(std::count(ports.begin(), ports.end(), port), 0) << "a request of a later search";
  }
  printer.Stop();
}

TEST_F(NetEnumTest, ModuleSearchDecodesTextsAndStopsOnItsController) {
  VirtualDiscoveryResponder printer(
      {{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, {10, 77, 0, 2}, "Caf\xc3\xa9 \xff"});
  Start(printer);
  auto controller = std::make_shared<VP_LoopController>();
  Collector collector;
  auto search = std::async(std::launch::async, [&] {
    VP_Port_EnumNetPrinter(
        LongTimeoutMs(), controller, [&](auto local, auto mac, auto ip, auto name) {
          Collector::On(local.c_str(), mac.c_str(), ip.c_str(), name.c_str(), &collector);
        });
  });
  ASSERT_TRUE(WaitUntil([&] { return collector.Snapshot().size() >= 2; }));
  controller->cancelLoop();
  EXPECT_EQ(search.wait_for(std::chrono::milliseconds(ScaledMs(kPromptMs))),
            std::future_status::ready);
  for (const Found &f : collector.Snapshot()) {
    EXPECT_EQ(f.local_ip + " " + f.mac + " " + f.ip, "10.77.0.1 00-1A-2B-3C-4D-5E 10.77.0.2");
    EXPECT_EQ(f.name, "Caf\xc3\xa9 \xef\xbf\xbd") << "ill-formed byte";
  }
  // A timeout that does not fit is refused.
  controller->enableLoop();
  EXPECT_LT(ElapsedMs([&] { VP_Port_EnumNetPrinter(-1, controller, nullptr); }),
            ScaledMs(kPromptMs));
  printer.Stop();
}

}  // namespace
}  // namespace velmora::test
