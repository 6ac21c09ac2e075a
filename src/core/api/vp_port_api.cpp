// Flat port functions: open, write, read, state, close.
#include <memory>

#include "core/api/ApiGuard.h"
#include "core/port/NZMemoryBufferIO.h"
#include "core/port/NZTcpClientIO.h"
#include "core/port/PortOpening.h"
#include "velmora/vp_port.h"

using velmora::core::Guarded;
using velmora::core::IOHandle;
using velmora::core::WithPort;

extern "C" {

void *VP_Port_OpenTcp(const char *local_ip, const char *dest_ip, unsigned short dest_port,
                      unsigned int timeout, int autoreplymode) {
  return Guarded<void *>(nullptr, [&]() -> void * {
    const std::string name = dest_ip != nullptr ? dest_ip : "";
    auto io = std::make_unique<velmora::core::NZTcpClientIO>();
    const bool opened = io->Open(local_ip, dest_ip, dest_port, timeout);
    return velmora::core::CompletePortOpen(VP_PORT_TYPE_TCP, name, std::move(io), opened,
                                           autoreplymode != 0);
  });
}

void *VP_Port_OpenMemoryBuffer(unsigned int buffer_size) {
  return Guarded<void *>(nullptr, [&]() -> void * {
    auto io = std::make_unique<velmora::core::NZMemoryBufferIO>();
    const bool opened = io->Open(buffer_size);
    return velmora::core::CompletePortOpen(VP_PORT_TYPE_MEMORY, "", std::move(io), opened, false);
  });
}

unsigned char *VP_Port_GetMemoryBufferDataPointer(void *handle) {
  return WithPort<unsigned char *>(handle, nullptr, [](IOHandle &port) -> unsigned char * {
    auto *memory = port.io_as<velmora::core::NZMemoryBufferIO>();
    return memory != nullptr ? const_cast<unsigned char *>(memory->Data()) : nullptr;
  });
}

unsigned int VP_Port_GetMemoryBufferDataLength(void *handle) {
  return WithPort<unsigned int>(handle, 0u, [](IOHandle &port) -> unsigned int {
    auto *memory = port.io_as<velmora::core::NZMemoryBufferIO>();
    return memory != nullptr ? memory->Length() : 0u;
  });
}

int VP_Port_ClearMemoryBufferData(void *handle) {
  return WithPort(handle, 0, [](IOHandle &port) {
    auto *memory = port.io_as<velmora::core::NZMemoryBufferIO>();
    if (memory == nullptr) return 0;
    memory->Clear();
    return 1;
  });
}

int VP_Port_Write(void *handle, const unsigned char *buffer, unsigned int count,
                  unsigned int timeout) {
  return WithPort(handle, -1, [&](IOHandle &port) {
    if (buffer == nullptr && count > 0) return -1;
    return port.Write(buffer, count, timeout);
  });
}

int VP_Port_Read(void *handle, unsigned char *buffer, unsigned int count, unsigned int timeout) {
  return WithPort(handle, -1, [&](IOHandle &port) {
    if (buffer == nullptr && count > 0) return -1;
    return port.Read(buffer, count, timeout, -1);
  });
}

int VP_Port_ReadUntilByte(void *handle, unsigned char *buffer, unsigned int count,
                          unsigned int timeout, unsigned char breakByte) {
  return WithPort(handle, -1, [&](IOHandle &port) {
    if (buffer == nullptr && count > 0) return -1;
    return port.Read(buffer, count, timeout, breakByte);
  });
}

int VP_Port_Available(void *handle) {
  return WithPort(handle, -1,
                  [](IOHandle &port) { return static_cast<int>(port.rx().Available()); });
}

int VP_Port_SkipAvailable(void *handle) {
  return WithPort(handle, 0, [](IOHandle &port) {
    port.rx().Discard();
    return 1;
  });
}

int VP_Port_IsConnectionValid(void *handle) {
  return WithPort(handle, 0, [](IOHandle &port) { return port.IsConnectionValid() ? 1 : 0; });
}

int VP_Port_IsOpened(void *handle) {
  return WithPort(handle, 0, [](IOHandle &port) { return port.IsOpened() ? 1 : 0; });
}

int VP_Port_Close(void *handle) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    // Invalidate the handle first: the closed-event thread that the transport's close starts
    // closes the handle too, and only the first close of a live handle may succeed.
    const bool first = velmora::core::Ports().Retire(port.handle());
    port.Close();
    return first ? 1 : 0;
  });
}

}  // extern "C"
