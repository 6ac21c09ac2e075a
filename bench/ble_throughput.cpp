// Throughput of the standalone Bluetooth LE channels on the simulated radio's default link (6
// packets per 7.5 ms connection interval each way, 182-byte packets), as a fraction of the link's
// capacity. The protocol V2 runs also report the most bytes the printer had to hold ahead of a
// missing packet against the free space it advertised, and any breach of its flow control.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/Log.h"
#include "velmora/ble_simulation.hpp"
#include "velmora/nzio_ble_channels.hpp"

namespace {

namespace sim = velmora::ble_sim;

constexpr int kLongJobBytes = 1024 * 1024;
constexpr int kShortJobBytes = 64 * 1024;
constexpr int kPacketBytes = 182;
constexpr int kAdvertisedSpace = 8192;  // the virtual V2 printer's default
constexpr std::array<uint8_t, 6> kAddress{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
constexpr const char *kAddressText = "00:11:22:33:44:55";

std::shared_ptr<sim::VirtualPeripheral> PlaceLinkedPrinter(
    const std::shared_ptr<sim::PrinterService> &service) {
  velmora::platform::setLogSink([](const std::string &) {});
  sim::RemoveAllPeripherals();
  sim::RestoreRadioDefaults();
  auto printer = sim::VirtualPeripheral::Create("Bench printer");
  printer->SetPrinterAddress(kAddress);
  printer->SetMaximumWriteLength(512, kPacketBytes);
  printer->SetMaximumNotificationLength(kPacketBytes);
  printer->AddService(service);
  sim::AddPeripheral(printer);
  return printer;
}

// Runs the job once per iteration and reports delivered bytes per second against capacity.
template <typename Channel>
void Measure(benchmark::State &state, Channel &channel, const sim::VirtualPeripheral &printer,
             const std::shared_ptr<sim::PrinterService> &service, int job_bytes) {
  std::vector<unsigned char> job(static_cast<size_t>(job_bytes));
  for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<unsigned char>(i * 31 + 7);
  double seconds = 0;
  for (auto _ : state) {
    service->ClearAccepted();
    const auto start = std::chrono::steady_clock::now();
    const int written = channel.Write(job.data(), job_bytes, 0);
    // Delivered means taken in by the printer, not merely handed to the link.
    const bool delivered = service->WaitForAccepted(job.size(), 120000);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (written != job_bytes || !delivered || service->Accepted() != sim::Bytes(job)) {
      state.SkipWithError("job not delivered");
      break;
    }
    seconds += elapsed.count();
    state.SetIterationTime(elapsed.count());
  }
  if (seconds > 0) {
    const double rate =
        static_cast<double>(job_bytes) * static_cast<double>(state.iterations()) / seconds;
    state.counters["bytes_per_second"] = rate;
    state.counters["fraction_of_capacity"] = rate / sim::LinkCapacityBytesPerSecond(kPacketBytes);
  }
  state.counters["protocol_errors"] = static_cast<double>(service->ProtocolErrors());
  state.counters["writes_dropped"] = static_cast<double>(printer.Stats().writes_dropped_queue_full);
  channel.Close();
  sim::RemoveAllPeripherals();
  velmora::platform::setLogSink(nullptr);
}

void BM_BleProtoV2(benchmark::State &state) {
  auto service = std::make_shared<sim::ProtoV2PrinterService>();
  auto printer = PlaceLinkedPrinter(service);
  const double loss = static_cast<double>(state.range(0)) / 100.0;
  if (loss > 0) printer->SetLossRate(loss, 7);
  nzio_ios_ble_rwprotov2 channel;
  if (!channel.OpenAddress(kAddressText)) {
    state.SkipWithError("open failed");
    return;
  }
  Measure(state, channel, *printer, service, kLongJobBytes);
  state.counters["held_high_water"] = static_cast<double>(service->GetStats().held_high_water);
  state.counters["advertised_space"] = kAdvertisedSpace;
}
BENCHMARK(BM_BleProtoV2)
    ->Arg(0)
    ->Arg(1)
    ->Arg(5)
    ->ArgName("lost_percent")
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_BleProtoV3(benchmark::State &state) {
  auto service = std::make_shared<sim::ProtoV3PrinterService>();
  service->SetAnnouncedSize(kPacketBytes);
  auto printer = PlaceLinkedPrinter(service);
  nzio_ios_ble_rwprotov3 channel;
  if (!channel.OpenAddress(kAddressText)) {
    state.SkipWithError("open failed");
    return;
  }
  Measure(state, channel, *printer, service, kLongJobBytes);
}
BENCHMARK(BM_BleProtoV3)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_BleBasic(benchmark::State &state) {
  auto service = std::make_shared<sim::BasicPrinterService>();
  auto printer = PlaceLinkedPrinter(service);
  nzio_ios_ble_basic channel;
  if (!channel.OpenAddress(kAddressText)) {
    state.SkipWithError("open failed");
    return;
  }
  channel.SetWriteMode(static_cast<int>(state.range(0)), kPacketBytes, 3600000, 3);
  Measure(state, channel, *printer, service, kShortJobBytes);
}
BENCHMARK(BM_BleBasic)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("mode")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
