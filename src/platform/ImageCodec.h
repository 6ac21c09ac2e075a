/* Decoding of encoded images and PNG encoding for the platform image (stb_image and
 * stb_image_write, compiled once in ImageCodec.c). */
#ifndef VELMORA_PLATFORM_IMAGECODEC_H
#define VELMORA_PLATFORM_IMAGECODEC_H

#ifdef __cplusplus
extern "C" {
#endif

/* Decodes to 8-bit pixels with the image's own channel count (1..4, rows packed); null when the
 * bytes are no image of a known format. Free with velmora_platform_image_free. */
unsigned char *velmora_platform_image_decode(const unsigned char *data, int size, int *width,
                                             int *height, int *channels);
/* Encodes width x height pixels of 1..4 channels (rows packed) as PNG; null on failure, else a
 * buffer for velmora_platform_image_free with its size in *size. */
unsigned char *velmora_platform_image_encode_png(const unsigned char *pixels, int width, int height,
                                                 int channels, int *size);
void velmora_platform_image_free(void *data);

#ifdef __cplusplus
}
#endif

#endif
