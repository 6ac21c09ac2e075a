#include "DeviceBehaviour.h"

#include <algorithm>
#include <string>
#include <utility>

namespace velmora::vprinter {
namespace {

constexpr size_t kHeaderSize = 12;

uint8_t XorOf(const Bytes &bytes, size_t count) {
  uint8_t x = 0;
  for (size_t i = 0; i < count; ++i) x ^= bytes[i];
  return x;
}

}  // namespace

Bytes EncodeDevicePackage(const DevicePackageRecord &p) {
  const size_t n = p.data.size();
  Bytes out = {0x03,
               p.address,
               static_cast<uint8_t>(p.command),
               static_cast<uint8_t>(p.command >> 8),
               static_cast<uint8_t>(p.parameter),
               static_cast<uint8_t>(p.parameter >> 8),
               static_cast<uint8_t>(p.parameter >> 16),
               static_cast<uint8_t>(p.parameter >> 24),
               static_cast<uint8_t>(n),
               static_cast<uint8_t>(n >> 8),
               XorOf(p.data, n)};
  out.push_back(XorOf(out, out.size()));
  out.insert(out.end(), p.data.begin(), p.data.end());
  return out;
}

DeviceBehaviour::DeviceBehaviour() {
  SetBatteryLevel(87);
  const std::string serial = "VM2024-000117";
  answers_[kSerialNumber] = Bytes(serial.begin(), serial.end());
  const std::string version = "VP-80 V2.31";
  answers_[kFirmwareVersion] = Bytes(version.begin(), version.end());
}

void DeviceBehaviour::SetAnswerData(uint32_t parameter, Bytes data) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[parameter] = std::move(data);
}

void DeviceBehaviour::SetBatteryLevel(int level) {
  const std::string text = "BAT:" + std::to_string(level);
  SetAnswerData(kBattery, Bytes(text.begin(), text.end()));
}

void DeviceBehaviour::CutNextAnswer(size_t keep) {
  std::lock_guard<std::mutex> lock(mutex_);
  cut_next_to_ = keep;
}

void DeviceBehaviour::SetAnswering(bool answering) {
  std::lock_guard<std::mutex> lock(mutex_);
  answering_ = answering;
}

void DeviceBehaviour::SetAnswersHeld(bool held) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = held;
}

std::vector<DevicePackageRecord> DeviceBehaviour::Packages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packages_;
}

std::vector<Bytes> DeviceBehaviour::FirmwareImages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return images_;
}

size_t DeviceBehaviour::FirmwareBytesPending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_ == State::kFirmwareImage ? image_length_ - data_.size() : 0;
}

void DeviceBehaviour::OnReceived(VirtualPrinter &, const uint8_t *data, size_t count,
                                 const Reply &reply) {
  Bytes out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < count; ++i) FeedByte(data[i], out);
    if (held_ || !waiting_.empty()) {
      waiting_.insert(waiting_.end(), out.begin(), out.end());
      out.clear();
    }
  }
  if (!out.empty()) reply(out);
}

void DeviceBehaviour::OnTick(VirtualPrinter &, const Reply &send) {
  Bytes out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!held_) out.swap(waiting_);
  }
  if (!out.empty()) send(out);
}

void DeviceBehaviour::FeedByte(uint8_t byte, Bytes &out) {
  switch (state_) {
    case State::kIdle:
      if (byte == 0x03) {
        header_.assign(1, byte);
        state_ = State::kHeader;
      } else if (byte == 0x1F) {
        state_ = State::kFirmwareLead;
      }
      return;
    case State::kFirmwareLead:
      state_ = State::kIdle;
      if (byte == 0x75) {
        header_.clear();
        state_ = State::kFirmwareLength;
      } else {
        FeedByte(byte, out);
      }
      return;
    case State::kFirmwareLength:
      header_.push_back(byte);
      if (header_.size() == 4) {
        image_length_ = static_cast<uint32_t>(header_[0]) << 24 |
                        static_cast<uint32_t>(header_[1]) << 16 |
                        static_cast<uint32_t>(header_[2]) << 8 | header_[3];
        data_.clear();
        state_ = image_length_ == 0 ? State::kIdle : State::kFirmwareImage;
        if (image_length_ == 0) images_.emplace_back();
      }
      return;
    case State::kFirmwareImage:
      data_.push_back(byte);
      if (data_.size() == image_length_) {
        images_.push_back(std::move(data_));
        data_.clear();
        state_ = State::kIdle;
      }
      return;
    case State::kHeader:
      header_.push_back(byte);
      if (header_.size() < kHeaderSize) return;
      if (XorOf(header_, kHeaderSize) != 0) {
        // Not a header after all; look again from its second byte.
        const Bytes rejected = header_;
        state_ = State::kIdle;
        for (size_t i = 1; i < rejected.size(); ++i) FeedByte(rejected[i], out);
        return;
      }
      data_length_ = static_cast<size_t>(header_[8] | header_[9] << 8);
      data_.clear();
      state_ = State::kData;
      if (data_length_ == 0) FinishPackage(out);
      return;
    case State::kData:
      data_.push_back(byte);
      if (data_.size() == data_length_) FinishPackage(out);
      return;
  }
}

void DeviceBehaviour::FinishPackage(Bytes &out) {
  state_ = State::kIdle;
  if (XorOf(data_, data_.size()) != header_[10]) return;
  DevicePackageRecord p;
  p.address = header_[1];
  p.command = static_cast<uint16_t>(header_[2] | header_[3] << 8);
  p.parameter = static_cast<uint32_t>(header_[4]) | static_cast<uint32_t>(header_[5]) << 8 |
                static_cast<uint32_t>(header_[6]) << 16 | static_cast<uint32_t>(header_[7]) << 24;
  p.data = std::move(data_);
  data_.clear();
  packages_.push_back(p);
  if (!answering_ || p.command != kQuery) return;
  const auto answer = answers_.find(p.parameter);
  if (answer == answers_.end()) return;
  Bytes bytes = EncodeDevicePackage({0x01, kQuery, p.parameter, answer->second});
  bytes.resize(std::min(bytes.size(), std::exchange(cut_next_to_, SIZE_MAX)));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace velmora::vprinter
