// The connector against virtual printers on loopback: the status sequences and listener calls
// of connect, reconnect and disconnect, ports that close by themselves, several connectors,
// background connects, and the connector's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "convenience/ConnectorSupport.h"
#include "platform/DetachedThreads.h"
#include "support/PortTest.h"
#include "support/Wait.h"

namespace {

using velmora::Int;
using velmora::VLPrinterConnector;
using velmora::VLPrinterDevice;
using velmora::test::PortEvents;
using velmora::test::RefusingAddress;
using velmora::test::ScaledMs;
using velmora::test::Status;
using velmora::test::StatusLog;
using velmora::test::TcpDevice;
using velmora::test::WaitUntil;
using Statuses = std::vector<Status>;

// Two printers on port 9100, each at a loopback address of its own.
class ConnectorTest : public velmora::test::PortTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(one.StartOnOwnLoopbackAddress(9100));
    ASSERT_TRUE(two.StartOnOwnLoopbackAddress(9100));
  }
  velmora::vprinter::VirtualTcpPrinter one, two;
};

TEST_F(ConnectorTest, ConnectAgainToTheSamePortThenDisconnect) {
  VLPrinterConnector connector;
  StatusLog log(connector);
  EXPECT_TRUE(connector.isCurrentDisconnectedPrinter());
  EXPECT_FALSE(connector.isCurrentConnectionValid());
  const auto device = TcpDevice(one.address(), "first name");
  EXPECT_TRUE(connector.connectPrinterSync(device));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Connected}));
  EXPECT_TRUE(connector.isCurrentConnectedPrinter());
  const Int handle = connector.getCurrentPrinterHandle();
  EXPECT_NE(handle, 0);
  ASSERT_TRUE(one.WaitForAccepted(1, ScaledMs(5000)));

  // The same port under another name: nothing opened, nobody told, the earlier device kept.
  EXPECT_TRUE(connector.connectPrinterSync(TcpDevice(one.address(), "other name")));
  EXPECT_EQ(log.Seen().size(), 2u);
  EXPECT_EQ(connector.getCurrentPrinterDevice(), device);
  EXPECT_EQ(connector.getCurrentPrinterHandle(), handle);
  EXPECT_EQ(one.AcceptedCount(), 1u);

  connector.disconnectPrinter();
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Connected, Status::Disconnecting,
                                  Status::Disconnected}));
  EXPECT_EQ(connector.getCurrentPrinterHandle(), 0);
  EXPECT_EQ(connector.getCurrentPrinterDevice(), device);  // kept after a disconnect
  EXPECT_TRUE(one.WaitForNoOpenConnection(ScaledMs(5000)));

  // Not connected: nothing to do, nobody told. The closed event of our own close changes
  // nothing either.
  connector.disconnectPrinter();
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(5000)));
  EXPECT_EQ(log.Seen().size(), 4u);
}

TEST_F(ConnectorTest, DevicesThatDoNotConnect) {
  const std::string nobody = RefusingAddress();
  ASSERT_FALSE(nobody.empty());
  PortEvents events;
  const std::string ble = "00:11:22:33:44:55";
  std::vector<std::shared_ptr<VLPrinterDevice>> devices = {
      TcpDevice(nobody), std::make_shared<VLPrinterDevice>("p", "TCP", nobody), nullptr};
  for (const char *type : {"btblewr", "btblev2", "btblev3", "btbleva"}) {
    devices.push_back(std::make_shared<VLPrinterDevice>("ble", type, ble));
  }
  // A Bluetooth LE open searches for its printer for seconds: all connect at the same time,
  // each on a connector of its own.
  std::vector<std::unique_ptr<VLPrinterConnector>> connectors;
  std::vector<std::unique_ptr<StatusLog>> logs;
  std::vector<std::thread> connects;
  for (const auto &device : devices) {
    connectors.push_back(std::make_unique<VLPrinterConnector>());
    logs.push_back(std::make_unique<StatusLog>(*connectors.back()));
    connects.emplace_back([connector = connectors.back().get(), device] {
      EXPECT_FALSE(connector->connectPrinterSync(device));
    });
  }
  for (auto &connect : connects) connect.join();
  for (std::size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(connectors[i]->getCurrentPrinterDevice(), devices[i]) << i;
    EXPECT_EQ(connectors[i]->getCurrentPrinterHandle(), 0) << i;
    EXPECT_EQ(logs[i]->Seen(), (Statuses{Status::Connecting, Status::Disconnected})) << i;
  }
  // The refused TCP open and each Bluetooth LE kind reached an open with the device's address;
  // the unknown type ("TCP") and no device asked for no port.
  EXPECT_TRUE(WaitUntil([&] { return events.OpenFailures().size() >= 5; }));
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(5000)));
  auto names = events.OpenFailures();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{ble, ble, ble, ble, nobody}));
}

