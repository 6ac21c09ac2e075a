// Ports that speak the basic layout: what a write's timeout bounds, and counts on slow links.
#include <gtest/gtest.h>

#include "BlePortTest.h"
#include "ble/GattPacketLink.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

class BasicPortTest : public BlePortTest {
 protected:
  void *OpenBasic(bool takes_writes_with_response) {
    basic_ = std::make_shared<sim::BasicPrinterService>();
    basic_->SetTakesWritesWithResponse(takes_writes_with_response);
    printer_ = &Place({basic_});
    return Keep(VP_Port_OpenBtBle(address(), 0));
  }

  std::shared_ptr<sim::BasicPrinterService> basic_;
  VirtualBlePrinter *printer_ = nullptr;
};

// A printer that takes only writes without response gets paced packets: a short timeout bounds
// the write but never keeps it from starting.
TEST_F(BasicPortTest, AShortTimeoutStillSendsToAPrinterThatTakesNoWritesWithResponse) {
  void *handle = OpenBasic(false);
  ASSERT_NE(handle, nullptr);
  printer_->peripheral().RecordWrites(true);
  const auto data = Pattern(400);
  std::vector<uint8_t> expected;
  for (unsigned timeout : {200u, 999u, 1000u, 0u}) {
    SCOPED_TRACE(timeout);
    const int written = VP_Port_Write(handle, data.data(), 400, timeout);
    if (timeout == 0) {
      EXPECT_GT(written, 0);  // at least the first packet goes out
    } else {
      EXPECT_EQ(written, 400);
    }
    ASSERT_GE(written, 0);
    expected.insert(expected.end(), data.begin(), data.begin() + written);
    ASSERT_TRUE(basic_->WaitForAccepted(expected.size(), 5000));
    EXPECT_EQ(basic_->Accepted(), expected);
  }
  for (const auto &write : printer_->peripheral().Writes()) EXPECT_FALSE(write.with_response);
  // A status query with a short timeout is sent and answered.
  EXPECT_NE(VP_Pos_QueryRTStatus(handle, static_cast<unsigned>(ScaledMs(500))), 0);
}

// A paced packet keeps its whole pace (packet size / 4 ms) past the write's timeout, so the next
// write's first packet cannot follow it too soon: two packets of 182 bytes take two paces.
TEST_F(BasicPortTest, APacedPacketKeepsItsPacePastTheTimeout) {
  void *handle = OpenBasic(false);
  ASSERT_NE(handle, nullptr);
  const auto data = Pattern(364);
  const long long elapsed =
      ElapsedMs([&] { EXPECT_EQ(VP_Port_Write(handle, data.data(), 364, 60), 364); });
  EXPECT_GE(elapsed, 2 * (182 / 4));
}

// One packet per 800 ms: an acknowledgement comes long after a short timeout, and the write waits
// for it rather than count short. Each short write follows a write that just got its answer, so
// its packet waits for the next connection event, most of an interval away.
TEST_F(BasicPortTest, AWriteCutShortOnASlowLinkReturnsWhatThePrinterHolds) {
  void *handle = OpenBasic(true);
  ASSERT_NE(handle, nullptr);
  sim::SetLinkRate(1, 800000);
  const auto data = Pattern(2000);
  const std::vector<uint8_t> marker{0xE0};
  std::vector<uint8_t> expected;
  for (unsigned timeout : {1u, 250u}) {
    SCOPED_TRACE(timeout);
    ASSERT_EQ(VP_Port_Write(handle, marker.data(), 1, LongTimeoutMs()), 1);
    expected.push_back(0xE0);
    const int written = VP_Port_Write(handle, data.data(), 2000, timeout);
    ASSERT_GE(written, 0);
    expected.insert(expected.end(), data.begin(), data.begin() + written);
  }
  ASSERT_EQ(VP_Port_Write(handle, marker.data(), 1, LongTimeoutMs()), 1);
  expected.push_back(0xE0);
  EXPECT_EQ(basic_->Accepted(), expected);
  EXPECT_GT(expected.size(), 3u);
}

// An acknowledgement that never comes while the link stays up (this platform would wait for it
// for two minutes): the write waits as long as the attribute protocol would, then ends the link
// as failed, and the port closes.
TEST_F(BasicPortTest, LongAnAnswerThatNeverComesFailsTheLink) {
  void *handle = OpenBasic(true);
  ASSERT_NE(handle, nullptr);
  printer_->peripheral().SetTransactionTimeoutMs(120000);
  printer_->peripheral().LoseWriteAcknowledgements(1);
  const auto data = Pattern(100);
  const long long elapsed =
      ElapsedMs([&] { EXPECT_EQ(VP_Port_Write(handle, data.data(), 100, 200), -1); });
  EXPECT_GE(elapsed, ble::GattPacketLink::kTransactionTimeoutMs);
  EXPECT_LT(elapsed, ble::GattPacketLink::kTransactionTimeoutMs + ScaledMs(5000));
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_TRUE(printer_->peripheral().WaitForConnected(false, 5000));
  handles_.clear();  // closed by the library
}

}  // namespace
}  // namespace velmora::test
