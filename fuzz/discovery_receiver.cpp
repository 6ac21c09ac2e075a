// The network search's receive loop on a loopback socket, fed any datagrams: it reports exactly
// the datagrams that parse as replies to its request kind, whole, in the order they came, each
// with the interface address and the formatted MAC, address and name, and none other.
//
// Input: byte 0 picks the request kind (bit 0: binary); then datagrams, each a 16-bit LE length
// (modulo 2048, so that some are longer than any reply and longer than the loop's buffer) and
// that many bytes (fewer at the end of the input).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "core/port/DiscoveryDatagrams.h"
#include "core/port/NetPrinterEnumerator.h"

namespace {

namespace discovery = velmora::core::discovery;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

constexpr size_t kMaxDatagrams = 32;
constexpr std::array<uint8_t, 4> kLoopback = {127, 0, 0, 1};
const std::string kLocalIp = "10.77.0.1";
// The last datagram of every run: its report ends the loop.
const std::array<uint8_t, 6> kEndMac = {0xFE, 0xED, 0xFA, 0xCE, 0x00, 0x01};

struct Report {
  std::string local_ip, mac, ip, name;
  bool operator==(const Report &) const = default;
};

struct Run {
  std::vector<Report> reports;
  std::atomic<bool> stop{false};
};

void OnDiscovered(const char *local_ip, const char *mac, const char *ip, const char *name,
                  void *run_pointer) {
  auto &run = *static_cast<Run *>(run_pointer);
  Require(local_ip != nullptr && mac != nullptr && ip != nullptr && name != nullptr);
  if (mac == discovery::MacText(kEndMac)) {
    run.stop = true;
    return;
  }
  run.reports.push_back({local_ip, mac, ip, name});
}

int UdpSocket() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int buffer = 1 << 20;  // every datagram of a run fits
  Require(fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer) == 0 &&
          ::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0);
  return fd;
}

std::optional<discovery::Reply> Parse(bool binary, const Bytes &datagram) {
  return binary ? discovery::ParseBinaryReply(datagram.data(), datagram.size(), kLoopback)
                : discovery::ParseTextReply(datagram.data(), datagram.size(), kLoopback);
}

Bytes EndDatagram(bool binary) {
  if (binary) {
    Bytes reply = {'V', 'L', 'D', 'R', 1};
    reply.insert(reply.end(), kEndMac.begin(), kEndMac.end());
    reply.insert(reply.end(), {0, 0, 0, 0, 0, 0});
    return reply;
  }
  const std::string line = "VLPRINTER!FOUND mac=" + discovery::MacText(kEndMac) + "\r\n";
  return Bytes(line.begin(), line.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const int receiver = UdpSocket();
  static const int sender = UdpSocket();
  static const sockaddr_in to = [] {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    Require(getsockname(receiver, reinterpret_cast<sockaddr *>(&address), &length) == 0);
    return address;
  }();
  if (size < 1) return 0;
  const bool binary = (data[0] & 1) != 0;
  std::vector<Bytes> datagrams;
  for (size_t at = 1; at + 2 <= size && datagrams.size() < kMaxDatagrams;) {
    const size_t length = std::min<size_t>((data[at] | data[at + 1] << 8) % 2048, size - at - 2);
    datagrams.emplace_back(data + at + 2, data + at + 2 + length);
    at += 2 + length;
  }
  std::vector<Report> expected;
  for (auto it = datagrams.begin(); it != datagrams.end();) {
    const auto reply = Parse(binary, *it);
    if (reply && reply->mac == kEndMac) {
      it = datagrams.erase(it);  // it would end the run early
      continue;
    }
    if (reply) {
      expected.push_back(
          {kLocalIp, discovery::MacText(reply->mac), discovery::IpText(reply->ip), reply->name});
    }
    ++it;
  }
  datagrams.push_back(EndDatagram(binary));
  for (const Bytes &d : datagrams) {
    const ssize_t sent =
        ::sendto(sender, d.data(), d.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    Require(sent == static_cast<ssize_t>(d.size()));
  }
  Run run;
  velmora::core::ReceiveDiscoveryReplies(receiver, binary, kLocalIp, run.stop, OnDiscovered, &run);
  Require(run.reports == expected);
  return 0;
}
