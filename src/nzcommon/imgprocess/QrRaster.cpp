#include "nzcommon/imgprocess/QrRaster.h"

#include <memory>

#include <qrencode.h>

namespace velmora::imgprocess {

namespace {

struct QrFree {
  void operator()(QRcode *code) const { QRcode_free(code); }
};

}  // namespace

std::optional<MonoBitmap> RenderQrCode(const char *text, int version, int ecc_level,
                                       int module_dots) {
  if (text == nullptr || text[0] == '\0' || version < 0 || version > 40 || ecc_level < 1 ||
      ecc_level > 4 || module_dots < 1) {
    return std::nullopt;
  }
  std::unique_ptr<QRcode, QrFree> code(QRcode_encodeString(
      text, version, static_cast<QRecLevel>(QR_ECLEVEL_L + (ecc_level - 1)), QR_MODE_8, 1));
  if (!code || code->width < 1) return std::nullopt;
  const int64_t side = (int64_t{code->width} + 2 * kQrQuietZoneModules) * module_dots;
  if (!IsAcceptableImageSize(side, side)) return std::nullopt;

  MonoBitmap bitmap(static_cast<int>(side), static_cast<int>(side));
  const int offset = kQrQuietZoneModules * module_dots;
  for (int my = 0; my < code->width; ++my) {
    for (int mx = 0; mx < code->width; ++mx) {
      // Bit 0 of each module byte says dark.
      if (!(code->data[my * code->width + mx] & 1)) continue;
      for (int dy = 0; dy < module_dots; ++dy) {
        uint8_t *row = bitmap.row(offset + my * module_dots + dy);
        for (int dx = 0; dx < module_dots; ++dx) {
          const int x = offset + mx * module_dots + dx;
          row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
      }
    }
  }
  return bitmap;
}

}  // namespace velmora::imgprocess