TEST_F(ConnectorTest, SwitchingPrintersClosesTheOldPortAndKeepsEachNewOne) {
  VLPrinterConnector connector;
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(one.address())));
  StatusLog log(connector);
  const auto second = TcpDevice(two.address());
  EXPECT_TRUE(connector.connectPrinterSync(second));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected, Status::Connecting,
                                  Status::Connected}));
  EXPECT_EQ(connector.getCurrentPrinterDevice(), second);
  EXPECT_TRUE(one.WaitForNoOpenConnection(ScaledMs(5000)));

  // The closed event of the port a switch closes may come while the next connect holds the
  // lock; it must not close the new port.
  constexpr int kSwitches = 60;
  for (int i = 0; i < kSwitches; ++i) {
    ASSERT_TRUE(connector.connectPrinterSync(TcpDevice((i % 2 == 0 ? one : two).address())));
  }
  PortEvents events;
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(one.address())));
  ASSERT_TRUE(events.WaitForClosed(1));
  EXPECT_TRUE(connector.isCurrentConnectedPrinter());
  EXPECT_EQ(log.Seen().size(), 4u * (kSwitches + 2));

  // Another printer that cannot be reached: the old connection is gone all the same.
  const std::string nobody = RefusingAddress();
  EXPECT_FALSE(connector.connectPrinterSync(TcpDevice(nobody)));
  EXPECT_EQ(log.Seen().size(), 4u * (kSwitches + 3));
  EXPECT_EQ(log.Seen().back(), Status::Disconnected);
  EXPECT_TRUE(one.WaitForNoOpenConnection(ScaledMs(5000)));
}

TEST_F(ConnectorTest, EachConnectorLearnsOfItsOwnPortClosingOnly) {
  auto first = std::make_unique<VLPrinterConnector>();
  VLPrinterConnector second;
  ASSERT_TRUE(first->connectPrinterSync(TcpDevice(one.address())));
  ASSERT_TRUE(second.connectPrinterSync(TcpDevice(two.address())));
  ASSERT_TRUE(one.WaitForAccepted(1, ScaledMs(5000)));
  ASSERT_TRUE(two.WaitForAccepted(1, ScaledMs(5000)));
  StatusLog first_log(*first);
  StatusLog second_log(second);

  // The printer hangs up: its connector disconnects.
  two.CloseConnections();
  ASSERT_TRUE(second_log.WaitForCount(2));
  EXPECT_EQ(second_log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected}));
  EXPECT_EQ(second.getCurrentPrinterHandle(), 0);
  // The first connector's handler, registered before the second's, has had the event too.
  EXPECT_TRUE(first->isCurrentConnectedPrinter());
  EXPECT_TRUE(first_log.Seen().empty());

  // The first connector's end closes its port and leaves the second one's handling in place.
  first.reset();
  EXPECT_EQ(first_log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected}));
  EXPECT_TRUE(one.WaitForNoOpenConnection(ScaledMs(5000)));
  ASSERT_TRUE(second.connectPrinterSync(TcpDevice(two.address())));
  ASSERT_TRUE(two.WaitForAccepted(2, ScaledMs(5000)));
  two.CloseConnections();
  ASSERT_TRUE(second_log.WaitForCount(6));
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(5000)));
  EXPECT_EQ(second_log.Seen(),
            (Statuses{Status::Disconnecting, Status::Disconnected, Status::Connecting,
                      Status::Connected, Status::Disconnecting, Status::Disconnected}));
}

