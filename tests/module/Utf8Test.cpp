// Text repair and wide text on chosen examples; the UTF-8 fuzz target compares both with ICU for
// any bytes.
#include <gtest/gtest.h>

#include <string>

#include "velmora/module/Utf8.h"
#include "velmora/velmora.hpp"

namespace velmora::detail {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(Utf8, EachMaximalIllFormedSubpartBecomesOneReplacement) {
  const std::string good("a\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", 15);
  EXPECT_EQ(DecodeUtf8(good.data(), good.size()), good);
  EXPECT_EQ(DecodeUtf8(nullptr), "");
  const struct {
    std::string bytes, repaired;
  } cases[] = {
      // Bytes that never start a sequence: continuation bytes, overlong leads, beyond U+10FFFF.
      {"\x80", kFffd},
      {"\xC0\xAF", kFffd + kFffd},
      {"\xF5\x80", kFffd + kFffd},
      // A cut sequence is one replacement, and the byte that cut it is read anew.
      {"\xF0\x9F\x98z", kFffd + "z"},
      {"\xC3\xC3\xA9", kFffd + "\xC3\xA9"},
      // Second bytes outside the lead's range: overlong, surrogate, too large.
      {"\xE0\x80\x80", kFffd + kFffd + kFffd},
      {"\xED\xA0\x80", kFffd + kFffd + kFffd},
      {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
      {"\xF0\x80\x80\x80", kFffd + kFffd + kFffd + kFffd},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(DecodeUtf8(c.bytes.data(), c.bytes.size()), c.repaired) << "row " << &c - cases;
  }
}

TEST(Utf8, WideTextHasOneUnitPerCodePoint) {
  EXPECT_EQ(VP_Utils_AllocateWCharPointerFromString(""), L"");
  EXPECT_EQ(
      VP_Utils_AllocateWCharPointerFromString(std::string("a\0\x80z\xF0\x9F\x98\x80\xE4\xB8", 10)),
      std::wstring({L'a', L'\0', L'\xFFFD', L'z', L'\x1F600', L'\xFFFD'}));
}

}  // namespace
}  // namespace velmora::detail
