// Shared machinery of the module's wrapper functions. A wrapper names its flat function, the
// kind of its result and its arguments; these helpers do the rest in one place:
//
//   - the handle test: a handle of 0 gives the failure value without calling anything;
//   - integer narrowing: an `Int` is checked against the flat parameter's type (int, unsigned
//     int, unsigned short, ...), which is read from the flat function's own signature; a value
//     that does not fit gives the failure value and the flat function is not called;
//   - strings: `const std::string &` goes to a `const char *` parameter as its UTF-8 bytes with a
//     NUL (an embedded NUL cuts it); `std::wstring` goes to `const wchar_t *` the same way;
//   - byte arrays: `Bytes(buffer, count)` or `Bytes(buffer, offset, count)` for a
//     `const unsigned char *`, `BytesInOut(buffer, count)` for an `unsigned char *` that the flat
//     function fills; a negative offset or count, or one that reaches past the array, is refused
//     like a narrowing failure, so no flat function sees memory outside the caller's array;
//   - integer arrays: `Int32s(values, count)` copies the first `count` elements to `int`s;
//   - out-parameters: `Out(x)` passes a zero-initialised cell of the flat pointer's type and
//     copies it into `x` only when the call succeeded (the result is not the failure value);
//   - text through a caller buffer: `TextOut(s)` passes a zero-filled buffer of
//     `kTextBufferSize` (256) bytes and, on success, decodes it up to its first NUL as UTF-8,
//     ill-formed sequences becoming U+FFFD;
//   - the result: a policy turns the flat result into the wrapper's result.
//
// Result policies and their failure values:
//   BoolResult        bool, false; true when the flat result is not 0 (negative values too)
//   CountResult       Int, -1; the flat count with its sign (byte counts, levels)
//   StatusWordResult  Int, 0; the flat value with its sign
//   HandleResult      Int, 0; the bit pattern of the returned handle
//   TextResult        std::string, ""; the returned `const char *` decoded as UTF-8
//   NoResult          void
//
// Writing a wrapper (inside namespace velmora, in a file under src/velmora/module/):
//
//   bool VP_Pos_FeedLine(Int handle, Int numLines) {
//     return detail::CallOnPort<detail::BoolResult>(handle, ::VP_Pos_FeedLine, numLines);
//   }
//   Int VP_Port_Write(Int handle, const std::vector<std::uint8_t> &buffer, Int offset, Int count,
//                     Int timeout) {
//     return detail::CallOnPort<detail::CountResult>(
//         handle, ::VP_Port_Write, detail::Bytes(buffer, offset, count), count, timeout);
//   }
//   bool VP_Printer_GetPrinterReceivedInfo(Int handle, Int &printer_received_byte_count,
//                                          std::int64_t &timestamp_ms) {
//     return detail::CallOnPort<detail::BoolResult>(handle, ::VP_Printer_GetPrinterReceivedInfo,
//                                                   detail::Out(printer_received_byte_count),
//                                                   detail::Out(timestamp_ms));
//   }
//   std::string VP_Printer_GetPrinterFirmwareVersion(Int handle) {
//     std::string version;
//     detail::CallOnPort<detail::BoolResult>(handle, ::VP_Printer_GetPrinterFirmwareVersion,
//                                            detail::TextOut(version), detail::kTextBufferSize,
//                                            nullptr);
//     return version;
//   }
//   Int VP_Port_OpenMemoryBuffer(Int buffer_size) {  // no handle: Call instead of CallOnPort
//     return detail::Call<detail::HandleResult>(::VP_Port_OpenMemoryBuffer, buffer_size);
//   }
//
// With a count result, out-parameters and text are taken when the result is not -1, so an answer
// of length 0 gives "" (a serial-number style query: CountResult plus TextOut, then -1 -> none).
//
// Declare each wrapper with VP_API in its family's public header,
// include/velmora/module/<family>.hpp, and add that header to velmora.hpp with one line.
// Pass exactly one argument per flat parameter after the handle, in the flat order. Enumeration
// values, doubles, `std::uint8_t` bytes and other arguments whose type equals the parameter's
// pass unchanged; `nullptr` fills a pointer parameter the wrapper does not use. A pairing the
// helpers do not know fails to compile; add a converter below rather than converting by hand.
// The call is made exactly once, on the caller's thread; nothing here throws, locks or logs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "velmora/module/Utf8.h"
#include "velmora/module/types.hpp"

