// The basic channel's write modes and its indexed protocol.
#include <deque>
#include <future>
#include <map>
#include <set>

#include "BleTest.h"
#include "ble/BasicWriteEngine.h"
#include "ble/channels/BLEPrinting.h"
#include "support/Wait.h"
#include "velmora/nzio_ble_channels.hpp"

namespace velmora::test {
namespace {

using ble::BasicWriteEngine;
using ble::MakeChannel;
namespace sim = ble_sim;

// A printer side scripted in the test: every data packet is kept by index, and each index
// request is answered at once with the next scripted report.
class ScriptedLink : public ble::GattPacketLink {
 public:
  explicit ScriptedLink(BasicWriteEngine &engine) : engine_(engine) {}
  bool IsLinkUp() const override { return true; }
  int WritePackWithResponse(const uint8_t *data, int count, int) override {
    const sim::Bytes bytes(data, data + count);
    if (bytes == sim::Bytes{0x10, 0x07, 0x01, 0x00, 0x00} && !reports.empty()) {
      const sim::Bytes report{0x10, 0x07, 0xFF, reports.front()};
      reports.pop_front();
      engine_.OnNotification(report.data(), report.size());
    }
    return count;
  }
  int WritePackWithoutResponse(const uint8_t *data, int count, int) override {
    index_bytes.push_back(data[0]);
    return count;
  }
  std::deque<uint8_t> reports;
  std::vector<uint8_t> index_bytes;

 private:
  BasicWriteEngine &engine_;
};

// A printer whose acceptance of each write with response arrives just as the writer's wait for
// it ends (with `at_settle`, only the settle's transaction-long wait): the wait reports no
// answer, and the answer is there when the writer looks again.
class LateAnswerLink final : public ble::GattPacketLink {
 public:
  explicit LateAnswerLink(bool at_settle) : at_settle_(at_settle) {}
  bool IsLinkUp() const override { return true; }
  int WritePackWithResponse(const uint8_t *data, int count, int) override {
    held.insert(held.end(), data, data + count);
    ++sent_;
    answered_ = !at_settle_;
    return 0;
  }
  int WritePackWithoutResponse(const uint8_t *, int, int) override { return -1; }
  bool WritePending() const override { return !answered_; }
  uint64_t WritesWithResponseSent() const override { return sent_; }
  int AwaitPendingWrite(int count, int timeout_ms) override {
    if (!answered_ && timeout_ms >= kTransactionTimeoutMs) {
      answered_ = true;
      return 0;
    }
    return answered_ ? count : 0;
  }
  std::vector<uint8_t> held;

 private:
  const bool at_settle_;
  uint64_t sent_ = 0;
  bool answered_ = false;
};

std::vector<uint8_t> Range(int from, int to) {
  std::vector<uint8_t> out;
  for (int i = from; i < to; ++i) out.push_back(static_cast<uint8_t>(i & 0xFF));
  return out;
}

class BasicTest : public BleTest {
 protected:
  void Open(int mode, int size, int timeout_ms = 3600000, int max_retry = 3) {
    service_ = std::make_shared<sim::BasicPrinterService>();
    printer_ = sim::PlacePrinter("Basic printer", kAddress, service_);
    printer_->RecordWrites(true);
    channel_ = MakeChannel<ble::BLEPrinting>();
    ASSERT_TRUE(channel_->OpenAddress(kAddressText));
    channel_->SetWriteMode(mode, size, timeout_ms, max_retry);
  }
  int Write(const std::vector<uint8_t> &data) {
    return channel_->Write(data.data(), 0, static_cast<int>(data.size()));
  }
  size_t WritesWithResponse() const {
    size_t n = 0;
    for (const auto &w : printer_->Writes()) n += w.with_response ? 1 : 0;
    return n;
  }

