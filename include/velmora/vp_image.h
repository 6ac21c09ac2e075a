/* Printing pictures: encoded image files or data, or raw pixels, scaled, binarised and sent as
 * raster graphics on receipts, in page mode and on labels; QR codes drawn as pictures.
 *
 * Sizes: with dstw and dsth both <= 0 the picture prints at its own size, one dot per pixel;
 * with one of them <= 0 that one follows from the other by the picture's aspect ratio (integer
 * division); nothing prints unless both are then at least 1. Every function returns 1 when the
 * whole command was written, 0 otherwise; bad input (an unreadable file, undecodable data, a
 * method or format out of range, a size below 1, a picture too large to print) gives 0 with
 * nothing written. */
#ifndef VELMORA_VP_IMAGE_H
#define VELMORA_VP_IMAGE_H

#include "velmora/vp_common.h"
#include "velmora/vp_image_types.h"
#include "velmora/vp_pos.h"

VP_EXTERN_C_BEGIN

/* Receipt raster: compression 0 GS v 0 bands of 24 lines, 1 run-length lines, 2 JBIG bands. */
VP_API int VP_Pos_PrintRasterImageFromFile(void *handle, int dstw, int dsth, const char *pszFile,
                                           VP_ImageBinarizationMethod binarization_method,
                                           VP_ImageCompressionMethod compression_method);
VP_API int VP_Pos_PrintRasterImageFromData(void *handle, int dstw, int dsth,
                                           const unsigned char *data, unsigned int data_size,
                                           VP_ImageBinarizationMethod binarization_method,
                                           VP_ImageCompressionMethod compression_method);
/* img_height rows of img_width pixels of img_format, img_stride bytes apart, at their own size;
 * img_datalen is the buffer's length (a buffer too short for the rows is refused). */
VP_API int VP_Pos_PrintRasterImageFromPixels(void *handle, const unsigned char *img_data,
                                             unsigned int img_datalen, int img_width,
                                             int img_height, int img_stride,
                                             VP_ImagePixelsFormat img_format,
                                             VP_ImageBinarizationMethod binarization_method,
                                             VP_ImageCompressionMethod compression_method);
/* The text as a QR symbol (version 0 = smallest that fits, else 1..40; level 1..4 = L..H), each
 * module nQRCodeUnitWidth dots square with a quiet zone of 4 modules, printed as GS v 0. */
VP_API int VP_Pos_PrintQRCodeUseImageCmd(void *handle, int nQRCodeUnitWidth, int nVersion,
                                         VP_QRCodeECC nECCLevel, const char *str);

/* Page mode: the picture placed in the kept page area with the kept direction (x or y of -1,
 * -2, -3: start, centre, end), ESC $ and GS $ to its print position, then the page-mode
 * graphics (GS 8 L); the result is that of the graphics write. */
VP_API int VP_Page_DrawRasterImageFromFile(void *handle, int x, int y, int dstw, int dsth,
                                           const char *pszFile,
                                           VP_ImageBinarizationMethod binarization_method);
VP_API int VP_Page_DrawRasterImageFromData(void *handle, int x, int y, int dstw, int dsth,
                                           const unsigned char *data, unsigned int data_size,
                                           VP_ImageBinarizationMethod binarization_method);
VP_API int VP_Page_DrawRasterImageFromPixels(void *handle, int x, int y,
                                             const unsigned char *img_data,
                                             unsigned int img_datalen, int img_width,
                                             int img_height, int img_stride,
                                             VP_ImagePixelsFormat img_format,
                                             VP_ImageBinarizationMethod binarization_method);

/* Label graphics at x, y: compression 0 uncompressed (1A 21 01), 2 JBIG (1A 21 FF); any other
 * compression gives 0 with nothing written. */
VP_API int VP_Label_DrawImageFromFile(void *handle, int x, int y, int dstw, int dsth,
                                      const char *pszFile,
                                      VP_ImageBinarizationMethod binarization_method,
                                      VP_ImageCompressionMethod compression_method);
VP_API int VP_Label_DrawImageFromData(void *handle, int x, int y, int dstw, int dsth,
                                      const unsigned char *data, unsigned int data_size,
                                      VP_ImageBinarizationMethod binarization_method,
                                      VP_ImageCompressionMethod compression_method);
VP_API int VP_Label_DrawImageFromPixels(void *handle, int x, int y, const unsigned char *img_data,
                                        unsigned int img_datalen, int img_width, int img_height,
                                        int img_stride, VP_ImagePixelsFormat img_format,
                                        VP_ImageBinarizationMethod binarization_method,
                                        VP_ImageCompressionMethod compression_method);

VP_EXTERN_C_END

#endif
