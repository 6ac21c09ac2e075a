// Schedules of the basic layout on the simulated radio, through the facade and through the port:
// opens, second opens, reopens and closes of two printers, writes in every mode with timeouts from
// 0 up, reads, on links of several rates with lost writes, acknowledgements and notifications and
// links that drop at any point. After every step: the printer holds exactly what the writes
// counted, in order (a failed write: a prefix of its bytes; a paced write: a prefix of what it
// counted once its link dropped); no byte of another printer or an earlier link reaches a read;
// no port write or read runs long past its timeout. The slowest links are the virtual-time
// schedule's (BasicScheduleTest): here every step runs in real time.
#include <algorithm>
#include <functional>
#include <optional>
#include <random>

#include "BlePortTest.h"
#include "support/ScheduleChecks.h"
#include "support/Wait.h"
#include "velmora/nzio_ble_channels.hpp"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

namespace sim = ble_sim;
using Bytes = std::vector<uint8_t>;

// The two things the schedule drives, each on one of two printers at a time.
class Target {
 public:
  virtual ~Target() = default;
  // Opens the printer (the facade ends a link it has first).
  virtual bool Open(const std::string &address) = 0;
  virtual void Close() = 0;
  // A write in `mode` (the port takes 0, or 1 on a printer without writes with response).
  virtual int Write(const Bytes &data, int mode, int size, int timeout_ms) = 0;
  virtual int Read(uint8_t *buffer, int count, int timeout_ms) = 0;
  virtual void SkipAvailable() = 0;
  virtual bool IsPort() const = 0;
};

class FacadeTarget final : public Target {
 public:
  bool Open(const std::string &address) override { return facade_.OpenAddress(address.c_str()); }
  void Close() override { facade_.Close(); }
  int Write(const Bytes &data, int mode, int size, int timeout_ms) override {
    facade_.SetWriteMode(mode, size, timeout_ms, 3);
    return facade_.Write(const_cast<uint8_t *>(data.data()), static_cast<int>(data.size()), 0);
  }
  int Read(uint8_t *buffer, int count, int timeout_ms) override {
    return facade_.Read(buffer, count, timeout_ms);
  }
  void SkipAvailable() override { facade_.SkipAvailable(); }
  bool IsPort() const override { return false; }

 private:
  nzio_ios_ble_basic facade_;
};

class PortTarget final : public Target {
 public:
  ~PortTarget() override { Close(); }
  bool Open(const std::string &address) override {
    if (handle_ != nullptr) {
      // One port per printer: a second port on it is refused, the first goes on.
      EXPECT_EQ(VP_Port_OpenBtBle(address_.c_str(), 0), nullptr);
      if (address == address_) return true;
      Close();
    }
    handle_ = VP_Port_OpenBtBle(address.c_str(), 0);
    address_ = address;
    return handle_ != nullptr;
  }
  void Close() override {
    if (handle_ != nullptr) VP_Port_Close(handle_);
    handle_ = nullptr;
  }
  int Write(const Bytes &data, int, int, int timeout_ms) override {
    return VP_Port_Write(handle_, data.data(), static_cast<unsigned>(data.size()),
                         static_cast<unsigned>(timeout_ms));
  }
  int Read(uint8_t *buffer, int count, int timeout_ms) override {
    return VP_Port_Read(handle_, buffer, static_cast<unsigned>(count),
                        static_cast<unsigned>(timeout_ms));
  }
  void SkipAvailable() override { VP_Port_SkipAvailable(handle_); }
  bool IsPort() const override { return true; }

 private:
  void *handle_ = nullptr;
  std::string address_;
};

struct Printer {
  std::shared_ptr<sim::BasicPrinterService> service;
  std::shared_ptr<sim::VirtualPeripheral> peripheral;
  std::string address;
  Bytes expected;  // what the printer must hold
};

