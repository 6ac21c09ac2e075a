// Wide text to the printer encodings through the C library's iconv. The bytes of each encoding
// are checked through the text commands.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "nzcommon/textconv/WideTextConversion.h"
#include "velmora/log.hpp"

namespace velmora::test {
namespace {

using nzcommon::ConvertWideText;

class WideTextConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setLogSink([this](const std::string &line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    });
  }
  void TearDown() override { platform::setLogSink(nullptr); }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(WideTextConversion, FourBytesPerCharacterAlwaysSuffice) {
  const std::wstring emoji(1000, L'\U0001F600');
  const auto converted = ConvertWideText(emoji.c_str(), "UTF-8");
  ASSERT_TRUE(converted.has_value());
  EXPECT_EQ(converted->size(), 4000u);
  EXPECT_EQ(converted->substr(3996), "\xF0\x9F\x98\x80");
}

TEST_F(WideTextConversion, UnconvertibleTextIsReportedOtherFailuresAreQuiet) {
  EXPECT_EQ(iconv_wcstombs(L"a", "NO-SUCH-CHARSET"), nullptr);
  EXPECT_FALSE(ConvertWideText(nullptr, "GBK"));
  EXPECT_FALSE(ConvertWideText(L"a", nullptr));
  EXPECT_TRUE(Lines().empty());

  EXPECT_FALSE(ConvertWideText(L"a\U0001F600", "GBK"));
  EXPECT_FALSE(ConvertWideText(L"\xDC00", "UTF-8"));
  ASSERT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Lines()[0], "iconv failed to convert str from WCHAR_T to GBK. errno " +
                            std::to_string(EILSEQ) + "\r\n");
  // A sink that throws loses its line, nothing else.
  platform::setLogSink([](const std::string &) { throw 1; });
  EXPECT_NO_THROW(platform::logLine("lost"));
  EXPECT_EQ(ConvertWideText(L"a", "GBK"), "a");
}

TEST_F(WideTextConversion, OnlyUnicodeScalarValuesAreCharacters) {
  // The edges of the two ranges of scalar values convert; one past any edge is no character
  // and is refused as a lone surrogate is, with the same line.
  const wchar_t edges[] = {0xD7FF, 0xE000, 0x10FFFF, 0};
  EXPECT_EQ(ConvertWideText(edges, "UTF-8"), "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF");
  for (const wchar_t unit : {0xD800, 0xDFFF, 0x110000, 0x200000, 0x7FFFFFFF, -1}) {
    const wchar_t text[] = {L'a', unit, L'b', 0};
    SCOPED_TRACE(static_cast<long>(unit));
    const std::unique_ptr<char, decltype(&std::free)> converted(iconv_wcstombs(text, "UTF-8"),
                                                                &std::free);
    EXPECT_EQ(converted, nullptr);
    EXPECT_FALSE(ConvertWideText(text, "EUC-KR"));
  }
  // The result does not depend on how many there are.
  const wchar_t two[] = {0x4000000, 0x4000000, 0}, three[] = {0x4000000, 0x4000000, 0x4000000, 0};
  EXPECT_FALSE(ConvertWideText(two, "UTF-8"));
  EXPECT_FALSE(ConvertWideText(three, "UTF-8"));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 14u);
  for (const auto &line : lines) {
    EXPECT_EQ(line, "iconv failed to convert str from WCHAR_T to " +
                        std::string(line.find("EUC-KR") != std::string::npos ? "EUC-KR" : "UTF-8") +
                        ". errno " + std::to_string(EILSEQ) + "\r\n");
  }
}

}  // namespace
}  // namespace velmora::test
