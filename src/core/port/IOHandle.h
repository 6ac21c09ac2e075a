#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/port/NZIOBase.h"
#include "core/port/NZIORxBuffer.h"
#include "core/printer/AutoReplyRecord.h"
#include "core/printer/NZLabelPrinter.h"
#include "core/printer/NZPosPrinter.h"
#include "core/printer/NZProtoPackageQueue.h"
#include "core/printer/NZReceivedDataProcessor.h"
#include "core/printer/PrinterProperties.h"
#include "core/printer/PrinterQueryState.h"

namespace velmora::core {

// The port object behind every handle: the open transport, the receive buffer, the
// printer-side records and the wiring that turns transport happenings into port events.
// It lives in the port registry (PortRegistry.h), which gives it its opaque handle.
class IOHandle final : public NZIOListener {
 public:
  static constexpr uint32_t kDefaultWriteTimeoutMs = 3600000;

  IOHandle(uint32_t port_type, std::string name, std::unique_ptr<NZIOBase> io, bool autoreply_mode);
  ~IOHandle() override;
  IOHandle(const IOHandle &) = delete;
  IOHandle &operator=(const IOHandle &) = delete;

  // The handle the caller knows this port by (null until the registry gave it one). Every
  // event names the port by it.
  void *handle() const { return handle_.load(); }
  void SetHandle(void *handle) { handle_.store(handle); }
  uint32_t port_type() const { return port_type_; }
  const std::string &name() const { return name_; }
  bool autoreply_mode() const { return autoreply_mode_; }
  uint32_t default_write_timeout_ms() const { return default_write_timeout_ms_.load(); }

  NZIOBase &io() { return *io_; }
  // The transport as a given kind, or null when the port is of another kind.
  template <typename T>
  T *io_as() {
    return dynamic_cast<T *>(io_.get());
  }
  NZIORxBuffer &rx() { return rx_; }
  AutoReplyRecord &autoreply() { return autoreply_; }
  NZProtoPackageQueue &proto_packages() { return proto_packages_; }
  PrinterQueryState &queries() { return queries_; }
  // Where the read thread hands every chunk; fed directly only where no read thread runs.
  NZReceivedDataProcessor &receiver() { return processor_; }
  // The printer command objects, bound to this port's transport, and their property cache.
  NZPosPrinter &pos() { return pos_; }
  NZLabelPrinter &label() { return label_; }
  PrinterPropertyCache &printer_properties() { return printer_properties_; }

  // Connects the transport to this port. Called once, after the port entered the registry.
  void Attach();
  // Starts the read thread of a stream transport, once the open's set-up is through.
  void StartReading();

  // How the open that made this port ended. The closed event waits for it: it never comes
  // before the opened event, and not at all for a port whose open failed.
  enum class OpenOutcome { kPending, kOpened, kFailed };
  void SetOpenOutcome(OpenOutcome outcome);

  int Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms);
  // Takes bytes from the receive buffer until `count`, the timeout, or (when break_byte is
  // 0..255) right after a byte equal to it. Bytes already received are returned even when
  // the transport has closed meanwhile.
  int Read(uint8_t *buffer, uint32_t count, uint32_t timeout_ms, int break_byte);
  bool IsOpened() const { return io_->IsOpened(); }
  bool IsConnectionValid();
  void Close() { io_->Close(); }

  // NZIOListener
  void OnTransportWritten(const uint8_t *data, size_t count) override;
  void OnTransportClosed() override;
  void OnTransportFailed() override;

 private:
  OpenOutcome AwaitOpenOutcome();
  void ReadLoop(NZThreadIO &stream);

  std::atomic<void *> handle_{nullptr};
  // The read thread is running: bytes may still reach the receive buffer.
  std::atomic<bool> receiving_{false};
  const uint32_t port_type_;
  const std::string name_;
  const bool autoreply_mode_;
  std::atomic<uint32_t> default_write_timeout_ms_{kDefaultWriteTimeoutMs};
  std::unique_ptr<NZIOBase> io_;
  NZIORxBuffer rx_;
  AutoReplyRecord autoreply_;
  NZProtoPackageQueue proto_packages_;
  PrinterQueryState queries_;
  NZReceivedDataProcessor processor_;
  std::mutex open_mutex_;
  std::condition_variable open_decided_;
  OpenOutcome open_outcome_ = OpenOutcome::kPending;
  PrinterPropertyCache printer_properties_;
  NZPosPrinter pos_{*this, printer_properties_};
  NZLabelPrinter label_{*this};
};

}  // namespace velmora::core
