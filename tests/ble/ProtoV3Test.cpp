// Protocol V3 against the virtual V3 printer: chunk size and credits.
#include <future>

#include "BleTest.h"
#include "ble/ProtoV3Engine.h"
#include "ble/WriteTimeUp.h"
#include "ble/channels/BLERWProtoV3.h"
#include "support/Wait.h"

namespace velmora::test {
namespace {

using ble::MakeChannel;
using ble::ProtoV3Engine;
namespace sim = ble_sim;

// A link that takes every write at once.
class RecordingLink : public ble::GattPacketLink {
 public:
  bool IsLinkUp() const override { return true; }
  int WritePackWithResponse(const uint8_t *, int count, int) override { return count; }
  int WritePackWithoutResponse(const uint8_t *data, int count, int) override {
    writes.emplace_back(data, data + count);
    return count;
  }
  std::vector<sim::Bytes> writes;
};

class ProtoV3Test : public BleTest {
 protected:
  void Open(int max_without_response = 182) {
    printer_ = sim::VirtualPeripheral::Create("V3 printer");
    printer_->SetPrinterAddress(kAddress);
    printer_->SetMaximumWriteLength(512, max_without_response);
    printer_->AddService(service_);
    printer_->RecordWrites(true);
    sim::AddPeripheral(printer_);
    channel_ = MakeChannel<ble::BLERWProtoV3>();
    ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  }
  int Write(const std::vector<uint8_t> &data, int timeout_ms = 0) {
    return channel_->Write(data.data(), 0, static_cast<int>(data.size()), timeout_ms);
  }
  std::vector<size_t> ChunkSizes() const {
    std::vector<size_t> sizes;
    for (const auto &w : printer_->Writes()) sizes.push_back(w.data.size());
    return sizes;
  }

