#include "core/printer/PrinterWiring.h"

#include "core/port/IOHandle.h"
#include "core/printer/DevicePackage.h"
#include "core/printer/PrinterRequests.h"

namespace velmora::core {
namespace {

// The open must not hang on a printer that does not take its first bytes.
constexpr uint32_t kWiringWriteTimeoutMs = 3000;

}  // namespace

void WirePrinter(IOHandle &port) {
  if (!port.autoreply_mode() || !port.IsOpened()) return;
  // Automatic status reports on; and ask for the firmware version, which the printer's answer
  // leaves in the port's cache.
  const auto on = printer_requests::AutoReplyOn();
  port.Write(on.data(), static_cast<uint32_t>(on.size()), kWiringWriteTimeoutMs);
  const auto version =
      DevicePackage::Build(DevicePackage::kHostAddress, printer_requests::kQueryCommand,
                           printer_requests::kQueryFirmwareVersion, {});
  if (version) {
    port.Write(version->data(), static_cast<uint32_t>(version->size()), kWiringWriteTimeoutMs);
  }
}

}  // namespace velmora::core
