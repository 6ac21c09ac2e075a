#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "VirtualPrinter.h"

namespace velmora::vprinter {

// Spots fixed commands (a byte prefix and a fixed number of argument bytes) in the host's
// byte stream, however it is cut into chunks.
class CommandScanner {
 public:
  using Handler = std::function<void(const Bytes &args)>;

  void Add(Bytes prefix, size_t arg_count, Handler handler);
  void Feed(const uint8_t *data, size_t count);

 private:
  struct Command {
    Bytes prefix;
    size_t arg_count;
    Handler handler;
  };
  std::vector<Command> commands_;
  Bytes window_;
  size_t window_size_ = 0;
};

}  // namespace velmora::vprinter
