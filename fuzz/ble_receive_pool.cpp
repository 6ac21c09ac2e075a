// The printer's data on its way to the reader over Bluetooth LE: notifications of the basic
// layout (every byte is data, index reports included) and of protocol V3 (FF01 data; FF03 flow
// control, never data) go into the channels' receive pools and come out through their Read, and
// through the ports' protocol handlers into a receive pool of any size. What comes out is what
// went in, in order, less what arrived while the pool was full (the oldest bytes are kept); a
// Read returns exactly what its count and timeout allow.
//
// Input: bytes 0-3 a seed (the small pool's size, 1 + seed % 512), then operations, each an
// operation byte o and its arguments:
//   o & 3 == 0, 1, 2: a notification of the basic layout, of V3 data or of V3 flow control: a
//     length byte and that many bytes, notified 1 + (o >> 2) times;
//   o & 3 == 3: a length byte c and a timeout byte t: Read of c bytes within t ms from the basic
//     channel (o & 4 clear) or the V3 channel (o & 4 set), or with o & 8 set, SkipAvailable.
#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "FuzzHarness.h"
#include "ble/BufferPool.h"
#include "ble/MBProtocolHandler.h"
#include "ble/WaitClock.h"
#include "ble/channels/BLEPrinting.h"
#include "ble/channels/BLERWProtoV3.h"
#include "platform/ble/DeviceCore.h"
#include "velmora/log.hpp"

namespace {

namespace pb = velmora::platform::ble;
using velmora::ble::BufferPool;
using velmora::ble::WaitClock;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

// Time that passes only while a Read pauses.
class DrivenClock final : public WaitClock {
 public:
  Clock::time_point Now() const override { return now_; }
  void Sleep(Clock::duration pause) override { now_ += pause; }

