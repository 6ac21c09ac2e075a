// An application of the installed library: the C++ interface links and a command reaches a port.
#include <velmora/velmora.hpp>

#include <cstdio>

int main() {
  const velmora::Int handle = velmora::VP_Port_OpenMemoryBuffer(64);
  const bool fed = velmora::VP_Pos_FeedLine(handle, 1);
  const bool collected = !velmora::VP_Port_GetMemoryBufferData(handle).empty();
  const bool closed = velmora::VP_Port_Close(handle);
  if (!fed || !collected || !closed) return 1;
  std::printf("velmora %s\n", velmora::VP_Library_Version_SwiftFunction().c_str());
  return 0;
}
