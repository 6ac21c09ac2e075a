#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/printer/AutoReplyPacket.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;

// Everything the parser reported: the data, and each packet's type with the data size when it
// came.
struct Recorder final : AutoReplyPacketParser::Sink {
  Bytes data;
  std::vector<std::pair<uint8_t, size_t>> packets;
  void OnData(const uint8_t *bytes, size_t count) override {
    data.insert(data.end(), bytes, bytes + count);
  }
  void OnPacket(const AutoReplyPacket &packet) override {
    packets.emplace_back(packet.type, data.size());
  }
};

// 'S', five data bytes, the type and the XOR of the seven bytes before it.
Bytes Packet(uint8_t type, Bytes data) {
  Bytes p = {0x53};
  p.insert(p.end(), data.begin(), data.end());
  p.push_back(type);
  uint8_t check = 0;
  for (uint8_t b : p) check ^= b;
  p.push_back(check);
  return p;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Text(const std::string &s) {
  return Bytes(s.begin(), s.end());
}

TEST(AutoReplyPacketParser, TakesOutPacketsOnlyAndKeepsDataInOrder) {
  const struct {
    const char *name;
    Bytes stream;
    Bytes data;
    std::vector<std::pair<uint8_t, size_t>> packets;  // type, data size before it
  } cases[] = {
      {"status packet amid data",
       Join({Text("ab"), {0x53, 0x05, 0x01, 0xC0, 0x00, 0x00, 0x01, 0x96}, Text("cd")}),
       Text("abcd"),
       {{1, 2}}},
      {"lead bytes around packets",
       Join({Text("xS"), Packet(2, {1, 2, 3, 4, 0}), Text("SS"), Packet(3, {9, 0, 0, 0, 0}),
             Text("S")}),
       Text("xSSSS"),
       {{2, 2}, {3, 4}}},
      {"packet inside a rejected one",
       Join({{0x53, 0x10}, Packet(4, {80, 0, 8, 0, 0}), Text("z")}),
       {0x53, 0x10, 'z'},
       {{4, 2}}},
  };
  for (const auto &c : cases) {
    Recorder r;
    AutoReplyPacketParser parser;
    parser.Feed(c.stream.data(), c.stream.size(), r);
    parser.Flush(r);
    EXPECT_EQ(r.data, c.data) << c.name;
    EXPECT_EQ(r.packets, c.packets) << c.name;
  }
}

TEST(AutoReplyPacketParser, HoldsAPossiblePacketUntilFlushedOrReleased) {
  Recorder r;
  AutoReplyPacketParser parser;
  const Bytes part = {'a', 0x53, 0x01, 0x02};
  parser.Feed(part.data(), part.size(), r);
  EXPECT_EQ(r.data, Bytes{'a'});
  EXPECT_EQ(parser.held(), 3u);
  parser.Flush(r);
  EXPECT_EQ(r.data, part);
  EXPECT_EQ(parser.held(), 0u);

  // Giving up the possible packets older than the last byte keeps a packet starting there.
  const Bytes status = Packet(1, {4, 0, 0, 0, 0});
  const Bytes more = {0x53, 0x01, 0x53};
  parser.Feed(more.data(), more.size(), r);
  parser.Release(1, r);
  EXPECT_EQ(parser.held(), 1u);
  parser.Feed(status.data() + 1, status.size() - 1, r);
  EXPECT_EQ(r.data, Join({part, Bytes{0x53, 0x01}}));
  EXPECT_EQ(r.packets.size(), 1u);
}

}  // namespace
}  // namespace velmora::core
