#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VirtualPrinter.h"

namespace velmora::vprinter {

// A virtual printer reachable over TCP on the loopback interface. Every connection feeds the
// same VirtualPrinter; answers go back on the connection that asked.
class VirtualTcpPrinter {
 public:
  explicit VirtualTcpPrinter(std::shared_ptr<VirtualPrinter> printer = nullptr);
  ~VirtualTcpPrinter();
  VirtualTcpPrinter(const VirtualTcpPrinter &) = delete;
  VirtualTcpPrinter &operator=(const VirtualTcpPrinter &) = delete;

  // Listens on 127.0.0.1 (port 0 picks a free one). False when the port cannot be bound.
  bool Start(uint16_t port = 0);
  // Listens on `address`, which must be in 127.0.0.0/8, instead of 127.0.0.1.
  bool StartAt(const std::string &address, uint16_t port);
  // Listens at `port` (a printer's well-known port, say) on a random loopback address of its
  // own; address() tells which.
  bool StartOnOwnLoopbackAddress(uint16_t port);
  std::string address() const;
  void Stop();
  uint16_t port() const { return port_; }
  VirtualPrinter &printer() { return *printer_; }
  std::shared_ptr<VirtualPrinter> shared_printer() { return printer_; }

  // Sends bytes to every open connection. A host's connect completes before the printer has
  // accepted it, so when no connection was ever accepted this waits up to 5 s for the first.
  void Send(const Bytes &bytes);
  // Closes every open connection from the printer's side.
  void CloseConnections();
  // With reading off the printer takes nothing from its sockets, so the host's writes fill
  // them and eventually block.
  void SetReading(bool reading) { reading_.store(reading); }
  // Connections wait this long before they are accepted.
  void SetAcceptDelayMs(int delay_ms) { accept_delay_ms_.store(delay_ms); }
  // Resets every new connection as soon as it is accepted (a printer that drops the host).
  void SetResetOnAccept(bool reset) { reset_on_accept_.store(reset); }

  size_t AcceptedCount() const { return accepted_.load(); }
  // Bytes sent to hosts so far, over every connection.
  size_t SentCount() const { return sent_.load(); }
  // Sockets of connections the printer still holds (closed ones too, until Stop).
  size_t HeldSocketCount() const;
  // Bytes the hosts sent that wait unread in the printer's open connections.
  size_t UnreadCount() const;
  size_t OpenConnectionCount() const;
  bool WaitForAccepted(size_t count, int timeout_ms) const;
  bool WaitForNoOpenConnection(int timeout_ms) const;

 private:
  struct Connection {
    int fd = -1;
    std::mutex write_mutex;
    std::atomic<bool> open{true};
    std::thread reader;
  };

  void AcceptLoop();
  void ReadLoop(const std::shared_ptr<Connection> &connection);
  void WriteAll(Connection &connection, const Bytes &bytes);

  std::shared_ptr<VirtualPrinter> printer_;
  int listen_fd_ = -1;
  uint32_t address_ = 0x7F000001;  // host order
  uint16_t port_ = 0;
  std::atomic<bool> running_{false};
  std::atomic<bool> reading_{true};
  std::atomic<int> accept_delay_ms_{0};
  std::atomic<bool> reset_on_accept_{false};
  std::atomic<size_t> accepted_{0};
  std::atomic<size_t> sent_{0};
  std::thread acceptor_;
  mutable std::mutex connections_mutex_;
  std::vector<std::shared_ptr<Connection>> connections_;
};

// A loopback address where a connect neither succeeds nor is refused: the listener's accept
// queue is full, so new connection requests go unanswered until they time out.
class UnansweredTcpEndpoint {
 public:
  UnansweredTcpEndpoint();
  ~UnansweredTcpEndpoint();
  UnansweredTcpEndpoint(const UnansweredTcpEndpoint &) = delete;
  UnansweredTcpEndpoint &operator=(const UnansweredTcpEndpoint &) = delete;
  bool ok() const { return ok_; }
  uint16_t port() const { return port_; }

 private:
  int listen_fd_ = -1;
  std::vector<int> fillers_;
  uint16_t port_ = 0;
  bool ok_ = false;
};

// A loopback port with nothing listening on it (connects are refused).
uint16_t ClosedLoopbackPort();

}  // namespace velmora::vprinter
