// The connector against virtual printers on loopback: the status sequences and listener calls
// of connect, reconnect and disconnect, ports that close by themselves, several connectors,
// background connects, and the connector's end.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
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
using velmora::test::ClosedEvents;
using velmora::test::OpenFailures;
using velmora::test::RefusingAddress;
using velmora::test::ScaledMs;
using velmora::test::StartPrinterOnPort9100;
using velmora::test::Status;
using velmora::test::StatusLog;
using velmora::test::TcpDevice;
using velmora::test::WaitUntil;
using Statuses = std::vector<Status>;

class ConnectorTest : public velmora::test::PortTest {};

TEST_F(ConnectorTest, ConnectThenDisconnect) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  VLPrinterConnector connector;
  StatusLog log(connector);
  EXPECT_TRUE(connector.isCurrentDisconnectedPrinter());
  EXPECT_FALSE(connector.isCurrentConnectionValid());

  const auto device = TcpDevice(printer->address());
  EXPECT_TRUE(connector.connectPrinterSync(device));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Connected}));
  EXPECT_TRUE(connector.isCurrentConnectedPrinter());
  EXPECT_NE(connector.getCurrentPrinterHandle(), 0);
  EXPECT_EQ(connector.getCurrentPrinterDevice(), device);
  EXPECT_TRUE(printer->WaitForAccepted(1, ScaledMs(5000)));

  connector.disconnectPrinter();
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Connected, Status::Disconnecting,
                                  Status::Disconnected}));
  EXPECT_EQ(connector.getCurrentPrinterHandle(), 0);
  EXPECT_EQ(connector.getCurrentPrinterDevice(), device);  // kept after a disconnect
  EXPECT_TRUE(printer->WaitForNoOpenConnection(ScaledMs(5000)));

  // Not connected: nothing to do, nobody told. The closed event of our own close changes
  // nothing either.
  connector.disconnectPrinter();
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(5000)));
  EXPECT_EQ(log.Seen().size(), 4u);
}

TEST_F(ConnectorTest, FailedOpenAndUnknownPortType) {
  RefusingAddress nobody;
  ASSERT_FALSE(nobody.address().empty());
  OpenFailures open_failures;
  VLPrinterConnector connector;
  StatusLog log(connector);
  const auto device = TcpDevice(nobody.address());
  EXPECT_FALSE(connector.connectPrinterSync(device));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Disconnected}));
  EXPECT_EQ(connector.getCurrentPrinterDevice(), device);
  EXPECT_EQ(connector.getCurrentPrinterHandle(), 0);

  const auto unknown = std::make_shared<VLPrinterDevice>("p", "TCP", nobody.address());
  EXPECT_FALSE(connector.connectPrinterSync(unknown));
  EXPECT_FALSE(connector.connectPrinterSync(nullptr));
  EXPECT_EQ(log.Seen().size(), 6u);
  EXPECT_EQ(log.Seen()[4], Status::Connecting);
  EXPECT_EQ(log.Seen()[5], Status::Disconnected);
  EXPECT_EQ(connector.getCurrentPrinterDevice(), nullptr);
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(5000)));
  EXPECT_EQ(open_failures.Names().size(), 1u);  // the unknown type and no device asked for no port
}

