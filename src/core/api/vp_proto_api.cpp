// Flat device-protocol functions: printer queries and settings packages.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/api/ApiGuard.h"
#include "core/printer/DevicePackage.h"
#include "core/printer/NZIOHolder.h"
#include "core/printer/PrinterQueries.h"
#include "core/printer/PrinterRequests.h"
#include "velmora/vp_proto.h"

using velmora::core::DevicePackage;
using velmora::core::IOHandle;
using velmora::core::WithPort;
namespace req = velmora::core::printer_requests;

namespace {

constexpr uint32_t kSettingsWriteTimeoutMs = 10000;
constexpr size_t kBatteryAnswerBuffer = 300;
constexpr size_t kBatteryTextAt = 4;

// Sends one host package with its whole data; 1 when every byte was written.
int SendPackage(IOHandle &port, uint16_t command, const std::vector<uint8_t> &data,
                uint32_t timeout_ms) {
  const auto package = DevicePackage::Build(DevicePackage::kHostAddress, command, 0, data);
  if (!package) return 0;
  const auto size = static_cast<uint32_t>(package->size());
  return port.Write(package->data(), size, timeout_ms) == static_cast<int>(size) ? 1 : 0;
}

int SendNamePair(void *handle, uint16_t command, const char *first, const char *second) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    if (first == nullptr || second == nullptr) return 0;
    const auto data = req::NamePairData(first, second);
    if (!data) return 0;
    return SendPackage(port, command, *data, kSettingsWriteTimeoutMs);
  });
}

}  // namespace

extern "C" {

int VP_Proto_QueryBatteryLevel(void *handle, unsigned int timeout) {
  return WithPort(handle, -1, [&](IOHandle &port) {
    const auto answer = velmora::core::QueryDevice(port, req::kQueryBattery, timeout);
    if (!answer) return -1;
    // The last byte stays 0, so the text always ends inside the buffer.
    std::array<char, kBatteryAnswerBuffer> text{};
    const size_t n = std::min(answer->data.size(), text.size() - 1);
    std::memcpy(text.data(), answer->data.data(), n);
    // Read as atoi would, but a number past the int range is clamped instead of undefined.
    const long level = std::strtol(text.data() + kBatteryTextAt, nullptr, 10);
    return static_cast<int>(
        std::clamp<long>(level, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  });
}

int VP_Proto_QuerySerialNumber(void *handle, char *buffer, unsigned int length,
                               unsigned int timeout) {
  return WithPort(handle, -1, [&](IOHandle &port) {
    if (buffer == nullptr && length > 0) return -1;
    const auto answer = velmora::core::QueryDevice(port, req::kQuerySerialNumber, timeout);
    if (!answer) return -1;
    const size_t n = std::min<size_t>(answer->data.size(), length);
    if (n > 0) std::memcpy(buffer, answer->data.data(), n);
    return static_cast<int>(n);
  });
}

int VP_Proto_SetSystemNameAndSerialNumber(void *handle, const char *systemName,
                                          const char *serialNumber) {
  return SendNamePair(handle, req::kSetSystemNameAndSerialNumber, systemName, serialNumber);
}

int VP_Proto_SetBluetoothNameAndPassword(void *handle, const char *bluetoothName,
                                         const char *bluetoothPassword) {
  return SendNamePair(handle, req::kSetBluetoothNameAndPassword, bluetoothName, bluetoothPassword);
}

int VP_Proto_SetPTPBasicParameters(void *handle, int baudrate, int codepage, int density,
                                   int asciiFontType, int lineFeed, int idleTime, int powerOffTime,
                                   int maxFeedLength, int pageLength) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    const auto data = req::BasicParametersData(baudrate, codepage, density, asciiFontType, lineFeed,
                                               idleTime, powerOffTime, maxFeedLength, pageLength);
    return SendPackage(port, req::kSetBasicParameters, data, kSettingsWriteTimeoutMs);
  });
}

int VP_Settings_Hardware_SetPrintSpeed(void *handle, int nSpeed) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    const auto package =
        DevicePackage::Build(DevicePackage::kHostAddress, req::kSetHardwareFunctions, 0,
                             req::PrintSpeedSettingData(nSpeed));
    if (!package) return 0;
    return velmora::core::NZIOHolder(port).WriteCommand(*package) ? 1 : 0;
  });
}

}  // extern "C"
