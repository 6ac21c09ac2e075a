#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace velmora::test {

// Two hosts on a private wire, made for one test process: the process itself moves into a
// network namespace of its own with "vel0" 10.77.0.1/24, and a second namespace, the printers'
// host, gets the other end "vel1" 10.77.0.2/24. Nothing sent there leaves the two namespaces.
// Create it before the process starts any thread. Sockets that a closure passed to
// OnPrinterHost() creates belong to the printers' host.
class PrivateNetwork {
 public:
  PrivateNetwork();
  ~PrivateNetwork();
  PrivateNetwork(const PrivateNetwork &) = delete;
  PrivateNetwork &operator=(const PrivateNetwork &) = delete;

  // False, with the reason, when namespaces or veth links cannot be made here.
  bool ok() const { return ok_; }
  const std::string &why_not() const { return why_not_; }

  // Runs `work` on the printers' host and returns when it is done.
  void OnPrinterHost(const std::function<void()> &work);

 private:
  void HostLoop();

  bool ok_ = false;
  std::string why_not_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> pending_;
  bool stop_ = false;
  enum class HostState { kStarting, kOwnNamespace, kWired, kConfigured, kFailed };
  HostState state_ = HostState::kStarting;
  long host_tid_ = 0;
  std::thread host_;
};

}  // namespace velmora::test
