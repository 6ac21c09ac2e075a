// The simulated Bluetooth LE radio that the library's Bluetooth LE channels run on, and the virtual
// printers that can be placed in its range. An application can test its printing code against
// these exactly as the library's own tests do:
//
//   auto printer = velmora::ble_sim::VirtualPeripheral::Create("Printer");
//   printer->SetPrinterAddress({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
//   auto v3 = std::make_shared<velmora::ble_sim::ProtoV3PrinterService>();
//   printer->AddService(v3);
//   velmora::ble_sim::AddPeripheral(printer);
//   nzio_ios_ble_rwprotov3 channel;          // from velmora/nzio_ble_channels.hpp
//   channel.OpenAddress("00:11:22:33:44:55");
//   ...
//   v3->Accepted();                          // the bytes the printer took in, in order
//
// Device-side code (service handlers, sinks, loss filters) runs on the radio's own thread, one
// call at a time, in the order the link carried the packets. It must not block for long: the
// whole radio waits for it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velmora/vp_common.h"

namespace velmora::ble_sim {

using Bytes = std::vector<uint8_t>;
using ByteSink = std::function<void(const uint8_t *data, size_t count)>;

namespace detail {
class DeviceCore;
struct ServiceSlot;
struct AcceptedBytes;
}  // namespace detail

// Characteristic property bits, as the platform reports them.
inline constexpr uint32_t kPropertyRead = 0x02;
inline constexpr uint32_t kPropertyWriteWithoutResponse = 0x04;
inline constexpr uint32_t kPropertyWrite = 0x08;
inline constexpr uint32_t kPropertyNotify = 0x10;

// ---- The air -------------------------------------------------------------------------------

// A central manager created after this call reports its state (powered on, or powered off when
// the adapter is off) this many milliseconds after its creation. Default 5.
VP_API void SetPowerOnDelayMs(int delay_ms);
// Switching the adapter off drops every link, ends every scan and turns every central to
// powered off; switching it on turns them back to powered on. Default on.
VP_API void SetAdapterPoweredOn(bool powered_on);
// How often a scanning central hears the peripherals in range. Default 20 ms.
VP_API void SetAdvertisingIntervalMs(int interval_ms);
// Time from a connection request to the link being up. Default 1 ms.
VP_API void SetConnectDelayMs(int delay_ms);
// Link rate: at most `packets_per_interval` packets in each direction per connection interval of
// `interval_us` microseconds. Every GATT write, write acknowledgement, notification and GATT
// request or answer is one packet. Requests (writes with response, GATT discovery and
// subscriptions) go one at a time, as the attribute protocol has it: each waits until the answer
// to the one before it has reached the central; writes without response pass meanwhile. A write
// with response the link refuses (too long, or to a characteristic that takes none) is answered
// with an error in its turn. By default a link runs as a phone's does: 6 packets per
// 7.5 ms interval. 0 packets per interval is a fast mode that no real link has: packets pass as
// fast as the radio thread runs.
inline constexpr int kDefaultPacketsPerInterval = 6;
inline constexpr int kDefaultIntervalUs = 7500;
VP_API void SetLinkRate(int packets_per_interval, int interval_us);
// The platform queues at most this many writes without response per link. While the queue is
// full it reports that it cannot send one and drops any that are written anyway; once there is
// room again it tells the peripheral's delegate.
inline constexpr int kWriteWithoutResponseQueueLength = 10;
// Puts every setting above back to its default (the adapter on), for code that runs one test
// after another in one process.
VP_API void RestoreRadioDefaults();
// Bytes per second the link carries in one direction when every packet holds `packet_bytes`
// bytes; 0 when the rate is unlimited.
VP_API double LinkCapacityBytesPerSecond(int packet_bytes);

class VirtualPeripheral;
class ServiceHandler;

// Places a peripheral in range (it starts advertising) or takes it out of range (its link drops
// and it is heard no more).
VP_API void AddPeripheral(const std::shared_ptr<VirtualPeripheral> &peripheral);
VP_API void RemovePeripheral(const std::shared_ptr<VirtualPeripheral> &peripheral);
VP_API void RemoveAllPeripherals();

// Manufacturer data that carries a printer address: 51 5A and the six address bytes.
VP_API Bytes PrinterManufacturerData(const std::array<uint8_t, 6> &address);

// ---- Peripherals ---------------------------------------------------------------------------

struct CharacteristicSpec {
  std::string uuid;
  uint32_t properties = 0;
};

// One write as it reached the peripheral.
struct WriteRecord {
  std::string characteristic;
  Bytes data;
  bool with_response = false;
};

struct LinkStats {
  uint64_t connections = 0;
  uint64_t writes_received = 0;  // writes that reached a service
  uint64_t bytes_received = 0;
  uint64_t writes_lost = 0;                // writes without response dropped by the loss filter
  uint64_t writes_rejected = 0;            // writes the link refused (too long, wrong property)
  uint64_t notifications_sent = 0;         // notifications put on the link
  uint64_t notifications_dropped = 0;      // notifications nobody was subscribed to
  uint64_t writes_dropped_queue_full = 0;  // writes without response made while the queue was full
  uint64_t acknowledgements_lost = 0;      // writes with response never answered
  uint64_t notifications_lost = 0;         // notifications the notification filter lost
};

// What the link does with one notification: lose it, or hold it (and everything behind it, since
// the link keeps its order) back for a while.
struct NotificationFate {
  bool lost = false;
  int delay_ms = 0;
};

// A simulated Bluetooth LE device: identity, advertisement, GATT services and link faults.
class VP_API VirtualPeripheral {
 public:
  static std::shared_ptr<VirtualPeripheral> Create(std::optional<std::string> name);
  ~VirtualPeripheral();
  VirtualPeripheral(const VirtualPeripheral &) = delete;
  VirtualPeripheral &operator=(const VirtualPeripheral &) = delete;

