#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::imgprocess {

// Reads a whole encoded image file. Only a regular file of 1 byte to kMaxEncodedImageBytes is
// read, and anything else is refused before it is opened (a FIFO without a writer would block
// the open): nullopt, with a log line that names the path and says why.
std::optional<std::vector<uint8_t>> ReadImageFile(const char *path);

}  // namespace velmora::imgprocess
