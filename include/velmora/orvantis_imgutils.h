/* Image utilities: encoded images or raw pixels to 1-bit printer rasters. */
#ifndef VELMORA_ORVANTIS_IMGUTILS_H
#define VELMORA_ORVANTIS_IMGUTILS_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* Decodes an encoded image (PNG, JPEG, BMP or GIF) of data_size bytes, scales it to
 * dstw x dsth (both at least 1) by area averaging, converts it to grey and binarises it with
 * binarization_method (0 ordered dither, 1 threshold at the mean grey, 2 error diffusion).
 * Returns the 1-bit raster (most significant bit leftmost, 1 = black, rows (dstw + 7) / 8 bytes
 * apart), allocated with malloc for the caller to free; stores its byte count and row stride
 * through the non-null out pointers. Null on any failure. */
VP_API unsigned char *Orvantis_ImgUtils_ConvertImageDataToMonoFormat(
    const unsigned char *data, unsigned int data_size, int dstw, int dsth, int binarization_method,
    unsigned int *mono_size, unsigned int *mono_stride);

/* The same from img_height rows of img_width pixels, img_stride bytes apart, in pixel format
 * img_format (1 1-bit MSB first, 2 1-bit LSB first, 3 grey, 4 RGB, 5 BGR, 6 ARGB, 7 RGBA,
 * 8 ABGR, 9 BGRA), without scaling. Null for another format or method. */
VP_API unsigned char *Orvantis_ImgUtils_ConvertImagePixelsToMonoFormat(
    const unsigned char *img_data, int img_width, int img_height, int img_stride, int img_format,
    int binarization_method, unsigned int *mono_size, unsigned int *mono_stride);

VP_EXTERN_C_END

#endif
