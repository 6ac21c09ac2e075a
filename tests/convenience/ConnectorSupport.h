#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "velmora/velmora.hpp"

namespace velmora::test {

using Status = VLPrinterConnector::ConnectionStatus;

// A virtual printer on the printers' TCP port 9100, at a loopback address of its own.
std::unique_ptr<vprinter::VirtualTcpPrinter> StartPrinterOnPort9100();

std::shared_ptr<VLPrinterDevice> TcpDevice(const std::string &address,
                                           const std::string &name = "printer");

// A loopback address where port 9100 is taken but nothing listens: connects are refused.
class RefusingAddress {
 public:
  RefusingAddress();
  ~RefusingAddress();
  RefusingAddress(const RefusingAddress &) = delete;
  RefusingAddress &operator=(const RefusingAddress &) = delete;
  const std::string &address() const { return address_; }

 private:
  int fd_ = -1;
  std::string address_;
};

// Registers a listener that notes the connector's status at every call. The notes outlive the
// log, so the connector may call the listener at its end whichever goes first.
class StatusLog {
 public:
  StatusLog(VLPrinterConnector &connector, Int tag = 1);
  std::vector<Status> Seen() const;
  // Waits until `count` calls were seen.
  bool WaitForCount(std::size_t count, int timeout_ms = 5000) const;

 private:
  struct Notes {
    std::mutex mutex;
    std::vector<Status> seen;
  };
  std::shared_ptr<Notes> notes_ = std::make_shared<Notes>();
};

// Counts port-closed events. Closures run in registration order, so once this one has seen an
// event, every handler registered before it has had it too.
class ClosedEvents {
 public:
  explicit ClosedEvents(Int tag = 1000);
  ~ClosedEvents();
  bool WaitForCount(int count, int timeout_ms = 5000) const;

 private:
  Int tag_;
  std::shared_ptr<std::atomic<int>> count_ = std::make_shared<std::atomic<int>>(0);
};

// Notes the names that port-open-failed events carry, for as long as it lives.
class OpenFailures {
 public:
  explicit OpenFailures(Int tag = 1001);
  ~OpenFailures();
  OpenFailures(const OpenFailures &) = delete;
  OpenFailures &operator=(const OpenFailures &) = delete;
  std::vector<std::string> Names() const;

 private:
  struct Notes {
    std::mutex mutex;
    std::vector<std::string> names;
  };
  Int tag_;
  std::shared_ptr<Notes> notes_ = std::make_shared<Notes>();
};

}  // namespace velmora::test
