#include "core/port/PortOpening.h"

#include "core/port/PortEvents.h"
#include "core/port/PortRegistry.h"
#include "core/printer/PrinterWiring.h"
#include "platform/DetachedThreads.h"

namespace velmora::core {

void ReportOpenFailed(const std::string &name) {
  platform::startDetachedThread(
      [name] { PortEvents::Get().open_failed.Raise(static_cast<void *>(nullptr), name.c_str()); });
}

namespace {

// Raises the opened event on a child thread; the port's closed event waits for it.
void ReportOpened(IOHandle *port) {
  Ports().Pin(port);
  const bool started = platform::startDetachedThread([port] {
    PortEvents::Get().opened.Raise(port->handle(), port->name().c_str());
    port->SetOpenOutcome(IOHandle::OpenOutcome::kOpened);
    Ports().Release(port);
  });
  if (!started) {
    port->SetOpenOutcome(IOHandle::OpenOutcome::kOpened);
    Ports().Release(port);
  }
}

}  // namespace

void *CompletePortOpen(uint32_t port_type, const std::string &name, std::unique_ptr<NZIOBase> io,
                       bool transport_opened, bool autoreply_mode) {
  if (!transport_opened || io == nullptr) {
    if (io != nullptr) io->Close();
    ReportOpenFailed(name);
    return nullptr;
  }
  auto *port = new IOHandle(port_type, name, std::move(io), autoreply_mode);
  void *handle = Ports().Add(port);
  if (handle == nullptr) {
    delete port;  // never registered: nothing else can know it
    ReportOpenFailed(name);
    return nullptr;
  }
  port->SetHandle(handle);
  // Our own reference for the rest of the set-up, in case the port closes meanwhile.
  Ports().Pin(port);
  port->Attach();
  try {
    // Nothing is read before the set-up is through, so a port whose open fails raises no
    // event but the written one of its set-up bytes.
    if (WirePrinter(*port) && port->IsOpened()) {
      port->StartReading();
      ReportOpened(port);
      Ports().Release(port);
      return handle;
    }
  } catch (...) {
    // a failed set-up, like any other
  }
  port->SetOpenOutcome(IOHandle::OpenOutcome::kFailed);
  Ports().Retire(handle);
  port->Close();
  ReportOpenFailed(name);
  Ports().Release(port);
  return nullptr;
}

}  // namespace velmora::core
