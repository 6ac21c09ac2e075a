#include "nzcommon/qrcode/QrModuleCount.h"

#include <qrencode.h>

#include <memory>

namespace velmora::nzcommon {

std::optional<int> QrModuleCount(const char *text, int version, int ecc_level) {
  if (text == nullptr || version < 0 || version > 40 || ecc_level < 1 || ecc_level > 4) {
    return std::nullopt;
  }
  const auto level = static_cast<QRecLevel>(ecc_level - 1);
  std::unique_ptr<QRcode, decltype(&QRcode_free)> symbol(
      QRcode_encodeString(text, version, level, QR_MODE_8, 1), &QRcode_free);
  if (!symbol) return std::nullopt;
  return symbol->width;
}

}  // namespace velmora::nzcommon
