#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::core {

// What a transport tells the port that owns it. Calls arrive on the thread that caused them.
class NZIOListener {
 public:
  virtual ~NZIOListener() = default;
  // Bytes were written (at least one).
  virtual void OnTransportWritten(const uint8_t *data, size_t count) = 0;
  // The transport went from open to closed (once per transport).
  virtual void OnTransportClosed() = 0;
  // The transport failed while open; the owner closes it on a thread of its own.
  virtual void OnTransportFailed() = 0;
};

// The transport interface that every port kind implements.
class NZIOBase {
 public:
  virtual ~NZIOBase() = default;

  void SetListener(NZIOListener *listener) { listener_ = listener; }

  virtual bool IsOpened() const = 0;

  // Writes `count` bytes within `timeout_ms`. Returns the number of bytes written, or -1 when
  // the transport is not open or failed before writing anything.
  virtual int Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) = 0;

  // Closes the transport; safe to call from any thread, any number of times.
  virtual void Close() = 0;

 protected:
  NZIOListener *listener() const { return listener_; }

 private:
  NZIOListener *listener_ = nullptr;
};

// A transport that delivers a byte stream, read in packets on the port's read thread.
class NZThreadIO : public NZIOBase {
 public:
  // Reads what is available, at most `count` bytes, waiting up to `timeout_ms` for the first.
  // Returns the count, 0 on timeout, -1 when the transport closed or failed and has nothing
  // left that arrived before.
  virtual int ReadPacket(uint8_t *buffer, size_t count, uint32_t timeout_ms) = 0;

  // Size of one read packet.
  virtual size_t PacketSize() const { return 64; }
};

}  // namespace velmora::core
