// Bytes that may begin a status packet wait for the rest of it over any number of reads and
// pauses shorter than the hold bound, and go to the reader, in order, once they are shown not to
// be one or the bound passes.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "core/port/IOHandle.h"
#include "core/port/NZMemoryBufferIO.h"
#include "core/printer/DevicePackage.h"
#include "core/printer/XorCheck.h"
#include "support/Join.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using core::NZReceivedDataProcessor;
constexpr int64_t kHold = NZReceivedDataProcessor::kHoldMs;

// Error word 0x0004, info word 0x00C0.
const Bytes kPacket = {0x53, 0x04, 0x00, 0xC0, 0x00, 0x00, 0x01, 0x96};

Bytes Part(const Bytes &bytes, size_t from, size_t to) {
  return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
}

// The received events of ports without a handle (the one under test).
std::mutex g_mutex;
Bytes g_events;
void OnReceived(void *handle, unsigned char *bytes, unsigned int count, void *) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (handle == nullptr) g_events.insert(g_events.end(), bytes, bytes + count);
}

TEST(HeldStatusBytes, WaitForTheRestUpToTheHoldBound) {
  struct Step {
    int64_t at;
    Bytes chunk;           // empty: a read step that found nothing
    Bytes reader;          // everything the reader has got by then
    bool discard = false;  // the reader discards first, as a query does before it asks
  };
  const Bytes package = *core::DevicePackage::Build(0x01, 0x3F, 0x4E, Bytes{'V', 'L', 'S'});
  const Bytes answers = {0x16, 0x12, 0x12, 0x12};
  // A header whose check passes, announcing four data bytes that fail their check.
  Bytes stray = *core::DevicePackage::Build(0x00, 0x10, 0, Part(kPacket, 0, 4));
  stray.resize(core::DevicePackage::kHeaderSize);
  stray[10] ^= 0x5A;
  stray[11] = core::XorOf(stray.data(), 11);
  const struct {
    const char *name;
    std::vector<Step> steps;
    bool packet;
    size_t packages = 0;  // device packages found
  } cases[] = {
      {"one byte a read", {}, true},
      {"paused just under the bound",
       {{0, Part(kPacket, 0, 3), {}}, {kHold - 1, {}, {}}, {kHold - 1, Part(kPacket, 3, 8), {}}},
       true},
      {"paused again after each piece",
       {{0, Part(kPacket, 0, 2), {}},
        {kHold - 1, Part(kPacket, 2, 4), {}},
        {2 * kHold - 2, {}, {}},
        {2 * kHold - 2, Part(kPacket, 4, 8), {}}},
       true},
      {"paused the bound",
       {{0, Part(kPacket, 0, 3), {}},
        {kHold, {}, Part(kPacket, 0, 3)},
        {kHold + 1, Part(kPacket, 3, 8), kPacket}},
       false},
      {"a trailing S",
       {{0, {'Y', 'E', 'S'}, {'Y', 'E'}},
        {kHold - 1, {}, {'Y', 'E'}},
        {kHold, {}, {'Y', 'E', 'S'}}},
       false},
      {"a device package that ends like a packet start", {{0, package, package}}, false, 1},
      {"a stray header whose data would end inside a packet",
       {{0, Join({stray, kPacket}), stray}},
       true},
      // The packet counts, and the query gets its answers, not the packet's tail.
      {"a query's discard between the halves",
       {{0, Part(kPacket, 0, 3), {}}, {1, Part(kPacket, 3, 8), {}, true}, {2, answers, answers}},
       true},
      // The discard drops the held 'S' at once: the answers do not wait behind it.
      {"a held S before a query's discard",
       {{0, {'Y', 'E', 'S'}, {'Y', 'E'}},
        {1, {}, {'Y', 'E'}, true},
        {2, answers, Join({{'Y', 'E'}, answers})}},
       false},
      {"a held packet start before a query's discard",
       {{0, Part(kPacket, 0, 2), {}}, {1, answers, answers, true}},
       false},
  };
  ASSERT_EQ(VP_Port_AddOnPortReceivedEvent(OnReceived, nullptr), 1);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto io = std::make_unique<core::NZMemoryBufferIO>();
    ASSERT_TRUE(io->Open(64));
    core::IOHandle port(VP_PORT_TYPE_TCP, "port", std::move(io), false);
    NZReceivedDataProcessor &receiver = port.receiver();
    std::vector<Step> steps = c.steps;
    for (size_t i = 0; c.steps.empty() && i < kPacket.size(); ++i) {
      steps.push_back({static_cast<int64_t>(i), Part(kPacket, i, i + 1), {}});
    }
    g_events.clear();
    Bytes chunks, reader;
    for (const Step &step : steps) {
      if (step.discard) port.rx().Discard();
      if (step.chunk.empty()) {
        receiver.Idle(step.at);
      } else {
        receiver.Receive(step.chunk.data(), step.chunk.size(), step.at);
      }
      chunks.insert(chunks.end(), step.chunk.begin(), step.chunk.end());
      for (uint8_t byte = 0; port.rx().TakeByte(byte);) reader.push_back(byte);
      EXPECT_EQ(reader, step.reader) << "at " << step.at;
    }
    std::lock_guard<std::mutex> lock(port.autoreply().mutex);
    EXPECT_EQ(port.autoreply().error_status, c.packet ? 4 : 0);
    EXPECT_EQ(port.proto_packages().size(), c.packages);
    receiver.Finish();
    EXPECT_EQ(g_events, chunks) << "every chunk's event, once its bytes went on";
  }
  VP_Port_RemoveOnPortReceivedEvent(OnReceived);
}

