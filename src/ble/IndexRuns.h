#pragma once

#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

namespace velmora::ble {

// A set of packet indices kept as disjoint runs, in ascending order: adding a run of any length
// costs about as much as adding one index, so a printer's request for thousands of packets
// cannot hold the writer up.
class IndexRuns {
 public:
  // Adds first..last (nothing when last < first).
  void Add(int first, int last) {
    if (last < first) return;
    auto next = runs_.upper_bound(first);
    if (next != runs_.begin()) {
      auto before = std::prev(next);
      if (before->second >= first - 1) {
        first = before->first;
        last = std::max(last, before->second);
        runs_.erase(before);
      }
    }
    while (next != runs_.end() && next->first <= last + 1) {
      last = std::max(last, next->second);
      next = runs_.erase(next);
    }
    runs_.emplace_hint(next, first, last);
  }

  bool empty() const { return runs_.empty(); }
  void clear() { runs_.clear(); }

  // Takes the smallest index out; the set must not be empty.
  int PopFirst() {
    const auto [first, last] = *runs_.begin();
    runs_.erase(runs_.begin());
    if (first < last) runs_.emplace_hint(runs_.begin(), first + 1, last);
    return first;
  }

  std::vector<int> Values() const {
    std::vector<int> values;
    for (const auto &[first, last] : runs_) {
      for (int index = first; index <= last; ++index) values.push_back(index);
    }
    return values;
  }

 private:
  std::map<int, int> runs_;  // first -> last, neither overlapping nor touching
};

}  // namespace velmora::ble
