// Printing pictures in the module interface: receipt raster images, page-mode images and label
// images from an encoded file, encoded data or raw pixels. Each returns true when the whole
// command was written; false for handle 0 (nothing reaches the port layer), an integer that
// does not fit, a count beyond its array, or a failed flat call (see velmora/vp_image.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velmora/module/types.hpp"
#include "velmora/vp_image.h"

namespace velmora {

VP_API bool VP_Pos_PrintRasterImageFromFile(Int handle, Int dstw, Int dsth,
                                            const std::string &pszFile,
                                            VP_ImageBinarizationMethod binarization_method,
                                            VP_ImageCompressionMethod compression_method);
VP_API bool VP_Pos_PrintRasterImageFromData(Int handle, Int dstw, Int dsth,
                                            const std::vector<std::uint8_t> &data, Int data_size,
                                            VP_ImageBinarizationMethod binarization_method,
                                            VP_ImageCompressionMethod compression_method);
VP_API bool VP_Pos_PrintRasterImageFromPixels(Int handle, const std::vector<std::uint8_t> &img_data,
                                              Int img_datalen, Int img_width, Int img_height,
                                              Int img_stride, VP_ImagePixelsFormat img_format,
                                              VP_ImageBinarizationMethod binarization_method,
                                              VP_ImageCompressionMethod compression_method);

VP_API bool VP_Page_DrawRasterImageFromFile(Int handle, Int x, Int y, Int dstw, Int dsth,
                                            const std::string &pszFile,
                                            VP_ImageBinarizationMethod binarization_method);
VP_API bool VP_Page_DrawRasterImageFromData(Int handle, Int x, Int y, Int dstw, Int dsth,
                                            const std::vector<std::uint8_t> &data, Int data_size,
                                            VP_ImageBinarizationMethod binarization_method);
VP_API bool VP_Page_DrawRasterImageFromPixels(Int handle, Int x, Int y,
                                              const std::vector<std::uint8_t> &img_data,
                                              Int img_datalen, Int img_width, Int img_height,
                                              Int img_stride, VP_ImagePixelsFormat img_format,
                                              VP_ImageBinarizationMethod binarization_method);

VP_API bool VP_Label_DrawImageFromFile(Int handle, Int x, Int y, Int dstw, Int dsth,
                                       const std::string &pszFile,
                                       VP_ImageBinarizationMethod binarization_method,
                                       VP_ImageCompressionMethod compression_method);
VP_API bool VP_Label_DrawImageFromData(Int handle, Int x, Int y, Int dstw, Int dsth,
                                       const std::vector<std::uint8_t> &data, Int data_size,
                                       VP_ImageBinarizationMethod binarization_method,
                                       VP_ImageCompressionMethod compression_method);
VP_API bool VP_Label_DrawImageFromPixels(Int handle, Int x, Int y,
                                         const std::vector<std::uint8_t> &img_data, Int img_datalen,
                                         Int img_width, Int img_height, Int img_stride,
                                         VP_ImagePixelsFormat img_format,
                                         VP_ImageBinarizationMethod binarization_method,
                                         VP_ImageCompressionMethod compression_method);

}  // namespace velmora
