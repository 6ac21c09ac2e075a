#pragma once

#include <optional>
#include <string>

#include "platform/ble/BleTypes.h"

namespace velmora::ble {

// The printer address an advertisement carries: manufacturer data of at least 8 bytes that
// begins with 51 5A ("QZ") holds it in bytes 2 to 7, written "%02X:%02X:%02X:%02X:%02X:%02X".
std::optional<std::string> PrinterAddressFromManufacturerData(
    const std::optional<platform::ble::Bytes> &data);

}  // namespace velmora::ble
