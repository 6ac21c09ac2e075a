// Printer uid strings as any bytes: a device read from one is written back to a uid string that
// reads as the same device, splitting at "|" undoes joining the pieces with it, and the text
// comparisons the printer records use stay reflexive and symmetric.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "velmora/convenience/TextEquality.h"
#include "velmora/convenience/printer_device.hpp"

namespace {

using velmora::VLPrinterDevice;
namespace detail = velmora::detail;

std::string Join(const std::vector<std::string> &pieces) {
  std::string text;
  for (const auto &piece : pieces) text += (text.empty() ? "" : "|") + piece;
  return text;
}

std::string WithoutBars(std::string text) {
  std::erase(text, '|');
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string uid(reinterpret_cast<const char *>(data), size);

  const auto pieces = detail::SplitAtCharacter(uid, '|');
  for (const auto &piece : pieces) {
    if (piece.empty()) std::abort();
  }
  if (detail::SplitAtCharacter(Join(pieces), '|') != pieces) std::abort();
  // Splitting only takes separators out of the text; ill-formed text keeps its bytes.
  if (WithoutBars(Join(pieces)) != WithoutBars(uid)) std::abort();

  const auto device = VLPrinterDevice::fromUidString(uid);
  if ((device != nullptr) != (pieces.size() == 3)) std::abort();
  if (device != nullptr) {
    const auto again = VLPrinterDevice::fromUidString(VLPrinterDevice::toUidString(device));
    if (again == nullptr || again->printer_name != device->printer_name ||
        again->port_type != device->port_type || again->port_address != device->port_address) {
      std::abort();
    }
    if (!VLPrinterDevice::isPrinterEqual(device, again)) std::abort();
    if (VLPrinterDevice::indexOfPrinterByPort({nullptr, again}, device->port_type,
                                              device->port_address) != 1) {
      std::abort();
    }
    if (const auto kind = VLPrinterDevice::fromRawValue(device->port_type)) {
      if (!detail::TextEqual(VLPrinterDevice::rawValue(*kind), device->port_type)) std::abort();
    }
  }

  // Two texts from one input: the halves either side of its middle.
  const std::string a = uid.substr(0, size / 2);
  const std::string b = uid.substr(size / 2);
  if (!detail::TextEqual(a, a) || detail::TextEqual(a, b) != detail::TextEqual(b, a)) {
    std::abort();
  }
  if (!detail::TextHasPrefix(uid, uid) || !detail::TextHasPrefix(uid, "")) std::abort();
  return 0;
}
