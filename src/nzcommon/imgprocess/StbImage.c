/* The stb_image decoder, compiled once for the library. Only formats that announce themselves
 * with a signature are enabled, so arbitrary bytes are never taken for an image. PNM stays out:
 * this stb_image version overruns a buffer on 16-bit PNM. Reading files is done by the library
 * itself. Its failure strings are off: the library never reads them. */
#include "nzcommon/imgprocess/StbImage.h"

#include "nzcommon/imgprocess/BudgetAllocator.h"

#define STBI_MALLOC(size) velmora_budget_malloc(size)
#define STBI_REALLOC(block, size) velmora_budget_realloc(block, size)
#define STBI_FREE(block) velmora_budget_free(block)

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
/* Headers are read for any size, so that a picture past the limits is still named with its
 * size; the library refuses one of more than 65535 pixels a side before it is decoded. */
#define STBI_MAX_DIMENSIONS (1 << 24)
#include <stb_image.h>

int velmora_stbi_info(const unsigned char *data, int size, int *width, int *height) {
  int components = 0;
  return stbi_info_from_memory(data, size, width, height, &components);
}

unsigned char *velmora_stbi_load(const unsigned char *data, int size, size_t budget, int *width,
                                 int *height, int *channels, size_t *peak) {
  unsigned char *pixels;
  size_t held_at_most;
  velmora_budget_open(budget);
  pixels = stbi_load_from_memory(data, size, width, height, channels, 0);
  held_at_most = velmora_budget_close();
  if (peak != NULL) *peak = held_at_most;
  return pixels;
}

void velmora_stbi_free(void *pixels) {
  stbi_image_free(pixels);
}
