// Device-protocol queries and settings: battery level, serial number, names, the basic
// parameter block and the print speed. Handle 0 gives -1, nothing or false without reaching the
// port layer.
#pragma once

#include <optional>
#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

// The level, or -1 when the printer did not answer within `timeout` ms.
VP_API Int VP_Proto_QueryBatteryLevel(Int handle, Int timeout);
// The serial number up to its first NUL (at most 256 bytes), or nothing when no answer came.
VP_API std::optional<std::string> VP_Proto_QuerySerialNumber(Int handle, Int timeout);
// The settings are sent without waiting for an answer; true when every byte was written. The
// two texts with a NUL each may take at most 256 bytes.
VP_API bool VP_Proto_SetSystemNameAndSerialNumber(Int handle, const std::string &systemName,
                                                  const std::string &serialNumber);
VP_API bool VP_Proto_SetBluetoothNameAndPassword(Int handle, const std::string &bluetoothName,
                                                 const std::string &bluetoothPassword);
VP_API bool VP_Proto_SetPTPBasicParameters(Int handle, Int baudrate, Int codepage, Int density,
                                           Int asciiFontType, Int lineFeed, Int idleTime,
                                           Int powerOffTime, Int maxFeedLength, Int pageLength);
VP_API bool VP_Settings_Hardware_SetPrintSpeed(Int handle, Int nSpeed);

}  // namespace velmora
