#include "CommandScanner.h"

#include <algorithm>

namespace velmora::vprinter {

void CommandScanner::Add(Bytes prefix, size_t arg_count, Handler handler) {
  window_size_ = std::max(window_size_, prefix.size() + arg_count);
  commands_.push_back(Command{std::move(prefix), arg_count, std::move(handler)});
}

void CommandScanner::Feed(const uint8_t *data, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    window_.push_back(data[i]);
    if (window_.size() > window_size_) window_.erase(window_.begin());
    for (const Command &c : commands_) {
      const size_t length = c.prefix.size() + c.arg_count;
      if (window_.size() < length) continue;
      const auto start = window_.end() - static_cast<std::ptrdiff_t>(length);
      if (!std::equal(c.prefix.begin(), c.prefix.end(), start)) continue;
      c.handler(Bytes(start + static_cast<std::ptrdiff_t>(c.prefix.size()), window_.end()));
    }
  }
}

}  // namespace velmora::vprinter
