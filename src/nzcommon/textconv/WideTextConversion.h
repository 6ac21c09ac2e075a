#pragma once

#include <cwchar>
#include <optional>
#include <string>

#include "velmora/vp_pos.h"  // iconv_wcstombs

namespace velmora::nzcommon {

// The converter names of the printer encodings.
inline constexpr const char *kCharsetUtf8 = "UTF-8";
inline constexpr const char *kCharsetGbk = "GBK";
inline constexpr const char *kCharsetBig5 = "BIG5";
inline constexpr const char *kCharsetShiftJis = "SHIFT-JIS";
inline constexpr const char *kCharsetEucKr = "EUC-KR";

// The same conversion as iconv_wcstombs, keeping the converted length; nothing on failure.
std::optional<std::string> ConvertWideText(const wchar_t *text, const char *charset);

}  // namespace velmora::nzcommon