// A reader that discards while a chunk is on its way through (here from the status event) drops
// the rest of that chunk too: it was received before the discard.
TEST(HeldStatusBytes, ADiscardDuringAChunkDropsTheRestOfIt) {
  auto io = std::make_unique<core::NZMemoryBufferIO>();
  ASSERT_TRUE(io->Open(64));
  core::IOHandle port(VP_PORT_TYPE_TCP, "port", std::move(io), false);
  const auto discard = [](void *, int64_t, int64_t, void *rx) {
    static_cast<core::NZIORxBuffer *>(rx)->Discard();
  };
  ASSERT_EQ(VP_Printer_AddOnPrinterStatusEvent(discard, &port.rx()), 1);
  const Bytes chunk = Join({{'a'}, kPacket, {'b', 'c'}});
  port.receiver().Receive(chunk.data(), chunk.size(), 0);
  VP_Printer_RemoveOnPrinterStatusEvent(discard);
  EXPECT_EQ(port.rx().Available(), 0u);
}

// Wherever an 'S' falls in a device answer, header or data, and however many, the answer is
// queued as soon as its last byte arrives.
TEST(HeldStatusBytes, DeviceAnswersNeverWaitForTheHold) {
  for (const uint8_t fill : {'T', 'S'}) {
    for (size_t data_size = 0; data_size < 8; ++data_size) {
      for (size_t at = 1; at < core::DevicePackage::kHeaderSize + data_size; ++at) {
        Bytes data(data_size, fill);
        uint16_t command = 0x3F;
        uint32_t parameter = 0x4E;
        if (at == 2) command = 'S';
        if (at == 3) command = 'S' << 8;
        if (at >= 4 && at < 8) parameter = uint32_t{'S'} << (8 * (at - 4));
        if (at == 10 && data_size > 0) data[0] ^= core::XorOf(data.data(), data.size()) ^ 'S';
        if (at >= 12) data[at - 12] = 'S';
        // The address sets the header check; it is 'S' itself for position 1.
        Bytes package = *core::DevicePackage::Build(0x00, command, parameter, data);
        const uint8_t address = at == 1 ? 'S' : at == 11 ? package[11] ^ 'S' : 0x01;
        package = *core::DevicePackage::Build(address, command, parameter, data);
        if (package[at] != 'S') continue;  // the length field
        SCOPED_TRACE(testing::Message() << data_size << " data bytes, 'S' at " << at);
        auto io = std::make_unique<core::NZMemoryBufferIO>();
        ASSERT_TRUE(io->Open(64));
        core::IOHandle port(VP_PORT_TYPE_TCP, "port", std::move(io), false);
        port.receiver().Receive(package.data(), package.size(), 0);
        EXPECT_EQ(port.proto_packages().size(), 1u);
        EXPECT_EQ(port.rx().Available(), package.size());
      }
    }
  }
}

}  // namespace
}  // namespace velmora::test
