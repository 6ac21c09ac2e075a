/* A narrow C entry to the stb_image_write PNG encoder compiled for the virtual printer. */
#ifndef VELMORA_VPRINTER_STBIMAGEWRITE_H
#define VELMORA_VPRINTER_STBIMAGEWRITE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Writes width x height 8-bit grey pixels (rows packed) as a PNG file; 0 on failure. */
int velmora_stbi_write_png_grey(const char *path, int width, int height,
                                const unsigned char *pixels);

/* Encodes width x height pixels of 1..4 channels (rows packed) as PNG into memory; null on
 * failure, else a buffer for velmora_stbi_write_free with its size in *size. */
unsigned char *velmora_stbi_write_png_memory(int width, int height, int channels,
                                             const unsigned char *pixels, int *size);
void velmora_stbi_write_free(void *data);
/* Encodes width x height pixels of 1..4 channels as a baseline JPEG (quality 90) into memory;
 * null on failure, else a malloc'd buffer with its size in *size. */
unsigned char *velmora_stbi_write_jpg_memory(int width, int height, int channels,
                                             const unsigned char *pixels, int *size);

#ifdef __cplusplus
}
#endif

#endif
