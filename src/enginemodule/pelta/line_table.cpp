#include "enginemodule/pelta/line_table.h"

#include <algorithm>

namespace zh::pelta {
namespace {

bool SameFirstMove(const AdapterLine& a, const AdapterLine& b) {
  if (a.count == 0 || b.count == 0) return a.count == b.count;
  const eng::ReportMove &x = a.moves[0], &y = b.moves[0];
  return x.from == y.from && x.to == y.to && x.promotion == y.promotion;
}

}  // namespace

void LineTable::RemoveAt(int i) {
  std::move(lines_.begin() + i + 1, lines_.begin() + count_, lines_.begin() + i);
  --count_;
}

bool LineTable::Add(const AdapterLine& line, int wanted) {
  bool changed = false;
  for (int i = 0; i < count_; ++i) {
    if (SameFirstMove(lines_[i], line)) {
      RemoveAt(i);
      changed = true;
      break;
    }
  }
  int at = 0;
  while (at < count_ && lines_[at].depth >= line.depth && lines_[at].raw_score >= line.raw_score) ++at;
  if (at >= wanted || at >= kMaxLines) return changed;
  int last = std::min(count_, kMaxLines - 1);  // a full table drops its last line
  std::move_backward(lines_.begin() + at, lines_.begin() + last, lines_.begin() + last + 1);
  lines_[at] = line;
  count_ = last + 1;
  return true;
}

int LineTable::Fill(eng::MainLineBlock& block, int depth, int wanted) const {
  const int shown = std::min(count_, std::clamp(wanted, 1, kMaxLines));
  int n = 0;
  auto put = [&](const AdapterLine& line) {
    block.line_move_counts[n] = static_cast<int16_t>(line.count);
    std::copy_n(line.moves.begin(), line.count, block.lines[n]);
    block.line_score_values[n] = line.score.value;
    block.line_score_types[n] = line.score.type;
    block.line_seconds[n] = line.seconds;
    ++n;
  };
  for (int i = 0; i < count_ && n < shown; ++i)
    if (lines_[i].depth == depth) put(lines_[i]);
  for (int i = 0; i < count_ && n < shown; ++i)
    if (lines_[i].depth != depth) put(lines_[i]);
  block.line_count = static_cast<int16_t>(n);
  block.line_length = n ? block.line_move_counts[0] : 0;
  std::copy_n(block.lines[0], block.line_length, block.line);
  block.score_value = n ? block.line_score_values[0] : 0;
  block.score_type = n ? block.line_score_types[0] : 0;
  block.seconds = n ? block.line_seconds[0] : 0;
  return n;
}

}  // namespace zh::pelta
