#include <gtest/gtest.h>

#include <cstdint>

#include "velmora/velmora.hpp"

namespace {

using velmora::Int;

constexpr int64_t kBit63 = INT64_MIN;

TEST(StatusBits, ErrorWordEachFunctionTestsItsOwnBit) {
  using Fn = bool (*)(int64_t);
  const Fn functions[] = {
      velmora::VP_PRINTERSTATUS_ERROR_CUTTER,   velmora::VP_PRINTERSTATUS_ERROR_FLASH,
      velmora::VP_PRINTERSTATUS_ERROR_NOPAPER,  velmora::VP_PRINTERSTATUS_ERROR_VOLTAGE,
      velmora::VP_PRINTERSTATUS_ERROR_MARKER,   velmora::VP_PRINTERSTATUS_ERROR_ENGINE,
      velmora::VP_PRINTERSTATUS_ERROR_OVERHEAT, velmora::VP_PRINTERSTATUS_ERROR_COVERUP,
      velmora::VP_PRINTERSTATUS_ERROR_MOTOR};
  for (int i = 0; i < 9; ++i) {
    for (int bit = 0; bit < 64; ++bit) {
      const int64_t word = static_cast<int64_t>(uint64_t{1} << bit);
      EXPECT_EQ(functions[i](word), bit == i) << "function " << i << " bit " << bit;
    }
    EXPECT_FALSE(functions[i](0));
  }
  EXPECT_TRUE(velmora::VP_PRINTERSTATUS_ERROR_MOTOR(0x100));
  EXPECT_FALSE(velmora::VP_PRINTERSTATUS_ERROR_COVERUP(0x100));
  EXPECT_TRUE(velmora::VP_PRINTERSTATUS_ERROR_CUTTER(kBit63 | 0x1));
  EXPECT_FALSE(velmora::VP_PRINTERSTATUS_ERROR_CUTTER(kBit63));
}

TEST(StatusBits, InfoWordStartsAtBitOne) {
  using Fn = bool (*)(int64_t);
  const Fn functions[] = {
      velmora::VP_PRINTERSTATUS_INFO_LABELPAPER,   velmora::VP_PRINTERSTATUS_INFO_LABELMODE,
      velmora::VP_PRINTERSTATUS_INFO_HAVEDATA,     velmora::VP_PRINTERSTATUS_INFO_NOPAPERCANCELED,
      velmora::VP_PRINTERSTATUS_INFO_PAPERNOFETCH, velmora::VP_PRINTERSTATUS_INFO_PRINTIDLE,
      velmora::VP_PRINTERSTATUS_INFO_RECVIDLE};
  for (int i = 0; i < 7; ++i) {
    for (int bit = 0; bit < 64; ++bit) {
      const int64_t word = static_cast<int64_t>(uint64_t{1} << bit);
      EXPECT_EQ(functions[i](word), bit == i + 1) << "function " << i << " bit " << bit;
    }
  }
  EXPECT_FALSE(velmora::VP_PRINTERSTATUS_INFO_LABELPAPER(0x1));
  EXPECT_TRUE(velmora::VP_PRINTERSTATUS_INFO_RECVIDLE(kBit63 | 0x80));
}

TEST(StatusBits, RealTimeStatusBytesLowestFirst) {
  struct Case {
    bool (*fn)(Int);
    Int bit;
  };
  const Case cases[] = {
      {velmora::VP_RTSTATUS_OFFLINE, 0x08},
      {velmora::VP_RTSTATUS_COVERUP, 0x04 << 8},
      {velmora::VP_RTSTATUS_FEED_PRESSED, 0x08 << 8},
      {velmora::VP_RTSTATUS_NOPAPER, 0x20 << 8},
      {velmora::VP_RTSTATUS_ERROR_OCCURED, 0x40 << 8},
      {velmora::VP_RTSTATUS_CUTTER_ERROR, 0x08 << 16},
      {velmora::VP_RTSTATUS_UNRECOVERABLE_ERROR, 0x20 << 16},
      {velmora::VP_RTSTATUS_DEGREE_OR_VOLTAGE_OVERRANGE, 0x40 << 16},
      {velmora::VP_RTSTATUS_PAPER_NEAREND, Int{0x08} << 24},
      {velmora::VP_RTSTATUS_PAPER_TAKEOUT, Int{0x04} << 24},
  };
  for (const Case &c : cases) {
    for (int bit = 0; bit < 32; ++bit) {
      const Int status = Int{1} << bit;
      EXPECT_EQ(c.fn(status), status == c.bit) << "bit " << bit << " for mask " << c.bit;
    }
    // The sign of the packed value changes nothing; a query answer with byte 4's top bit set
    // arrives negative.
    EXPECT_TRUE(c.fn(c.bit | static_cast<Int>(INT32_MIN)));
    EXPECT_TRUE(c.fn(c.bit | (Int{-1} << 32)));
    EXPECT_FALSE(c.fn(Int{-1} << 32));
  }
  EXPECT_FALSE(velmora::VP_RTSTATUS_COVERUP(0x04));
  EXPECT_TRUE(velmora::VP_RTSTATUS_COVERUP(0x0400));
}

TEST(StatusBits, DrawerOpenedWhileItsBitIsClear) {
  EXPECT_TRUE(velmora::VP_RTSTATUS_DRAWER_OPENED(0));  // also what a failed query reads as
  EXPECT_FALSE(velmora::VP_RTSTATUS_DRAWER_OPENED(0x04));
  EXPECT_TRUE(velmora::VP_RTSTATUS_DRAWER_OPENED(0x04 << 8));
  EXPECT_FALSE(velmora::VP_RTSTATUS_DRAWER_OPENED(-1));
  EXPECT_TRUE(velmora::VP_RTSTATUS_DRAWER_OPENED(~Int{0x04}));
  static_assert(velmora::VP_RTSTATUS_DRAWER_OPENED(0));  // usable in constant expressions
}

}  // namespace
