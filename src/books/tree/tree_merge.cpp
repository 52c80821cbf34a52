// Another tree merged into an open one, record by record over a copy of each page.
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/message_ids.h"
#include "books/tree/opening_tree.h"
#include "core/services.h"

namespace zh {

namespace {

constexpr uint32_t kStatusEvery = 1000;

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool SameMove(const GameMove& a, const GameMove& b) {
  if (a.from != b.from || a.to != b.to || a.kind != b.kind) return false;
  return !(a.kind & kPromotion) || a.promotion == b.promotion;
}

// The found list with the source's moves: a source value replaces a found one (with
// marks: when it is set; without: when the found one is 0); new moves are appended.
TreeMoveList MergedList(const TreeMoveList& found, const TreeMoveList& source, bool marks) {
  TreeMoveList merged = found;
  for (int s = 0; s < source.count; ++s) {
    int match = -1;
    for (int f = 0; f < merged.count && match < 0; ++f)
      if (SameMove(merged.moves[f], source.moves[s])) match = f;
    if (match < 0) {
      merged.Add(source.moves[s], source.values[s], source.flags[s]);
      continue;
    }
    const bool take = marks ? source.values[s] != 0 : merged.values[match] == 0;
    if (take) {
      merged.values[match] = source.values[s];
      merged.flags[match] = source.flags[s];
    }
  }
  return merged;
}

}  // namespace

int OpeningTree::MergeTree(OpeningTree& source) {
  // Two objects over the same files would corrupt them.
  if (&source == this || SameFile(GetPath(), source.GetPath())) return kSameTree;
  if (status_ != 0 || source.Status() != 0) return status_ ? status_ : source.Status();
  if (readOnly_) return PagedFile::kWriteError;
  if (WritesRefused()) return kBusy;
  TreePageFile& pages = source.Files().Pages();
  const TreePageRecords records = pages.Records();
  std::vector<uint8_t> copy(pages.PageSize());
  uint64_t count = 0;
  uint64_t old = 0;
  uint64_t added = 0;
  const uint32_t pageCount = pages.PageCount();
  for (uint32_t p = 0; p < pageCount; ++p) {
    if (pages.IsFreePage(p) || pages.ReadPage(p) != 0) continue;
    std::memcpy(copy.data(), pages.Buffer(), copy.size());
    if (!records.IsSound(copy.data())) continue;
    uint32_t offset = 4;
    for (uint32_t r = TreePageRecords::Count(copy.data()); r > 0; --r) {
      const uint8_t* record = copy.data() + offset;
      const uint32_t length = records.RecordLength(record);
      offset += length;
      ++count;
      PositionItem item;
      if (item.ReadFrom(record, length) == 0) continue;
      TreeMoveList moves;
      PositionItem::ReadMoveList(record, moves);
      moves.Complete(item.position);
      uint8_t zelko[2] = {item.zelko.flags, item.zelko.value};
      uint8_t eval = item.eval.flags;
      StatisticItem statistics = item.statistics;
      StatisticItem foundStatistics;
      uint8_t foundZelko[2] = {};
      uint8_t foundEval = 0;
      TreeMoveList foundMoves;
      int code = 0;
      if (FindPosition(item.position, &foundStatistics, foundZelko, &foundEval, &foundMoves)) {
        ++old;
        statistics.Add(foundStatistics);
        if (moveMarks) {
          if (eval == 0) eval = foundEval;
        } else {
          zelko[0] = foundZelko[0];
          zelko[1] = foundZelko[1];
          if (foundEval != 0) eval = foundEval;
        }
        foundMoves.Complete(item.position);
        code = UpdatePosition(item.position, statistics, zelko, eval);
        if (code == 0) code = MergeMoves(item.position, MergedList(foundMoves, moves, moveMarks));
      } else {
        ++added;
        code = AddPosition(item.position, nullptr);
        if (code == 0) code = UpdatePosition(item.position, statistics, zelko, eval);
        if (code == 0) code = MergeMoves(item.position, moves);
      }
      if (code != 0) return code;
      if (count % kStatusEvery == 0) {
        ShowStatusMessage(GetMessageText(msg::M_TREE_POSITION_COUNT) + " " +
                          std::to_string(count) + "; " +
                          GetMessageText(msg::M_TREE_MERGE_OLD) + " " + std::to_string(old) +
                          "; " + GetMessageText(msg::M_TREE_MERGE_NEW) + " " +
                          std::to_string(added));
        PumpEvents();
        if (status_ != 0 || source.Status() != 0) return kWriteFailed;
      }
    }
  }
  return 0;
}

}  // namespace zh
