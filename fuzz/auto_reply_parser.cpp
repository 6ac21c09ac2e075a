// Arbitrary chunking of one received stream must give the same status packets and the same
// pass-through bytes, and together they must be exactly the stream: nothing lost or invented.
#include <cstdlib>
#include <vector>

#include "FuzzChunking.h"
#include "core/printer/AutoReplyPacket.h"

namespace {

using velmora::core::AutoReplyPacket;
using velmora::core::AutoReplyPacketParser;

// The parser's output as one byte stream: data as is, each packet as its eight bytes, plus
// the data offset at which each packet came.
struct Recorder final : AutoReplyPacketParser::Sink {
  std::vector<uint8_t> data;
  std::vector<uint8_t> rebuilt;
  std::vector<size_t> packet_at;
  void OnData(const uint8_t *bytes, size_t count) override {
    data.insert(data.end(), bytes, bytes + count);
    rebuilt.insert(rebuilt.end(), bytes, bytes + count);
  }
  void OnPacket(const AutoReplyPacket &packet) override {
    const auto bytes = packet.Encode();
    rebuilt.insert(rebuilt.end(), bytes.begin(), bytes.end());
    packet_at.push_back(data.size());
  }
};

Recorder Run(const uint8_t *stream, const std::vector<size_t> &chunks) {
  Recorder r;
  AutoReplyPacketParser parser;
  size_t at = 0;
  for (size_t n : chunks) {
    parser.Feed(stream + at, n, r);
    at += n;
  }
  parser.Flush(r);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  const Recorder whole = Run(in.stream, {in.size});
  const Recorder chunked = Run(in.stream, velmora::fuzz::ChunkSizes(in.size, in.seed));
  const Recorder bytewise = Run(in.stream, std::vector<size_t>(in.size, 1));
  const std::vector<uint8_t> input(in.stream, in.stream + in.size);
  if (whole.rebuilt != input) std::abort();
  if (chunked.data != whole.data || chunked.packet_at != whole.packet_at) std::abort();
  if (bytewise.data != whole.data || bytewise.packet_at != whole.packet_at) std::abort();
  return 0;
}