  // The platform's identifier of the device (a UUID string, unique per peripheral).
  std::string Identifier() const;

  // Advertisement. A change of name, manufacturer data or services is reported again to
  // centrals that scan without duplicates.
  void SetName(std::optional<std::string> name);
  void SetManufacturerData(std::optional<Bytes> data);
  void SetPrinterAddress(const std::array<uint8_t, 6> &address);
  void SetRssi(int rssi);
  // Service UUIDs put in the advertisement; by default those of the services added.
  void SetAdvertisedServices(std::vector<std::string> uuids);

  // GATT layout: one handler per service; several services may be offered at once.
  void AddService(std::shared_ptr<ServiceHandler> service);

  // Longest value a central may write in one go (defaults 512 with response, 182 without) and the
  // longest notification (default 182).
  void SetMaximumWriteLength(int with_response, int without_response);
  void SetMaximumNotificationLength(int length);
  int MaximumNotificationLength() const;

  // ---- Faults ----
  // Connection attempts fail at once with an error.
  void SetRefuseConnections(bool refuse);
  // Decides for every write without response whether the link loses it (true: lost). `sequence`
  // counts the writes without response of the current connection from 0.
  void SetLossFilter(
      std::function<bool(uint64_t sequence, const uint8_t *data, size_t count)> filter);
  // Loses each write without response with this probability (deterministic for a seed).
  void SetLossRate(double fraction, uint32_t seed);
  // The next `count` writes with response are answered with an error (-1: all of them).
  void RefuseWritesWithResponse(int count);
  // The next `count` writes with response reach the services but are never answered. As on a
  // real link, the unanswered request holds back every later request (writes with response, GATT
  // discovery and subscriptions; writes without response still pass) until the transaction times
  // out, which drops the link.
  void LoseWriteAcknowledgements(int count);
  // Time an unanswered request may take before the link drops. Default 30000 ms.
  void SetTransactionTimeoutMs(int timeout_ms);
  // Decides for every notification of the current connection whether it is lost or held back.
  // `sequence` counts the notifications put on the link from 0.
  void SetNotificationFilter(
      std::function<NotificationFate(uint64_t sequence, const std::string &characteristic,
                                     const uint8_t *data, size_t count)>
          filter);
  // The next `count` notifications reach the central with an error instead of a value.
  void FailNotifications(int count);
  // Switching notifications on for this characteristic fails with an error.
  void FailSubscription(const std::string &characteristic, bool fail);
  // Drops the link now (the central sees a disconnection with an error).
  void DropLink();
  // Drops the link right after this many further writes have reached the services.
  void DropLinkAfterWrites(uint64_t writes);

  // ---- Observation ----
  bool IsConnected() const;
  bool WaitForConnected(bool connected, int timeout_ms) const;
  LinkStats Stats() const;
  // Every write that reached a service, in order, while recording is on (off by default).
  void RecordWrites(bool on);
  std::vector<WriteRecord> Writes() const;

  detail::DeviceCore &core() const { return *core_; }

