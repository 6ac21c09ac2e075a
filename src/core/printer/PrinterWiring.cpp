#include "core/printer/PrinterWiring.h"

#include <vector>

#include "core/port/IOHandle.h"
#include "core/printer/DevicePackage.h"
#include "core/printer/PrinterRequests.h"

namespace velmora::core {
namespace {

// The open must not hang on a printer that does not take its first bytes.
constexpr uint32_t kWiringWriteTimeoutMs = 3000;

bool WriteWhole(IOHandle &port, const std::vector<uint8_t> &bytes) {
  const auto size = static_cast<uint32_t>(bytes.size());
  return port.Write(bytes.data(), size, kWiringWriteTimeoutMs) == static_cast<int>(size);
}

}  // namespace

bool WirePrinter(IOHandle &port) {
  if (!port.autoreply_mode()) return true;
  // Automatic status reports on; and ask for the firmware version, which the printer's answer
  // leaves in the port's cache.
  const auto on = printer_requests::AutoReplyOn();
  const auto version =
      DevicePackage::Build(DevicePackage::kHostAddress, printer_requests::kQueryCommand,
                           printer_requests::kQueryFirmwareVersion, {});
  return WriteWhole(port, on) && version && WriteWhole(port, *version);
}

}  // namespace velmora::core
