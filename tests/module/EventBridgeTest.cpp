// Event closures: registration by tag, dispatch of every kind's values, changes during dispatch,
// real port events, and changes racing with events on other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "core/port/PortEvents.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::core::PortEvents;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

void *const kPort = reinterpret_cast<void *>(Int{0x5000});

// Raising an event the way the port layer does, for values a real port cannot produce on
// demand.
void RaiseClosed(void *handle = kPort) {
  PortEvents::Get().closed.Raise(handle);
}

// Records calls in order, thread-safely.
class Log {
 public:
  void Add(const std::string &entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(entry);
  }
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(entries_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

// The closures here refer to their test's locals: the fixtures remove every closure under the
// tags these tests use, of every kind, so that none outlives its test.
void RemoveTestClosures() {
  std::vector<Int> tags{INTPTR_MIN, -1, 'A', 'B', 'D'};
  for (Int base : {0, 1000, 2000}) {
    for (Int i = 0; i < 10; ++i) tags.push_back(base + i);
  }
  for (Int tag : tags) {
    velmora::VP_Port_RemoveOnPortOpenedEvent(tag);
    velmora::VP_Port_RemoveOnPortOpenFailededEvent(tag);
    velmora::VP_Port_RemoveOnPortClosedEvent(tag);
    velmora::VP_Port_RemoveOnPortWrittenEvent(tag);
    velmora::VP_Port_RemoveOnPortReceivedEvent(tag);
    velmora::VP_Printer_RemoveOnPrinterStatusEvent(tag);
    velmora::VP_Printer_RemoveOnPrinterReceivedEvent(tag);
    velmora::VP_Printer_RemoveOnPrinterPrintedEvent(tag);
  }
}

class EventBridge : public velmora::test::PortTest {
 protected:
  void TearDown() override {
    RemoveTestClosures();
    PortTest::TearDown();
  }
};

TEST_F(EventBridge, ATagIsUniqueWithinAKindOnly) {
  Log log;
  EXPECT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("first"); }, 7));
  EXPECT_FALSE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("second"); }, 7));
  EXPECT_TRUE(
      velmora::VP_Printer_AddOnPrinterPrintedEvent([&](Int, Int) { log.Add("printed"); }, 7));
  RaiseClosed();
  // One flat entry for the kind: the closure runs once per event.
  EXPECT_EQ(log.Take(), std::vector<std::string>{"first"});
  PortEvents::Get().printer_printed.Raise(kPort, 1u);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"printed"});
}

TEST_F(EventBridge, RegisterRemoveRegisterKeepsOneFlatEntry) {
  std::atomic<int> calls{0};
  EXPECT_FALSE(velmora::VP_Port_RemoveOnPortClosedEvent(3));  // nothing registered yet
  EXPECT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { ++calls; }, 3));
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(3));
  EXPECT_FALSE(velmora::VP_Port_RemoveOnPortClosedEvent(3));
  RaiseClosed();
  EXPECT_EQ(calls.load(), 0);
  EXPECT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { ++calls; }, 3));
  RaiseClosed();
  EXPECT_EQ(calls.load(), 1);
}

TEST_F(EventBridge, ClosuresRunInRegistrationOrderAndRemovalKeepsTheRest) {
  Log log;
  for (const char *name : {"A", "B", "D"}) {
    ASSERT_TRUE(
        velmora::VP_Port_AddOnPortClosedEvent([&log, name](Int) { log.Add(name); }, name[0]));
  }
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent('B'));
  RaiseClosed();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"A", "D"}));
  // Tags may be any Int.
  EXPECT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("neg"); }, INTPTR_MIN));
  EXPECT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("zero"); }, 0));
  RaiseClosed();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"A", "D", "neg", "zero"}));
}

TEST_F(EventBridge, RemovalDuringADispatchShowsFromTheNextEvent) {
  Log log;
  // A removes itself and C; C still runs in this dispatch, neither from the next one on.
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [&](Int) {
        log.Add("A");
        EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(1));
        EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(3));
      },
      1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("B"); }, 2));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("C"); }, 3));
  RaiseClosed();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"A", "B", "C"}));
  RaiseClosed();
  EXPECT_EQ(log.Take(), std::vector<std::string>{"B"});
  EXPECT_TRUE(velmora::VP_Port_RemoveOnPortClosedEvent(2));
  RaiseClosed();
  EXPECT_TRUE(log.Take().empty());
}

