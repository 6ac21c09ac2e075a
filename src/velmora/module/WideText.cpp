// The wide text that the flat text functions take, built from UTF-8.
#include <cstdint>

#include "velmora/module/Utf8.h"
#include "velmora/module/wide_text.hpp"

namespace velmora {

std::wstring VP_Utils_AllocateWCharPointerFromString(const std::string &str) {
  // Repaired first, so every sequence below is well-formed.
  const std::string text = detail::DecodeUtf8(str.data(), str.size());
  std::wstring wide;
  wide.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t code_point = length == 1   ? lead
                               : length == 2 ? lead & 0x1Fu
                               : length == 3 ? lead & 0x0Fu
                                             : lead & 0x07u;
    for (size_t k = 1; k < length; ++k) {
      code_point = (code_point << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3Fu);
    }
    wide.push_back(static_cast<wchar_t>(code_point));
    i += length;
  }
  return wide;
}

}  // namespace velmora
