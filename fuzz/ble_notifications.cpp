// A printer's arbitrary notifications, cut into arbitrary pieces, fed to the Bluetooth LE write
// engines through the calls their notification callbacks make: V2 frames while a group write
// runs, V3 flow-control messages while a credit write runs. Nothing may crash, put a byte on the
// link that the caller did not give, report success for data that never went out, or leave the
// engines' bounds; and how the V2 stream is cut must not change what reaches the reader.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "FuzzHarness.h"
#include "ble/ProtoV2Engine.h"
#include "ble/ProtoV3Engine.h"

namespace {

using velmora::ble::GattPacketLink;
using velmora::ble::ProtoV2Engine;
using velmora::ble::ProtoV3Engine;
using velmora::fuzz::Bytes;
using velmora::fuzz::Pieces;
using velmora::fuzz::Require;

// The printer's side, scripted by the input: each write the engine makes hands it the next piece
// as one notification. A few polls without a write (the engine waits for the printer), and the
// link drops: no run waits for its timeout.
class ScriptedLink final : public GattPacketLink {
 public:
  using Notify = std::function<void(const uint8_t *data, size_t count)>;
  using Written = std::function<void(const uint8_t *data, int count)>;
  ScriptedLink(std::vector<Bytes> pieces, Notify notify, Written written)
      : pieces_(std::move(pieces)), notify_(std::move(notify)), written_(std::move(written)) {}

  bool IsLinkUp() const override { return ++idle_polls_ <= kPatience; }
  int WritePackWithResponse(const uint8_t *, int, int) override { std::abort(); }
  int WritePackWithoutResponse(const uint8_t *data, int count, int) override {
    idle_polls_ = 0;
    written_(data, count);
    if (next_ < pieces_.size()) {
      const Bytes &piece = pieces_[next_++];
      notify_(piece.data(), piece.size());
    }
    return count;
  }
  // What the write left over arrives afterwards.
  void Rest() {
    for (; next_ < pieces_.size(); ++next_) notify_(pieces_[next_].data(), pieces_[next_].size());
  }

 private:
  static constexpr int kPatience = 2;
  std::vector<Bytes> pieces_;
  size_t next_ = 0;
  mutable int idle_polls_ = 0;
  Notify notify_;
  Written written_;
};

// A group write while the printer says whatever the input says.
void V2Write(const uint8_t *stream, size_t size, uint32_t seed) {
  ProtoV2Engine engine([](const uint8_t *, size_t) {});
  const int packet_size = 5 + static_cast<int>(seed % 196);
  engine.LowerPacketSize(packet_size);
  const int payload = packet_size - 4;
  const int count = static_cast<int>((seed >> 8) % 1500);
  const int n = (count + payload - 1) / payload;
  const Bytes data = velmora::fuzz::CallerBytes(static_cast<size_t>(count));
  std::vector<Bytes> pieces = Pieces(stream, velmora::fuzz::ChunkSizes(size, seed));
  // Mostly the printer answers the setup first, so that the group gets going.
  if (seed & 0x100000) {
    // Free space 0x2000, then the setup answer: packet count and size.
    const auto lo = static_cast<uint8_t>(n), hi = static_cast<uint8_t>(n >> 8);
    const auto ps = static_cast<uint8_t>(packet_size);
    const Bytes start = {0, 0x0A, 1, 0, 0, 0x20, 0, 0, 0, 0, 0, 0x0A, 3, lo, hi, ps, 0, 0, 0, 0};
    pieces.insert(pieces.begin(), start);
  }
  std::set<int> sent;  // packet indices
  ScriptedLink link(
      std::move(pieces),
      [&](const uint8_t *d, size_t k) {
        engine.OnNotification(d, k);
        Require(engine.freeSpace() <= ProtoV2Engine::kMaxFreeSpace);
        const auto retry = engine.retryList();
        Require(retry.empty() || (retry.front() >= 0 && retry.back() < n));
      },
      [&](const uint8_t *p, int k) {
        if (p[0] == 0) {  // the setup
          const auto setup = ProtoV2Engine::SetupPacket(packet_size, n);
          Require(k == ProtoV2Engine::kSetupPacketLength &&
                  std::equal(setup.begin(), setup.end(), p));
          return;
        }
        Require(k == p[0] && k > 4 && k <= packet_size);
        uint8_t check = p[0] ^ p[2] ^ p[3];
        for (int i = 4; i < k; ++i) check ^= p[i];
        const int index = p[2] | (p[3] << 8);
        Require(check == p[1] && index < n);
        const int offset = index * payload;
        Require(k - 4 == std::min(payload, count - offset));
        Require(std::equal(p + 4, p + k, data.begin() + offset));
        sent.insert(index);
      });
  const int result = engine.WriteGroup(link, data.data(), count, 2000);
  Require(result == 0 || result == -1 || (result == count && sent.size() == size_t(n)));
  link.Rest();
  Require(engine.retryList().empty());  // nothing kept once the group is over
}

// A credit write while the printer's flow-control messages are whatever the input says.
void V3Write(const uint8_t *stream, size_t size, uint32_t seed) {
  ProtoV3Engine engine;
  engine.setMaximumWriteValueLength(1 + static_cast<int>(seed % 200));
  const int count = static_cast<int>((seed >> 8) % 3000);
  const Bytes data = velmora::fuzz::CallerBytes(static_cast<size_t>(count));
  std::vector<Bytes> pieces = Pieces(stream, velmora::fuzz::ChunkSizes(size, seed));
  if (seed & 0x100000) {  // the size message and a credit first
    const Bytes start = {0x02, static_cast<uint8_t>(1 + (seed >> 24) % 255), 0x00, 0x01, 0x01};
    engine.OnFlowControl(start.data(), 3);
    engine.OnFlowControl(start.data() + 3, 2);
  }
  const int chunk = std::min(engine.maximumWriteValueLength(), engine.mtuSize());
  int next_offset = 0;
  ScriptedLink link(
      std::move(pieces),
      [&](const uint8_t *d, size_t k) {
        engine.OnFlowControl(d, k);
        Require(engine.currentCredits() >= 0 &&
                engine.currentCredits() <= ProtoV3Engine::kMaxCredits);
      },
      [&](const uint8_t *p, int k) {
        // Chunks go in order, each the caller's next bytes.
        Require(k == std::min(chunk, count - next_offset) && k > 0);
        Require(std::equal(p, p + k, data.begin() + next_offset));
        next_offset += k;
      });
  const int result = engine.WriteCredits(link, data.data(), count, 2000);
  Require(result == 0 || result == -1 || (result == count && next_offset == count));
  link.Rest();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  // The same V2 stream whole, in pieces and byte by byte: the same payload, the same free space.
  velmora::fuzz::SameForEveryCutting(
      in.stream, in.size, in.seed, [](const std::vector<Bytes> &chunks) {
        Bytes payload;
        ProtoV2Engine engine(
            [&](const uint8_t *d, size_t n) { payload.insert(payload.end(), d, d + n); });
        for (const Bytes &chunk : chunks) engine.OnNotification(chunk.data(), chunk.size());
        return std::pair(payload, engine.freeSpace());
      });
  V2Write(in.stream, in.size, in.seed);
  V3Write(in.stream, in.size, in.seed);
  return 0;
}
