// Network discovery under a process limit on threads: a receive thread that cannot start costs
// its replies, never the process.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "VirtualDiscoveryResponder.h"
#include "support/PrivateNetwork.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

// A user no other process on the machine runs as, so that the system's count of its threads is
// this process's alone: process ids are unique among running processes, so two runs side by side
// never share one, and no account lives this high.
uid_t LoneUser() {
  constexpr uid_t kFirstLoneUser = 0x40000000;
  return kFirstLoneUser + static_cast<uid_t>(getpid());
}

size_t ThreadsOfThisProcess() {
  size_t n = 0;
  if (DIR *dir = opendir("/proc/self/task")) {
    while (dirent *entry = readdir(dir)) n += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
  }
  return n;
}

// Whether a process may switch to its lone user here: it needs the privilege to change its user,
// and the user must exist in its user namespace. Tried in a child of its own, which ends at once.
bool CanBecomeLoneUser() {
  const pid_t child = fork();
  if (child == 0) _exit(setuid(LoneUser()) == 0 ? 0 : 1);
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void CountReply(const char *, const char *, const char *, const char *, void *found) {
  static_cast<std::atomic<int> *>(found)->fetch_add(1);
}

// Runs in a process of its own: searches with room for `spare_threads` more threads, and exits
// with 0 once the search returned having found a reply (or, without room, found none).
[[noreturn]] void SearchWithRoomFor(int spare_threads) {
  PrivateNetwork network;
  if (!network.ok()) std::_Exit(9);
  vprinter::VirtualDiscoveryResponder printer({{0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, {}, "Bar"});
  bool started = false;
  network.OnPrinterHost([&] { started = printer.Start(); });
  if (!started) std::_Exit(10);
  // The limit holds for users without the privilege to pass it.
  const rlim_t threads = ThreadsOfThisProcess() + static_cast<rlim_t>(spare_threads);
  const rlimit limit{threads, threads};
  if (setrlimit(RLIMIT_NPROC, &limit) != 0 || setuid(LoneUser()) != 0) std::_Exit(11);
  std::atomic<int> found{0};
  int cancel = 0;
  ::VP_Port_EnumNetPrinter(1000, &cancel, CountReply, &found);
  std::_Exit((found.load() > 0) == (spare_threads > 0) ? 0 : 12);
}

TEST(NetEnumThreadLimit, ASearchWhoseThreadsCannotAllStartFindsWhatTheStartedOnesFound) {
  {
    const PrivateNetwork probe;
    if (!probe.ok()) GTEST_SKIP() << probe.why_not();
  }
  if (!CanBecomeLoneUser()) GTEST_SKIP() << "cannot switch to a user of its own here";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // One interface, two request kinds: the first receive thread starts, the second cannot; then
  // none can.
  for (const int spare : {1, 0}) {
    EXPECT_EXIT(SearchWithRoomFor(spare), ::testing::ExitedWithCode(0), "") << spare;
  }
}

}  // namespace
}  // namespace velmora::test