TEST_F(ConnectorTest, ListenersByTagInRegistrationOrder) {
  std::vector<std::string> calls;
  VLPrinterConnector connector;
  EXPECT_TRUE(connector.registerConnectionStatusChangedEvent([&] { calls.push_back("a"); }, 5));
  EXPECT_FALSE(connector.registerConnectionStatusChangedEvent([&] { calls.push_back("x"); }, 5));
  EXPECT_TRUE(connector.registerConnectionStatusChangedEvent([&] { calls.push_back("b"); }, -3));
  EXPECT_FALSE(connector.unregisterConnectionStatusChangedEvent(7));
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(one.address())));
  EXPECT_EQ(calls, (std::vector<std::string>{"a", "b", "a", "b"}));
  EXPECT_TRUE(connector.unregisterConnectionStatusChangedEvent(5));
  EXPECT_FALSE(connector.unregisterConnectionStatusChangedEvent(5));
  calls.clear();
  connector.disconnectPrinter();
  EXPECT_EQ(calls, (std::vector<std::string>{"b", "b"}));

  // A listener that adds one and removes itself: the walk in progress keeps its list.
  connector.registerConnectionStatusChangedEvent(
      [&] {
        calls.push_back("once");
        connector.registerConnectionStatusChangedEvent([&] { calls.push_back("late"); }, 2);
        connector.unregisterConnectionStatusChangedEvent(1);
      },
      1);
  calls.clear();
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(one.address())));
  EXPECT_EQ(calls, (std::vector<std::string>{"b", "once", "b", "late"}));
}

TEST_F(ConnectorTest, SecondBackgroundConnectIsRefusedWhileTheFirstRuns) {
  VLPrinterConnector connector;
  // The listener holds the first connect in its Connecting step until released.
  std::promise<void> holding, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> held{false};
  connector.registerConnectionStatusChangedEvent(
      [&] {
        if (!connector.isCurrentConnectingPrinter() || held.exchange(true)) return;
        holding.set_value();
        released.wait();
      },
      1);
  StatusLog log(connector, 2);
  ASSERT_TRUE(connector.connectPrinterAsync(TcpDevice(one.address())));
  ASSERT_EQ(holding.get_future().wait_for(std::chrono::milliseconds(ScaledMs(5000))),
            std::future_status::ready);
  EXPECT_FALSE(connector.connectPrinterAsync(TcpDevice(one.address())));
  release.set_value();
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Connected}));
  // Once the first has finished, a new one starts.
  EXPECT_TRUE(WaitUntil([&] { return connector.connectPrinterAsync(TcpDevice(two.address())); }));
  ASSERT_TRUE(log.WaitForCount(6));
  EXPECT_EQ(log.Seen()[5], Status::Connected);
  ASSERT_TRUE(one.WaitForAccepted(1, ScaledMs(5000)));
  EXPECT_EQ(one.AcceptedCount(), 1u);
}

TEST_F(ConnectorTest, EndWhileABackgroundConnectRunsLeavesNoPortOpen) {
  for (int i = 0; i < 20; ++i) {
    auto connector = std::make_shared<VLPrinterConnector>();
    ASSERT_TRUE(connector->connectPrinterAsync(TcpDevice(one.address())));
    if (i % 2 == 1) std::this_thread::yield();
    connector.reset();
  }
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(10000)));
  EXPECT_TRUE(one.WaitForNoOpenConnection(ScaledMs(5000)));
}

TEST_F(ConnectorTest, ListenerMayEndItsOwnConnector) {
  auto connector = std::make_shared<VLPrinterConnector>();
  int calls = 0;
  connector->registerConnectionStatusChangedEvent(
      [&] {
        ++calls;
        if (connector->isCurrentConnectedPrinter()) connector.reset();
      },
      1);
  auto *raw = connector.get();
  EXPECT_TRUE(raw->connectPrinterSync(TcpDevice(one.address())));
  EXPECT_EQ(connector, nullptr);
  EXPECT_EQ(calls, 2);  // no calls after the end
  EXPECT_TRUE(one.WaitForNoOpenConnection(ScaledMs(5000)));
}

}  // namespace
