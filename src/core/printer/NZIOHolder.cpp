#include "core/printer/NZIOHolder.h"

#include <limits>

#include "core/port/IOHandle.h"

namespace velmora::core {

bool NZIOHolder::WriteCommand(const uint8_t *data, size_t count) {
  if (count > std::numeric_limits<uint32_t>::max() / 2) return false;
  const auto length = static_cast<uint32_t>(count);
  return port_.Write(data, length, port_.default_write_timeout_ms()) == static_cast<int>(length);
}

}  // namespace velmora::core