namespace velmora::detail {

// Size of the text buffer that TextOut passes; hand it to the flat size parameter.
inline constexpr Int kTextBufferSize = 256;

inline void *PortPointer(Int handle) {
  return reinterpret_cast<void *>(handle);
}
inline Int HandleBits(const void *pointer) {
  return reinterpret_cast<Int>(pointer);
}

// ---- Result policies -----------------------------------------------------------------------

struct BoolResult {
  using Value = bool;
  static bool Failure() { return false; }
  template <typename R>
  static bool Succeeded(R raw) {
    return raw != 0;
  }
  template <typename R>
  static bool Convert(R raw) {
    return raw != 0;
  }
};

template <Int kFailure>
struct IntResult {
  using Value = Int;
  static Int Failure() { return kFailure; }
  template <typename R>
  static bool Succeeded(R raw) {
    return static_cast<Int>(raw) != kFailure;
  }
  template <typename R>
  static Int Convert(R raw) {
    static_assert(std::is_integral_v<R> && sizeof(R) <= sizeof(Int), "result must fit an Int");
    return static_cast<Int>(raw);
  }
};
using CountResult = IntResult<-1>;
using StatusWordResult = IntResult<0>;

struct HandleResult {
  using Value = Int;
  static Int Failure() { return 0; }
  static bool Succeeded(const void *raw) { return raw != nullptr; }
  static Int Convert(const void *raw) { return HandleBits(raw); }
};

struct TextResult {
  using Value = std::string;
  static std::string Failure() { return {}; }
  static bool Succeeded(const char *raw) { return raw != nullptr; }
  static std::string Convert(const char *raw) { return DecodeUtf8(raw); }
};

struct NoResult {
  using Value = void;
  static void Failure() {}
};

// ---- Argument markers (what a wrapper writes) ----------------------------------------------

struct ByteSpan {
  const std::vector<std::uint8_t> &buffer;
  Int offset;
  Int count;
};
struct MutableByteSpan {
  std::vector<std::uint8_t> &buffer;
  Int count;
};
struct Int32Values {
  const std::vector<Int> &values;
  Int count;
};
template <typename T>
struct OutRef {
  T &target;
};
struct TextOutRef {
  std::string &target;
};

// The bytes buffer[offset ..< offset + count] for a `const unsigned char *` parameter.
inline ByteSpan Bytes(const std::vector<std::uint8_t> &buffer, Int offset, Int count) {
  return ByteSpan{buffer, offset, count};
}
inline ByteSpan Bytes(const std::vector<std::uint8_t> &buffer, Int count) {
  return ByteSpan{buffer, 0, count};
}
// The caller's array, filled in place from index 0; `count` bytes must fit in it.
inline MutableByteSpan BytesInOut(std::vector<std::uint8_t> &buffer, Int count) {
  return MutableByteSpan{buffer, count};
}
// The first `count` values, each narrowed to a 32-bit `int`, in a temporary array.
inline Int32Values Int32s(const std::vector<Int> &values, Int count) {
  return Int32Values{values, count};
}
template <typename T>
OutRef<T> Out(T &target) {
  return OutRef<T>{target};
}
inline TextOutRef TextOut(std::string &target) {
  return TextOutRef{target};
}

// True when [offset, offset + count) lies inside an array of `size` elements.
inline bool SpanFits(Int offset, Int count, std::size_t size) {
  return offset >= 0 && count >= 0 && static_cast<std::size_t>(offset) <= size &&
         static_cast<std::size_t>(count) <= size - static_cast<std::size_t>(offset);
}

// ---- Converters: one argument to one flat parameter ----------------------------------------
// Each has ok() (false: refuse the call), get() (the flat argument) and Commit(succeeded).

template <typename P, typename A>
struct Arg;  // no converter for this pairing

template <typename P, typename A>
requires std::is_same_v<P, A>
struct Arg<P, A> {
  explicit Arg(P value) : value_(value) {}
  bool ok() const { return true; }
  P get() const { return value_; }
  void Commit(bool) {}
  P value_;
};

template <typename P, typename A>
requires(std::is_integral_v<P> &&std::is_integral_v<A> && !std::is_same_v<P, A> &&
         !std::is_same_v<P, bool> && !std::is_same_v<A, bool>) struct Arg<P, A> {
  explicit Arg(A value) : ok_(std::in_range<P>(value)), value_(static_cast<P>(value)) {}
  bool ok() const { return ok_; }
  P get() const { return value_; }
  void Commit(bool) {}
  bool ok_;
  P value_;
};

template <>
struct Arg<const char *, std::string> {
  explicit Arg(const std::string &text) : text_(text) {}
  bool ok() const { return true; }
  const char *get() const { return text_.c_str(); }
  void Commit(bool) {}
  const std::string &text_;
};

template <>
struct Arg<const wchar_t *, std::wstring> {
  explicit Arg(const std::wstring &text) : text_(text) {}
  bool ok() const { return true; }
  const wchar_t *get() const { return text_.c_str(); }
  void Commit(bool) {}
  const std::wstring &text_;
};

template <typename P>
requires std::is_pointer_v<P>
struct Arg<P, std::nullptr_t> {
  explicit Arg(std::nullptr_t) {}
  bool ok() const { return true; }
  P get() const { return nullptr; }
  void Commit(bool) {}
};

template <>
struct Arg<const unsigned char *, ByteSpan> {
  explicit Arg(ByteSpan span)
      : ok_(SpanFits(span.offset, span.count, span.buffer.size())),
        data_(ok_ && !span.buffer.empty() ? span.buffer.data() + span.offset : nullptr) {}
  bool ok() const { return ok_; }
  // Never null, also for an empty array.
  const unsigned char *get() const { return data_ != nullptr ? data_ : &spare_; }
  void Commit(bool) {}
  bool ok_;
  const unsigned char *data_;
  unsigned char spare_ = 0;
};

template <>
struct Arg<unsigned char *, MutableByteSpan> {
  explicit Arg(MutableByteSpan span)
      : ok_(SpanFits(0, span.count, span.buffer.size())),
        data_(ok_ && !span.buffer.empty() ? span.buffer.data() : nullptr) {}
  bool ok() const { return ok_; }
  unsigned char *get() { return data_ != nullptr ? data_ : &spare_; }
  void Commit(bool) {}
  bool ok_;
  unsigned char *data_;
  unsigned char spare_ = 0;
};

template <typename P>
requires(std::is_same_v<P, int *> || std::is_same_v<P, const int *>) struct Arg<P, Int32Values> {
  explicit Arg(Int32Values in) : ok_(SpanFits(0, in.count, in.values.size())) {
    if (!ok_) return;
    copy_.reserve(static_cast<std::size_t>(in.count) + 1);
    for (std::size_t i = 0; i < static_cast<std::size_t>(in.count); ++i) {
      if (!std::in_range<int>(in.values[i])) {
        ok_ = false;
        return;
      }
      copy_.push_back(static_cast<int>(in.values[i]));
    }
  }
  bool ok() const { return ok_; }
  P get() { return copy_.empty() ? &spare_ : copy_.data(); }
  void Commit(bool) {}
  bool ok_;
  std::vector<int> copy_;
  int spare_ = 0;
};

template <typename Cell, typename T>
constexpr bool kCellFitsTarget = [] {
  if constexpr (std::is_integral_v<Cell> && std::is_integral_v<T>) {
    return std::in_range<T>(std::numeric_limits<Cell>::min()) &&
           std::in_range<T>(std::numeric_limits<Cell>::max());
  } else {
    return std::is_same_v<Cell, T>;
  }
}();

template <typename Cell, typename T>
requires(!std::is_const_v<Cell>) struct Arg<Cell *, OutRef<T>> {
  static_assert(kCellFitsTarget<Cell, T>, "out-parameter cell does not fit its target");
  explicit Arg(OutRef<T> out) : target_(out.target) {}
  bool ok() const { return true; }
  Cell *get() { return &cell_; }
  void Commit(bool succeeded) {
    if (succeeded) target_ = static_cast<T>(cell_);
  }
  T &target_;
  Cell cell_{};
};

template <>
struct Arg<char *, TextOutRef> {
  explicit Arg(TextOutRef out) : target_(out.target) {}
  bool ok() const { return true; }
  char *get() { return buffer_.data(); }
  void Commit(bool succeeded) {
    if (!succeeded) return;
    // A text that fills the whole buffer has no NUL: it ends with the buffer.
    const void *nul = std::memchr(buffer_.data(), 0, buffer_.size());
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char *>(nul) - buffer_.data())
                       : buffer_.size();
    target_ = DecodeUtf8(buffer_.data(), length);
  }
  std::string &target_;
  std::array<char, kTextBufferSize> buffer_{};
};

