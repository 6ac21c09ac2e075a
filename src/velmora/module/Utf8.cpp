#include "velmora/module/Utf8.h"

#include <cstdint>
#include <cstring>

namespace velmora::detail {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// Number of bytes of the sequence that `lead` starts, and the range its second byte must lie in
// (overlong forms, surrogates and values above U+10FFFF are excluded there); 0 for a byte that
// cannot start a sequence.
struct LeadInfo {
  int length;
  std::uint8_t second_low;
  std::uint8_t second_high;
};

LeadInfo Lead(std::uint8_t b) {
  if (b < 0x80) return {1, 0, 0};
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

std::string DecodeUtf8(const char *bytes, std::size_t length) {
  std::string out;
  out.reserve(length);
  const auto *in = reinterpret_cast<const std::uint8_t *>(bytes);
  std::size_t i = 0;
  while (i < length) {
    const LeadInfo lead = Lead(in[i]);
    if (lead.length == 1) {
      out.push_back(static_cast<char>(in[i++]));
      continue;
    }
    if (lead.length == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    // Take continuation bytes while they are valid; stop at the first that is not.
    std::size_t taken = 1;
    while (taken < static_cast<std::size_t>(lead.length) && i + taken < length) {
      const std::uint8_t b = in[i + taken];
      const std::uint8_t low = taken == 1 ? lead.second_low : 0x80;
      const std::uint8_t high = taken == 1 ? lead.second_high : 0xBF;
      if (b < low || b > high) break;
      ++taken;
    }
    if (taken == static_cast<std::size_t>(lead.length)) {
      out.append(bytes + i, taken);
    } else {
      out += kReplacement;
    }
    i += taken;
  }
  return out;
}

std::string DecodeUtf8(const char *text) {
  return text == nullptr ? std::string() : DecodeUtf8(text, std::strlen(text));
}

}  // namespace velmora::detail
