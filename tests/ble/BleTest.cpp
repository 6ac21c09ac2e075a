#include "BleTest.h"

#include <algorithm>

#include "platform/Log.h"
#include "support/Wait.h"

namespace velmora::test {

void LogCapture::Add(const std::string &line) {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back(line);
}

std::vector<std::string> LogCapture::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

size_t LogCapture::Count(const std::string &line) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<size_t>(std::count(lines_.begin(), lines_.end(), line));
}

size_t LogCapture::CountPrefix(const std::string &prefix) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const auto &l) {
    return l.compare(0, prefix.size(), prefix) == 0;
  }));
}

bool LogCapture::WaitFor(const std::string &line, int timeout_ms) const {
  return WaitUntil([&] { return Contains(line); }, timeout_ms);
}

void LogCapture::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

void BleTest::SetUp() {
  auto log = log_;
  platform::setLogSink([log](const std::string &line) { log->Add(line); });
}

void BleTest::TearDown() {
  ble_sim::RemoveAllPeripherals();
  ble_sim::RestoreRadioDefaults();  // a test may have switched the adapter off
  platform::setLogSink(nullptr);
}

}  // namespace velmora::test

namespace velmora::test {

namespace {
std::optional<std::string> Opt(const char *text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}
}  // namespace

void Sightings::OnPeripheral(const void *peripheral, const char *name, const char *address,
                             int rssi, const void *self) {
  const_cast<Sightings *>(static_cast<const Sightings *>(self))
      ->Add({peripheral, Opt(name), Opt(address), rssi, false});
}

void Sightings::OnSimple(const char *name, const char *address, const void *self) {
  const_cast<Sightings *>(static_cast<const Sightings *>(self))
      ->Add({nullptr, Opt(name), Opt(address), 0, true});
}

void Sightings::Add(Sighting sighting) {
  std::lock_guard<std::mutex> lock(mutex_);
  sightings_.push_back(std::move(sighting));
}

std::vector<Sighting> Sightings::All() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sightings_;
}

size_t Sightings::Count(const std::string &name, bool simple) const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (const auto &s : sightings_) n += (s.name == name && s.simple == simple) ? 1 : 0;
  return n;
}

const void *Sightings::Peripheral(const std::string &name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const void *found = nullptr;
  for (const auto &s : sightings_) {
    if (s.name == name && !s.simple) found = s.peripheral;
  }
  return found;
}

}  // namespace velmora::test
