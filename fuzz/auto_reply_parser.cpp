// Arbitrary chunking of one received stream must give the same status packets and the same
// pass-through bytes, and together they must be exactly the stream: nothing lost or invented.
#include <utility>

#include "FuzzHarness.h"
#include "core/printer/AutoReplyPacket.h"

namespace {

using velmora::core::AutoReplyPacket;
using velmora::core::AutoReplyPacketParser;
using velmora::fuzz::Bytes;

// The parser's output as one byte stream (data as is, each packet as its eight bytes) and the
// offset in it of each packet: together they also tell the data apart.
struct Recorder final : AutoReplyPacketParser::Sink {
  Bytes rebuilt;
  std::vector<size_t> packet_at;
  void OnData(const uint8_t *bytes, size_t count) override {
    rebuilt.insert(rebuilt.end(), bytes, bytes + count);
  }
  void OnPacket(const AutoReplyPacket &packet) override {
    const auto bytes = packet.Encode();
    packet_at.push_back(rebuilt.size());
    rebuilt.insert(rebuilt.end(), bytes.begin(), bytes.end());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  const auto parsed = velmora::fuzz::SameForEveryCutting(
      in.stream, in.size, in.seed, [](const std::vector<Bytes> &chunks) {
        Recorder r;
        AutoReplyPacketParser parser;
        for (const Bytes &chunk : chunks) parser.Feed(chunk.data(), chunk.size(), r);
        parser.Flush(r);
        return std::pair(r.rebuilt, r.packet_at);
      });
  velmora::fuzz::Require(parsed.first == Bytes(in.stream, in.stream + in.size));
  return 0;
}
