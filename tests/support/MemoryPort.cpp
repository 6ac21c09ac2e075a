#include "support/MemoryPort.h"

#include <cstdio>

#include "velmora/vp_port.h"

namespace velmora::test {

MemoryPort::MemoryPort(unsigned int capacity) : handle_(VP_Port_OpenMemoryBuffer(capacity)) {}

MemoryPort::~MemoryPort() {
  if (handle_ != nullptr) VP_Port_Close(handle_);
}

std::vector<uint8_t> MemoryPort::Bytes() const {
  const unsigned char *data = VP_Port_GetMemoryBufferDataPointer(handle_);
  const unsigned int length = VP_Port_GetMemoryBufferDataLength(handle_);
  if (data == nullptr) return {};
  return std::vector<uint8_t>(data, data + length);
}

std::string MemoryPort::TakeHex() {
  std::string hex = ToHex(Bytes());
  Clear();
  return hex;
}

void MemoryPort::Clear() {
  VP_Port_ClearMemoryBufferData(handle_);
}

std::string ToHex(const std::vector<uint8_t> &bytes) {
  std::string out;
  char pair[4];
  for (const uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", byte);
    if (!out.empty()) out += ' ';
    out += pair;
  }
  return out;
}

std::string ToHex(const std::string &bytes) {
  return ToHex(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace velmora::test