  std::shared_ptr<sim::BasicPrinterService> service_;
  std::shared_ptr<sim::VirtualPeripheral> printer_;
  std::shared_ptr<ble::BLEPrinting> channel_;
};

TEST_F(BasicTest, IndexReportsAreFoundAnywhereInANotification) {
  auto index = [](std::vector<uint8_t> bytes) {
    return BasicWriteEngine::GetNotifyIndex(bytes.data(), static_cast<long>(bytes.size()));
  };
  EXPECT_EQ(index({0x10, 0x07, 0xFF, 0x05}), 5);
  EXPECT_EQ(index({0x00, 0x10, 0x07, 0xFF, 0x80}), 0x80);
  EXPECT_EQ(index({0x41, 0x10, 0x07, 0xFF}), -1);
  EXPECT_EQ(index({0x10, 0x10, 0x07, 0xFF, 0x05}), -1);
  EXPECT_EQ(index({0x10, 0x07, 0x10, 0x07, 0xFF, 0x01}), -1);
  EXPECT_EQ(index({}), -1);
}

TEST_F(BasicTest, ReportsRewindTheWriterAcrossTheWrapOf256) {
  BasicWriteEngine engine;
  engine.SetWriteMode(2, 20, 3600000, 3);
  ScriptedLink link(engine);
  // Requests come at 128, 256 (twice: 0xF0 rewinds to 240) and 300 (twice: 0x20 rewinds to 288).
  link.reports = {0x80, 0xF0, 0x00, 0x20, 0x2C};
  const auto data = Pattern(300 * 19);
  ASSERT_EQ(engine.WriteWithProto(link, data.data(), static_cast<int>(data.size())), 5700);
  EXPECT_EQ(engine.protoCount(), 300);
  std::vector<uint8_t> expected = Range(0, 256);
  for (auto part : {Range(240, 256), Range(256, 300), Range(288, 300)}) {
    expected.insert(expected.end(), part.begin(), part.end());
  }
  EXPECT_EQ(link.index_bytes, expected);
  EXPECT_TRUE(log_->Contains("Notify Index: 240(240)"));
  EXPECT_TRUE(log_->Contains("Notify Index: 32(288)"));
  EXPECT_TRUE(log_->Contains("Notify Received. Current protoIndex: 300"));
  EXPECT_EQ(log_->Count("Request Notify Index"), 5u);
  EXPECT_EQ(log_->Count("Start Proto Send"), 1u);
}

// A printer cannot hold packets that were never sent: such a report fails the write instead of
// skipping data.
TEST_F(BasicTest, AReportAheadOfThePacketsSentFailsTheWrite) {
  struct Case {
    int packets;
    uint8_t report;  // answer to the first request
    int sent;        // packets sent before it
  };
  // The last: the report at 256 claims all 300 packets.
  for (const Case &c : {Case{6, 0xFF, 6}, Case{300, 0x90, 128}, Case{300, 0x80, 256}}) {
    BasicWriteEngine engine;
    engine.SetWriteMode(2, 20, 3600000, 3);
    ScriptedLink link(engine);
    link.reports = {c.report, 0x2C};
    const auto data = Pattern(static_cast<size_t>(c.packets) * 19);
    EXPECT_EQ(engine.WriteWithProto(link, data.data(), static_cast<int>(data.size())), -1);
    EXPECT_EQ(link.index_bytes, Range(0, c.sent));
  }
}

TEST_F(BasicTest, ShortJobsInModeTwoGoWithResponse) {
  ASSERT_NO_FATAL_FAILURE(Open(2, 20));
  const auto small = Pattern(100);
  ASSERT_EQ(Write(small), 100);
  EXPECT_EQ(printer_->Writes().size(), 5u);
  EXPECT_EQ(WritesWithResponse(), 5u);
  EXPECT_EQ(service_->GetStats().start_commands, 0u);

  const auto indexed = Pattern(101, 2);
  ASSERT_EQ(Write(indexed), 101);
  const auto stats = service_->GetStats();
  EXPECT_EQ(stats.start_commands, 1u);
  EXPECT_EQ(stats.index_requests, 1u);  // after the sixth packet
  EXPECT_EQ(stats.data_packets, 6u);
  const auto writes = printer_->Writes();
  ASSERT_EQ(writes.size(), 5u + 1u + 6u + 1u);
  EXPECT_EQ(writes[5].data, (sim::Bytes{0x10, 0x07, 0x01, 0x00, 0x01}));
  EXPECT_EQ(writes[6].data.size(), 20u);  // data packet 0 right after the start
  EXPECT_EQ(writes[11].data.size(), 1u + 6u);
  EXPECT_EQ(writes[12].data, (sim::Bytes{0x10, 0x07, 0x01, 0x00, 0x00}));
  auto all = small;
  all.insert(all.end(), indexed.begin(), indexed.end());
  EXPECT_EQ(service_->Accepted(), all);
}

TEST_F(BasicTest, ALongIndexedJobAsksEvery128Packets) {
  ASSERT_NO_FATAL_FAILURE(Open(2, 20));
  const auto data = Pattern(5000);
  ASSERT_EQ(Write(data), 5000);
  EXPECT_EQ(service_->Accepted(), data);
  const auto stats = service_->GetStats();
  EXPECT_EQ(stats.data_packets, 264u);
  EXPECT_EQ(stats.out_of_sequence, 0u);
  EXPECT_EQ(stats.index_requests, 3u);  // at 128, 256 and 264
  EXPECT_EQ(log_->Count("protoIndex: 263"), 1u);
}

TEST_F(BasicTest, LostPacketsAreSentAgainFromTheReportedIndex) {
  ASSERT_NO_FATAL_FAILURE(Open(2, 8));
  // Writes without response are the data packets: lose packet 250 and, after the six packets
  // sent again from 250, packet 300 (write 306).
  auto lost = std::make_shared<std::set<uint64_t>>(std::set<uint64_t>{250, 306});
  printer_->SetLossFilter(
      [lost](uint64_t sequence, const uint8_t *, size_t) { return lost->erase(sequence) > 0; });
  const auto data = Pattern(400 * 7);
  ASSERT_EQ(Write(data), 2800);
  EXPECT_EQ(service_->Accepted(), data);
  EXPECT_GT(service_->GetStats().out_of_sequence, 0u);
  // At 256 the printer still waits for 250 (0xFA): the report is read as 250, not 506.
  EXPECT_TRUE(log_->Contains("Notify Index: 250(250)"));
  EXPECT_TRUE(log_->Contains("Notify Index: 44(300)"));
}

TEST_F(BasicTest, ModesZeroAndOneWritePacketByPacket) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 100));
  const auto first = Pattern(1000);
  ASSERT_EQ(Write(first), 1000);
  EXPECT_EQ(WritesWithResponse(), 10u);
  channel_->SetWriteMode(1, 100, 3600000, 3);
  const auto second = Pattern(350, 3);
  ASSERT_EQ(Write(second), 350);
  EXPECT_EQ(printer_->Writes().size(), 14u);
  EXPECT_EQ(WritesWithResponse(), 10u);
  channel_->SetWriteMode(7, 100, 3600000, 3);  // unknown modes write with response
  ASSERT_EQ(Write(Pattern(10)), 10);
  EXPECT_EQ(WritesWithResponse(), 11u);
  auto all = first;
  all.insert(all.end(), second.begin(), second.end());
  const auto last = Pattern(10);
  all.insert(all.end(), last.begin(), last.end());
  EXPECT_EQ(service_->Accepted(), all);
}

