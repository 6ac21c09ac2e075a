#include "convenience/ConnectorSupport.h"

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

}  // namespace velmora::test
