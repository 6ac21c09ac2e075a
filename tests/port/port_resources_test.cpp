// Ports give back what they took: after many opens, prints and closes the process has the same
// file descriptors and threads as before.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>

#include "VirtualTcpPrinter.h"
#include "platform/DetachedThreads.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

// Entries of a /proc/self directory, not counting "." and "..".
size_t Entries(const char *path) {
  size_t n = 0;
  if (DIR *dir = opendir(path)) {
    while (const dirent *e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
  }
  return n;
}
// Open descriptors, less the one that lists them.
size_t Descriptors() {
  return Entries("/proc/self/fd") - 1;
}

using PortResources = PortTest;

TEST_F(PortResources, ManyPortsOpenedPrintedAndClosedLeaveNoDescriptorOrThread) {
  vprinter::VirtualTcpPrinter printer;
  ASSERT_TRUE(printer.Start());
  const auto settled = [&](size_t fds, size_t threads) {
    // The printer keeps the socket of each connection until it stops, and ends its thread.
    // What earlier cases of the program left may end meanwhile: fewer is no leak.
    return WaitUntil([&] {
      return Descriptors() <= fds + printer.HeldSocketCount() &&
             Entries("/proc/self/task") <= threads;
    });
  };
  const size_t fds = Descriptors() - printer.HeldSocketCount();
  const size_t threads = Entries("/proc/self/task");
  for (int i = 0; i < 50; ++i) {
    void *h = VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 2000, i % 2);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(VP_Pos_PrintText(h, "receipt\n"), 1);
    ASSERT_EQ(VP_Port_Close(h), 1);
  }
  ASSERT_TRUE(platform::waitForDetachedThreads(ScaledMs(10000)));
  EXPECT_TRUE(settled(fds, threads))
      << Descriptors() << " descriptors (" << fds + printer.HeldSocketCount() << " before), "
      << Entries("/proc/self/task") << " threads (" << threads << " before)";
  printer.Stop();
}

}  // namespace
}  // namespace velmora::test
