// The module's UTF-8 repair and wide text against ICU's decoder, which replaces each maximal
// ill-formed subpart with U+FFFD the same way: equal output for any bytes, one wide unit per code
// point, and text that a flat function leaves in a wrapper's buffer read up to its first NUL or
// the buffer's end.
#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "FuzzHarness.h"
#include "velmora/module/Utf8.h"
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/wide_text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const auto *bytes = reinterpret_cast<const char *>(data);
  const icu::UnicodeString unicode =
      icu::UnicodeString::fromUTF8(icu::StringPiece(bytes, static_cast<int32_t>(size)));
  std::string expected;
  unicode.toUTF8String(expected);

  const std::string text = velmora::detail::DecodeUtf8(bytes, size);
  velmora::fuzz::Require(text == expected);

  const std::wstring wide =
      velmora::VP_Utils_AllocateWCharPointerFromString(std::string(bytes, size));
  std::wstring code_points;
  for (int32_t i = 0; i < unicode.length(); i = unicode.moveIndex32(i, 1)) {
    code_points.push_back(static_cast<wchar_t>(unicode.char32At(i)));
  }
  velmora::fuzz::Require(wide == code_points);

  std::string out;
  velmora::detail::Arg<char *, velmora::detail::TextOutRef> buffer(velmora::detail::TextOut(out));
  const size_t filled = std::min<size_t>(size, velmora::detail::kTextBufferSize);
  std::memcpy(buffer.get(), bytes, filled);
  buffer.Commit(true);
  velmora::fuzz::Require(out == velmora::detail::DecodeUtf8(bytes, strnlen(bytes, filled)));
  return 0;
}
