// The printer discoverer: network printers in a private network namespace, Bluetooth LE printers
// on the simulated radio, its start and stop sequences, and the road from a discovered device to
// a connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualBlePrinter.h"
#include "VirtualDiscoveryResponder.h"
#include "VirtualTcpPrinter.h"
#include "platform/DetachedThreads.h"
#include "support/PrivateNetwork.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

// The network printer reports a loopback address of the test's own namespace, where a virtual
// TCP printer listens on port 9100; the Bluetooth LE printer offers V2 and V3.
constexpr const char *kTcpAddress = "127.77.0.2";
constexpr const char *kTcpUid = "Kitchen|tcp|127.77.0.2";
constexpr const char *kBleUid = "Printer|btbleva|00:11:22:33:44:66";

// The discoverer's searches end by themselves after 12 s: a wait that tells a cancelled search
// from one left running stays below that, however far deadlines are stretched.
constexpr int kBelowSearchTimeoutMs = 10000;

// The uid strings of what a discoverer reported, and its loop's starts and ends. It outlives the
// discoverer: no listener runs after the discoverer's end.
struct DiscoveryLog {
  void Attach(VLPrinterDiscover &discoverer) {
    discoverer.setOnPrinterDiscoveredListener([this](std::shared_ptr<VLPrinterDevice> device) {
      std::lock_guard<std::mutex> lock(mutex);
      uids.push_back(VLPrinterDevice::toUidString(device));
    });
    discoverer.setOnPrinterDiscoverThreadListener([this] { ++started; }, [this] { ++finished; });
  }
  // Reports of this uid; of any with nullptr.
  size_t Count(const char *uid = nullptr) {
    std::lock_guard<std::mutex> lock(mutex);
    return uid == nullptr ? uids.size() : std::count(uids.begin(), uids.end(), uid);
  }

  std::mutex mutex;
  std::vector<std::string> uids;
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
};

class DiscovererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    network_ = std::make_unique<PrivateNetwork>();
    if (!network_->ok()) GTEST_SKIP() << network_->why_not();
    bool started = false;
    network_->OnPrinterHost([&] { started = responder_.Start(); });
    ASSERT_TRUE(started);
    ble_printer_ = std::make_unique<vprinter::VirtualBlePrinter>(
        "Printer", std::array<uint8_t, 6>{0x00, 0x11, 0x22, 0x33, 0x44, 0x66},
        std::vector<std::shared_ptr<sim::PrinterService>>{
            std::make_shared<sim::ProtoV2PrinterService>(), v3_});
  }
  void TearDown() override {
    responder_.Stop();
    ble_printer_.reset();
    sim::RemoveAllPeripherals();
    EXPECT_TRUE(platform::waitForDetachedThreads(ScaledMs(10000)))
        << "background threads still running";
  }

  std::unique_ptr<PrivateNetwork> network_;
  vprinter::VirtualDiscoveryResponder responder_{
      {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {127, 77, 0, 2}, "Kitchen"}};
  std::shared_ptr<sim::ProtoV3PrinterService> v3_ = std::make_shared<sim::ProtoV3PrinterService>();
  std::unique_ptr<vprinter::VirtualBlePrinter> ble_printer_;
};

TEST_F(DiscovererTest, StartsAndStopsFindBothKindsOfPrinterAndEachOneConnects) {
  DiscoveryLog log;
  VLPrinterDiscover discoverer;
  log.Attach(discoverer);
  // A stop while idle, then a stop right after the start: the loop starts and finishes once.
  discoverer.stopDiscover();
  EXPECT_FALSE(discoverer.isDiscovering());
  discoverer.startDiscover();
  discoverer.stopDiscover();
  EXPECT_TRUE(WaitUntil([&] { return log.finished.load() == 1; }, 2000));
  EXPECT_EQ(log.started.load(), 1);
  EXPECT_FALSE(discoverer.isDiscovering());

  // Neither stop keeps the next start from searching.
  const size_t earlier = responder_.BinaryRequestPorts().size();
  discoverer.startDiscover();
  EXPECT_TRUE(discoverer.isDiscovering());
  // A start while discovering starts fresh searches in the same loop: right after a request
  // round of the running search, whose next round is a second away, the next request comes
  // from a fresh search.
  ASSERT_TRUE(WaitUntil([&] { return responder_.BinaryRequestPorts().size() > earlier; }));
  const auto before = responder_.BinaryRequestPorts();
  discoverer.startDiscover();
  ASSERT_TRUE(WaitUntil([&] { return responder_.BinaryRequestPorts().size() > before.size(); }));
  EXPECT_EQ(
      std::count(before.begin(), before.end(), responder_.BinaryRequestPorts()[before.size()]), 0);
  EXPECT_EQ(log.started.load(), 2);
  EXPECT_EQ(log.finished.load(), 1);
  ASSERT_TRUE(WaitUntil([&] { return log.Count(kTcpUid) >= 2 && log.Count(kBleUid) >= 2; }));
  discoverer.stopDiscover();
  EXPECT_TRUE(WaitUntil([&] { return log.finished.load() == 2; }, 2000));
  EXPECT_FALSE(discoverer.isDiscovering());
  EXPECT_EQ(log.started.load(), 2);
  EXPECT_EQ(log.Count(), log.Count(kTcpUid) + log.Count(kBleUid));

  // The road on from discovery: connect, write, disconnect.
  vprinter::VirtualTcpPrinter tcp_printer;
  ASSERT_TRUE(tcp_printer.StartAt(kTcpAddress, 9100));
  const std::vector<uint8_t> job{0x1B, 0x40, 'h', 'i', '\n'};
  for (const char *uid : {kTcpUid, kBleUid}) {
    VLPrinterConnector connector;
    ASSERT_TRUE(connector.connectPrinterSync(VLPrinterDevice::fromUidString(uid))) << uid;
    EXPECT_EQ(velmora::VP_Port_Write(connector.getCurrentPrinterHandle(), job, 0,
                                     static_cast<Int>(job.size()), 5000),
              static_cast<Int>(job.size()));
    connector.disconnectPrinter();
  }
  const auto ends_with_job = [&](const std::vector<uint8_t> &received) {
    return received.size() >= job.size() &&
           std::equal(job.begin(), job.end(), received.end() - job.size());
  };
  EXPECT_TRUE(ends_with_job(tcp_printer.printer().Received()));
  EXPECT_TRUE(ends_with_job(ble_printer_->brain().Received()));
  EXPECT_TRUE(ends_with_job(v3_->Accepted())) << "the negotiating port chose V3";
  tcp_printer.Stop();
}

