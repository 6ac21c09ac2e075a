// A printer that hangs up while a write is under way: the write fails at once, with no more
// reported written than went out, and the port closes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <thread>

#include "HangUpBehaviour.h"
#include "VirtualTcpPrinter.h"
#include "platform/Clock.h"
#include "support/EventRecorder.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using vprinter::Bytes;

class WriteHangUpTest : public PortTest {
 protected:
  void TearDown() override {
    printer_.Stop();
    PortTest::TearDown();
  }
  // Starts the printer and opens a port to it, recording the port's events.
  void *Open() {
    if (!printer_.Start()) return nullptr;
    events_.Register();
    void *h = VP_Port_OpenTcp("", "127.0.0.1", printer_.port(), 2000, 0);
    return h != nullptr && printer_.WaitForAccepted(1, ScaledMs(5000)) ? h : nullptr;
  }
  vprinter::VirtualTcpPrinter printer_;
  EventRecorder events_;
  std::shared_ptr<vprinter::HangUpBehaviour> hang_up_ =
      std::make_shared<vprinter::HangUpBehaviour>(printer_);
};

TEST_F(WriteHangUpTest, APeerThatHangsUpMidWriteFailsTheWriteAtOnce) {
  printer_.printer().AddBehaviour(hang_up_);
  void *h = Open();
  ASSERT_NE(h, nullptr);
  hang_up_->Arm(64 << 10);
  // Far more than the socket buffers hold, so the write is still going when the printer leaves.
  const Bytes job(64 << 20, 0x5A);
  const int written =
      VP_Port_Write(h, job.data(), static_cast<unsigned>(job.size()), LongTimeoutMs());
  const int64_t returned = platform::steadyMs();
  ASSERT_GE(hang_up_->HungUpAtMs(), 0);
  EXPECT_LT(written, static_cast<int>(job.size())) << "part of a job is no success";
  EXPECT_GE(written, -1);
  EXPECT_LT(returned - hang_up_->HungUpAtMs(), ScaledMs(1000))
      << "ended by the hang-up, not by its timeout";
  EXPECT_EQ(events_.Bytes("written", h).size(), static_cast<size_t>(written > 0 ? written : 0))
      << "the written event tells what the write returned";
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_EQ(VP_Port_Write(h, job.data(), 16, 1000), -1) << "the port is gone";
}

// The printer stops reading, so the write waits for room in the full send buffer, and then it
// hangs up: the write ends then, not at its timeout.
TEST_F(WriteHangUpTest, APeerThatHangsUpWhileTheWriteWaitsForRoomEndsIt) {
  void *h = Open();
  ASSERT_NE(h, nullptr);
  printer_.SetReading(false);
  const Bytes job(64 << 20, 0x5A);
  int64_t returned = -1;
  auto write = std::async(std::launch::async, [&] {
    const int n = VP_Port_Write(h, job.data(), static_cast<unsigned>(job.size()), LongTimeoutMs());
    returned = platform::steadyMs();
    return n;
  });
  // The loopback buffers hold a few megabytes at most: once what the printer holds unread stops
  // growing, the rest of the job waits for room.
  size_t unread = 0;
  ASSERT_TRUE(WaitUntil([&] {
    const size_t before = unread;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    unread = printer_.UnreadCount();
    return unread > 0 && unread == before;
  }));
  const int64_t hung_up = platform::steadyMs();
  printer_.CloseConnections();
  const int written = write.get();
  EXPECT_LT(written, static_cast<int>(job.size()));
  EXPECT_LT(returned - hung_up, ScaledMs(1000)) << "ended by the hang-up, not by its timeout";
  EXPECT_EQ(events_.Bytes("written", h).size(), static_cast<size_t>(written > 0 ? written : 0));
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
}

}  // namespace
}  // namespace velmora::test
