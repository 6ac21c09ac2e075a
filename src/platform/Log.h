#pragma once

#include "velmora/log.hpp"

namespace velmora::platform {

// printf-style line to the platform log.
void logf(const char *format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace velmora::platform
