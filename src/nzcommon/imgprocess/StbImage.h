/* A narrow C entry to the stb_image decoder compiled inside the library. */
#ifndef VELMORA_NZCOMMON_IMGPROCESS_STBIMAGE_H
#define VELMORA_NZCOMMON_IMGPROCESS_STBIMAGE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Reads only the header: 1 and the size when the data starts an image of a known format. */
int velmora_stbi_info(const unsigned char *data, int size, int *width, int *height);
/* Decodes to 8-bit pixels with the image's own channel count (1 grey, 2 grey + alpha, 3 RGB,
 * 4 RGBA; rows packed); null on failure. */
unsigned char *velmora_stbi_load(const unsigned char *data, int size, int *width, int *height,
                                 int *channels);
void velmora_stbi_free(void *pixels);

#ifdef __cplusplus
}
#endif

#endif
