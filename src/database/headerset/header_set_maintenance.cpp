#include "database/headerset/header_set_maintenance.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <new>
#include <system_error>
#include <type_traits>
#include <utility>

#include "core/toolbox/paged_file.h"
#include "core/services.h"
#include "core/toolbox/system_helpers.h"
#include "database/storage/annotation_file.h"
#include "database/storage/file_set_journal.h"
#include "database/storage/file_set_replacement.h"
#include "database/storage/game_file.h"
#include "database/storage/header_file.h"
#include "database/game/header_items.h"
#include "database/headerset/header_library.h"
#include "database/storage/header_record.h"
#include "database/headerset/database_sort.h"
#include "database/keys/key_file.h"
#include "database/storage/packed_header_record.h"
#include "database/keys/search_booster.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibraryExtensions[4] = {"tqp", "tqt", "tqc", "tqs"};
constexpr const char* kCompactExtensions[4] = {"cxp", "cxt", "cxc", "cxs"};
constexpr int32_t kKeyKinds[] = {4, 0x200000, 0x400000, 0x800000, 0x1000000};

enum Library { kPlayers, kTournaments, kAnnotators, kSources };

bool ValidEntry(HeaderLib* lib, uint32_t entry) {
  return lib && lib->GetGameCount(static_cast<int32_t>(entry)) >= 0;
}