 private:
  explicit VirtualPeripheral(std::optional<std::string> name);
  std::shared_ptr<detail::DeviceCore> core_;
};

// The device side of one GATT service. Calls arrive on the radio thread, in link order.
class VP_API ServiceHandler {
 public:
  ServiceHandler();
  virtual ~ServiceHandler();
  ServiceHandler(const ServiceHandler &) = delete;
  ServiceHandler &operator=(const ServiceHandler &) = delete;

  virtual std::string ServiceUuid() const = 0;
  virtual std::vector<CharacteristicSpec> Characteristics() const = 0;
  // A central wrote a value. Returning false refuses it (seen only by writes with response).
  virtual bool OnWrite(const std::string &characteristic, const uint8_t *data, size_t count,
                       bool with_response) = 0;
  virtual void OnSubscriptionChanged(const std::string &characteristic, bool enabled);
  virtual void OnConnected();
  virtual void OnDisconnected();

  // Sends one notification of the characteristic to the connected central, if it listens.
  bool Notify(const std::string &characteristic, const uint8_t *data, size_t count);
  bool IsSubscribed(const std::string &characteristic) const;
  int MaximumNotificationLength() const;
  // Runs `task` on the radio thread after `delay_us` microseconds (for device-side timers).
  void Schedule(int delay_us, std::function<void()> task);

 protected:
  using NotifyFunction =
      std::function<bool(const std::string &characteristic, const uint8_t *data, size_t count)>;
  // A Notify that stays safe to call after the handler is gone (it then does nothing).
  NotifyFunction Notifier() const;

 private:
  friend class VirtualPeripheral;
  std::shared_ptr<detail::ServiceSlot> slot_;
};

// ---- Virtual printers ----------------------------------------------------------------------

// What every virtual printer service has: the bytes it accepted from the host, in order, a
// pluggable sink that sees them too, and a way to send bytes back to the host. A printer's brain
// (status answers, automatic status) plugs in through the sink and SendToHost.
class VP_API PrinterService : public ServiceHandler {
 public:
  PrinterService();
  ~PrinterService() override;

  Bytes Accepted() const;
  size_t AcceptedSize() const;
  void ClearAccepted();
  bool WaitForAccepted(size_t count, int timeout_ms) const;
  // Every accepted chunk also goes to `sink`, in order, on the radio thread.
  void SetSink(ByteSink sink);

  // Sends bytes to the host the way the protocol carries the printer's data.
  virtual void SendToHost(const uint8_t *data, size_t count) = 0;
  void SendToHost(const Bytes &bytes) { SendToHost(bytes.data(), bytes.size()); }
  // Sends one raw notification on the printer's main notifying characteristic.
  virtual bool SendRawNotification(const Bytes &bytes) = 0;
  // Breaches of the flow control by the host that the printer caught (and whose excess bytes it
  // dropped, as a real printer would).
  virtual uint64_t ProtocolErrors() const { return 0; }

 protected:
  void Accept(const uint8_t *data, size_t count);
  // Splits `bytes` into notifications of at most the link's notification length.
  void NotifyInPieces(const std::string &characteristic, const Bytes &bytes);

 private:
  std::shared_ptr<detail::AcceptedBytes> accepted_;
};

// The basic layout (one service, one characteristic that is written and notifies) with its
// indexed write protocol: start command 10 07 01 00 01, index request 10 07 01 00 00, data
// packets of one index byte and data, index report 10 07 FF nn. Other writes are plain data.
class VP_API BasicPrinterService : public PrinterService {
 public:
  static constexpr const char *kServiceUuid = "E7810A71-73AE-499D-8C15-FAA9AEF0C3F2";
  static constexpr const char *kCharacteristicUuid = "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F";

  struct Stats {
    uint64_t start_commands = 0;
    uint64_t index_requests = 0;
    uint64_t index_reports = 0;
    uint64_t data_packets = 0;     // accepted in sequence
    uint64_t out_of_sequence = 0;  // discarded: not the index the printer expected
  };

  BasicPrinterService();
  ~BasicPrinterService() override;

  // With false the printer never answers an index request.
  void SetAnswerIndexRequests(bool answer);
  // With false the characteristic takes only writes without response (as some printers'
  // do): the host can neither send the indexed protocol's commands nor have packets
  // acknowledged. Set it before the service is added to a peripheral.
  void SetTakesWritesWithResponse(bool takes);
  Stats GetStats() const;

