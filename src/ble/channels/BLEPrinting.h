#pragma once

#include "ble/BasicWriteEngine.h"
#include "ble/channels/BLEChannel.h"

namespace velmora::ble {

// The standalone channel for printers with the basic layout: one 128-bit service with one
// characteristic that is both written and notifies. Writes go with response (mode 0), paced
// without response (mode 1) or, for long jobs, by the indexed protocol (mode 2).
class BLEPrinting : public BLEChannel {
 public:
  static constexpr const char *kServiceUuid = "E7810A71-73AE-499D-8C15-FAA9AEF0C3F2";
  static constexpr const char *kCharacteristicUuid = "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F";

  BLEPrinting();

  // count, a smaller count when the printer stopped taking packets, or -1.
  int Write(const uint8_t *buffer, int offset, int count);
  // Stores the settings and bounds the packet size by the printer in use, or by 100 without one.
  void SetWriteMode(int mode, int packet_size, int packet_timeout_ms, int packet_max_retry);
  // Spins, without pausing, until `ms` milliseconds have passed (none for 0 or less). The
  // channel itself never calls it.
  void WaitMs(int ms);
  BasicWriteEngine &engine() { return engine_; }

 protected:
  std::vector<std::string> ScanServiceFilter() const override { return {kServiceUuid}; }
  void LogNewSighting(const char *name, const char *address) override;
  std::optional<std::vector<std::string>> ServiceDiscoveryFilter() const override {
    return std::vector<std::string>{kServiceUuid};
  }
  std::optional<std::vector<std::string>> CharacteristicDiscoveryFilter() const override {
    return std::vector<std::string>{kCharacteristicUuid};
  }
  bool LogsEachService() const override { return false; }
  const char *UuidWord() const override { return "UUID"; }
  void MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                           const std::shared_ptr<Characteristic> &characteristic) override;
  void OnNotificationsOn(const std::shared_ptr<Peripheral> &peripheral,
                         const std::shared_ptr<Characteristic> &characteristic) override;
  void OnValue(const std::shared_ptr<Characteristic> &characteristic,
               const platform::ble::Bytes &value) override;

 public:
  void peripheralDidDiscoverCharacteristicsForService(const std::shared_ptr<Peripheral> &peripheral,
                                                      const std::shared_ptr<Service> &service,
                                                      const platform::ble::Error *error) override;

 private:
  BasicWriteEngine engine_;
};

}  // namespace velmora::ble