void DumpDefect(const char* what, int n, int64_t length) {
  DumpText(std::string(what) + std::to_string(n));
  DumpText("GameLen = " + std::to_string(length));
  DumpText("Please run integrity test");
  DumpText(" ");
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// The new files of the set while they are written.
struct NewSet {
  explicit NewSet(const std::string& tmpBase)
      : header(tmpBase, "cxh", true), games(tmpBase, "cxg", true), annotations(tmpBase, "cxa", true) {}
  FileTqh header;
  FileTqg games;
  FileTqa annotations;
};

// Reads packed records for a pass over the header file: while the numbers rise, a run
// of records at once, else one by one through the file's window. A record reads as
// FileTqh::ReadPacked reads it.
class RecordReader {
 public:
  explicit RecordReader(FileTqh& header) : header_(header), size_(header.RecordSize()) {}

  // The layout of record n with its bytes in `bytes` (kHeaderRecordBuffer of them);
  // null where ReadPacked fails.
  const PackedLayout* Read(uint32_t n, uint8_t* bytes) {
    const bool rising = n > last_ && n - last_ <= kMostSkipped;
    last_ = n;
    if (n < first_ || n - first_ >= count_) {
      count_ = 0;
      if (!rising || !LoadRun(n)) return header_.ReadPacked(n, bytes);
    }
    const uint8_t* record = run_.data() + size_t{n - first_} * size_;
    if (size_ == kHeaderRecordSize)
      std::memcpy(bytes, record, kHeaderRecordSize);  // the usual size, copied inline
    else
      std::memcpy(bytes, record, size_);
    return PackedRecord::LayoutOf(bytes[0]);
  }

 private:
  static constexpr uint32_t kRunRecords = 2048;
  static constexpr uint32_t kMostSkipped = 64;

  // Reads records n ... of a run; false when they are not all there (the reads go one
  // by one from then on).
  bool LoadRun(uint32_t n) {
    if (!runs_ || header_.HasError()) return false;
    const uint32_t items = header_.ItemCount();
    if (n < 1 || n > items) return false;
    const uint32_t count = std::min(kRunRecords, items - n + 1);
    run_.resize(size_t{count} * size_);
    if (header_.File().Read(run_.data(), uint64_t{n} * size_, static_cast<int32_t>(run_.size())) != 0) {
      runs_ = false;
      return false;
    }
    first_ = n;
    count_ = count;
    return true;
  }

  FileTqh& header_;
  const uint32_t size_;
  std::vector<uint8_t> run_;
  uint32_t first_ = 0, count_ = 0;
  uint32_t last_ = 0;
  bool runs_ = true;
};

// The entries named "Unreadable" that replace library references out of range.
struct Repairs {
  int32_t player = -1;
  int32_t tournament = -1;
  // Whether an entry of the player or tournament library is readable (0 not known
  // yet, 1 yes, 2 no), so that each entry is read once.
  mutable std::vector<int8_t> known[2];
  mutable bool anyInvalid = false;  // some reference was out of range

  // Whether the entry is known to be readable.
  bool KnownValid(int lib, uint32_t entry) const {
    const std::vector<int8_t>& k = known[lib == kPlayers ? 0 : 1];
    return entry < k.size() && k[entry] == 1;
  }

  bool Valid(HeaderSetFiles& set, int lib, uint32_t entry) const {
    std::vector<int8_t>& k = known[lib == kPlayers ? 0 : 1];
    if (entry > 0xFFFFFF) {
      anyInvalid = true;
      return false;
    }
    if (entry >= k.size()) k.resize(entry + 1, 0);
    if (!k[entry]) k[entry] = ValidEntry(set.libraries[lib], entry) ? 1 : 2;
    anyInvalid |= k[entry] == 2;
    return k[entry] == 1;
  }
};

// Reads every kept record before anything is written: an unreadable one refuses,
// naming it. A reference out of range gets an "Unreadable" entry in its library.
int PrepareRepairs(HeaderSetFiles& set, const std::vector<int32_t>& kept, Repairs& repairs) {
  uint8_t bytes[kHeaderRecordBuffer];
  for (const int32_t index : kept) {
    const int n = index + 1;
    const PackedLayout* layout = set.header->ReadPacked(static_cast<uint32_t>(n), bytes);
    if (!layout) {
      DumpText("Unreadable record: " + std::to_string(n));
      return kMaintenanceUnreadable;
    }
    const PackedRecord r(bytes, *layout);
    if (repairs.tournament < 0 &&
        !repairs.Valid(set, kTournaments, r.Get(PackedField::kTournament))) {
      int16_t round = 0, subRound = 0;
      TQTournament unreadable("Unreadable", 0, round, subRound);
      if (set.libraries[kTournaments]->AddGame(unreadable, repairs.tournament, n) != 0)
        return kMaintenanceWriteError;
    }
    if (repairs.player < 0 && r.IsGame() &&
        !(repairs.Valid(set, kPlayers, r.Get(PackedField::kWhite)) &&
          repairs.Valid(set, kPlayers, r.Get(PackedField::kBlack)))) {
      TQPlayer unreadable("Unreadable", "");
      if (set.libraries[kPlayers]->AddGame(unreadable, repairs.player, n) != 0)
        return kMaintenanceWriteError;
    }
  }
  return kMaintenanceDone;
}

// Replaces references out of range by the "Unreadable" entries, with a log line when
// asked; false when an entry to replace one with is still missing.
bool RepairOutOfRange(HeaderSetFiles& set, const Repairs& repairs, int n, PackedRecord r,
                      bool log) {
  bool complete = true;
  const auto repair = [&](int lib, PackedField field, int32_t replacement, const char* what) {
    if (repairs.Valid(set, lib, r.Get(field))) return;
    if (replacement < 0) {
      complete = false;
      return;
    }
    if (log) LogLine(std::string("Unreadable ") + what + " in item " + std::to_string(n));
    r.Set(field, static_cast<uint32_t>(replacement));
  };
  repair(kTournaments, PackedField::kTournament, repairs.tournament, "tournament");
  if (r.IsGame()) {
    repair(kPlayers, PackedField::kWhite, repairs.player, "white player");
    repair(kPlayers, PackedField::kBlack, repairs.player, "black player");
  }
  return complete;
}

// RepairOutOfRange unless every reference is known to be in range (the usual case,
// inlined).
[[gnu::always_inline]] inline bool RepairReferences(HeaderSetFiles& set, const Repairs& repairs, int n, PackedRecord r,
                             bool log) {
  if (repairs.KnownValid(kTournaments, r.Get(PackedField::kTournament)) &&
      (!r.IsGame() || (repairs.KnownValid(kPlayers, r.Get(PackedField::kWhite)) &&
                       repairs.KnownValid(kPlayers, r.Get(PackedField::kBlack)))))
    return true;
  return RepairOutOfRange(set, repairs, n, r, log);
}

// The library references of a record: tournament, white, black, annotator, source.
struct Reference {
  int library;
  PackedField field;
  bool players;  // a text has none
};
constexpr Reference kReferences[5] = {
    {kTournaments, PackedField::kTournament, false},
    {kPlayers, PackedField::kWhite, true},
    {kPlayers, PackedField::kBlack, true},
    {kAnnotators, PackedField::kAnnotator, false},
    {kSources, PackedField::kSource, false},
};

// Calls fn(k) for every reference k as a constant (std::integral_constant), so that
// each call reads its field at a fixed place.
template <class Fn>
void ForEachReference(Fn&& fn) {
  [&]<size_t... k>(std::index_sequence<k...>) {
    (fn(std::integral_constant<size_t, k>{}), ...);
  }(std::make_index_sequence<std::size(kReferences)>{});
}

// Counts one kept record's references under its new number `m`.
void CountReferencesOf(HeaderSetFiles& set, PackedRecord r, int32_t m) {
  ForEachReference([&](auto k) {
    constexpr Reference ref = kReferences[k];
    if (!ref.players || r.IsGame())
      set.libraries[ref.library]->CountGame(static_cast<int32_t>(r.Get(ref.field)), m);
  });
}

int InitCounting(HeaderSetFiles& set) {
  for (HeaderLib* lib : set.libraries)
    if (lib->InitCounting() != 0) return kMaintenanceUnreadable;
  return kMaintenanceDone;
}

int BuildCompactLibraries(HeaderSetFiles& set) {
  for (HeaderLib* lib : set.libraries)
    if (lib->BuildBinTree(true) != 0) return kMaintenanceWriteError;
  return kMaintenanceDone;
}

// Counts the references of the kept records, repaired, under their new numbers in
// list order, then builds the compacted libraries, so that the copy writes each
// record once with its new entry numbers. An unreadable record refuses, naming it;
// `repairsMissing` tells of a reference out of range without its "Unreadable" entry.
int CountReferences(HeaderSetFiles& set, const Repairs& repairs, const std::vector<int32_t>& kept,
                    bool& repairsMissing) {
  repairsMissing = false;
  if (const int rc = InitCounting(set)) return rc;
  uint8_t bytes[kHeaderRecordBuffer];
  RecordReader reader(*set.header);
  for (size_t i = 0; i < kept.size(); ++i) {
    const int n = kept[i] + 1;
    const PackedLayout* layout = reader.Read(static_cast<uint32_t>(n), bytes);
    if (!layout) {
      DumpText("Unreadable record: " + std::to_string(n));
      return kMaintenanceUnreadable;
    }
    const PackedRecord r(bytes, *layout);
    if (!RepairReferences(set, repairs, n, r, false)) {
      repairsMissing = true;
      return kMaintenanceDone;
    }
    CountReferencesOf(set, r, static_cast<int32_t>(i + 1));
  }
  return BuildCompactLibraries(set);
}

// The entry numbers of the compacted libraries, as tables filled once the libraries
// are built: an old entry maps to its new number, 0 when it was dropped or lies
// outside the nodes.
class EntryMaps {
 public:
  explicit EntryMaps(HeaderSetFiles& set) : set_(set) {}

  void Fill() {
    for (int lib = 0; lib < 4; ++lib) {
      const int32_t nodes = std::max(set_.libraries[lib]->NodeCount(), 0);
      tables_[lib].resize(static_cast<size_t>(nodes));
      for (int32_t entry = 0; entry < nodes; ++entry)
        tables_[lib][static_cast<size_t>(entry)] = std::max(set_.libraries[lib]->MapEntry(entry), 0);
    }
  }

  // Gives a record the entry numbers of the compacted libraries.
  void Map(PackedRecord r) const {
    ForEachReference([&](auto k) {
      constexpr Reference ref = kReferences[k];
      const std::vector<int32_t>& table = tables_[ref.library];
      const uint32_t entry = r.Get(ref.field);
      r.Set(ref.field, entry < table.size() ? static_cast<uint32_t>(table[entry]) : 0u);
    });
  }

 private:
  HeaderSetFiles& set_;
  std::vector<int32_t> tables_[4];
};

// One kept item of a batch: its record and where its body and annotation block lie
// in the batch buffer (-1: not read there, copied from the old file directly).
struct BatchItem {
  int n = 0;
  uint8_t* record = nullptr;  // packed, read into its place among the new records
  const PackedLayout* layout = nullptr;
  int64_t bodyLength = 0, bodyAt = -1;
  int64_t blockLength = 0, blockAt = -1;
};

// A booster carried into the new set: the old file, the new one and the records of
// the batch in list order.
struct CarriedBooster {
  BoosterFile* old = nullptr;
  std::unique_ptr<BoosterFile> fresh;
  std::vector<uint8_t> records;
  size_t recordSize = 0;
  int countOffset = 0;  // where record 0 holds the record count
};

// Items of one batch at most: larger batches read little more in order but hold
// their records out of the caches.
constexpr size_t kMostPerBatch = 4096;

// The copy that counts the references cannot go on (a reference out of range needs
// its "Unreadable" entry, or the new header records do not fit in memory): it is made
// again after a counting pass.
constexpr int kCountFirst = -1;

// Copies the kept items batch by batch into the new files.
class ItemCopier {
 public:
  ItemCopier(HeaderSetFiles& set, const Repairs& repairs, NewSet& out,
             std::vector<CarriedBooster>& boosters)
      : set_(set), repairs_(repairs), out_(out), boosters_(boosters), maps_(set), reader_(*set.header),
        gamePos_(out.games.GetEnd()), annotationPos_(out.annotations.End()) {}

  // Items and bytes of one batch within `budget`.
  void Size(uint64_t budget, size_t count) {
    const uint64_t items = std::max<uint64_t>(set_.header->ItemCount(), 1);
    const uint64_t average =
        (uint64_t{set_.games->GetEnd()} + set_.annotations->End()) / items + 2;
    uint64_t perItem = average + sizeof(BatchItem) + out_.header.RecordSize();
    for (const auto& b : boosters_) perItem += b.recordSize;
    per_ = static_cast<size_t>(
        std::clamp<uint64_t>(budget / perItem, 1, std::clamp<size_t>(count, 1, kMostPerBatch)));
    // Never more than the old files hold.
    const uint64_t most = uint64_t{set_.games->GetEnd()} + set_.annotations->End();
    bufferBytes_ = std::max<uint64_t>(4096, std::min(per_ * average, most));
  }

  // The copy counts the library references itself and holds the new header records
  // until the compacted libraries give their entry numbers, instead of a counting
  // pass before it; the libraries are in counting state. False when the records do
  // not fit in memory.
  bool CountWhileCopying(size_t count) {
    all_.reset(new (std::nothrow) uint8_t[std::max<size_t>(count * out_.header.RecordSize(), 1)]);
    counting_ = all_ != nullptr;
    return counting_;
  }

  int Run(const std::vector<int32_t>& kept) {
    if (!counting_) maps_.Fill();
    if (const int rc = CopyItems(kept)) return rc;
    return counting_ ? WriteCountedRecords(kept.size()) : kMaintenanceDone;
  }

  uint32_t GamePos() const { return gamePos_; }
  uint32_t AnnotationPos() const { return annotationPos_; }
  size_t Batches() const { return batches_; }

 private:
  int CopyItems(const std::vector<int32_t>& kept) {
    for (;;) {
      try {
        buffer_.reset(new uint8_t[static_cast<size_t>(bufferBytes_)]);
        break;
      } catch (const std::bad_alloc&) {
        if (per_ < 2) {
          ErrorBox("Not enough memory");
          return kMaintenanceNoMemory;
        }
        per_ /= 2;
        bufferBytes_ = std::max<uint64_t>(4096, bufferBytes_ / 2);
      }
    }
    for (size_t start = 0; start < kept.size(); start += per_) {
      const size_t end = std::min(kept.size(), start + per_);
      if (const int rc = ReadBatch(kept, start, end)) return rc;
      if (const int rc = WriteBatch(start)) return rc;
    }
    return kMaintenanceDone;
  }

  // Builds the compacted libraries from the counts, then gives the held records their
  // new entry numbers and writes them, a batch's worth at a time.
  int WriteCountedRecords(size_t count) {
    if (const int rc = BuildCompactLibraries(set_)) return rc;
    maps_.Fill();
    const size_t recordSize = out_.header.RecordSize();
    for (size_t start = 0; start < count; start += kMostPerBatch) {
      const size_t n = std::min(count - start, kMostPerBatch);
      uint8_t* records = all_.get() + start * recordSize;
      for (uint8_t* bytes = records; bytes < records + n * recordSize; bytes += recordSize)
        maps_.Map(PackedRecord(bytes, *PackedRecord::LayoutOf(bytes[0])));
      if (out_.header.WritePacked(static_cast<uint32_t>(start + 1), static_cast<uint32_t>(n),
                                  records))
        return kMaintenanceWriteError;
    }
    return kMaintenanceDone;
  }

  // Reads records, bodies and blocks of list[start, end) in item-number order.
  int ReadBatch(const std::vector<int32_t>& kept, size_t start, size_t end) {
    ++batches_;
    batch_.resize(end - start);
    uint8_t* records = NewRecords(start);
    // (item number, slot) in item-number order.
    order_.resize(batch_.size());
    for (size_t i = 0; i < order_.size(); ++i) {
      BatchItem& item = batch_[i];
      item.n = kept[start + i] + 1;
      item.record = records + i * out_.header.RecordSize();
      item.bodyLength = item.blockLength = 0;
      item.bodyAt = item.blockAt = -1;
      order_[i] = {item.n, i};
    }
    if (!std::is_sorted(order_.begin(), order_.end())) std::sort(order_.begin(), order_.end());
    for (auto& b : boosters_) b.records.assign(batch_.size() * b.recordSize, 0);
    uint64_t fill = 0;
    for (const auto& [n, slot] : order_) {
      BatchItem& item = batch_[slot];
      if (const int rc = ReadItem(item, fill)) return rc;
      for (auto& b : boosters_)
        if (b.old->ReadRecord(static_cast<uint32_t>(item.n), b.records.data() + slot * b.recordSize))
          return kMaintenanceUnreadable;
    }
    return kMaintenanceDone;
  }

  int ReadItem(BatchItem& item, uint64_t& fill) {
    item.layout = reader_.Read(static_cast<uint32_t>(item.n), item.record);
    if (!item.layout) {
      DumpText("Unreadable record: " + std::to_string(item.n));
      return kMaintenanceUnreadable;
    }
    PackedRecord r(item.record, *item.layout);
    if (counting_) {
      if (!RepairReferences(set_, repairs_, item.n, r, true)) return kCountFirst;
    } else if (repairs_.anyInvalid) {
      RepairReferences(set_, repairs_, item.n, r, true);
    }
    if (const uint32_t o = r.Get(PackedField::kTqgOffset); o >= 1) {
      item.bodyLength = set_.games->RecordLength(o);
      if (item.bodyLength <= 0) {
        DumpDefect("TQG defect in game: ", item.n, item.bodyLength);
        return kMaintenanceUnreadable;
      }
      if (!ReadInto(set_.games->File(), o, item.bodyLength, fill, item.bodyAt))
        return kMaintenanceUnreadable;
    }
    if (const uint32_t o = r.Get(PackedField::kTqaOffset); o >= 1) {
      item.blockLength = set_.annotations->BlockLength(o);
      if (item.blockLength <= 0) {
        // An unreadable block is dropped; the game keeps its moves.
        DumpDefect("TQA defect in game: ", item.n, item.blockLength);
        r.Set(PackedField::kTqaOffset, 0);
        r.Set(PackedField::kWord43, 0);
        item.blockLength = 0;
      } else if (!ReadInto(set_.annotations->File(), o, item.blockLength, fill, item.blockAt)) {
        return kMaintenanceUnreadable;
      }
    }
    return kMaintenanceDone;
  }

  // Reads `length` bytes at `offset` into the buffer when they fit; false on a read
  // error.
  bool ReadInto(PagedFile& file, uint32_t offset, int64_t length, uint64_t& fill, int64_t& at) {
    if (fill + static_cast<uint64_t>(length) > bufferBytes_) return true;
    if (file.Read(buffer_.get() + fill, offset, static_cast<int32_t>(length)) != 0) return false;
    at = static_cast<int64_t>(fill);
    fill += static_cast<uint64_t>(length);
    return true;
  }

  // The place of the new header records of the batch starting at list index `start`.
  uint8_t* NewRecords(size_t start) {
    const size_t recordSize = out_.header.RecordSize();
    if (counting_) return all_.get() + start * recordSize;
    records_.resize(batch_.size() * recordSize);
    return records_.data();
  }

  // Writes the batch in list order as records start + 1 ...; the header records go
  // out together.
  int WriteBatch(size_t start) {
    for (size_t i = 0; i < batch_.size(); ++i) {
      BatchItem& item = batch_[i];
      const auto m = static_cast<uint32_t>(start + i + 1);
      if (const int rc = WriteItem(item, m)) return rc;
      const PackedRecord record(item.record, *item.layout);
      if (counting_)
        CountReferencesOf(set_, record, static_cast<int32_t>(m));
      else
        maps_.Map(record);
    }
    if (const int rc = FlushBodies()) return rc;
    if (!counting_ && out_.header.WritePacked(static_cast<uint32_t>(start + 1),
                                              static_cast<uint32_t>(batch_.size()), records_.data()))
      return kMaintenanceWriteError;
    for (auto& b : boosters_)
      if (b.fresh->WriteRecords(static_cast<uint32_t>(start + 1),
                                static_cast<uint32_t>(batch_.size()), b.records.data()))
        return kMaintenanceWriteError;
    return kMaintenanceDone;
  }

  // Places `length` bytes from the buffer or the old file at `pos` of `to`.
  int Place(PagedFile& to, PagedFile& from, uint32_t fromOffset, int64_t length, int64_t at,
            uint32_t& pos) {
    if (pos + static_cast<uint64_t>(length) > 0xFFFFFFFFu) return kMaintenanceWriteError;
    const bool failed =
        at >= 0 ? to.Write(buffer_.get() + at, pos, static_cast<int32_t>(length)) != 0
                : to.CopyFrom(from, pos, fromOffset, static_cast<uint64_t>(length)) != 0;
    return failed ? kMaintenanceWriteError : kMaintenanceDone;
  }

  // Bodies that lie one after the other in the batch buffer go out in one write.
  int PlaceBody(const BatchItem& item, uint32_t o) {
    if (gamePos_ + static_cast<uint64_t>(item.bodyLength) > 0xFFFFFFFFu) return kMaintenanceWriteError;
    if (item.bodyAt >= 0 && pendingLength_ > 0 && pendingAt_ + pendingLength_ == item.bodyAt) {
      pendingLength_ += item.bodyLength;
      return kMaintenanceDone;
    }
    if (const int rc = FlushBodies()) return rc;
    if (item.bodyAt >= 0) {
      pendingAt_ = item.bodyAt;
      pendingLength_ = item.bodyLength;
      pendingPos_ = gamePos_;
      return kMaintenanceDone;
    }
    uint32_t pos = gamePos_;
    return Place(out_.games.File(), set_.games->File(), o, item.bodyLength, -1, pos);
  }

  // Writes the pending bodies, in pieces that one write takes.
  int FlushBodies() {
    const int64_t length = pendingLength_;
    pendingLength_ = 0;
    for (int64_t done = 0; done < length;) {
      const int64_t piece = std::min<int64_t>(length - done, 0x40000000);
      uint32_t pos = pendingPos_ + static_cast<uint32_t>(done);
      if (const int rc = Place(out_.games.File(), set_.games->File(), 0, piece, pendingAt_ + done, pos))
        return rc;
      done += piece;
    }
    return kMaintenanceDone;
  }

  int WriteItem(BatchItem& item, uint32_t m) {
    PackedRecord record(item.record, *item.layout);
    if (const uint32_t o = record.Get(PackedField::kTqgOffset); o >= 1) {
      if (const int rc = PlaceBody(item, o)) return rc;
      record.Set(PackedField::kTqgOffset, gamePos_);
      gamePos_ += static_cast<uint32_t>(item.bodyLength);
    }
    if (const uint32_t o = record.Get(PackedField::kTqaOffset); o >= 1) {
      if (const int rc = Place(out_.annotations.File(), set_.annotations->File(), o,
                               item.blockLength, item.blockAt, annotationPos_))
        return rc;
      if (out_.annotations.SetBlockGameNumber(annotationPos_, m)) return kMaintenanceWriteError;
      record.Set(PackedField::kTqaOffset, annotationPos_);
      annotationPos_ += static_cast<uint32_t>(item.blockLength);
    }
    record.ClearUnused(out_.header.RecordSize());
    return kMaintenanceDone;
  }

  HeaderSetFiles& set_;
  const Repairs& repairs_;
  NewSet& out_;
  std::vector<CarriedBooster>& boosters_;
  EntryMaps maps_;
  RecordReader reader_;
  uint32_t gamePos_, annotationPos_;
  size_t per_ = 1;
  uint64_t bufferBytes_ = 4096;
  size_t batches_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  std::vector<BatchItem> batch_;
  std::vector<std::pair<int, size_t>> order_;  // (item number, slot) of the batch
  std::vector<uint8_t> records_;  // without counting: the batch's new header records
  bool counting_ = false;
  std::unique_ptr<uint8_t[]> all_;  // with counting: every new header record, in list order
  // Bodies read into the buffer and not written yet: where they lie there, how many
  // bytes, and where they go.
  int64_t pendingAt_ = 0, pendingLength_ = 0;
  uint32_t pendingPos_ = 0;
};

// The boosters to carry: the search booster with a record per item, else none of
// them; without a search booster, the openings booster with a record per item. The
// others are listed in `dropped`.
std::vector<CarriedBooster> BoostersToCarry(HeaderSetFiles& set, uint32_t itemCount,
                                            std::vector<const char*>& dropped) {
  const auto consistent = [&](BoosterFile* b) {
    return b && b->Status() == 0 && b->RecordCount() == itemCount + 1;
  };
  std::vector<CarriedBooster> carried;
  const auto carry = [&](BoosterFile* b, int countOffset) {
    CarriedBooster c;
    c.old = b;
    c.countOffset = countOffset;
    carried.push_back(std::move(c));
  };
  if (set.searchBooster && !consistent(set.searchBooster)) {
    dropped = {"tqb", "tqo"};
    return carried;
  }
  if (set.searchBooster) carry(set.searchBooster, 0);
  if (consistent(set.openingsBooster)) carry(set.openingsBooster, 2);
  else dropped.push_back("tqo");
  if (!set.searchBooster) dropped.push_back("tqb");
  return carried;
}

// Creates the new booster files beside the new set.
int CreateCarriedBoosters(std::vector<CarriedBooster>& boosters, const std::string& tmpBase) {
  for (auto& b : boosters) {
    if (b.countOffset == 0) {
      auto* old = static_cast<SearchBooster*>(b.old);
      b.recordSize = static_cast<size_t>(old->RecordSize());
      b.fresh = std::make_unique<SearchBooster>(tmpBase, "tqb", true, old->Kind());
    } else {
      b.recordSize = OpeningsBooster::kRecordSize;
      b.fresh = std::make_unique<OpeningsBooster>(tmpBase, "tqo", true);
    }
    if (b.fresh->Status() != 0) return kMaintenanceWriteError;
  }
  return kMaintenanceDone;
}

// Gives each new booster the old one's record 0 with the new record count.
int FinishCarriedBoosters(std::vector<CarriedBooster>& boosters, uint32_t count) {
  for (auto& b : boosters) {
    std::vector<uint8_t> header(b.recordSize);
    if (b.old->File().Read(header.data(), 0, static_cast<int32_t>(b.recordSize)) != 0)
      return kMaintenanceUnreadable;
    const uint32_t records = count + 1;
    for (int i = 0; i < 4; ++i)
      header[static_cast<size_t>(b.countOffset + i)] = static_cast<uint8_t>(records >> (24 - 8 * i));
    if (b.fresh->File().Write(header.data(), 0, static_cast<int32_t>(b.recordSize)) != 0 ||
        b.fresh->File().WriteBack() != 0)
      return kMaintenanceWriteError;
  }
  return kMaintenanceDone;
}

// Counts the references of the kept records before the copy, adding the "Unreadable"
// entries that references out of range need.
int CountWithRepairs(HeaderSetFiles& set, Repairs& repairs, const std::vector<int32_t>& kept) {
  bool repairsMissing = false;
  int rc = CountReferences(set, repairs, kept, repairsMissing);
  if (rc == kMaintenanceDone && repairsMissing) {
    for (HeaderLib* lib : set.libraries) lib->FreeScratch();
    rc = PrepareRepairs(set, kept, repairs);
    if (rc == kMaintenanceDone) rc = CountReferences(set, repairs, kept, repairsMissing);
  }
  return rc;
}

// Writes the new set under its temporary names: header, games, annotations, the
// carried boosters and, when the copy counts the references, the compacted libraries;
// kCountFirst when that copy cannot go on.
int WriteNewSet(HeaderSetFiles& set, const Repairs& repairs, const std::vector<int32_t>& kept,
                const std::string& tmpBase, std::vector<CarriedBooster>& boosters,
                const ReorganiseOptions& options, uint64_t budget, bool counting) {
  NewSet out(tmpBase);
  if (out.header.HasError() || out.games.HasError() || out.annotations.HasDefect())
    return kMaintenanceWriteError;
  ItemCopier copier(set, repairs, out, boosters);
  if (counting && !copier.CountWhileCopying(kept.size())) return kCountFirst;
  int rc = CreateCarriedBoosters(boosters, tmpBase);
  if (rc != kMaintenanceDone) return rc;
  out.header.FileHeader() = set.header->FileHeader();
  out.header.SetNextRecord(static_cast<uint32_t>(kept.size()) + 1);
  if (out.header.WriteFileHeader()) return kMaintenanceWriteError;
  // The new files are written front to back: their windows gather the writes.
  for (PagedFile* f : {&out.header.File(), &out.games.File(), &out.annotations.File()})
    f->EnableWriteBehind();
  const uint64_t records = uint64_t{kept.size()} * out.header.RecordSize();
  copier.Size(counting ? budget - records : budget, kept.size());
  rc = copier.Run(kept);
  if (options.onBatches && rc != kCountFirst) options.onBatches(copier.Batches());
  if (rc == kMaintenanceDone &&
      (out.games.SetEnd(copier.GamePos()) || out.games.SetWaste(0) ||
       out.annotations.SetEnd(copier.AnnotationPos()) || out.annotations.SetWasted(0)))
    rc = kMaintenanceWriteError;
  if (rc == kMaintenanceDone)
    rc = FinishCarriedBoosters(boosters, static_cast<uint32_t>(kept.size()));
  if ((out.header.FlushFileHeader() || out.games.FlushHeader() || out.annotations.FlushHeader()) &&
      rc == kMaintenanceDone)
    rc = kMaintenanceWriteError;
  for (PagedFile* f : {&out.header.File(), &out.games.File(), &out.annotations.File()})
    if (f->DisableWriteBehind() != 0 && rc == kMaintenanceDone) rc = kMaintenanceWriteError;
  for (auto& b : boosters) b.fresh.reset();
  return rc;
}

// The copy that counts the references itself when the new header records fit in a
// quarter of the budget, else after a counting pass; kCountFirst as WriteNewSet.
int CopyCounting(HeaderSetFiles& set, Repairs& repairs, const std::vector<int32_t>& kept,
                 const std::string& tmpBase, std::vector<CarriedBooster>& boosters,
                 const ReorganiseOptions& options, uint64_t budget) {
  const bool counting = uint64_t{kept.size()} * set.header->RecordSize() <= budget / 4;
  const int rc = counting ? InitCounting(set) : CountWithRepairs(set, repairs, kept);
  if (rc != kMaintenanceDone) return rc;
  return WriteNewSet(set, repairs, kept, tmpBase, boosters, options, budget, counting);
}

}  // namespace

