// Closing a port while other threads are inside calls on the same handle.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace {

using velmora::test::LongTimeoutMs;
using velmora::test::ScaledMs;
using velmora::test::WaitUntil;
using velmora::vprinter::Bytes;

class CloseRaceTest : public velmora::test::PortTest {
 protected:
  void SetUp() override { ASSERT_TRUE(printer_.Start()); }
  void *Open() {
    const size_t before = printer_.AcceptedCount();
    void *h = VP_Port_OpenTcp("", "127.0.0.1", printer_.port(), 2000, 0);
    if (h != nullptr) {
      EXPECT_TRUE(printer_.WaitForAccepted(before + 1, ScaledMs(5000)));
    }
    return h;
  }
  velmora::vprinter::VirtualTcpPrinter printer_;
};

TEST_F(CloseRaceTest, CloseWakesABlockedReadAndABlockedWrite) {
  void *h = Open();
  ASSERT_NE(h, nullptr);
  printer_.SetReading(false);

  std::atomic<int> read_result{-2}, write_result{-2};
  std::thread reader([&] {
    unsigned char buffer[16];
    read_result = VP_Port_Read(h, buffer, sizeof buffer, LongTimeoutMs());
  });
  Bytes job(64 << 20, 0xAA);
  std::atomic<bool> writing{false};
  std::thread writer([&] {
    writing = true;
    write_result = VP_Port_Write(h, job.data(), static_cast<unsigned>(job.size()), LongTimeoutMs());
  });
  ASSERT_TRUE(WaitUntil([&] { return writing.load(); }));
  // Give both calls the chance to block; the outcome does not depend on it.
  WaitUntil([] { return false; }, 200);
  EXPECT_EQ(VP_Port_Close(h), 1);
  EXPECT_TRUE(WaitUntil([&] { return read_result != -2 && write_result != -2; }))
      << "the close ends both calls, not their timeouts";
  reader.join();
  writer.join();
  EXPECT_EQ(read_result, 0);
  EXPECT_LT(write_result, static_cast<int>(job.size()));
  EXPECT_EQ(VP_Port_IsOpened(h), 0);
}

TEST_F(CloseRaceTest, ManyCallersAndClosersOnOneHandle) {
  for (int round = 0; round < 20; ++round) {
    void *h = Open();
    ASSERT_NE(h, nullptr);
    std::atomic<bool> stop{false};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
      callers.emplace_back([&, t] {
        unsigned char buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        while (!stop.load()) {
          switch (t) {
            case 0:
              VP_Port_Write(h, buffer, sizeof buffer, 100);
              break;
            case 1:
              VP_Port_Read(h, buffer, sizeof buffer, 2);
              break;
            case 2:
              VP_Port_Available(h);
              VP_Port_IsConnectionValid(h);
              break;
            default:
              VP_Port_SkipAvailable(h);
              VP_Port_IsOpened(h);
              break;
          }
        }
      });
    }
    if (round % 2 == 0) printer_.Send(Bytes(3000, 0x42));
    std::atomic<int> closes{0};
    std::thread closer_a([&] { closes += VP_Port_Close(h); });
    std::thread closer_b([&] { closes += VP_Port_Close(h); });
    closer_a.join();
    closer_b.join();
    EXPECT_EQ(closes.load(), 1) << "exactly one close succeeds";
    stop = true;
    for (auto &c : callers) c.join();
    EXPECT_EQ(VP_Port_IsOpened(h), 0);
  }
}

}  // namespace
