// Types shared by every function of the C++ module interface.
#pragma once

#include <cstdint>

#include "velmora/vp_common.h"

namespace velmora {

// Integers of the module interface, and port handles: a handle is the bit pattern of the flat
// interface's opaque pointer, 0 when there is none.
using Int = std::intptr_t;

}  // namespace velmora