// Copies every key of the set with its companion under temporary names and renumbers
// the copies; the originals stay as they are until the commit.
int RenumberKeyCopies(HeaderSetFiles& set, FileSetReplacement& replacement,
                      const std::vector<int32_t>& map) {
  for (const int32_t kind : kKeyKinds) {
    const std::string ext = KeyFileExtension(kind);
    const std::string original = set.filePath(ext.c_str());
    if (!Exists(original)) continue;
    for (const std::string& e : {ext, CompanionExtension(ext)}) {
      const std::string from = set.filePath(e.c_str());
      if (!Exists(from)) continue;
      const std::string to = replacement.TemporaryPath(e);
      std::error_code ec;
      NoteFileChange();
      if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
        return kMaintenanceWriteError;
      replacement.Replace(to, from);
    }
    KeyFile key(replacement.Folder() + "/" + FileSetReplacement::kTemporaryStem, false, 0, kind);
    if (key.Status() != 0 || key.RenumberGames(map) != 0 || key.Flush() != 0)
      return kMaintenanceWriteError;
  }
  return kMaintenanceDone;
}

bool LibraryReferencesValid(HeaderSetFiles& set, const HeaderRecord& record) {
  if (!ValidEntry(set.libraries[kTournaments], record.GetTournament())) return false;
  return !record.IsGame() || (ValidEntry(set.libraries[kPlayers], record.GetWhite()) &&
                              ValidEntry(set.libraries[kPlayers], record.GetBlack()));
}

