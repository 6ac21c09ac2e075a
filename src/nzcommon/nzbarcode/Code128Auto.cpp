#include "nzcommon/nzbarcode/Code128Auto.h"

namespace velmora::nzcommon {
namespace {

constexpr size_t kMinDigitRunForSetC = 4;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool InSetB(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 32 && byte <= 127;
}

class Code128Writer {
 public:
  void TextInSetB(std::string_view text) {
    if (text.empty()) return;
    Switch('B');
    for (const char c : text) {
      if (c == '{') out_ += '{';  // '{' starts a printer escape; doubled it is the character
      out_ += c;
    }
  }

  // An even number of digits, two per symbol.
  void DigitPairsInSetC(std::string_view digits) {
    if (digits.empty()) return;
    Switch('C');
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
      out_ += static_cast<char>((digits[i] - '0') * 10 + (digits[i + 1] - '0'));
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  void Switch(char set) {
    if (set_ == set) return;
    out_ += '{';
    out_ += set;
    set_ = set;
  }

  std::string out_;
  char set_ = 0;
};

}  // namespace

std::optional<std::string> EncodeCode128Auto(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (!InSetB(c)) return std::nullopt;
  }
  Code128Writer writer;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = i;
    while (end < text.size() && IsDigit(text[end]) == IsDigit(text[i])) ++end;
    const std::string_view run = text.substr(i, end - i);
    if (!IsDigit(run[0]) || run.size() < kMinDigitRunForSetC) {
      writer.TextInSetB(run);
    } else if (run.size() % 2 == 0) {
      writer.DigitPairsInSetC(run);
    } else if (i == 0) {
      // The odd digit goes last, so that text after the run needs no second switch.
      writer.DigitPairsInSetC(run.substr(0, run.size() - 1));
      writer.TextInSetB(run.substr(run.size() - 1));
    } else {
      // The odd digit stays with the text before the run.
      writer.TextInSetB(run.substr(0, 1));
      writer.DigitPairsInSetC(run.substr(1));
    }
    i = end;
  }
  return writer.Take();
}

}  // namespace velmora::nzcommon
