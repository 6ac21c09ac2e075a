#include "core/port/DiscoveryDatagrams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace velmora::core::discovery {
namespace {

constexpr char kBinaryReplyMagic[] = "VLDR";
constexpr uint8_t kVersion = 1;
constexpr std::string_view kTextRequest = "VLPRINTER?SEARCH\r\n";
constexpr std::string_view kTextReplyPrefix = "VLPRINTER!FOUND mac=";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseMac(std::string_view text, std::array<uint8_t, 6> &mac) {
  if (text.size() != 17) return false;
  for (size_t i = 0; i < 6; ++i) {
    const int hi = HexValue(text[i * 3]);
    const int lo = HexValue(text[i * 3 + 1]);
    if (hi < 0 || lo < 0 || (i < 5 && text[i * 3 + 2] != '-')) return false;
    mac[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return true;
}

bool ParseIp(std::string_view text, std::array<uint8_t, 4> &ip) {
  size_t pos = 0;
  for (size_t part = 0; part < 4; ++part) {
    int value = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
      value = value * 10 + (text[pos++] - '0');
      ++digits;
    }
    if (digits == 0 || value > 255) return false;
    ip[part] = static_cast<uint8_t>(value);
    if (part < 3 && (pos >= text.size() || text[pos++] != '.')) return false;
  }
  return pos == text.size();
}

Reply CompletedBySender(Reply reply, const std::array<uint8_t, 4> &sender_ip) {
  if (reply.ip == std::array<uint8_t, 4>{}) reply.ip = sender_ip;
  if (reply.name.empty()) reply.name = IpText(sender_ip);
  return reply;
}

}  // namespace

std::vector<uint8_t> BinaryRequest() {
  return {uint8_t{'V'}, uint8_t{'L'}, uint8_t{'D'}, uint8_t{'Q'}, kVersion, 0, 0, 0};
}

std::vector<uint8_t> TextRequest() {
  return {kTextRequest.begin(), kTextRequest.end()};
}

std::optional<Reply> ParseBinaryReply(const uint8_t *data, size_t count,
                                      const std::array<uint8_t, 4> &sender_ip) {
  constexpr size_t kHeader = 17;
  if (count < kHeader || std::memcmp(data, kBinaryReplyMagic, 4) != 0 || data[4] != kVersion) {
    return std::nullopt;
  }
  const size_t name_length = data[16];
  if (name_length > kMaxNameLength || count != kHeader + name_length) return std::nullopt;
  Reply reply;
  std::memcpy(reply.mac.data(), data + 5, 6);
  std::memcpy(reply.ip.data(), data + 11, 4);
  reply.name.assign(reinterpret_cast<const char *>(data + kHeader), name_length);
  if (reply.name.find('\0') != std::string::npos) return std::nullopt;
  return CompletedBySender(std::move(reply), sender_ip);
}

std::optional<Reply> ParseTextReply(const uint8_t *data, size_t count,
                                    const std::array<uint8_t, 4> &sender_ip) {
  std::string_view line(reinterpret_cast<const char *>(data), count);
  if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n") return std::nullopt;
  line.remove_suffix(2);
  if (line.substr(0, kTextReplyPrefix.size()) != kTextReplyPrefix) return std::nullopt;
  line.remove_prefix(kTextReplyPrefix.size());
  Reply reply;
  if (line.size() < 17 || !ParseMac(line.substr(0, 17), reply.mac)) return std::nullopt;
  line.remove_prefix(17);
  constexpr std::string_view kIp = " ip=";
  if (line.substr(0, kIp.size()) == kIp) {
    line.remove_prefix(kIp.size());
    const size_t end_of_ip = std::min(line.find(' '), line.size());
    if (!ParseIp(line.substr(0, end_of_ip), reply.ip)) return std::nullopt;
    line.remove_prefix(end_of_ip);
  }
  if (!line.empty()) {
    constexpr std::string_view kName = " name=";
    if (line.substr(0, kName.size()) != kName) return std::nullopt;
    line.remove_prefix(kName.size());
    if (line.size() > kMaxNameLength || line.find('\0') != std::string_view::npos ||
        line.find('\r') != std::string_view::npos || line.find('\n') != std::string_view::npos) {
      return std::nullopt;
    }
    reply.name.assign(line);
  }
  return CompletedBySender(std::move(reply), sender_ip);
}

std::string MacText(const std::array<uint8_t, 6> &mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::string IpText(const std::array<uint8_t, 4> &ip) {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
  return text;
}

}  // namespace velmora::core::discovery
