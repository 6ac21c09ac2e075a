// The process-wide port event lists: registration rules, order, and the thread of each event.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "platform/DetachedThreads.h"
#include "support/EventRecorder.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using PortEventsTest = PortTest;

std::vector<std::string> *g_calls = nullptr;
void First(void *, unsigned char *, unsigned int, void *tag) {
  g_calls->push_back(std::string("first:") + static_cast<const char *>(tag));
}
void Second(void *, unsigned char *, unsigned int, void *tag) {
  g_calls->push_back(std::string("second:") + static_cast<const char *>(tag));
}
void Throws(void *, unsigned char *, unsigned int, void *) {
  throw 1;
}
void RemovesItself(void *, unsigned char *, unsigned int, void *) {
  g_calls->push_back("removes-itself");
  VP_Port_RemoveOnPortWrittenEvent(RemovesItself);
}

TEST_F(PortEventsTest, ListRefusesNullAndDuplicatesAndCallsInOrder) {
  std::vector<std::string> calls;
  g_calls = &calls;
  char a[] = "a", b[] = "b", other[] = "other";
  EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(nullptr, a), 0);
  EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(First, a), 1);
  EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(Second, b), 1);
  EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(First, other), 0) << "compared by callback alone";

  void *h = VP_Port_OpenMemoryBuffer(64);
  ASSERT_NE(h, nullptr);
  const unsigned char byte = 0x1B;
  ASSERT_EQ(VP_Port_Write(h, &byte, 1, 100), 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"first:a", "second:b"}))
      << "the listed entry keeps the private data it was added with";

  EXPECT_EQ(VP_Port_RemoveOnPortWrittenEvent(First), 1);
  EXPECT_EQ(VP_Port_RemoveOnPortWrittenEvent(First), 0);
  // A callback that removes itself, first or last, costs no other callback the event.
  for (const bool first : {true, false}) {
    EXPECT_EQ(VP_Port_RemoveOnPortWrittenEvent(Second), 1);
    EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(first ? RemovesItself : Second, b), 1);
    EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(first ? Second : RemovesItself, b), 1);
    calls.clear();
    ASSERT_EQ(VP_Port_Write(h, &byte, 1, 100), 1);
    ASSERT_EQ(VP_Port_Write(h, &byte, 1, 100), 1);
    const std::vector<std::string> expected =
        first ? std::vector<std::string>{"removes-itself", "second:b", "second:b"}
              : std::vector<std::string>{"second:b", "removes-itself", "second:b"};
    EXPECT_EQ(calls, expected);
  }
  EXPECT_EQ(VP_Port_RemoveOnPortWrittenEvent(Second), 1);

  // A callback that throws keeps neither the write from its result nor the next callback.
  EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(Throws, nullptr), 1);
  EXPECT_EQ(VP_Port_AddOnPortWrittenEvent(Second, b), 1);
  calls.clear();
  EXPECT_EQ(VP_Port_Write(h, &byte, 1, 100), 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"second:b"}));
  EXPECT_EQ(VP_Port_RemoveOnPortWrittenEvent(Throws), 1);
  EXPECT_EQ(VP_Port_RemoveOnPortWrittenEvent(Second), 1);

  calls.clear();
  ASSERT_EQ(VP_Port_Write(h, &byte, 0, 100), 0);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(VP_Port_Close(h), 1);
  g_calls = nullptr;
}

TEST_F(PortEventsTest, EachEventArrivesOnItsThreadWithItsArguments) {
  vprinter::VirtualTcpPrinter printer;
  ASSERT_TRUE(printer.Start());
  EventRecorder events;
  events.Register();
  const auto caller = std::this_thread::get_id();

  void *h = VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 2000, 0);
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(events.WaitForCount("opened", 1));
  const auto opened = events.Events("opened")[0];
  EXPECT_EQ(opened.handle, h);
  EXPECT_EQ(opened.name, "127.0.0.1");
  EXPECT_NE(opened.thread, caller) << "opened runs on a child thread";

  const unsigned char job[] = {0x1B, 0x40, 'o', 'k'};
  ASSERT_EQ(VP_Port_Write(h, job, sizeof job, 1000), 4);
  const auto written = events.Events("written");
  ASSERT_EQ(written.size(), 1u) << "raised before the write returns";
  EXPECT_EQ(written[0].thread, caller);
  EXPECT_EQ(written[0].bytes, std::vector<uint8_t>(job, job + 4));

  ASSERT_TRUE(printer.WaitForAccepted(1, ScaledMs(5000)));
  printer.Send({0x10, 0x20});
  ASSERT_TRUE(WaitUntil([&] { return events.Bytes("received", h).size() == 2; }));
  const auto received = events.Events("received")[0];
  EXPECT_EQ(received.handle, h);
  EXPECT_NE(received.thread, caller) << "received runs on the read thread";

  EXPECT_EQ(VP_Port_Close(h), 1);
  ASSERT_TRUE(events.WaitForCount("closed", 1));
  EXPECT_EQ(events.Events("closed")[0].handle, h);
  EXPECT_NE(events.Events("closed")[0].thread, caller);

  // A memory port reports its open and its close once, however often it is closed.
  void *memory = VP_Port_OpenMemoryBuffer(8);
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(VP_Port_Close(memory), 1);
  EXPECT_EQ(VP_Port_Close(memory), 0);
  EXPECT_EQ(VP_Port_Close(h), 0);
  EXPECT_TRUE(platform::waitForDetachedThreads(ScaledMs(5000)));
  EXPECT_EQ(events.Count("opened"), 2u);
  EXPECT_EQ(events.Count("closed"), 2u);
}

}  // namespace
}  // namespace velmora::test