int ReorganiseHeaderSet(HeaderSetFiles& set, const std::vector<int32_t>& kept,
                        const ReorganiseOptions& options) {
  if (!set.header || !set.games || !set.annotations) return kMaintenanceMissingFile;
  for (HeaderLib* lib : set.libraries)
    if (!lib || lib->Status() != 0) return kMaintenanceMissingFile;
  if (const int rc = FileSetReplacement::CompletePending(set.base)) return rc;
  const int count = static_cast<int>(set.header->ItemCount());
  for (const int32_t index : kept)
    if (index < 0 || index >= count) return kMaintenanceUnreadable;
  FileSetReplacement replacement(set.base);
  const std::string tmpBase = replacement.Folder() + "/" + FileSetReplacement::kTemporaryStem;
  // Claimed first, so that every exit before the commit deletes what was written.
  const auto claim = [&](const std::string& from, const char* ext) {
    replacement.Replace(from, set.filePath(ext));
  };
  claim(tmpBase + ".cxh", "tqh");
  claim(tmpBase + ".cxg", "tqg");
  claim(tmpBase + ".cxa", "tqa");
  for (int lib = 0; lib < 4; ++lib)
    claim(set.base + "." + kCompactExtensions[lib], kLibraryExtensions[lib]);
  std::vector<const char*> droppedBoosters;
  std::vector<CarriedBooster> boosters =
      BoostersToCarry(set, static_cast<uint32_t>(count), droppedBoosters);
  for (const auto& b : boosters) {
    const char* ext = b.countOffset == 0 ? "tqb" : "tqo";
    claim(tmpBase + "." + ext, ext);
  }
  // The libraries' counting state lives until the copy is written (the release at the
  // commit may delete the libraries).
  struct Scratch {
    HeaderSetFiles* set;
    void Free() {
      if (set)
        for (HeaderLib* lib : set->libraries) lib->FreeScratch();
      set = nullptr;
    }
    ~Scratch() { Free(); }
  } scratch{&set};
  Repairs repairs;
  const uint64_t budget = options.memoryBudget ? options.memoryBudget : MaintenanceBudget(60);
  int rc = CopyCounting(set, repairs, kept, tmpBase, boosters, options, budget);
  if (rc == kCountFirst) {
    for (HeaderLib* lib : set.libraries) lib->FreeScratch();
    rc = CountWithRepairs(set, repairs, kept);
    if (rc == kMaintenanceDone)
      rc = WriteNewSet(set, repairs, kept, tmpBase, boosters, options, budget, false);
  }
  scratch.Free();
  if (rc != kMaintenanceDone) return rc;  // the replacement deletes what was written

  std::vector<int32_t> map(static_cast<size_t>(count) + 1, -1);
  for (size_t i = 0; i < kept.size(); ++i) map[static_cast<size_t>(kept[i]) + 1] = static_cast<int32_t>(i + 1);
  if ((rc = RenumberKeyCopies(set, replacement, map)) != kMaintenanceDone) return rc;
  droppedBoosters.push_back("scn");
  for (const char* ext : droppedBoosters)
    if (const std::string path = set.filePath(ext); Exists(path)) replacement.Remove(path);
  return replacement.Commit(options.release);
}

