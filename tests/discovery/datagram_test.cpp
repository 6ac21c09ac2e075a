// The discovery datagrams, byte for byte as docs/protocol.md fixes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VirtualDiscoveryResponder.h"
#include "core/port/DiscoveryDatagrams.h"

namespace velmora::core::discovery {
namespace {

using Responder = vprinter::VirtualDiscoveryResponder;
using Bytes = std::vector<uint8_t>;

// What a parser made of a datagram from 192.168.7.9: "MAC IP name", or "refused".
template <class Parser>
std::string Parsed(Parser parse, const Bytes &datagram) {
  const auto reply = parse(datagram.data(), datagram.size(), {192, 168, 7, 9});
  return reply ? MacText(reply->mac) + " " + IpText(reply->ip) + " " + reply->name : "refused";
}

Bytes Text(const std::string &s) {
  return {s.begin(), s.end()};
}

TEST(DiscoveryDatagrams, RequestsAreTheDocumentedBytes) {
  EXPECT_EQ(BinaryRequest(), (Bytes{0x56, 0x4C, 0x44, 0x51, 0x01, 0, 0, 0}));
  EXPECT_EQ(TextRequest(), Text("VLPRINTER?SEARCH\r\n"));
}

// Malformed binary replies are the fuzz target's; here, how good ones read.
TEST(DiscoveryDatagrams, BinaryReplies) {
  Responder::Identity id{{1, 2, 3, 0xAB, 0xCD, 0xEF}, {10, 0, 0, 42}, "Bar"};
  EXPECT_EQ(Parsed(ParseBinaryReply, Responder::BinaryReply(id)),
            "01-02-03-AB-CD-EF 10.0.0.42 Bar");
  // The longest name; an unset address is the sender's.
  id = {{1, 2, 3, 4, 5, 6}, {0, 0, 0, 0}, std::string(64, 'n')};
  EXPECT_EQ(Parsed(ParseBinaryReply, Responder::BinaryReply(id)),
            "01-02-03-04-05-06 192.168.7.9 " + id.name);
}

TEST(DiscoveryDatagrams, TextReplies) {
  const std::string mac = "VLPRINTER!FOUND mac=00-00-00-00-00-01";
  const struct {
    std::string line;
    std::string parsed;
  } cases[] = {
      {"VLPRINTER!FOUND mac=aa-bb-cc-0d-0e-0f ip=192.168.1.20 name=Kitchen printer\r\n",
       "AA-BB-CC-0D-0E-0F 192.168.1.20 Kitchen printer"},
      // Without a name, or an address, the sender's address stands in.
      {mac + " ip=1.2.3.4\r\n", "00-00-00-00-00-01 1.2.3.4 192.168.7.9"},
      {mac + " ip=1.2.3.4 name=\r\n", "00-00-00-00-00-01 1.2.3.4 192.168.7.9"},
      {mac + " ip=0.0.0.0 name=\r\n", "00-00-00-00-00-01 192.168.7.9 192.168.7.9"},
      {mac + "\r\n", "00-00-00-00-00-01 192.168.7.9 192.168.7.9"},
      // Refusals the fuzz target cannot tell from a reply without the field.
      {mac + " ip=1.2.3\r\n", "refused"},
      {mac + " ip=1.2.3.4 nom=x\r\n", "refused"},
      {mac + " nom=x\r\n", "refused"},
  };
  for (const auto &c : cases) EXPECT_EQ(Parsed(ParseTextReply, Text(c.line)), c.parsed) << c.line;
}

}  // namespace
}  // namespace velmora::core::discovery
