// Firmware download over an open port.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "velmora/module/types.hpp"

namespace velmora {

// Checks the image (at least 8 bytes; bytes 4..7 hold its length, little-endian), sends
// 1F 75, the length big-endian and the image in pieces of at most 1200 bytes, and reports on
// standard output and through `progressBlock(total, sent)` after each piece. True when every
// byte was written. The printer's reaction is not read.
VP_API bool VP_Settings_DownloadFirmware(Int handle, const std::vector<std::uint8_t> &firmware,
                                         const std::function<void(Int, Int)> &progressBlock);

}  // namespace velmora
