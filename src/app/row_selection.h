// The selected rows of a list: absolute row numbers kept as disjoint runs, so that
// selecting every row of a list of any length costs one run.
#pragma once

#include <cstdint>
#include <map>
#include <type_traits>

namespace zh {

class SortedLONGArr;

class RowSelection {
 public:
  void Clear();
  void Add(int64_t row) { AddRange(row, row); }
  // Rows first..last, both included; nothing when last < first.
  void AddRange(int64_t first, int64_t last);
  void Remove(int64_t row) { RemoveRange(row, row); }
  void RemoveRange(int64_t first, int64_t last);
  // True when the row is selected afterwards.
  bool Toggle(int64_t row);

  bool Contains(int64_t row) const;
  int64_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // The runs, first row to last row (included), ascending.
  const std::map<int64_t, int64_t>& Runs() const { return runs_; }

  // Calls f(row) for every selected row in ascending order; f may return false
  // to stop (a void f never stops).
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [first, last] : runs_)
      for (int64_t row = first; row <= last; ++row) {
        if constexpr (std::is_same_v<decltype(f(row)), bool>) {
          if (!f(row)) return;
        } else {
          f(row);
        }
      }
  }
  // Appends the rows in ascending order; false when a row does not fit 32 bits or
  // the array refused a value (it then holds the rows before that one).
  bool CopyTo(SortedLONGArr& out) const;

 private:
  std::map<int64_t, int64_t> runs_;  // first -> last; disjoint and never adjacent
  int64_t count_ = 0;
};

}  // namespace zh
