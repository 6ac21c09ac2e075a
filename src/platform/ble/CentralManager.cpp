#include "platform/ble/CentralManager.h"

#include "platform/ble/Radio.h"

namespace velmora::platform::ble {

std::shared_ptr<CentralManager> CentralManager::Create(
    std::weak_ptr<CentralManagerDelegate> delegate, std::shared_ptr<DispatchQueue> queue,
    const CentralManagerOptions &options) {
  auto core = Radio::Get().RegisterCentral(std::move(delegate), std::move(queue));
  return std::shared_ptr<CentralManager>(new CentralManager(std::move(core), options));
}

CentralManager::~CentralManager() {
  Radio::Get().UnregisterCentral(core_);
}

ManagerState CentralManager::state() const {
  return core_->state.load();
}

void CentralManager::scanForPeripherals(const std::vector<std::string> &services,
                                        const ScanOptions &options) {
  Radio::Get().StartScan(core_, services, options.allowDuplicates);
}

void CentralManager::stopScan() {
  Radio::Get().StopScan(core_);
}

bool CentralManager::isScanning() const {
  return Radio::Get().IsScanning(core_);
}

void CentralManager::connectPeripheral(const std::shared_ptr<Peripheral> &peripheral) {
  if (peripheral) Radio::Get().Connect(core_, peripheral);
}

void CentralManager::cancelPeripheralConnection(const std::shared_ptr<Peripheral> &peripheral) {
  if (peripheral) Radio::Get().Cancel(core_, peripheral);
}

std::shared_ptr<Peripheral> CentralManager::peripheralForHandle(const void *handle) const {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  for (const auto &[id, peripheral] : core_->peripherals) {
    if (peripheral.get() == handle) return peripheral;
  }
  return nullptr;
}

}  // namespace velmora::platform::ble