TEST_F(DiscovererTest, StartDuringTheStopOnlyCancelsTheSearches) {
  // The started listener holds the loop until the test has stopped and started again.
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  VLPrinterDiscover discoverer;
  discoverer.setOnPrinterDiscoverThreadListener(
      [&] {
        ++started;
        released.wait();
      },
      [&] { ++finished; });
  discoverer.startDiscover();
  ASSERT_TRUE(WaitUntil([&] { return started.load() == 1; }));
  discoverer.stopDiscover();
  discoverer.startDiscover();  // the loop still runs: it only cancels the searches
  release.set_value();
  EXPECT_TRUE(WaitUntil([&] { return finished.load() == 1; }, 2000));
  EXPECT_FALSE(discoverer.isDiscovering());
  EXPECT_EQ(started.load(), 1);
}

TEST_F(DiscovererTest, ListenersThatThrowEndNothing) {
  std::atomic<int> reports{0};
  std::atomic<int> finished{0};
  auto discoverer = std::make_unique<VLPrinterDiscover>();
  discoverer->setOnPrinterDiscoveredListener([&](std::shared_ptr<VLPrinterDevice>) {
    ++reports;
    throw 1;
  });
  discoverer->setOnPrinterDiscoverThreadListener([] { throw 2; },
                                                 [&] {
                                                   ++finished;
                                                   throw 3;
                                                 });
  discoverer->startDiscover();
  ASSERT_TRUE(WaitUntil([&] { return reports.load() >= 4; }));
  discoverer->stopDiscover();
  EXPECT_TRUE(WaitUntil([&] { return finished.load() == 1; }));
  discoverer.reset();  // waits for no listener call that never ended
  EXPECT_TRUE(platform::waitForDetachedThreads(5000));
}

TEST_F(DiscovererTest, AListenerMayEndItsOwnDiscovererAndNoListenerRunsAfterwards) {
  // The first report comes while the loop is still starting its searches: an end then must
  // stop them all, so that nothing runs on for a search's whole timeout. Several rounds, as the
  // loop may be anywhere in its first pass.
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    DiscoveryLog log;
    auto discoverer = std::make_shared<VLPrinterDiscover>();
    log.Attach(*discoverer);
    std::mutex mutex;
    std::atomic<int> reports{0};
    std::atomic<bool> ended{false};
    discoverer->setOnPrinterDiscoveredListener([&](std::shared_ptr<VLPrinterDevice>) {
      ++reports;
      std::shared_ptr<VLPrinterDiscover> last;
      {
        std::lock_guard<std::mutex> lock(mutex);
        last = std::move(discoverer);
      }
      if (last == nullptr) return;
      last.reset();  // ends it here, inside its own listener
      ended = true;
    });
    discoverer->startDiscover();
    ASSERT_TRUE(WaitUntil([&] { return ended.load(); }));
    const int seen = reports.load();
    ASSERT_TRUE(platform::waitForDetachedThreads(std::min(ScaledMs(2000), kBelowSearchTimeoutMs)))
        << "the loop and the searches ended";
    EXPECT_EQ(reports.load(), seen);
    EXPECT_EQ(log.finished.load(), 0) << "its listeners went with it";
  }
}

}  // namespace
}  // namespace velmora::test
