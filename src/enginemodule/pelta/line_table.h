// The multi-line table of the adapter: the lines the library reports while it
// searches for more than one best move, kept in their order of merit.
#pragma once

#include <array>
#include <cstdint>

#include "enginemodule/interface/records.h"
#include "enginemodule/pelta/translate.h"

namespace zh::pelta {

struct AdapterLine {
  int32_t count = 0;
  std::array<eng::ReportMove, 32> moves{};
  int32_t depth = 0;
  int32_t raw_score = 0;
  int32_t seconds = 0;
  ReportScore score{};
};

class LineTable {
 public:
  static constexpr int kMaxLines = 64;

  void Clear() { count_ = 0; }
  int count() const { return count_; }
  const AdapterLine& line(int i) const { return lines_[i]; }

  // Takes a new line: an older line with the same first move goes; the new one is
  // inserted before the first line found at a lower depth or with a lower raw score
  // when that place is below `wanted`. Returns whether the table changed.
  bool Add(const AdapterLine& line, int wanted);

  // Writes the lines shown into the block's table, those of `depth` first, and line
  // 0 as the main line; returns the number shown.
  int Fill(eng::MainLineBlock& block, int depth, int wanted) const;

 private:
  void RemoveAt(int i);

  std::array<AdapterLine, kMaxLines> lines_{};
  int count_ = 0;
};

}  // namespace zh::pelta
