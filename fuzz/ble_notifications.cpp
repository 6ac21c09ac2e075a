// A printer's arbitrary notifications fed to the Bluetooth LE write engines through the calls
// their notification callbacks make: V2 frames while a group write runs, V3 flow-control messages
// while a credit write runs. Nothing may crash, put a byte on the link that the caller did not
// give, report success for data that never went out, or leave the engines' bounds; and how the
// V2 stream is cut must not change what reaches the reader.
//
// The harness drives time: the printer speaks whenever the engine writes or waits, and a wait
// ends at once (later when the printer has nothing more to say), so no input waits for real.
//
// Input: bytes 0-3 the seed that cuts the V2 stream into pieces (byte 0 also gives the packet
// size 5 + b0 % 196, bytes 1-2 the job length % 3000, byte 3 flags: bit 0 the V2 printer first
// reports 8192 bytes free and answers the setup, bit 1 the link drops once the printer has nothing
// more to say, bit 2 V3 chunks of 1 + (byte 3 >> 3) % 4 bytes instead of the packet size, bit 7
// the writes have an hour instead of 2 s); then the printer's notifications, each a length byte
// and that many bytes. Whatever their timeout, writes end soon after the printer's last word.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "FuzzHarness.h"
#include "ble/ProtoV2Engine.h"
#include "ble/ProtoV3Engine.h"
#include "ble/WaitClock.h"
#include "ble/WriteTimeUp.h"

namespace {

using velmora::ble::GattPacketLink;
using velmora::ble::ProtoV2Engine;
using velmora::ble::ProtoV3Engine;
using velmora::ble::WaitClock;
using velmora::ble::WriteTimeUp;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

// The notifications of the input: each a length byte and that many bytes (fewer at the end).
std::vector<Bytes> Notifications(const uint8_t *stream, size_t size) {
  std::vector<Bytes> out;
  while (size > 0) {
    const size_t n = std::min<size_t>(stream[0], size - 1);
    out.emplace_back(stream + 1, stream + 1 + n);
    stream += 1 + n;
    size -= 1 + n;
  }
  return out;
}

// The printer's side, scripted by the input: every write and every wait of the engine lets it
// send its next notification. Once it has nothing more to say, the link drops or stays silent.
class ScriptedPrinter final : public GattPacketLink {
 public:
  using Notify = std::function<void(const uint8_t *data, size_t count)>;
  using Written = std::function<void(const uint8_t *data, int count)>;
  ScriptedPrinter(std::vector<Bytes> script, bool drop_when_silent, Notify notify, Written written)
      : script_(std::move(script)),
        drop_when_silent_(drop_when_silent),
        notify_(std::move(notify)),
        written_(std::move(written)) {}

  bool IsLinkUp() const override { return up_; }
  int WritePackWithResponse(const uint8_t *, int, int) override { std::abort(); }
  void EndFailedLink() override {
    up_ = false;
    ended_ = true;
  }
  bool Ended() const { return ended_; }
  int WritePackWithoutResponse(const uint8_t *data, int count, int) override {
    if (!up_) return -1;  // as the platform's link does once it dropped
    written_(data, count);
    Speak();
    return count;
  }
  // Sends the next notification; false when there is none left.
  bool Speak() {
    if (next_ == script_.size()) {
      if (drop_when_silent_) up_ = false;
      return false;
    }
    const Bytes &notification = script_[next_++];
    notify_(notification.data(), notification.size());
    return true;
  }

 private:
  std::vector<Bytes> script_;
  size_t next_ = 0;
  bool drop_when_silent_;
  bool up_ = true;
  bool ended_ = false;
  Notify notify_;
  Written written_;
};

// Time that passes only while the engine waits: each wait lets the printer speak and ends a poll
// slice later, or 100 ms later when the printer had nothing to say, never past its own end.
class DrivenClock final : public WaitClock {
 public:
  explicit DrivenClock(ScriptedPrinter &printer) : printer_(printer) {}
  Clock::time_point Now() const override { return now_; }
  void WaitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &,
                 Clock::time_point until) override {
    lock.unlock();
    const bool spoke = printer_.Speak();
    lock.lock();
    now_ = std::max(now_,
                    std::min(until, now_ + (spoke ? kPollSlice : std::chrono::milliseconds(100))));
  }
  void Sleep(Clock::duration pause) override {
    const bool spoke = printer_.Speak();
    now_ += spoke ? pause : std::chrono::milliseconds(100);
  }

 private:
  ScriptedPrinter &printer_;
  Clock::time_point now_{};
};

struct Job {
  int packet_size;
  int count;
  bool answer_setup;
  bool drop_when_silent;
  int chunk_size;  // V3: the packet size, or chunks of 1 to 4 bytes, smaller than V2 allows
  int timeout_ms;
};

Job JobOf(uint32_t seed) {
  const int packet_size = 5 + static_cast<int>((seed & 0xFF) % 196);
  return {packet_size,
          static_cast<int>(((seed >> 8) & 0xFFFF) % 3000),
          (seed & 0x1000000) != 0,
          (seed & 0x2000000) != 0,
          (seed & 0x4000000) != 0 ? 1 + static_cast<int>((seed >> 27) % 4) : packet_size,
          (seed & 0x80000000u) != 0 ? 3600000 : 2000};
}

// Time as the harness drives it, and when the printer last said anything.
struct Times {
  const WaitClock *clock = nullptr;
  WaitClock::Clock::time_point last_word{};
  void Heard() { last_word = clock->Now(); }
  // A write that began at `start` stopped waiting for a silent printer, then settled (the
  // driven clock moves in steps of up to 100 ms).
  void RequireEndedSoonAfterLastWord(WaitClock::Clock::time_point start) const {
    const auto past = clock->Now() - std::max(start, last_word);
    Require(past <=
            std::chrono::milliseconds(WriteTimeUp::kSilenceMs + WriteTimeUp::kSettleMs + 200));
  }
};

