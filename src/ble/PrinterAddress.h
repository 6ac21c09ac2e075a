#pragma once

#include <optional>
#include <string>

#include "platform/ble/BleTypes.h"

namespace velmora::ble {

// The printer address an advertisement carries: manufacturer data of at least 8 bytes that
// begins with 51 5A ("QZ") holds it in bytes 2 to 7, written "%02X:%02X:%02X:%02X:%02X:%02X".
std::optional<std::string> PrinterAddressFromManufacturerData(
    const std::optional<platform::ble::Bytes> &data);

// A printer address as a caller wrote it: six two-digit hex pairs joined by ':' (either case),
// returned in the upper-case form advertisements give; nullopt for anything else.
std::optional<std::string> NormalizedPrinterAddress(const std::string &text);

}  // namespace velmora::ble
