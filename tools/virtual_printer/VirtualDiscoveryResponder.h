#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::vprinter {

// The printer's side of network discovery (docs/protocol.md): answers the binary request on
// UDP 3289 and the text request on UDP 22222 with its identity. Several responders can share
// a host; each one sees every broadcast.
class VirtualDiscoveryResponder {
 public:
  struct Identity {
    std::array<uint8_t, 6> mac{};
    std::array<uint8_t, 4> ip{};  // 0.0.0.0 in the binary reply: "use the sender's address"
    std::string name;
  };

  explicit VirtualDiscoveryResponder(Identity identity);
  ~VirtualDiscoveryResponder();
  VirtualDiscoveryResponder(const VirtualDiscoveryResponder &) = delete;
  VirtualDiscoveryResponder &operator=(const VirtualDiscoveryResponder &) = delete;

  // Listens on both ports of every address, only for datagrams that arrive on `device` when it
  // is not empty. False when a port cannot be bound.
  bool Start(const std::string &device = "", uint16_t binary_port = 3289,
             uint16_t text_port = 22222);
  void Stop();

  size_t BinaryAnswers() const { return binary_answers_.load(); }
  size_t TextAnswers() const { return text_answers_.load(); }
  // The source port of every binary request answered, in order: each search asks from a socket
  // of its own.
  std::vector<uint16_t> BinaryRequestPorts() const;

  // Builds the replies as the printer sends them (exposed for tests).
  static std::vector<uint8_t> BinaryReply(const Identity &identity);
  static std::string TextReply(const Identity &identity);

 private:
  void Serve(int fd, bool binary);

  Identity identity_;
  std::atomic<bool> running_{false};
  std::vector<int> fds_;
  std::vector<std::thread> threads_;
  std::atomic<size_t> binary_answers_{0};
  std::atomic<size_t> text_answers_{0};
  mutable std::mutex ports_mutex_;
  std::vector<uint16_t> binary_request_ports_;
};

}  // namespace velmora::vprinter
