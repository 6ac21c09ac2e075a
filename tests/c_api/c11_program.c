/* A C11 caller: opens a memory port, writes, reads the collected bytes back, closes; converts
 * wide text as the text functions do. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "velmora/velmora.h"

int main(void) {
  const unsigned char bytes[] = {0x1B, 0x40, 'h', 'i'};
  void *handle = VP_Port_OpenMemoryBuffer(16);
  if (handle == NULL) return 1;
  if (VP_Port_Write(handle, bytes, sizeof bytes, 1000) != (int)sizeof bytes) return 2;
  if (VP_Port_GetMemoryBufferDataLength(handle) != sizeof bytes) return 3;
  if (memcmp(VP_Port_GetMemoryBufferDataPointer(handle), bytes, sizeof bytes) != 0) return 4;
  if (VP_Port_Close(handle) != 1) return 5;
  if (VP_Port_Close(handle) != 0) return 6;
  if (strcmp(VP_Library_Version(), "1.0.7.20211013") != 0) return 7;
  char *text = iconv_wcstombs(L"caf\u00e9", "UTF-8");
  if (text == NULL || strcmp(text, "caf\xC3\xA9") != 0) return 8;
  free(text);
  puts("ok");
  return 0;
}
