#pragma once

#include <string>

#include "velmora/module/types.hpp"

namespace velmora::detail {

// The model name of a machine identifier ("iPhone8,4" -> "iPhone SE"); an identifier the table
// does not know is returned as it is.
std::string ModelNameOfMachine(const std::string &machine);

// Bytes per second that a Bluetooth LE link from a device of this model carries: 8192 for the
// older phones (the "iPhone 2" to "iPhone 6" families and the "iPhone SE"), 16384 otherwise.
Int BleBytesPerSecondOfModel(const std::string &model);

}  // namespace velmora::detail
