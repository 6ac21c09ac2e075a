#pragma once

#include <functional>
#include <string>

namespace velmora::test {

// Two hosts on a private wire, made for one test: the calling thread moves into a network
// namespace of its own with "vel0" 10.77.0.1/24, and a second namespace, the printers' host,
// gets the other end "vel1" 10.77.0.2/24. Nothing sent there leaves the two namespaces. Threads
// the calling thread starts afterwards share its namespace; sockets and threads that a closure
// passed to OnPrinterHost() creates belong to the printers' host. The constructor returns once
// the wire carries datagrams both ways, so that a test's first broadcast is not lost.
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
  bool ok_ = false;
  std::string why_not_;
  int printers_host_ = -1;  // the printers' namespace
};

}  // namespace velmora::test
