#include "nzcommon/textconv/WideTextConversion.h"

#include <iconv.h>

#include <cerrno>
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

}  // namespace

std::optional<std::string> ConvertWideText(const wchar_t *text, const char *charset) {
  if (text == nullptr || charset == nullptr) return std::nullopt;
  Converter converter(charset, kWideCharset);
  if (!converter.ok()) return std::nullopt;

  const size_t units = std::wcslen(text);
  const size_t source_bytes = units * sizeof(wchar_t);
  // Four bytes per character hold every scalar value in every target encoding.
  std::string out((units + 1) * 4, '\0');
  char *in = const_cast<char *>(reinterpret_cast<const char *>(text));
  size_t in_left = source_bytes;
  char *out_next = out.data();
  size_t out_left = out.size();

  if (iconv(converter.get(), &in, &in_left, &out_next, &out_left) == static_cast<size_t>(-1)) {
    platform::logf("iconv failed to convert str from %s to %s. errno %d\r\n", kWideCharset, charset,
                   errno);
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