TEST_F(BasicTest, PacketSizeIsBoundedByThePrinterInUse) {
  auto channel = MakeChannel<ble::BLEPrinting>();
  channel->SetWriteMode(0, 512, 3600000, 3);
  EXPECT_EQ(channel->engine().packetSize(), 100);
  auto printer =
      sim::PlacePrinter("Basic printer", kAddress, std::make_shared<sim::BasicPrinterService>());
  printer->SetMaximumWriteLength(512, 60);
  ASSERT_TRUE(channel->OpenAddress(kAddressText));
  EXPECT_EQ(channel->engine().packetSize(), 60);  // lowered when notifications went on
  EXPECT_TRUE(log_->Contains("maximumWriteValueLength With Response:512"));
  EXPECT_TRUE(log_->Contains("maximumWriteValueLength Without Response:60"));
  channel->SetWriteMode(0, 512, 3600000, 3);
  EXPECT_EQ(channel->engine().packetSize(), 60);
  channel->SetWriteMode(0, 30, 3600000, 3);
  EXPECT_EQ(channel->engine().packetSize(), 30);
  channel->Close();  // no printer in use any more
  channel->SetWriteMode(0, 512, 3600000, 3);
  EXPECT_EQ(channel->engine().packetSize(), 100);
}

TEST_F(BasicTest, ATimeoutBelowOneSecondSendsNothingWithoutResponse) {
  ASSERT_NO_FATAL_FAILURE(Open(1, 20, 999));
  EXPECT_EQ(Write(Pattern(100)), 0);
  EXPECT_EQ(printer_->Stats().writes_received, 0u);
}

TEST_F(BasicTest, APacketSizeOfZeroFailsTheWriteAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 20));
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    channel_->SetWriteMode(mode, 0, 5000, 0);
    EXPECT_EQ(Write(Pattern(10)), -1);
  }
  EXPECT_EQ(printer_->Stats().writes_received, 0u);
}