TEST_F(ConnectorTest, BluetoothLeDeviceWithoutAPrinterInRange) {
  OpenFailures open_failures;
  // Each open searches for the printer for seconds: the four kinds connect at the same time,
  // each on a connector of its own.
  const char *types[] = {"btblewr", "btblev2", "btblev3", "btbleva"};
  std::vector<std::unique_ptr<VLPrinterConnector>> connectors;
  std::vector<std::unique_ptr<StatusLog>> logs;
  std::vector<std::shared_ptr<VLPrinterDevice>> devices;
  for (const char *type : types) {
    connectors.push_back(std::make_unique<VLPrinterConnector>());
    logs.push_back(std::make_unique<StatusLog>(*connectors.back()));
    devices.push_back(std::make_shared<VLPrinterDevice>("ble", type, "00:11:22:33:44:55"));
  }
  std::vector<std::thread> connects;
  std::atomic<int> connected{0};
  for (std::size_t i = 0; i < connectors.size(); ++i) {
    connects.emplace_back([&, i] {
      if (connectors[i]->connectPrinterSync(devices[i])) ++connected;
    });
  }
  for (auto &connect : connects) connect.join();
  EXPECT_EQ(connected.load(), 0);
  for (std::size_t i = 0; i < connectors.size(); ++i) {
    EXPECT_EQ(connectors[i]->getCurrentPrinterDevice(), devices[i]) << types[i];
    EXPECT_EQ(logs[i]->Seen(), (Statuses{Status::Connecting, Status::Disconnected})) << types[i];
  }
  // Each kind reached a Bluetooth LE open with the device's address.
  EXPECT_TRUE(WaitUntil([&] { return open_failures.Names().size() == 4; }));
  for (const auto &name : open_failures.Names()) EXPECT_EQ(name, "00:11:22:33:44:55");
}

TEST_F(ConnectorTest, SamePortKeepsTheConnectionAndTheEarlierDevice) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  VLPrinterConnector connector;
  const auto first = TcpDevice(printer->address(), "first name");
  ASSERT_TRUE(connector.connectPrinterSync(first));
  ASSERT_TRUE(printer->WaitForAccepted(1, ScaledMs(5000)));
  const Int handle = connector.getCurrentPrinterHandle();
  StatusLog log(connector);
  EXPECT_TRUE(connector.connectPrinterSync(TcpDevice(printer->address(), "other name")));
  EXPECT_TRUE(log.Seen().empty());
  EXPECT_EQ(connector.getCurrentPrinterDevice(), first);
  EXPECT_EQ(connector.getCurrentPrinterHandle(), handle);
  EXPECT_EQ(printer->AcceptedCount(), 1u);
}

TEST_F(ConnectorTest, ConnectToAnotherPrinterClosesTheFirst) {
  auto one = StartPrinterOnPort9100();
  auto two = StartPrinterOnPort9100();
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  VLPrinterConnector connector;
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(one->address())));
  StatusLog log(connector);
  const auto second = TcpDevice(two->address());
  EXPECT_TRUE(connector.connectPrinterSync(second));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected, Status::Connecting,
                                  Status::Connected}));
  EXPECT_EQ(connector.getCurrentPrinterDevice(), second);
  EXPECT_TRUE(one->WaitForNoOpenConnection(ScaledMs(5000)));
  EXPECT_TRUE(two->WaitForAccepted(1, ScaledMs(5000)));

  // Another printer that cannot be reached: the old connection is gone all the same.
  RefusingAddress nobody;
  EXPECT_FALSE(connector.connectPrinterSync(TcpDevice(nobody.address())));
  EXPECT_EQ(log.Seen().size(), 8u);
  EXPECT_EQ(log.Seen().back(), Status::Disconnected);
  EXPECT_TRUE(two->WaitForNoOpenConnection(ScaledMs(5000)));
}

TEST_F(ConnectorTest, SwitchingPrintersKeepsEachNewPortOpen) {
  // The closed event of the port a switch closes may come while the next connect holds the
  // lock; it must not close the new port.
  auto one = StartPrinterOnPort9100();
  auto two = StartPrinterOnPort9100();
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  VLPrinterConnector connector;
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(one->address())));
  StatusLog log(connector);
  constexpr int kSwitches = 60;
  for (int i = 0; i < kSwitches; ++i) {
    ASSERT_TRUE(connector.connectPrinterSync(TcpDevice((i % 2 == 0 ? two : one)->address())));
  }
  ClosedEvents closed;
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(two->address())));
  ASSERT_TRUE(closed.WaitForCount(1));
  EXPECT_TRUE(connector.isCurrentConnectedPrinter());
  EXPECT_EQ(log.Seen().size(), 4u * (kSwitches + 1));
}

