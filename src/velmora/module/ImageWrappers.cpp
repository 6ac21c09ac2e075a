// The module's image functions over the flat image functions.
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/image.hpp"

namespace velmora {

using detail::BoolResult;
using detail::Bytes;
using detail::CallOnPort;

bool VP_Pos_PrintRasterImageFromFile(Int handle, Int dstw, Int dsth, const std::string &pszFile,
                                     VP_ImageBinarizationMethod binarization_method,
                                     VP_ImageCompressionMethod compression_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintRasterImageFromFile, dstw, dsth, pszFile,
                                binarization_method, compression_method);
}

bool VP_Pos_PrintRasterImageFromData(Int handle, Int dstw, Int dsth,
                                     const std::vector<std::uint8_t> &data, Int data_size,
                                     VP_ImageBinarizationMethod binarization_method,
                                     VP_ImageCompressionMethod compression_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintRasterImageFromData, dstw, dsth,
                                Bytes(data, data_size), data_size, binarization_method,
                                compression_method);
}

bool VP_Pos_PrintRasterImageFromPixels(Int handle, const std::vector<std::uint8_t> &img_data,
                                       Int img_datalen, Int img_width, Int img_height,
                                       Int img_stride, VP_ImagePixelsFormat img_format,
                                       VP_ImageBinarizationMethod binarization_method,
                                       VP_ImageCompressionMethod compression_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Pos_PrintRasterImageFromPixels,
                                Bytes(img_data, img_datalen), img_datalen, img_width, img_height,
                                img_stride, img_format, binarization_method, compression_method);
}

bool VP_Page_DrawRasterImageFromFile(Int handle, Int x, Int y, Int dstw, Int dsth,
                                     const std::string &pszFile,
                                     VP_ImageBinarizationMethod binarization_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawRasterImageFromFile, x, y, dstw, dsth,
                                pszFile, binarization_method);
}

bool VP_Page_DrawRasterImageFromData(Int handle, Int x, Int y, Int dstw, Int dsth,
                                     const std::vector<std::uint8_t> &data, Int data_size,
                                     VP_ImageBinarizationMethod binarization_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawRasterImageFromData, x, y, dstw, dsth,
                                Bytes(data, data_size), data_size, binarization_method);
}

bool VP_Page_DrawRasterImageFromPixels(Int handle, Int x, Int y,
                                       const std::vector<std::uint8_t> &img_data, Int img_datalen,
                                       Int img_width, Int img_height, Int img_stride,
                                       VP_ImagePixelsFormat img_format,
                                       VP_ImageBinarizationMethod binarization_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Page_DrawRasterImageFromPixels, x, y,
                                Bytes(img_data, img_datalen), img_datalen, img_width, img_height,
                                img_stride, img_format, binarization_method);
}

bool VP_Label_DrawImageFromFile(Int handle, Int x, Int y, Int dstw, Int dsth,
                                const std::string &pszFile,
                                VP_ImageBinarizationMethod binarization_method,
                                VP_ImageCompressionMethod compression_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawImageFromFile, x, y, dstw, dsth, pszFile,
                                binarization_method, compression_method);
}

bool VP_Label_DrawImageFromData(Int handle, Int x, Int y, Int dstw, Int dsth,
                                const std::vector<std::uint8_t> &data, Int data_size,
                                VP_ImageBinarizationMethod binarization_method,
                                VP_ImageCompressionMethod compression_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawImageFromData, x, y, dstw, dsth,
                                Bytes(data, data_size), data_size, binarization_method,
                                compression_method);
}

bool VP_Label_DrawImageFromPixels(Int handle, Int x, Int y,
                                  const std::vector<std::uint8_t> &img_data, Int img_datalen,
                                  Int img_width, Int img_height, Int img_stride,
                                  VP_ImagePixelsFormat img_format,
                                  VP_ImageBinarizationMethod binarization_method,
                                  VP_ImageCompressionMethod compression_method) {
  return CallOnPort<BoolResult>(handle, ::VP_Label_DrawImageFromPixels, x, y,
                                Bytes(img_data, img_datalen), img_datalen, img_width, img_height,
                                img_stride, img_format, binarization_method, compression_method);
}

}  // namespace velmora
