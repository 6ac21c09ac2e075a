#pragma once

#include <memory>

#include "DeviceBehaviour.h"
#include "StatusBehaviours.h"
#include "VirtualTcpPrinter.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {

// A virtual TCP printer with the status, print-result, auto-reply and device behaviours, and
// a port open to it. The port is closed before the printer stops.
class StatusPrinter {
 public:
  StatusPrinter() {
    tcp.printer().AddBehaviour(rt_status);
    tcp.printer().AddBehaviour(print_result);
    tcp.printer().AddBehaviour(autoreply);
    tcp.printer().AddBehaviour(device);
  }
  ~StatusPrinter() {
    Close();
    tcp.Stop();
  }
  StatusPrinter(const StatusPrinter &) = delete;
  StatusPrinter &operator=(const StatusPrinter &) = delete;

  // Opens a TCP port to the printer; false when it could not.
  bool Open(int autoreply_mode) {
    if (!tcp.Start()) return false;
    const size_t before = tcp.AcceptedCount();
    handle_ = ::VP_Port_OpenTcp(nullptr, "127.0.0.1", tcp.port(), 3000, autoreply_mode);
    // What the printer sends goes only to connections it has accepted.
    return handle_ != nullptr && tcp.WaitForAccepted(before + 1, ScaledMs(5000));
  }
  void Close() {
    if (handle_ != nullptr) ::VP_Port_Close(handle_);
    handle_ = nullptr;
  }
  void *handle() const { return handle_; }

  vprinter::VirtualTcpPrinter tcp;
  std::shared_ptr<vprinter::RealTimeStatusBehaviour> rt_status =
      std::make_shared<vprinter::RealTimeStatusBehaviour>();
  std::shared_ptr<vprinter::PrintResultBehaviour> print_result =
      std::make_shared<vprinter::PrintResultBehaviour>();
  std::shared_ptr<vprinter::AutoReplyBehaviour> autoreply =
      std::make_shared<vprinter::AutoReplyBehaviour>();
  std::shared_ptr<vprinter::DeviceBehaviour> device = std::make_shared<vprinter::DeviceBehaviour>();

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
