// The discovery datagrams, byte for byte as docs/protocol.md fixes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VirtualDiscoveryResponder.h"
#include "core/port/DiscoveryDatagrams.h"

namespace velmora::core::discovery {
namespace {

using Responder = vprinter::VirtualDiscoveryResponder;
const std::array<uint8_t, 4> kSender = {192, 168, 7, 9};

std::vector<uint8_t> Text(const std::string &s) {
  return {s.begin(), s.end()};
}

TEST(DiscoveryDatagrams, RequestsAreTheDocumentedBytes) {
  EXPECT_EQ(BinaryRequest(), (std::vector<uint8_t>{0x56, 0x4C, 0x44, 0x51, 0x01, 0, 0, 0}));
  EXPECT_EQ(TextRequest(), Text("VLPRINTER?SEARCH\r\n"));
}

TEST(DiscoveryDatagrams, BinaryReplies) {
  Responder::Identity id{{1, 2, 3, 0xAB, 0xCD, 0xEF}, {10, 0, 0, 42}, "Bar"};
  auto bytes = Responder::BinaryReply(id);
  auto reply = ParseBinaryReply(bytes.data(), bytes.size(), kSender);
  ASSERT_TRUE(reply);
  EXPECT_EQ(MacText(reply->mac), "01-02-03-AB-CD-EF");
  EXPECT_EQ(IpText(reply->ip), "10.0.0.42");
  EXPECT_EQ(reply->name, "Bar");

  id.ip = {0, 0, 0, 0};
  id.name = std::string(64, 'n');
  bytes = Responder::BinaryReply(id);
  reply = ParseBinaryReply(bytes.data(), bytes.size(), kSender);
  ASSERT_TRUE(reply) << "a 64-byte name is the longest allowed";
  EXPECT_EQ(IpText(reply->ip), "192.168.7.9") << "an unset address is the sender's";

  auto bad = bytes;
  bad[0] = 'X';
  EXPECT_FALSE(ParseBinaryReply(bad.data(), bad.size(), kSender)) << "magic";
  bad = bytes;
  bad[4] = 2;
  EXPECT_FALSE(ParseBinaryReply(bad.data(), bad.size(), kSender)) << "version";
  EXPECT_FALSE(ParseBinaryReply(bytes.data(), bytes.size() - 1, kSender)) << "short name";
  bad = bytes;
  bad.push_back('x');
  EXPECT_FALSE(ParseBinaryReply(bad.data(), bad.size(), kSender)) << "trailing byte";
  id.name = std::string(65, 'n');
  bad = Responder::BinaryReply(id);
  EXPECT_FALSE(ParseBinaryReply(bad.data(), bad.size(), kSender)) << "name too long";
  id.name = std::string("a\0b", 3);
  bad = Responder::BinaryReply(id);
  EXPECT_FALSE(ParseBinaryReply(bad.data(), bad.size(), kSender)) << "a NUL inside the name";
  EXPECT_FALSE(ParseBinaryReply(bytes.data(), 4, kSender));
}

TEST(DiscoveryDatagrams, TextReplies) {
  const auto line =
      Text("VLPRINTER!FOUND mac=aa-bb-cc-0d-0e-0f ip=192.168.1.20 name=Kitchen printer\r\n");
  auto reply = ParseTextReply(line.data(), line.size(), kSender);
  ASSERT_TRUE(reply);
  EXPECT_EQ(MacText(reply->mac), "AA-BB-CC-0D-0E-0F");
  EXPECT_EQ(IpText(reply->ip), "192.168.1.20");
  EXPECT_EQ(reply->name, "Kitchen printer");

  // Without a name, or an address, the sender's address stands in.
  for (const auto &[good, ip] : std::vector<std::pair<std::string, std::string>>{
           {"VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=1.2.3.4\r\n", "1.2.3.4"},
           {"VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=1.2.3.4 name=\r\n", "1.2.3.4"},
           {"VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=0.0.0.0 name=\r\n", "192.168.7.9"},
           {"VLPRINTER!FOUND mac=00-00-00-00-00-01\r\n", "192.168.7.9"},
       }) {
    const auto bytes = Text(good);
    reply = ParseTextReply(bytes.data(), bytes.size(), kSender);
    ASSERT_TRUE(reply) << good;
    EXPECT_EQ(IpText(reply->ip), ip) << good;
    EXPECT_EQ(reply->name, "192.168.7.9") << good;
  }
  for (const std::string bad : {
           "VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=1.2.3.4",        // no line end
           "VLPRINTER!FOUND mac=00-00-00-00-00-1 ip=1.2.3.4\r\n",     // short pair
           "VLPRINTER!FOUND mac=00:00:00:00:00:01 ip=1.2.3.4\r\n",    // wrong separator
           "VLPRINTER!FOUND mac=00-00-00-00-00-0g ip=1.2.3.4\r\n",    // not hex
           "VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=1.2.3.256\r\n",  // octet too big
           "VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=1.2.3\r\n",      // three octets
           "VLPRINTER!FOUND mac=00-00-00-00-00-01 ip=1.2.3.4 nom=x\r\n",
           "VLPRINTER!FOUND mac=00-00-00-00-00-01 nom=x\r\n",
           "VLPRINTER?SEARCH\r\n",
       }) {
    const auto bytes = Text(bad);
    EXPECT_FALSE(ParseTextReply(bytes.data(), bytes.size(), kSender)) << bad;
  }
}

}  // namespace
}  // namespace velmora::core::discovery
