#include "ble/WaitClock.h"

#include <thread>

namespace velmora::ble {

void WaitClock::Sleep(Clock::duration pause) {
  std::this_thread::sleep_for(pause);
}

WaitClock &WaitClock::Steady() {
  static WaitClock steady;
  return steady;
}

}  // namespace velmora::ble