int CollectDeletedItems(HeaderSetFiles& set, uint64_t totalBytes, const MediaLinksOf& linksOf,
                        std::vector<int32_t>& kept, PathList& media) {
  kept.clear();
  media.Clear();
  if (!set.header || !set.games || !set.annotations) return kMaintenanceMissingFile;
  const uint64_t needed = (totalBytes + 0x48000) / 1024;
  const uint64_t free = GetFreeDiskSpaceKB(fs::path(set.base).parent_path());
  if (free != 0 && free < needed) {
    ErrorBox("Not enough disk space. You need a further " +
             std::to_string((needed - free) / 1024 + 1) + "MB");
    return kMaintenanceMissingFile;
  }
  const int count = static_cast<int>(set.header->ItemCount());
  PathList deletedMedia, keptMedia;
  kept.reserve(std::min<uint32_t>(set.header->ItemCount(), FileTqh::kMaxNextRecord));
  // The records are looked at packed; only an item with links is unpacked.
  uint8_t bytes[kHeaderRecordBuffer] = {};
  HeaderRecord r;
  RecordReader reader(*set.header);
  for (int n = 1; n <= count; ++n) {
    const PackedLayout* layout = reader.Read(static_cast<uint32_t>(n), bytes);
    const auto refuse = [&] {
      ErrorBox("Item " + std::to_string(n) + " cannot be read. Please run integrity test");
      kept.clear();
      return kMaintenanceUnreadable;
    };
    if (!layout) return refuse();
    const PackedRecord packed(bytes, *layout);
    PathList& links = packed.IsDeleted() ? deletedMedia : keptMedia;
    if (linksOf && (packed.IsText() ||
                    (packed.IsGame() && (packed.Get(PackedField::kContentFlags) & 0x70000))) &&
        (r.Unpack(bytes) != 0 || linksOf(n, r, links) != 0))
      return refuse();
    if (!packed.IsDeleted()) kept.push_back(n - 1);
  }
  media = UnreferencedMedia(deletedMedia, keptMedia);
  return kMaintenanceDone;
}

