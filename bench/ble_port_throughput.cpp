// Throughput of writes through the Bluetooth LE ports on the simulated radio's default link, as a
// fraction of its capacity (6 packets per 7.5 ms connection interval each way, 182-byte packets):
// the flat VP_Port_Write of a 64 KiB job until the printer took in every byte.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/Log.h"
#include "velmora/ble_simulation.hpp"
#include "velmora/velmora.h"

namespace {

namespace sim = velmora::ble_sim;

constexpr unsigned kJobBytes = 64 * 1024;
constexpr int kPacketBytes = 182;

using Open = void *(*)(const char *address, int autoreplymode);

// Each benchmark has a printer address of its own, so no port finds an earlier one's printer.
void Measure(benchmark::State &state, Open open, uint8_t address_byte,
             const std::shared_ptr<sim::PrinterService> &service) {
  velmora::platform::setLogSink([](const std::string &) {});
  sim::RestoreRadioDefaults();
  const std::array<uint8_t, 6> address{0x00, 0x11, 0x22, 0x33, 0x55, address_byte};
  auto printer = sim::VirtualPeripheral::Create("Bench printer");
  printer->SetPrinterAddress(address);
  printer->SetMaximumWriteLength(512, kPacketBytes);
  printer->SetMaximumNotificationLength(kPacketBytes);
  printer->AddService(service);
  sim::AddPeripheral(printer);
  char text[18];
  std::snprintf(text, sizeof text, "00:11:22:33:55:%02X", address_byte);
  void *handle = open(text, 0);
  std::vector<unsigned char> job(kJobBytes);
  for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<unsigned char>(i * 31 + 7);
  double seconds = 0;
  if (handle == nullptr) state.SkipWithError("open failed");
  for (auto _ : state) {
    if (handle == nullptr) break;
    service->ClearAccepted();
    const auto start = std::chrono::steady_clock::now();
    const int written = VP_Port_Write(handle, job.data(), kJobBytes, 120000);
    const bool delivered = service->WaitForAccepted(job.size(), 120000);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (written != static_cast<int>(kJobBytes) || !delivered) {
      state.SkipWithError("job not delivered");
      break;
    }
    seconds += elapsed.count();
    state.SetIterationTime(elapsed.count());
  }
  if (seconds > 0) {
    const double rate = double{kJobBytes} * static_cast<double>(state.iterations()) / seconds;
    state.counters["bytes_per_second"] = rate;
    state.counters["fraction_of_capacity"] = rate / sim::LinkCapacityBytesPerSecond(kPacketBytes);
  }
  if (handle != nullptr) VP_Port_Close(handle);
  sim::RemovePeripheral(printer);
  velmora::platform::setLogSink(nullptr);
}

void BM_BlePortV1(benchmark::State &state) {
  Measure(state, VP_Port_OpenBtBle, 1, std::make_shared<sim::BasicPrinterService>());
}
BENCHMARK(BM_BlePortV1)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BlePortV2(benchmark::State &state) {
  Measure(state, VP_Port_OpenBtBleProtoV2, 2, std::make_shared<sim::ProtoV2PrinterService>());
}
BENCHMARK(BM_BlePortV2)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_BlePortV3(benchmark::State &state) {
  auto service = std::make_shared<sim::ProtoV3PrinterService>();
  service->SetAnnouncedSize(kPacketBytes);
  Measure(state, VP_Port_OpenBtBleProtoV3, 3, service);
}
BENCHMARK(BM_BlePortV3)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
