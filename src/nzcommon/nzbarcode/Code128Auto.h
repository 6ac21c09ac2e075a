#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::nzcommon {

// Encodes text as the data of the receipt printer's Code 128 command, choosing the code sets:
// code set B for text ("{B", a literal '{' doubled), code set C for runs of at least four
// digits ("{C", then one byte 0..99 per digit pair). Nothing when the text is empty or holds a
// character outside code set B (32..127).
std::optional<std::string> EncodeCode128Auto(std::string_view text);

}  // namespace velmora::nzcommon
