// A printer that sends its last bytes and hangs up: a reader waiting for them gets every one,
// also when they end like the start of a status packet and are still held when the link goes.
#include <gtest/gtest.h>

#include <future>
#include <string>

#include "VirtualTcpPrinter.h"
#include "support/EventRecorder.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using vprinter::Bytes;

class HangUpTail : public PortTest {
 protected:
  void TearDown() override {
    printer_.Stop();
    PortTest::TearDown();
  }
  vprinter::VirtualTcpPrinter printer_;
};

TEST_F(HangUpTail, AWaitingReadGetsEveryByteSentBeforeTheHangUp) {
  ASSERT_TRUE(printer_.Start());
  EventRecorder events;
  events.Register();
  // The race between the hang-up and the held bytes is lost only now and then: many rounds.
  for (int round = 0; round < 8; ++round) {
    for (const std::string tail : {"YES", "ST", "STA", "STAT", "STATU", "STATUS", "STATUS\r"}) {
      SCOPED_TRACE(tail + " in round " + std::to_string(round));
      const size_t before = printer_.AcceptedCount();
      void *h = VP_Port_OpenTcp("", "127.0.0.1", printer_.port(), 2000, 0);
      ASSERT_NE(h, nullptr);
      ASSERT_TRUE(printer_.WaitForAccepted(before + 1, ScaledMs(5000)));
      const std::string text = "ok:" + tail;
      Bytes got(text.size() + 1, 0);
      auto read = std::async(std::launch::async, [&] {
        return VP_Port_Read(h, got.data(), static_cast<unsigned>(text.size()), LongTimeoutMs());
      });
      // Once the reader has taken the first bytes it is waiting for the rest.
      printer_.Send({'o', 'k'});
      ASSERT_TRUE(WaitUntil([&] { return events.Bytes("received", h).size() == 2; }));
      ASSERT_TRUE(WaitUntil([&] { return VP_Port_Available(h) == 0; }));
      printer_.Send(Bytes(text.begin() + 2, text.end()));
      printer_.CloseConnections();
      EXPECT_EQ(read.get(), static_cast<int>(text.size()));
      EXPECT_EQ(std::string(got.begin(), got.begin() + static_cast<long>(text.size())), text);
      VP_Port_Close(h);
    }
  }
}

}  // namespace
}  // namespace velmora::test
