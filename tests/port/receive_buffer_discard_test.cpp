// A discard drops every byte received before it, also those the read thread had in hand and
// stores only after it, and those it held back across it.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/port/NZIORxBuffer.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;
const Bytes kOld = {0xA1, 0xA2, 0xA3, 0xA4};  // received before the discard
const Bytes kNew = {0xB1, 0xB2, 0xB3, 0xB4};  // received after it

void Put(NZIORxBuffer &rx, const Bytes &bytes, uint64_t discards, size_t stale = 0) {
  rx.Put(bytes.data(), bytes.size(), discards, stale);
}

TEST(ReceiveBufferDiscard, BytesFromBeforeADiscardAreDroppedWhenTheyAreStoredAfterIt) {
  Bytes mixed = kOld;
  mixed.insert(mixed.end(), kNew.begin(), kNew.end());
  const struct {
    const char *name;
    std::function<void(NZIORxBuffer &)> after;  // after the discard (the count is then 1)
  } cases[] = {
      {"in hand at the discard", [&](auto &rx) { Put(rx, kOld, 0), Put(rx, kNew, 1); }},
      {"held back across the discard", [&](auto &rx) { Put(rx, mixed, 1, kOld.size()); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    NZIORxBuffer rx;
    Put(rx, kOld, 0);
    rx.Discard();
    c.after(rx);
    Bytes got;
    for (uint8_t byte = 0; rx.TakeByte(byte);) got.push_back(byte);
    EXPECT_EQ(got, kNew);
  }
}

}  // namespace
}  // namespace velmora::core
