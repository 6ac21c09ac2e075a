#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/ble/Peripheral.h"

namespace velmora::ble {

// One discovered printer of a standalone channel: the platform's peripheral object and the printer
// address taken from its advertisement. Entries are made with an address and not changed once
// listed.
class PeripheralInfo {
 public:
  PeripheralInfo() = default;
  PeripheralInfo(std::shared_ptr<platform::ble::Peripheral> peripheral, std::string address)
      : peripheral_(std::move(peripheral)), address_(std::move(address)) {}

  std::shared_ptr<platform::ble::Peripheral> peripheral() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return peripheral_;
  }
  void setPeripheral(std::shared_ptr<platform::ble::Peripheral> peripheral) {
    std::lock_guard<std::mutex> lock(mutex_);
    peripheral_ = std::move(peripheral);
  }
  std::string address() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return address_;
  }
  void setAddress(std::string address) {
    std::lock_guard<std::mutex> lock(mutex_);
    address_ = std::move(address);
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<platform::ble::Peripheral> peripheral_;
  std::string address_;
};

}  // namespace velmora::ble
