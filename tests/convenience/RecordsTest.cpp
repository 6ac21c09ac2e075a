// The texts of the status, result and resolution records, and the number forms behind them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "velmora/convenience/NumberText.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::VLPrinterResolution;
using velmora::VLPrinterStatus;
using velmora::VLPrintResult;

TEST(PrinterStatusText, ErrorTagsFollowTheHexWordInFixedOrder) {
  EXPECT_EQ(VLPrinterStatus(0, 0).toString(),
            "Printer Error Status: 0x0\r\nPrinter Info Status: 0x0\r\n");
  // The engine bit prints as a movement error.
  EXPECT_EQ(VLPrinterStatus(0x21, 0).toString(),
            "Printer Error Status: 0x21[ERROR_CUTTER][ERROR_MOVEMENT]\r\n"
            "Printer Info Status: 0x0\r\n");
  EXPECT_EQ(VLPrinterStatus(0x1FF, 0).toString(),
            "Printer Error Status: 0x1FF[ERROR_CUTTER][ERROR_FLASH][ERROR_NOPAPER][ERROR_VOLTAGE]"
            "[ERROR_MARKER][ERROR_MOVEMENT][ERROR_OVERHEAT][ERROR_COVERUP][ERROR_MOTOR]\r\n"
            "Printer Info Status: 0x0\r\n");
  const VLPrinterStatus unnamed(0x200, 0);
  EXPECT_TRUE(unnamed.ERROR_OCCURED());
  EXPECT_FALSE(unnamed.ERROR_MOTOR());
  EXPECT_EQ(unnamed.toString(), "Printer Error Status: 0x200\r\nPrinter Info Status: 0x0\r\n");
}

TEST(PrinterStatusText, InfoTagsLabelModeFirstAndSilentBits) {
  EXPECT_EQ(VLPrinterStatus(0, 0x06).toString(),
            "Printer Error Status: 0x0\r\nPrinter Info Status: 0x6[Label Mode][Label Paper]\r\n");
  EXPECT_EQ(VLPrinterStatus(0, 0xC8).toString(),
            "Printer Error Status: 0x0\r\nPrinter Info Status: 0xC8\r\n");
  EXPECT_EQ(VLPrinterStatus(0, 0x3F).toString(),
            "Printer Error Status: 0x0\r\n"
            "Printer Info Status: 0x3F[Label Mode][Label Paper][Paper Not Fetch]\r\n");
}

TEST(PrinterStatusText, NegativeWordsPrintTheirMagnitude) {
  EXPECT_EQ(VLPrinterStatus(-0x2A, -1).toString(),
            "Printer Error Status: 0x-2A[ERROR_FLASH][ERROR_NOPAPER][ERROR_MARKER]"
            "[ERROR_OVERHEAT][ERROR_COVERUP][ERROR_MOTOR]\r\n"
            "Printer Info Status: 0x-1[Label Mode][Label Paper][Paper Not Fetch]\r\n");
  const auto lowest = std::numeric_limits<velmora::Int>::min();
  EXPECT_EQ(VLPrinterStatus(lowest, 0).toString(),
            "Printer Error Status: 0x-8000000000000000\r\nPrinter Info Status: 0x0\r\n");
}

TEST(PrinterStatusFlags, EachFlagTestsItsOwnBit) {
  using Flag = std::function<bool(const VLPrinterStatus &)>;
  const std::vector<Flag> errors = {
      std::mem_fn(&VLPrinterStatus::ERROR_CUTTER),   std::mem_fn(&VLPrinterStatus::ERROR_FLASH),
      std::mem_fn(&VLPrinterStatus::ERROR_NOPAPER),  std::mem_fn(&VLPrinterStatus::ERROR_VOLTAGE),
      std::mem_fn(&VLPrinterStatus::ERROR_MARKER),   std::mem_fn(&VLPrinterStatus::ERROR_ENGINE),
      std::mem_fn(&VLPrinterStatus::ERROR_OVERHEAT), std::mem_fn(&VLPrinterStatus::ERROR_COVERUP),
      std::mem_fn(&VLPrinterStatus::ERROR_MOTOR)};
  const std::vector<Flag> infos = {std::mem_fn(&VLPrinterStatus::INFO_LABELPAPER),
                                   std::mem_fn(&VLPrinterStatus::INFO_LABELMODE),
                                   std::mem_fn(&VLPrinterStatus::INFO_HAVEDATA),
                                   std::mem_fn(&VLPrinterStatus::INFO_NOPAPERCANCELED),
                                   std::mem_fn(&VLPrinterStatus::INFO_PAPERNOFETCH),
                                   std::mem_fn(&VLPrinterStatus::INFO_PRINTIDLE),
                                   std::mem_fn(&VLPrinterStatus::INFO_RECVIDLE)};
  for (int bit = 0; bit < 12; ++bit) {
    const VLPrinterStatus error(velmora::Int{1} << bit, 0);
    const VLPrinterStatus info(0, velmora::Int{1} << bit);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(errors[i](error), bit == i) << i << " " << bit;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(infos[i](info), bit == i + 1) << i << " " << bit;
    // The words stay apart.
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(errors[i](info));
    for (int i = 0; i < 7; ++i) EXPECT_FALSE(infos[i](error));
  }
  EXPECT_EQ(VLPrinterStatus(5, 6).errorStatus(), 5);
  EXPECT_EQ(VLPrinterStatus(5, 6).infoStatus(), 6);
}

