#include "core/port/NetPrinterEnumerator.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/port/DiscoveryDatagrams.h"
#include "platform/ApplicationClosure.h"
#include "platform/Clock.h"

namespace velmora::core {
namespace {

constexpr int64_t kRoundMs = 1000;
constexpr int kCancelPollMs = 5;

struct Interface {
  std::string address_text;
  in_addr address{};
  in_addr broadcast{};
};

// One request kind on one interface: its socket and its receive thread.
struct Searcher {
  int fd = -1;
  bool binary = true;
  const Interface *interface = nullptr;
  std::thread receiver;
};

bool Cancelled(const int *cancel) {
  return cancel != nullptr && __atomic_load_n(cancel, __ATOMIC_RELAXED) != 0;
}

std::vector<Interface> BroadcastInterfaces() {
  std::vector<Interface> found;
  ifaddrs *list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  for (ifaddrs *i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_BROADCAST) == 0 ||
        (i->ifa_flags & IFF_LOOPBACK) != 0 || i->ifa_broadaddr == nullptr) {
      continue;
    }
    Interface itf;
    itf.address = reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr;
    itf.broadcast = reinterpret_cast<sockaddr_in *>(i->ifa_broadaddr)->sin_addr;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &itf.address, text, sizeof text);
    itf.address_text = text;
    found.push_back(itf);
  }
  freeifaddrs(list);
  return found;
}

int OpenSocket(const in_addr &address) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr = address;
  if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
      ::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void SendRequests(const std::vector<std::unique_ptr<Searcher>> &searchers) {
  static const std::vector<uint8_t> binary = discovery::BinaryRequest();
  static const std::vector<uint8_t> text = discovery::TextRequest();
  for (const auto &s : searchers) {
    const auto &request = s->binary ? binary : text;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = s->interface->broadcast;
    to.sin_port = htons(s->binary ? discovery::kBinaryPort : discovery::kTextPort);
    ::sendto(s->fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr *>(&to),
             sizeof to);
  }
}

}  // namespace

void ReceiveDiscoveryReplies(int fd, bool binary, const std::string &local_ip,
                             const std::atomic<bool> &stop, VP_OnNetPrinterDiscovered on_discovered,
                             void *private_data) {
  std::array<uint8_t, 1500> datagram{};
  while (!stop.load()) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kCancelPollMs) <= 0) continue;
    sockaddr_in sender{};
    socklen_t sender_length = sizeof sender;
    const ssize_t n = ::recvfrom(fd, datagram.data(), datagram.size(), 0,
                                 reinterpret_cast<sockaddr *>(&sender), &sender_length);
    if (n <= 0) continue;
    std::array<uint8_t, 4> sender_ip{};
    std::memcpy(sender_ip.data(), &sender.sin_addr, 4);
    const auto reply =
        binary ? discovery::ParseBinaryReply(datagram.data(), static_cast<size_t>(n), sender_ip)
               : discovery::ParseTextReply(datagram.data(), static_cast<size_t>(n), sender_ip);
    if (!reply) continue;
    const std::string mac = discovery::MacText(reply->mac);
    const std::string ip = discovery::IpText(reply->ip);
    platform::CallApplicationClosure(on_discovered, local_ip.c_str(), mac.c_str(), ip.c_str(),
                                     reply->name.c_str(), private_data);
  }
}

void EnumerateNetPrinters(uint32_t timeout_ms, const int *cancel,
                          VP_OnNetPrinterDiscovered on_discovered, void *private_data) {
  const int64_t start = platform::steadyMs();
  const uint32_t seconds = platform::wholeSecondsRoundedUp(timeout_ms);
  // A search of no whole second could hear no reply: it sends nothing.
  if (on_discovered == nullptr || Cancelled(cancel) || seconds == 0) return;
  const int64_t deadline = platform::wholeSecondDeadlineMs(start, timeout_ms);

  const std::vector<Interface> interfaces = BroadcastInterfaces();
  std::vector<std::unique_ptr<Searcher>> searchers;
  std::atomic<bool> stop{false};
  for (const Interface &itf : interfaces) {
    for (const bool binary : {true, false}) {
      const int fd = OpenSocket(itf.address);
      if (fd < 0) continue;
      auto searcher = std::make_unique<Searcher>();
      searcher->fd = fd;
      searcher->binary = binary;
      searcher->interface = &itf;
      searchers.push_back(std::move(searcher));
    }
  }
  // Under a process limit a thread may not start: the search goes on with those that did.
  size_t started = 0;
  for (; started < searchers.size(); ++started) {
    Searcher &searcher = *searchers[started];
    try {
      searcher.receiver = std::thread([&searcher, &stop, on_discovered, private_data] {
        ReceiveDiscoveryReplies(searcher.fd, searcher.binary, searcher.interface->address_text,
                                stop, on_discovered, private_data);
      });
    } catch (...) {  // std::system_error when the system has no thread to give
      break;
    }
  }
  for (size_t i = started; i < searchers.size(); ++i) ::close(searchers[i]->fd);
  searchers.resize(started);

  int64_t next_round = start;
  while (!Cancelled(cancel)) {
    const int64_t now = platform::steadyMs();
    if (now >= deadline) break;
    if (now >= next_round) {
      SendRequests(searchers);
      next_round += kRoundMs;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kCancelPollMs));
  }

  stop.store(true);
  for (auto &s : searchers) {
    if (s->receiver.joinable()) s->receiver.join();
    ::close(s->fd);
  }
}

}  // namespace velmora::core
