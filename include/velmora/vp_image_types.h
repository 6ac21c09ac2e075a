/* Image parameters shared by the receipt, page-mode and label image functions. */
#ifndef VELMORA_VP_IMAGE_TYPES_H
#define VELMORA_VP_IMAGE_TYPES_H

#include "velmora/vp_common.h"

/* How grey pixels become black or white dots. */
typedef enum VP_ImageBinarizationMethod VP_ENUM_TYPE {
  VP_ImageBinarizationMethod_Dithering = 0,     /* ordered dithering */
  VP_ImageBinarizationMethod_Thresholding = 1,  /* threshold at the image's mean grey */
  VP_ImageBinarizationMethod_ErrorDiffusion = 2 /* error diffusion */
} VP_ImageBinarizationMethod;

/* How raster rows are framed for the printer. */
typedef enum VP_ImageCompressionMethod VP_ENUM_TYPE {
  VP_ImageCompressionMethod_None = 0,   /* uncompressed raster */
  VP_ImageCompressionMethod_Level1 = 1, /* per-line run-length */
  VP_ImageCompressionMethod_Level2 = 2  /* JBIG (T.85) */
} VP_ImageCompressionMethod;

/* Layout of a caller's pixel buffer (byte order in memory). */
typedef enum VP_ImagePixelsFormat VP_ENUM_TYPE {
  VP_ImagePixelsFormat_MONO = 1,    /* 1 bit per pixel, most significant bit first */
  VP_ImagePixelsFormat_MONOLSB = 2, /* 1 bit per pixel, least significant bit first */
  VP_ImagePixelsFormat_GRAY8 = 3,
  VP_ImagePixelsFormat_BYTEORDERED_RGB24 = 4,
  VP_ImagePixelsFormat_BYTEORDERED_BGR24 = 5,
  VP_ImagePixelsFormat_BYTEORDERED_ARGB32 = 6,
  VP_ImagePixelsFormat_BYTEORDERED_RGBA32 = 7,
  VP_ImagePixelsFormat_BYTEORDERED_ABGR32 = 8,
  VP_ImagePixelsFormat_BYTEORDERED_BGRA32 = 9
} VP_ImagePixelsFormat;

#endif
