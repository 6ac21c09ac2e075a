#include "core/printer/NZReceivedDataProcessor.h"

namespace velmora::core {

void NZReceivedDataProcessor::Process(const uint8_t *chunk, size_t count,
                                      std::vector<uint8_t> &data) {
  (void)port_;
  data.insert(data.end(), chunk, chunk + count);
}

}  // namespace velmora::core
