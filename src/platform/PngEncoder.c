/* The stb_image_write PNG encoder, compiled once for the library's platform image. */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#include <stdlib.h>

#include "platform/PngEncoder.h"

unsigned char *velmora_platform_png_encode(const unsigned char *pixels, int width, int height,
                                           int channels, int *size) {
  return stbi_write_png_to_mem(pixels, width * channels, width, height, channels, size);
}

void velmora_platform_png_free(void *png) {
  STBIW_FREE(png);
}