TEST_F(BasicTest, RefusedWritesAreRetriedAndAStopGivesThePartialCount) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 20, 3600000, 3));
  printer_->RefuseWritesWithResponse(2);
  const auto data = Pattern(50);
  ASSERT_EQ(Write(data), 50);
  EXPECT_EQ(service_->Accepted(), data);
  EXPECT_TRUE(log_->Contains(
      "Error writing characteristic value: Writing is not permitted., characteristic UUID "
      "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F"));
  // The printer refuses everything after the first packet of the next write.
  std::weak_ptr<sim::VirtualPeripheral> weak = printer_;
  service_->SetSink([weak](const uint8_t *, size_t) {
    if (auto printer = weak.lock()) printer->RefuseWritesWithResponse(-1);
  });
  service_->ClearAccepted();
  EXPECT_EQ(Write(data), 20);
  EXPECT_EQ(service_->AcceptedSize(), 20u);
}

// On the default link an acknowledgement takes longer than the 5 ms a packet may wait for it:
// a packet whose acknowledgement may still come is never written again, and every count is
// exactly what the printer holds, in order.
TEST_F(BasicTest, LateAcknowledgementsAreNeverCreditedToAnotherPacket) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 20, 5, 3));
  sim::Bytes expected;
  for (uint32_t i = 0; i < 5; ++i) {
    const auto data = Pattern(200, i);
    const int written = Write(data);
    EXPECT_EQ(written, 200);
    ASSERT_GE(written, 0);
    expected.insert(expected.end(), data.begin(), data.begin() + written);
  }
  // A last packet that waits for every answer before it: nothing of the writes above is still
  // on its way once it is in.
  channel_->SetWriteMode(0, 20, 3600000, 3);
  const sim::Bytes marker{0xE0, 0xE1};
  ASSERT_EQ(Write(marker), 2);
  expected.insert(expected.end(), marker.begin(), marker.end());
  EXPECT_EQ(service_->Accepted(), expected);
  EXPECT_EQ(printer_->Stats().writes_received, (expected.size() - 2) / 20 + 1);
}

// An acceptance that comes right after its packet's wait gave up counts that packet, once: it is
// neither written again nor left out of the count.
TEST_F(BasicTest, AnAcceptanceAsTheWaitEndsCountsThePacketOnce) {
  for (const auto &[max_retry, at_settle] : {std::pair{0, false}, {3, false}, {0, true}}) {
    SCOPED_TRACE(testing::Message() << max_retry << " " << at_settle);
    BasicWriteEngine engine;
    engine.SetWriteMode(0, 20, 5, max_retry);
    LateAnswerLink link(at_settle);
    const auto data = Pattern(50);
    EXPECT_EQ(engine.Write(link, data.data(), 50), 50);
    EXPECT_EQ(link.held, data);
  }
}

// The link carries one request at a time, and each answer reaches the write it belongs to: here
// the answers are held up behind a notification the link delays by 300 ms.
TEST_F(BasicTest, RequestsGoOneAtATimeEachAnsweredInItsTurn) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 20));
  printer_->SetNotificationFilter([](uint64_t, const std::string &, const uint8_t *, size_t) {
    return sim::NotificationFate{false, 300};
  });
  auto arrived = std::make_shared<std::vector<std::chrono::steady_clock::time_point>>();
  service_->SetSink(
      [arrived](const uint8_t *, size_t) { arrived->push_back(std::chrono::steady_clock::now()); });
  const sim::Bytes small{1, 2, 3};
  const sim::Bytes too_long(600, 0x55);  // longer than the link takes with response
  const int long_ms = LongTimeoutMs();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const auto held_at = std::chrono::steady_clock::now();
    service_->SendToHost({'x'});
    EXPECT_EQ(channel_->writePackWithResponse(small.data(), 0, 3, 1), 0);  // its answer is late
    if (round == 0) {
      // The next request reaches the printer only once that answer is in.
      EXPECT_EQ(channel_->writePackWithResponse(small.data(), 0, 3, long_ms), 3);
      ASSERT_EQ(arrived->size(), 2u);
      EXPECT_GE(arrived->back() - held_at, std::chrono::milliseconds(300));
    } else {
      // A write the link refuses is answered in its turn, not before the late answer.
      EXPECT_EQ(channel_->writePackWithResponse(too_long.data(), 0, 600, long_ms), 0);
    }
  }
}

