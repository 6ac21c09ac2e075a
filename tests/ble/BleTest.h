#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/Pattern.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::test {

// Collects the library's log lines.
class LogCapture {
 public:
  void Add(const std::string &line);
  std::vector<std::string> Lines() const;
  size_t Count(const std::string &line) const;
  bool Contains(const std::string &line) const { return Count(line) > 0; }
  // Lines that begin with `prefix`.
  size_t CountPrefix(const std::string &prefix) const;
  bool WaitFor(const std::string &line, int timeout_ms) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// Fixture for tests on the simulated radio: captures the log, starts from the radio's defaults and
// takes every peripheral out of range at the end.
class BleTest : public ::testing::Test {
 protected:
  static constexpr std::array<uint8_t, 6> kAddress{0x00, 0x11, 0x22, 0x33, 0xAA, 0xBB};
  static constexpr const char *kAddressText = "00:11:22:33:AA:BB";

  void SetUp() override;
  void TearDown() override;

  std::shared_ptr<LogCapture> log_ = std::make_shared<LogCapture>();
};

}  // namespace velmora::test

namespace velmora::test {

// What the discovery callbacks of a channel reported.
struct Sighting {
  const void *peripheral = nullptr;
  std::optional<std::string> name;
  std::optional<std::string> address;
  int rssi = 0;
  bool simple = false;  // from the simple-discovered callback
};

class Sightings {
 public:
  static void OnPeripheral(const void *peripheral, const char *name, const char *address, int rssi,
                           const void *self);
  static void OnSimple(const char *name, const char *address, const void *self);
  std::vector<Sighting> All() const;
  // Sightings from the callback of the given kind for this name.
  size_t Count(const std::string &name, bool simple) const;
  // The peripheral pointer last reported under this name.
  const void *Peripheral(const std::string &name) const;

 private:
  void Add(Sighting sighting);
  mutable std::mutex mutex_;
  std::vector<Sighting> sightings_;
};

}  // namespace velmora::test
