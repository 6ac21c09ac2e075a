#pragma once

#include <memory>

#include "DeviceBehaviour.h"
#include "PortTest.h"
#include "StatusBehaviours.h"
#include "VirtualTcpPrinter.h"

namespace velmora::test {

// A virtual TCP printer with the status, print-result, auto-reply and device behaviours, and
// a port open to it. The port is closed before the printer stops.
class StatusPrinter {
 public:
  StatusPrinter();
  ~StatusPrinter();
  StatusPrinter(const StatusPrinter &) = delete;
  StatusPrinter &operator=(const StatusPrinter &) = delete;

  // Opens a TCP port to the printer; false when it could not.
  bool Open(int autoreply_mode);
  void Close();
  void *handle() const { return handle_; }

  vprinter::VirtualTcpPrinter tcp;
  std::shared_ptr<vprinter::RealTimeStatusBehaviour> rt_status;
  std::shared_ptr<vprinter::PrintResultBehaviour> print_result;
  std::shared_ptr<vprinter::AutoReplyBehaviour> autoreply;
  std::shared_ptr<vprinter::DeviceBehaviour> device;

 private:
  void *handle_ = nullptr;
};

// Base fixture for tests against a status printer, which goes before the library's background
// threads are waited for.
class StatusPrinterTest : public PortTest {
 protected:
  void TearDown() override {
    printer.reset();
    PortTest::TearDown();
  }
  // A port open to a fresh printer (null when it could not be opened).
  void *Open(int autoreply_mode) {
    printer = std::make_unique<StatusPrinter>();
    EXPECT_TRUE(printer->Open(autoreply_mode));
    return printer->handle();
  }
  std::unique_ptr<StatusPrinter> printer;
};

}  // namespace velmora::test
