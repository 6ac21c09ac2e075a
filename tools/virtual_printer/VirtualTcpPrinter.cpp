#include "VirtualTcpPrinter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <random>
#include <string>

namespace velmora::vprinter {
namespace {

constexpr int kPollStepMs = 10;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool WaitCondition(const std::function<bool()> &condition, int timeout_ms) {
  const int64_t deadline = NowMs() + timeout_ms;
  while (!condition()) {
    if (NowMs() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

int ListenLoopback(uint16_t port, int backlog, uint16_t &bound_port,
                   uint32_t address = INADDR_LOOPBACK) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(address);
  addr.sin_port = htons(port);
  socklen_t len = sizeof(addr);
  if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 ||
      ::listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
    ::close(fd);
    return -1;
  }
  bound_port = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

VirtualTcpPrinter::VirtualTcpPrinter(std::shared_ptr<VirtualPrinter> printer)
    : printer_(printer != nullptr ? std::move(printer) : std::make_shared<VirtualPrinter>()) {}

VirtualTcpPrinter::~VirtualTcpPrinter() {
  Stop();
}

bool VirtualTcpPrinter::Start(uint16_t port) {
  if (running_.load()) return true;
  listen_fd_ = ListenLoopback(port, 16, port_, address_);
  if (listen_fd_ < 0) return false;
  running_.store(true);
  printer_->SetHostOutput([this](const Bytes &bytes) { Send(bytes); });
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

bool VirtualTcpPrinter::StartAt(const std::string &address, uint16_t port) {
  if (running_.load()) return true;
  in_addr parsed{};
  if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) return false;
  // Only the loopback range: nothing here may listen on a real interface.
  if ((ntohl(parsed.s_addr) >> 24) != 127) return false;
  address_ = ntohl(parsed.s_addr);
  return Start(port);
}

bool VirtualTcpPrinter::StartOnOwnLoopbackAddress(uint16_t port) {
  // Any 127.x.y.z reaches the loopback interface; a random one keeps parallel tests and other
  // programs on the same well-known port apart.
  std::random_device random;
  for (int attempt = 0; attempt < 64; ++attempt) {
    const uint32_t host = random() % 0xFFFFFD + 2;  // 127.0.0.2 .. 127.255.255.254
    const uint32_t address = (127u << 24) | host;
    char text[INET_ADDRSTRLEN] = {};
    const in_addr raw{htonl(address)};
    inet_ntop(AF_INET, &raw, text, sizeof(text));
    if (StartAt(text, port)) return true;
  }
  return false;
}

std::string VirtualTcpPrinter::address() const {
  char text[INET_ADDRSTRLEN] = {};
  const in_addr raw{htonl(address_)};
  inet_ntop(AF_INET, &raw, text, sizeof(text));
  return text;
}

void VirtualTcpPrinter::Stop() {
  if (!running_.exchange(false)) return;
  if (acceptor_.joinable()) acceptor_.join();
  ::close(listen_fd_);
  listen_fd_ = -1;
  CloseConnections();
  printer_->SetHostOutput(nullptr);
  std::vector<std::shared_ptr<Connection>> connections;
  {
    std::lock_guard<std::mutex> lock(connections_mutex_);
    connections.swap(connections_);
  }
  for (auto &c : connections) {
    if (c->reader.joinable()) c->reader.join();
    ::close(c->fd);
  }
}

void VirtualTcpPrinter::AcceptLoop() {
  while (running_.load()) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (poll(&p, 1, kPollStepMs) <= 0) continue;
    const int delay = accept_delay_ms_.load();
    if (delay > 0) {
      const int64_t until = NowMs() + delay;
      while (running_.load() && NowMs() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (!running_.load()) break;
    }
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (reset_on_accept_.load()) {
      const linger abort{1, 0};  // close with a reset, not an orderly shutdown
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      ::close(fd);
      accepted_.fetch_add(1);
      continue;
    }
    auto connection = std::make_shared<Connection>();
    connection->fd = fd;
    {
      std::lock_guard<std::mutex> lock(connections_mutex_);
      connections_.push_back(connection);
      connection->reader = std::thread([this, connection] { ReadLoop(connection); });
    }
    accepted_.fetch_add(1);
  }
}

void VirtualTcpPrinter::ReadLoop(const std::shared_ptr<Connection> &connection) {
  Bytes chunk(4096);
  const Reply reply = [this, connection](const Bytes &bytes) { WriteAll(*connection, bytes); };
  while (running_.load() && connection->open.load()) {
    if (!reading_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollStepMs));
      continue;
    }
    pollfd p{connection->fd, POLLIN, 0};
    const int r = poll(&p, 1, kPollStepMs);
    if (r <= 0) continue;
    const ssize_t n = ::recv(connection->fd, chunk.data(), chunk.size(), 0);
    if (n > 0) {
      printer_->Receive(chunk.data(), static_cast<size_t>(n), reply);
      continue;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    break;  // the host closed the connection
  }
  if (connection->open.exchange(false)) ::shutdown(connection->fd, SHUT_RDWR);
}

void VirtualTcpPrinter::WriteAll(Connection &connection, const Bytes &bytes) {
  std::lock_guard<std::mutex> lock(connection.write_mutex);
  size_t sent = 0;
  while (sent < bytes.size() && connection.open.load()) {
    const ssize_t n = ::send(connection.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      sent_.fetch_add(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
}

void VirtualTcpPrinter::Send(const Bytes &bytes) {
  if (accepted_.load() == 0) WaitForAccepted(1, 5000);
  std::vector<std::shared_ptr<Connection>> connections;
  {
    std::lock_guard<std::mutex> lock(connections_mutex_);
    connections = connections_;
  }
  for (auto &c : connections) {
    if (c->open.load()) WriteAll(*c, bytes);
  }
}

void VirtualTcpPrinter::CloseConnections() {
  std::lock_guard<std::mutex> lock(connections_mutex_);
  for (auto &c : connections_) {
    if (c->open.exchange(false)) ::shutdown(c->fd, SHUT_RDWR);
  }
}

size_t VirtualTcpPrinter::OpenConnectionCount() const {
  std::lock_guard<std::mutex> lock(connections_mutex_);
  size_t n = 0;
  for (const auto &c : connections_) n += c->open.load() ? 1 : 0;
  return n;
}

size_t VirtualTcpPrinter::HeldSocketCount() const {
  std::lock_guard<std::mutex> lock(connections_mutex_);
  return connections_.size();
}

size_t VirtualTcpPrinter::UnreadCount() const {
  std::lock_guard<std::mutex> lock(connections_mutex_);
  size_t unread = 0;
  for (const auto &c : connections_) {
    int n = 0;
    if (c->open.load() && ioctl(c->fd, FIONREAD, &n) == 0) unread += static_cast<size_t>(n);
  }
  return unread;
}

bool VirtualTcpPrinter::WaitForAccepted(size_t count, int timeout_ms) const {
  return WaitCondition([&] { return accepted_.load() >= count; }, timeout_ms);
}

bool VirtualTcpPrinter::WaitForNoOpenConnection(int timeout_ms) const {
  return WaitCondition([&] { return OpenConnectionCount() == 0; }, timeout_ms);
}

UnansweredTcpEndpoint::UnansweredTcpEndpoint() {
  listen_fd_ = ListenLoopback(0, 0, port_);
  if (listen_fd_ < 0) return;
  // Fill the accept queue; once full, the kernel drops further connection requests.
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port_);
  for (int i = 0; i < 8; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) break;
    ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr));
    fillers_.push_back(fd);
  }
  ok_ = true;
}

UnansweredTcpEndpoint::~UnansweredTcpEndpoint() {
  for (int fd : fillers_) ::close(fd);
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

uint16_t ClosedLoopbackPort() {
  uint16_t port = 0;
  const int fd = ListenLoopback(0, 1, port);
  if (fd >= 0) ::close(fd);
  return port;
}

}  // namespace velmora::vprinter