  std::string ServiceUuid() const override;
  std::vector<CharacteristicSpec> Characteristics() const override;
  bool OnWrite(const std::string &characteristic, const uint8_t *data, size_t count,
               bool with_response) override;
  void OnDisconnected() override;
  void SendToHost(const uint8_t *data, size_t count) override;
  using PrinterService::SendToHost;
  bool SendRawNotification(const Bytes &bytes) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Protocol V2: group setup, buffer-size frames, resend requests and the received count.
class VP_API ProtoV2PrinterService : public PrinterService {
 public:
  static constexpr const char *kServiceUuid = "18F0";
  static constexpr const char *kNotifyUuid = "2AF0";
  static constexpr const char *kWriteUuid = "2AF1";

  struct Stats {
    uint64_t setups = 0;
    uint64_t packets = 0;      // group packets received (duplicates included)
    uint64_t bad_packets = 0;  // wrong length or check byte
    uint64_t duplicates = 0;
    uint64_t resend_requests = 0;
    uint64_t groups_completed = 0;
    uint64_t overruns = 0;         // new packets beyond the free space advertised, dropped
    uint64_t held_high_water = 0;  // most bytes ever held ahead of a missing packet
  };

  ProtoV2PrinterService();
  ~ProtoV2PrinterService() override;

  // Free receive space the printer reports (set frame, at most 8192) when notifications start and
  // before each setup answer. Default 8192.
  void SetBufferSize(int bytes);
  // With false the printer never sends a buffer-size frame.
  void SetSendBufferFrames(bool send);
  // With true (default) the printer gives back the space of every packet it takes in.
  void SetReturnBufferSpace(bool give_back);
  // Packet size the setup answer echoes; nullopt (the default) echoes the size announced.
  void SetAnsweredPacketSize(std::optional<int> size);
  // With false the printer never answers a setup.
  void SetAnswerSetup(bool answer);
  // Added to the packet count the printer reports as received (default 0).
  void SetReceivedCountOffset(int offset);
  // Idle time after which missing packets of an unfinished group are asked for again (those the
  // advertised space let the host send). Default 50.
  void SetResendTimeoutMs(int timeout_ms);
  Stats GetStats() const;
  uint64_t ProtocolErrors() const override;

  std::string ServiceUuid() const override;
  std::vector<CharacteristicSpec> Characteristics() const override;
  bool OnWrite(const std::string &characteristic, const uint8_t *data, size_t count,
               bool with_response) override;
  void OnSubscriptionChanged(const std::string &characteristic, bool enabled) override;
  void OnDisconnected() override;
  void SendToHost(const uint8_t *data, size_t count) override;
  using PrinterService::SendToHost;
  // A buffer-size frame sent this way counts as space advertised.
  bool SendRawNotification(const Bytes &bytes) override;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Protocol V3: size and credit messages on the flow-control characteristic.
class VP_API ProtoV3PrinterService : public PrinterService {
 public:
  static constexpr const char *kServiceUuid = "FF00";
  static constexpr const char *kDataUuid = "FF01";
  static constexpr const char *kWriteUuid = "FF02";
  static constexpr const char *kFlowControlUuid = "FF03";

  ProtoV3PrinterService();
  ~ProtoV3PrinterService() override;

  // Chunk size announced (02 size 00) when flow-control notifications start. Default 180;
  // nullopt: no size message.
  void SetAnnouncedSize(std::optional<int> size);
  // Credits granted right after the size message (01 n). Default 16; 0: none.
  void SetInitialCredits(int credits);
  // Credits are given back for chunks taken in, `batch` at a time (default 1).
  void SetCreditBatch(int batch);
  // The printer stops granting credits once it has granted this many in all (-1: no limit).
  void SetCreditLimit(int total);
  uint64_t ChunksReceived() const;
  // Chunks that came without a credit for them; the printer dropped them.
  uint64_t ProtocolErrors() const override;

  std::string ServiceUuid() const override;
  std::vector<CharacteristicSpec> Characteristics() const override;
  bool OnWrite(const std::string &characteristic, const uint8_t *data, size_t count,
               bool with_response) override;
  void OnSubscriptionChanged(const std::string &characteristic, bool enabled) override;
  void SendToHost(const uint8_t *data, size_t count) override;
  using PrinterService::SendToHost;
  bool SendRawNotification(const Bytes &bytes) override;
  // Sends one raw flow-control message; a credit message counts as credit granted.
  bool SendFlowControl(const Bytes &bytes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A virtual printer peripheral with one printer service, placed in range.
VP_API std::shared_ptr<VirtualPeripheral> PlacePrinter(
    const std::optional<std::string> &name, const std::array<uint8_t, 6> &address,
    const std::shared_ptr<PrinterService> &service);

}  // namespace velmora::ble_sim
