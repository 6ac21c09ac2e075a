/* The stb_image_write PNG encoder, compiled once for the virtual printer. */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stdlib.h>
#include <stb_image_write.h>

#include "StbImageWrite.h"

int velmora_stbi_write_png_grey(const char *path, int width, int height,
                                const unsigned char *pixels) {
  return stbi_write_png(path, width, height, 1, pixels, width);
}

unsigned char *velmora_stbi_write_png_memory(int width, int height, int channels,
                                             const unsigned char *pixels, int *size) {
  return stbi_write_png_to_mem(pixels, width * channels, width, height, channels, size);
}

void velmora_stbi_write_free(void *data) { STBIW_FREE(data); }
