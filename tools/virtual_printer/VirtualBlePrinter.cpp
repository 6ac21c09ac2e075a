#include "VirtualBlePrinter.h"

#include <mutex>

namespace velmora::vprinter {

// Which service carries the brain's bytes back to the host.
struct VirtualBlePrinter::Link {
  std::mutex mutex;
  std::vector<std::weak_ptr<ble_sim::PrinterService>> services;
  std::weak_ptr<ble_sim::PrinterService> active;

  void Send(const Bytes &bytes) {
    std::shared_ptr<ble_sim::PrinterService> service;
    {
      std::lock_guard<std::mutex> lock(mutex);
      service = active.lock();
    }
    if (!service) return;
    std::weak_ptr<ble_sim::PrinterService> weak = service;
    service->Schedule(0, [weak, bytes] {
      if (auto target = weak.lock()) target->SendToHost(bytes);
    });
  }
};

VirtualBlePrinter::VirtualBlePrinter(const std::optional<std::string> &name,
                                     const std::array<uint8_t, 6> &address,
                                     std::vector<std::shared_ptr<ble_sim::PrinterService>> services)
    : peripheral_(ble_sim::VirtualPeripheral::Create(name)),
      brain_(std::make_shared<VirtualPrinter>()),
      autoreply_(std::make_shared<AutoReplyBehaviour>()),
      link_(std::make_shared<Link>()) {
  brain_->AddBehaviour(std::make_shared<RealTimeStatusBehaviour>());
  brain_->AddBehaviour(autoreply_);
  peripheral_->SetPrinterAddress(address);
  for (const auto &service : services) {
    peripheral_->AddService(service);
    link_->services.push_back(service);
    std::weak_ptr<VirtualPrinter> brain = brain_;
    std::weak_ptr<ble_sim::PrinterService> weak = service;
    std::weak_ptr<Link> link = link_;
    service->SetSink([brain, weak, link](const uint8_t *data, size_t count) {
      auto target = brain.lock();
      auto through = link.lock();
      if (!target || !through) return;
      {
        std::lock_guard<std::mutex> lock(through->mutex);
        through->active = weak;
      }
      target->Receive(data, count, [through](const Bytes &bytes) { through->Send(bytes); });
    });
  }
  if (!services.empty()) link_->active = services.front();
  std::weak_ptr<Link> link = link_;
  brain_->SetHostOutput([link](const Bytes &bytes) {
    if (auto through = link.lock()) through->Send(bytes);
  });
  ble_sim::AddPeripheral(peripheral_);
}

VirtualBlePrinter::~VirtualBlePrinter() {
  brain_->SetHostOutput(nullptr);
  for (const auto &weak : link_->services) {
    if (auto service = weak.lock()) service->SetSink(nullptr);
  }
  ble_sim::RemovePeripheral(peripheral_);
}

void VirtualBlePrinter::SendToHost(const Bytes &bytes) {
  link_->Send(bytes);
}

}  // namespace velmora::vprinter
