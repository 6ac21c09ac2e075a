#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora::core {

// One printer command, built whole before it is written.
using Bytes = std::vector<uint8_t>;
// A command, or nothing when the arguments cannot be expressed in it.
using MaybeBytes = std::optional<Bytes>;

// The longest command a single write can carry.
inline constexpr int64_t kMaxCommandLength = INT32_MAX;

// The low byte of a value, as one-byte command fields carry it.
constexpr uint8_t Lo(int64_t value) {
  return static_cast<uint8_t>(value & 0xFF);
}
constexpr uint8_t Hi(int64_t value) {
  return static_cast<uint8_t>((value >> 8) & 0xFF);
}

inline void PutByte(Bytes &out, int64_t value) {
  out.push_back(Lo(value));
}

// The low 16 bits, little-endian.
inline void PutLE16(Bytes &out, int64_t value) {
  out.push_back(Lo(value));
  out.push_back(Hi(value));
}

// The low 16 bits, big-endian.
inline void PutBE16(Bytes &out, int64_t value) {
  out.push_back(Hi(value));
  out.push_back(Lo(value));
}

inline void PutText(Bytes &out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

}  // namespace velmora::core
