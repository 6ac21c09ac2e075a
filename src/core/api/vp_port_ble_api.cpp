// Flat Bluetooth LE functions: the four opens, the protocol V2 send-count list and the scan.
#include <algorithm>
#include <memory>
#include <string>

#include "ble/BleDeviceEnumerator.h"
#include "ble/ProtoV2Engine.h"
#include "core/api/ApiGuard.h"
#include "core/port/NZBtBleIO.h"
#include "core/port/PortOpening.h"
#include "velmora/vp_port.h"

using velmora::ble::BlePortKind;
using velmora::core::Guarded;
using velmora::core::IOHandle;
using velmora::core::NZBtBleIO;
using velmora::core::WithPort;

namespace {

void *OpenBle(const char *address, int autoreplymode, BlePortKind kind, uint32_t port_type) {
  return Guarded<void *>(nullptr, [&]() -> void * {
    const std::string name = address != nullptr ? address : "";
    auto io = std::make_unique<NZBtBleIO>(kind);
    const bool opened = address != nullptr && io->Open(name);
    return velmora::core::CompletePortOpen(port_type, name, std::move(io), opened,
                                           autoreplymode != 0);
  });
}

// The V2 engine of a port that speaks protocol V2, or null.
velmora::ble::ProtoV2Engine *ProtoV2Of(IOHandle &port) {
  auto *ble = port.io_as<NZBtBleIO>();
  return ble != nullptr ? ble->ProtoV2() : nullptr;
}

}  // namespace

extern "C" {

void *VP_Port_OpenBtBle(const char *address, int autoreplymode) {
  return OpenBle(address, autoreplymode, BlePortKind::V1, VP_PORT_TYPE_BT_BLE);
}

void *VP_Port_OpenBtBleProtoV2(const char *address, int autoreplymode) {
  return OpenBle(address, autoreplymode, BlePortKind::V2, VP_PORT_TYPE_BT_BLE_PROTO_V2);
}

void *VP_Port_OpenBtBleProtoV3(const char *address, int autoreplymode) {
  return OpenBle(address, autoreplymode, BlePortKind::V3, VP_PORT_TYPE_BT_BLE_PROTO_V3);
}

void *VP_Port_OpenBtBleProtoVA(const char *address, int autoreplymode) {
  return OpenBle(address, autoreplymode, BlePortKind::VA, VP_PORT_TYPE_BT_BLE_PROTO_VA);
}

int VP_Port_GetBtBleProtoV2PacketSendTimesListLength(void *handle) {
  return WithPort(handle, 0, [](IOHandle &port) {
    auto *v2 = ProtoV2Of(port);
    return v2 != nullptr ? v2->GetPacketSendTimesListLength() : 0;
  });
}

int VP_Port_GetBtBleProtoV2PacketSendTimesListValue(void *handle, int *values, int count) {
  WithPort(handle, 0, [&](IOHandle &port) {
    if (auto *v2 = ProtoV2Of(port)) v2->GetPacketSendTimesListValue(values, count);
    return 0;
  });
  return 0;
}

int VP_Port_ClearBtBleProtoV2PacketSendTimesList(void *handle) {
  return WithPort(handle, 0, [](IOHandle &port) {
    auto *v2 = ProtoV2Of(port);
    if (v2 == nullptr) return 0;
    v2->ClearPacketSendTimesList();
    return 1;
  });
}

int VP_Port_EnumBleDevice(unsigned int timeout, int *cancel,
                          VP_OnBluetoothDeviceDiscovered on_discovered, void *private_data) {
  return Guarded(0, [&] {
    return velmora::ble::EnumerateBleDevices(timeout, cancel, on_discovered, private_data);
  });
}

}  // extern "C"