  std::shared_ptr<sim::ProtoV3PrinterService> service_ =
      std::make_shared<sim::ProtoV3PrinterService>();
  std::shared_ptr<sim::VirtualPeripheral> printer_;
  std::shared_ptr<ble::BLERWProtoV3> channel_;
};

TEST_F(ProtoV3Test, ChunksTakeTheSmallerOfWriteLimitAndAnnouncedSize) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(channel_->engine().mtuSize(), 180);
  EXPECT_EQ(channel_->engine().maximumWriteValueLength(), 182);
  const auto data = Pattern(1000);
  ASSERT_EQ(Write(data), 1000);
  EXPECT_EQ(service_->Accepted(), data);
  EXPECT_EQ(ChunkSizes(), (std::vector<size_t>{180, 180, 180, 180, 180, 100}));
  // Credits carry over from write to write: 16 ahead, one back per chunk.
  EXPECT_TRUE(WaitUntil([&] { return channel_->engine().currentCredits() == 16; }));
  EXPECT_EQ(channel_->engine().totalCredits(), 6);
}

TEST_F(ProtoV3Test, ASmallWriteLimitBoundsTheChunk) {
  ASSERT_NO_FATAL_FAILURE(Open(100));
  EXPECT_TRUE(log_->Contains("maximumWriteValueLength Without Response:100"));
  const auto data = Pattern(450);
  ASSERT_EQ(Write(data), 450);
  EXPECT_EQ(ChunkSizes(), (std::vector<size_t>{100, 100, 100, 100, 50}));
  EXPECT_EQ(Write({}), 0);  // no chunks
  EXPECT_EQ(ChunkSizes().size(), 5u);
}

TEST_F(ProtoV3Test, FewCreditsAheadStillCarryALongJob) {
  service_->SetInitialCredits(2);
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto data = Pattern(30000);
  ASSERT_EQ(Write(data), 30000);
  EXPECT_EQ(service_->Accepted(), data);
  EXPECT_EQ(service_->ChunksReceived(), 167u);
}

TEST_F(ProtoV3Test, CreditsGrantedPastTheChunkCountStillCompleteTheWrite) {
  service_->SetCreditBatch(4);
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto data = Pattern(6 * 180);
  auto result = std::async(std::launch::async, [&] { return Write(data); });
  ASSERT_TRUE(service_->WaitForAccepted(data.size(), 5000));
  // Four credits came back; two chunks are still owed.
  EXPECT_EQ(result.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  ASSERT_TRUE(service_->SendFlowControl({0x01, 0x04}));
  EXPECT_EQ(result.get(), static_cast<int>(data.size()));
}

TEST_F(ProtoV3Test, CreditsGrantedAheadDoNotEndAWriteBeforeEveryChunkIsOut) {
  service_->SetInitialCredits(1);
  service_->SetCreditLimit(1);
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto data = Pattern(6 * 180);
  auto result = std::async(std::launch::async, [&] { return Write(data); });
  ASSERT_TRUE(service_->WaitForAccepted(180, 5000));
  // Six credits at once, as many as there are chunks, while five of them are still to send.
  ASSERT_TRUE(service_->SendFlowControl({0x01, 0x06}));
  EXPECT_EQ(result.get(), static_cast<int>(data.size()));
  // Granted ahead, the credits cover chunks that may still be on their way.
  ASSERT_TRUE(service_->WaitForAccepted(data.size(), 5000));
  EXPECT_EQ(service_->Accepted(), data);
}

// A write that ends with chunks the printer gave no credit for leaves its credits unknown: the link
// ends with that write, so no later write takes a late credit for its own chunks, and a reopen
// starts from the printer's fresh credits.
TEST_F(ProtoV3Test, LateCreditsOfAnEarlierWriteDoNotCountForTheNext) {
  service_->SetCreditLimit(16);  // the credits ahead, then the printer holds back what it owes
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto first = Pattern(1000, 1);
  EXPECT_EQ(Write(first), 0);
  EXPECT_FALSE(channel_->IsOpened());
  EXPECT_EQ(Write(Pattern(10, 2)), -1);
  EXPECT_EQ(service_->Accepted(), first);
  ASSERT_TRUE(printer_->WaitForConnected(false, 5000));
  service_->SetCreditLimit(-1);
  ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  // The printer's fresh credits, and none the host kept from the last link.
  EXPECT_TRUE(WaitUntil([&] { return channel_->engine().currentCredits() == 16; }));
  EXPECT_EQ(channel_->engine().currentCredits(), 16);
  const auto second = Pattern(1000, 3);
  EXPECT_EQ(Write(second), 1000);
  auto both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(service_->Accepted(), both);
}

// One credit lost on the way fails the write it belonged to, not every later one: the next write
// fails at once (the link is gone) instead of waiting out its time while the printer takes it.
TEST_F(ProtoV3Test, ALostCreditFailsItsWriteAndTheLinkNotEveryLaterWrite) {
  ASSERT_NO_FATAL_FAILURE(Open());
  // The size, the credits ahead, then the credit of the third chunk.
  printer_->SetNotificationFilter(
      [](uint64_t sequence, const std::string &, const uint8_t *, size_t) {
        return sim::NotificationFate{sequence == 4, 0};
      });
  const auto first = Pattern(1000, 1);
  EXPECT_EQ(Write(first), 0);
  EXPECT_EQ(service_->Accepted(), first);
  EXPECT_LT(ElapsedMs([&] { EXPECT_EQ(Write(Pattern(1000, 2)), -1); }), ScaledMs(1000));
  EXPECT_EQ(service_->Accepted(), first);
  printer_->SetNotificationFilter(nullptr);
  ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  EXPECT_EQ(Write(Pattern(1000, 3)), 1000);
}

TEST_F(ProtoV3Test, ThePrinterDropsChunksSentWithoutACredit) {
  service_->SetInitialCredits(2);
  service_->SetCreditLimit(2);
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto data = Pattern(300);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(channel_->writePackWithoutResponse(data.data(), i * 100, 100, 0), 100);
  }
  ASSERT_TRUE(WaitUntil([&] { return service_->ChunksReceived() == 3; }));
  EXPECT_EQ(service_->ProtocolErrors(), 1u);
  EXPECT_EQ(service_->Accepted(), sim::Bytes(data.begin(), data.begin() + 200));
}

TEST_F(ProtoV3Test, DataNotificationsGoToTheReaderNotToTheCredits) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_TRUE(WaitUntil([&] { return channel_->engine().currentCredits() == 16; }));
  ASSERT_TRUE(service_->SendRawNotification({0x01, 0x05}));
  uint8_t read[2] = {};
  ASSERT_EQ(channel_->Read(read, 0, 2, 2000), 2);
  EXPECT_EQ(read[0], 0x01);
  EXPECT_EQ(read[1], 0x05);
  EXPECT_EQ(channel_->engine().currentCredits(), 16);
}

