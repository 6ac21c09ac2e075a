#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// A memory-buffer port opened through the flat interface, closed at the end of its scope.
class MemoryPort {
 public:
  explicit MemoryPort(unsigned int capacity = 1u << 20);
  ~MemoryPort();
  MemoryPort(const MemoryPort &) = delete;
  MemoryPort &operator=(const MemoryPort &) = delete;

  void *handle() const { return handle_; }
  // The bytes collected so far.
  std::vector<uint8_t> Bytes() const;
  // The bytes collected so far as upper-case hex pairs separated by spaces; then forgets them.
  std::string TakeHex();
  void Clear();

 private:
  void *handle_;
};

// "1B 40" style text of bytes.
std::string ToHex(const std::vector<uint8_t> &bytes);
std::string ToHex(const std::string &bytes);

}  // namespace velmora::test
