// The module's device-protocol functions over the flat layer.
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/device_proto.hpp"
#include "velmora/vp_proto.h"

namespace velmora {

using detail::BoolResult;
using detail::CallOnPort;

Int VP_Proto_QueryBatteryLevel(Int handle, Int timeout) {
  return CallOnPort<detail::CountResult>(handle, ::VP_Proto_QueryBatteryLevel, timeout);
}

std::optional<std::string> VP_Proto_QuerySerialNumber(Int handle, Int timeout) {
  std::string serial;
  const Int copied =
      CallOnPort<detail::CountResult>(handle, ::VP_Proto_QuerySerialNumber, detail::TextOut(serial),
                                      detail::kTextBufferSize, timeout);
  if (copied == -1) return std::nullopt;
  return serial;
}

bool VP_Proto_SetSystemNameAndSerialNumber(Int handle, const std::string &systemName,
                                           const std::string &serialNumber) {
  return CallOnPort<BoolResult>(handle, ::VP_Proto_SetSystemNameAndSerialNumber, systemName,
                                serialNumber);
}

bool VP_Proto_SetBluetoothNameAndPassword(Int handle, const std::string &bluetoothName,
                                          const std::string &bluetoothPassword) {
  return CallOnPort<BoolResult>(handle, ::VP_Proto_SetBluetoothNameAndPassword, bluetoothName,
                                bluetoothPassword);
}

bool VP_Proto_SetPTPBasicParameters(Int handle, Int baudrate, Int codepage, Int density,
                                    Int asciiFontType, Int lineFeed, Int idleTime, Int powerOffTime,
                                    Int maxFeedLength, Int pageLength) {
  return CallOnPort<BoolResult>(handle, ::VP_Proto_SetPTPBasicParameters, baudrate, codepage,
                                density, asciiFontType, lineFeed, idleTime, powerOffTime,
                                maxFeedLength, pageLength);
}

bool VP_Settings_Hardware_SetPrintSpeed(Int handle, Int nSpeed) {
  return CallOnPort<BoolResult>(handle, ::VP_Settings_Hardware_SetPrintSpeed, nSpeed);
}

}  // namespace velmora
