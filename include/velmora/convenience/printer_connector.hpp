// One connection to one printer: opens the port that a device record names, keeps its handle,
// tracks a four-state connection status and tells listeners of every change, and closes the
// port when asked, when told to connect to a printer on another port, when the port closes by
// itself, and at the connector's end.
//
// Threads: connects and disconnects are serialised by one lock, held for a whole connect (the
// blocking open included). Listeners run on the thread that changed the status, with that lock
// held: they may call the getters and the status questions, register and unregister listeners,
// but must not connect or disconnect this connector. The port-closed handling runs on the thread
// that reports the closed port. Everything else runs on the caller's thread.
#pragma once

#include <functional>
#include <memory>

#include "velmora/convenience/printer_device.hpp"
#include "velmora/module/types.hpp"

namespace velmora {

namespace detail {
class ConnectorLink;
}  // namespace detail

class VP_API VLPrinterConnector {
 public:
  enum class ConnectionStatus { Disconnected, Connecting, Connected, Disconnecting };

  VLPrinterConnector();
  // Closes the open port (listeners see Disconnecting, Disconnected), after a connect running
  // on another thread has finished. Ending the connector from inside one of its own listeners
  // closes the port once that listener's connect or disconnect is over, without further calls.
  virtual ~VLPrinterConnector();
  VLPrinterConnector(const VLPrinterConnector &) = delete;
  VLPrinterConnector &operator=(const VLPrinterConnector &) = delete;

  // Connects in the background; false, starting nothing, while an earlier background connect
  // still runs. The outcome shows through the listeners and the getters.
  virtual bool connectPrinterAsync(const std::shared_ptr<VLPrinterDevice> &printerDevice);
  // Connects on this thread; true when connected afterwards. A device on the port already
  // connected changes nothing; a device on another port closes the current one first.
  virtual bool connectPrinterSync(const std::shared_ptr<VLPrinterDevice> &printerDevice);
  // Closes the current port, if any.
  virtual void disconnectPrinter();

  // The device of the latest connect, also after it failed and after a disconnect.
  virtual std::shared_ptr<VLPrinterDevice> getCurrentPrinterDevice() const;
  // The open port's handle; 0 when none is open.
  virtual Int getCurrentPrinterHandle() const;
  virtual ConnectionStatus getCurrentConnectionStatus() const;
  virtual bool isCurrentConnectingPrinter() const;
  virtual bool isCurrentConnectedPrinter() const;
  virtual bool isCurrentDisconnectingPrinter() const;
  virtual bool isCurrentDisconnectedPrinter() const;
  // Whether the port layer still takes the open port for a working connection.
  virtual bool isCurrentConnectionValid() const;

  // Listeners are called, in registration order, after every status change. False when `tag`
  // is taken already (the earlier listener stays).
  virtual bool registerConnectionStatusChangedEvent(std::function<void()> callback, Int tag);
  // False when no listener has `tag`.
  virtual bool unregisterConnectionStatusChangedEvent(Int tag);

 private:
  std::shared_ptr<detail::ConnectorLink> link_;
};

}  // namespace velmora
