#include "platform/Machine.h"

#include <sys/utsname.h>

#include <cstring>

namespace velmora::platform {

std::string machineIdentifier() {
  utsname names;
  std::memset(&names, 0, sizeof(names));
  // A failing call leaves the record zeroed: the identifier is then empty.
  (void)::uname(&names);
  return std::string(names.machine, strnlen(names.machine, sizeof(names.machine)));
}

}  // namespace velmora::platform
