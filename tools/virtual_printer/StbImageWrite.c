/* The stb_image_write PNG encoder, compiled once for the virtual printer. */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>
#include <stdlib.h>
#include <string.h>

#include "StbImageWrite.h"

int velmora_stbi_write_png_grey(const char *path, int width, int height,
                                const unsigned char *pixels) {
  return stbi_write_png(path, width, height, 1, pixels, width);
}

unsigned char *velmora_stbi_write_png_memory(int width, int height, int channels,
                                             const unsigned char *pixels, int *size) {
  return stbi_write_png_to_mem(pixels, width * channels, width, height, channels, size);
}

void velmora_stbi_write_free(void *data) {
  STBIW_FREE(data);
}

typedef struct {
  unsigned char *data;
  int size;
  int failed;
} velmora_jpg_buffer;

static void velmora_append_jpg(void *context, void *data, int size) {
  velmora_jpg_buffer *buffer = (velmora_jpg_buffer *)context;
  unsigned char *grown;
  if (buffer->failed) return;
  grown = (unsigned char *)realloc(buffer->data, (size_t)buffer->size + (size_t)size);
  if (grown == NULL) {
    buffer->failed = 1;
    return;
  }
  memcpy(grown + buffer->size, data, (size_t)size);
  buffer->data = grown;
  buffer->size += size;
}

unsigned char *velmora_stbi_write_jpg_memory(int width, int height, int channels,
                                             const unsigned char *pixels, int *size) {
  velmora_jpg_buffer buffer = {NULL, 0, 0};
  if (!stbi_write_jpg_to_func(velmora_append_jpg, &buffer, width, height, channels, pixels, 90) ||
      buffer.failed) {
    free(buffer.data);
    return NULL;
  }
  *size = buffer.size;
  return buffer.data;
}
