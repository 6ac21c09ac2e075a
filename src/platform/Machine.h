#pragma once

#include <string>

namespace velmora::platform {

// The hardware identifier of the machine the program runs on (the `machine` field of uname);
// empty when the system does not tell.
std::string machineIdentifier();

}  // namespace velmora::platform
