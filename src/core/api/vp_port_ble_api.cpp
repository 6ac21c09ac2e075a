// Flat Bluetooth LE port functions: no Bluetooth LE transport yet.
//
// Until the Bluetooth LE transport exists, every Bluetooth LE open behaves as an open that cannot
// reach its printer (null handle, open-failed event with the address), and no port is a protocol
// V2 port, so the send-count list is empty everywhere. This whole file is replaced when the
// transport arrives.
#include <string>

#include "core/api/ApiGuard.h"
#include "core/port/PortOpening.h"
#include "velmora/vp_port.h"

using velmora::core::Guarded;

namespace {

void *OpenWithoutTransport(const char *address) {
  return Guarded<void *>(nullptr, [&]() -> void * {
    velmora::core::ReportOpenFailed(address != nullptr ? address : "");
    return nullptr;
  });
}

}  // namespace

extern "C" {

void *VP_Port_OpenBtBle(const char *address, int /*autoreplymode*/) {
  return OpenWithoutTransport(address);
}

void *VP_Port_OpenBtBleProtoV2(const char *address, int /*autoreplymode*/) {
  return OpenWithoutTransport(address);
}

void *VP_Port_OpenBtBleProtoV3(const char *address, int /*autoreplymode*/) {
  return OpenWithoutTransport(address);
}

void *VP_Port_OpenBtBleProtoVA(const char *address, int /*autoreplymode*/) {
  return OpenWithoutTransport(address);
}

int VP_Port_GetBtBleProtoV2PacketSendTimesListLength(void * /*handle*/) {
  return 0;
}

int VP_Port_GetBtBleProtoV2PacketSendTimesListValue(void * /*handle*/, int * /*values*/,
                                                    int /*count*/) {
  return 0;
}

int VP_Port_ClearBtBleProtoV2PacketSendTimesList(void * /*handle*/) {
  return 0;
}

}  // extern "C"
