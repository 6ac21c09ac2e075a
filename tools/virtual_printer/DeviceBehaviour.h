#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "VirtualPrinter.h"

namespace velmora::vprinter {

// One device package as it travels (docs/protocol.md).
struct DevicePackageRecord {
  uint8_t address = 0;
  uint16_t command = 0;
  uint32_t parameter = 0;
  Bytes data;
};

Bytes EncodeDevicePackage(const DevicePackageRecord &package);

// The printer's side of the device package protocol and the firmware download stream: answers
// the battery, serial-number and firmware-version queries and records every package and every
// firmware image it receives.
class DeviceBehaviour final : public PrinterBehaviour {
 public:
  static constexpr uint16_t kQuery = 0x3F;
  static constexpr uint32_t kBattery = 0x56;
  static constexpr uint32_t kSerialNumber = 0x4E;
  static constexpr uint32_t kFirmwareVersion = 0x46;

  DeviceBehaviour();

  // The data answered to query `parameter` (command 3F).
  void SetAnswerData(uint32_t parameter, Bytes data);
  void SetBatteryLevel(int level);
  void SetAnswering(bool answering);
  // While held, answers wait; they go out in order once released (a printer slow to answer).
  void SetAnswersHeld(bool held);
  // The next answer loses all but its first `keep` bytes on the way (a link that drops the
  // tail of a message); the answers after it go out whole.
  void CutNextAnswer(size_t keep);

  std::vector<DevicePackageRecord> Packages() const;
  std::vector<Bytes> FirmwareImages() const;
  // Bytes of a firmware image still being received (0 when none is under way).
  size_t FirmwareBytesPending() const;

  void OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                  const Reply &reply) override;
  void OnTick(VirtualPrinter &printer, const Reply &send) override;

 private:
  enum class State { kIdle, kHeader, kData, kFirmwareLead, kFirmwareLength, kFirmwareImage };

  void FeedByte(uint8_t byte, Bytes &out);
  void FinishPackage(Bytes &out);

  mutable std::mutex mutex_;
  std::map<uint32_t, Bytes> answers_;
  bool answering_ = true;
  bool held_ = false;
  Bytes waiting_;  // answers held back
  size_t cut_next_to_ = SIZE_MAX;
  std::vector<DevicePackageRecord> packages_;
  std::vector<Bytes> images_;

  State state_ = State::kIdle;
  Bytes header_;
  Bytes data_;
  size_t data_length_ = 0;
  uint32_t image_length_ = 0;
};

}  // namespace velmora::vprinter
