#include "velmora/convenience/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace velmora::detail {

std::string ShortestDecimal(double value) {
  char buffer[400];
  const double magnitude = std::fabs(value);
  const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 9007199254740992.0) ||
                     !std::isfinite(value);
  const auto result =
      plain ? std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::scientific);
  if (result.ec != std::errc()) return "nan";
  std::string text(buffer, result.ptr);
  if (std::isfinite(value) && plain && text.find('.') == std::string::npos) text += ".0";
  return text;
}

double RoundToTenths(double value) {
  return std::round(value * 10) / 10;
}

std::string SignedHex(std::int64_t value) {
  // The magnitude of the most negative value does not fit a signed word.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), magnitude, 16);
  std::string digits(buffer, result.ptr);
  for (char &c : digits) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return value < 0 ? "-" + digits : digits;
}

}  // namespace velmora::detail
