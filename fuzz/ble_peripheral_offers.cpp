// A peripheral is outside input like any other: the services and characteristics it lists, the
// values it notifies and the order its answers come in, as a Bluetooth LE port meets them, and
// the advertisements it sends, as the process's central and the printer scan meet them.
//
// The port's connection object chooses the protocol its kind accepts from the services offered
// (V3, then V2, then the basic layout for a negotiating port), takes the characteristics of that
// service only, and hands the printer's data to its receive pool: for the basic layout and V3 the
// values of the data characteristic as they come, for V2 the payload of its data frames. Nothing
// else may reach the pool, and only a characteristic of that service is written to. Every
// advertisement whose manufacturer data carries a printer address reaches the scan's callback
// once, with the device's name ("null" without one) and the address; no other does.
//
// Input: byte 0 the port kind (V1, V2, V3, VA); then operations, each an opcode byte and its
// arguments, until the input ends:
//   0 services: count (up to 6), each a UUID; an error flag
//   1 characteristics of service s: s, count (up to 6), each a UUID and a properties byte; error
//   2 notifications on for characteristic c of service s: s, c; error
//   3 a value of characteristic c of service s: s, c, a length byte and the bytes; error
//   4 link up, 5 link lost, 6 connection failed
//   7 an advertisement: the device name, the advertised local name and the manufacturer data,
//     each a length byte (0xFF: none) and the bytes
// A UUID is a byte b: below 0x80 one of the UUIDs printers use (in either case); otherwise
// (b & 0x1F) bytes of text follow.
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "FuzzHarness.h"
#include "ble/BleDeviceEnumerator.h"
#include "ble/MBCentralManagerProxy.h"
#include "ble/MBPeripheralProxy.h"
#include "ble/ProtoV2Engine.h"
#include "platform/ble/DeviceCore.h"

namespace {

using velmora::ble::BleProtocol;
using velmora::ble::MBCentralManagerProxy;
using velmora::ble::MBPeripheralProxy;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;
using velmora::platform::ble::AdvertisementData;
using velmora::platform::ble::Characteristic;
using velmora::platform::ble::Error;
using velmora::platform::ble::NormalizeUuid;
using velmora::platform::ble::Peripheral;
using velmora::platform::ble::Service;
using DeviceCore = velmora::ble_sim::detail::DeviceCore;

const char *const kUuids[] = {"E7810A71-73AE-499D-8C15-FAA9AEF0C3F2",
                              "e7810a71-73ae-499d-8c15-faa9aef0c3f2",
                              "18F0",
                              "18f0",
                              "FF00",
                              "ff00",
                              "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F",
                              "bef8d6c9-9c21-4c9e-b632-bd58c1009f9f",
                              "2AF0",
                              "2af0",
                              "2AF1",
                              "FF01",
                              "ff01",
                              "FF02",
                              "FF03",
                              "180A",
                              ""};

// Reads the input front to back; past its end every read gives 0.
class Reader {
 public:
  Reader(const uint8_t *data, size_t size) : data_(data), left_(size) {}
  bool Done() const { return left_ == 0; }
  uint8_t Byte() {
    if (left_ == 0) return 0;
    --left_;
    return *data_++;
  }
  std::string Text(size_t n) {
    n = std::min(n, left_);
    std::string text(reinterpret_cast<const char *>(data_), n);
    data_ += n;
    left_ -= n;
    return text;
  }
  std::string Uuid() {
    const uint8_t b = Byte();
    if (b < 0x80) return kUuids[b % std::size(kUuids)];
    return Text(b & 0x1F);
  }
  std::optional<std::string> Optional() {
    const uint8_t n = Byte();
    if (n == 0xFF) return std::nullopt;
    return Text(n);
  }

 private:
  const uint8_t *data_;
  size_t left_;
};

// What the port must make of the offer.
struct Model {
  std::vector<BleProtocol> accepted;
  std::optional<BleProtocol> protocol;
  std::unique_ptr<velmora::ble::ProtoV2Engine> v2;  // the V2 frames as a fresh engine reads them
  Bytes pool;
  bool connected = false;
  bool write = false;  // the protocol's write characteristic is known

