#pragma once

#include <exception>

#include "core/port/PortRegistry.h"

namespace velmora::core {

// Runs the body of a flat function; nothing thrown inside reaches the C caller.
template <typename R, typename Body>
R Guarded(R failure, Body &&body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// Runs the body with a reference on the port behind `handle`, or returns `failure` at once
// when the handle is null or not live.
template <typename R, typename Body>
R WithPort(const void *handle, R failure, Body &&body) noexcept {
  return Guarded(failure, [&]() -> R {
    HandleRef port(handle);
    if (!port) return failure;
    return body(*port);
  });
}

}  // namespace velmora::core
