#include "convenience/ConnectorSupport.h"

#include <algorithm>

#include "support/Wait.h"

namespace velmora::test {

std::shared_ptr<VLPrinterDevice> TcpDevice(const std::string &address, const std::string &name) {
  return std::make_shared<VLPrinterDevice>(name, "tcp", address);
}

std::string RefusingAddress() {
  vprinter::VirtualTcpPrinter printer;  // stopped at the end of this scope
  return printer.StartOnOwnLoopbackAddress(9100) ? printer.address() : "";
}

StatusLog::StatusLog(VLPrinterConnector &connector, Int tag) {
  connector.registerConnectionStatusChangedEvent(
      [notes = notes_, &connector] {
        std::lock_guard<std::mutex> lock(notes->mutex);
        notes->seen.push_back(connector.getCurrentConnectionStatus());
      },
      tag);
}

std::vector<Status> StatusLog::Seen() const {
  std::lock_guard<std::mutex> lock(notes_->mutex);
  return notes_->seen;
}

bool StatusLog::WaitForCount(std::size_t count, int timeout_ms) const {
  return WaitUntil([&] { return Seen().size() >= count; }, timeout_ms);
}

PortEvents::PortEvents(Int tag) : tag_(tag) {
  velmora::VP_Port_AddOnPortClosedEvent(
      [notes = notes_](Int) {
        std::lock_guard<std::mutex> lock(notes->mutex);
        ++notes->closed;
      },
      tag_);
  velmora::VP_Port_AddOnPortOpenFailedEvent(
      [notes = notes_](Int, const std::string &name) {
        std::lock_guard<std::mutex> lock(notes->mutex);
        notes->open_failures.push_back(name);
      },
      tag_);
}

PortEvents::~PortEvents() {
  velmora::VP_Port_RemoveOnPortClosedEvent(tag_);
  velmora::VP_Port_RemoveOnPortOpenFailededEvent(tag_);
}

bool PortEvents::WaitForClosed(int count) const {
  return WaitUntil([&] {
    std::lock_guard<std::mutex> lock(notes_->mutex);
    return notes_->closed >= count;
  });
}

std::vector<std::string> PortEvents::OpenFailures() const {
  std::lock_guard<std::mutex> lock(notes_->mutex);
  return notes_->open_failures;
}

std::shared_ptr<platform::Image> TwoRows() {
  std::vector<std::uint8_t> grey(16, 0);
  std::fill(grey.begin() + 8, grey.end(), 255);
  return platform::Image::fromPixels(grey, 8, 2, platform::Image::PixelFormat::Gray);
}

std::shared_ptr<VLPrinterConnector> ConnectedPrinterTest::Connect(const Reported &reported) {
  EXPECT_TRUE(printer.tcp.StartOnOwnLoopbackAddress(9100));
  auto connector = std::make_shared<VLPrinterConnector>();
  EXPECT_TRUE(connector->connectPrinterSync(TcpDevice(printer.tcp.address())));
  EXPECT_TRUE(WaitUntil([&] {
    const auto resolution = VLPrintCommon::getPrinterResolution(connector);
    return resolution != nullptr && reported(*resolution);
  }));
  return connector;
}

std::vector<std::uint8_t> ConnectedPrinterTest::ReceivedSince(
    const std::shared_ptr<VLPrinterConnector> &connector, std::size_t before) {
  const std::vector<std::uint8_t> sentinel = {0x1B, 0x40};
  EXPECT_EQ(VLPrintCommon::writeBuffer(connector, sentinel), static_cast<Int>(sentinel.size()));
  std::vector<std::uint8_t> received;
  EXPECT_TRUE(printer.tcp.printer().WaitUntil(
      [&](const std::vector<std::uint8_t> &r) {
        received = r;
        return r.size() >= before + sentinel.size() &&
               std::equal(sentinel.rbegin(), sentinel.rend(), r.rbegin());
      },
      ScaledMs(5000)));
  if (received.size() < before + sentinel.size() ||
      !std::equal(sentinel.rbegin(), sentinel.rend(), received.rbegin())) {
    return {};
  }
  return std::vector<std::uint8_t>(received.begin() + static_cast<std::ptrdiff_t>(before),
                                   received.end() - static_cast<std::ptrdiff_t>(sentinel.size()));
}

}  // namespace velmora::test