TEST_F(ConnectorTest, PortClosingByItselfDisconnects) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  VLPrinterConnector connector;
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(printer->address())));
  StatusLog log(connector);
  ASSERT_TRUE(printer->WaitForAccepted(1, ScaledMs(5000)));
  printer->CloseConnections();
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected}));
  EXPECT_EQ(connector.getCurrentPrinterHandle(), 0);
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(5000)));
  EXPECT_EQ(log.Seen().size(), 2u);
  // It connects again afterwards.
  EXPECT_TRUE(connector.connectPrinterSync(TcpDevice(printer->address())));
}

TEST_F(ConnectorTest, EachConnectorLearnsOfItsOwnPortOnly) {
  auto one = StartPrinterOnPort9100();
  auto two = StartPrinterOnPort9100();
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  auto first = std::make_unique<VLPrinterConnector>();
  VLPrinterConnector second;
  ASSERT_TRUE(first->connectPrinterSync(TcpDevice(one->address())));
  ASSERT_TRUE(second.connectPrinterSync(TcpDevice(two->address())));
  ASSERT_TRUE(one->WaitForAccepted(1, ScaledMs(5000)));
  ASSERT_TRUE(two->WaitForAccepted(1, ScaledMs(5000)));
  StatusLog first_log(*first);
  StatusLog second_log(second);
  ClosedEvents closed;

  two->CloseConnections();
  ASSERT_TRUE(second_log.WaitForCount(2));
  EXPECT_EQ(second_log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected}));
  ASSERT_TRUE(closed.WaitForCount(1));
  EXPECT_TRUE(first->isCurrentConnectedPrinter());
  EXPECT_TRUE(first_log.Seen().empty());

  // The first connector's end closes its port and leaves the second one's handling in place.
  first.reset();
  EXPECT_EQ(first_log.Seen(), (Statuses{Status::Disconnecting, Status::Disconnected}));
  EXPECT_TRUE(one->WaitForNoOpenConnection(ScaledMs(5000)));
  ASSERT_TRUE(second.connectPrinterSync(TcpDevice(two->address())));
  ASSERT_TRUE(two->WaitForAccepted(2, ScaledMs(5000)));
  two->CloseConnections();
  ASSERT_TRUE(second_log.WaitForCount(6));
  EXPECT_EQ(second_log.Seen()[5], Status::Disconnected);
}

TEST_F(ConnectorTest, ListenersByTagInRegistrationOrder) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  std::vector<std::string> calls;
  VLPrinterConnector connector;
  EXPECT_TRUE(connector.registerConnectionStatusChangedEvent([&] { calls.push_back("a"); }, 5));
  EXPECT_FALSE(connector.registerConnectionStatusChangedEvent([&] { calls.push_back("x"); }, 5));
  EXPECT_TRUE(connector.registerConnectionStatusChangedEvent([&] { calls.push_back("b"); }, -3));
  EXPECT_FALSE(connector.unregisterConnectionStatusChangedEvent(7));
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(printer->address())));
  EXPECT_EQ(calls, (std::vector<std::string>{"a", "b", "a", "b"}));
  EXPECT_TRUE(connector.unregisterConnectionStatusChangedEvent(5));
  EXPECT_FALSE(connector.unregisterConnectionStatusChangedEvent(5));
  calls.clear();
  connector.disconnectPrinter();
  EXPECT_EQ(calls, (std::vector<std::string>{"b", "b"}));
}

