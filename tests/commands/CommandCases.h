#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/MemoryPort.h"
#include "support/PortTest.h"

namespace velmora::test {

// One command function call and the bytes it must write.
struct CommandCase {
  const char *what;
  std::function<int(void *)> call;
  std::string bytes;
};

// Runs command functions against a memory port and compares what each one wrote.
class CommandTest : public PortTest {
 protected:
  void ExpectAll(const std::vector<CommandCase> &cases) {
    for (const CommandCase &c : cases) {
      SCOPED_TRACE(c.what);
      EXPECT_EQ(c.call(port.handle()), 1);
      EXPECT_EQ(port.TakeHex(), c.bytes);
    }
  }

  MemoryPort port;
};

}  // namespace velmora::test
