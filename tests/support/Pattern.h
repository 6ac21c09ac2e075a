#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::test {

// Deterministic test data: `size` bytes that differ from seed to seed.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed = 1);

}  // namespace velmora::test
