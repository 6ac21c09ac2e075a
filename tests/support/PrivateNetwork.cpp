#include "support/PrivateNetwork.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmora::test {
namespace {

bool Run(const std::string &command) {
  return std::system(command.c_str()) == 0;
}

int OwnNamespace() {
  return open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
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
  if (!ok_) why_not_ = "cannot set up the printers' host";
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
