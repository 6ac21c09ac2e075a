#pragma once

#include <string_view>

namespace velmora::nzcommon {

// Symbology bytes of the receipt printer's barcode command (GS k m with a length byte).
enum class ReceiptSymbology : int {
  kUpcA = 65,
  kUpcE = 66,
  kEan13 = 67,
  kEan8 = 68,
  kCode39 = 69,
  kItf = 70,
  kCodabar = 71,
  kCode93 = 72,
  kCode128 = 73,
};

// Width in modules (narrow bars) of the symbol the printer draws for `data`, without quiet
// zones; wide elements count three modules. 0 for a symbology byte this table does not know.
int BarcodeModuleCount(int symbology, std::string_view data);

}  // namespace velmora::nzcommon
