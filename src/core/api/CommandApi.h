#pragma once

#include "core/api/ApiGuard.h"
#include "core/port/IOHandle.h"

namespace velmora::core {

// Runs `body` with the receipt command object of the port behind `handle`: 1 when it
// returned true, 0 when it returned false or the handle is null or not live.
template <typename Body>
int WithPosPrinter(const void *handle, Body &&body) noexcept {
  return WithPort(handle, 0, [&](IOHandle &port) { return body(port.pos()) ? 1 : 0; });
}

// The same with the label command object.
template <typename Body>
int WithLabelPrinter(const void *handle, Body &&body) noexcept {
  return WithPort(handle, 0, [&](IOHandle &port) { return body(port.label()) ? 1 : 0; });
}

// Builds one command with `build()` and writes it through the receipt command object; a
// command that cannot be built writes nothing and gives 0.
template <typename Build>
int SendPosCommand(const void *handle, Build &&build) noexcept {
  return WithPosPrinter(handle, [&](NZPosPrinter &pos) { return pos.Send(build()); });
}

// The same through the label command object.
template <typename Build>
int SendLabelCommand(const void *handle, Build &&build) noexcept {
  return WithLabelPrinter(handle, [&](NZLabelPrinter &label) { return label.Send(build()); });
}

}  // namespace velmora::core
