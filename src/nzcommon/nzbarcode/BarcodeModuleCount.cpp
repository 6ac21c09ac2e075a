#include "nzcommon/nzbarcode/BarcodeModuleCount.h"

#include <cstring>

namespace velmora::nzcommon {
namespace {

constexpr int kWide = 3;  // modules of a wide bar or space

int Code39Modules(std::string_view data) {
  // Nine elements, three of them wide, and a narrow gap between characters. The printer adds
  // the '*' start and stop characters unless the data already has them.
  const bool framed = data.size() >= 2 && data.front() == '*' && data.back() == '*';
  const int characters = static_cast<int>(data.size()) + (framed ? 0 : 2);
  return characters * (6 + 3 * kWide + 1) - 1;
}

int ItfModules(std::string_view data) {
  // Start (four narrow), two wide and three narrow elements per digit, stop (wide, two narrow).
  return 4 + static_cast<int>(data.size()) * (2 * kWide + 3) + (kWide + 2);
}

int CodabarModules(std::string_view data) {
  // Seven elements per character: two of them wide for digits, '-' and '$', three for the
  // rest (":/.+" and the start/stop letters); a narrow gap between characters.
  int modules = 0;
  for (const char c : data) {
    const bool two_wide = (c >= '0' && c <= '9') || c == '-' || c == '$';
    modules += two_wide ? 5 + 2 * kWide : 4 + 3 * kWide;
  }
  return data.empty() ? 0 : modules + static_cast<int>(data.size()) - 1;
}

int Code93Modules(std::string_view data) {
  // Nine modules per symbol; characters outside the 47-character set take a shift symbol too.
  // Start, two check symbols and stop, then the one-module termination bar.
  static constexpr const char *kNative = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
  int symbols = 0;
  for (const char c : data) {
    symbols += (c != '\0' && std::strchr(kNative, c) != nullptr) ? 1 : 2;
  }
  return (symbols + 4) * 9 + 1;
}

int Code128Modules(std::string_view data) {
  // Eleven modules per symbol: one per data byte (a digit pair in code set C is one byte), one
  // per printer escape ("{A", "{S", "{1", "{{", ...), plus start, check and a 13-module stop.
  // A leading code-set escape is the start symbol itself.
  size_t i = 0;
  if (data.size() >= 2 && data[0] == '{' && data[1] >= 'A' && data[1] <= 'C') i = 2;
  int symbols = 0;
  while (i < data.size()) {
    i += (data[i] == '{' && i + 1 < data.size()) ? 2 : 1;
    ++symbols;
  }
  return 11 + symbols * 11 + 11 + 13;
}

}  // namespace

int BarcodeModuleCount(int symbology, std::string_view data) {
  switch (static_cast<ReceiptSymbology>(symbology)) {
    case ReceiptSymbology::kUpcA:
    case ReceiptSymbology::kEan13:
      return 95;
    case ReceiptSymbology::kUpcE:
      return 51;
    case ReceiptSymbology::kEan8:
      return 67;
    case ReceiptSymbology::kCode39:
      return Code39Modules(data);
    case ReceiptSymbology::kItf:
      return ItfModules(data);
    case ReceiptSymbology::kCodabar:
      return CodabarModules(data);
    case ReceiptSymbology::kCode93:
      return Code93Modules(data);
    case ReceiptSymbology::kCode128:
      return Code128Modules(data);
  }
  return 0;
}

}  // namespace velmora::nzcommon
