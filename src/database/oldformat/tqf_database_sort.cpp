// Sorting an old-format database: an external merge sort of the games' sort keys
// through run files beside the database, merged five at a time.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/services.h"
#include "core/toolbox/system_helpers.h"
#include "database/game/game_header.h"
#include "database/oldformat/tqf_database.h"

namespace zh {

namespace {

// Bytes a header takes in memory while sorting, and what the run files need on disk.
constexpr uint64_t kHeaderBytes = 432;
constexpr uint64_t kRunFileBytesPerGame = 864;
constexpr uint64_t kRunFileOverhead = 65544;
constexpr size_t kMergeWidth = 5;
constexpr size_t kRunBuffer = 1 << 19;

struct SortEntry {
  int32_t index = 0;  // 0-based game number
  uint8_t readable = 0;
  int32_t year = 0;
  uint16_t eco = 0;
  uint8_t round = 0;
  uint8_t subRound = 0;
  std::string tournament, whiteLast, whiteFirst, blackLast, blackFirst;
};

SortEntry EntryOf(FileTqf& file, int32_t index) {
  SortEntry e;
  e.index = index;
  GameHeader h;
  if (file.ReadHeader(index + 1, h) != 0) return e;
  e.readable = 1;
  e.year = static_cast<int32_t>(h.GetDate() >> 9);
  e.eco = h.GetEco();
  e.round = static_cast<uint8_t>(h.GetRound());
  e.subRound = static_cast<uint8_t>(h.GetSubRound());
  e.tournament = h.tournament.Title();
  e.whiteLast = h.white.LastNameBytes();
  e.whiteFirst = h.white.FirstNameBytes();
  e.blackLast = h.black.LastNameBytes();
  e.blackFirst = h.black.FirstNameBytes();
  return e;
}

// Names compare as unsigned bytes: last name, then first name; White before Black.
auto Players(const SortEntry& e) {
  return std::tie(e.whiteLast, e.whiteFirst, e.blackLast, e.blackFirst);
}

// Unreadable headers last in game order; criterion 1 by ECO code, then players; else by
// year (7 newest first, others oldest first), tournament, round, sub-round, players.
// The game number breaks the remaining ties, so the order is total.
bool Precedes(const SortEntry& a, const SortEntry& b, int criterion) {
  if (a.readable != b.readable) return a.readable > b.readable;
  if (!a.readable) return a.index < b.index;
  if (criterion == 1) {
    if (a.eco != b.eco) return a.eco < b.eco;
  } else {
    if (a.year != b.year) return criterion == 7 ? a.year > b.year : a.year < b.year;
    if (a.tournament != b.tournament) return a.tournament < b.tournament;
    if (a.round != b.round) return a.round < b.round;
    if (a.subRound != b.subRound) return a.subRound < b.subRound;
  }
  if (Players(a) != Players(b)) return Players(a) < Players(b);
  return a.index < b.index;
}

// A run file: entries one after the other, each fixed fields then five texts with a
// length byte.
class RunFile {
 public:
  RunFile(std::string path, const char* mode)
      : path_(std::move(path)), f_(fopen(path_.c_str(), mode)) {
    if (f_) setvbuf(f_, nullptr, _IOFBF, kRunBuffer);
  }
  ~RunFile() {
    if (f_) fclose(f_);
  }
  RunFile(const RunFile&) = delete;
  RunFile& operator=(const RunFile&) = delete;

  bool Ok() const { return f_ && !ferror(f_); }
  bool Close() {
    const bool ok = f_ && !ferror(f_) && fclose(f_) == 0;
    f_ = nullptr;
    return ok;
  }

  void Write(const SortEntry& e) {
    fwrite(&e.index, sizeof e.index, 1, f_);
    fwrite(&e.readable, 1, 1, f_);
    fwrite(&e.year, sizeof e.year, 1, f_);
    fwrite(&e.eco, sizeof e.eco, 1, f_);
    fwrite(&e.round, 1, 1, f_);
    fwrite(&e.subRound, 1, 1, f_);
    for (const std::string* s :
         {&e.tournament, &e.whiteLast, &e.whiteFirst, &e.blackLast, &e.blackFirst}) {
      const uint8_t n = static_cast<uint8_t>(std::min<size_t>(s->size(), 255));
      fwrite(&n, 1, 1, f_);
      fwrite(s->data(), 1, n, f_);
    }
  }
  // False at the end of the file or on an error.
  bool Read(SortEntry& e) {
    bool ok = fread(&e.index, sizeof e.index, 1, f_) == 1 && fread(&e.readable, 1, 1, f_) == 1 &&
              fread(&e.year, sizeof e.year, 1, f_) == 1 &&
              fread(&e.eco, sizeof e.eco, 1, f_) == 1 && fread(&e.round, 1, 1, f_) == 1 &&
              fread(&e.subRound, 1, 1, f_) == 1;
    for (std::string* s :
         {&e.tournament, &e.whiteLast, &e.whiteFirst, &e.blackLast, &e.blackFirst}) {
      uint8_t n = 0;
      ok = ok && fread(&n, 1, 1, f_) == 1;
      if (!ok) break;
      s->resize(n);
      ok = fread(s->data(), 1, n, f_) == n;
    }
    return ok;
  }