TEST_F(ProtoV3Test, ALinkLostDuringAWriteFailsIt) {
  service_->SetInitialCredits(3);
  ASSERT_NO_FATAL_FAILURE(Open());
  printer_->DropLinkAfterWrites(5);
  EXPECT_EQ(Write(Pattern(5000)), -1);
  EXPECT_TRUE(log_->Contains("Write Failed -1/5000"));
}

// Lost while the write waits for credits, the link ends it at once, not at the end of its time:
// no credit comes to wake it.
TEST_F(ProtoV3Test, ALinkLostWhileAWriteWaitsForCreditsEndsItAtOnce) {
  service_->SetInitialCredits(3);
  service_->SetCreditLimit(3);
  ASSERT_NO_FATAL_FAILURE(Open());
  printer_->DropLinkAfterWrites(3);
  // Well within the 10 s after which a write stops waiting for credits that never come.
  EXPECT_LT(ElapsedMs([&] { EXPECT_EQ(Write(Pattern(5000), LongTimeoutMs()), -1); }),
            ble::WriteTimeUp::kSilenceMs / 2);
}

TEST_F(ProtoV3Test, FlowControlMessagesAndTheirArithmetic) {
  ProtoV3Engine engine;
  auto feed = [&](std::vector<uint8_t> bytes) { engine.OnFlowControl(bytes.data(), bytes.size()); };
  feed({0x02, 0xB4});        // too short: no effect
  feed({0x01, 0x05, 0x00});  // too long: no effect
  EXPECT_EQ(engine.mtuSize(), 0);
  EXPECT_EQ(engine.currentCredits(), 0);
  RecordingLink link;
  EXPECT_EQ(engine.WriteCredits(link, nullptr, 0, 100), -1);  // no size yet
  feed({0x02, 0xB4, 0x00});
  EXPECT_EQ(engine.mtuSize(), 180);
  EXPECT_EQ(engine.WriteCredits(link, nullptr, 0, 100), -1);  // no credit yet
  feed({0x01, 0x05});
  EXPECT_EQ(engine.currentCredits(), 5);
  EXPECT_EQ(engine.totalCredits(), 5);
  EXPECT_EQ(engine.WriteCredits(link, nullptr, 0, 100), 0);  // nothing to send
  // No printer holds more than 65535 chunks: credits past that are not counted.
  for (int i = 0; i < 300; ++i) feed({0x01, 0xFF});
  EXPECT_EQ(engine.currentCredits(), 65535);
  engine.ResetForOpen();
  EXPECT_EQ(engine.mtuSize(), 0);
  EXPECT_EQ(engine.currentCredits(), 0);
  EXPECT_TRUE(link.writes.empty());
}

TEST_F(ProtoV3Test, LongCreditsThatStopEndTheWriteAtItsTimeout) {
  service_->SetAnnouncedSize(20);
  service_->SetInitialCredits(16);
  service_->SetCreditLimit(20);
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto data = Pattern(30 * 20);
  const long long elapsed = ElapsedMs([&] { EXPECT_EQ(Write(data, 100), 0); });
  EXPECT_GE(elapsed, 3600);
  EXPECT_TRUE(log_->Contains("Write Failed 0/600"));
  // Twenty chunks went out, in order.
  EXPECT_EQ(service_->Accepted(), sim::Bytes(data.begin(), data.begin() + 400));
}

}  // namespace
}  // namespace velmora::test
