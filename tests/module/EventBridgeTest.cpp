// Event closures: registration by tag, dispatch of every kind's values, changes during dispatch,
// and changes racing with real port events on other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/port/PortEvents.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::core::PortEvents;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

// A handle as the port layer raises it, for values a real port cannot produce on demand.
void *const kPort = reinterpret_cast<void *>(Int{0x5000});

// The values an event delivered, as one line of text.
void Append(std::ostringstream &out, const Bytes &bytes) {
  for (std::uint8_t b : bytes) out << ' ' << int{b};
}
template <typename T>
void Append(std::ostringstream &out, const T &value) {
  out << ' ' << value;
}
template <typename... T>
std::string Join(const char *kind, const T &...values) {
  std::ostringstream out;
  out << kind;
  (Append(out, values), ...);
  return out.str();
}

// Removes, at the end of each test, every closure under the tags these tests use, of every kind:
// the closures refer to the fixture and the test's locals.
class EventBridge : public velmora::test::PortTest {
 protected:
  void TearDown() override {
    std::vector<Int> tags{INTPTR_MIN, -1};
    for (Int base : {0, 1000, 2000}) {
      for (Int i = 0; i < 10; ++i) tags.push_back(base + i);
    }
    using Remove = bool (*)(Int);
    for (Remove remove :
         {velmora::VP_Port_RemoveOnPortOpenedEvent, velmora::VP_Port_RemoveOnPortOpenFailededEvent,
          velmora::VP_Port_RemoveOnPortClosedEvent, velmora::VP_Port_RemoveOnPortWrittenEvent,
          velmora::VP_Port_RemoveOnPortReceivedEvent,
          velmora::VP_Printer_RemoveOnPrinterStatusEvent,
          velmora::VP_Printer_RemoveOnPrinterReceivedEvent,
          velmora::VP_Printer_RemoveOnPrinterPrintedEvent}) {
      for (Int tag : tags) remove(tag);
    }
    PortTest::TearDown();
  }
  // The closures here run on the thread that raises their event, this test's thread.
  void Log(const std::string &entry) { log_.push_back(entry); }
  Names TakeLog() { return std::exchange(log_, {}); }
  // A closed-event closure that logs `name`.
  bool AddClosed(Int tag, const std::string &name) {
    return velmora::VP_Port_AddOnPortClosedEvent([this, name](Int) { Log(name); }, tag);
  }
  // Raises one closed event the way the port layer does; what the closures logged.
  Names RaiseClosed() {
    PortEvents::Get().closed.Raise(kPort);
    return TakeLog();
  }
  Names log_;
};

TEST_F(EventBridge, TagsAreUniqueWithinAKindAndClosuresRunInRegistrationOrder) {
  EXPECT_FALSE(velmora::VP_Port_RemoveOnPortClosedEvent(7));  // nothing registered yet
  EXPECT_TRUE(AddClosed(7, "A"));
  EXPECT_FALSE(AddClosed(7, "second"));
  EXPECT_TRUE(velmora::VP_Printer_AddOnPrinterPrintedEvent([&](Int, Int) { Log("printed"); }, 7));
  EXPECT_TRUE(AddClosed(8, "B"));
  EXPECT_TRUE(AddClosed(9, "D"));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(8));
  EXPECT_FALSE(velmora::VP_Port_RemoveOnPortClosedEvent(8));
  // One flat entry for the kind: each closure runs once per event.
  EXPECT_EQ(RaiseClosed(), (Names{"A", "D"}));
  PortEvents::Get().printer_printed.Raise(kPort, 1u);
  EXPECT_EQ(TakeLog(), Names{"printed"});

  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(7));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(9));
  EXPECT_TRUE(RaiseClosed().empty());
  // A tag is free again after its removal; tags may be any Int.
  EXPECT_TRUE(AddClosed(7, "again"));
  EXPECT_TRUE(AddClosed(INTPTR_MIN, "min"));
  EXPECT_TRUE(AddClosed(0, "zero"));
  EXPECT_EQ(RaiseClosed(), (Names{"again", "min", "zero"}));
}

TEST_F(EventBridge, ChangesDuringADispatchShowFromTheNextEvent) {
  // A removes itself and C and adds D: C still runs in this dispatch, D first in the next. A's
  // captures live until it returns and are freed once the dispatch lets go of it.
  auto owned = std::make_shared<std::string>("A");
  std::weak_ptr<std::string> watch = owned;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [this, owned](Int) {
        EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(1));
        Log(*owned);
        EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(3));
        EXPECT_TRUE(AddClosed(4, "D"));
      },
      1));
  owned.reset();
  // Closures that throw, or hold nothing, keep no other closure from its event.
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([](Int) { throw std::runtime_error("!"); }, 5));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(velmora::PortClosedEventClosure(), 6));
  ASSERT_TRUE(AddClosed(2, "B"));
  ASSERT_TRUE(AddClosed(3, "C"));
  EXPECT_EQ(RaiseClosed(), (Names{"A", "B", "C"}));
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(RaiseClosed(), (Names{"B", "D"}));
}

