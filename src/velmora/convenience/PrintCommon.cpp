// The pass-through helpers: one module function on the connector's current handle each.
#include "platform/Machine.h"
#include "velmora/convenience/DeviceModel.h"
#include "velmora/convenience/print_common.hpp"
#include "velmora/module/device_proto.hpp"
#include "velmora/module/firmware.hpp"
#include "velmora/module/port.hpp"
#include "velmora/module/pos.hpp"
#include "velmora/module/printer_info.hpp"

namespace velmora {
namespace {

constexpr Int kWriteBufferTimeoutMs = 10000;
constexpr Int kBatteryTimeoutMs = 10000;
constexpr Int kSerialNumberTimeoutMs = 3000;

Int HandleOf(const VLPrintCommon::Connector &connector) {
  return connector != nullptr ? connector->getCurrentPrinterHandle() : 0;
}

}  // namespace

std::shared_ptr<VLPrinterStatus> VLPrintCommon::getPrinterStatus(
    const Connector &printerConnector) {
  std::int64_t error_status = 0;
  std::int64_t info_status = 0;
  std::int64_t timestamp_ms = 0;
  if (!velmora::VP_Printer_GetPrinterStatusInfo(HandleOf(printerConnector), error_status,
                                                info_status, timestamp_ms)) {
    return nullptr;
  }
  return std::make_shared<VLPrinterStatus>(static_cast<Int>(error_status),
                                           static_cast<Int>(info_status));
}

std::shared_ptr<VLPrinterResolution> VLPrintCommon::getPrinterResolution(
    const Connector &printerConnector) {
  Int width_mm = 0;
  Int height_mm = 0;
  Int dots_per_mm = 0;
  if (!velmora::VP_Printer_GetPrinterResolutionInfo(HandleOf(printerConnector), width_mm, height_mm,
                                                    dots_per_mm)) {
    return nullptr;
  }
  return std::make_shared<VLPrinterResolution>(width_mm, height_mm, dots_per_mm);
}

bool VLPrintCommon::printSelfTestPage(const Connector &printerConnector) {
  return velmora::VP_Pos_PrintSelfTestPage(HandleOf(printerConnector));
}

Int VLPrintCommon::writeBuffer(const Connector &printerConnector,
                               const std::vector<std::uint8_t> &buffer) {
  return velmora::VP_Port_Write(HandleOf(printerConnector), buffer, static_cast<Int>(buffer.size()),
                                kWriteBufferTimeoutMs);
}

Int VLPrintCommon::queryPrinterBatteryLevel(const Connector &printerConnector) {
  return velmora::VP_Proto_QueryBatteryLevel(HandleOf(printerConnector), kBatteryTimeoutMs);
}

std::optional<std::string> VLPrintCommon::queryPrinterSerialNumber(
    const Connector &printerConnector) {
  return velmora::VP_Proto_QuerySerialNumber(HandleOf(printerConnector), kSerialNumberTimeoutMs);
}

bool VLPrintCommon::VL_Proto_SetSystemNameAndSerialNumber(const Connector &printerConnector,
                                                          const std::string &systemName,
                                                          const std::string &serialNumber) {
  return velmora::VP_Proto_SetSystemNameAndSerialNumber(HandleOf(printerConnector), systemName,
                                                        serialNumber);
}

bool VLPrintCommon::VL_Proto_SetBluetoothNameAndPassword(const Connector &printerConnector,
                                                         const std::string &bluetoothName,
                                                         const std::string &bluetoothPassword) {
  return velmora::VP_Proto_SetBluetoothNameAndPassword(HandleOf(printerConnector), bluetoothName,
                                                       bluetoothPassword);
}

bool VLPrintCommon::VL_Proto_SetPTPBasicParameters(const Connector &printerConnector, Int baudrate,
                                                   Int codepage, Int density, Int asciiFontType,
                                                   Int lineFeed, Int idleTime, Int powerOffTime,
                                                   Int maxFeedLength, Int pageLength) {
  return velmora::VP_Proto_SetPTPBasicParameters(HandleOf(printerConnector), baudrate, codepage,
                                                 density, asciiFontType, lineFeed, idleTime,
                                                 powerOffTime, maxFeedLength, pageLength);
}

bool VLPrintCommon::VL_Settings_Hardware_SetPrintSpeed(const Connector &printerConnector,
                                                       Int nSpeed) {
  return velmora::VP_Settings_Hardware_SetPrintSpeed(HandleOf(printerConnector), nSpeed);
}

bool VLPrintCommon::VL_Settings_DownloadFirmware(
    const Connector &printerConnector, const std::vector<std::uint8_t> &firmware,
    const std::function<void(Int, Int)> &progressBlock) {
  return velmora::VP_Settings_DownloadFirmware(HandleOf(printerConnector), firmware, progressBlock);
}

std::string VLPrintCommon::iosDeviceType() {
  return detail::ModelNameOfMachine(platform::machineIdentifier());
}

Int VLPrintCommon::getBleMaxSpeedInBytesPerSecond() {
  return detail::BleBytesPerSecondOfModel(iosDeviceType());
}

}  // namespace velmora
