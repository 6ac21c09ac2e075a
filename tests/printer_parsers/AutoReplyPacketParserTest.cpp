#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/printer/AutoReplyPacket.h"
#include "core/printer/AutoReplyRecord.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;

// Everything the parser reported, in order: data bytes and packets.
struct Recorder final : AutoReplyPacketParser::Sink {
  Bytes data;
  std::vector<AutoReplyPacket> packets;
  std::vector<size_t> packet_at;  // data size when each packet came
  void OnData(const uint8_t *bytes, size_t count) override {
    data.insert(data.end(), bytes, bytes + count);
  }
  void OnPacket(const AutoReplyPacket &packet) override {
    packets.push_back(packet);
    packet_at.push_back(data.size());
  }
};

Bytes Packet(uint8_t type, std::array<uint8_t, 5> data) {
  AutoReplyPacket p;
  p.type = type;
  p.data = data;
  const auto bytes = p.Encode();
  return Bytes(bytes.begin(), bytes.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Text(const std::string &s) {
  return Bytes(s.begin(), s.end());
}

Recorder ParseWhole(const Bytes &stream) {
  Recorder r;
  AutoReplyPacketParser parser;
  parser.Feed(stream.data(), stream.size(), r);
  parser.Flush(r);
  return r;
}

TEST(AutoReplyPacketParser, TakesPacketsOutAndKeepsDataInOrder) {
  const Bytes status = Packet(AutoReplyPacket::kStatus, {0x05, 0x01, 0xC0, 0x00, 0x00});
  const Bytes stream = Join({Text("ab"), status, Text("cd")});
  const Recorder r = ParseWhole(stream);
  EXPECT_EQ(r.data, Text("abcd"));
  ASSERT_EQ(r.packets.size(), 1u);
  EXPECT_EQ(r.packets[0].type, AutoReplyPacket::kStatus);
  EXPECT_EQ(r.packets[0].U16(0), 0x0105);
  EXPECT_EQ(r.packet_at[0], 2u);  // after "ab", before "cd"
}

TEST(AutoReplyPacketParser, EveryChunkBoundaryGivesTheSameResult) {
  const Bytes stream =
      Join({Text("xS"), Packet(AutoReplyPacket::kReceivedCount, {1, 2, 3, 4, 0}), Text("SS"),
            Packet(AutoReplyPacket::kPrintedPage, {9, 0, 0, 0, 0}), Text("S")});
  const Recorder whole = ParseWhole(stream);
  ASSERT_EQ(whole.packets.size(), 2u);
  for (size_t a = 0; a <= stream.size(); ++a) {
    for (size_t b = a; b <= stream.size(); ++b) {
      Recorder r;
      AutoReplyPacketParser parser;
      parser.Feed(stream.data(), a, r);
      parser.Feed(stream.data() + a, b - a, r);
      parser.Feed(stream.data() + b, stream.size() - b, r);
      parser.Flush(r);
      ASSERT_EQ(r.data, whole.data) << a << "," << b;
      ASSERT_EQ(r.packet_at, whole.packet_at) << a << "," << b;
    }
  }
  EXPECT_EQ(whole.data, Text("xSSSS"));
}

TEST(AutoReplyPacketParser, LookAlikesReachTheReaderUnchanged) {
  Bytes bad_check = Packet(AutoReplyPacket::kStatus, {1, 0, 0, 0, 0});
  bad_check.back() ^= 0x01;
  Bytes bad_type = {0x53, 1, 2, 3, 4, 5, 0x06, 0};
  for (size_t i = 0; i + 1 < bad_type.size(); ++i) bad_type.back() ^= bad_type[i];
  Bytes short_run = {0x53, 0x53, 0x01};
  for (const Bytes &look_alike : {bad_check, bad_type}) {
    const Recorder r = ParseWhole(look_alike);
    EXPECT_TRUE(r.packets.empty());
    EXPECT_EQ(r.data, look_alike);
  }
  const Recorder r = ParseWhole(short_run);
  EXPECT_TRUE(r.packets.empty());
  EXPECT_EQ(r.data, short_run);
}

TEST(AutoReplyPacketParser, FindsAPacketThatStartsInsideARejectedOne) {
  // The first 'S' begins a candidate that fails; the real packet starts at its third byte.
  const Bytes real = Packet(AutoReplyPacket::kResolution, {80, 0, 8, 0, 0});
  const Bytes stream = Join({Bytes{0x53, 0x10}, real, Text("z")});
  const Recorder r = ParseWhole(stream);
  ASSERT_EQ(r.packets.size(), 1u);
  EXPECT_EQ(r.packets[0].type, AutoReplyPacket::kResolution);
  EXPECT_EQ(r.data, Join({Bytes{0x53, 0x10}, Text("z")}));
}

TEST(AutoReplyPacketParser, HoldsAPossiblePacketUntilFlushed) {
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
  const Bytes status = Packet(AutoReplyPacket::kStatus, {4, 0, 0, 0, 0});
  const Bytes more = {0x53, 0x01, 0x53};
  parser.Feed(more.data(), more.size(), r);
  parser.Release(1, r);
  EXPECT_EQ(parser.held(), 1u);
  parser.Feed(status.data() + 1, status.size() - 1, r);
  EXPECT_EQ(r.data, Join({part, Bytes{0x53, 0x01}}));
  EXPECT_EQ(r.packets.size(), 1u);
}

TEST(AutoReplyRecord, DecodesEveryPacketType) {
  AutoReplyRecord record;
  const auto apply = [&](uint8_t type, std::array<uint8_t, 5> data, int64_t t) {
    AutoReplyPacket p;
    p.type = type;
    p.data = data;
    record.Apply(p, t, t + 1);
  };
  apply(AutoReplyPacket::kStatus, {0x04, 0x01, 0xC8, 0x00, 0xFF}, 100);
  apply(AutoReplyPacket::kReceivedCount, {0xFF, 0xFF, 0xFF, 0xFF, 0}, 200);
  apply(AutoReplyPacket::kPrintedPage, {0x01, 0x02, 0x03, 0x04, 0}, 300);
  apply(AutoReplyPacket::kResolution, {72, 200, 8, 0, 0}, 400);
  apply(AutoReplyPacket::kLabelAdjustment, {0xF0, 0xFF, 0x10, 0x00, 0}, 500);
  EXPECT_EQ(record.error_status, 0x104);
  EXPECT_EQ(record.info_status, 0xC8);
  EXPECT_EQ(record.status_ms, 100);
  EXPECT_EQ(record.received_byte_count, 0xFFFFFFFFu);
  EXPECT_EQ(record.printed_page_id, 0x04030201u);
  EXPECT_EQ(record.printed_ms, 300);
  EXPECT_EQ(record.width_mm, 72u);
  EXPECT_EQ(record.height_mm, 200u);
  EXPECT_EQ(record.dots_per_mm, 8u);
  EXPECT_EQ(record.label_print_adjustment_dots, -16);
  EXPECT_EQ(record.label_tear_adjustment_dots, 16);
  EXPECT_EQ(record.last_packet_steady_ms, 501);
}

}  // namespace
}  // namespace velmora::core
