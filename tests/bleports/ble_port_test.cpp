// Bluetooth LE ports through the flat interface, against virtual printers on the simulated radio.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "BlePortTest.h"
#include "ble/WriteTimeUp.h"
#include "platform/DetachedThreads.h"
#include "support/LateCountV2Service.h"
#include "support/Wait.h"
#include "velmora/module/types.hpp"
#include "velmora/velmora.h"

namespace velmora {
// The module's send-count list; its header would hide the flat port functions used here.
std::vector<std::int32_t> VP_Port_GetBtBleProtoV2PacketSendTimesList(Int handle);
}  // namespace velmora

namespace velmora::test {
namespace {

namespace sim = ble_sim;
using ServiceList = std::vector<std::shared_ptr<sim::PrinterService>>;

ServiceList AllThree() {
  return {std::make_shared<sim::BasicPrinterService>(),
          std::make_shared<sim::ProtoV2PrinterService>(),
          std::make_shared<sim::ProtoV3PrinterService>()};
}

// One kind of open, the services its printer offers and the one that should carry the bytes.
struct OpenKind {
  const char *name;
  void *(*open)(const char *address, int autoreplymode);
  std::function<ServiceList()> services;
  size_t speaking;  // index into services()
};

void PrintTo(const OpenKind &kind, std::ostream *out) {
  *out << kind.name;
}

const OpenKind kKinds[] = {
    {"V1", VP_Port_OpenBtBle,
     [] { return ServiceList{std::make_shared<sim::BasicPrinterService>()}; }, 0},
    {"V2", VP_Port_OpenBtBleProtoV2,
     [] { return ServiceList{std::make_shared<sim::ProtoV2PrinterService>()}; }, 0},
    {"V3", VP_Port_OpenBtBleProtoV3,
     [] { return ServiceList{std::make_shared<sim::ProtoV3PrinterService>()}; }, 0},
    {"VA", VP_Port_OpenBtBleProtoVA, AllThree, 2},
};

class EachOpen : public BlePortTest, public ::testing::WithParamInterface<OpenKind> {
 protected:
  void SetUp() override {
    BlePortTest::SetUp();
    services_ = GetParam().services();
    printer_ = &Place(services_);
  }
  sim::PrinterService &speaking() { return *services_[GetParam().speaking]; }
  void *Open(int autoreplymode) { return Keep(GetParam().open(address(), autoreplymode)); }