TEST_F(EventBridge, AClosureAddedDuringADispatchIsFirstCalledAtTheNextEvent) {
  Log log;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [&](Int) {
        log.Add("A");
        velmora::VP_Port_AddOnPortClosedEvent([&](Int) { log.Add("late"); }, 2);
      },
      1));
  RaiseClosed();
  EXPECT_EQ(log.Take(), std::vector<std::string>{"A"});
  RaiseClosed();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"A", "late"}));
}

TEST_F(EventBridge, AClosureRemovedWhileItRunsStaysAliveUntilItReturns) {
  auto owned = std::make_shared<std::string>("still here");
  std::string seen;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [&seen, owned](Int) {
        velmora::VP_Port_RemoveOnPortClosedEvent(1);
        seen = *owned;  // the closure's captures outlive its own removal
      },
      1));
  std::weak_ptr<std::string> watch = owned;
  owned.reset();
  RaiseClosed();
  EXPECT_EQ(seen, "still here");
  EXPECT_TRUE(watch.expired());  // freed once the dispatch let go of it
}

TEST_F(EventBridge, ThrowingOrEmptyClosuresDoNotStopTheOthers) {
  std::atomic<int> calls{0};
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [](Int) { throw std::runtime_error("closure failed"); }, 1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(velmora::PortClosedEventClosure(), 2));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent([&](Int) { ++calls; }, 3));
  RaiseClosed();
  EXPECT_EQ(calls.load(), 1);
}

