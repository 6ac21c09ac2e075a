#include "convenience/ConnectorSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>

#include "support/Wait.h"

namespace velmora::test {

std::unique_ptr<vprinter::VirtualTcpPrinter> StartPrinterOnPort9100() {
  auto printer = std::make_unique<vprinter::VirtualTcpPrinter>();
  if (!printer->StartOnOwnLoopbackAddress(9100)) return nullptr;
  return printer;
}

std::shared_ptr<VLPrinterDevice> TcpDevice(const std::string &address, const std::string &name) {
  return std::make_shared<VLPrinterDevice>(name, "tcp", address);
}

RefusingAddress::RefusingAddress() {
  std::random_device random;
  for (int attempt = 0; attempt < 64 && fd_ < 0; ++attempt) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl((127u << 24) | (random() % 0xFFFFFD + 2));
    addr.sin_port = htons(9100);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0) {
      ::close(fd);
      continue;
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof(text));
    address_ = text;
    fd_ = fd;
  }
}

RefusingAddress::~RefusingAddress() {
  if (fd_ >= 0) ::close(fd_);
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

ClosedEvents::ClosedEvents(Int tag) : tag_(tag) {
  velmora::VP_Port_AddOnPortClosedEvent([count = count_](Int) { ++*count; }, tag_);
}

ClosedEvents::~ClosedEvents() {
  velmora::VP_Port_RemoveOnPortClosedEvent(tag_);
}

bool ClosedEvents::WaitForCount(int count, int timeout_ms) const {
  return WaitUntil([&] { return count_->load() >= count; }, timeout_ms);
}

OpenFailures::OpenFailures(Int tag) : tag_(tag) {
  velmora::VP_Port_AddOnPortOpenFailedEvent(
      [notes = notes_](Int, const std::string &name) {
        std::lock_guard<std::mutex> lock(notes->mutex);
        notes->names.push_back(name);
      },
      tag_);
}

OpenFailures::~OpenFailures() {
  velmora::VP_Port_RemoveOnPortOpenFailededEvent(tag_);
}

std::vector<std::string> OpenFailures::Names() const {
  std::lock_guard<std::mutex> lock(notes_->mutex);
  return notes_->names;
}

}  // namespace velmora::test
