// Each status question against its documented bit: that bit alone gives the answer, every other
// bit together gives the opposite, and the sign of the number changes nothing.
#include <gtest/gtest.h>

#include <cstdint>

#include "velmora/velmora.hpp"

namespace {

using velmora::Int;

struct StatusBit {
  bool (*question)(std::int64_t);
  std::int64_t mask;
  bool answer_when_set = true;
};

TEST(StatusBits, EachQuestionTestsItsOwnBit) {
  const StatusBit bits[] = {
      // Error word.
      {velmora::VP_PRINTERSTATUS_ERROR_CUTTER, 0x1},
      {velmora::VP_PRINTERSTATUS_ERROR_FLASH, 0x2},
      {velmora::VP_PRINTERSTATUS_ERROR_NOPAPER, 0x4},
      {velmora::VP_PRINTERSTATUS_ERROR_VOLTAGE, 0x8},
      {velmora::VP_PRINTERSTATUS_ERROR_MARKER, 0x10},
      {velmora::VP_PRINTERSTATUS_ERROR_ENGINE, 0x20},
      {velmora::VP_PRINTERSTATUS_ERROR_OVERHEAT, 0x40},
      {velmora::VP_PRINTERSTATUS_ERROR_COVERUP, 0x80},
      {velmora::VP_PRINTERSTATUS_ERROR_MOTOR, 0x100},
      // Info word: bit 0x1 means nothing.
      {velmora::VP_PRINTERSTATUS_INFO_LABELPAPER, 0x2},
      {velmora::VP_PRINTERSTATUS_INFO_LABELMODE, 0x4},
      {velmora::VP_PRINTERSTATUS_INFO_HAVEDATA, 0x8},
      {velmora::VP_PRINTERSTATUS_INFO_NOPAPERCANCELED, 0x10},
      {velmora::VP_PRINTERSTATUS_INFO_PAPERNOFETCH, 0x20},
      {velmora::VP_PRINTERSTATUS_INFO_PRINTIDLE, 0x40},
      {velmora::VP_PRINTERSTATUS_INFO_RECVIDLE, 0x80},
      // Real-time status: the answers to the four queries, lowest byte first.
      {velmora::VP_RTSTATUS_DRAWER_OPENED, 0x04, false},
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
  for (const StatusBit &bit : bits) {
    SCOPED_TRACE(&bit - bits);
    EXPECT_EQ(bit.question(bit.mask), bit.answer_when_set);
    EXPECT_EQ(bit.question(~bit.mask), !bit.answer_when_set);
    // A query answer with byte 4's top bit set arrives negative.
    EXPECT_EQ(bit.question(bit.mask | (Int{-1} << 31)), bit.answer_when_set);
  }
  // A failed query gives 0, which reads as an opened drawer.
  static_assert(velmora::VP_RTSTATUS_DRAWER_OPENED(0));
}

}  // namespace