  ServiceList services_;
  VirtualBlePrinter *printer_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Kinds, EachOpen, ::testing::ValuesIn(kKinds),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_P(EachOpen, WritesArriveInOrderRepliesAreReadAndCloseEndsTheLink) {
  void *handle = Open(0);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(events_.WaitForCount("opened", 1));
  EXPECT_EQ(events_.Events("opened")[0].name, address_text_);
  EXPECT_EQ(VP_Port_IsOpened(handle), 1);

  // Writes of several sizes, each arriving whole and in order.
  std::vector<uint8_t> all;
  for (size_t size : {1u, 19u, 200u, 5000u}) {
    const auto data = Pattern(size, static_cast<uint32_t>(size));
    ASSERT_EQ(VP_Port_Write(handle, data.data(), static_cast<unsigned>(size), 10000),
              static_cast<int>(size));
    all.insert(all.end(), data.begin(), data.end());
  }
  ASSERT_TRUE(speaking().WaitForAccepted(all.size(), 5000));
  EXPECT_EQ(speaking().Accepted(), all);
  EXPECT_EQ(printer_->brain().Received(), all);
  EXPECT_EQ(events_.Bytes("written", handle), all);
  for (size_t i = 0; i < services_.size(); ++i) {
    if (i != GetParam().speaking) {
      EXPECT_EQ(services_[i]->AcceptedSize(), 0u) << "service " << i;
    }
  }

  // The host kept to the platform's queue and to the printer's flow control.
  EXPECT_EQ(printer_->peripheral().Stats().writes_dropped_queue_full, 0u);
  EXPECT_EQ(speaking().ProtocolErrors(), 0u);

  // The printer's bytes reach the reader through the port's read thread, in order although they
  // come in many small notifications.
  printer_->peripheral().SetMaximumNotificationLength(20);
  const auto reply = Pattern(700, 9);
  printer_->SendToHost(reply);
  std::vector<uint8_t> read(700);
  EXPECT_EQ(VP_Port_Read(handle, read.data(), 700, 5000), 700);
  EXPECT_EQ(read, reply);
  ASSERT_TRUE(WaitUntil([&] { return events_.Bytes("received", handle).size() == 700; }));

  EXPECT_EQ(Close(handle), 1);
  EXPECT_TRUE(printer_->peripheral().WaitForConnected(false, 5000));
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_EQ(VP_Port_Write(handle, reply.data(), 1, 1000), -1);
}

TEST_P(EachOpen, AutomaticStatusTravelsTheReadPathAndStaysOutOfTheData) {
  struct Status {
    std::mutex mutex;
    void *handle = nullptr;
    std::vector<std::pair<int64_t, int64_t>> words;
    static void On(void *handle, int64_t error, int64_t info, void *self) {
      auto *s = static_cast<Status *>(self);
      std::lock_guard<std::mutex> lock(s->mutex);
      if (handle == s->handle) s->words.emplace_back(error, info);
    }
    bool Saw(int64_t error) {
      std::lock_guard<std::mutex> lock(mutex);
      return std::any_of(words.begin(), words.end(), [&](auto &w) { return w.first == error; });
    }
  } status;
  void *handle = Open(1);
  ASSERT_NE(handle, nullptr);
  status.handle = handle;
  ASSERT_EQ(VP_Printer_AddOnPrinterStatusEvent(Status::On, &status), 1);
  // The open switched the printer's automatic status on over the link.
  ASSERT_TRUE(WaitUntil([&] { return printer_->autoreply().enabled(); }));
  const std::vector<uint8_t> switch_on{0x1F, 0x1B, 0x1F, 0x88, 0x04, 0x05, 0x06, 0x01};
  const auto received = printer_->brain().Received();
  ASSERT_GE(received.size(), switch_on.size());
  EXPECT_TRUE(std::equal(switch_on.begin(), switch_on.end(), received.begin()));

  printer_->autoreply().SetStatus(0x0084, 0x00C0);  // cover open, no paper
  EXPECT_TRUE(WaitUntil([&] { return status.Saw(0x0084); }));
  EXPECT_EQ(VP_Port_IsConnectionValid(handle), 1);

  // Ordinary data between the status packets reaches the reader alone.
  printer_->SendToHost({'o', 'k'});
  uint8_t read[8] = {};
  EXPECT_EQ(VP_Port_Read(handle, read, 2, 5000), 2);
  EXPECT_EQ(read[0], 'o');
  EXPECT_EQ(read[1], 'k');
  EXPECT_EQ(VP_Port_Read(handle, read, 8, 50), 0);
  VP_Printer_RemoveOnPrinterStatusEvent(Status::On);
}

TEST_P(EachOpen, ALostLinkClosesThePortOnce) {
  void *handle = Open(0);
  ASSERT_NE(handle, nullptr);
  printer_->peripheral().DropLink();
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_EQ(events_.Events("closed")[0].handle, handle);
  ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsOpened(handle) == 0; }));
  const uint8_t byte = 1;
  EXPECT_EQ(VP_Port_Write(handle, &byte, 1, 1000), -1);
  ASSERT_TRUE(platform::waitForDetachedThreads(10000));
  EXPECT_EQ(events_.Count("closed"), 1u);
  handles_.clear();  // closed by the library
}

// ---- Protocol choice -----------------------------------------------------------------------

struct Offer {
  const char *name;
  std::vector<int> protocols;  // 1, 2, 3 in the order the printer lists its services
  int expected;
};

void PrintTo(const Offer &offer, std::ostream *out) {
  *out << offer.name;
}

class VaChoice : public BlePortTest, public ::testing::WithParamInterface<Offer> {};

