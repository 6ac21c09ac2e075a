// The network search's receive loop, fed any datagrams: it reports exactly the datagrams that
// parse as replies to its request kind, whole, in the order they came, each with the interface
// address and the formatted MAC, address and name, and none other. The datagrams travel over
// local datagram sockets, which lose none of them however busy the machine is.
//
// Input: byte 0 picks the request kind (bit 0: binary); then datagrams, each a 16-bit LE length
// (modulo 2048, so that some are longer than any reply and longer than the loop's buffer) and
// that many bytes (fewer at the end of the input).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FuzzHarness.h"
#include "core/port/DiscoveryDatagrams.h"
#include "core/port/NetPrinterEnumerator.h"

namespace {

namespace discovery = velmora::core::discovery;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

constexpr size_t kMaxDatagrams = 32;
constexpr std::array<uint8_t, 4> kSender = {192, 168, 7, 9};
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

// A local datagram socket bound to the abstract address `name`.
int BoundSocket(const std::string &name) {
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::copy(name.begin(), name.end(), address.sun_path);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
  Require(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0);
  return fd;
}

// The loop reads the sender's address as an IPv4 one: the sender's name puts kSender where that
// address lies (after the family and two bytes of port), and the process id after it.
std::string SenderName() {
  const auto pid = static_cast<uint32_t>(getpid());
  return std::string{
             '\0', 'v', char(kSender[0]), char(kSender[1]), char(kSender[2]), char(kSender[3])} +
         std::to_string(pid);
}

std::optional<discovery::Reply> Parse(bool binary, const Bytes &datagram) {
  return binary ? discovery::ParseBinaryReply(datagram.data(), datagram.size(), kSender)
                : discovery::ParseTextReply(datagram.data(), datagram.size(), kSender);
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
  static const std::string receiver_name =
      std::string(1, '\0') + "velmora-fuzz-receiver-" + std::to_string(getpid());
  static const int receiver = BoundSocket(receiver_name);
  static const int sender = BoundSocket(SenderName());
  static const sockaddr_un to = [] {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::copy(receiver_name.begin(), receiver_name.end(), address.sun_path);
    return address;
  }();
  static const auto to_length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + receiver_name.size());
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
  Run run;
  // The loop drains the socket while the datagrams go in: a sender waits while the receiver's
  // queue is full (a few datagrams), and nothing is lost.
  std::thread loop([&] {
    velmora::core::ReceiveDiscoveryReplies(receiver, binary, kLocalIp, run.stop, OnDiscovered,
                                           &run);
  });
  for (const Bytes &d : datagrams) {
    const ssize_t sent =
        ::sendto(sender, d.data(), d.size(), 0, reinterpret_cast<const sockaddr *>(&to), to_length);
    Require(sent == static_cast<ssize_t>(d.size()));
  }
  loop.join();
  Require(run.reports == expected);
  return 0;
}
