// The shared wrapper machinery, driven with stand-in flat functions that record how they were
// called, so that "not called" and "called with exactly this" can be seen directly.
#include <gtest/gtest.h>

#include <algorithm>
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
  std::vector<long long> values;
  const void *pointer = nullptr;
};
Seen seen;
int result = 1;

int FlatHandleOnly(void *handle) {
  ++seen.calls;
  seen.handle = handle;
  return result;
}
int FlatNarrow(void *, int a, unsigned int b, unsigned short c) {
  ++seen.calls;
  seen.values = {a, b, c};
  return result;
}
std::string text_to_copy;
// Reports the size, the needed-length pointer and how many bytes were not 0 on entry.
int FlatCopyText(void *, char *buffer, unsigned int size, unsigned int *needed) {
  ++seen.calls;
  seen.pointer = needed;
  seen.values = {size, std::count_if(buffer, buffer + size, [](char c) { return c != 0; })};
  std::memcpy(buffer, text_to_copy.data(), std::min<size_t>(text_to_copy.size(), size));
  return result;
}
class WrapperSupport : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = Seen{};
    result = 1;
  }
};

constexpr Int kHandle = 0x1234;

TEST_F(WrapperSupport, HandleZeroIsNotPassedOnAndResultsKeepTheirSign) {
  EXPECT_FALSE(CallOnPort<BoolResult>(0, FlatHandleOnly));
  EXPECT_EQ(CallOnPort<CountResult>(0, FlatHandleOnly), -1);
  EXPECT_EQ(seen.calls, 0);
  // A live-looking handle reaches the flat function with its bits unchanged.
  result = -1;
  EXPECT_TRUE(CallOnPort<BoolResult>(kHandle, FlatHandleOnly));  // any non-zero result is true
  EXPECT_EQ(seen.handle, reinterpret_cast<void *>(kHandle));
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
  const struct {
    Int a, b, c;
    bool fits;
  } cases[] = {
      // One past the largest values: the refused rows of the wrapper table.
      {int_min, uint_max, 65535, true},
      {int_max, 0, 0, true},
      {int_min - 1, 0, 0, false},
      {0, -1, 0, false},
      {0, 0, -1, false},
  };
  for (const auto &c : cases) {
    seen = Seen{};
    EXPECT_EQ(CallOnPort<CountResult>(kHandle, FlatNarrow, c.a, c.b, c.c), c.fits ? 1 : -1);
    EXPECT_EQ(seen.calls, c.fits ? 1 : 0) << c.a << " " << c.b << " " << c.c;
    if (c.fits) {
      EXPECT_EQ(seen.values, (std::vector<long long>{c.a, c.b, c.c}));
    }
  }
}

TEST_F(WrapperSupport, TextGoesThroughAZeroFilled256ByteBuffer) {
  std::string text = "old";
  auto copy = [&] {
    return CallOnPort<BoolResult>(kHandle, FlatCopyText, TextOut(text), kTextBufferSize, nullptr);
  };
  text_to_copy = std::string("1.2\0tail", 8);
  EXPECT_TRUE(copy());
  EXPECT_EQ(seen.values, (std::vector<long long>{256, 0}));  // every byte was 0 on entry
  EXPECT_EQ(seen.pointer, nullptr);
  EXPECT_EQ(text, "1.2");  // up to the NUL
  result = 0;
  text_to_copy = "ignored";
  EXPECT_FALSE(copy());
  EXPECT_EQ(text, "1.2");
}

}  // namespace
}  // namespace velmora::detail
