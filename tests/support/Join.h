#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace velmora::test {

// The parts one after the other.
inline std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace velmora::test
