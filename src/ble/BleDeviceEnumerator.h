#pragma once

#include <cstdint>

#include "velmora/vp_port.h"

namespace velmora::ble {

// Scans for Bluetooth LE printers (advertisements with the QZ manufacturer data) for
// ceil(timeout_ms / 1000) seconds (timeout 0: until the next whole second), or until `*cancel`
// becomes non-zero, read every millisecond. Each advertisement is reported, duplicates included,
// on the central's listener queue, with the device name ("null" when it has none) and the
// address. Returns the scan's number, or a value below 1, at once, when no scan could start.
// No report runs after it returned.
int EnumerateBleDevices(uint32_t timeout_ms, const int *cancel,
                        VP_OnBluetoothDeviceDiscovered on_discovered, void *private_data);

}  // namespace velmora::ble
