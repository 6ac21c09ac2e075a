/* PNG encoding for the platform image (stb_image_write, compiled once in PngEncoder.c). */
#ifndef VELMORA_PLATFORM_PNGENCODER_H
#define VELMORA_PLATFORM_PNGENCODER_H

#ifdef __cplusplus
extern "C" {
#endif

/* Encodes width x height pixels of 1..4 channels (rows packed) as PNG; null on failure, else a
 * buffer for velmora_platform_png_free with its size in *size. */
unsigned char *velmora_platform_png_encode(const unsigned char *pixels, int width, int height,
                                           int channels, int *size);
void velmora_platform_png_free(void *png);

#ifdef __cplusplus
}
#endif

#endif
