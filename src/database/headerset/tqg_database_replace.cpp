// Replacing games and texts in place. The new data is first written into scratch files
// (B.cyg, B.cya) with the item's number; then one transaction copies it over the old
// data, moving the rest of a file up only when it does not fit, raises the offsets
// of the moved items, swaps the names in the libraries and writes the record.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/services.h"
#include "database/storage/annotation_file.h"
#include "database/storage/file_set_journal.h"
#include "database/storage/game_file.h"
#include "database/game/game_item.h"
#include "database/storage/header_file.h"
#include "database/keys/search_booster.h"
#include "database/headerset/tqg_database.h"

namespace zh {

namespace fs = std::filesystem;

// One data file of a replacement: where the old data was and what comes in.
struct TqgDatabase::Placement {
  PagedFile& file;
  PagedFile& scratch;  // the new data from offset 10
  bool annotations;    // the annotation offsets of game records, else game-file offsets
  uint32_t end;
  uint32_t waste;
  uint32_t oldOffset;
  uint32_t oldLength;
  uint32_t newLength;
  uint32_t slackAbove;  // a file longer than this gets `slack` spare bytes when it moves
  uint32_t slack;
  bool countWaste;
  uint32_t offset = 0;  // where the new data went, 0 for none
  bool moved = false;
};

namespace {

uint32_t* OffsetField(HeaderRecord& r, bool annotations) {
  if (annotations) return r.IsGame() ? &r.tqaOffset : nullptr;
  return r.IsGame() || r.IsText() ? &r.tqgOffset : nullptr;
}

constexpr int kReplacedText = 3;

uint32_t ClampedWaste(int64_t waste) {
  return static_cast<uint32_t>(std::clamp<int64_t>(waste, 0, 0xFFFFFFFF));
}

}  // namespace

int TqgDatabase::ReadAllRecords(std::vector<HeaderRecord>& records) {
  const int count = GetCount();
  records.assign(static_cast<size_t>(count) + 1, HeaderRecord());
  for (int k = 1; k <= count; ++k)
    if (const int rc = header_->ReadRecord(static_cast<uint32_t>(k), records[static_cast<size_t>(k)]))
      return rc;
  return kDbDone;
}

// Only offsets at or past the old place move; offsets of 0 (no data) stay 0.
int TqgDatabase::Place(Placement& p, std::vector<HeaderRecord>& records, int n) {
  const int count = static_cast<int>(records.size()) - 1;
  if (p.newLength == 0) {
    if (p.countWaste) p.waste = ClampedWaste(int64_t{p.waste} + p.oldLength);
    return kDbDone;
  }
  // Old data inside the file header or past the end (a damaged record) counts as none.
  uint32_t anchor = p.oldOffset >= FileTqg::kHeaderSize && p.oldOffset < p.end ? p.oldOffset : 0;
  uint32_t next = p.end;
  if (anchor == 0) {
    // No old data: the new data goes before that of the next item that has some.
    for (int k = n + 1; k <= count && anchor == 0; ++k)
      if (const uint32_t* o = OffsetField(records[static_cast<size_t>(k)], p.annotations))
        anchor = *o;
    if (anchor < FileTqg::kHeaderSize || anchor > p.end) anchor = p.end;
    next = anchor;
  } else {
    for (int k = 1; k <= count; ++k)
      if (const uint32_t* o = OffsetField(records[static_cast<size_t>(k)], p.annotations);
          k != n && o && *o > anchor && *o < next)
        next = *o;
  }
  const uint32_t room = next - anchor;
  if (p.newLength > room) {
    int64_t shift = int64_t{p.newLength} - room;
    int64_t waste = int64_t{p.waste} + p.oldLength - room;
    if (p.end > p.slackAbove) {
      shift += p.slack;
      waste += p.slack;
    }
    if (int64_t{p.end} + shift > 0xFFFFFFFFll) return kDbWriteError;
    if (next < p.end && p.file.MoveTail(next, shift) != 0) return kDbWriteError;
    p.end = static_cast<uint32_t>(p.end + shift);
    p.waste = ClampedWaste(waste);
    p.moved = true;
    for (int k = 1; k <= count; ++k)
      if (uint32_t* o = OffsetField(records[static_cast<size_t>(k)], p.annotations);
          k != n && o && *o != 0 && *o >= next) {
        *o = static_cast<uint32_t>(*o + shift);
        if (const int rc = header_->WriteRecord(static_cast<uint32_t>(k),
                                                records[static_cast<size_t>(k)]))
          return rc;
      }
  } else if (p.countWaste) {
    p.waste = ClampedWaste(int64_t{p.waste} + p.oldLength - p.newLength);
  }
  if (p.file.CopyFrom(p.scratch, anchor, FileTqg::kHeaderSize, p.newLength) != 0)
    return kDbWriteError;
  p.offset = anchor;
  return kDbDone;
}

void TqgDatabase::RemoveScratchFiles() const {
  for (const std::string& extension : {std::string("cyg"), std::string("cya")}) {
    const std::string path = PathWithExtension(basePath_, extension);
    std::error_code ec;
    if (!fs::exists(path, ec)) continue;
    NoteFileChange();
    fs::remove(path, ec);
  }
}

int TqgDatabase::ForgetBoosterRecords(int n) {
  const uint32_t count = static_cast<uint32_t>(std::max(n, 1));
  OpenSearchBooster(false);
  OpenOpeningsBooster(false);
  // A damaged booster is not trusted by its readers either; it is left alone.
  if (searchBooster_ && searchBooster_->Status() == 0)
    if (const int rc = searchBooster_->LowerRecordCount(count)) return rc;
  if (openingsBooster_ && openingsBooster_->Status() == 0)
    if (const int rc = openingsBooster_->LowerRecordCount(count)) return rc;
  return kDbDone;
}

int TqgDatabase::ReplaceNow(int n, TQGame& game, FileTqg& scratchGame,
                            FileTqa& scratchAnnotations, GameHeader& old) {
  std::vector<HeaderRecord> records;
  if (const int rc = ReadAllRecords(records)) return rc;
  const HeaderRecord& was = old.record;
  const uint32_t oldBody = was.IsGame() || was.IsText() ? was.tqgOffset : 0;
  const uint32_t oldNotes = was.IsGame() ? was.tqaOffset : 0;
  const int64_t bodyLength = oldBody && oldBody < game_->GetEnd() ? game_->RecordLength(oldBody) : 0;
  const int64_t notesLength =
      oldNotes && oldNotes < annotations_->End() ? annotations_->BlockLength(oldNotes) : 0;

  Placement body{game_->File(), scratchGame.File(), false, game_->GetEnd(), game_->GetWaste(),
                 oldBody, static_cast<uint32_t>(std::max<int64_t>(bodyLength, 0)),
                 scratchGame.GetEnd() - FileTqg::kHeaderSize, 4000000, 256, true};
  if (const int rc = Place(body, records, n)) return rc;
  Placement notes{annotations_->File(), scratchAnnotations.File(), true, annotations_->End(),
                  annotations_->Wasted(), oldNotes,
                  static_cast<uint32_t>(std::max<int64_t>(notesLength, 0)),
                  scratchAnnotations.End() - FileTqa::kHeaderSize, 2000000, 512, true};
  if (const int rc = Place(notes, records, n)) return rc;
  if (const int rc = game_->SetEnd(body.end)) return rc;
  if (const int rc = game_->SetWaste(body.waste)) return rc;
  if (const int rc = annotations_->SetEnd(notes.end)) return rc;
  if (const int rc = annotations_->SetWasted(notes.waste)) return rc;
  if (notes.moved && annotations_->HasDefect()) DumpText("Annotations file (TQA) defect.");

  game.header.SetTqgOffset(body.offset);
  game.header.SetTqaOffset(notes.offset);
  if (const int rc = Fault("names")) return rc;
  // New names first: a name that both headers share keeps its entry number.
  if (const int rc = RegisterNames(n, game.header)) return rc;
  if (const int rc = ReleaseHeaderNames(old)) return rc;
  if (const int rc = header_->WriteRecord(static_cast<uint32_t>(n), game.header.record)) return rc;
  return ForgetBoosterRecords(n);
}

int TqgDatabase::ReplaceGame(int n, TQGame& game) {
  if (!game_ || !header_ || !annotations_) return kDbNoSuchFile;
  if (n > GetCount()) return AppendGame(game);
  GameHeader old;
  if (n < 1) return kDbNotSupported;
  if (const int rc = ReadHeader(n, old)) return rc;
  if (game.header.record.Kind() != kGameRecord || game.header.record.type == kEmptyRecord)
    game.header.record.type = kGameRecord;

  Database* const database = game.database;
  const int32_t number = game.number;
  game.number = n;  // the annotation block carries the item's number
  RemoveScratchFiles();
  int rc;
  {
    FileTqg scratchGame(basePath_, "cyg", true);
    FileTqa scratchAnnotations(basePath_, "cya", true);
    scratchGame.endLimit = scratchEndLimit;
    rc = scratchGame.HasError() || scratchAnnotations.HasDefect() ? kDbWriteError : kDbDone;
    if (rc == 0) rc = scratchGame.AppendGame(game, &scratchAnnotations);
    if (rc == 0)
      rc = RunChange([&] { return ReplaceNow(n, game, scratchGame, scratchAnnotations, old); });
  }
  RemoveScratchFiles();
  game.database = rc == 0 ? this : database;
  if (rc != 0) game.number = number;
  if (rc == 0) ShowStatusMessage(GetMessageText(kReplacedText));
  return rc;
}

int TqgDatabase::WriteTextNow(int n, TQTextItem& item, FileTqg& scratchGame, GameHeader& old) {
  std::vector<HeaderRecord> records;
  if (const int rc = ReadAllRecords(records)) return rc;
  const HeaderRecord& was = old.record;
  const uint32_t oldBody = was.IsGame() || was.IsText() ? was.tqgOffset : 0;
  const int64_t bodyLength = oldBody ? game_->RecordLength(oldBody) : 0;
  Placement body{game_->File(), scratchGame.File(), false, game_->GetEnd(), game_->GetWaste(),
                 oldBody, static_cast<uint32_t>(std::max<int64_t>(bodyLength, 0)),
                 scratchGame.GetEnd() - FileTqg::kHeaderSize, 2000000, 1024, false};
  if (const int rc = Place(body, records, n)) return rc;
  if (const int rc = game_->SetEnd(body.end)) return rc;
  item.header.SetTqgOffset(body.offset);
  if (const int rc = Fault("names")) return rc;
  if (const int rc = RegisterNames(n, item.header)) return rc;
  if (const int rc = ReleaseHeaderNames(old)) return rc;
  return header_->WriteRecord(static_cast<uint32_t>(n), item.header.record);
}

int TqgDatabase::WriteText(int n, TQTextItem& item) {
  if (!game_ || !header_) return kDbNoSuchFile;
  if (n > GetCount()) return AppendText(item);
  if (n < 1) return kDbNotSupported;
  GameHeader old;
  if (const int rc = ReadHeader(n, old)) return rc;
  if (!item.header.IsText()) item.header.record.type = kTextRecord;
  RemoveScratchFiles();
  int rc;
  {
    FileTqg scratchGame(basePath_, "cyg", true);
    scratchGame.endLimit = scratchEndLimit;
    rc = scratchGame.HasError() ? kDbWriteError : scratchGame.AppendText(item);
    if (rc == 0) rc = RunChange([&] { return WriteTextNow(n, item, scratchGame, old); });
  }
  RemoveScratchFiles();
  if (rc == 0) {
    item.database = this;
    item.number = n;
  }
  return rc;
}

}  // namespace zh
