// The shared wrapper machinery, driven with stand-in flat functions that record how they were
// called, so that "not called" and "called with exactly this" can be seen directly.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "velmora/module/WrapperSupport.h"

namespace velmora::detail {
namespace {

struct Seen {
  int calls = 0;
  void *handle = nullptr;
  long long a = 0;
  unsigned long long b = 0;
  std::vector<unsigned char> bytes;
  const void *pointer = nullptr;
  std::string text;
};
Seen seen;
int result = 1;

int FlatHandleOnly(void *handle) {
  ++seen.calls;
  seen.handle = handle;
  return result;
}
const char *FlatText(void *handle) {
  ++seen.calls;
  seen.handle = handle;
  return "t\xC3\xA9xt";
}
void FlatVoid(void *handle) {
  ++seen.calls;
  seen.handle = handle;
}
void *FlatOpen(const char *name, unsigned short port, unsigned int timeout, int mode) {
  ++seen.calls;
  seen.pointer = name;
  seen.text = name;
  seen.a = mode;
  seen.b = port + static_cast<unsigned long long>(timeout);
  return result != 0 ? &seen : nullptr;
}
int FlatNarrow(void *, int a, unsigned int b) {
  ++seen.calls;
  seen.a = a;
  seen.b = b;
  return result;
}
int FlatWrite(void *, const unsigned char *buffer, unsigned int count) {
  ++seen.calls;
  seen.pointer = buffer;
  seen.bytes.assign(buffer, buffer + count);
  return static_cast<int>(count);
}
int FlatFill(void *, unsigned char *buffer, unsigned int count) {
  ++seen.calls;
  seen.pointer = buffer;
  for (unsigned int i = 0; i < count; ++i) buffer[i] = static_cast<unsigned char>(0xA0 + i);
  return static_cast<int>(count);
}
// Reports what the cells held on entry, then stores new values.
int FlatOut(void *, unsigned int *count, int64_t *stamp, double *mm) {
  ++seen.calls;
  seen.a = static_cast<long long>(*count) + *stamp + static_cast<long long>(*mm);
  *count = 4294967295u;
  *stamp = -5;
  *mm = 2.5;
  return result;
}
std::string text_to_copy;
int FlatCopyText(void *, char *buffer, unsigned int size, unsigned int *needed) {
  ++seen.calls;
  seen.b = size;
  seen.pointer = needed;
  seen.a = 0;
  for (unsigned int i = 0; i < size; ++i) seen.a += buffer[i] != 0;  // non-zero bytes on entry
  std::memcpy(buffer, text_to_copy.data(), std::min<size_t>(text_to_copy.size(), size));
  return result;
}
int FlatInts(void *, int count, int *starts) {
  ++seen.calls;
  seen.bytes.clear();
  for (int i = 0; i < count; ++i) seen.a += starts[i];
  seen.pointer = starts;
  return 1;
}
enum Colour : unsigned int { kRed = 1, kGreen = 2 };
int FlatEnum(void *, Colour colour, double scale, unsigned char byte) {
  ++seen.calls;
  seen.b = colour;
  seen.a = static_cast<long long>(scale * 10) + byte;
  return 1;
}
int FlatString(void *, const char *text) {
  ++seen.calls;
  seen.pointer = text;
  seen.text = text;
  return 1;
}

class WrapperSupport : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = Seen{};
    result = 1;
  }
};

constexpr Int kHandle = 0x1234;

TEST_F(WrapperSupport, HandleZeroGivesTheFailureValueOfEachKindWithoutACall) {
  EXPECT_FALSE(CallOnPort<BoolResult>(0, FlatHandleOnly));
  EXPECT_EQ(CallOnPort<CountResult>(0, FlatHandleOnly), -1);
  EXPECT_EQ(CallOnPort<StatusWordResult>(0, FlatHandleOnly), 0);
  EXPECT_EQ(CallOnPort<TextResult>(0, FlatText), "");
  CallOnPort<NoResult>(0, FlatVoid);
  std::string text = "kept";
  EXPECT_FALSE(CallOnPort<BoolResult>(0, FlatCopyText, TextOut(text), kTextBufferSize, nullptr));
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(seen.calls, 0);

  // A live-looking handle reaches the flat function with its bits unchanged.
  result = 7;
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatHandleOnly), 7);
  EXPECT_EQ(seen.handle, reinterpret_cast<void *>(kHandle));
  EXPECT_EQ(CallOnPort<TextResult>(kHandle, FlatText), "t\xC3\xA9xt");
  CallOnPort<NoResult>(kHandle, FlatVoid);
  EXPECT_EQ(seen.calls, 3);
}

