#include "support/StatusPrinter.h"

#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {

StatusPrinter::StatusPrinter()
    : rt_status(std::make_shared<vprinter::RealTimeStatusBehaviour>()),
      print_result(std::make_shared<vprinter::PrintResultBehaviour>()),
      autoreply(std::make_shared<vprinter::AutoReplyBehaviour>()),
      device(std::make_shared<vprinter::DeviceBehaviour>()) {
  tcp.printer().AddBehaviour(rt_status);
  tcp.printer().AddBehaviour(print_result);
  tcp.printer().AddBehaviour(autoreply);
  tcp.printer().AddBehaviour(device);
}

StatusPrinter::~StatusPrinter() {
  Close();
  tcp.Stop();
}

bool StatusPrinter::Open(int autoreply_mode) {
  if (!tcp.Start()) return false;
  const size_t before = tcp.AcceptedCount();
  handle_ = VP_Port_OpenTcp(nullptr, "127.0.0.1", tcp.port(), 3000, autoreply_mode);
  // What the printer sends goes only to connections it has accepted.
  return handle_ != nullptr && tcp.WaitForAccepted(before + 1, ScaledMs(5000));
}

void StatusPrinter::Close() {
  if (handle_ != nullptr) VP_Port_Close(handle_);
  handle_ = nullptr;
}

}  // namespace velmora::test
