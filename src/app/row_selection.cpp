#include "app/row_selection.h"

#include <cstdint>
#include <iterator>
#include <limits>

#include "core/toolbox/int_array.h"

namespace zh {

void RowSelection::Clear() {
  runs_.clear();
  count_ = 0;
}

void RowSelection::AddRange(int64_t first, int64_t last) {
  if (last < first) return;
  // Swallow every run that overlaps or touches first..last.
  auto it = runs_.upper_bound(first);
  if (it != runs_.begin()) {
    auto before = std::prev(it);
    if (before->second >= first - 1) it = before;
  }
  while (it != runs_.end() && it->first <= last + 1) {
    if (it->first < first) first = it->first;
    if (it->second > last) last = it->second;
    count_ -= it->second - it->first + 1;
    it = runs_.erase(it);
  }
  runs_.emplace(first, last);
  count_ += last - first + 1;
}

void RowSelection::RemoveRange(int64_t first, int64_t last) {
  if (last < first) return;
  auto it = runs_.upper_bound(first);
  if (it != runs_.begin() && std::prev(it)->second >= first) it = std::prev(it);
  while (it != runs_.end() && it->first <= last) {
    const int64_t runFirst = it->first, runLast = it->second;
    count_ -= runLast - runFirst + 1;
    it = runs_.erase(it);
    if (runFirst < first) {
      runs_.emplace(runFirst, first - 1);
      count_ += first - runFirst;
    }
    if (runLast > last) {
      it = runs_.emplace(last + 1, runLast).first;
      count_ += runLast - last;
      break;
    }
  }
}

bool RowSelection::Toggle(int64_t row) {
  if (Contains(row)) {
    Remove(row);
    return false;
  }
  Add(row);
  return true;
}

bool RowSelection::Contains(int64_t row) const {
  auto it = runs_.upper_bound(row);
  if (it == runs_.begin()) return false;
  return std::prev(it)->second >= row;
}

bool RowSelection::CopyTo(SortedLONGArr& out) const {
  bool all = true;
  ForEach([&](int64_t row) {
    if (row > std::numeric_limits<int32_t>::max() || !out.Append(static_cast<int32_t>(row))) {
      all = false;
      return false;
    }
    return true;
  });
  return all;
}

}  // namespace zh
