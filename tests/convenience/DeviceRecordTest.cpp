// Device records: uid strings both ways, port and printer equality, lookup by port, port types,
// and text comparison by user-perceived characters.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "velmora/convenience/TextEquality.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::VLPrinterDevice;
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

}  // namespace
