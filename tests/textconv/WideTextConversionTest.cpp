// Wide text to the printer encodings through the C library's iconv. The bytes of each encoding
// are checked through the text commands.
#include <gtest/gtest.h>

#include <cerrno>
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

}  // namespace
}  // namespace velmora::test
