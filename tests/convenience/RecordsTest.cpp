// The records: the status record's text and flags, the result record's text, and device records
// (uid strings both ways, port and printer equality, lookup by port, port types, and text
// comparison by user-perceived characters).
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "velmora/convenience/TextEquality.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::VLPrinterDevice;
using velmora::VLPrinterStatus;
using velmora::VLPrintResult;
using PortType = VLPrinterDevice::PortType;

std::shared_ptr<VLPrinterDevice> Device(const std::string &name, const std::string &type,
                                        const std::string &address) {
  return std::make_shared<VLPrinterDevice>(name, type, address);
}

// The fields of the device read from `uid`, or "none".
std::string Read(const std::string &uid) {
  const auto d = VLPrinterDevice::fromUidString(uid);
  return d == nullptr ? "none" : d->printer_name + " / " + d->port_type + " / " + d->port_address;
}

TEST(DeviceUid, ThreeNonEmptyPiecesMakeADevice) {
  EXPECT_EQ(VLPrinterDevice::toUidString(Device("Kitchen", "tcp", "192.168.1.20")),
            "Kitchen|tcp|192.168.1.20");
  EXPECT_EQ(Read("Kitchen|tcp|192.168.1.20"), "Kitchen / tcp / 192.168.1.20");
  // Doubled and trailing separators give empty pieces, which are dropped.
  EXPECT_EQ(Read("Bar||btbleva|AA:BB:CC:DD:EE:FF|"), "Bar / btbleva / AA:BB:CC:DD:EE:FF");
  // A type that is none of the five still makes a device.
  EXPECT_EQ(Read("X|serial|COM1"), "X / serial / COM1");
  EXPECT_EQ(VLPrinterDevice::toUidString(Device("", "tcp", "10.0.0.1")), "|tcp|10.0.0.1");
  EXPECT_EQ(Read("|tcp|10.0.0.1"), "none");
  EXPECT_EQ(Read("A||10.0.0.1"), "none");
  EXPECT_EQ(Read(VLPrinterDevice::toUidString(Device("A|B", "tcp", "x"))), "none");
  EXPECT_EQ(Read("a|b|c|d"), "none");
  EXPECT_EQ(VLPrinterDevice::toUidString(nullptr), "");
  // Split by characters: a combining mark joins the separator into another character.
  EXPECT_EQ(Read("Caf\u00e9 \u2615|tcp|10.0.0.1"), "Caf\u00e9 \u2615 / tcp / 10.0.0.1");
  EXPECT_EQ(Read("A|\u0301B|tcp|10.0.0.1"), "A|\u0301B / tcp / 10.0.0.1");
}

TEST(DeviceEquality, PortThenName) {
  const auto a = Device("Front", "tcp", "10.0.0.1");
  const auto b = Device("Back", "tcp", "10.0.0.1");
  EXPECT_TRUE(VLPrinterDevice::isPortEqual(a, b));
  EXPECT_FALSE(VLPrinterDevice::isPrinterEqual(a, b));
  EXPECT_TRUE(VLPrinterDevice::isPrinterEqual(a, Device("Front", "tcp", "10.0.0.1")));
  EXPECT_FALSE(VLPrinterDevice::isPortEqual(a, Device("Front", "TCP", "10.0.0.1")));
  EXPECT_FALSE(VLPrinterDevice::isPortEqual(a, Device("Front", "tcp", "10.0.0.1 ")));
  EXPECT_FALSE(VLPrinterDevice::isPortEqual(a, Device("Front", "btbleva", "10.0.0.1")));
  EXPECT_FALSE(VLPrinterDevice::isPortEqual(a, nullptr));
  EXPECT_FALSE(VLPrinterDevice::isPortEqual(nullptr, nullptr));
}

TEST(DeviceEquality, CanonicallyEquivalentSpellingsAreEqual) {
  // "é" as one code point and as "e" with a combining accent.
  EXPECT_TRUE(VLPrinterDevice::isPrinterEqual(Device("Caf\u00e9", "tcp", "1.2.3.4"),
                                              Device("Cafe\u0301", "tcp", "1.2.3.4")));
  EXPECT_FALSE(VLPrinterDevice::isPrinterEqual(Device("Cafe", "tcp", "1.2.3.4"),
                                               Device("Caf\u00e9", "tcp", "1.2.3.4")));
  EXPECT_TRUE(velmora::detail::TextEqual("\u212B", "\u00C5"));  // angstrom sign and letter
  EXPECT_TRUE(velmora::detail::TextHasPrefix("btble\u00e9", "btble"));
  EXPECT_FALSE(velmora::detail::TextHasPrefix("btbl\u00e9", "btble"));
  EXPECT_FALSE(velmora::detail::TextHasPrefix("btble", "btble\u0301"));
  EXPECT_FALSE(velmora::detail::TextHasPrefix("a\r\n", "a\r"));
}

TEST(DeviceEquality, MalformedTextComparesByItsBytes) {
  // Two different ill-formed addresses: not one port, not one prefix, and not rewritten.
  const auto a = Device("P", "btbleva", "AA:BB\xFF");
  EXPECT_FALSE(VLPrinterDevice::isPortEqual(a, Device("P", "btbleva", "AA:BB\xFE")));
  EXPECT_TRUE(VLPrinterDevice::isPortEqual(a, Device("Q", "btbleva", "AA:BB\xFF")));
  EXPECT_EQ(VLPrinterDevice::indexOfPrinterByPort({a}, "btbleva", "AA:BB\xC0"), -1);
  EXPECT_FALSE(velmora::detail::TextHasPrefix("btble\xFF", "btble\xFE"));
  EXPECT_EQ(Read("P\xFF|tcp|10.0.0.1\xC3"), "P\xFF / tcp / 10.0.0.1\xC3");
}

TEST(DeviceLookup, FirstOnThePortOrMinusOne) {
  const std::vector<std::shared_ptr<VLPrinterDevice>> list = {
      Device("A", "tcp", "10.0.0.1"), Device("B", "btbleva", "AA:BB:CC:DD:EE:FF"),
      Device("C", "btbleva", "AA:BB:CC:DD:EE:FF"), Device("D", "tcp", "10.0.0.2")};
  EXPECT_EQ(VLPrinterDevice::indexOfPrinterByPort(list, "btbleva", "AA:BB:CC:DD:EE:FF"), 1);
  EXPECT_EQ(VLPrinterDevice::indexOfPrinterByPort(list, "tcp", "10.0.0.2"), 3);
  EXPECT_EQ(VLPrinterDevice::indexOfPrinterByPort(list, "tcp", "AA:BB:CC:DD:EE:FF"), -1);
  EXPECT_EQ(VLPrinterDevice::indexOfPrinterByPort({}, "tcp", "10.0.0.1"), -1);
}

TEST(DevicePortType, RawValuesBothWays) {
  const PortType all[] = {PortType::tcp, PortType::btblewr, PortType::btblev2, PortType::btblev3,
                          PortType::btbleva};
  const char *raw[] = {"tcp", "btblewr", "btblev2", "btblev3", "btbleva"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(VLPrinterDevice::rawValue(all[i]), raw[i]);
    EXPECT_EQ(VLPrinterDevice::fromRawValue(raw[i]), all[i]);
  }
  EXPECT_FALSE(VLPrinterDevice::fromRawValue("TCP").has_value());
  EXPECT_FALSE(VLPrinterDevice::fromRawValue("btble").has_value());
}

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
      {0, 0x06,
       "Printer Error Status: 0x0\r\nPrinter Info Status: 0x6[Label Mode][Label Paper]\r\n"},
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
