#include "support/PrivateNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "support/Wait.h"

namespace velmora::test {
namespace {

bool Run(const std::string &command) {
  return std::system(command.c_str()) == 0;
}

int OwnNamespace() {
  return open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
}

// A UDP socket bound to `address` (host order), port chosen by the system; -1 on failure.
int BoundUdp(uint32_t address) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(address);
  if (fd >= 0 && (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
                  ::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Takes one datagram within `timeout_ms`; false when none came.
bool Receive(int fd, sockaddr_in &from, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return false;
  char byte = 0;
  socklen_t length = sizeof from;
  return ::recvfrom(fd, &byte, 1, 0, reinterpret_cast<sockaddr *>(&from), &length) >= 0;
}

// True once a broadcast from the test's host reaches the printers' host and a reply comes back.
// A new link drops what is sent over it until the kernel has switched it on, which on a busy
// machine (other namespaces coming and going) takes a while after the commands returned.
bool WireCarries(int host_fd, int printer_fd) {
  sockaddr_in printer{};
  socklen_t length = sizeof printer;
  if (getsockname(printer_fd, reinterpret_cast<sockaddr *>(&printer), &length) != 0) return false;
  sockaddr_in broadcast = printer;
  broadcast.sin_addr.s_addr = htonl(0x0A4D00FF);  // 10.77.0.255
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(ScaledMs(10000));
  while (std::chrono::steady_clock::now() < deadline) {
    const char probe = 'p';
    ::sendto(host_fd, &probe, 1, 0, reinterpret_cast<sockaddr *>(&broadcast), sizeof broadcast);
    sockaddr_in from{};
    if (!Receive(printer_fd, from, 10)) continue;
    ::sendto(printer_fd, &probe, 1, 0, reinterpret_cast<sockaddr *>(&from), sizeof from);
    sockaddr_in back{};
    if (Receive(host_fd, back, 10)) return true;
  }
  return false;
}

}  // namespace

PrivateNetwork::PrivateNetwork() {
  // First the printers' host, then the test's own namespace, wired to it.
  if (unshare(CLONE_NEWNET) != 0 || (printers_host_ = OwnNamespace()) < 0 ||
      unshare(CLONE_NEWNET) != 0) {
    why_not_ = std::string("cannot create a network namespace: ") + std::strerror(errno);
    return;
  }
  const std::string printers_host =
      "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(printers_host_);
  if (!Run("ip link set lo up && ip link add vel0 type veth peer name vel1 && "
           "ip link set vel1 netns " +
           printers_host +
           " && ip addr add 10.77.0.1/24 broadcast 10.77.0.255 dev vel0 && ip link set vel0 up")) {
    why_not_ = "cannot make a veth pair between namespaces (is iproute2 installed?)";
    return;
  }
  OnPrinterHost([this] {
    ok_ =
        Run("ip link set lo up && ip addr add 10.77.0.2/24 broadcast 10.77.0.255 dev vel1 && "
            "ip link set vel1 up");
  });
  if (!ok_) {
    why_not_ = "cannot set up the printers' host";
    return;
  }
  int printer_fd = -1;
  OnPrinterHost([&] { printer_fd = BoundUdp(INADDR_ANY); });
  const int host_fd = BoundUdp(0x0A4D0001);  // 10.77.0.1
  ok_ = printer_fd >= 0 && host_fd >= 0 && WireCarries(host_fd, printer_fd);
  if (!ok_) why_not_ = "the link between the two hosts carries nothing";
  if (printer_fd >= 0) ::close(printer_fd);
  if (host_fd >= 0) ::close(host_fd);
}

PrivateNetwork::~PrivateNetwork() {
  if (printers_host_ >= 0) close(printers_host_);
}

void PrivateNetwork::OnPrinterHost(const std::function<void()> &work) {
  const int own = OwnNamespace();
  if (own < 0 || setns(printers_host_, CLONE_NEWNET) != 0) {
    if (own >= 0) close(own);
    return;
  }
  work();
  setns(own, CLONE_NEWNET);
  close(own);
}

}  // namespace velmora::test
