#include "core/port/IOHandle.h"

#include <vector>

#include "core/port/PortEvents.h"
#include "core/port/PortRegistry.h"
#include "platform/Clock.h"
#include "platform/DetachedThreads.h"
#include "velmora/vp_common.h"

namespace velmora::core {
namespace {

constexpr uint32_t kReadPollMs = 100;
constexpr int64_t kAutoReplyFreshTcpMs = 8000;
constexpr int64_t kAutoReplyFreshOtherMs = 6000;

// Runs `body` on a detached thread that holds a reference on `port` for its whole life; false
// when no thread could be started.
bool RunPinned(IOHandle *port, std::function<void(IOHandle *)> body) {
  Ports().Pin(port);
  const bool started = platform::startDetachedThread([port, body = std::move(body)] {
    body(port);
    Ports().Release(port);
  });
  if (!started) Ports().Release(port);
  return started;
}

}  // namespace

IOHandle::IOHandle(uint32_t port_type, std::string name, std::unique_ptr<NZIOBase> io,
                   bool autoreply_mode)
    : port_type_(port_type),
      name_(std::move(name)),
      autoreply_mode_(autoreply_mode),
      io_(std::move(io)),
      processor_(*this) {}

IOHandle::~IOHandle() {
  // Nothing may reach this object through the transport any more.
  io_->SetListener(nullptr);
  io_->Close();
}

void IOHandle::Attach() {
  io_->SetListener(this);
}

void IOHandle::StartReading() {
  if (auto *stream = dynamic_cast<NZThreadIO *>(io_.get())) {
    receiving_.store(true);
    if (!RunPinned(this, [stream](IOHandle *port) { port->ReadLoop(*stream); })) {
      receiving_.store(false);
    }
  }
}

void IOHandle::SetOpenOutcome(OpenOutcome outcome) {
  {
    std::lock_guard<std::mutex> lock(open_mutex_);
    open_outcome_ = outcome;
  }
  open_decided_.notify_all();
}

IOHandle::OpenOutcome IOHandle::AwaitOpenOutcome() {
  std::unique_lock<std::mutex> lock(open_mutex_);
  open_decided_.wait(lock, [this] { return open_outcome_ != OpenOutcome::kPending; });
  return open_outcome_;
}

void IOHandle::ReadLoop(NZThreadIO &stream) {
  std::vector<uint8_t> packet(stream.PacketSize());
  // A closed transport still gives the bytes that came before it closed.
  int n = 0;
  while (n >= 0 && (n > 0 || stream.IsOpened())) {
    n = stream.ReadPacket(packet.data(), packet.size(), processor_.ReadWaitMs(kReadPollMs));
    if (n > 0) {
      processor_.Receive(packet.data(), static_cast<size_t>(n));
    } else if (n == 0) {
      processor_.Idle();
    }
  }
  // Everything received, held bytes included, is in the buffer before the port closes.
  processor_.Finish();
  receiving_.store(false);
  rx_.Wake();
  if (stream.IsOpened()) OnTransportFailed();
}

int IOHandle::Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) {
  return io_->Write(data, count, timeout_ms);
}

int IOHandle::Read(uint8_t *buffer, uint32_t count, uint32_t timeout_ms, int break_byte) {
  const int64_t deadline = platform::steadyMs() + timeout_ms;
  uint32_t stored = 0;
  while (stored < count) {
    uint8_t byte = 0;
    if (rx_.TakeByte(byte)) {
      buffer[stored++] = byte;
      if (break_byte >= 0 && byte == static_cast<uint8_t>(break_byte)) break;
      continue;
    }
    // Bytes may still come while the read thread hands on what the transport had.
    if ((!io_->IsOpened() && !receiving_.load()) || platform::steadyMs() >= deadline) break;
    rx_.WaitForData(1);
  }
  return static_cast<int>(stored);
}

bool IOHandle::IsConnectionValid() {
  if (!io_->IsOpened()) return false;
  if (!autoreply_mode_) return true;
  const int64_t fresh =
      port_type_ == VP_PORT_TYPE_TCP ? kAutoReplyFreshTcpMs : kAutoReplyFreshOtherMs;
  std::lock_guard<std::mutex> lock(autoreply_.mutex);
  return autoreply_.any_packet && platform::steadyMs() - autoreply_.last_packet_steady_ms < fresh;
}

void IOHandle::OnTransportWritten(const uint8_t *data, size_t count) {
  PortEvents::Get().written.Raise(handle(), const_cast<unsigned char *>(data),
                                  static_cast<unsigned int>(count));
}

void IOHandle::OnTransportClosed() {
  rx_.Wake();
  proto_packages_.Wake();
  // The closed event runs on a thread of its own, which then closes the handle.
  RunPinned(this, [](IOHandle *port) {
    if (port->AwaitOpenOutcome() == OpenOutcome::kOpened) {
      PortEvents::Get().closed.Raise(port->handle());
    }
    VP_Port_Close(port->handle());
  });
}

void IOHandle::OnTransportFailed() {
  RunPinned(this, [](IOHandle *port) { port->Close(); });
}

}  // namespace velmora::core
