#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "velmora/vp_port.h"

namespace velmora::test {

// "1B 40" style text of bytes.
template <typename ByteRange>
std::string ToHex(const ByteRange &bytes) {
  std::string out;
  char pair[4];
  for (const auto byte : bytes) {
    std::snprintf(pair, sizeof pair, out.empty() ? "%02X" : " %02X", static_cast<uint8_t>(byte));
    out += pair;
  }
  return out;
}

// A memory-buffer port opened through the flat interface, closed at the end of its scope.
class MemoryPort {
 public:
  explicit MemoryPort(unsigned int capacity = 1u << 20)
      : handle_(::VP_Port_OpenMemoryBuffer(capacity)) {}
  ~MemoryPort() {
    if (handle_ != nullptr) ::VP_Port_Close(handle_);
  }
  MemoryPort(const MemoryPort &) = delete;
  MemoryPort &operator=(const MemoryPort &) = delete;

  void *handle() const { return handle_; }
  // The bytes collected so far.
  std::vector<uint8_t> Bytes() const {
    const unsigned char *data = ::VP_Port_GetMemoryBufferDataPointer(handle_);
    if (data == nullptr) return {};
    return {data, data + ::VP_Port_GetMemoryBufferDataLength(handle_)};
  }
  // The bytes collected so far as hex text; then forgets them.
  std::string TakeHex() {
    std::string hex = ToHex(Bytes());
    Clear();
    return hex;
  }
  void Clear() { ::VP_Port_ClearMemoryBufferData(handle_); }

 private:
  void *handle_;
};

}  // namespace velmora::test
