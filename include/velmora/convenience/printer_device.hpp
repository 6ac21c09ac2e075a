// One printer as the convenience classes see it: a display name, the kind of port that reaches
// it and the address on that port. Strings compare as text: canonically equivalent Unicode
// spellings are equal, case and blanks count; strings that are not well-formed UTF-8 compare
// by their bytes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velmora/module/types.hpp"

namespace velmora {

class VP_API VLPrinterDevice {
 public:
  // The kinds of port the connector can open, by their raw value: "tcp" (TCP port 9100),
  // "btblewr", "btblev2", "btblev3", "btbleva" (the Bluetooth LE protocols).
  enum class PortType { tcp, btblewr, btblev2, btblev3, btbleva };
  static std::string rawValue(PortType type);
  // The case whose raw value equals `raw`; none for any other string.
  static std::optional<PortType> fromRawValue(const std::string &raw);

  std::string printer_name;
  // A raw value of PortType; any other string is kept as it is (and opens nothing).
  std::string port_type;
  // A dotted IPv4 address for "tcp"; "AA:BB:CC:DD:EE:FF" for the Bluetooth LE kinds.
  std::string port_address;

  VLPrinterDevice(std::string printer_name, std::string port_type, std::string port_address);
  virtual ~VLPrinterDevice() = default;

  // "name|type|address", no escaping; "" for no device.
  static std::string toUidString(const std::shared_ptr<VLPrinterDevice> &printerDevice);
  // Splits at every "|" and drops empty pieces; exactly three pieces make a device (name, type,
  // address), any other count none.
  static std::shared_ptr<VLPrinterDevice> fromUidString(const std::string &uidString);
  // Same port type and then same address; the name plays no part. False when either is null.
  static bool isPortEqual(const std::shared_ptr<VLPrinterDevice> &p1,
                          const std::shared_ptr<VLPrinterDevice> &p2);
  // Same port and same name.
  static bool isPrinterEqual(const std::shared_ptr<VLPrinterDevice> &p1,
                             const std::shared_ptr<VLPrinterDevice> &p2);
  // Index of the first device on this port; -1 when there is none.
  static Int indexOfPrinterByPort(const std::vector<std::shared_ptr<VLPrinterDevice>> &printerList,
                                  const std::string &port_type, const std::string &port_address);
};

}  // namespace velmora
