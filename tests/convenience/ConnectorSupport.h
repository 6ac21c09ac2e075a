#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "velmora/image.hpp"
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

// 8 x 2 dots, a black row over a white one: the same dots under every binarisation method.
std::shared_ptr<platform::Image> TwoRows();
// Its picture in a job: GS v 0, one byte a row, two rows.
inline const std::vector<std::uint8_t> kTwoRowsRaster = {0x1D, 0x76, 0x30, 0x00, 0x01,
                                                         0x00, 0x02, 0x00, 0xFF, 0x00};
// The alignment an image job without one asked for starts with.
inline const std::vector<std::uint8_t> kLeftAligned = {0x1B, 0x61, 0x00};

// A status printer on port 9100 at a loopback address of its own, and connectors to it.
class ConnectedPrinterTest : public PortTest {
 protected:
  using Reported = std::function<bool(const VLPrinterResolution &)>;
  static bool HasDotsPerMM(const VLPrinterResolution &resolution) {
    return resolution.getDotsPerMM() > 0;
  }

  // A connector to the printer, once the resolution it reports passes `reported`. The printer
  // reports once it has the connector's switch to automatic reports: nothing of the connect is
  // still on its way when a test counts what the printer received.
  std::shared_ptr<VLPrinterConnector> Connect(const Reported &reported = HasDotsPerMM);
  std::size_t ReceivedSize() { return printer.tcp.printer().ReceivedSize(); }
  // What the printer received after its first `before` bytes, once a sentinel written after
  // them has arrived (the sentinel left out); empty when it did not arrive.
  std::vector<std::uint8_t> ReceivedSince(const std::shared_ptr<VLPrinterConnector> &connector,
                                          std::size_t before);

  StatusPrinter printer;
};

}  // namespace velmora::test
