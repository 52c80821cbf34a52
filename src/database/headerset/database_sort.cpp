#include "database/headerset/database_sort.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <new>

#include "core/services.h"
#include "core/toolbox/system_helpers.h"
#include "database/storage/file_set_journal.h"
#include "database/storage/file_set_replacement.h"

namespace zh {

namespace {

constexpr uint64_t kMaxBudget = uint64_t{1} << 30;
constexpr size_t kRunBuffer = 1 << 16;
constexpr size_t kMergeWidth = 5;

bool HasYear(uint32_t date) {
  return ((date >> 9) & 0xFFFF) != 0;
}

SortKey MakeKey(SortSource& source, const std::vector<uint32_t>& tournamentDates,
                const HeaderRecord& record, int n) {
  SortKey key;
  key.item = n;
  key.tournament = record.GetTournament();
  key.round = static_cast<int8_t>(record.round);
  const uint32_t date =
      key.tournament < tournamentDates.size() ? tournamentDates[key.tournament] : 0;
  key.dated = HasYear(date);
  if (key.dated) key.tournamentPosition = source.TournamentPosition(key.tournament);
  if (record.IsText()) {
    key.text = 1;
    key.subRound = -1;
    key.dateKey = key.dated ? date : 33;
    return key;
  }
  key.subRound = static_cast<int8_t>(record.subRound);
  key.dateKey = key.dated ? date : ((record.date >> 9) & 0xFFFF) * 512 + 33;
  key.whitePosition = source.PlayerPosition(record.white);
  key.blackPosition = source.PlayerPosition(record.black);
  key.eco = record.eco;
  return key;
}

template <class T>
int Compare(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// Run files: a 32-bit count, then the keys as they lie in memory.
class RunFiles {
 public:
  explicit RunFiles(std::string folder) : folder_(std::move(folder)) {}
  ~RunFiles() {
    for (const auto& path : paths_)
      if (!path.empty()) Delete(path);
  }
  // A new run; its number is its index.
  int Add(const std::function<void(const std::string&)>& onRun) {
    paths_.push_back(FileSetReplacement::UniqueTemporaryPath(folder_, "SORT"));
    if (onRun) onRun(paths_.back());
    return static_cast<int>(paths_.size()) - 1;
  }
  const std::string& Path(int run) const { return paths_[run]; }
  void Remove(int run) {
    Delete(paths_[run]);
    paths_[run].clear();
  }

 private:
  static void Delete(const std::string& path) {
    NoteFileChange();
    unlink(path.c_str());
  }
  std::string folder_;
  std::vector<std::string> paths_;
};

class RunWriter {
 public:
  RunWriter(const std::string& path, uint32_t count) {
    NoteFileChange();
    if (FileChangeRefused()) return;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return;
    std::setvbuf(file_, nullptr, _IOFBF, kRunBuffer);
    ok_ = std::fwrite(&count, sizeof count, 1, file_) == 1;
  }
  ~RunWriter() {
    if (file_) std::fclose(file_);
  }
  void Put(const SortKey* keys, size_t n) {
    if (ok_) ok_ = std::fwrite(keys, sizeof(SortKey), n, file_) == n;
  }
  bool Close() {
    if (!file_) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok_ && closed;
  }

 private:
  std::FILE* file_ = nullptr;
  bool ok_ = false;
};

class RunReader {
 public:
  explicit RunReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (!file_) return;
    std::setvbuf(file_, nullptr, _IOFBF, kRunBuffer);
    ok_ = std::fread(&left_, sizeof left_, 1, file_) == 1;
  }
  ~RunReader() {
    if (file_) std::fclose(file_);
  }
  RunReader(const RunReader&) = delete;
  RunReader& operator=(const RunReader&) = delete;
  bool Ok() const { return ok_; }
  uint32_t Left() const { return left_; }
  // The next key; false at the end or on a read error (then Ok is false).
  bool Next(SortKey& key) {
    if (!ok_ || left_ == 0) return false;
    ok_ = std::fread(&key, sizeof key, 1, file_) == 1;
    if (ok_) --left_;
    return ok_;
  }

 private:
  std::FILE* file_;
  uint32_t left_ = 0;
  bool ok_ = false;
};

// Merges the runs of `group` into run `into`; false on a file error.
bool Merge(RunFiles& files, const std::vector<int>& group, int into, const SortKeyOrder& order) {
  std::vector<std::unique_ptr<RunReader>> readers;
  std::vector<SortKey> heads(group.size());
  std::vector<bool> live(group.size());
  uint32_t total = 0;
  for (size_t i = 0; i < group.size(); ++i) {
    readers.push_back(std::make_unique<RunReader>(files.Path(group[i])));
    if (!readers.back()->Ok()) return false;
    total += readers.back()->Left();
    live[i] = readers.back()->Next(heads[i]);
  }
  RunWriter out(files.Path(into), total);
  for (;;) {
    int best = -1;
    for (size_t i = 0; i < group.size(); ++i)
      if (live[i] && (best < 0 || order(heads[i], heads[best]))) best = static_cast<int>(i);
    if (best < 0) break;
    out.Put(&heads[best], 1);
    live[best] = readers[best]->Next(heads[best]);
    if (!live[best] && !readers[best]->Ok()) return false;
  }
  if (!out.Close()) return false;
  for (int run : group) files.Remove(run);
  return true;
}

bool EnoughDisk(SortSource& source, const std::string& folder, uint64_t n, uint64_t runs) {
  const uint64_t forRuns = (n * 128 + runs * 65544) / 1024;
  const uint64_t forDatabase = (source.FileBytes() + 0x48000) / 1024;
  const uint64_t needed = std::max(forRuns, forDatabase);
  const uint64_t free = GetFreeDiskSpaceKB(folder);
  if (free == 0 || free >= needed) return true;
  ErrorBox("Not enough disk space. You need a further " +
           std::to_string((needed - free) / 1024 + 1) + "MB");
  return false;
}

}  // namespace

uint64_t MaintenanceBudget(uint32_t percent) {
  return std::min(GetMemoryBudget(percent), kMaxBudget);
}

int SortKeyOrder::CompareTournaments(const SortKey& a, const SortKey& b) const {
  if (a.tournament == b.tournament) return 0;
  if (a.dated && b.dated) return Compare(a.tournamentPosition, b.tournamentPosition);
  if (a.dated != b.dated) return a.dated ? -1 : 1;
  return Compare(source_.TournamentPlaceAndTitle(a.tournament),
                 source_.TournamentPlaceAndTitle(b.tournament));
}

bool SortKeyOrder::operator()(const SortKey& a, const SortKey& b) const {
  int c = 0;
  if (criterion_ == kSortByEco) {
    c = Compare(a.eco, b.eco);
  } else {
    c = Compare(a.dateKey, b.dateKey);
    if (criterion_ == kSortNewestFirst) c = -c;
    if (!c) c = CompareTournaments(a, b);
    if (!c) c = Compare(a.round, b.round);
    if (!c) c = Compare(a.subRound, b.subRound);
  }
  if (!c) c = Compare(a.whitePosition, b.whitePosition);
  if (!c) c = Compare(a.blackPosition, b.blackPosition);
  if (!c && criterion_ != kSortByEco && a.text && b.text)
    c = Compare(source_.TextTitle(a.item), source_.TextTitle(b.item));
  if (!c) c = Compare(a.item, b.item);
  return c < 0;
}

std::unique_ptr<std::vector<int32_t>> SortItems(SortSource& source, const std::string& folder,
                                                int criterion, const SortOptions& options) {
  const int n = source.Count();
  if (n <= 0) return nullptr;
  const uint64_t budget = options.memoryBudget ? options.memoryBudget : MaintenanceBudget(50);
  const int tournaments = std::max(source.TournamentCount(), 0);
  const uint64_t forTable = uint64_t{4} * static_cast<uint64_t>(tournaments);
  if (budget < forTable + sizeof(SortKey)) return nullptr;
  uint64_t per = std::min<uint64_t>((budget - forTable) / sizeof(SortKey), n);
  std::vector<SortKey> keys;
  std::vector<uint32_t> dates;
  for (;;) {
    try {
      keys.reserve(per);
      dates.resize(tournaments);
      break;
    } catch (const std::bad_alloc&) {
      std::vector<SortKey>().swap(keys);
      std::vector<uint32_t>().swap(dates);
      per /= 10;
      if (per == 0) return nullptr;
    }
  }
  const uint64_t runs = (n + per - 1) / per;
  if (!EnoughDisk(source, folder, n, runs)) return nullptr;
  if (!source.LoadSortOrders()) return nullptr;
  struct Orders {
    SortSource& source;
    ~Orders() { source.FreeSortOrders(); }
  } orders{source};
  for (int t = 0; t < tournaments; ++t) dates[t] = source.TournamentDate(t);

  const SortKeyOrder order(source, criterion);
  RunFiles files(folder);
  std::deque<int> queue;
  std::vector<int32_t> unreadable;
  HeaderRecord record;
  for (int next = 1; next <= n;) {
    keys.clear();
    for (; next <= n && keys.size() < per; ++next) {
      if (source.ReadRecord(next, record))
        keys.push_back(MakeKey(source, dates, record, next));
      else
        unreadable.push_back(next - 1);
    }
    std::stable_sort(keys.begin(), keys.end(), order);
    const int run = files.Add(options.onRun);
    RunWriter writer(files.Path(run), static_cast<uint32_t>(keys.size()));
    writer.Put(keys.data(), keys.size());
    if (!writer.Close()) return nullptr;
    queue.push_back(run);
  }
  std::vector<SortKey>().swap(keys);

  while (queue.size() > 1) {
    std::vector<int> group;
    while (!queue.empty() && group.size() < kMergeWidth) {
      group.push_back(queue.front());
      queue.pop_front();
    }
    const int into = files.Add(options.onRun);
    if (options.onMerge) options.onMerge(group, into);
    if (!Merge(files, group, into, order)) return nullptr;
    queue.push_back(into);
  }

  auto result = std::make_unique<std::vector<int32_t>>();
  result->reserve(n);
  RunReader reader(files.Path(queue.front()));
  if (!reader.Ok()) return nullptr;
  for (SortKey key; reader.Next(key);) result->push_back(key.item - 1);
  if (!reader.Ok()) return nullptr;
  result->insert(result->end(), unreadable.begin(), unreadable.end());
  return result;
}

}  // namespace zh
