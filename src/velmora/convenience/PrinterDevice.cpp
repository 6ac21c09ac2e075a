#include <array>
#include <utility>

#include "velmora/convenience/TextEquality.h"
#include "velmora/convenience/printer_device.hpp"

namespace velmora {
namespace {

using PortType = VLPrinterDevice::PortType;

constexpr std::array<std::pair<PortType, const char *>, 5> kPortTypes{{
    {PortType::tcp, "tcp"},
    {PortType::btblewr, "btblewr"},
    {PortType::btblev2, "btblev2"},
    {PortType::btblev3, "btblev3"},
    {PortType::btbleva, "btbleva"},
}};

}  // namespace

std::string VLPrinterDevice::rawValue(PortType type) {
  for (const auto &[kind, raw] : kPortTypes) {
    if (kind == type) return raw;
  }
  return {};
}

std::optional<VLPrinterDevice::PortType> VLPrinterDevice::fromRawValue(const std::string &raw) {
  for (const auto &[kind, value] : kPortTypes) {
    if (detail::TextEqual(raw, value)) return kind;
  }
  return std::nullopt;
}

VLPrinterDevice::VLPrinterDevice(std::string printer_name, std::string port_type,
                                 std::string port_address)
    : printer_name(std::move(printer_name)),
      port_type(std::move(port_type)),
      port_address(std::move(port_address)) {}

std::string VLPrinterDevice::toUidString(const std::shared_ptr<VLPrinterDevice> &printerDevice) {
  if (printerDevice == nullptr) return {};
  return printerDevice->printer_name + "|" + printerDevice->port_type + "|" +
         printerDevice->port_address;
}

std::shared_ptr<VLPrinterDevice> VLPrinterDevice::fromUidString(const std::string &uidString) {
  auto pieces = detail::SplitAtCharacter(uidString, '|');
  if (pieces.size() != 3) return nullptr;
  return std::make_shared<VLPrinterDevice>(std::move(pieces[0]), std::move(pieces[1]),
                                           std::move(pieces[2]));
}

bool VLPrinterDevice::isPortEqual(const std::shared_ptr<VLPrinterDevice> &p1,
                                  const std::shared_ptr<VLPrinterDevice> &p2) {
  if (p1 == nullptr || p2 == nullptr) return false;
  return detail::TextEqual(p1->port_type, p2->port_type) &&
         detail::TextEqual(p1->port_address, p2->port_address);
}

bool VLPrinterDevice::isPrinterEqual(const std::shared_ptr<VLPrinterDevice> &p1,
                                     const std::shared_ptr<VLPrinterDevice> &p2) {
  return isPortEqual(p1, p2) && detail::TextEqual(p1->printer_name, p2->printer_name);
}

Int VLPrinterDevice::indexOfPrinterByPort(
    const std::vector<std::shared_ptr<VLPrinterDevice>> &printerList, const std::string &port_type,
    const std::string &port_address) {
  for (std::size_t i = 0; i < printerList.size(); ++i) {
    const auto &device = printerList[i];
    if (device != nullptr && detail::TextEqual(device->port_type, port_type) &&
        detail::TextEqual(device->port_address, port_address)) {
      return static_cast<Int>(i);
    }
  }
  return -1;
}

}  // namespace velmora