  bool OfProtocol(const std::string &service_uuid) const {
    return protocol && NormalizeUuid(service_uuid) == velmora::ble::ServiceUuidOf(*protocol);
  }
  void Characteristics(const Service &service) {
    if (!OfProtocol(service.uuid())) return;
    for (const auto &characteristic : service.characteristics()) {
      const std::string uuid = NormalizeUuid(characteristic->uuid());
      if ((*protocol == BleProtocol::V2 && uuid == "2AF1") ||
          (*protocol == BleProtocol::V3 && uuid == "FF02")) {
        write = true;
      }
    }
  }
  // The basic layout writes to the characteristic whose notifications are on.
  void Notifying(const Characteristic &characteristic) {
    if (OfProtocol(characteristic.serviceUuid()) && *protocol == BleProtocol::V1 &&
        NormalizeUuid(characteristic.uuid()) == "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F") {
      write = true;
    }
  }

  void Services(const std::vector<std::shared_ptr<Service>> &services) {
    for (BleProtocol p : accepted) {
      for (const auto &service : services) {
        if (NormalizeUuid(service->uuid()) != velmora::ble::ServiceUuidOf(p)) continue;
        protocol = p;
        write = false;
        v2 = std::make_unique<velmora::ble::ProtoV2Engine>(
            [this](const uint8_t *d, size_t n) { Received(d, n); });
        return;
      }
    }
  }
  void Value(const Characteristic &characteristic, const Bytes &value) {
    if (!OfProtocol(characteristic.serviceUuid())) return;
    const std::string uuid = NormalizeUuid(characteristic.uuid());
    if (*protocol == BleProtocol::V1 && uuid == "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F") {
      Received(value.data(), value.size());
    } else if (*protocol == BleProtocol::V2 && uuid == "2AF0") {
      v2->OnNotification(value.data(), value.size());
    } else if (*protocol == BleProtocol::V3 && uuid == "FF01") {
      Received(value.data(), value.size());
    }
  }
  void Received(const uint8_t *data, size_t n) {
    const size_t room = MBPeripheralProxy::kReceivePoolSize - pool.size();
    pool.insert(pool.end(), data, data + std::min(n, room));
  }
};

// The printer scan, running for the whole fuzzing session; what it reported, in order.
struct Scan {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<std::string, std::string>> reports;
  int cancel = 0;