INSTANTIATE_TEST_SUITE_P(Offers, VaChoice,
                         ::testing::Values(Offer{"AllThree", {1, 2, 3}, 3},
                                           Offer{"V2AndV1", {2, 1}, 2}, Offer{"V1AndV3", {1, 3}, 3},
                                           Offer{"V1Only", {1}, 1}, Offer{"V2Only", {2}, 2}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_P(VaChoice, TheNegotiatingPortSpeaksTheBestProtocolOffered) {
  ServiceList services;
  std::shared_ptr<sim::PrinterService> expected;
  for (int protocol : GetParam().protocols) {
    std::shared_ptr<sim::PrinterService> service;
    if (protocol == 1) service = std::make_shared<sim::BasicPrinterService>();
    if (protocol == 2) service = std::make_shared<sim::ProtoV2PrinterService>();
    if (protocol == 3) service = std::make_shared<sim::ProtoV3PrinterService>();
    if (protocol == GetParam().expected) expected = service;
    services.push_back(service);
  }
  Place(services);
  void *handle = Keep(VP_Port_OpenBtBleProtoVA(address(), 0));
  ASSERT_NE(handle, nullptr);
  const auto data = Pattern(3000);
  ASSERT_EQ(VP_Port_Write(handle, data.data(), 3000, 10000), 3000);
  ASSERT_TRUE(expected->WaitForAccepted(3000, 5000));
  EXPECT_EQ(expected->Accepted(), data);
  for (const auto &service : services) {
    if (service != expected) {
      EXPECT_EQ(service->AcceptedSize(), 0u);
    }
  }
  // Only a port that speaks V2 keeps a send-count list.
  EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListLength(handle) > 0, GetParam().expected == 2);
  EXPECT_EQ(VP_Port_ClearBtBleProtoV2PacketSendTimesList(handle), GetParam().expected == 2);
}

TEST_F(BlePortTest, AFixedProtocolPortFailsOnAPrinterWithoutItsService) {
  auto &printer = Place({std::make_shared<sim::ProtoV2PrinterService>()});
  void *handle = nullptr;
  const long long elapsed =
      ElapsedMs([&] { handle = Keep(VP_Port_OpenBtBleProtoV3(address(), 0)); });
  EXPECT_EQ(handle, nullptr);
  EXPECT_LT(elapsed, 8000) << "no service to wait for";  // the set-up window is 10000 ms
  ASSERT_TRUE(events_.WaitForCount("open_failed", 1));
  EXPECT_EQ(events_.Events("open_failed")[0].name, address_text_);
  EXPECT_TRUE(printer.peripheral().WaitForConnected(false, 5000));
  // The printer is free again for a port that speaks its protocol.
  EXPECT_NE(Keep(VP_Port_OpenBtBleProtoV2(address(), 0)), nullptr);
}

// ---- Failing opens -------------------------------------------------------------------------

TEST_F(BlePortTest, AnAddressNotInRangeFailsWithinTheSearchTime) {
  Place({std::make_shared<sim::ProtoV3PrinterService>()});
  void *handle = nullptr;
  const long long elapsed =
      ElapsedMs([&] { handle = Keep(VP_Port_OpenBtBleProtoV3("00:11:22:33:44:55", 0)); });
  EXPECT_EQ(handle, nullptr);
  EXPECT_GE(elapsed, 4900);
  EXPECT_LT(elapsed, 8000);
  ASSERT_TRUE(events_.WaitForCount("open_failed", 1));
  EXPECT_EQ(events_.Events("open_failed")[0].name, "00:11:22:33:44:55");
  EXPECT_EQ(events_.Count("opened"), 0u);
}

TEST_F(BlePortTest, MalformedAddressesAndRefusedConnectionsFailAtOnce) {
  auto &printer = Place({std::make_shared<sim::BasicPrinterService>()});
  const long long elapsed = ElapsedMs([&] {
    for (const char *address :
         {"", "00:11:22:33:AA", "00-11-22-33-AA-BB", "00:11:22:33:AA:BG", "00:11:22:33:AA:BB:"}) {
      EXPECT_EQ(Keep(VP_Port_OpenBtBle(address, 0)), nullptr) << address;
    }
    EXPECT_EQ(Keep(VP_Port_OpenBtBle(nullptr, 0)), nullptr);
  });
  EXPECT_LT(elapsed, 4000);  // no search (5000 ms) for any of them
  ASSERT_TRUE(events_.WaitForCount("open_failed", 6));

  printer.peripheral().SetRefuseConnections(true);
  void *handle = nullptr;
  EXPECT_LT(ElapsedMs([&] { handle = Keep(VP_Port_OpenBtBle(address(), 0)); }), 8000);
  EXPECT_EQ(handle, nullptr);
  ASSERT_TRUE(events_.WaitForCount("open_failed", 7));
  // Lower-case hex is the same address.
  printer.peripheral().SetRefuseConnections(false);
  std::string lower = address_text_;
  for (auto &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(Keep(VP_Port_OpenBtBle(lower.c_str(), 0)), nullptr);
}

TEST_F(BlePortTest, OnePrinterServesOnePortAtATime) {
  Place(AllThree());
  void *first = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Keep(VP_Port_OpenBtBleProtoVA(address(), 0)), nullptr);
  EXPECT_EQ(Close(first), 1);
  void *second = Keep(VP_Port_OpenBtBleProtoVA(address(), 0));
  ASSERT_NE(second, nullptr);
  const uint8_t byte = 0x42;
  EXPECT_EQ(VP_Port_Write(second, &byte, 1, 5000), 1);
}

// ---- Writing -------------------------------------------------------------------------------

TEST_F(BlePortTest, ConcurrentWritesOnOnePortEachArriveWhole) {
  auto v3 = std::make_shared<sim::ProtoV3PrinterService>();
  Place({v3});
  void *handle = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(handle, nullptr);
  const auto a = Pattern(4000, 1);
  const auto b = Pattern(4000, 2);
  std::atomic<int> a_result{0};
  std::thread other([&] { a_result = VP_Port_Write(handle, a.data(), 4000, 10000); });
  EXPECT_EQ(VP_Port_Write(handle, b.data(), 4000, 10000), 4000);
  other.join();
  EXPECT_EQ(a_result.load(), 4000);
  ASSERT_TRUE(v3->WaitForAccepted(8000, 5000));
  auto ab = a;
  ab.insert(ab.end(), b.begin(), b.end());
  auto ba = b;
  ba.insert(ba.end(), a.begin(), a.end());
  const auto accepted = v3->Accepted();
  EXPECT_TRUE(accepted == ab || accepted == ba);
}

TEST_F(BlePortTest, AWriteThePrinterDoesNotTakeEndsAtItsTimeout) {
  auto v3 = std::make_shared<sim::ProtoV3PrinterService>();
  v3->SetCreditLimit(20);  // 16 at the start, 4 more, then none
  Place({v3});
  void *handle = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(handle, nullptr);
  const auto data = Pattern(10000);
  int written = -2;
  const long long elapsed =
      ElapsedMs([&] { written = VP_Port_Write(handle, data.data(), 10000, 300); });
  EXPECT_EQ(written, 0);
  EXPECT_GE(elapsed, 290);  // whole milliseconds on both sides
  // Past its timeout it waits for the owed credits until the printer has been silent that long,
  // not the 13000 ms a write of this size may take at least.
  EXPECT_LT(elapsed, ble::WriteTimeUp::kSilenceMs + ble::WriteTimeUp::kSettleMs + 1000);
  // Chunks went out that the printer never gave credit for: its credits are unknown now, so the
  // link ended with the write and the port closes.
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_EQ(VP_Port_IsOpened(handle), 0);
  EXPECT_EQ(VP_Port_Write(handle, data.data(), 10, 200), -1);
}

// A basic-layout write that its timeout cuts short counts the packet it had in flight once the
// printer acknowledged it: a caller that goes on from the count prints nothing twice.
TEST_F(BlePortTest, ABasicWriteCutShortReturnsWhatThePrinterHolds) {
  auto basic = std::make_shared<sim::BasicPrinterService>();
  Place({basic});
  void *handle = Keep(VP_Port_OpenBtBle(address(), 0));
  ASSERT_NE(handle, nullptr);
  const auto data = Pattern(100000);
  std::vector<uint8_t> expected;
  for (unsigned timeout : {137u, 500u, 1003u}) {
    const int written = VP_Port_Write(handle, data.data(), 100000, timeout);
    ASSERT_GE(written, 0) << timeout;
    ASSERT_LT(written, 100000) << timeout;
    expected.insert(expected.end(), data.begin(), data.begin() + written);
  }
  // A write that goes out after every answer to the ones above: whatever they had in flight is
  // in before it.
  const std::vector<uint8_t> marker{0xE0, 0xE1, 0xE2};
  ASSERT_EQ(VP_Port_Write(handle, marker.data(), 3, 10000), 3);
  expected.insert(expected.end(), marker.begin(), marker.end());
  ASSERT_TRUE(basic->WaitForAccepted(expected.size(), 5000));
  EXPECT_EQ(basic->Accepted(), expected);
}

TEST_F(BlePortTest, TheSendCountListShowsTheResendsOfTheLastV2Write) {
  auto v2 = std::make_shared<sim::ProtoV2PrinterService>();
  auto &printer = Place({v2});
  void *handle = Keep(VP_Port_OpenBtBleProtoV2(address(), 0));
  ASSERT_NE(handle, nullptr);
  // Lose the first sending of group packets 2 and 5.
  auto lost = std::make_shared<std::set<int>>(std::set<int>{2, 5});
  auto lost_mutex = std::make_shared<std::mutex>();
  printer.peripheral().SetLossFilter([lost, lost_mutex](uint64_t, const uint8_t *data, size_t n) {
    if (n < 4 || data[0] == 0) return false;  // the setup
    std::lock_guard<std::mutex> lock(*lost_mutex);
    return lost->erase(data[2] | (data[3] << 8)) > 0;
  });
  const auto data = Pattern(2000);  // 12 packets of up to 178 bytes (the link's 182 less 4)
  ASSERT_EQ(VP_Port_Write(handle, data.data(), 2000, 10000), 2000);
  ASSERT_TRUE(v2->WaitForAccepted(2000, 5000));
  EXPECT_EQ(v2->Accepted(), data);

  ASSERT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListLength(handle), 12);
  std::vector<int> values(14, -7);
  EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListValue(handle, values.data(), 14), 0);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(values[i], (i == 2 || i == 5) ? 2 : 1) << "packet " << i;
  }
  EXPECT_EQ(values[12], -7) << "nothing past the list";
  std::vector<int> three(4, -7);
  VP_Port_GetBtBleProtoV2PacketSendTimesListValue(handle, three.data(), 3);
  EXPECT_EQ(three, (std::vector<int>{1, 1, 2, -7}));
  EXPECT_EQ(velmora::VP_Port_GetBtBleProtoV2PacketSendTimesList(reinterpret_cast<Int>(handle)),
            (std::vector<int32_t>{1, 1, 2, 1, 1, 2, 1, 1, 1, 1, 1, 1}));

  // The next write starts a new list.
  ASSERT_EQ(VP_Port_Write(handle, data.data(), 300, 10000), 300);
  EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListLength(handle), 2);
  EXPECT_EQ(VP_Port_ClearBtBleProtoV2PacketSendTimesList(handle), 1);
  EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListLength(handle), 0);
  EXPECT_EQ(VP_Port_ClearBtBleProtoV2PacketSendTimesList(nullptr), 0);
  EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListLength(nullptr), 0);
  EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListValue(nullptr, values.data(), 14), 0);
  EXPECT_TRUE(velmora::VP_Port_GetBtBleProtoV2PacketSendTimesList(0).empty());
}