namespace {
// The tournament of item n, or -1 when its record cannot be read.
int64_t TournamentOf(HeaderSetFiles& set, int n) {
  HeaderRecord r;
  if (set.header->ReadRecord(static_cast<uint32_t>(n), r) != 0) return -1;
  return r.GetTournament();
}
}  // namespace

std::unique_ptr<SortedLONGArr> GamesOfTournament(HeaderSetFiles& set, int n) {
  const int count = set.header ? static_cast<int>(set.header->ItemCount()) : 0;
  if (n < 1 || n > count || !set.libraries[kTournaments]) return nullptr;
  auto list = std::make_unique<SortedLONGArr>(16382);
  const WaitCursor wait;
  const int64_t t = TournamentOf(set, n);
  int k = n;
  while (k > 1 && TournamentOf(set, k) == t) --k;
  int32_t left = t < 0 ? 0 : set.libraries[kTournaments]->GetGameCount(static_cast<int32_t>(t));
  HeaderRecord r;
  for (; left > 0 && k <= count; ++k) {
    if (set.header->ReadRecord(static_cast<uint32_t>(k), r) != 0 || r.GetTournament() != t) continue;
    --left;
    if (r.IsGame()) list->Append(k);
  }
  return list;
}

int TournamentEdge(HeaderSetFiles& set, int n, bool forward) {
  if (n <= 1 || !set.header) return 1;
  const int count = static_cast<int>(set.header->ItemCount());
  const WaitCursor wait;
  int k = std::min(n - 1, count);
  const int64_t t = TournamentOf(set, k);
  if (forward) {
    while (k <= count && TournamentOf(set, k) == t) ++k;
  } else {
    while (k > 0 && TournamentOf(set, k) == t) --k;
    ++k;
  }
  return std::min(k, count);
}

PathList UnreferencedMedia(const PathList& deleted, const PathList& kept) {
  PathList out;
  for (int32_t i = 0; i < deleted.Count(); ++i)
    if (kept.Find(deleted.At(i)) < 0 && out.Find(deleted.At(i)) < 0)
      out.Add(deleted.At(i), deleted.TagAt(i));
  return out;
}

std::string FreeMediaName(const std::string& folder, uint32_t counter, const std::string& extension) {
  for (;; ++counter) {
    const std::string name = std::to_string(counter);
    if (!Exists((fs::path(folder) / (name + "." + extension)).string())) return name;
  }
}

}  // namespace zh
