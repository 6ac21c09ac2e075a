/* A C11 caller: opens a memory port, writes, reads the collected bytes back, closes. */
#include <stdio.h>
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
  puts("ok");
  return 0;
}
