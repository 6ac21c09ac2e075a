#include "platform/Log.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ApplicationClosure.h"

namespace velmora::platform {
namespace {

struct LogState {
  std::mutex mutex;
  LogSink sink;
};

// Never destroyed: threads may still log while the process exits.
LogState &state() {
  static LogState *s = new LogState();
  return *s;
}

}  // namespace

void setLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().sink = std::move(sink);
}

void logLine(const std::string &line) {
  std::lock_guard<std::mutex> lock(state().mutex);
  if (state().sink) {
    CallApplicationClosure(state().sink, line);
    return;
  }
  static std::once_flag opened;
  std::call_once(opened, [] { openlog("velmora", LOG_PID, LOG_USER); });
  syslog(LOG_INFO, "%s", line.c_str());
}

void logf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line;
  if (needed > 0) {
    line.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(line.data(), line.size(), format, args);
    line.resize(static_cast<size_t>(needed));
  }
  va_end(args);
  logLine(line);
}

}  // namespace velmora::platform
