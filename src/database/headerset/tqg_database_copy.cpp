// The fast copy between two header sets: the source's game-file bytes of a run of
// items go over as one block, annotation blocks one by one with the new game number,
// and the records are appended with their library numbers translated. Each run of
// records is one change of the set; library counts are written as each record goes in.
#include <algorithm>
#include <new>

#include "core/services.h"
#include "database/storage/annotation_file.h"
#include "database/storage/game_file.h"
#include "database/storage/header_file.h"
#include "database/headerset/header_library.h"
#include "database/headerset/tqg_database.h"

namespace zh {

namespace {

// Records per change; the stop query is asked between them.
constexpr int kRunLength = 100;
constexpr uint32_t kMediaFlags = 0x70000;
constexpr int kGamesText = 145;

}  // namespace

struct TqgDatabase::CopyRun {
  HeaderRecord record;
  uint32_t bodyLength = 0;   // 0 for an item without a body
  uint32_t notesLength = 0;  // 0 without an annotation block
};

bool TqgDatabase::BlockCopyPossible(TqgDatabase& from, int first, int last,
                                    const CopyOptions& options, std::vector<CopyRun>& runs) {
  if (!from.header_ || !from.game_ || !from.annotations_ || !from.players_ || !players_ ||
      &from == this)
    return false;
  try {
    runs.assign(static_cast<size_t>(last - first + 1), CopyRun());
  } catch (const std::bad_alloc&) {
    return false;
  }
  uint64_t previousEnd = FileTqg::kHeaderSize;
  for (int n = first; n <= last; ++n) {
    CopyRun& run = runs[static_cast<size_t>(n - first)];
    HeaderRecord& r = run.record;
    if (from.header_->ReadRecord(static_cast<uint32_t>(n), r) != 0) return false;
    if (!r.IsGame() && !r.IsText()) return false;
    if ((r.contentFlags & kMediaFlags) && options.mediaMode != 2) return false;
    if (r.tqgOffset != 0) {
      // Bodies must lie one after another for the block to hold exactly them.
      const int64_t length = from.game_->RecordLength(r.tqgOffset);
      if (r.tqgOffset < previousEnd || length < FileTqg::kRecordHeaderSize ||
          r.tqgOffset + length > from.game_->GetEnd())
        return false;
      run.bodyLength = static_cast<uint32_t>(length);
      previousEnd = r.tqgOffset + static_cast<uint64_t>(length);
    }
    if (r.IsGame() && r.tqaOffset != 0) {
      const int64_t length = from.annotations_->BlockLength(r.tqaOffset);
      if (length <= 0 || r.tqaOffset + length > from.annotations_->End()) return false;
      run.notesLength = static_cast<uint32_t>(length);
    }
  }
  return true;
}

// A known source entry counts one game more at once; an unknown one is added (as
// "Unreadable" when it cannot be read or lies beyond the map) and remembered.
int TqgDatabase::TranslateName(TqgDatabase& from, int lib, std::vector<int32_t>& map,
                               uint32_t& number, int newNumber) {
  HeaderLib& own = *Library(lib);
  const bool mapped = number < map.size();
  if (mapped && map[number] >= 0) {
    const int32_t entry = map[number];
    int32_t firstGame = 0, games = 0;
    if (const int rc = own.GetGameRange(entry, firstGame, games)) return rc;
    if (const int rc = own.RewriteCounts(entry, std::min(firstGame, newNumber), games + 1))
      return rc;
    number = static_cast<uint32_t>(entry);
    return kDbDone;
  }
  HeaderLib& source = *from.Library(lib);
  std::unique_ptr<HeaderLibItem> item = source.NewItem();
  if (!mapped || source.ReadEntry(*item, static_cast<int32_t>(number)) != 0)
    AssignUnreadableName(lib, *item);
  int32_t entry = -1;
  if (const int rc = own.AddGame(*item, entry, newNumber)) return rc;
  if (mapped) map[number] = entry;
  number = static_cast<uint32_t>(entry);
  return kDbDone;
}

int TqgDatabase::CopyRecords(TqgDatabase& from, std::vector<CopyRun>& runs, size_t a, size_t b,
                             std::vector<int32_t> (&maps)[4]) {
  // The bodies of the run as one block, from the first body to the end of the last.
  uint64_t blockStart = 0, blockEnd = 0, used = 0;
  for (size_t i = a; i < b; ++i)
    if (runs[i].bodyLength) {
      if (!blockStart) blockStart = runs[i].record.tqgOffset;
      blockEnd = runs[i].record.tqgOffset + uint64_t{runs[i].bodyLength};
      used += runs[i].bodyLength;
    }
  const uint64_t ownEnd = game_->GetEnd();
  if (blockStart) {
    const uint64_t length = blockEnd - blockStart;
    if (ownEnd + length > game_->endLimit) return kDbWriteError;
    if (game_->File().CopyFrom(from.game_->File(), ownEnd, blockStart, length) != 0)
      return kDbLibraryDefect;
    if (const int rc = game_->SetEnd(static_cast<uint32_t>(ownEnd + length))) return rc;
    if (length > used)
      if (const int rc = game_->SetWaste(game_->GetWaste() + static_cast<uint32_t>(length - used)))
        return rc;
  }
  for (size_t i = a; i < b; ++i) {
    HeaderRecord r = runs[i].record;
    const int n = static_cast<int>(std::max<uint32_t>(header_->NextRecord(), 1));
    if (r.IsGame()) {
      if (int rc = TranslateName(from, 0, maps[0], r.white, n)) return rc;
      if (int rc = TranslateName(from, 0, maps[0], r.black, n)) return rc;
    }
    if (int rc = TranslateName(from, 1, maps[1], r.tournament, n)) return rc;
    if (int rc = TranslateName(from, 2, maps[2], r.annotator, n)) return rc;
    if (int rc = TranslateName(from, 3, maps[3], r.source, n)) return rc;
    // An offset of 0 (no body) stays 0.
    if (r.tqgOffset) r.tqgOffset = static_cast<uint32_t>(r.tqgOffset - blockStart + ownEnd);
    if (runs[i].notesLength) {
      const uint32_t at = annotations_->End();
      if (annotations_->File().CopyFrom(from.annotations_->File(), at, r.tqaOffset,
                                        runs[i].notesLength) != 0)
        return kDbLibraryDefect;
      if (const int rc = annotations_->SetEnd(at + runs[i].notesLength)) return rc;
      if (const int rc = annotations_->SetBlockGameNumber(at, static_cast<uint32_t>(n))) return rc;
      r.tqaOffset = at;
    } else if (r.IsGame()) {
      r.tqaOffset = 0;
    }
    if (const int rc = header_->AppendRecord(r)) return rc;
  }
  return kDbDone;
}

int TqgDatabase::CopyFromTqg(Database& source, int first, int& last, CopyOptions& options) {
  TqgDatabase* from = source.AsTqgDatabase();
  if (!from) return CopyGeneric(source, first, last, options);
  first = std::max(first, 1);
  last = std::min(last, from->GetCount());
  if (first > last) return kDbDone;
  std::vector<CopyRun> runs;
  if (!BlockCopyPossible(*from, first, last, options, runs))
    return CopyGeneric(source, first, last, options);
  // Source entry number -> own number, sized by the source's node counts: a larger
  // number is no entry and reads as "Unreadable".
  std::vector<int32_t> maps[4];
  try {
    for (int lib = 0; lib < 4; ++lib)
      maps[lib].assign(static_cast<size_t>(std::max(from->Library(lib)->NodeCount(), 0)), -1);
  } catch (const std::bad_alloc&) {
    return CopyGeneric(source, first, last, options);
  }
  if (first != last)
    ShowStatusMessage(GetMessageText(kGamesText) + ": " + std::to_string(first) + "-" +
                      std::to_string(last));
  const size_t total = runs.size();
  for (size_t a = 0; a < total; a += kRunLength) {
    const size_t b = std::min(total, a + kRunLength);
    const int rc = RunChange([&] { return CopyRecords(*from, runs, a, b, maps); });
    if (rc != 0) {
      ErrorBox("Library error during import");
      return kDbWriteError;
    }
    if (b % TqgDatabase::kBatchSize == 0 && CommitBatch() != 0) {
      ErrorBox("Library error during import");
      return kDbWriteError;
    }
    if (b < total && ProcessShouldStop()) {
      last = first + static_cast<int>(b) - 1;
      return kDbStopped;
    }
  }
  return kDbDone;
}

}  // namespace zh