// A group write while the printer says whatever the input says.
void V2Write(const Job &job, const std::vector<Bytes> &notifications) {
  ProtoV2Engine engine([](const uint8_t *, size_t) {});
  engine.LowerPacketSize(job.packet_size);
  const int payload = job.packet_size - 4;
  const int count = job.count;
  const int n = (count + payload - 1) / payload;
  const Bytes data = velmora::fuzz::CallerBytes(static_cast<size_t>(count));
  std::vector<Bytes> script = notifications;
  if (job.answer_setup) {
    // 8192 bytes free, then the setup answer: packet count and size.
    const auto lo = static_cast<uint8_t>(n), hi = static_cast<uint8_t>(n >> 8);
    const auto ps = static_cast<uint8_t>(job.packet_size);
    script.insert(script.begin(),
                  {{0, 0x0A, 1, 0, 0, 0x20, 0, 0, 0, 0}, {0, 0x0A, 3, lo, hi, ps, 0, 0, 0, 0}});
  }
  std::set<int> sent;  // packet indices
  Times times;
  ScriptedPrinter printer(
      std::move(script), job.drop_when_silent,
      [&](const uint8_t *d, size_t k) {
        times.Heard();
        engine.OnNotification(d, k);
        Require(engine.freeSpace() <= ProtoV2Engine::kMaxFreeSpace);
        const auto retry = engine.retryList();
        Require(retry.empty() || (retry.front() >= 0 && retry.back() < n));
      },
      [&](const uint8_t *p, int k) {
        if (p[0] == 0) {  // the setup
          const auto setup = ProtoV2Engine::SetupPacket(job.packet_size, n);
          Require(k == ProtoV2Engine::kSetupPacketLength &&
                  std::equal(setup.begin(), setup.end(), p));
          return;
        }
        Require(k == p[0] && k > 4 && k <= job.packet_size);
        uint8_t check = p[0] ^ p[2] ^ p[3];
        for (int i = 4; i < k; ++i) check ^= p[i];
        const int index = p[2] | (p[3] << 8);
        Require(check == p[1] && index < n);
        const int offset = index * payload;
        Require(k - 4 == std::min(payload, count - offset));
        Require(std::equal(p + 4, p + k, data.begin() + offset));
        sent.insert(index);
      });
  DrivenClock clock(printer);
  times.clock = &clock;
  engine.SetWaitClock(clock);
  const auto start = clock.Now();
  const int result = engine.WriteGroup(printer, data.data(), count, job.timeout_ms);
  Require(result == 0 || result == -1 || (result == count && sent.size() == size_t(n)));
  times.RequireEndedSoonAfterLastWord(start);
  while (printer.Speak()) {
  }
  Require(engine.retryList().empty());  // nothing kept once the group is over
}

// A credit write while the printer's flow-control messages are whatever the input says. The
// printer speaks first until the size and a credit came, as it does when the channel opens.
void V3Write(const Job &job, const std::vector<Bytes> &notifications) {
  ProtoV3Engine engine;
  engine.setMaximumWriteValueLength(job.chunk_size);
  const int count = job.count;
  const Bytes data = velmora::fuzz::CallerBytes(static_cast<size_t>(count));
  int next_offset = 0;
  int chunk = 0;
  Times times;
  ScriptedPrinter printer(
      notifications, job.drop_when_silent,
      [&](const uint8_t *d, size_t k) {
        times.Heard();
        engine.OnFlowControl(d, k);
        Require(engine.currentCredits() >= 0 &&
                engine.currentCredits() <= ProtoV3Engine::kMaxCredits);
      },
      [&](const uint8_t *p, int k) {
        // Chunks go in order, each the caller's next bytes.
        Require(k == std::min(chunk, count - next_offset) && k > 0);
        Require(std::equal(p, p + k, data.begin() + next_offset));
        next_offset += k;
      });
  // The engine's times, those of its credits included, all on the driven clock.
  DrivenClock clock(printer);
  times.clock = &clock;
  engine.SetWaitClock(clock);
  while (!engine.HasSizeAndCredits() && printer.Speak()) {
  }
  chunk = std::min(engine.maximumWriteValueLength(), engine.mtuSize());
  const auto start = clock.Now();
  const int result = engine.WriteCredits(printer, data.data(), count, job.timeout_ms);
  times.RequireEndedSoonAfterLastWord(start);
  // A count short of the whole covers only chunks that went out; a write that leaves chunks without
  // their credits ends the link.
  Require(result == -1 || (result >= 0 && result <= next_offset));
  Require(result <= 0 || result == count || result == next_offset);
  Require(result != 0 || next_offset == 0 || printer.Ended() || !printer.IsLinkUp());
  while (printer.Speak()) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  // The same V2 stream whole, in pieces and byte by byte: the same payload, the same free space.
  velmora::fuzz::SameForEveryCutting(
      in.stream, in.size, in.seed, [](const std::vector<Bytes> &chunks) {
        Bytes payload;
        ProtoV2Engine engine(
            [&](const uint8_t *d, size_t n) { payload.insert(payload.end(), d, d + n); });
        for (const Bytes &chunk : chunks) engine.OnNotification(chunk.data(), chunk.size());
        return std::pair(payload, engine.freeSpace());
      });
  const Job job = JobOf(in.seed);
  const auto notifications = Notifications(in.stream, in.size);
  V2Write(job, notifications);
  V3Write(job, notifications);
  return 0;
}
