#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::core {

// The two network discovery requests and the parsing of their replies (docs/protocol.md).
namespace discovery {

constexpr uint16_t kBinaryPort = 3289;
constexpr uint16_t kTextPort = 22222;
constexpr size_t kMaxNameLength = 64;

// A printer as a reply reports it.
struct Reply {
  std::array<uint8_t, 6> mac{};
  std::array<uint8_t, 4> ip{};  // network order
  std::string name;             // never empty
};

std::vector<uint8_t> BinaryRequest();
std::vector<uint8_t> TextRequest();

// `sender_ip` (network order) is the address the reply came from: it stands in for an address
// the reply leaves out or gives as 0.0.0.0 (which would lead to this host), and, as text, for
// a name it leaves out.
std::optional<Reply> ParseBinaryReply(const uint8_t *data, size_t count,
                                      const std::array<uint8_t, 4> &sender_ip);
std::optional<Reply> ParseTextReply(const uint8_t *data, size_t count,
                                    const std::array<uint8_t, 4> &sender_ip);

std::string MacText(const std::array<uint8_t, 6> &mac);  // "%02X-...-%02X"
std::string IpText(const std::array<uint8_t, 4> &ip);    // "%d.%d.%d.%d"

}  // namespace discovery
}  // namespace velmora::core