TEST_F(EventBridge, EveryKindDeliversItsValues) {
  using std::int64_t;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortOpenedEvent(
      [&](Int h, const std::string &name) { Log(Join("opened", h, name)); }, 1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortOpenFailedEvent(
      [&](Int h, const std::string &name) { Log(Join("failed", h, name)); }, 1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int h) { Log(Join("closed", h)); }, 1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortWrittenEvent(
      [&](Int h, const Bytes &b, Int n) { Log(Join("written", h, n, b)); }, 1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortReceivedEvent(
      [&](Int h, const Bytes &b, Int n) { Log(Join("received", h, n, b)); }, 1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterStatusEvent(
      [&](Int h, int64_t error, int64_t info) { Log(Join("status", h, error, info)); }, 1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterReceivedEvent(
      [&](Int h, Int count) { Log(Join("count", h, count)); }, 1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterPrintedEvent(
      [&](Int h, Int id) { Log(Join("page", h, id)); }, 1));

  auto &events = PortEvents::Get();
  unsigned char data[] = {0, 255, 10};
  events.opened.Raise(kPort, "caf\xC3\xA9");
  events.opened.Raise(kPort, static_cast<const char *>(nullptr));
  events.open_failed.Raise(static_cast<void *>(nullptr), "10.0.0.9\xFF");
  events.closed.Raise(kPort);
  events.written.Raise(kPort, data, 3u);
  events.written.Raise(kPort, data, 0u);
  events.received.Raise(kPort, data, 2u);
  events.printer_status.Raise(kPort, int64_t{INT64_MIN | 0x81}, int64_t{-2});
  events.printer_received.Raise(kPort, 4294967295u);
  events.printer_printed.Raise(kPort, 4294967295u);
  events.printer_printed.Raise(static_cast<void *>(nullptr), 0u);

  EXPECT_EQ(TakeLog(), (Names{
                           "opened 20480 caf\xC3\xA9",
                           "opened 20480 ",
                           "failed 0 10.0.0.9\xEF\xBF\xBD",
                           "closed 20480",
                           "written 20480 3 0 255 10",
                           "written 20480 0",
                           "received 20480 2 0 255",
                           "status 20480 -9223372036854775679 -2",
                           "count 20480 4294967295",
                           "page 20480 4294967295",
                           "page 0 0",
                       }));
}

TEST_F(EventBridge, ChangesRaceSafelyWithEventsOnOtherThreads) {
  std::atomic<bool> stop{false};
  std::atomic<long> written{0}, statuses{0};
  // One closure of each kind stays registered, so that the dispatches always have work; the
  // written events come from real memory ports.
  ASSERT_TRUE(
      velmora::VP_Port_AddOnPortWrittenEvent([&](Int, const Bytes &, Int) { ++written; }, -1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterStatusEvent(
      [&](Int, std::int64_t, std::int64_t) { ++statuses; }, -1));

  std::vector<std::thread> raisers;
  for (int t = 0; t < 2; ++t) {
    raisers.emplace_back([&, t] {
      const Int handle = velmora::VP_Port_OpenMemoryBuffer(1 << 20);
      const Bytes one{static_cast<std::uint8_t>(t)};
      while (!stop.load()) {
        velmora::VP_Port_Write(handle, one, 1, 100);
        PortEvents::Get().printer_status.Raise(kPort, std::int64_t{1}, std::int64_t{2});
        if (!velmora::VP_Port_ClearMemoryBufferData(handle)) break;
      }
      velmora::VP_Port_Close(handle);
    });
  }
  std::vector<std::thread> changers;
  for (int t = 0; t < 3; ++t) {
    changers.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        const Int tag = t * 1000 + i % 7;
        velmora::VP_Port_AddOnPortWrittenEvent(
            [&, tag](Int, const Bytes &, Int) {
              // Closures removing tags, their own included, while others add.
              if (tag % 2 == 0) velmora::VP_Port_RemoveOnPortWrittenEvent(tag);
            },
            tag);
        velmora::VP_Printer_AddOnPrinterStatusEvent([&](Int, std::int64_t, std::int64_t) {}, tag);
        velmora::VP_Port_RemoveOnPortWrittenEvent(tag + 3);
        velmora::VP_Printer_RemoveOnPrinterStatusEvent(tag);
      }
    });
  }
  for (auto &thread : changers) thread.join();
  const bool both_seen =
      velmora::test::WaitUntil([&] { return written > 500 && statuses > 500; }, 20000);
  stop.store(true);
  for (auto &thread : raisers) thread.join();
  ASSERT_TRUE(both_seen);

  // The lists are consistent afterwards: every tag can be removed once at most.
  for (int t = 0; t < 3; ++t) {
    for (int i = 0; i < 7; ++i) {
      velmora::VP_Port_RemoveOnPortWrittenEvent(t * 1000 + i);
      EXPECT_FALSE(velmora::VP_Port_RemoveOnPortWrittenEvent(t * 1000 + i));
    }
  }
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortWrittenEvent(-1));
}

}  // namespace
