// Printer uid strings as any bytes: a device read from one is written back to a uid string that
// reads as the same device, splitting at "|" undoes joining the pieces with it, and the text
// comparisons the printer records use stay reflexive and symmetric.
#include <memory>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "velmora/convenience/TextEquality.h"
#include "velmora/convenience/printer_device.hpp"

namespace {

using velmora::VLPrinterDevice;
using velmora::fuzz::Require;
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
  for (const auto &piece : pieces) Require(!piece.empty());
  Require(detail::SplitAtCharacter(Join(pieces), '|') == pieces);
  // Splitting only takes separators out of the text; ill-formed text keeps its bytes.
  Require(WithoutBars(Join(pieces)) == WithoutBars(uid));

  const auto device = VLPrinterDevice::fromUidString(uid);
  Require((device != nullptr) == (pieces.size() == 3));
  if (device != nullptr) {
    const auto again = VLPrinterDevice::fromUidString(VLPrinterDevice::toUidString(device));
    Require(again != nullptr && again->printer_name == device->printer_name &&
            again->port_type == device->port_type && again->port_address == device->port_address);
    Require(VLPrinterDevice::isPrinterEqual(device, again));
    Require(VLPrinterDevice::indexOfPrinterByPort({nullptr, again}, device->port_type,
                                                  device->port_address) == 1);
    if (const auto kind = VLPrinterDevice::fromRawValue(device->port_type)) {
      Require(detail::TextEqual(VLPrinterDevice::rawValue(*kind), device->port_type));
    }
  }

  // Two texts from one input: the halves either side of its middle.
  const std::string a = uid.substr(0, size / 2);
  const std::string b = uid.substr(size / 2);
  Require(detail::TextEqual(a, a) && detail::TextEqual(a, b) == detail::TextEqual(b, a));
  Require(detail::TextHasPrefix(uid, uid) && detail::TextHasPrefix(uid, ""));
  return 0;
}
