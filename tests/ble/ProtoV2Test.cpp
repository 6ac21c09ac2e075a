// Protocol V2 against the virtual V2 printer: group packets, free space, resends, frames.
#include <future>
#include <set>

#include "BleTest.h"
#include "VirtualPrinter.h"
#include "ble/ProtoV2Engine.h"
#include "ble/channels/BLERWProtoV2.h"
#include "support/LateCountV2Service.h"
#include "support/Wait.h"

namespace velmora::test {
namespace {

using ble::MakeChannel;
using ble::ProtoV2Engine;
namespace sim = ble_sim;

class ProtoV2Test : public BleTest {
 protected:
  // A V2 printer whose write limits leave the channel's packet size at 200.
  void Open(std::shared_ptr<sim::ProtoV2PrinterService> service =
                std::make_shared<sim::ProtoV2PrinterService>()) {
    service_ = std::move(service);
    printer_ = sim::VirtualPeripheral::Create("V2 printer");
    printer_->SetPrinterAddress(kAddress);
    printer_->SetMaximumWriteLength(512, 512);
    printer_->AddService(service_);
    printer_->RecordWrites(true);
    sim::AddPeripheral(printer_);
    channel_ = MakeChannel<ble::BLERWProtoV2>();
    ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  }
  // A V2 printer service that keeps the space of every packet it takes in.
  static std::shared_ptr<sim::ProtoV2PrinterService> KeepingSpace(int buffer_size) {
    auto service = std::make_shared<sim::ProtoV2PrinterService>();
    service->SetBufferSize(buffer_size);
    service->SetReturnBufferSpace(false);
    return service;
  }
  int Write(const std::vector<uint8_t> &data, int timeout_ms = 0) {
    return channel_->Write(data.data(), 0, static_cast<int>(data.size()), timeout_ms);
  }
  // Writes without response that reached the printer: setups and group packets.
  std::vector<sim::Bytes> Packets() const {
    std::vector<sim::Bytes> packets;
    for (const auto &w : printer_->Writes()) {
      if (!w.with_response) packets.push_back(w.data);
    }
    return packets;
  }
  std::vector<int> SendCounts() {
    std::vector<int> counts(static_cast<size_t>(channel_->GetPacketSendTimesListLength()));
    channel_->GetPacketSendTimesListValue(counts.data(), static_cast<int>(counts.size()));
    return counts;
  }

  std::shared_ptr<sim::ProtoV2PrinterService> service_;
  std::shared_ptr<sim::VirtualPeripheral> printer_;
  std::shared_ptr<ble::BLERWProtoV2> channel_;
};

TEST_F(ProtoV2Test, GroupPacketBytes) {
  uint8_t packet[8];
  const uint8_t data[2] = {0x41, 0x42};
  ASSERT_EQ(ProtoV2Engine::GroupPacket(packet, 1, data, 2), 6);
  EXPECT_EQ(sim::Bytes(packet, packet + 6), (sim::Bytes{0x06, 0x04, 0x01, 0x00, 0x41, 0x42}));
  const auto setup = ProtoV2Engine::SetupPacket(200, 0x0106);
  EXPECT_EQ(
      sim::Bytes(setup.begin(), setup.end()),
      (sim::Bytes{0x00, 0x07, 0, 0, 0, 0, 0, 0x00, 0x0A, 0x02, 0x06, 0x01, 0xC8, 0, 0, 0, 0}));
}

TEST_F(ProtoV2Test, AWriteIsOneGroupAndThePrinterGetsTheBytesInOrder) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(channel_->engine().packetSize(), 200);
  const auto data = Pattern(1000);
  ASSERT_EQ(Write(data), 1000);
  EXPECT_EQ(service_->Accepted(), data);

