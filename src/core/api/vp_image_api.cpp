// Flat image functions: the picture is turned into dots first, so that bad input writes
// nothing; then the raster command goes out through the port's receipt or label command object.
#include "core/api/CommandApi.h"
#include "core/printer/PosCommandBytes.h"
#include "nzcommon/imgprocess/ImageSources.h"
#include "nzcommon/imgprocess/QrRaster.h"
#include "nzcommon/imgprocess/RasterFraming.h"
#include "velmora/vp_image.h"

using velmora::core::NZLabelPrinter;
using velmora::core::NZPosPrinter;
using velmora::core::WithLabelPrinter;
using velmora::core::WithPosPrinter;
namespace img = velmora::imgprocess;
namespace poscmd = velmora::core::poscmd;

namespace {

bool IsReceiptCompression(int compression) {
  return compression >= 0 && compression <= 2;
}

bool IsLabelCompression(int compression) {
  return compression == static_cast<int>(img::CompressionMethod::kNone) ||
         compression == static_cast<int>(img::CompressionMethod::kJbig);
}

// `make` gives the picture's dots (or nothing); it runs only for a live handle and a valid
// compression, so neither a dead handle nor a bad method costs a decode.
template <typename Make>
int PrintReceiptRaster(void *handle, int compression, Make &&make) noexcept {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    if (!IsReceiptCompression(compression)) return false;
    const auto mono = make();
    return mono.has_value() && pos.Send(img::FrameReceiptRaster(*mono, compression));
  });
}

// Page mode: ESC $ and GS $ to the picture's print position (whatever their results), then the
// graphics; the graphics write decides.
template <typename Make>
int DrawPageRaster(void *handle, int x, int y, Make &&make) noexcept {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) {
    const auto mono = make();
    if (!mono) return false;
    const img::Bytes graphics = img::FramePageRaster(*mono);
    const PL_Utils_Position at = pos.PagePrintPosition(x, y, {mono->width, mono->height});
    pos.Send(poscmd::HorizontalAbsolutePosition(at.x));
    pos.Send(poscmd::VerticalAbsolutePosition(at.y));
    return pos.Send(graphics);
  });
}

template <typename Make>
int DrawLabelRaster(void *handle, int x, int y, int compression, Make &&make) noexcept {
  return WithLabelPrinter(handle, [&](NZLabelPrinter &label) {
    if (!IsLabelCompression(compression)) return false;
    const auto mono = make();
    if (!mono) return false;
    const auto command = img::FrameLabelRaster(x, y, *mono, compression);
    return command.has_value() && label.Send(*command);
  });
}

}  // namespace

extern "C" {

int VP_Pos_PrintRasterImageFromFile(void *handle, int dstw, int dsth, const char *pszFile,
                                    VP_ImageBinarizationMethod binarization_method,
                                    VP_ImageCompressionMethod compression_method) {
  return PrintReceiptRaster(handle, compression_method, [&] {
    return img::MonoFromFile(pszFile, dstw, dsth, binarization_method);
  });
}

int VP_Pos_PrintRasterImageFromData(void *handle, int dstw, int dsth, const unsigned char *data,
                                    unsigned int data_size,
                                    VP_ImageBinarizationMethod binarization_method,
                                    VP_ImageCompressionMethod compression_method) {
  return PrintReceiptRaster(handle, compression_method, [&] {
    return img::MonoFromData(data, data_size, dstw, dsth, binarization_method);
  });
}

int VP_Pos_PrintRasterImageFromPixels(void *handle, const unsigned char *img_data,
                                      unsigned int img_datalen, int img_width, int img_height,
                                      int img_stride, VP_ImagePixelsFormat img_format,
                                      VP_ImageBinarizationMethod binarization_method,
                                      VP_ImageCompressionMethod compression_method) {
  return PrintReceiptRaster(handle, compression_method, [&] {
    return img::MonoFromPixels(img_data, img_datalen, img_width, img_height, img_stride, img_format,
                               binarization_method);
  });
}

int VP_Pos_PrintQRCodeUseImageCmd(void *handle, int nQRCodeUnitWidth, int nVersion,
                                  VP_QRCodeECC nECCLevel, const char *str) {
  return PrintReceiptRaster(handle, static_cast<int>(img::CompressionMethod::kNone), [&] {
    return img::RenderQrCode(str, nVersion, nECCLevel, nQRCodeUnitWidth);
  });
}

int VP_Page_DrawRasterImageFromFile(void *handle, int x, int y, int dstw, int dsth,
                                    const char *pszFile,
                                    VP_ImageBinarizationMethod binarization_method) {
  return DrawPageRaster(
      handle, x, y, [&] { return img::MonoFromFile(pszFile, dstw, dsth, binarization_method); });
}

int VP_Page_DrawRasterImageFromData(void *handle, int x, int y, int dstw, int dsth,
                                    const unsigned char *data, unsigned int data_size,
                                    VP_ImageBinarizationMethod binarization_method) {
  return DrawPageRaster(handle, x, y, [&] {
    return img::MonoFromData(data, data_size, dstw, dsth, binarization_method);
  });
}

int VP_Page_DrawRasterImageFromPixels(void *handle, int x, int y, const unsigned char *img_data,
                                      unsigned int img_datalen, int img_width, int img_height,
                                      int img_stride, VP_ImagePixelsFormat img_format,
                                      VP_ImageBinarizationMethod binarization_method) {
  return DrawPageRaster(handle, x, y, [&] {
    return img::MonoFromPixels(img_data, img_datalen, img_width, img_height, img_stride, img_format,
                               binarization_method);
  });
}

int VP_Label_DrawImageFromFile(void *handle, int x, int y, int dstw, int dsth, const char *pszFile,
                               VP_ImageBinarizationMethod binarization_method,
                               VP_ImageCompressionMethod compression_method) {
  return DrawLabelRaster(handle, x, y, compression_method, [&] {
    return img::MonoFromFile(pszFile, dstw, dsth, binarization_method);
  });
}

int VP_Label_DrawImageFromData(void *handle, int x, int y, int dstw, int dsth,
                               const unsigned char *data, unsigned int data_size,
                               VP_ImageBinarizationMethod binarization_method,
                               VP_ImageCompressionMethod compression_method) {
  return DrawLabelRaster(handle, x, y, compression_method, [&] {
    return img::MonoFromData(data, data_size, dstw, dsth, binarization_method);
  });
}

int VP_Label_DrawImageFromPixels(void *handle, int x, int y, const unsigned char *img_data,
                                 unsigned int img_datalen, int img_width, int img_height,
                                 int img_stride, VP_ImagePixelsFormat img_format,
                                 VP_ImageBinarizationMethod binarization_method,
                                 VP_ImageCompressionMethod compression_method) {
  return DrawLabelRaster(handle, x, y, compression_method, [&] {
    return img::MonoFromPixels(img_data, img_datalen, img_width, img_height, img_stride, img_format,
                               binarization_method);
  });
}

}  // extern "C"
