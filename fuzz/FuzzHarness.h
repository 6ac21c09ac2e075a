#pragma once

// What the fuzz targets share: how an input becomes a stream and the chunks it arrives in, a
// port's receive path fed and emptied as its read thread and reader would, and a check that
// ends the run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/port/IOHandle.h"
#include "platform/Log.h"

namespace velmora::fuzz {

using Bytes = std::vector<uint8_t>;

// The library's log lines go nowhere, from the first call on: some targets log every packet.
inline void SilenceLog() {
  static const bool silenced = [] {
    platform::setLogSink([](const std::string &) {});
    return true;
  }();
  (void)silenced;
}

// A run fails where an invariant does not hold.
inline void Require(bool holds) {
  if (!holds) std::abort();
}

// The next number of a pseudo-random sequence (xorshift; the state is never 0).
inline uint32_t NextRandom(uint32_t &state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Cuts `size` bytes into chunks whose lengths come from `seed` (1..64 bytes each), so one input
// drives both the stream and how it arrives.
inline std::vector<size_t> ChunkSizes(size_t size, uint32_t seed) {
  std::vector<size_t> sizes;
  uint32_t state = seed | 1u;
  for (size_t left = size; left > 0; left -= sizes.back()) {
    sizes.push_back(std::min<size_t>(left, 1 + NextRandom(state) % 64));
  }
  return sizes;
}

// The stream cut into chunks of these sizes.
inline std::vector<Bytes> Pieces(const uint8_t *stream, const std::vector<size_t> &sizes) {
  std::vector<Bytes> pieces;
  for (size_t n : sizes) {
    pieces.emplace_back(stream, stream + n);
    stream += n;
  }
  return pieces;
}

// Runs `parse` (the stream's chunks in, a comparable result out) on the stream whole, in the
// seed's chunks and byte by byte, requires the same result each time and returns it.
template <class Parse>
auto SameForEveryCutting(const uint8_t *stream, size_t size, uint32_t seed, Parse parse) {
  const auto whole = parse(Pieces(stream, {size}));
  Require(parse(Pieces(stream, ChunkSizes(size, seed))) == whole);
  Require(parse(Pieces(stream, std::vector<size_t>(size, 1))) == whole);
  return whole;
}

// The arrival time of each of `size` bytes: the clock stands still, except that before about
// one byte in `one_in` it moves on by one of `pauses`, picked from `seed`.
inline std::vector<int64_t> ArrivalTimes(size_t size, uint32_t seed,
                                         std::span<const int64_t> pauses, uint32_t one_in) {
  std::vector<int64_t> times(size);
  uint32_t state = seed | 1u;
  int64_t now = 0;
  for (size_t i = 0; i < size; ++i) {
    const uint32_t r = NextRandom(state);
    if (r % one_in == 0) now += pauses[(r / one_in) % pauses.size()];
    times[i] = now;
  }
  return times;
}

// The first four bytes of an input are the chunking seed, the rest is the stream.
struct FuzzInput {
  uint32_t seed = 0;
  const uint8_t *stream = nullptr;
  size_t size = 0;
  static bool From(const uint8_t *data, size_t size, FuzzInput &out) {
    if (size < 4) return false;
    out.seed = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
               static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    out.stream = data + 4;
    out.size = size - 4;
    return true;
  }
};

// A caller's data of `count` bytes, different in every packet even across a wrap of 256.
inline Bytes CallerBytes(size_t count) {
  Bytes data(count);
  for (size_t i = 0; i < count; ++i) data[i] = static_cast<uint8_t>(i * 131 + i / 251);
  return data;
}

// Every byte waiting in the receive buffer, taken out.
inline Bytes TakeAll(core::NZIORxBuffer &rx) {
  Bytes bytes;
  uint8_t byte = 0;
  while (rx.TakeByte(byte)) bytes.push_back(byte);
  return bytes;
}

// Hands `size` bytes to the port's receive path as its read thread would, in the chunks that
// `seed` gives.
inline void Receive(core::IOHandle &port, const uint8_t *bytes, size_t size, uint32_t seed) {
  for (size_t n : ChunkSizes(size, seed)) {
    port.receiver().Receive(bytes, n);
    bytes += n;
  }
}

}  // namespace velmora::fuzz
