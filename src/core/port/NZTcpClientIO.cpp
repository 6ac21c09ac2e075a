#include "core/port/NZTcpClientIO.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Clock.h"

namespace velmora::core {
namespace {

bool ResolveNumeric(const char *host, uint16_t port, sockaddr_storage &out, socklen_t &len) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;  // never a name lookup: it could block
  addrinfo *found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host, service.c_str(), &hints, &found) != 0 || found == nullptr) return false;
  std::memcpy(&out, found->ai_addr, found->ai_addrlen);
  len = found->ai_addrlen;
  freeaddrinfo(found);
  return true;
}

// Waits for `events` on fd until the deadline; false on timeout, hang-up or error.
bool WaitFor(int fd, short events, int64_t deadline_ms) {
  for (;;) {
    const int64_t left = deadline_ms - platform::steadyMs();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int r = poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 100)));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) continue;
    if (p.revents & events) return true;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  }
}

}  // namespace

NZTcpClientIO::~NZTcpClientIO() {
  Close();
  if (fd_ >= 0) ::close(fd_);
}

bool NZTcpClientIO::Open(const char *local_ip, const char *dest_ip, uint16_t dest_port,
                         uint32_t timeout_ms) {
  if (dest_ip == nullptr || fd_ >= 0) return false;
  sockaddr_storage dest{};
  socklen_t dest_len = 0;
  if (!ResolveNumeric(dest_ip, dest_port, dest, dest_len)) return false;

  const int fd = ::socket(dest.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = true;
  if (local_ip != nullptr && local_ip[0] != '\0') {
    sockaddr_storage local{};
    socklen_t local_len = 0;
    ok = ResolveNumeric(local_ip, 0, local, local_len) && local.ss_family == dest.ss_family &&
         ::bind(fd, reinterpret_cast<sockaddr *>(&local), local_len) == 0;
  }
  if (ok) {
    const int64_t deadline = platform::steadyMs() + timeout_ms;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&dest), dest_len) != 0) {
      ok = errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline);
      int error = 0;
      socklen_t error_len = sizeof(error);
      ok = ok && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &error_len) == 0 && error == 0;
    }
  }
  if (!ok) {
    ::close(fd);
    return false;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  fd_ = fd;
  opened_.store(true);
  return true;
}

int NZTcpClientIO::Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) {
  if (!opened_.load()) return -1;
  const int64_t deadline =
      platform::steadyMs() + int64_t{platform::wholeSecondsRoundedUp(timeout_ms)} * 1000;
  uint32_t sent = 0;
  bool failed = false;
  while (sent < count && opened_.load()) {
    const ssize_t n = ::send(fd_, data + sent, count - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (WaitFor(fd_, POLLOUT, deadline)) continue;
      if (platform::steadyMs() < deadline && opened_.load()) failed = true;  // hang-up
      break;
    }
    failed = true;
    break;
  }
  if (sent > 0 && listener() != nullptr) listener()->OnTransportWritten(data, sent);
  if (failed && opened_.load() && listener() != nullptr) listener()->OnTransportFailed();
  if (sent == 0 && (failed || !opened_.load()) && count > 0) return -1;
  return static_cast<int>(sent);
}

int NZTcpClientIO::ReadPacket(uint8_t *buffer, size_t count, uint32_t timeout_ms) {
  if (!opened_.load()) {
    // What the printer sent before the close is still handed on; the shut-down socket takes
    // nothing new, so this ends.
    const ssize_t n = ::recv(fd_, buffer, count, MSG_DONTWAIT);
    return n > 0 ? static_cast<int>(n) : -1;
  }
  pollfd p{fd_, POLLIN, 0};
  const int r = poll(&p, 1, static_cast<int>(timeout_ms));
  if (r < 0) return errno == EINTR ? 0 : -1;
  if (r == 0) return 0;
  const ssize_t n = ::recv(fd_, buffer, count, 0);
  if (n > 0) return static_cast<int>(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  return -1;  // orderly shutdown by the peer, or an error
}

void NZTcpClientIO::Close() {
  std::lock_guard<std::recursive_mutex> lock(close_mutex_);
  if (!opened_.exchange(false)) return;
  // Wake every blocked call; the descriptor itself is closed on destruction.
  ::shutdown(fd_, SHUT_RDWR);
  if (listener() != nullptr) listener()->OnTransportClosed();
}

}  // namespace velmora::core
