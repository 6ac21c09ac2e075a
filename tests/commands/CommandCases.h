#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/MemoryPort.h"
#include "support/PortTest.h"

namespace velmora::test {

// One command function call and what it must return and leave on the port.
struct CommandCase {
  const char *what;
  std::function<int(void *)> call;
  std::string bytes;
  int result = 1;
  unsigned capacity = 1u << 20;  // of the memory port the call writes to
};

// A case's call: the expression, with the port's handle as `h`.
#define CALL(...) [&]([[maybe_unused]] void *h) { return static_cast<int>(__VA_ARGS__); }

// Runs each case on a fresh memory port of its capacity, after `setup` whose bytes are dropped.
inline void ExpectAll(const std::vector<CommandCase> &cases,
                      const std::function<void(void *)> &setup = nullptr) {
  for (const CommandCase &c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPort port(c.capacity);
    if (setup) setup(port.handle());
    port.Clear();
    EXPECT_EQ(c.call(port.handle()), c.result);
    EXPECT_EQ(port.TakeHex(), c.bytes);
  }
}

// Runs each call on a fresh memory port: it must fail and write nothing.
inline void ExpectRefused(
    const std::vector<std::pair<const char *, std::function<int(void *)>>> &calls) {
  std::vector<CommandCase> cases;
  for (const auto &[what, call] : calls) cases.push_back({what, call, "", 0});
  ExpectAll(cases);
}

using CommandTest = PortTest;

}  // namespace velmora::test