TEST_F(WrapperSupport, ResultsKeepTheirSignAndBoolIsAnyNonZero) {
  result = -1;
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatHandleOnly));
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatHandleOnly), -1);
  result = INT_MIN;
  EXPECT_EQ(CallOnPort<StatusWordResult>(kHandle, FlatHandleOnly), Int{INT_MIN});
  result = 0;
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatHandleOnly));
}

TEST_F(WrapperSupport, IntegersThatDoNotFitAreRefusedWithoutACall) {
  const Int int_max = std::numeric_limits<int32_t>::max();
  const Int int_min = std::numeric_limits<int32_t>::min();
  const Int uint_max = std::numeric_limits<uint32_t>::max();

  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatNarrow, int_min, uint_max));
  EXPECT_EQ(seen.a, int_min);
  EXPECT_EQ(seen.b, uint_max);
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatNarrow, int_max, Int{0}));
  EXPECT_EQ(seen.calls, 2);

  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatNarrow, int_max + 1, Int{0}));
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatNarrow, int_min - 1, Int{0}));
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatNarrow, Int{0}, Int{-1}));
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatNarrow, Int{0}, uint_max + 1));
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatNarrow, Int{0}, Int{-1}), -1);
  EXPECT_EQ(Call<HandleResult>(FlatOpen, std::string("p"), Int{65536}, Int{1}, Int{0}), 0);
  EXPECT_EQ(Call<HandleResult>(FlatOpen, std::string("p"), Int{-1}, Int{1}, Int{0}), 0);
  EXPECT_EQ(seen.calls, 2);
  EXPECT_NE(Call<HandleResult>(FlatOpen, std::string("p"), Int{65535}, Int{1}, Int{0}), 0);
}

TEST_F(WrapperSupport, ByteRangesMustLieInsideTheCallersArray) {
  const std::vector<uint8_t> six{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatWrite, Bytes(six, 2, 3), Int{3}), 3);
  EXPECT_EQ(seen.bytes, (std::vector<unsigned char>{3, 4, 5}));
  EXPECT_EQ(seen.pointer, six.data() + 2);  // lent, not copied
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatWrite, Bytes(six, 6, 0), Int{0}), 0);
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatWrite, Bytes(six, 6), Int{6}), 6);
  EXPECT_EQ(seen.calls, 3);

  const Int big = std::numeric_limits<Int>::max();
  for (const ByteSpan &bad : {Bytes(six, 7), Bytes(six, 4, 3), Bytes(six, -1, 2), Bytes(six, 7, 0),
                              Bytes(six, -1), Bytes(six, big, 2), Bytes(six, 2, big)}) {
    EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatWrite, bad, Int{0}), -1)
        << bad.offset << "+" << bad.count;
  }
  EXPECT_EQ(seen.calls, 3);

  // An empty array still gives the flat function a pointer.
  const std::vector<uint8_t> none;
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatWrite, Bytes(none, 0), Int{0}), 0);
  EXPECT_NE(seen.pointer, nullptr);
}

TEST_F(WrapperSupport, InOutBytesAreFilledInPlaceAndKeepTheirSize) {
  std::vector<uint8_t> buffer{9, 9, 9, 9};
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatFill, BytesInOut(buffer, 2), Int{2}), 2);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0xA0, 0xA1, 9, 9}));
  EXPECT_EQ(seen.pointer, buffer.data());
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatFill, BytesInOut(buffer, 5), Int{5}), -1);
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatFill, BytesInOut(buffer, -1), Int{0}), -1);
  EXPECT_EQ(buffer.size(), 4u);
  EXPECT_EQ(seen.calls, 1);
}

