#include "ble/PrinterAddress.h"

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

}  // namespace velmora::ble
