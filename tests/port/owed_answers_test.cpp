// Answers owed to a query that has ended are passed over by the next one, wherever a discard
// cut the stream, and only until they are due.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/port/NZIORxBuffer.h"

namespace velmora::core {
namespace {

using Bytes = std::vector<uint8_t>;
const Bytes kOld = {0xA1, 0xA2, 0xA3, 0xA4};  // answers owed to the last query
const Bytes kNew = {0xB1, 0xB2, 0xB3, 0xB4};  // answers to the next one

void Put(NZIORxBuffer &rx, const Bytes &bytes, uint64_t discards, size_t stale = 0) {
  rx.Put(bytes.data(), bytes.size(), discards, stale);
}

Bytes TakeAll(NZIORxBuffer &rx) {
  Bytes got;
  for (uint8_t byte = 0; rx.TakeByte(byte);) got.push_back(byte);
  return got;
}

TEST(OwedAnswers, TheNextQueryPassesOverThemWhereverTheDiscardCame) {
  const Bytes two(kOld.begin(), kOld.begin() + 2), rest(kOld.begin() + 2, kOld.end());
  const struct {
    const char *name;
    // After the last query took its answers and owed four more (due at 1000 ms), up to the next
    // query's discard.
    std::function<void(NZIORxBuffer &)> before;
    // After the discard (the discard count is then 1).
    std::function<void(NZIORxBuffer &)> after;
    int64_t now;
    uint64_t still_owed;  // what TakeOwed says
    Bytes later;          // arriving after that
    Bytes next;           // what the next query reads then
  } cases[] = {
      {"half before it",
       [&](auto &rx) { Put(rx, two, 0); },
       [&](auto &rx) { Put(rx, rest, 1), Put(rx, kNew, 1); },
       0,
       0,
       {},
       kNew},
      {"in hand at the discard, stored after it",
       [](auto &) {},
       [&](auto &rx) { Put(rx, kOld, 0), Put(rx, kNew, 1); },
       0,
       0,
       {},
       kNew},
      {"held back across the discard",
       [](auto &) {},
       [&](auto &rx) {
         Bytes mixed = kOld;
         mixed.insert(mixed.end(), kNew.begin(), kNew.end());
         Put(rx, mixed, 1, 4);
       },
       0,
       0,
       {},
       kNew},
      {"not yet come", [](auto &) {}, [&](auto &rx) { Put(rx, two, 1); }, 0, 2, {}, {}},
      // The printer dropped them: once they are due, the answers that come are the next query's.
      {"not come when due", [](auto &) {}, [](auto &) {}, 1000, 0, kNew, kNew},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    NZIORxBuffer rx;
    Put(rx, Bytes{0x10, 0x12, 0x12, 0x12}, 0);
    ASSERT_EQ(TakeAll(rx).size(), 4u);  // the last query's own answers
    rx.Owe(4, 1000);
    c.before(rx);
    rx.Discard();
    c.after(rx);
    EXPECT_EQ(rx.TakeOwed(c.now), c.still_owed);
    Put(rx, c.later, 1);
    EXPECT_EQ(rx.TakeOwed(c.now), c.still_owed);
    EXPECT_EQ(TakeAll(rx), c.next);
  }
}

}  // namespace
}  // namespace velmora::core
