// Finds printers in the background: once started, a loop keeps one network printer search and one
// Bluetooth LE printer scan going, back to back, until it is stopped, and hands every printer
// either of them reports to the application as a device record.
//
// Threads: the loop runs on a background thread, each search blocks another one. The discovered
// listener runs on the thread that reported the printer (a receive thread of the network search,
// of which there are several, or the Bluetooth LE central's listener queue), so calls may overlap;
// the started and finished listeners run on the loop's thread. Every member may be called from any
// thread. There is no de-duplication: a printer is reported for every answer and advertisement,
// in every search.
#pragma once

#include <functional>
#include <memory>

#include "velmora/convenience/printer_device.hpp"

namespace velmora {

namespace detail {
class DiscoverState;
}  // namespace detail

class VP_API VLPrinterDiscover {
 public:
  VLPrinterDiscover();
  // Stops discovery. No listener of this discoverer runs after the destructor has returned
  // (unless it is called from inside one of them, which then finishes normally).
  virtual ~VLPrinterDiscover();
  VLPrinterDiscover(const VLPrinterDiscover &) = delete;
  VLPrinterDiscover &operator=(const VLPrinterDiscover &) = delete;

  // Starts the loop; while it runs, cancels both running searches instead, which the loop then
  // starts afresh (unless it is being stopped).
  virtual void startDiscover();
  // Asks the loop to end after its current pass and cancels both searches; does not wait.
  virtual void stopDiscover();
  // True from startDiscover() until the loop has ended (up to one pass, about 100 ms, after
  // stopDiscover()).
  virtual bool isDiscovering() const;

  // Each replaces the listener set before; a listener can be replaced, not removed.
  virtual void setOnPrinterDiscoveredListener(
      std::function<void(std::shared_ptr<VLPrinterDevice>)> onPrinterDiscoveredListener);
  virtual void setOnPrinterDiscoverThreadListener(
      std::function<void()> onPrinterDiscoverThreadStartedListener,
      std::function<void()> onPrinterDiscoverThreadFinishedListener);

 private:
  std::shared_ptr<detail::DiscoverState> state_;
};

}  // namespace velmora
