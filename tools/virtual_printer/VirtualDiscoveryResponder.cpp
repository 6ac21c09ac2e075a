#include "VirtualDiscoveryResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace velmora::vprinter {
namespace {

int BindUdp(uint16_t port, const std::string &device) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (!device.empty() && setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device.c_str(),
                                    static_cast<socklen_t>(device.size())) != 0) {
    ::close(fd);
    return -1;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(port);
  if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

VirtualDiscoveryResponder::VirtualDiscoveryResponder(Identity identity)
    : identity_(std::move(identity)) {}

VirtualDiscoveryResponder::~VirtualDiscoveryResponder() {
  Stop();
}

std::vector<uint8_t> VirtualDiscoveryResponder::BinaryReply(const Identity &identity) {
  std::vector<uint8_t> reply;
  reply.reserve(17 + identity.name.size());
  for (char c : std::string("VLDR")) reply.push_back(static_cast<uint8_t>(c));
  reply.push_back(1);
  for (uint8_t b : identity.mac) reply.push_back(b);
  for (uint8_t b : identity.ip) reply.push_back(b);
  reply.push_back(0);
  reply.push_back(static_cast<uint8_t>(identity.name.size()));
  for (char c : identity.name) reply.push_back(static_cast<uint8_t>(c));
  return reply;
}

std::string VirtualDiscoveryResponder::TextReply(const Identity &identity) {
  char head[80];
  const auto &m = identity.mac;
  const auto &i = identity.ip;
  std::snprintf(head, sizeof head,
                "VLPRINTER!FOUND mac=%02x-%02x-%02x-%02x-%02x-%02x ip=%u.%u.%u.%u", m[0], m[1],
                m[2], m[3], m[4], m[5], i[0], i[1], i[2], i[3]);
  std::string reply = head;
  if (!identity.name.empty()) reply += " name=" + identity.name;
  return reply + "\r\n";
}

bool VirtualDiscoveryResponder::Start(const std::string &device, uint16_t binary_port,
                                      uint16_t text_port) {
  const int binary_fd = BindUdp(binary_port, device);
  const int text_fd = BindUdp(text_port, device);
  if (binary_fd < 0 || text_fd < 0) {
    if (binary_fd >= 0) ::close(binary_fd);
    if (text_fd >= 0) ::close(text_fd);
    return false;
  }
  running_.store(true);
  fds_ = {binary_fd, text_fd};
  threads_.emplace_back([this, binary_fd] { Serve(binary_fd, true); });
  threads_.emplace_back([this, text_fd] { Serve(text_fd, false); });
  return true;
}

void VirtualDiscoveryResponder::Stop() {
  if (!running_.exchange(false)) return;
  for (auto &t : threads_) t.join();
  threads_.clear();
  for (int fd : fds_) ::close(fd);
  fds_.clear();
}

std::vector<uint16_t> VirtualDiscoveryResponder::BinaryRequestPorts() const {
  std::lock_guard<std::mutex> lock(ports_mutex_);
  return binary_request_ports_;
}

void VirtualDiscoveryResponder::Serve(int fd, bool binary) {
  static const char kBinaryRequest[] = {'V', 'L', 'D', 'Q', 1, 0, 0, 0};
  static const char kTextRequest[] = "VLPRINTER?SEARCH\r\n";
  const std::vector<uint8_t> binary_reply = BinaryReply(identity_);
  const std::string text_reply = TextReply(identity_);
  char request[256];
  while (running_.load()) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t n = ::recvfrom(fd, request, sizeof request, 0,
                                 reinterpret_cast<sockaddr *>(&from), &from_length);
    if (binary && n == sizeof kBinaryRequest && std::memcmp(request, kBinaryRequest, n) == 0) {
      {
        std::lock_guard<std::mutex> lock(ports_mutex_);
        binary_request_ports_.push_back(ntohs(from.sin_port));
      }
      ::sendto(fd, binary_reply.data(), binary_reply.size(), 0, reinterpret_cast<sockaddr *>(&from),
               from_length);
      binary_answers_.fetch_add(1);
    } else if (!binary && n == sizeof kTextRequest - 1 &&
               std::memcmp(request, kTextRequest, n) == 0) {
      ::sendto(fd, text_reply.data(), text_reply.size(), 0, reinterpret_cast<sockaddr *>(&from),
               from_length);
      text_answers_.fetch_add(1);
    }
  }
}

}  // namespace velmora::vprinter
