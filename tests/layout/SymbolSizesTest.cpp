// Sizes of page items: text extents, barcode module counts, QR module counts, and the Code 128
// automatic code-set encoding.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "nzcommon/nzbarcode/BarcodeModuleCount.h"
#include "nzcommon/nzbarcode/Code128Auto.h"
#include "nzcommon/pagelayout/PageItemSizes.h"
#include "nzcommon/qrcode/QrModuleCount.h"
#include "support/MemoryPort.h"

namespace velmora::test {
namespace {

using nzcommon::BarcodeModuleCount;
using nzcommon::CountTextCells;
using nzcommon::EncodeCode128Auto;

std::string Code128(const std::string &text) {
  const auto encoded = EncodeCode128Auto(text);
  return encoded ? ToHex(*encoded) : "refused";
}

TEST(Code128Auto, CodeSetsForTextAndDigitRuns) {
  // "{B" 7B 42, "{C" 7B 43; digit pairs as one byte each.
  EXPECT_EQ(Code128("No.123456"), "7B 42 4E 6F 2E 7B 43 0C 22 38");
  EXPECT_EQ(Code128("1234"), "7B 43 0C 22");
  EXPECT_EQ(Code128("123"), "7B 42 31 32 33");
  EXPECT_EQ(Code128("AB1234CD"), "7B 42 41 42 7B 43 0C 22 7B 42 43 44");
  EXPECT_EQ(Code128("12ab99"), "7B 42 31 32 61 62 39 39");
}

TEST(Code128Auto, OddDigitRunsKeepOneDigitWithTheText) {
  // At the start the odd digit goes last; elsewhere it joins the text before the run.
  EXPECT_EQ(Code128("12345"), "7B 43 0C 22 7B 42 35");
  EXPECT_EQ(Code128("A12345"), "7B 42 41 31 7B 43 17 2D");
  EXPECT_EQ(Code128("A00001B"), "7B 42 41 30 7B 43 00 01 7B 42 42");
}

TEST(Code128Auto, BracesAndCharactersOutsideSetB) {
  EXPECT_EQ(Code128("a{b"), "7B 42 61 7B 7B 62");
  EXPECT_EQ(Code128("\x7F"), "7B 42 7F");
  EXPECT_EQ(Code128("tab\there"), "refused");
  EXPECT_EQ(Code128("caf\xC3\xA9"), "refused");
  EXPECT_EQ(Code128(""), "refused");
}

TEST(BarcodeModules, EachReceiptSymbology) {
  EXPECT_EQ(BarcodeModuleCount(65, "12345678901"), 95);
  EXPECT_EQ(BarcodeModuleCount(66, "0123456"), 51);
  EXPECT_EQ(BarcodeModuleCount(67, "123456789012"), 95);
  EXPECT_EQ(BarcodeModuleCount(68, "1234567"), 67);
  EXPECT_EQ(BarcodeModuleCount(69, "ABC"), 16 * 5 - 1);
  EXPECT_EQ(BarcodeModuleCount(69, "*ABC*"), 16 * 5 - 1);
  EXPECT_EQ(BarcodeModuleCount(70, "1234"), 4 + 4 * 9 + 5);
  EXPECT_EQ(BarcodeModuleCount(71, "A12B"), 13 + 11 + 11 + 13 + 3);
  EXPECT_EQ(BarcodeModuleCount(72, "ABC"), 9 * 7 + 1);
  EXPECT_EQ(BarcodeModuleCount(72, "abc"), 9 * 10 + 1);
  // Start {B, then N o . {C 0C 22 38: seven symbols.
  EXPECT_EQ(BarcodeModuleCount(73, *EncodeCode128Auto("No.123456")), 11 * 9 + 13);
  EXPECT_EQ(BarcodeModuleCount(73, "{A{{"), 11 * 3 + 13);
  EXPECT_EQ(BarcodeModuleCount(0, "123"), 0);
}

TEST(TextCells, BytesAndWideText) {
  const auto cells = [](nzcommon::TextCells c) { return std::pair(c.single_byte, c.multi_byte); };
  EXPECT_EQ(cells(CountTextCells(std::string_view("a\xE4\xB8\xAD\n"))), std::pair(1, 1));
  // Not UTF-8: a double-byte encoding (GBK "中" then 'a').
  EXPECT_EQ(cells(CountTextCells(std::string_view("\xD6\xD0\x61"))), std::pair(1, 1));
  EXPECT_EQ(cells(CountTextCells(L"A中\x3000ｱ\t")), std::pair(2, 2));
}

TEST(TextExtent, ScalesAndSpacings) {
  const nzcommon::TextCells cells{2, 1};
  EXPECT_EQ(nzcommon::TextExtent(cells, {}).width, 2 * 12 + 24);
  EXPECT_EQ(nzcommon::TextExtent(cells, {}).height, 24);
  const PL_Utils_Size scaled = nzcommon::TextExtent(cells, {1, 2, 3, 1, 2});
  EXPECT_EQ(scaled.width, 2 * (12 + 3) * 2 + (1 + 24 + 2) * 2);
  EXPECT_EQ(scaled.height, 72);
  EXPECT_EQ(nzcommon::TextExtent({}, {}).height, 0);
}

// Text below in font A: commands/PageCommandsTest.
TEST(BarcodeExtent, ReadableTextAddsItsFontHeight) {
  const nzcommon::BarcodeLook none{2, 60, 0, 0}, both_b{2, 60, 3, 1};
  EXPECT_EQ(nzcommon::BarcodeExtent(67, "123456789012", none).height, 60);
  EXPECT_EQ(nzcommon::BarcodeExtent(67, "123456789012", both_b).height, 60 + 2 * 17);
}

TEST(QrModules, VersionLevelAndFailures) {
  EXPECT_EQ(nzcommon::QrModuleCount("hello", 0, 1), 21);
  EXPECT_EQ(nzcommon::QrModuleCount("hello", 3, 4), 29);
  // 40 bytes need version 3 at level L.
  EXPECT_EQ(nzcommon::QrModuleCount(std::string(40, 'x').c_str(), 0, 1), 29);
  EXPECT_FALSE(nzcommon::QrModuleCount("hello", 0, 0).has_value());
  EXPECT_FALSE(nzcommon::QrModuleCount("hello", 0, 5).has_value());
  EXPECT_FALSE(nzcommon::QrModuleCount("hello", 41, 1).has_value());
  EXPECT_FALSE(nzcommon::QrModuleCount("", 0, 1).has_value());
  EXPECT_FALSE(nzcommon::QrModuleCount(std::string(3000, 'x').c_str(), 0, 4).has_value());
}

}  // namespace
}  // namespace velmora::test