// ---- The call ------------------------------------------------------------------------------

// Converts every argument, calls `flat` once when all of them fit, copies out-parameters on
// success, and returns the result by `Policy`; the failure value when an argument was refused.
template <typename Policy, typename R, typename... P, typename... A>
typename Policy::Value Call(R (*flat)(P...), A &&...args) {
  static_assert(sizeof...(P) == sizeof...(A), "pass one argument per flat parameter");
  std::tuple<Arg<P, std::remove_cvref_t<A>>...> converted(std::forward<A>(args)...);
  const bool all_fit = std::apply([](const auto &...arg) { return (arg.ok() && ...); }, converted);
  if (!all_fit) return Policy::Failure();
  if constexpr (std::is_void_v<R>) {
    std::apply([&](auto &...arg) { flat(arg.get()...); }, converted);
    std::apply([](auto &...arg) { (arg.Commit(true), ...); }, converted);
    if constexpr (!std::is_void_v<typename Policy::Value>) return Policy::Failure();
  } else {
    const R raw = std::apply([&](auto &...arg) { return flat(arg.get()...); }, converted);
    const bool succeeded = Policy::Succeeded(raw);
    std::apply([&](auto &...arg) { (arg.Commit(succeeded), ...); }, converted);
    return Policy::Convert(raw);
  }
}

// The same for a flat function whose first parameter is the port handle: a handle of 0 gives the
// failure value at once, before any other argument is looked at.
template <typename Policy, typename R, typename... P, typename... A>
typename Policy::Value CallOnPort(Int handle, R (*flat)(void *, P...), A &&...args) {
  if (handle == 0) return Policy::Failure();
  return Call<Policy>(flat, PortPointer(handle), std::forward<A>(args)...);
}

}  // namespace velmora::detail
