// Network discovery replies as any datagram: each parser takes only what matches the reply
// format byte for byte, the sender's address standing in for a missing address or name, and a
// reply it takes reads back the same after being written out again in the text form.
#include <strings.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzHarness.h"
#include "core/port/DiscoveryDatagrams.h"

namespace {

namespace discovery = velmora::core::discovery;
using velmora::fuzz::Require;
using Ip = std::array<uint8_t, 4>;

constexpr Ip kSender = {192, 168, 7, 9};

// A parsed reply is complete and, unless its name holds a line break, survives the text form.
void CheckRoundTrip(const discovery::Reply &reply) {
  Require(!reply.name.empty() && reply.name.size() <= discovery::kMaxNameLength &&
          reply.name.find('\0') == std::string::npos && reply.ip != Ip{});
  if (reply.name.find_first_of("\r\n") != std::string::npos) return;
  const std::string line = "VLPRINTER!FOUND mac=" + discovery::MacText(reply.mac) +
                           " ip=" + discovery::IpText(reply.ip) + " name=" + reply.name + "\r\n";
  const auto again = discovery::ParseTextReply(reinterpret_cast<const uint8_t *>(line.data()),
                                               line.size(), {10, 0, 0, 1});
  Require(again && again->mac == reply.mac && again->ip == reply.ip && again->name == reply.name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (const auto reply = discovery::ParseBinaryReply(data, size, kSender)) {
    // "VLDR", version 1, MAC, address (0.0.0.0: the sender's), a reserved byte, name length, name.
    Require(size >= 17 && std::memcmp(data, "VLDR\x01", 5) == 0 && size == 17u + data[16]);
    Require(std::memcmp(reply->mac.data(), data + 5, 6) == 0);
    const Ip ip = {data[11], data[12], data[13], data[14]};
    Require(reply->ip == (ip == Ip{} ? kSender : ip));
    const std::string name(reinterpret_cast<const char *>(data + 17), data[16]);
    Require(reply->name == (name.empty() ? discovery::IpText(kSender) : name));
    CheckRoundTrip(*reply);
  }
  if (const auto reply = discovery::ParseTextReply(data, size, kSender)) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    Require(text.starts_with("VLPRINTER!FOUND mac=") && text.ends_with("\r\n"));
    Require(strncasecmp(text.c_str() + 20, discovery::MacText(reply->mac).c_str(), 17) == 0);
    unsigned ip[4] = {};
    const bool has_ip =
        std::sscanf(text.c_str() + 37, " ip=%u.%u.%u.%u", &ip[0], &ip[1], &ip[2], &ip[3]) == 4 &&
        (ip[0] | ip[1] | ip[2] | ip[3]) != 0;
    for (size_t i = 0; i < 4; ++i) Require(reply->ip[i] == (has_ip ? ip[i] : kSender[i]));
    Require(reply->name == discovery::IpText(kSender) ||
            text.ends_with(" name=" + reply->name + "\r\n"));
    CheckRoundTrip(*reply);
  }
  return 0;
}
