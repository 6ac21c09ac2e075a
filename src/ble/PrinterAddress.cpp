#include "ble/PrinterAddress.h"

#include <cctype>
#include <cstdio>

namespace velmora::ble {

std::optional<std::string> PrinterAddressFromManufacturerData(
    const std::optional<platform::ble::Bytes> &data) {
  if (!data || data->size() < 8 || (*data)[0] != 0x51 || (*data)[1] != 0x5A) return std::nullopt;
  const auto &d = *data;
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", d[2], d[3], d[4], d[5], d[6],
                d[7]);
  return std::string(text);
}

std::optional<std::string> NormalizedPrinterAddress(const std::string &text) {
  if (text.size() != 17) return std::nullopt;
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (i % 3 == 2) {
      if (c != ':') return std::nullopt;
    } else if (std::isxdigit(c)) {
      out[i] = static_cast<char>(std::toupper(c));
    } else {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace velmora::ble