  const auto packets = Packets();
  ASSERT_EQ(packets.size(), 7u);  // the setup and 6 packets of up to 196 bytes
  const auto setup = ProtoV2Engine::SetupPacket(200, 6);
  EXPECT_EQ(packets[0], sim::Bytes(setup.begin(), setup.end()));
  for (int i = 0; i < 6; ++i) {
    const auto &p = packets[static_cast<size_t>(i) + 1];
    EXPECT_EQ(p[0], p.size());
    EXPECT_EQ(p[2] | (p[3] << 8), i);
    uint8_t check = p[0];
    for (size_t k = 2; k < p.size(); ++k) check ^= p[k];
    EXPECT_EQ(check, p[1]) << "packet " << i;
  }
  EXPECT_EQ(packets[6][0], 24);  // the last packet carries 20 bytes
  EXPECT_EQ(SendCounts(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  int values[10];
  EXPECT_EQ(channel_->GetPacketSendTimesListValue(values, 3), 3);
  EXPECT_EQ(channel_->GetPacketSendTimesListValue(values, 10), 6);
  channel_->ClearPacketSendTimesList();
  EXPECT_EQ(channel_->GetPacketSendTimesListLength(), 0);

  // Further writes on the same link, at the packet boundaries and beyond.
  std::vector<uint8_t> all = data;
  for (size_t size : {1u, 196u, 197u, 20000u}) {
    const auto more = Pattern(size, static_cast<uint32_t>(size));
    ASSERT_EQ(Write(more), static_cast<int>(size));
    all.insert(all.end(), more.begin(), more.end());
  }
  EXPECT_EQ(service_->Accepted(), all);
}

TEST_F(ProtoV2Test, PacketSizeFollowsThePrintersWriteLimitAndNeverGrows) {
  service_ = std::make_shared<sim::ProtoV2PrinterService>();
  auto small = sim::PlacePrinter("Small", kAddress, service_);
  small->SetMaximumWriteLength(512, 100);
  small->RecordWrites(true);
  channel_ = MakeChannel<ble::BLERWProtoV2>();
  ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  EXPECT_TRUE(log_->Contains("maximumWriteValueLength With Response:512"));
  EXPECT_TRUE(log_->Contains("maximumWriteValueLength Without Response:100"));
  EXPECT_EQ(channel_->engine().packetSize(), 100);
  const auto data = Pattern(1000);
  ASSERT_EQ(Write(data), 1000);
  EXPECT_EQ(service_->Accepted(), data);
  EXPECT_EQ(channel_->GetPacketSendTimesListLength(), 11);  // 96 bytes per packet
  for (const auto &w : small->Writes()) EXPECT_LE(w.data.size(), 100u);

  channel_->Close();
  small->SetMaximumWriteLength(512, 512);
  ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  EXPECT_EQ(channel_->engine().packetSize(), 100);
}

TEST_F(ProtoV2Test, LostPacketsAreResentAndTheBytesStayInOrder) {
  ASSERT_NO_FATAL_FAILURE(Open());
  // Lose the first sending of packets 3 and 10 (the last one, which leaves no gap behind it).
  auto lost = std::make_shared<std::set<int>>(std::set<int>{3, 10});
  printer_->SetLossFilter([lost](uint64_t, const uint8_t *data, size_t count) {
    if (count < 4 || data[0] == 0) return false;  // the setup
    return lost->erase(data[2] | (data[3] << 8)) > 0;
  });
  const auto data = Pattern(2000);  // 11 packets
  ASSERT_EQ(Write(data), 2000);
  EXPECT_EQ(service_->Accepted(), data);
  const auto counts = SendCounts();
  ASSERT_EQ(counts.size(), 11u);
  int sent = 0;
  for (size_t i = 0; i < counts.size(); ++i) {
    EXPECT_GE(counts[i], (i == 3 || i == 10) ? 2 : 1) << "packet " << i;
    sent += counts[i];
  }
  // Every sending is accounted for: taken in once, lost, or a duplicate the printer asked for
  // while the host was still on its way.
  const auto stats = service_->GetStats();
  EXPECT_EQ(sent, 11 + 2 + static_cast<int>(stats.duplicates));
  EXPECT_GE(stats.resend_requests, 2u);
  EXPECT_EQ(printer_->Stats().writes_lost, 2u);

  // One packet in twenty lost, at random, over a 128 KiB job: the printer never has to hold more
  // than the space it advertised, nor asks for packets the host had no space to send yet.
  printer_->SetLossRate(0.05, 12345);
  service_->ClearAccepted();
  const auto job = Pattern(128 * 1024, 9);
  ASSERT_EQ(Write(job), static_cast<int>(job.size()));
  EXPECT_EQ(service_->Accepted(), job);
  EXPECT_EQ(service_->ProtocolErrors(), 0u);
  EXPECT_LE(service_->GetStats().held_high_water, 8192u);
}

TEST_F(ProtoV2Test, FreeSpaceLimitsFirstSendsButNotResends) {
  ASSERT_NO_FATAL_FAILURE(Open(KeepingSpace(600)));
  const auto data = Pattern(1000);  // 6 packets of up to 196 bytes
  auto result = std::async(std::launch::async, [&] { return Write(data, 20000); });

  // 600 bytes of space: three first sends (600, 404, 208, then 12 left).
  ASSERT_TRUE(WaitUntil([&] { return service_->GetStats().packets == 3; }));
  ASSERT_TRUE(WaitUntil([&] { return channel_->engine().freeSpace() == 12; }));
  // A resend goes out although the space does not cover a payload.
  ASSERT_TRUE(service_->SendRawNotification({0x00, 0x0A, 0xFF, 0x01, 0x00, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(WaitUntil([&] { return service_->GetStats().duplicates == 1; }));
  EXPECT_EQ(channel_->engine().freeSpace(), 12);
  EXPECT_EQ(service_->GetStats().packets, 4u);
  // 392 more bytes: two more first sends.
  ASSERT_TRUE(service_->SendRawNotification({0x00, 0x0A, 0x01, 0x01, 0x88, 0x01, 0, 0, 0, 0}));
  ASSERT_TRUE(WaitUntil([&] { return service_->GetStats().packets == 6; }));
  ASSERT_TRUE(WaitUntil([&] { return channel_->engine().freeSpace() == 12; }));
  EXPECT_EQ(result.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
  // The last packet carries 20 bytes but still waits for a whole payload of space.
  ASSERT_TRUE(service_->SendRawNotification({0x00, 0x0A, 0x01, 0x01, 183, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(result.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  ASSERT_TRUE(service_->SendRawNotification({0x00, 0x0A, 0x01, 0x01, 1, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(result.get(), 1000);
  EXPECT_EQ(service_->Accepted(), data);
  EXPECT_EQ(channel_->engine().freeSpace(), 196 - 20);
}

TEST_F(ProtoV2Test, ThePrinterDropsPacketsBeyondTheSpaceItAdvertised) {
  ASSERT_NO_FATAL_FAILURE(Open(KeepingSpace(400)));
  // A host that ignores the free space: five packets of 196 bytes against 400 advertised.
  const auto setup = ProtoV2Engine::SetupPacket(200, 5);
  ASSERT_EQ(channel_->writePackWithoutResponse(setup.data(), 0, 17, 0), 17);
  const auto data = Pattern(980);
  uint8_t packet[200];
  for (int i = 0; i < 5; ++i) {
    const int length = ProtoV2Engine::GroupPacket(packet, i, data.data() + i * 196, 196);
    ASSERT_EQ(channel_->writePackWithoutResponse(packet, 0, length, 0), length);
  }
  ASSERT_TRUE(WaitUntil([&] { return service_->GetStats().packets == 5; }));
  EXPECT_EQ(service_->ProtocolErrors(), 3u);
  EXPECT_EQ(service_->Accepted(), sim::Bytes(data.begin(), data.begin() + 392));
}

TEST_F(ProtoV2Test, PrinterFramesSetFreeSpaceAndMergeResendRequests) {
  std::vector<uint8_t> payload;
  ProtoV2Engine engine(
      [&](const uint8_t *d, size_t n) { payload.insert(payload.end(), d, d + n); });
  auto feed = [&](std::vector<uint8_t> bytes) {
    engine.OnNotification(bytes.data(), bytes.size());
  };
  feed({0x00, 0x0A, 0x01, 0x00, 0x00, 0x30, 0, 0, 0, 0});  // set 12288: at most 8192
  EXPECT_EQ(engine.freeSpace(), 8192);
  feed({0x00, 0x0A, 0x01, 0x00, 0x00, 0x01, 0, 0, 0, 0});  // set 256
  feed({0x00, 0x0A, 0x01, 0x01, 0x10, 0x00, 0, 0, 0, 0});
  EXPECT_EQ(engine.freeSpace(), 272);
  feed({0x00, 0x0A, 0x01, 0x02, 0x10, 0x00, 0, 0, 0, 0});     // neither set nor add
  feed({0x00, 0x0B, 0x01, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0});  // wrong length
  EXPECT_EQ(engine.freeSpace(), 272);
  // Added space never exceeds what a set frame may report.
  for (int i = 0; i < 3; ++i) feed({0x00, 0x0A, 0x01, 0x01, 0xFF, 0xFF, 0, 0, 0, 0});
  EXPECT_EQ(engine.freeSpace(), 8192);

  feed({0x00, 0x0A, 0xFF, 0x01, 0x00, 0, 0, 0, 0, 0});  // no group yet
  EXPECT_TRUE(engine.retryList().empty());
  engine.BeginGroup(8);
  feed({0x00, 0x0A, 0xFF, 0x06, 0x00, 0, 0, 0, 0, 0, 0x00, 0x0A, 0xFF, 0x04});  // split frame
  feed({0x00, 0, 0, 0, 0, 0});
  EXPECT_EQ(engine.retryList(), (std::vector<int>{4, 6}));
  feed({0x00, 0x0C, 0xFF, 0x05, 0x00, 0xEE, 0x03, 0x00, 0, 0, 0, 0});  // 5, 6, 7
  EXPECT_EQ(engine.retryList(), (std::vector<int>{4, 5, 6, 7}));
  feed({0x00, 0x0C, 0xFF, 0x01, 0x00, 0, 0xFF, 0xFF, 0, 0, 0, 0});  // 1 on, past the group
  feed({0x00, 0x0A, 0xFF, 0x08, 0x00, 0, 0, 0, 0, 0});              // past the group
  EXPECT_EQ(engine.retryList(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  feed({0x06, 0xAA, 0xBB, 'h', 'i', '!', 0x03, 0x00, 0x00});
  EXPECT_EQ(payload, (std::vector<uint8_t>{'h', 'i', '!'}));
}

TEST_F(ProtoV2Test, ASetupAnsweredWithAnotherSizeFailsAfterTenAttempts) {
  ASSERT_NO_FATAL_FAILURE(Open());
  service_->SetAnsweredPacketSize(100);
  EXPECT_EQ(Write(Pattern(500)), 0);
  EXPECT_EQ(service_->GetStats().setups, 10u);
  EXPECT_EQ(service_->GetStats().packets, 0u);
  EXPECT_TRUE(log_->Contains("writeGroupPack setupGroupPack Error"));
}

TEST_F(ProtoV2Test, AReceivedCountShortOfTheGroupEndsTheWriteAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Open());
  service_->SetReceivedCountOffset(-1);
  // Long before the write's deadline.
  EXPECT_LT(ElapsedMs([&] { EXPECT_EQ(Write(Pattern(1000), 60000), 0); }), 30000);
}

TEST_F(ProtoV2Test, DataFramesReachTheReaderAcrossNotifications) {
  ASSERT_NO_FATAL_FAILURE(Open());
  printer_->SetMaximumNotificationLength(20);
  const auto answer = Pattern(300);
  service_->SendToHost(answer);  // two frames in 20-byte notifications
  std::vector<uint8_t> read(300);
  ASSERT_EQ(channel_->Read(read.data(), 0, 300, 5000), 300);
  EXPECT_EQ(read, answer);
  // A length byte of 1 cannot start a frame; the frame after it still arrives whole.
  ASSERT_TRUE(service_->SendRawNotification({0x01, 0x05, 0x00, 0x00, 'o', 'k'}));
  ASSERT_EQ(channel_->Read(read.data(), 0, 2, 2000), 2);
  EXPECT_EQ(read[0], 'o');
  EXPECT_EQ(read[1], 'k');
}

TEST_F(ProtoV2Test, ALinkLostDuringAWriteFailsIt) {
  for (uint64_t writes : {1u, 4u}) {  // lost right after the setup, lost between packets
    SCOPED_TRACE(writes);
    ASSERT_NO_FATAL_FAILURE(Open());
    printer_->DropLinkAfterWrites(writes);
    EXPECT_EQ(Write(Pattern(5000)), -1);
    EXPECT_EQ(Write(Pattern(10)), -1);
    sim::RemoveAllPeripherals();
  }
}

// A count that comes before the setup answer, or before every packet went out, is an earlier
// group's.
TEST_F(ProtoV2Test, ALateCountOfAnEarlierGroupDoesNotEndTheNextOne) {
  for (bool after_answer : {false, true}) {
    SCOPED_TRACE(after_answer);
    ASSERT_NO_FATAL_FAILURE(Open(std::make_shared<LateCountV2Service>(after_answer)));
    const auto data = Pattern(1000);
    EXPECT_EQ(Write(data), 1000);
    EXPECT_EQ(service_->Accepted(), data);
    sim::RemoveAllPeripherals();
  }
}

// Resend requests for packets outside the group are dropped as they come, whatever their number,
// and hold up nothing. The printer here sends no free space until the requests are in.
TEST_F(ProtoV2Test, ResendRequestsOutsideTheGroupAreDroppedAsTheyCome) {
  const struct {
    const char *name;
    sim::Bytes frame;
    int times;
  } cases[] = {
      {"5000 indices past the group", {0x00, 0x0C, 0xFF, 100, 0, 0, 0x88, 0x13, 0, 0, 0, 0}, 1},
      {"runs of 65535 from index 0", {0x00, 0x0C, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}, 100},
  };
  const auto data = Pattern(1000);  // 6 packets
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto service = std::make_shared<sim::ProtoV2PrinterService>();
    service->SetSendBufferFrames(false);
    ASSERT_NO_FATAL_FAILURE(Open(service));
    auto result = std::async(std::launch::async, [&] { return Write(data); });
    ASSERT_TRUE(WaitUntil([&] { return channel_->GetPacketSendTimesListLength() == 6; }));
    for (int i = 0; i < c.times; ++i) ASSERT_TRUE(service_->SendRawNotification(c.frame));
    service_->SendToHost({'!'});  // read once every request before it was handled
    uint8_t mark = 0;
    ASSERT_EQ(channel_->Read(&mark, 0, 1, 20000), 1);
    EXPECT_LE(channel_->engine().retryList().size(), 6u);
    ASSERT_TRUE(service_->SendRawNotification({0x00, 0x0A, 0x01, 0x00, 0x00, 0x20, 0, 0, 0, 0}));
    EXPECT_EQ(result.get(), 1000);
    EXPECT_EQ(service_->Accepted(), data);
    sim::RemoveAllPeripherals();
  }
}

// The printer's brain from the loopback virtual printer, answering over the V2 link.
class StatusAnswer : public vprinter::PrinterBehaviour {
 public:
  void OnReceived(vprinter::VirtualPrinter &, const uint8_t *data, size_t count,
                  const vprinter::Reply &reply) override {
    for (size_t i = 0; i + 2 < count; ++i) {
      if (data[i] == 0x10 && data[i + 1] == 0x04 && data[i + 2] == 0x01) reply({0x16});
    }
  }
};

TEST_F(ProtoV2Test, AVirtualPrinterBrainAnswersThroughTheService) {
  ASSERT_NO_FATAL_FAILURE(Open());
  auto brain = std::make_shared<vprinter::VirtualPrinter>();
  brain->AddBehaviour(std::make_shared<StatusAnswer>());
  std::weak_ptr<sim::ProtoV2PrinterService> weak = service_;
  service_->SetSink([brain, weak](const uint8_t *data, size_t count) {
    brain->Receive(data, count, [weak](const vprinter::Bytes &bytes) {
      if (auto service = weak.lock()) service->SendToHost(bytes);
    });
  });
  ASSERT_EQ(Write({0x1B, 0x40, 0x10, 0x04, 0x01}), 5);
  uint8_t answer = 0;
  ASSERT_EQ(channel_->Read(&answer, 0, 1, 2000), 1);
  EXPECT_EQ(answer, 0x16);
  EXPECT_EQ(brain->Received(), (vprinter::Bytes{0x1B, 0x40, 0x10, 0x04, 0x01}));
}

// ---- The long waits ----

TEST_F(ProtoV2Test, LongNoBufferFrameMeansNoFirstSendUntilTheDeadline) {
  service_ = std::make_shared<sim::ProtoV2PrinterService>();
  service_->SetSendBufferFrames(false);
  printer_ = sim::PlacePrinter("V2 printer", kAddress, service_);
  channel_ = MakeChannel<ble::BLERWProtoV2>();
  ASSERT_TRUE(channel_->OpenAddress(kAddressText));
  const long long elapsed = ElapsedMs([&] { EXPECT_EQ(Write(Pattern(100)), 0); });
  EXPECT_GE(elapsed, 3100);
  EXPECT_EQ(service_->GetStats().setups, 1u);
  EXPECT_EQ(service_->GetStats().packets, 0u);
}

TEST_F(ProtoV2Test, LongZeroBytesAnnounceAnEmptyGroup) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Write({}), 0);
  const auto packets = Packets();
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0][10], 0);
  EXPECT_EQ(packets[0][11], 0);
}

// A frame the printer had only begun when the link ended is dropped: the next link's first frame
// is read whole.
TEST(ProtoV2FrameTest, AResetDropsAFrameBegunBefore) {
  sim::Bytes payload;
  ble::ProtoV2Engine engine(
      [&](const uint8_t *d, size_t n) { payload.insert(payload.end(), d, d + n); });
  const uint8_t begun[] = {0x08, 0x00, 0x00, 0x41};  // 4 of a data frame's 8 bytes
  engine.OnNotification(begun, sizeof begun);
  engine.ResetReceived();
  const uint8_t next[] = {0x05, 0x00, 0x00, 0x42, 0x43};
  engine.OnNotification(next, sizeof next);
  EXPECT_EQ(payload, (sim::Bytes{0x42, 0x43}));
}

}  // namespace
}  // namespace velmora::test
