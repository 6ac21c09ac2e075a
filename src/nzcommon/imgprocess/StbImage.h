/* A narrow C entry to the stb_image decoder compiled inside the library. */
#ifndef VELMORA_NZCOMMON_IMGPROCESS_STBIMAGE_H
#define VELMORA_NZCOMMON_IMGPROCESS_STBIMAGE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads only the header: 1 and the size when the data starts an image of a known format. */
int velmora_stbi_info(const unsigned char *data, int size, int *width, int *height);
/* Decodes to 8-bit pixels with the image's own channel count (1 grey, 2 grey + alpha, 3 RGB,
 * 4 RGBA; rows packed); null on failure. The decoder holds at most `budget` bytes at once: a
 * decode that would take more fails there. `peak` (may be null) gets the most it held. */
unsigned char *velmora_stbi_load(const unsigned char *data, int size, size_t budget, int *width,
                                 int *height, int *channels, size_t *peak);
void velmora_stbi_free(void *pixels);

#ifdef __cplusplus
}
#endif

#endif
