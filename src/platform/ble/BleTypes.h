#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::platform::ble {

using Bytes = std::vector<uint8_t>;

// Values as the platform reports them.
enum class ManagerState : int {
  Unknown = 0,
  Resetting = 1,
  Unsupported = 2,
  Unauthorized = 3,
  PoweredOff = 4,
  PoweredOn = 5,
};

enum class PeripheralState : int {
  Disconnected = 0,
  Connecting = 1,
  Connected = 2,
  Disconnecting = 3,
};

enum class WriteType : int {
  WithResponse = 0,
  WithoutResponse = 1,
};

// Characteristic property bits.
inline constexpr uint32_t kPropertyRead = 0x02;
inline constexpr uint32_t kPropertyWriteWithoutResponse = 0x04;
inline constexpr uint32_t kPropertyWrite = 0x08;
inline constexpr uint32_t kPropertyNotify = 0x10;

// Dispatch quality-of-service classes.
inline constexpr int kQosUserInteractive = 0x21;
inline constexpr int kQosUserInitiated = 0x19;
inline constexpr int kQosDefault = 0x15;

// A failed operation, as handed to a delegate callback.
struct Error {
  int code = 0;
  std::string description;           // full text, as "%@" of the error prints it
  std::string localizedDescription;  // short human text
};

// What one advertisement carried.
struct AdvertisementData {
  std::optional<std::string> localName;
  std::optional<Bytes> manufacturerData;  // "kCBAdvDataManufacturerData"
  std::vector<std::string> serviceUuids;
  bool connectable = true;
};

struct CentralManagerOptions {
  bool showPowerAlert = false;
  std::optional<std::string> restoreIdentifier;
};

struct ScanOptions {
  bool allowDuplicates = false;
};

// UUID strings are compared in the platform's spelling: upper-case hexadecimal.
std::string NormalizeUuid(const std::string &uuid);

}  // namespace velmora::platform::ble
