/* stb_image and stb_image_write for the platform image. Only formats that announce themselves
 * with a signature are decoded; files are read by the caller. */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_PNM
#define STBI_MAX_DIMENSIONS 65535
#include <stb/stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include "platform/ImageCodec.h"

unsigned char *velmora_platform_image_decode(const unsigned char *data, int size, int *width,
                                             int *height, int *channels) {
  return stbi_load_from_memory(data, size, width, height, channels, 0);
}

unsigned char *velmora_platform_image_encode_png(const unsigned char *pixels, int width, int height,
                                                 int channels, int *size) {
  return stbi_write_png_to_mem(pixels, width * channels, width, height, channels, size);
}

void velmora_platform_image_free(void *data) {
  /* Both libraries allocate with malloc. */
  free(data);
}