 private:
  std::string path_;
  FILE* f_;
};

// Run files made beside the database under names no other file has; removed at the end.
class RunFiles {
 public:
  explicit RunFiles(std::string base) : base_(std::move(base)) {}
  ~RunFiles() {
    for (const std::string& p : made_) unlink(p.c_str());
  }
  RunFiles(const RunFiles&) = delete;
  RunFiles& operator=(const RunFiles&) = delete;

  // A new empty file's path; empty when none can be made.
  std::string Make() {
    std::string name = base_ + ".sortrun.XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return {};
    close(fd);
    made_.push_back(name);
    return name;
  }
  void Remove(const std::string& path) {
    unlink(path.c_str());
    made_.erase(std::remove(made_.begin(), made_.end(), path), made_.end());
  }

 private:
  std::string base_;
  std::vector<std::string> made_;
};

// Merges the runs into one new run; its path, empty on a file error.
std::string MergeRuns(RunFiles& files, const std::vector<std::string>& group, int criterion) {
  const std::string out = files.Make();
  if (out.empty()) return {};
  RunFile writer(out, "wb");
  std::vector<std::unique_ptr<RunFile>> readers;
  std::vector<SortEntry> heads(group.size());
  std::vector<bool> live(group.size());
  for (size_t i = 0; i < group.size(); ++i) {
    readers.push_back(std::make_unique<RunFile>(group[i], "rb"));
    if (!readers[i]->Ok()) return {};
    live[i] = readers[i]->Read(heads[i]);
  }
  for (;;) {
    // Among equal heads the earlier run wins.
    int best = -1;
    for (size_t i = 0; i < group.size(); ++i)
      if (live[i] && (best < 0 || Precedes(heads[i], heads[size_t(best)], criterion)))
        best = int(i);
    if (best < 0) break;
    writer.Write(heads[size_t(best)]);
    live[size_t(best)] = readers[size_t(best)]->Read(heads[size_t(best)]);
  }
  for (const auto& r : readers)
    if (!r->Ok()) return {};
  return writer.Close() ? out : std::string();
}

}  // namespace

std::unique_ptr<std::vector<int32_t>> TqfDatabase::Sort(int criterion) {
  const int count = GetCount();
  if (!file_ || count <= 0) return nullptr;
  const uint64_t m = static_cast<uint64_t>(count);
  uint64_t perRun =
      sortRunLength_ > 0 ? uint64_t(sortRunLength_) : GetMemoryBudget(70) / kHeaderBytes;
  perRun = std::clamp<uint64_t>(perRun, 1, m);
  const uint64_t runs = (m + perRun - 1) / perRun;

  const uint64_t neededKB = (m * kRunFileBytesPerGame + runs * kRunFileOverhead) / 1024;
  const uint64_t freeKB = FreeDiskSpaceKB();
  if (freeKB < neededKB) {
    ErrorBox("Not enough disk space. You need a further " +
             std::to_string((neededKB - freeKB) / 1024 + 1) + "MB");
    return nullptr;
  }

  SetFeedbackTitle("Sort Database " + basePath_);
  AddFeedbackLine("Generate Sortorder", count);
  RunFiles files(basePath_);
  std::deque<std::string> queue;
  std::vector<SortEntry> entries;
  for (uint64_t first = 0; first < m; first += perRun) {
    const uint64_t end = std::min(m, first + perRun);
    entries.clear();
    for (uint64_t i = first; i < end; ++i)
      entries.push_back(EntryOf(*file_, static_cast<int32_t>(i)));
    std::sort(entries.begin(), entries.end(), [criterion](const SortEntry& a, const SortEntry& b) {
      return Precedes(a, b, criterion);
    });
    const std::string path = files.Make();
    if (path.empty()) return nullptr;
    RunFile run(path, "wb");
    for (const SortEntry& e : entries) run.Write(e);
    if (!run.Close()) return nullptr;
    queue.push_back(path);
    StepFeedback(static_cast<int64_t>(end));
  }
  std::vector<SortEntry>().swap(entries);

  AddFeedbackLine("Finale Sort", static_cast<int64_t>(runs));
  while (queue.size() > 1) {
    std::vector<std::string> group;
    while (!queue.empty() && group.size() < kMergeWidth) {
      group.push_back(queue.front());
      queue.pop_front();
    }
    const std::string merged = MergeRuns(files, group, criterion);
    if (merged.empty()) return nullptr;
    for (const std::string& p : group) files.Remove(p);
    queue.push_back(merged);
  }

  AddFeedbackLine("Generate Sortindex", count);
  auto order = std::make_unique<std::vector<int32_t>>();
  order->reserve(m);
  RunFile result(queue.front(), "rb");
  SortEntry e;
  while (result.Ok() && result.Read(e)) order->push_back(e.index);
  if (order->size() != m) return nullptr;
  return order;
}

}  // namespace zh