TEST_F(BlePortTest, AV2CountThatComesBeforeTheSetupAnswerIsNotThisWrites) {
  auto v2 = std::make_shared<LateCountV2Service>();
  Place({v2});
  void *handle = Keep(VP_Port_OpenBtBleProtoV2(address(), 0));
  ASSERT_NE(handle, nullptr);
  const auto data = Pattern(1000);
  EXPECT_EQ(VP_Port_Write(handle, data.data(), 1000, 10000), 1000);
  ASSERT_TRUE(v2->WaitForAccepted(1000, 5000));
  EXPECT_EQ(v2->Accepted(), data);
}

TEST_F(BlePortTest, PortsOfOtherKindsHaveNoSendCountList) {
  Place({std::make_shared<sim::ProtoV3PrinterService>()});
  void *v3 = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(v3, nullptr);
  void *memory = Keep(VP_Port_OpenMemoryBuffer(100));
  for (void *handle : {v3, memory}) {
    const auto data = Pattern(500);
    VP_Port_Write(handle, data.data(), 50, 5000);
    int value = -7;
    EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListLength(handle), 0);
    EXPECT_EQ(VP_Port_GetBtBleProtoV2PacketSendTimesListValue(handle, &value, 1), 0);
    EXPECT_EQ(value, -7);
    EXPECT_EQ(VP_Port_ClearBtBleProtoV2PacketSendTimesList(handle), 0);
  }
}

}  // namespace
}  // namespace velmora::test