TEST_F(EventBridge, EveryKindDeliversItsValues) {
  Log log;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortOpenedEvent(
      [&](Int h, const std::string &name) { log.Add("opened " + std::to_string(h) + " " + name); },
      1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortOpenFailedEvent(
      [&](Int h, const std::string &name) { log.Add("failed " + std::to_string(h) + " " + name); },
      1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [&](Int h) { log.Add("closed " + std::to_string(h)); }, 1));
  auto bytes_text = [](const char *what, Int h, const Bytes &bytes, Int count) {
    std::string text = std::string(what) + " " + std::to_string(h) + " " + std::to_string(count);
    for (std::uint8_t b : bytes) text.append(" ").append(std::to_string(b));
    return text;
  };
  ASSERT_TRUE(velmora::VP_Port_AddOnPortWrittenEvent(
      [&](Int h, const Bytes &b, Int n) { log.Add(bytes_text("written", h, b, n)); }, 1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortReceivedEvent(
      [&](Int h, const Bytes &b, Int n) { log.Add(bytes_text("received", h, b, n)); }, 1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterStatusEvent(
      [&](Int h, std::int64_t error, std::int64_t info) {
        log.Add("status " + std::to_string(h) + " " + std::to_string(error) + " " +
                std::to_string(info));
      },
      1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterReceivedEvent(
      [&](Int h, Int count) {
        log.Add("count " + std::to_string(h) + " " + std::to_string(count));
      },
      1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterPrintedEvent(
      [&](Int h, Int id) { log.Add("page " + std::to_string(h) + " " + std::to_string(id)); }, 1));

  auto &events = PortEvents::Get();
  unsigned char data[] = {0, 255, 10};
  events.opened.Raise(kPort, "caf\xC3\xA9");
  events.opened.Raise(kPort, static_cast<const char *>(nullptr));
  events.open_failed.Raise(static_cast<void *>(nullptr), "10.0.0.9\xFF");
  events.closed.Raise(kPort);
  events.written.Raise(kPort, data, 3u);
  events.written.Raise(kPort, data, 0u);
  events.received.Raise(kPort, data, 2u);
  events.printer_status.Raise(kPort, std::int64_t{INT64_MIN | 0x81}, std::int64_t{-2});
  events.printer_received.Raise(kPort, 4294967295u);
  events.printer_printed.Raise(kPort, 4294967295u);
  events.printer_printed.Raise(static_cast<void *>(nullptr), 0u);

  const std::string h = std::to_string(Int{0x5000});
  EXPECT_EQ(log.Take(), (std::vector<std::string>{
                            "opened " + h + " caf\xC3\xA9",
                            "opened " + h + " ",
                            "failed 0 10.0.0.9\xEF\xBF\xBD",
                            "closed " + h,
                            "written " + h + " 3 0 255 10",
                            "written " + h + " 0",
                            "received " + h + " 2 0 255",
                            "status " + h + " -9223372036854775679 -2",
                            "count " + h + " 4294967295",
                            "page " + h + " 4294967295",
                            "page 0 0",
                        }));
}

TEST_F(EventBridge, EachClosureGetsTheSameBytes) {
  std::vector<const Bytes *> seen;
  for (Int tag = 0; tag < 3; ++tag) {
    ASSERT_TRUE(velmora::VP_Port_AddOnPortReceivedEvent(
        [&](Int, const Bytes &bytes, Int) { seen.push_back(&bytes); }, tag));
  }
  unsigned char data[] = {1, 2};
  PortEvents::Get().received.Raise(kPort, data, 2u);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], seen[1]);  // made once per event
  EXPECT_EQ(seen[1], seen[2]);
}

using EventBridgeOnPorts = EventBridge;

TEST_F(EventBridgeOnPorts, EventsOfARealTcpPortReachTheClosures) {
  velmora::vprinter::VirtualTcpPrinter printer;
  ASSERT_TRUE(printer.Start());

  std::mutex mutex;
  std::vector<std::pair<Int, std::string>> opened;
  std::vector<Int> closed;
  Bytes written, received;
  Int written_handle = 0, received_handle = 0;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortOpenedEvent(
      [&](Int h, const std::string &name) {
        std::lock_guard<std::mutex> lock(mutex);
        opened.emplace_back(h, name);
      },
      1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortWrittenEvent(
      [&](Int h, const Bytes &bytes, Int count) {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(count, static_cast<Int>(bytes.size()));
        written_handle = h;
        written.insert(written.end(), bytes.begin(), bytes.end());
      },
      1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortReceivedEvent(
      [&](Int h, const Bytes &bytes, Int count) {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(count, static_cast<Int>(bytes.size()));
        received_handle = h;
        received.insert(received.end(), bytes.begin(), bytes.end());
      },
      1));
  ASSERT_TRUE(velmora::VP_Port_AddOnPortClosedEvent(
      [&](Int h) {
        std::lock_guard<std::mutex> lock(mutex);
        closed.push_back(h);
      },
      1));

  const Int handle = velmora::VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 3000, 0);
  ASSERT_NE(handle, 0);
  auto locked = [&](auto check) {
    return [&, check] {
      std::lock_guard<std::mutex> lock(mutex);
      return check();
    };
  };
  ASSERT_TRUE(WaitUntil(locked([&] { return !opened.empty(); })));
  EXPECT_EQ(opened, (std::vector<std::pair<Int, std::string>>{{handle, "127.0.0.1"}}));

  EXPECT_EQ(velmora::VP_Port_Write(handle, Bytes{0x1B, 0x40, 0x00, 0xFF}, 4, 1000), 4);
  ASSERT_TRUE(WaitUntil(locked([&] { return written.size() == 4; })));
  EXPECT_EQ(written, (Bytes{0x1B, 0x40, 0x00, 0xFF}));
  EXPECT_EQ(written_handle, handle);

  printer.Send({0x10, 0x00, 0x20});
  ASSERT_TRUE(WaitUntil(locked([&] { return received.size() == 3; })));
  EXPECT_EQ(received, (Bytes{0x10, 0x00, 0x20}));
  EXPECT_EQ(received_handle, handle);

  // The printer hangs up: the port reports itself closed.
  printer.CloseConnections();
  ASSERT_TRUE(WaitUntil(locked([&] { return !closed.empty(); })));
  EXPECT_EQ(closed, std::vector<Int>{handle});
  ASSERT_TRUE(WaitUntil([&] { return !velmora::VP_Port_IsOpened(handle); }));
}

TEST_F(EventBridgeOnPorts, ChangesRaceSafelyWithEventsOnOtherThreads) {
  std::atomic<bool> stop{false};
  std::atomic<long> calls{0};
  // Keep one closure registered so that the dispatches always have work.
  ASSERT_TRUE(
      velmora::VP_Port_AddOnPortWrittenEvent([&](Int, const Bytes &, Int) { ++calls; }, -1));
  ASSERT_TRUE(velmora::VP_Printer_AddOnPrinterStatusEvent(
      [&](Int, std::int64_t, std::int64_t) { ++calls; }, -1));

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
              ++calls;
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
  ASSERT_TRUE(WaitUntil([&] { return calls.load() > 1000; }, 20000));
  stop.store(true);
  for (auto &thread : raisers) thread.join();

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