TEST_F(ConnectorTest, ListenersMayChangeTheListWhileCalled) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  std::vector<std::string> calls;
  VLPrinterConnector connector;
  // The first call adds a listener and removes itself; the walk in progress keeps its list.
  connector.registerConnectionStatusChangedEvent(
      [&] {
        calls.push_back("once");
        connector.registerConnectionStatusChangedEvent([&] { calls.push_back("late"); }, 2);
        connector.unregisterConnectionStatusChangedEvent(1);
      },
      1);
  ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(printer->address())));
  EXPECT_EQ(calls, (std::vector<std::string>{"once", "late"}));
}

TEST_F(ConnectorTest, SecondBackgroundConnectIsRefusedWhileTheFirstRuns) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  VLPrinterConnector connector;
  // The listener holds the first connect in its Connecting step until released.
  std::mutex mutex;
  std::condition_variable changed;
  bool holding = false;
  bool release = false;
  connector.registerConnectionStatusChangedEvent(
      [&] {
        if (!connector.isCurrentConnectingPrinter()) return;
        std::unique_lock<std::mutex> lock(mutex);
        holding = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
      },
      1);
  StatusLog log(connector, 2);
  ASSERT_TRUE(connector.connectPrinterAsync(TcpDevice(printer->address())));
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(
        changed.wait_for(lock, std::chrono::milliseconds(ScaledMs(5000)), [&] { return holding; }));
  }
  EXPECT_FALSE(connector.connectPrinterAsync(TcpDevice(printer->address())));
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
    holding = false;
  }
  changed.notify_all();
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_EQ(log.Seen(), (Statuses{Status::Connecting, Status::Connected}));
  // Once the first has finished, a new one starts.
  auto other = StartPrinterOnPort9100();
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(
      WaitUntil([&] { return connector.connectPrinterAsync(TcpDevice(other->address())); }));
  ASSERT_TRUE(log.WaitForCount(6));
  EXPECT_EQ(log.Seen()[5], Status::Connected);
  ASSERT_TRUE(printer->WaitForAccepted(1, ScaledMs(5000)));
  EXPECT_EQ(printer->AcceptedCount(), 1u);
}

TEST_F(ConnectorTest, EndOfAConnectedConnectorClosesItsPort) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  Statuses seen;
  {
    VLPrinterConnector connector;
    ASSERT_TRUE(connector.connectPrinterSync(TcpDevice(printer->address())));
    connector.registerConnectionStatusChangedEvent(
        [&] { seen.push_back(connector.getCurrentConnectionStatus()); }, 1);
  }
  EXPECT_EQ(seen, (Statuses{Status::Disconnecting, Status::Disconnected}));
  EXPECT_TRUE(printer->WaitForNoOpenConnection(ScaledMs(5000)));
}

TEST_F(ConnectorTest, EndWhileABackgroundConnectRunsLeavesNoPortOpen) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  for (int i = 0; i < 20; ++i) {
    auto connector = std::make_shared<VLPrinterConnector>();
    ASSERT_TRUE(connector->connectPrinterAsync(TcpDevice(printer->address())));
    if (i % 2 == 1) std::this_thread::yield();
    connector.reset();
  }
  EXPECT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(10000)));
  EXPECT_TRUE(printer->WaitForNoOpenConnection(ScaledMs(5000)));
}

TEST_F(ConnectorTest, ListenerMayEndItsOwnConnector) {
  auto printer = StartPrinterOnPort9100();
  ASSERT_NE(printer, nullptr);
  auto connector = std::make_shared<VLPrinterConnector>();
  std::atomic<int> calls{0};
  connector->registerConnectionStatusChangedEvent(
      [&] {
        ++calls;
        if (connector->isCurrentConnectedPrinter()) connector.reset();
      },
      1);
  auto *raw = connector.get();
  EXPECT_TRUE(raw->connectPrinterSync(TcpDevice(printer->address())));
  EXPECT_EQ(connector, nullptr);
  EXPECT_EQ(calls.load(), 2);  // no calls after the end
  EXPECT_TRUE(printer->WaitForNoOpenConnection(ScaledMs(5000)));
}

}  // namespace
