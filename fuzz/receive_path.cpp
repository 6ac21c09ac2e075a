// Everything a port receives, taken in by its own read thread: chunks of any size, with pauses
// after some of them. The reader gets the stream without its status packets, in order; the
// received event sees every byte as read; the queue of device packages stays bounded.
//
// Input: byte 0 the port's mode (bit 0: automatic status), then the chunking seed and the stream.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "FuzzHarness.h"
#include "core/port/PortRegistry.h"
#include "core/printer/XorCheck.h"
#include "platform/DetachedThreads.h"
#include "velmora/velmora.h"

namespace {

using velmora::core::IOHandle;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

// A stream transport that plays the input: each read gives the next chunk, a read after a chunk
// whose size is a multiple of 8 times out once (a pause), and after the last chunk the
// transport closes.
class PlayedStream final : public velmora::core::NZThreadIO {
 public:
  explicit PlayedStream(std::vector<Bytes> chunks) : chunks_(std::move(chunks)) {}
  bool IsOpened() const override { return open_; }
  int Write(const uint8_t *, uint32_t, uint32_t) override { return -1; }
  void Close() override { open_ = false; }
  int ReadPacket(uint8_t *buffer, size_t count, uint32_t) override {
    if (std::exchange(pause_, false)) return 0;
    if (next_ == chunks_.size() || chunks_[next_].size() > count) {
      open_ = false;
      return -1;
    }
    const Bytes &chunk = chunks_[next_++];
    std::copy(chunk.begin(), chunk.end(), buffer);
    pause_ = chunk.size() % 8 == 0;
    return static_cast<int>(chunk.size());
  }

 private:
  const std::vector<Bytes> chunks_;
  size_t next_ = 0;
  bool pause_ = false;
  std::atomic<bool> open_{true};
};

// What the port events delivered for the port under test (the event lists are process-wide).
struct Events {
  std::mutex mutex;
  void *port = nullptr;
  Bytes received;
} events;

void OnReceived(void *handle, unsigned char *bytes, unsigned int count, void *) {
  std::lock_guard<std::mutex> lock(events.mutex);
  if (handle != events.port) return;
  events.received.insert(events.received.end(), bytes, bytes + count);
}

bool IsStatusPacket(const uint8_t *p) {
  return p[0] == 'S' && p[6] >= 1 && p[6] <= 5 && velmora::core::XorOf(p, 8) == 0;
}

// True when `reader` is `stream` with some status packets cut out, and nothing else changed.
bool IsStreamWithoutPackets(const Bytes &stream, const Bytes &reader) {
  if (reader.size() > stream.size() || (stream.size() - reader.size()) % 8 != 0) return false;
  const size_t cuts = (stream.size() - reader.size()) / 8;
  // reach[i % 9][k]: the first i stream bytes, with k packets cut, give the reader's first
  // i - 8k bytes.
  std::vector<std::vector<char>> reach(9, std::vector<char>(cuts + 1, 0));
  reach[0][0] = 1;
  for (size_t i = 0; i < stream.size(); ++i) {
    auto &row = reach[i % 9];
    for (size_t k = 0; k <= cuts; ++k) {
      if (!row[k]) continue;
      if (i - 8 * k < reader.size() && stream[i] == reader[i - 8 * k]) reach[(i + 1) % 9][k] = 1;
      if (k < cuts && i + 8 <= stream.size() && IsStatusPacket(&stream[i])) {
        reach[(i + 8) % 9][k + 1] = 1;
      }
    }
    std::fill(row.begin(), row.end(), 0);  // the row of position i + 9 from here on
  }
  return reach[stream.size() % 9][cuts] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  VP_Port_AddOnPortReceivedEvent(OnReceived, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (size < 1 || !velmora::fuzz::FuzzInput::From(data + 1, size - 1, in)) return 0;
  // Everything must fit the receive buffer, since nobody reads while the stream arrives.
  if (in.size > velmora::core::NZIORxBuffer::kCapacity) return 0;
  const Bytes stream(in.stream, in.stream + in.size);

  auto *port = new IOHandle(VP_PORT_TYPE_TCP, "fuzz",
                            std::make_unique<PlayedStream>(velmora::fuzz::Pieces(
                                in.stream, velmora::fuzz::ChunkSizes(in.size, in.seed))),
                            (data[0] & 1) != 0);
  void *handle = velmora::core::Ports().Add(port);
  Require(handle != nullptr);
  port->SetHandle(handle);
  {
    std::lock_guard<std::mutex> lock(events.mutex);
    events.port = handle;
    events.received.clear();
  }
  port->StartReading();
  Require(velmora::platform::waitForDetachedThreads(60000));

  const Bytes reader = velmora::fuzz::TakeAll(port->rx());
  Require(IsStreamWithoutPackets(stream, reader));
  {
    std::lock_guard<std::mutex> lock(events.mutex);
    Require(events.received == stream);
    events.port = nullptr;
  }
  Require(port->proto_packages().size() <= velmora::core::NZProtoPackageQueue::kMaxQueued);
  // A firmware version can only come from bytes the reader saw too.
  const std::string version = port->proto_packages().FirmwareVersion();
  const Bytes text(version.begin(), version.end());
  Require(std::search(reader.begin(), reader.end(), text.begin(), text.end()) != reader.end() ||
          text.empty());
  velmora::core::Ports().Retire(handle);
  return 0;
}
