#include <gtest/gtest.h>

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

// Packets: 'S', five data bytes, the type, and the XOR of the seven bytes before it.
TEST(AutoReplyPacketParser, TakesOutPacketsOnlyAndKeepsDataInOrder) {
  const struct {
    const char *name;
    Bytes stream;
    Bytes data;
    std::vector<std::pair<uint8_t, size_t>> packets;  // type, data size before it
  } cases[] = {
      {"status packet amid data",
       {'a', 'b', 0x53, 0x05, 0x01, 0xC0, 0x00, 0x00, 0x01, 0x96, 'c', 'd'},
       {'a', 'b', 'c', 'd'},
       {{1, 2}}},
      {"lead bytes around packets",
       {'x', 'S', 0x53, 1, 2, 3, 4, 0, 2, 0x55, 'S', 'S', 0x53, 9, 0, 0, 0, 0, 3, 0x59, 'S'},
       {'x', 'S', 'S', 'S', 'S'},
       {{2, 2}, {3, 4}}},
      {"packet inside a rejected one",
       {0x53, 0x10, 0x53, 80, 0, 8, 0, 0, 4, 0x0F, 'z'},
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

}  // namespace
}  // namespace velmora::core
