#pragma once

#include "core/port/IOHandle.h"
#include "core/port/PtrAutoDeleteManager.h"

namespace velmora::core {

using PortRegistry = PtrAutoDeleteManager<IOHandle, 100>;

// The process-wide handle registry (never destroyed).
PortRegistry &Ports();

// A reference on a port for the length of one call; empty when the handle is not live.
class HandleRef {
 public:
  explicit HandleRef(const void *handle) : port_(Ports().Acquire(handle)) {}
  ~HandleRef() {
    if (port_ != nullptr) Ports().Release(port_);
  }
  HandleRef(const HandleRef &) = delete;
  HandleRef &operator=(const HandleRef &) = delete;

  explicit operator bool() const { return port_ != nullptr; }
  IOHandle *get() const { return port_; }
  IOHandle *operator->() const { return port_; }
  IOHandle &operator*() const { return *port_; }

 private:
  IOHandle *port_;
};

}  // namespace velmora::core
