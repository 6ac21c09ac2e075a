#include "nzcommon/textconv/WideTextConversion.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/Log.h"

namespace velmora::nzcommon {
namespace {

constexpr const char *kWideCharset = "WCHAR_T";

class Converter {
 public:
  Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Surrogates and units past U+10FFFF (negative ones included) are no characters. iconv takes
// the ones past U+10FFFF and writes bytes that no encoding has, so all are refused here alike.
bool IsScalarValue(wchar_t unit) {
  const auto value = static_cast<uint32_t>(unit);
  return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

void LogFailure(const char *charset, int error) {
  platform::logf("iconv failed to convert str from %s to %s. errno %d\r\n", kWideCharset, charset,
                 error);
}

}  // namespace

std::optional<std::string> ConvertWideText(const wchar_t *text, const char *charset) {
  if (text == nullptr || charset == nullptr) return std::nullopt;
  Converter converter(charset, kWideCharset);
  if (!converter.ok()) return std::nullopt;

  const size_t units = std::wcslen(text);
  if (!std::all_of(text, text + units, IsScalarValue)) {
    LogFailure(charset, EILSEQ);
    return std::nullopt;
  }
  const size_t source_bytes = units * sizeof(wchar_t);
  // Four bytes per character hold every scalar value in every target encoding.
  std::string out((units + 1) * 4, '\0');
  char *in = const_cast<char *>(reinterpret_cast<const char *>(text));
  size_t in_left = source_bytes;
  char *out_next = out.data();
  size_t out_left = out.size();

  if (iconv(converter.get(), &in, &in_left, &out_next, &out_left) == static_cast<size_t>(-1)) {
    LogFailure(charset, errno);
    return std::nullopt;
  }
  // Ends a stateful encoding's shift sequence, if it has one.
  if (iconv(converter.get(), nullptr, nullptr, &out_next, &out_left) == static_cast<size_t>(-1) ||
      in_left != 0) {
    platform::logf("iconv incomplete convert str from %s to %s. srcbyteslen:%d inbytesleft: %d",
                   kWideCharset, charset, static_cast<int>(source_bytes),
                   static_cast<int>(in_left));
    return std::nullopt;
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace velmora::nzcommon

extern "C" char *iconv_wcstombs(const wchar_t *text, const char *charset) {
  try {
    const auto converted = velmora::nzcommon::ConvertWideText(text, charset);
    if (!converted) return nullptr;
    auto *copy = static_cast<char *>(std::malloc(converted->size() + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, converted->data(), converted->size());
    copy[converted->size()] = '\0';
    return copy;
  } catch (...) {
    return nullptr;
  }
}