TEST_F(WrapperSupport, OutCellsStartAtZeroAndAreCopiedOnlyOnSuccess) {
  Int count = -7;
  int64_t stamp = -1;
  double mm = 9.0;
  result = 0;
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatOut, Out(count), Out(stamp), Out(mm)));
  EXPECT_EQ(seen.a, 0);  // the cells, not the caller's values, went in
  EXPECT_EQ(count, -7);
  EXPECT_EQ(stamp, -1);
  EXPECT_EQ(mm, 9.0);

  result = -3;  // any non-zero result is success
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatOut, Out(count), Out(stamp), Out(mm)));
  EXPECT_EQ(count, Int{4294967295});  // unsigned cell widened without sign
  EXPECT_EQ(stamp, -5);
  EXPECT_EQ(mm, 2.5);

  count = 1;
  EXPECT_FALSE(CallOnPort<BoolResult>(0, FlatOut, Out(count), Out(stamp), Out(mm)));
  EXPECT_EQ(count, 1);
}

TEST_F(WrapperSupport, TextGoesThroughAZeroFilled256ByteBuffer) {
  std::string text = "old";
  text_to_copy = std::string("1.2\xFF\xC3(ok", 8) + '\0' + "tail";
  EXPECT_TRUE(
      CallOnPort<BoolResult>(kHandle, FlatCopyText, TextOut(text), kTextBufferSize, nullptr));
  EXPECT_EQ(seen.b, 256u);
  EXPECT_EQ(seen.a, 0);  // every byte was 0 on entry
  EXPECT_EQ(seen.pointer, nullptr);
  EXPECT_EQ(text, "1.2\xEF\xBF\xBD\xEF\xBF\xBD(ok");  // up to the NUL, repaired

  text_to_copy = std::string(256, 'x');  // no NUL at all: bounded by the buffer
  EXPECT_TRUE(
      CallOnPort<BoolResult>(kHandle, FlatCopyText, TextOut(text), kTextBufferSize, nullptr));
  EXPECT_EQ(text, std::string(256, 'x'));

  result = 0;
  text_to_copy = "ignored";
  EXPECT_FALSE(
      CallOnPort<BoolResult>(kHandle, FlatCopyText, TextOut(text), kTextBufferSize, nullptr));
  EXPECT_EQ(text, std::string(256, 'x'));

  // With a count result, success is "not -1": an empty answer is an empty text.
  result = 0;
  text_to_copy = "";
  EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatCopyText, TextOut(text), kTextBufferSize, nullptr),
            0);
  EXPECT_EQ(text, "");
}

TEST_F(WrapperSupport, IntegerArraysAreCopiedElementByElement) {
  const std::vector<Int> values{1, 2, 3, Int{1} << 40};
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatInts, Int{3}, Int32s(values, 3)));
  EXPECT_EQ(seen.a, 6);
  EXPECT_NE(seen.pointer, static_cast<const void *>(values.data()));
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatInts, Int{4}, Int32s(values, 4)));
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatInts, Int{5}, Int32s(values, 5)));
  EXPECT_FALSE(CallOnPort<BoolResult>(kHandle, FlatInts, Int{-1}, Int32s(values, -1)));
  EXPECT_EQ(seen.calls, 1);
}

TEST_F(WrapperSupport, EnumerationsDoublesAndBytesPassUnchanged) {
  EXPECT_TRUE(
      CallOnPort<BoolResult>(kHandle, FlatEnum, static_cast<Colour>(77), 1.5, std::uint8_t{0xFF}));
  EXPECT_EQ(seen.b, 77u);  // outside the declared enumerators, still passed on
  EXPECT_EQ(seen.a, 15 + 255);
}

TEST_F(WrapperSupport, StringsArriveNulTerminatedAndNeverNull) {
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatString, std::string()));
  ASSERT_NE(seen.pointer, nullptr);
  EXPECT_EQ(seen.text, "");
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatString, std::string("ab\0cd", 5)));
  EXPECT_EQ(seen.text, "ab");
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatString, std::string("\xE2\x82\xAC")));
  EXPECT_EQ(seen.text, "\xE2\x82\xAC");
}

}  // namespace
}  // namespace velmora::detail
