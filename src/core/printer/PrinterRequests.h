#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora::core {

// The printer status requests and device-package contents, as bytes. Pure functions.
namespace printer_requests {

using Bytes = std::vector<uint8_t>;

// Switches the printer to automatic status packets.
Bytes AutoReplyOn();
// DLE EOT 1, 2, 3, 4 in one go.
Bytes RealTimeStatusQuery();
// DLE EOT n.
Bytes RealTimeStatusRequest(uint8_t n);
// GS ( H asking to be told when everything before it has been printed; `id` 0..9.
Bytes PrintResultQuery(uint8_t id);
Bytes ClearBuffer();
Bytes ClearError();
Bytes LabelPositionAdjustment(int16_t print_dots, int16_t tear_dots);

struct LabelAdjustmentDots {
  int16_t print_dots;
  int16_t tear_dots;
};
// Millimetres to whole dots (nearest); nothing when the resolution is unknown or a value is not
// finite or does not fit 16 bits.
std::optional<LabelAdjustmentDots> LabelAdjustmentToDots(double print_mm, double tear_mm,
                                                         uint32_t dots_per_mm);

// Device-package commands and parameters.
constexpr uint16_t kQueryCommand = 0x3F;
constexpr uint32_t kQueryBattery = 0x56;
constexpr uint32_t kQuerySerialNumber = 0x4E;
constexpr uint32_t kQueryFirmwareVersion = 0x46;
constexpr uint16_t kSetBasicParameters = 0x60;
constexpr uint16_t kSetBluetoothNameAndPassword = 0x61;
constexpr uint16_t kSetHardwareFunctions = 0x62;
constexpr uint16_t kSetSystemNameAndSerialNumber = 0x64;

constexpr size_t kMaxNamePairData = 256;
// `first`, 0, `second`, 0; nothing when longer than 256 bytes.
std::optional<Bytes> NamePairData(std::string_view first, std::string_view second);
Bytes BasicParametersData(int32_t baudrate, int32_t codepage, int32_t density,
                          int32_t ascii_font_type, int32_t line_feed, int32_t idle_time,
                          int32_t power_off_time, int32_t max_feed_length, int32_t page_length);
constexpr uint32_t kHardwareFunctionPrintSpeed = 0x01;
Bytes PrintSpeedSettingData(int32_t speed);

}  // namespace printer_requests
}  // namespace velmora::core
