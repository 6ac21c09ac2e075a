// Cost of looking for status packets and device packages in received data, against copying
// the same bytes: the read thread pays it on every chunk.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/port/IOHandle.h"
#include "core/port/NZMemoryBufferIO.h"
#include "core/printer/AutoReplyPacket.h"
#include "core/printer/DevicePackage.h"
#include "velmora/vp_common.h"

namespace {

using velmora::core::AutoReplyPacket;
using velmora::core::AutoReplyPacketParser;
using velmora::core::DevicePackageParser;
using velmora::core::NZReceivedProtoPackage;

// 1024-byte chunks of printer answers: mostly data (with 'S' bytes), a status packet per chunk.
std::vector<uint8_t> Stream() {
  std::vector<uint8_t> stream;
  AutoReplyPacket status;
  status.type = AutoReplyPacket::kStatus;
  const auto packet = status.Encode();
  for (int chunk = 0; chunk < 64; ++chunk) {
    for (int i = 0; i < 1016; ++i) stream.push_back(static_cast<uint8_t>(i % 64 == 0 ? 'S' : i));
    stream.insert(stream.end(), packet.begin(), packet.end());
  }
  return stream;
}

struct CopySink final : AutoReplyPacketParser::Sink {
  std::vector<uint8_t> data;
  size_t packets = 0;
  void OnData(const uint8_t *bytes, size_t count) override {
    data.insert(data.end(), bytes, bytes + count);
  }
  void OnPacket(const AutoReplyPacket &) override { ++packets; }
};

void BM_CopyOnly(benchmark::State &state) {
  const auto stream = Stream();
  std::vector<uint8_t> out;
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += 1024) {
      out.clear();
      out.insert(out.end(), stream.begin() + at, stream.begin() + at + 1024);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_CopyOnly);

void BM_StatusAndPackageParsers(benchmark::State &state) {
  const auto stream = Stream();
  AutoReplyPacketParser status;
  DevicePackageParser packages;
  std::vector<NZReceivedProtoPackage> found;
  CopySink sink;
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += 1024) {
      sink.data.clear();
      status.Feed(stream.data() + at, 1024, sink);
      packages.Feed(sink.data.data(), sink.data.size(), 0, found);
      benchmark::DoNotOptimize(sink.data.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_StatusAndPackageParsers);

// The whole receive path of a port, as its read thread runs it: both parsers, the receive
// buffer and the received event, with the reader taking everything after each chunk.
void BM_PortReceivePath(benchmark::State &state) {
  const auto stream = Stream();
  auto io = std::make_unique<velmora::core::NZMemoryBufferIO>();
  io->Open(16);
  velmora::core::IOHandle port(VP_PORT_TYPE_TCP, "bench", std::move(io), true);
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += 1024) {
      port.receiver().Receive(stream.data() + at, 1024, 0);
      for (uint8_t byte = 0; port.rx().TakeByte(byte);) benchmark::DoNotOptimize(byte);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_PortReceivePath);

}  // namespace