 private:
  Clock::time_point now_{};
};

// A pool's contents as they must be: bytes that arrive while `capacity` are unread are dropped.
struct Model {
  explicit Model(size_t size) : capacity(size) {}
  size_t capacity;
  std::deque<uint8_t> bytes;
  uint64_t dropped = 0;
  void Put(const Bytes &value) {
    for (uint8_t b : value) {
      if (bytes.size() < capacity) {
        bytes.push_back(b);
      } else {
        ++dropped;
      }
    }
  }
};

// A channel connected to a printer that exists only as the callbacks the harness makes; its
// reads run on a clock of their own.
struct Connected {
  DrivenClock clock;
  std::shared_ptr<velmora::ble::BLEChannel> channel;
  std::shared_ptr<pb::Characteristic> data;
  std::shared_ptr<pb::Characteristic> flow;  // V3 only
  std::shared_ptr<pb::Peripheral> peripheral;
};

std::shared_ptr<pb::Peripheral> ConnectedPeripheral() {
  auto peripheral = std::make_shared<pb::Peripheral>(
      std::weak_ptr<pb::CentralCore>(), std::make_shared<velmora::ble_sim::detail::DeviceCore>());
  peripheral->setState(pb::PeripheralState::Connected);
  return peripheral;
}

// Opens the channel on the peripheral, its printer's side played by `answers` (the callbacks the
// platform makes once the link is up): a channel takes the events of the printer it opens only.
void Open(velmora::ble::BLEChannel &channel, const std::shared_ptr<pb::Peripheral> &peripheral,
          const std::function<void()> &answers) {
  Require(channel.waitForCBCentralManagerStatePoweredOn(5000));
  bool opened = false;
  std::thread opening([&] { opened = channel.BaseOpen(peripheral); });
  while (!channel.isConnected()) {
    channel.centralManagerDidConnectPeripheral(peripheral);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  answers();
  opening.join();
  Require(opened);
}

Connected &Basic() {
  static Connected *basic = [] {
    auto *c = new Connected;
    auto channel = velmora::ble::MakeChannel<velmora::ble::BLEPrinting>();
    c->peripheral = ConnectedPeripheral();
    c->data = std::make_shared<pb::Characteristic>(
        velmora::ble::BLEPrinting::kServiceUuid, velmora::ble::BLEPrinting::kCharacteristicUuid,
        pb::kPropertyWrite | pb::kPropertyWriteWithoutResponse | pb::kPropertyNotify);
    Open(*channel, c->peripheral, [&] {
      channel->peripheralDidUpdateNotificationStateForCharacteristic(c->peripheral, c->data,
                                                                     nullptr);
    });
    channel->SetReadClock(c->clock);
    c->channel = channel;
    return c;
  }();
  return *basic;
}

Connected &V3() {
  static Connected *v3 = [] {
    using velmora::ble::BLERWProtoV3;
    auto *c = new Connected;
    auto channel = velmora::ble::MakeChannel<BLERWProtoV3>();
    c->peripheral = ConnectedPeripheral();
    c->data = std::make_shared<pb::Characteristic>(BLERWProtoV3::kServiceUuid,
                                                   BLERWProtoV3::kDataUuid, pb::kPropertyNotify);
    c->flow = std::make_shared<pb::Characteristic>(
        BLERWProtoV3::kServiceUuid, BLERWProtoV3::kFlowControlUuid, pb::kPropertyNotify);
    auto write = std::make_shared<pb::Characteristic>(
        BLERWProtoV3::kServiceUuid, BLERWProtoV3::kWriteUuid, pb::kPropertyWriteWithoutResponse);
    auto service = std::make_shared<pb::Service>(BLERWProtoV3::kServiceUuid);
    service->setCharacteristics({c->data, write, c->flow});
    Open(*channel, c->peripheral, [&] {
      channel->peripheralDidDiscoverCharacteristicsForService(c->peripheral, service, nullptr);
      channel->peripheralDidUpdateNotificationStateForCharacteristic(c->peripheral, c->data,
                                                                     nullptr);
      channel->peripheralDidUpdateNotificationStateForCharacteristic(c->peripheral, c->flow,
                                                                     nullptr);
      // The printer's size and first credits, as it sends them when notifications start.
      for (const Bytes &message : {Bytes{0x02, 0xB4, 0x00}, Bytes{0x01, 0x10}}) {
        c->flow->setValue(message);
        channel->peripheralDidUpdateValueForCharacteristic(c->peripheral, c->flow, nullptr);
      }
    });
    channel->SetReadClock(c->clock);
    c->channel = channel;
    return c;
  }();
  return *v3;
}

void Notify(Connected &c, const std::shared_ptr<pb::Characteristic> &characteristic,
            const Bytes &value) {
  characteristic->setValue(value);
  c.channel->peripheralDidUpdateValueForCharacteristic(c.peripheral, characteristic, nullptr);
}

// Reads through the channel and checks the result against the model.
void ReadAndCheck(Connected &c, Model &model, int count, int timeout_ms) {
  Bytes out(static_cast<size_t>(count) + 1, 0xEE);
  const int n = c.channel->Read(out.data(), 1, count, timeout_ms);
  // One byte per millisecond, as the poll goes.
  const size_t expected = std::min({static_cast<size_t>(count), model.bytes.size(),
                                    static_cast<size_t>(std::max(timeout_ms, 0))});
  Require(n >= 0 && static_cast<size_t>(n) == (count == 0 ? 0 : expected));
  Require(out[0] == 0xEE);  // nothing before the offset
  for (int i = 0; i < n; ++i) {
    Require(out[1 + static_cast<size_t>(i)] == model.bytes.front());
    model.bytes.pop_front();
  }
  Require(c.channel->rxBuffer().available() == model.bytes.size());
}

// The port side: a protocol handler's data into a pool of any size, taken out byte by byte.
struct PortSide {
  std::unique_ptr<velmora::ble::MBProtocolHandler> handler;
  std::unique_ptr<BufferPool> pool;
  Model model;
  void Take(size_t count) {
    for (size_t i = 0; i < count && !pool->isEmpty(); ++i) {
      Require(!model.bytes.empty() && pool->getByte() == model.bytes.front());
      model.bytes.pop_front();
    }
    Require(pool->available() == model.bytes.size() && pool->droppedCount() == model.dropped);
  }
};

PortSide MakePortSide(bool v3, size_t size) {
  PortSide side{nullptr, std::make_unique<BufferPool>(static_cast<int>(size)), Model(size)};
  BufferPool *pool = side.pool.get();
  auto sink = [pool](const uint8_t *data, size_t count) { pool->put(data, count); };
  side.handler =
      v3 ? velmora::ble::MakeProtoV3Handler(sink) : velmora::ble::MakeProtoV1Handler(sink);
  return side;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::SilenceLog();
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  Connected &basic = Basic();
  Connected &v3 = V3();
  basic.channel->SkipAvailable();
  v3.channel->SkipAvailable();
  const size_t channel_pool = static_cast<size_t>(velmora::ble::BLEChannel::kReceivePoolSize);
  Model basic_model(channel_pool);
  Model v3_model(channel_pool);
  const size_t small = 1 + in.seed % 512;
  PortSide port_basic = MakePortSide(false, small);
  PortSide port_v3 = MakePortSide(true, small);

  const uint8_t *p = in.stream;
  const uint8_t *end = in.stream + in.size;
  while (end - p >= 2) {
    const uint8_t op = *p++;
    if ((op & 3) == 3) {
      const int count = *p++;
      const int timeout_ms = p < end ? *p++ : 0;
      if (op & 8) {
        Connected &c = (op & 4) ? v3 : basic;
        c.channel->SkipAvailable();
        ((op & 4) ? v3_model : basic_model).bytes.clear();
        Require(c.channel->rxBuffer().isEmpty());
        continue;
      }
      if (op & 4) {
        ReadAndCheck(v3, v3_model, count, timeout_ms);
        port_v3.Take(static_cast<size_t>(count));
      } else {
        ReadAndCheck(basic, basic_model, count, timeout_ms);
        port_basic.Take(static_cast<size_t>(count));
      }
      continue;
    }
    const size_t length = *p++;
    const size_t n = std::min(length, static_cast<size_t>(end - p));
    const Bytes value(p, p + n);
    p += n;
    const int repeat = 1 + (op >> 2);
    for (int i = 0; i < repeat; ++i) {
      switch (op & 3) {
        case 0:
          Notify(basic, basic.data, value);
          basic_model.Put(value);
          port_basic.handler->OnValue(basic.data, value);
          port_basic.model.Put(value);
          break;
        case 1:
          Notify(v3, v3.data, value);
          v3_model.Put(value);
          port_v3.handler->OnValue(v3.data, value);
          port_v3.model.Put(value);
          break;
        default:  // flow control: credits and sizes, never data
          Notify(v3, v3.flow, value);
          port_v3.handler->OnValue(v3.flow, value);
          break;
      }
    }
    Require(basic.channel->rxBuffer().available() == basic_model.bytes.size());
    Require(v3.channel->rxBuffer().available() == v3_model.bytes.size());
  }
  // Everything left comes out in order.
  ReadAndCheck(basic, basic_model, static_cast<int>(basic_model.bytes.size()), 1 << 20);
  ReadAndCheck(v3, v3_model, static_cast<int>(v3_model.bytes.size()), 1 << 20);
  port_basic.Take(small);
  port_v3.Take(small);
  return 0;
}