  static void On(const char *name, const char *address, void *self) {
    Require(name != nullptr && address != nullptr);
    auto *scan = static_cast<Scan *>(self);
    {
      std::lock_guard<std::mutex> lock(scan->mutex);
      scan->reports.emplace_back(name, address);
    }
    scan->changed.notify_all();
  }
};

const Error kError{14, "Unlikely error.", "Unlikely error."};

std::shared_ptr<Peripheral> MakePeripheral(std::optional<std::string> name) {
  auto device = std::make_shared<DeviceCore>();
  device->id = "fuzz";
  device->name = std::move(name);
  return std::make_shared<Peripheral>(std::weak_ptr<velmora::platform::ble::CentralCore>(), device);
}

// A printer's advertisement that stands for no input: its report shows that every one sent
// before it has been reported.
AdvertisementData Marker() {
  AdvertisementData marker;
  marker.manufacturerData = Bytes{0x51, 0x5A, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  return marker;
}

Scan &RunningScan() {
  static Scan *scan = [] {
    auto *s = new Scan();
    std::thread([s] {
      velmora::ble::EnumerateBleDevices(0xFFFFFFFFu, &s->cancel, &Scan::On, s);
    }).detach();
    // Running once the marker is reported.
    auto central = MBCentralManagerProxy::Shared();
    std::unique_lock<std::mutex> lock(s->mutex);
    while (s->reports.empty()) {
      lock.unlock();
      central->centralManagerDidDiscoverPeripheral(MakePeripheral("end"), Marker(), -60);
      lock.lock();
      s->changed.wait_for(lock, std::chrono::milliseconds(10));
    }
    lock.unlock();
    // Reports of the markers sent meanwhile are still on their way.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    lock.lock();
    s->reports.clear();
    return s;
  }();
  return *scan;
}

// Sends the advertisements through the central and checks what the scan reported of them.
void Advertise(const std::vector<std::pair<std::shared_ptr<Peripheral>, AdvertisementData>> &ads) {
  Scan &scan = RunningScan();
  auto central = MBCentralManagerProxy::Shared();
  std::vector<std::pair<std::string, std::string>> expected;
  for (const auto &[peripheral, ad] : ads) {
    central->centralManagerDidDiscoverPeripheral(peripheral, ad, -60);
    const auto &m = ad.manufacturerData;
    if (!m || m->size() < 8 || (*m)[0] != 0x51 || (*m)[1] != 0x5A) continue;
    char address[18];
    std::snprintf(address, sizeof address, "%02X:%02X:%02X:%02X:%02X:%02X", (*m)[2], (*m)[3],
                  (*m)[4], (*m)[5], (*m)[6], (*m)[7]);
    const auto name = peripheral->name() ? peripheral->name() : ad.localName;
    expected.emplace_back(name ? name->c_str() : "null", address);
  }
  central->centralManagerDidDiscoverPeripheral(MakePeripheral("end"), Marker(), -60);
  expected.emplace_back("end", "EE:EE:EE:EE:EE:EE");
  std::unique_lock<std::mutex> lock(scan.mutex);
  Require(scan.changed.wait_for(lock, std::chrono::seconds(30),
                                [&] { return scan.reports.size() >= expected.size(); }));
  Require(scan.reports == expected);
  scan.reports.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::SilenceLog();
  if (size < 1) return 0;
  Reader in(data, size);
  const auto kind = static_cast<velmora::ble::BlePortKind>(in.Byte() % 4);
  auto proxy = MBPeripheralProxy::Create(kind);
  Model model;
  model.accepted = velmora::ble::ProtocolsOf(kind);
  auto peripheral = MakePeripheral("Printer");
  std::vector<std::pair<std::shared_ptr<Peripheral>, AdvertisementData>> ads;
  auto service_at = [&](size_t s) -> std::shared_ptr<Service> {
    const auto services = peripheral->services();
    return s < services.size() ? services[s] : nullptr;
  };
  auto characteristic_at = [&](size_t s, size_t c) -> std::shared_ptr<Characteristic> {
    auto service = service_at(s);
    if (!service) return nullptr;
    const auto list = service->characteristics();
    return c < list.size() ? list[c] : nullptr;
  };
  while (!in.Done()) {
    switch (in.Byte() % 8) {
      case 0: {
        std::vector<std::shared_ptr<Service>> services;
        for (int n = in.Byte() % 7; n > 0; --n)
          services.push_back(std::make_shared<Service>(in.Uuid()));
        peripheral->setServices(services);
        const bool error = in.Byte() & 1;
        proxy->peripheralDidDiscoverServices(peripheral, error ? &kError : nullptr);
        if (!error) model.Services(services);
        break;
      }
      case 1: {
        auto service = service_at(in.Byte());
        std::vector<std::shared_ptr<Characteristic>> list;
        for (int n = in.Byte() % 7; n > 0; --n) {
          const std::string uuid = in.Uuid();
          list.push_back(
              std::make_shared<Characteristic>(service ? service->uuid() : "", uuid, in.Byte()));
        }
        const bool error = in.Byte() & 1;
        if (!service) break;
        service->setCharacteristics(list);
        proxy->peripheralDidDiscoverCharacteristicsForService(peripheral, service,
                                                              error ? &kError : nullptr);
        if (!error) model.Characteristics(*service);
        break;
      }
      case 2: {
        auto characteristic = characteristic_at(in.Byte(), in.Byte());
        const bool error = in.Byte() & 1;
        if (!characteristic) break;
        proxy->peripheralDidUpdateNotificationStateForCharacteristic(peripheral, characteristic,
                                                                     error ? &kError : nullptr);
        if (!error) model.Notifying(*characteristic);
        break;
      }
      case 3: {
        auto characteristic = characteristic_at(in.Byte(), in.Byte());
        const std::string bytes = in.Text(in.Byte());
        const bool error = in.Byte() & 1;
        if (!characteristic) break;
        const Bytes value(bytes.begin(), bytes.end());
        characteristic->setValue(value);
        proxy->peripheralDidUpdateValueForCharacteristic(peripheral, characteristic,
                                                         error ? &kError : nullptr);
        if (!error) model.Value(*characteristic, value);
        break;
      }
      case 4:
        proxy->OnLinkConnected(peripheral);
        model.connected = true;
        break;
      case 5:
        proxy->OnLinkDisconnected(peripheral, &kError);
        model.connected = false;
        break;
      case 6:
        proxy->OnLinkFailed(peripheral, &kError);
        break;
      case 7: {
        auto device_name = in.Optional();
        AdvertisementData ad;
        ad.localName = in.Optional();
        if (auto m = in.Optional()) ad.manufacturerData = Bytes(m->begin(), m->end());
        if (ads.size() < 256) ads.emplace_back(MakePeripheral(std::move(device_name)), ad);
        break;
      }
    }
    Require(proxy->protocol() == model.protocol);
    // The port writes only once the link is up and the protocol's own write characteristic is
    // known.
    Require(proxy->IsLinkUp() == (model.connected && model.write));
  }
  Bytes pooled;
  auto &pool = proxy->receivePool();
  while (!pool.isEmpty()) pooled.push_back(pool.getByte());
  Require(pooled == model.pool);
  Advertise(ads);
  return 0;
}