class RadioSchedule {
 public:
  RadioSchedule(uint64_t seed, Target &target, std::array<uint8_t, 6> first)
      : random_(seed), target_(target) {
    // Printers of their own for each seed: the process's central remembers those it heard.
    first[3] = static_cast<uint8_t>(seed);
    // A port picks paced writes for a printer that takes no writes with response.
    const bool paced_printer = target.IsPort() && Chance(0.5);
    for (uint8_t i = 0; i < 2; ++i) {
      auto address = first;
      address[4] = static_cast<uint8_t>(address[4] + i);
      Printer p;
      p.service = std::make_shared<sim::BasicPrinterService>();
      p.service->SetTakesWritesWithResponse(!paced_printer);
      p.peripheral = sim::PlacePrinter("Printer", address, p.service);
      char text[18];
      std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", address[0], address[1],
                    address[2], address[3], address[4], address[5]);
      p.address = text;
      printers_.push_back(std::move(p));
    }
    paced_ = paced_printer;
    const std::pair<int, int> rates[] = {{6, 7500}, {3, 15000}, {1, 30000}, {2, 50000}};
    const auto rate = rates[Uniform(0, 3)];
    sim::SetLinkRate(rate.first, rate.second);
    interval_ms_ = rate.second / 1000 + 1;
  }

  void Step() {
    if (open_ < 0 || Chance(0.15)) return OpenOne();
    if (Chance(0.05)) return CloseOpen();
    if (Chance(0.2)) return ReadTagged();
    DrawFaults();
    WriteOne();
  }

 private:
  bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
  Printer &Current() { return printers_[static_cast<size_t>(open_)]; }
  // The bytes a printer sends on its current link: its number and the link's.
  Bytes Tag(size_t which) {
    const auto links = printers_[which].peripheral->Stats().connections;
    return {static_cast<uint8_t>(0xA0 + which), static_cast<uint8_t>(links)};
  }

  // Opens one of the printers: a reopen, or a second open on top of the first.
  void OpenOne() {
    const size_t which = static_cast<size_t>(Uniform(0, 1));
    if (open_ >= 0) Current().service->SendToHost(Tag(static_cast<size_t>(open_)));
    for (auto &p : printers_) {
      p.peripheral->SetLossFilter(nullptr);
      p.peripheral->SetNotificationFilter(nullptr);
    }
    const bool reopen = open_ == static_cast<int>(which);
    if (reopen && Chance(0.5)) target_.Close();
    open_ = target_.Open(printers_[which].address) ? static_cast<int>(which) : -1;
    session_ = false;
    Settle();
    if (open_ >= 0) ExpectOnlyOwnBytes();
  }

  void CloseOpen() {
    target_.Close();
    Settle();
    open_ = -1;
  }

  // Only the printer in use is attached, and every printer holds what the writes counted: each
  // write leaves nothing on its way (those that might are followed by a close).
  void Settle() {
    for (size_t i = 0; i < printers_.size(); ++i) {
      Printer &p = printers_[i];
      if (static_cast<int>(i) != open_ && p.peripheral->IsConnected()) {
        EXPECT_TRUE(p.peripheral->WaitForConnected(false, ScaledMs(6000))) << "still attached";
      }
      EXPECT_EQ(p.service->Accepted(), p.expected) << "printer " << i;
    }
  }

  void ReadTagged() {
    target_.SkipAvailable();
    ExpectOnlyOwnBytes();
  }

  // The printer in use sends its tag; a read gets it and nothing of another link.
  void ExpectOnlyOwnBytes() {
    const Bytes tag = Tag(static_cast<size_t>(open_));
    Current().service->SendToHost(tag);
    uint8_t buffer[8] = {};
    const int timeout = ScaledMs(150);
    int n = 0;
    EXPECT_LE(ElapsedMs([&] { n = target_.Read(buffer, 2, timeout); }), timeout + ScaledMs(200));
    if (n <= 0) return;  // the link dropped, or the notification was lost
    // Index reports of a write are the reader's too; tags are told from them by their first byte.
    for (int i = 0; i < n; ++i) {
      if (buffer[i] >= 0xA0 && buffer[i] <= 0xA1) {
        EXPECT_EQ(buffer[i], tag[0]) << "a byte of another printer";
        if (i + 1 < n) {
          EXPECT_EQ(buffer[i + 1], tag[1]) << "a byte of an earlier link";
        }
      }
    }
  }

  void DrawFaults() {
    auto &p = *Current().peripheral;
    if (Chance(0.1)) p.DropLinkAfterWrites(static_cast<uint64_t>(Uniform(1, 12)));
    if (Chance(0.1)) {
      p.SetTransactionTimeoutMs(Uniform(50, 800));
      p.LoseWriteAcknowledgements(1);
    }
    if (Chance(0.2)) {
      const int lost_every = Uniform(3, 20);
      p.SetNotificationFilter(
          [lost_every](uint64_t n, const std::string &, const uint8_t *, size_t) {
            return sim::NotificationFate{n % lost_every == 1, 0};
          });
    }
  }

  void WriteOne() {
    Printer &p = Current();
    const bool port = target_.IsPort();
    // The port writes with response, or paced to a printer that takes no writes with response.
    int mode = paced_ ? 1 : port ? 0 : Uniform(0, 2);
    // In an indexed session the printer takes writes without response as data packets: a host
    // writes with response before it writes paced again (docs/protocol.md).
    if (mode == 1 && session_) mode = 0;
    // Nothing tells a paced write what the link lost; the indexed protocol resends.
    if (mode == 2 && Chance(0.5)) {
      p.peripheral->SetLossRate(Uniform(1, 100) / 1000.0, static_cast<uint32_t>(Uniform(0, 1000)));
    } else {
      p.peripheral->SetLossFilter(nullptr);
    }
    const int size = Uniform(2, 182);
    // A few dozen packets at the most: each packet with response takes a round trip.
    const int count = Chance(0.1) ? 0 : Uniform(1, port ? 1500 : std::min(1500, 24 * size));
    const int timeouts[] = {0, Uniform(1, 300), Uniform(300, 1500), ScaledMs(60000)};
    // The facade's packet timeout: a packet without response (modes 1 and 2) needs a whole
    // second to be sent at all.
    const int timeout = port ? timeouts[Uniform(0, 3)] : mode == 0 ? Uniform(0, 400) : 1000;
    const Bytes data = Pattern(static_cast<size_t>(count), ++writes_);
    int result = 0;
    const long long elapsed = ElapsedMs([&] { result = target_.Write(data, mode, size, timeout); });
    if (mode == 2 && count > 5 * size) session_ = true;
    if (result > 0 && (mode == 0 || (mode == 2 && count <= 5 * size))) session_ = false;
    SCOPED_TRACE("write " + std::to_string(writes_) + " mode " + std::to_string(mode) + " size " +
                 std::to_string(size) + " timeout " + std::to_string(timeout) + " of " +
                 std::to_string(count) + " -> " + std::to_string(result) + " in " +
                 std::to_string(elapsed) + " ms");
    if (port && timeout < ScaledMs(60000)) {
      // Past its time only the packet in flight is settled, within a few connection events or
      // the transaction timeout that fails the link.
      EXPECT_LE(elapsed, timeout + ScaledMs(3 * interval_ms_ + 1000));
    }
    bool stayed_up = true;
    if (result < 0 || mode == 1) {
      // What is still on its way reaches the printer or is lost with the link; a close ends it.
      const size_t counted = p.expected.size() + static_cast<size_t>(std::max(result, 0));
      stayed_up = WaitUntil([&] {
                    return p.service->AcceptedSize() >= counted || !p.peripheral->IsConnected();
                  }) &&
                  p.peripheral->IsConnected();
      target_.Close();
      EXPECT_TRUE(p.peripheral->WaitForConnected(false, ScaledMs(6000)));
      open_ = -1;
    }
    const Bytes held = p.service->Accepted();
    ASSERT_TRUE(IsPrefix(p.expected, held)) << "bytes of earlier writes changed";
    const Bytes added(held.begin() + static_cast<long>(p.expected.size()), held.end());
    p.expected = held;
    EXPECT_TRUE(IsPrefix(added, data)) << "not a prefix of the data: " << added.size();
    if (result >= 0 && mode != 1) {
      EXPECT_EQ(added.size(), static_cast<size_t>(result)) << "the count is not what it holds";
    } else if (result >= 0) {
      // Paced: what went out, unless the link dropped before the platform's queue was empty.
      EXPECT_LE(added.size(), static_cast<size_t>(result));
      if (stayed_up) {
        EXPECT_EQ(added.size(), static_cast<size_t>(result));
      }
    }
  }

  std::mt19937_64 random_;
  Target &target_;
  std::vector<Printer> printers_;
  int open_ = -1;
  bool paced_ = false;
  bool session_ = false;  // the printer in use may be in an indexed session
  int interval_ms_ = 8;
  uint32_t writes_ = 0;
};

class BasicRadioSchedule : public BlePortTest {
 protected:
  void Play(uint64_t seed, Target &target, int steps) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RadioSchedule schedule(seed, target, address_);
    for (int i = 0; i < steps && !HasFatalFailure(); ++i) schedule.Step();
    target.Close();
  }
};

constexpr int kSeeds = 2;
constexpr int kSteps = 10;

TEST_F(BasicRadioSchedule, TheFacadeCountsWhatThePrinterHolds) {
  for (uint64_t seed = 1; seed <= kSeeds && !HasFatalFailure(); ++seed) {
    FacadeTarget facade;
    Play(seed, facade, kSteps);
    sim::RemoveAllPeripherals();
  }
}

TEST_F(BasicRadioSchedule, ThePortCountsWhatThePrinterHolds) {
  for (uint64_t seed = 1; seed <= kSeeds && !HasFatalFailure(); ++seed) {
    PortTarget port;
    Play(seed, port, kSteps);
    sim::RemoveAllPeripherals();
  }
}

}  // namespace
}  // namespace velmora::test
