#include "velmora/convenience/TextEquality.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace velmora::detail {
namespace {

bool IsAscii(const std::string &text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Ill-formed UTF-8 is no text: it compares and splits by its bytes, never as U+FFFD, so two
// different byte strings stay different.
bool IsWellFormedUtf8(const std::string &text) {
  const auto *bytes = reinterpret_cast<const uint8_t *>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  if (static_cast<size_t>(length) != text.size()) return false;
  for (int32_t i = 0; i < length;) {
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

icu::UnicodeString Decomposed(const icu::UnicodeString &text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2 *nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status) || nfd == nullptr) return text;
  icu::UnicodeString result = nfd->normalize(text, status);
  return U_SUCCESS(status) ? result : text;
}

// Calls visit(start, end) for each user-perceived character of `unicode`, in order.
template <typename Visit>
void ForEachCharacter(const icu::UnicodeString &unicode, Visit visit) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> breaks(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || breaks == nullptr) {
    // Without break data every code point stands alone.
    for (int32_t i = 0; i < unicode.length(); i = unicode.moveIndex32(i, 1)) {
      visit(i, unicode.moveIndex32(i, 1));
    }
    return;
  }
  breaks->setText(unicode);
  int32_t start = breaks->first();
  for (int32_t end = breaks->next(); end != icu::BreakIterator::DONE;
       start = end, end = breaks->next()) {
    visit(start, end);
  }
}

// The user-perceived characters of `text`, each in decomposed form.
std::vector<icu::UnicodeString> Characters(const std::string &text) {
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  std::vector<icu::UnicodeString> characters;
  ForEachCharacter(unicode, [&](int32_t start, int32_t end) {
    characters.push_back(Decomposed(unicode.tempSubStringBetween(start, end)));
  });
  return characters;
}

}  // namespace

bool TextEqual(const std::string &a, const std::string &b) {
  if (a == b) return true;
  if ((IsAscii(a) && IsAscii(b)) || !IsWellFormedUtf8(a) || !IsWellFormedUtf8(b)) return false;
  return Decomposed(icu::UnicodeString::fromUTF8(a)) == Decomposed(icu::UnicodeString::fromUTF8(b));
}

bool TextHasPrefix(const std::string &text, const std::string &prefix) {
  if (IsAscii(text) && IsAscii(prefix)) {
    // CR LF is one character: a prefix cannot end between the two.
    const bool splits_crlf = !prefix.empty() && prefix.back() == '\r' &&
                             text.size() > prefix.size() && text[prefix.size()] == '\n';
    return text.starts_with(prefix) && !splits_crlf;
  }
  if (!IsWellFormedUtf8(text) || !IsWellFormedUtf8(prefix)) return text.starts_with(prefix);
  const auto characters = Characters(text);
  const auto wanted = Characters(prefix);
  return wanted.size() <= characters.size() &&
         std::equal(wanted.begin(), wanted.end(), characters.begin());
}

std::vector<std::string> SplitAtCharacter(const std::string &text, char separator) {
  std::vector<std::string> pieces;
  if (IsAscii(text) || !IsWellFormedUtf8(text)) {
    // In ASCII only CR LF joins two bytes into one character, so every separator stands alone;
    // ill-formed text splits by its bytes.
    std::string piece;
    for (char c : text) {
      if (c != separator) {
        piece += c;
      } else if (!piece.empty()) {
        pieces.push_back(std::move(piece));
        piece.clear();
      }
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    return pieces;
  }
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  const icu::UnicodeString wanted(static_cast<char16_t>(separator));
  icu::UnicodeString piece;
  auto flush = [&] {
    if (piece.isEmpty()) return;
    std::string utf8;
    piece.toUTF8String(utf8);
    pieces.push_back(std::move(utf8));
    piece.remove();
  };
  ForEachCharacter(unicode, [&](int32_t start, int32_t end) {
    const icu::UnicodeString character = unicode.tempSubStringBetween(start, end);
    if (Decomposed(character) == wanted) {
      flush();
    } else {
      piece += character;
    }
  });
  flush();
  return pieces;
}

}  // namespace velmora::detail