TEST(PrintResultText, FreshResult) {
  EXPECT_EQ(VLPrintResult().toString(),
            "Print Failed\r\nImage Height: 0.0 mm\r\nData Size: 0.0 kb\r\n"
            "Setted Print Speed: 0 mm/s\r\nData Transfer Time: 0.0 seconds\r\n"
            "Data Transfer Speed: 0.0 kb/s\r\n");
}

TEST(PrintResultText, RoundingHalvesAwayFromZero) {
  VLPrintResult result;
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
  result.sourceImageHeight = -2.5;
  result.writeDataSize = 25600;
  result.writeTimeUsed = 0.04;
  EXPECT_NE(result.toString().find("Image Height: -3.0 mm\r\n"), std::string::npos);
  EXPECT_NE(result.toString().find("Data Size: 25.0 kb\r\n"), std::string::npos);
  EXPECT_NE(result.toString().find("Data Transfer Time: 0.0 seconds\r\n"), std::string::npos);
}

TEST(NumberText, ShortestRoundTripDecimal) {
  using velmora::detail::ShortestDecimal;
  EXPECT_EQ(ShortestDecimal(25), "25.0");
  EXPECT_EQ(ShortestDecimal(2.5), "2.5");
  EXPECT_EQ(ShortestDecimal(0.1), "0.1");
  EXPECT_EQ(ShortestDecimal(0.30000000000000004), "0.30000000000000004");
  EXPECT_EQ(ShortestDecimal(100000), "100000.0");
  EXPECT_EQ(ShortestDecimal(123456789012.3), "123456789012.3");
  EXPECT_EQ(ShortestDecimal(-0.0), "-0.0");
  EXPECT_EQ(ShortestDecimal(-7), "-7.0");
  EXPECT_EQ(ShortestDecimal(1e16), "1e+16");
  EXPECT_EQ(ShortestDecimal(0.00001), "1e-05");
  EXPECT_EQ(ShortestDecimal(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(std::stod(ShortestDecimal(1.0 / 3)), 1.0 / 3);
}

TEST(NumberText, TenthsAndHex) {
  using velmora::detail::RoundToTenths;
  using velmora::detail::SignedHex;
  EXPECT_EQ(RoundToTenths(1.25), 1.3);
  EXPECT_EQ(RoundToTenths(-1.25), -1.3);
  EXPECT_EQ(RoundToTenths(0.04), 0.0);
  EXPECT_EQ(SignedHex(0), "0");
  EXPECT_EQ(SignedHex(0xABCDEF), "ABCDEF");
  EXPECT_EQ(SignedHex(-16), "-10");
}

TEST(PrinterResolutionText, NumbersInDecimal) {
  const VLPrinterResolution resolution(72, 0, 8);
  EXPECT_EQ(resolution.toString(), "width_mm:72 height_mm:0 dots_per_mm:8");
  EXPECT_EQ(resolution.getWidthMM(), 72);
  EXPECT_EQ(resolution.getHeightMM(), 0);
  EXPECT_EQ(resolution.getDotsPerMM(), 8);
  EXPECT_EQ(VLPrinterResolution(-1, 200, 12).toString(),
            "width_mm:-1 height_mm:200 dots_per_mm:12");
}

}  // namespace
