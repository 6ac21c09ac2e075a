// Where the library's diagnostic lines go. By default each line goes to the system log
// (syslog, ident "velmora"); an application may route the lines elsewhere.
#pragma once

#include <functional>
#include <string>

#include "velmora/vp_common.h"

namespace velmora::platform {

using LogSink = std::function<void(const std::string &line)>;

// Replaces the sink; an empty function restores the system log. The sink may be called
// from any thread, one line at a time.
VP_API void setLogSink(LogSink sink);

// Writes one line to the current sink.
VP_API void logLine(const std::string &line);

}  // namespace velmora::platform
