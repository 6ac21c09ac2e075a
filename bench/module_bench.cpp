// The module interface's own cost: a wrapper call against the flat call it makes, and an event
// delivered to closures against the same event delivered to a plain C callback.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/port/PortEvents.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;

constexpr unsigned kWriteSize = 64;

void BM_FlatMemoryWrite(benchmark::State &state) {
  void *handle = VP_Port_OpenMemoryBuffer(1 << 20);
  const std::vector<std::uint8_t> bytes(kWriteSize, 0x55);
  for (auto _ : state) {
    benchmark::DoNotOptimize(VP_Port_Write(handle, bytes.data(), kWriteSize, 1000));
    VP_Port_ClearMemoryBufferData(handle);
  }
  VP_Port_Close(handle);
}
BENCHMARK(BM_FlatMemoryWrite);

void BM_ModuleMemoryWrite(benchmark::State &state) {
  const Int handle = velmora::VP_Port_OpenMemoryBuffer(1 << 20);
  const std::vector<std::uint8_t> bytes(kWriteSize, 0x55);
  for (auto _ : state) {
    benchmark::DoNotOptimize(velmora::VP_Port_Write(handle, bytes, 8, kWriteSize - 8, 1000));
    velmora::VP_Port_ClearMemoryBufferData(handle);
  }
  velmora::VP_Port_Close(handle);
}
BENCHMARK(BM_ModuleMemoryWrite);

std::atomic<std::uint64_t> sink{0};

void CountReceived(void *, unsigned char *buffer, unsigned int count, void *) {
  sink.fetch_add(count + buffer[0], std::memory_order_relaxed);
}

// A received chunk of a typical size, to plain C callbacks.
void BM_ReceivedEventToCCallback(benchmark::State &state) {
  auto &received = velmora::core::PortEvents::Get().received;
  received.Add(CountReceived, nullptr);
  std::vector<unsigned char> chunk(256, 1);
  for (auto _ : state) received.Raise(static_cast<void *>(&chunk), chunk.data(), 256u);
  received.Remove(CountReceived);
}
BENCHMARK(BM_ReceivedEventToCCallback);

// The same chunk to one closure: the copy into a byte array and the list snapshot.
void BM_ReceivedEventToClosure(benchmark::State &state) {
  auto &received = velmora::core::PortEvents::Get().received;
  velmora::VP_Port_AddOnPortReceivedEvent(
      [](Int, const std::vector<std::uint8_t> &bytes, Int count) {
        sink.fetch_add(static_cast<std::uint64_t>(count) + bytes[0], std::memory_order_relaxed);
      },
      1);
  std::vector<unsigned char> chunk(256, 1);
  for (auto _ : state) received.Raise(static_cast<void *>(&chunk), chunk.data(), 256u);
  velmora::VP_Port_RemoveOnPortReceivedEvent(1);
}
BENCHMARK(BM_ReceivedEventToClosure);

}  // namespace
