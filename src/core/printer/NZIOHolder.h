#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::core {

class IOHandle;

// Binds a printer command object to its port's open transport. A command is built whole and
// handed over in one write with the port's default write timeout.
class NZIOHolder {
 public:
  explicit NZIOHolder(IOHandle &port) : port_(port) {}

  // True only when every byte was written.
  bool WriteCommand(const uint8_t *data, size_t count);
  bool WriteCommand(const std::vector<uint8_t> &command) {
    return WriteCommand(command.data(), command.size());
  }

  IOHandle &port() const { return port_; }

 private:
  IOHandle &port_;
};

}  // namespace velmora::core