TEST_F(BasicTest, WaitMsSpinsForTheTimeGiven) {
  auto channel = MakeChannel<ble::BLEPrinting>();
  EXPECT_GE(ElapsedMs([&] { channel->WaitMs(30); }), 30);
  for (int ms : {0, -5}) EXPECT_LT(ElapsedMs([&] { channel->WaitMs(ms); }), ScaledMs(1000));
}

TEST_F(BasicTest, AnIndexReportThatNeverComesEndsTheWrite) {
  ASSERT_NO_FATAL_FAILURE(Open(2, 20, 1500, 0));
  service_->SetAnswerIndexRequests(false);
  const long long elapsed = ElapsedMs([&] { EXPECT_EQ(Write(Pattern(3000)), -1); });
  EXPECT_GE(elapsed, 1500);
  EXPECT_EQ(service_->GetStats().index_requests, 1u);
}

// The write is longer than the platform's queue of writes without response, so it cannot end
// before the link took (and lost) some of it. The second time the channel's queue is held up, so
// that the disconnection reaches the channel only after the write: the platform's own state of
// the printer already tells it, and no packet that found the link gone counts as "not taken".
TEST_F(BasicTest, ALinkLostDuringAWriteFailsIt) {
  for (bool held_up : {false, true}) {
    SCOPED_TRACE(held_up);
    ASSERT_NO_FATAL_FAILURE(Open(1, 20));
    printer_->DropLinkAfterWrites(3);
    auto release = std::make_shared<std::promise<void>>();
    if (held_up) channel_->queue()->Async([done = release->get_future().share()] { done.wait(); });
    EXPECT_EQ(Write(Pattern(400)), -1);
    release->set_value();
    channel_->Close();
    sim::RemoveAllPeripherals();
  }
}

// The channel's side of an acknowledgement that never comes on a link that stays up: after the
// attribute protocol's transaction timeout the link is ended and the channel is no longer open.
TEST_F(BasicTest, LongAnAnswerThatNeverComesFailsTheLink) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 20, 100, 1));
  printer_->SetTransactionTimeoutMs(120000);
  printer_->LoseWriteAcknowledgements(1);
  const long long elapsed = ElapsedMs([&] { EXPECT_EQ(Write(Pattern(50)), -1); });
  EXPECT_GE(elapsed, ble::GattPacketLink::kTransactionTimeoutMs);
  EXPECT_FALSE(channel_->IsOpened());
  EXPECT_TRUE(printer_->WaitForConnected(false, 5000));
  EXPECT_EQ(Write(Pattern(10)), -1);
}

// The answer to a write lost with its link never comes: the next link's answers belong to its
// own writes.
TEST_F(BasicTest, AnAnswerLostWithItsLinkIsNotAwaitedOnTheNext) {
  ASSERT_NO_FATAL_FAILURE(Open(0, 20, 200, 0));
  printer_->SetTransactionTimeoutMs(100);
  printer_->LoseWriteAcknowledgements(1);
  EXPECT_EQ(Write(Pattern(20)), -1);
  channel_->Close();
  ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  const auto data = Pattern(100, 2);
  EXPECT_LT(ElapsedMs([&] { EXPECT_EQ(Write(data), 100); }), ScaledMs(5000));
}

TEST_F(BasicTest, NotificationsReachTheReaderIndexReportsIncluded) {
  nzio_ios_ble_basic facade;
  auto service = std::make_shared<sim::BasicPrinterService>();
  sim::PlacePrinter("Basic printer", kAddress, service);
  ASSERT_TRUE(facade.OpenAddress(kAddressText));
  facade.SetWriteMode(2, 20, 3600000, 3);
  auto data = Pattern(200);
  ASSERT_EQ(facade.Write(data.data(), 200, 1), 200);  // the timeout plays no part
  unsigned char read[4] = {};
  ASSERT_EQ(facade.Read(read, 4, 2000), 4);
  EXPECT_EQ(sim::Bytes(read, read + 4), (sim::Bytes{0x10, 0x07, 0xFF, 11}));
  service->SendToHost({'h', 'i'});
  ASSERT_EQ(facade.Read(read, 2, 2000), 2);
  EXPECT_EQ(read[0], 'h');
  facade.Close();
  EXPECT_FALSE(facade.IsOpened());
}

}  // namespace
}  // namespace velmora::test
