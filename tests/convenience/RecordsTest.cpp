// The texts and flags of the status record and the text of the result record.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::VLPrinterStatus;
using velmora::VLPrintResult;

TEST(PrinterStatusText, HexWordsThenTagsInFixedOrder) {
  const struct {
    Int error;
    Int info;
    const char *text;
  } cases[] = {
      {0, 0, "Printer Error Status: 0x0\r\nPrinter Info Status: 0x0\r\n"},
      // The engine bit prints as a movement error.
      {0x1FF, 0,
       "Printer Error Status: 0x1FF[ERROR_CUTTER][ERROR_FLASH][ERROR_NOPAPER][ERROR_VOLTAGE]"
       "[ERROR_MARKER][ERROR_MOVEMENT][ERROR_OVERHEAT][ERROR_COVERUP][ERROR_MOTOR]\r\n"
       "Printer Info Status: 0x0\r\n"},
      {0x200, 0, "Printer Error Status: 0x200\r\nPrinter Info Status: 0x0\r\n"},
      // Label mode first; the other info bits show only in the word.
      {0, 0x3F,
       "Printer Error Status: 0x0\r\n"
       "Printer Info Status: 0x3F[Label Mode][Label Paper][Paper Not Fetch]\r\n"},
      // Negative words print their magnitude.
      {-0x2A, -1,
       "Printer Error Status: 0x-2A[ERROR_FLASH][ERROR_NOPAPER][ERROR_MARKER]"
       "[ERROR_OVERHEAT][ERROR_COVERUP][ERROR_MOTOR]\r\n"
       "Printer Info Status: 0x-1[Label Mode][Label Paper][Paper Not Fetch]\r\n"},
      {std::numeric_limits<Int>::min(), 0xABCDEF,
       "Printer Error Status: 0x-8000000000000000\r\n"
       "Printer Info Status: 0xABCDEF[Label Mode][Label Paper][Paper Not Fetch]\r\n"},
  };
  for (const auto &c : cases) EXPECT_EQ(VLPrinterStatus(c.error, c.info).toString(), c.text);
}

// The seventeen flags as bits, in declaration order.
int Flags(const VLPrinterStatus &s) {
  const bool flags[] = {s.ERROR_OCCURED(),  s.ERROR_CUTTER(),         s.ERROR_FLASH(),
                        s.ERROR_NOPAPER(),  s.ERROR_VOLTAGE(),        s.ERROR_MARKER(),
                        s.ERROR_ENGINE(),   s.ERROR_OVERHEAT(),       s.ERROR_COVERUP(),
                        s.ERROR_MOTOR(),    s.INFO_LABELPAPER(),      s.INFO_LABELMODE(),
                        s.INFO_HAVEDATA(),  s.INFO_NOPAPERCANCELED(), s.INFO_PAPERNOFETCH(),
                        s.INFO_PRINTIDLE(), s.INFO_RECVIDLE()};
  int bits = 0;
  for (int i = 0; i < 17; ++i) bits |= flags[i] << i;
  return bits;
}

TEST(PrinterStatusFlags, EachFlagTestsItsOwnBitOfItsOwnWord) {
  for (int bit = 0; bit < 12; ++bit) {
    // Error bits 0 to 8 are flags 1 to 9; any error bit sets ERROR_OCCURED (flag 0).
    EXPECT_EQ(Flags(VLPrinterStatus(Int{1} << bit, 0)), 1 | (bit < 9 ? 2 << bit : 0)) << bit;
    // Info bits 1 to 7 are flags 10 to 16; info bit 0 has none.
    EXPECT_EQ(Flags(VLPrinterStatus(0, Int{1} << bit)), bit >= 1 && bit <= 7 ? 1 << (bit + 9) : 0)
        << bit;
  }
}

TEST(PrintResultText, RoundingHalvesAwayFromZero) {
  VLPrintResult result;
  EXPECT_EQ(result.toString(),
            "Print Failed\r\nImage Height: 0.0 mm\r\nData Size: 0.0 kb\r\n"
            "Setted Print Speed: 0 mm/s\r\nData Transfer Time: 0.0 seconds\r\n"
            "Data Transfer Speed: 0.0 kb/s\r\n");
  result.printResult = true;
  result.sourceImageHeight = 49.5;
  result.writeDataSize = 1536;
  result.settedPrintSpeed = 80;
  result.writeTimeUsed = 1250.0;
  result.writeDataSpeed = 12.25;  // exactly representable: 122.5 rounds up
  EXPECT_EQ(result.toString(),
            "Print Success\r\nImage Height: 50.0 mm\r\nData Size: 1.5 kb\r\n"
            "Setted Print Speed: 80 mm/s\r\nData Transfer Time: 1.3 seconds\r\n"
            "Data Transfer Speed: 12.3 kb/s\r\n");
  // Large values in full, not as exponents.
  result.sourceImageHeight = -2.5;
  result.writeDataSize = -1280;
  result.writeTimeUsed = 0.04;
  result.writeDataSpeed = 123456789012.25;
  EXPECT_EQ(result.toString(),
            "Print Success\r\nImage Height: -3.0 mm\r\nData Size: -1.3 kb\r\n"
            "Setted Print Speed: 80 mm/s\r\nData Transfer Time: 0.0 seconds\r\n"
            "Data Transfer Speed: 123456789012.3 kb/s\r\n");
}

}  // namespace
