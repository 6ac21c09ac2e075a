#pragma once

#include <string>
#include <vector>

namespace velmora::detail {

// Text comparison and splitting the way application strings behave: by user-perceived
// characters (extended grapheme clusters), equal under Unicode canonical equivalence ("é" as one
// code point equals "e" with a combining accent). Ill-formed UTF-8 compares and splits by its
// bytes.
bool TextEqual(const std::string &a, const std::string &b);
bool TextHasPrefix(const std::string &text, const std::string &prefix);

// Splits at every character equal to `separator` (a single ASCII character), dropping empty
// pieces. A separator that a combining mark joins to is part of a larger character and does not
// split.
std::vector<std::string> SplitAtCharacter(const std::string &text, char separator);

}  // namespace velmora::detail
