// Advertisement manufacturer data turned into a printer address, and a caller's address text
// turned into the form advertisements give. Data of at least 8 bytes that begins 51 5A carries
// the address in bytes 2 to 7, written as six upper-case hex pairs joined by ':'; any other data
// carries none. A caller's text is an address exactly when it is six two-digit hex pairs joined by
// ':' (either case), and its normal form is the upper-case one, which names the same six bytes.
//
// Input: the manufacturer data; the same bytes are also tried as a caller's address text.
#include <cctype>
#include <cstdio>
#include <string>

#include "FuzzHarness.h"
#include "ble/PrinterAddress.h"

namespace {

using velmora::fuzz::Require;

std::string Hex(const uint8_t *bytes) {
  std::string out;
  for (int i = 0; i < 6; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, i < 5 ? "%02X:" : "%02X", bytes[i]);
    out += pair;
  }
  return out;
}

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using velmora::ble::NormalizedPrinterAddress;
  using velmora::ble::PrinterAddressFromManufacturerData;

  const velmora::platform::ble::Bytes bytes(data, data + size);
  const auto address = PrinterAddressFromManufacturerData(bytes);
  const bool carries = size >= 8 && data[0] == 0x51 && data[1] == 0x5A;
  Require(address.has_value() == carries);
  if (carries) {
    Require(*address == Hex(data + 2));
    // What an advertisement gives is already in normal form.
    Require(NormalizedPrinterAddress(*address) == address);
  }
  Require(!PrinterAddressFromManufacturerData(std::nullopt));

  const std::string text(reinterpret_cast<const char *>(data), size);
  const auto normal = NormalizedPrinterAddress(text);
  bool well_formed = text.size() == 17;
  for (size_t i = 0; well_formed && i < text.size(); ++i) {
    well_formed = i % 3 == 2 ? text[i] == ':' : Digit(text[i]) >= 0;
  }
  Require(normal.has_value() == well_formed);
  if (well_formed) {
    uint8_t parsed[6];
    for (int i = 0; i < 6; ++i) {
      parsed[i] = static_cast<uint8_t>(Digit(text[3 * i]) * 16 + Digit(text[3 * i + 1]));
    }
    Require(*normal == Hex(parsed));
    Require(NormalizedPrinterAddress(*normal) == normal);
  }
  return 0;
}
