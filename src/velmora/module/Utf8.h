#pragma once

#include <cstddef>
#include <string>

namespace velmora::detail {

// The bytes as well-formed UTF-8: each maximal ill-formed subpart becomes one U+FFFD, the way
// text decoders commonly repair input. Embedded NULs are kept.
std::string DecodeUtf8(const char *bytes, std::size_t length);

// The NUL-terminated text at `text` decoded the same way; a null pointer gives "".
std::string DecodeUtf8(const char *text);

}  // namespace velmora::detail
