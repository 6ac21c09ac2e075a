#include <gtest/gtest.h>

#include <string>

#include "velmora/module/Utf8.h"

namespace velmora::detail {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

std::string Decode(const std::string &bytes) {
  return DecodeUtf8(bytes.data(), bytes.size());
}

TEST(Utf8, WellFormedTextIsKeptByteForByte) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  EXPECT_EQ(Decode(text), text);
  EXPECT_EQ(Decode(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(DecodeUtf8(nullptr), "");
  EXPECT_EQ(DecodeUtf8("ab\xC3\xA9"), "ab\xC3\xA9");
}

TEST(Utf8, EachMaximalIllFormedSubpartBecomesOneReplacement) {
  // Bytes that never start a sequence, one replacement each.
  EXPECT_EQ(Decode("\x80"), kFffd);
  EXPECT_EQ(Decode("\xC0\xAF"), kFffd + kFffd);  // overlong lead
  EXPECT_EQ(Decode("\xF5\x80"), kFffd + kFffd);  // beyond U+10FFFF
  EXPECT_EQ(Decode("\xFF"
                   "a"),
            kFffd + "a");
  // A cut sequence is one replacement, and the byte that cut it is read anew.
  EXPECT_EQ(Decode("\xE2\x82"
                   "a"),
            kFffd + "a");
  EXPECT_EQ(Decode("\xE2\x82"), kFffd);
  EXPECT_EQ(Decode("\xF0\x9F\x98"), kFffd);
  EXPECT_EQ(Decode("\xC3\xC3\xA9"), kFffd + "\xC3\xA9");
  // Second bytes outside the lead's range: overlong, surrogate, too large.
  EXPECT_EQ(Decode("\xE0\x80\x80"), kFffd + kFffd + kFffd);
  EXPECT_EQ(Decode("\xED\xA0\x80"), kFffd + kFffd + kFffd);
  EXPECT_EQ(Decode("\xF4\x90\x80\x80"), kFffd + kFffd + kFffd + kFffd);
  EXPECT_EQ(Decode("\xF0\x80\x80\x80"), kFffd + kFffd + kFffd + kFffd);
}

}  // namespace
}  // namespace velmora::detail
