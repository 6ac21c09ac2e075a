#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "velmora/velmora.hpp"

namespace velmora::test {

using Status = VLPrinterConnector::ConnectionStatus;

std::shared_ptr<VLPrinterDevice> TcpDevice(const std::string &address,
                                           const std::string &name = "printer");

// A loopback address where nothing listens on port 9100: connects there are refused.
std::string RefusingAddress();

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

// Notes port-closed events and the names that port-open-failed events carry, for as long as it
// lives. Closures run in registration order, so once this one has seen an event, every handler
// registered before it has had it too.
class PortEvents {
 public:
  explicit PortEvents(Int tag = 1000);
  ~PortEvents();
  PortEvents(const PortEvents &) = delete;
  PortEvents &operator=(const PortEvents &) = delete;
  bool WaitForClosed(int count) const;
  std::vector<std::string> OpenFailures() const;

 private:
  struct Notes {
    std::mutex mutex;
    int closed = 0;
    std::vector<std::string> open_failures;
  };
  Int tag_;
  std::shared_ptr<Notes> notes_ = std::make_shared<Notes>();
};

}  // namespace velmora::test
