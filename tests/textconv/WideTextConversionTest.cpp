// Wide text to the printer encodings through the C library's iconv.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "nzcommon/textconv/WideTextConversion.h"
#include "support/MemoryPort.h"
#include "velmora/log.hpp"

namespace velmora::test {
namespace {

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

  // iconv_wcstombs as hex, or "null".
  static std::string Convert(const wchar_t *text, const char *charset) {
    char *converted = iconv_wcstombs(text, charset);
    if (converted == nullptr) return "null";
    std::string hex = ToHex(std::string(converted));
    std::free(converted);
    return hex;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(WideTextConversion, KnownBytesInEachEncoding) {
  EXPECT_EQ(Convert(L"中文", "UTF-8"), "E4 B8 AD E6 96 87");
  EXPECT_EQ(Convert(L"中文", "GBK"), "D6 D0 CE C4");
  EXPECT_EQ(Convert(L"中文", "BIG5"), "A4 A4 A4 E5");
  EXPECT_EQ(Convert(L"中文", "SHIFT-JIS"), "92 86 95 B6");
  EXPECT_EQ(Convert(L"中文", "EUC-KR"), "F1 E9 D9 FE");
  EXPECT_EQ(Convert(L"Aｱ", "SHIFT-JIS"), "41 B1");
  EXPECT_EQ(Convert(L"€", "BIG5"), "A3 E1");
  EXPECT_EQ(Convert(L"", "GBK"), "");
  EXPECT_TRUE(Lines().empty());
}

TEST_F(WideTextConversion, FourBytesPerCharacterAlwaysSuffice) {
  const std::wstring emoji(1000, L'\U0001F600');
  const auto converted = nzcommon::ConvertWideText(emoji.c_str(), "UTF-8");
  ASSERT_TRUE(converted.has_value());
  EXPECT_EQ(converted->size(), 4000u);
}

TEST_F(WideTextConversion, UnconvertibleTextIsReported) {
  EXPECT_EQ(Convert(L"a\U0001F600", "GBK"), "null");
  EXPECT_EQ(Convert(L"\xDC00", "UTF-8"), "null");
  const std::string expected =
      "iconv failed to convert str from WCHAR_T to GBK. errno " + std::to_string(EILSEQ) + "\r\n";
  ASSERT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Lines()[0], expected);
  // A sink that throws loses its line, nothing else.
  platform::setLogSink([](const std::string &) { throw 1; });
  EXPECT_NO_THROW(platform::logLine("lost"));
  EXPECT_EQ(Convert(L"a", "GBK"), "61");
}

TEST_F(WideTextConversion, UnknownCharsetAndNullText) {
  EXPECT_EQ(Convert(L"a", "NO-SUCH-CHARSET"), "null");
  EXPECT_EQ(Convert(nullptr, "GBK"), "null");
  EXPECT_EQ(Convert(L"a", nullptr), "null");
  EXPECT_TRUE(Lines().empty());
}

}  // namespace
}  // namespace velmora::test
