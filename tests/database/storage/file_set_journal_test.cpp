#include "database/storage/file_set_journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/killed_child.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;
// Contents by extension; nullopt for a missing file.
using SetState = std::map<std::string, std::optional<Bytes>>;

const std::vector<std::string> kExts = {"aaa", "bbb", "ccc"};
const std::vector<std::string> kScratch = {"cyg"};

std::optional<Bytes> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

SetState ReadSet(const std::string& base) {
  SetState s;
  for (const auto& ext : kExts) s[ext] = ReadFile(base + "." + ext);
  return s;
}

void WriteSet(const std::string& base, const SetState& s) {
  for (const auto& [ext, bytes] : s) {
    fs::remove(base + "." + ext);
    if (bytes) WriteFile(base + "." + ext, *bytes);
  }
}

Bytes RandomBytes(std::mt19937& rng, size_t n) {
  Bytes b(n, '\0');
  for (char& c : b) c = static_cast<char>(rng());
  return b;
}

// One change of one file, applied to the files through the journal dispatch the way
// the paged file makes it, and to a model in memory.
struct Op {
  enum Kind { kWrite, kResize, kMoveTail, kRemove } kind;
  std::string ext;
  uint64_t offset = 0;  // write offset, new size, or tail start
  int64_t shift = 0;
  Bytes data;
};

Bytes& ModelFile(SetState& s, const std::string& ext) {
  if (!s[ext]) s[ext] = Bytes();
  return *s[ext];
}

void ApplyToModel(const Op& op, SetState& s) {
  if (op.kind == Op::kRemove) {
    s[op.ext].reset();
    return;
  }
  Bytes& f = ModelFile(s, op.ext);
  if (op.kind == Op::kWrite) {
    if (f.size() < op.offset + op.data.size()) f.resize(op.offset + op.data.size(), '\0');
    f.replace(op.offset, op.data.size(), op.data);
  } else if (op.kind == Op::kResize) {
    f.resize(op.offset, '\0');
  } else {
    const Bytes tail = f.substr(std::min<size_t>(op.offset, f.size()));
    // The gap that a move up opens reads as zeros.
    f.resize(op.shift > 0 ? op.offset : op.offset + op.shift);
    f.resize(op.offset + op.shift, '\0');
    f += tail;
  }
}

int OpenForChange(const std::string& path) {
  if (!fs::exists(path)) {
    EXPECT_TRUE(file_journals::BeforeResize(path, -1, 0));
  }
  return open(path.c_str(), O_RDWR | O_CREAT, 0644);
}

void WriteThrough(int fd, const std::string& path, uint64_t offset, const Bytes& data) {
  ASSERT_TRUE(file_journals::BeforeWrite(path, fd, offset, data.size()));
  ASSERT_EQ(pwrite(fd, data.data(), data.size(), static_cast<off_t>(offset)),
            static_cast<ssize_t>(data.size()));
}

void ResizeThrough(int fd, const std::string& path, uint64_t size) {
  ASSERT_TRUE(file_journals::BeforeResize(path, fd, size));
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
}

// A tail move in chunks of 700 bytes, from the end down when it moves up.
void MoveTailThrough(int fd, const std::string& path, uint64_t from, int64_t shift) {
  const uint64_t size = static_cast<uint64_t>(lseek(fd, 0, SEEK_END));
  const auto tail = static_cast<int64_t>(size - std::min(from, size));
  constexpr int64_t kChunk = 700;
  if (shift > 0) {
    for (int64_t end = tail; end > 0; end -= kChunk) {
      const int64_t start = std::max<int64_t>(0, end - kChunk);
      Bytes chunk(static_cast<size_t>(end - start), '\0');
      ASSERT_EQ(pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(from + start)),
                static_cast<ssize_t>(chunk.size()));
      WriteThrough(fd, path, from + start + shift, chunk);
    }
    if (tail == 0) ResizeThrough(fd, path, from + shift);
    if (shift > 0 && from < size)
      WriteThrough(fd, path, from, Bytes(std::min<uint64_t>(shift, tail), '\0'));
  } else {
    for (int64_t start = 0; start < tail; start += kChunk) {
      Bytes chunk(static_cast<size_t>(std::min(kChunk, tail - start)), '\0');
      ASSERT_EQ(pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(from + start)),
                static_cast<ssize_t>(chunk.size()));
      WriteThrough(fd, path, from + start + shift, chunk);
    }
    ResizeThrough(fd, path, size + shift);
  }
}

void ApplyToFiles(const Op& op, const std::string& base) {
  const std::string path = base + "." + op.ext;
  if (op.kind == Op::kRemove) {
    ASSERT_TRUE(file_journals::BeforeRemove(path));
    unlink(path.c_str());
    return;
  }
  const int fd = OpenForChange(path);
  ASSERT_GE(fd, 0);
  if (op.kind == Op::kWrite)
    WriteThrough(fd, path, op.offset, op.data);
  else if (op.kind == Op::kResize)
    ResizeThrough(fd, path, op.offset);
  else
    MoveTailThrough(fd, path, op.offset, op.shift);
  close(fd);
}

SetState InitialState() {
  std::mt19937 rng(7);
  return {{"aaa", RandomBytes(rng, 5000)}, {"bbb", RandomBytes(rng, 300)}, {"ccc", std::nullopt}};
}

Op Write(const std::string& ext, uint64_t offset, size_t n, uint32_t seed = 1) {
  std::mt19937 rng(seed);
  return {Op::kWrite, ext, offset, 0, RandomBytes(rng, n)};
}
Op Resize(const std::string& ext, uint64_t size) {
  return {Op::kResize, ext, size, 0, {}};
}
Op MoveTail(const std::string& ext, uint64_t from, int64_t shift) {
  return {Op::kMoveTail, ext, from, shift, {}};
}
Op Remove(const std::string& ext) {
  return {Op::kRemove, ext, 0, 0, {}};
}

// Equal sets, or where the first difference lies.
testing::AssertionResult SameSet(const SetState& a, const SetState& b) {
  for (const auto& ext : kExts) {
    const auto& x = a.at(ext);
    const auto& y = b.at(ext);
    if (!x || !y) {
      if (x.has_value() != y.has_value())
        return testing::AssertionFailure() << ext << ": one missing";
      continue;
    }
    if (*x == *y) continue;
    size_t i = 0;
    while (i < x->size() && i < y->size() && (*x)[i] == (*y)[i]) ++i;
    return testing::AssertionFailure() << ext << ": sizes " << x->size() << " and " << y->size()
                                       << ", first difference at " << i;
  }
  return testing::AssertionSuccess();
}

void CopyFolder(const fs::path& from, const fs::path& to) {
  for (const auto& e : fs::directory_iterator(from))
    fs::copy_file(e.path(), to / e.path().filename());
}

struct Case {
  const char* name;
  std::vector<Op> ops;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"overlapping overwrites", {Write("aaa", 100, 50), Write("aaa", 120, 200, 2)}},
      {"growth past the end", {Write("bbb", 290, 1000)}},
      {"cut, rewritten, grown", {Resize("aaa", 10), Write("aaa", 0, 4000), Resize("aaa", 9000)}},
      {"tail moved up", {MoveTail("aaa", 1000, 777)}},
      {"tail moved down", {MoveTail("aaa", 1000, -600)}},
      {"tail moved up at the end", {MoveTail("bbb", 300, 50)}},
      {"file created", {Write("ccc", 0, 100)}},
      {"file removed and made again", {Remove("bbb"), Write("bbb", 0, 10)}},
      {"all files", {Write("ccc", 5, 5), Resize("bbb", 0), MoveTail("aaa", 0, 3), Remove("ccc")}},
  };
  return cases;
}

TEST(FileSetJournal, RollbackAndRecoveryRestoreEveryByte) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    test::TempDir live, crashed;
    const std::string base = (live / "set").string();
    const SetState initial = InitialState();
    WriteSet(base, initial);

    FileSetJournal journal(base, kScratch);
    ASSERT_EQ(journal.Begin(), 0);
    SetState model = initial;
    for (const Op& op : c.ops) {
      ApplyToFiles(op, base);
      ApplyToModel(op, model);
    }
    ASSERT_TRUE(SameSet(ReadSet(base), model));
    // A process that dies here leaves the files and the journal as they are now.
    CopyFolder(live.Path(), crashed.Path());
    ASSERT_EQ(journal.Rollback(), 0);
    EXPECT_TRUE(SameSet(ReadSet(base), initial));
    EXPECT_FALSE(fs::exists(journal.JournalPath()));

    const std::string crashedBase = (crashed / "set").string();
    ASSERT_EQ(FileSetJournal::Recover(crashedBase, kScratch), 0);
    EXPECT_TRUE(SameSet(ReadSet(crashedBase), initial));
    EXPECT_FALSE(fs::exists(crashedBase + ".tqj"));

    ASSERT_EQ(journal.Begin(), 0);
    for (const Op& op : c.ops) ApplyToFiles(op, base);
    ASSERT_EQ(journal.Commit(), 0);
    EXPECT_TRUE(SameSet(ReadSet(base), model));
    EXPECT_FALSE(fs::exists(journal.JournalPath()));
  }
}

TEST(FileSetJournal, OnlyTheSetsOwnFilesAreRestored) {
  test::TempDir dir;
  const std::string base = (dir / "set").string();
  WriteSet(base, InitialState());
  const std::string scratch = base + ".cyg", other = (dir / "setx.aaa").string();
  FileSetJournal journal(base, {"CYG"});
  EXPECT_TRUE(journal.Covers(base + ".tqg"));
  EXPECT_FALSE(journal.Covers(scratch));
  EXPECT_FALSE(journal.Covers(base + ".TQJ"));
  EXPECT_FALSE(journal.Covers(other));

  ASSERT_EQ(journal.Begin(), 0);
  for (const auto& path : {scratch, other}) {
    const int fd = OpenForChange(path);
    WriteThrough(fd, path, 0, "new");
    close(fd);
  }
  ASSERT_EQ(journal.Rollback(), 0);
  EXPECT_EQ(ReadFile(scratch), "new");
  EXPECT_EQ(ReadFile(other), "new");
  // A journal that saved nothing leaves no file.
  ASSERT_EQ(journal.Begin(), 0);
  EXPECT_EQ(journal.Begin(), FileSetJournal::kBusy);
  ASSERT_EQ(journal.Commit(), 0);
  EXPECT_FALSE(fs::exists(journal.JournalPath()));
  EXPECT_EQ(journal.Commit(), FileSetJournal::kBusy);

  // Opening removes leftover scratch files whatever the case of their extension.
  fs::rename(scratch, base + ".CyG");
  ASSERT_EQ(FileSetJournal::Recover(base, kScratch), 0);
  EXPECT_FALSE(fs::exists(base + ".CyG"));
}

TEST(FileSetJournal, RunRollsBackAFailedOperationOrWriteBack) {
  test::TempDir dir;
  const std::string base = (dir / "set").string();
  const SetState initial = InitialState();
  WriteSet(base, initial);
  FileSetJournal journal(base);
  const auto change = [&](const Op& op) {
    return [&, op] {
      ApplyToFiles(op, base);
      return 0;
    };
  };

  EXPECT_EQ(journal.Run([&] { return change(Write("aaa", 0, 10))() + 12; }), 12);
  EXPECT_TRUE(SameSet(ReadSet(base), initial));

  std::vector<int> order;
  const auto step = [&](int id, int code) {
    return [&, id, code] {
      order.push_back(id);
      ApplyToFiles(Write("bbb", 0, 5, id), base);
      return code;
    };
  };
  EXPECT_EQ(journal.Run(change(Write("ccc", 0, 10)), {step(1, 0), step(2, 11), step(3, 0)}), 11);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_TRUE(SameSet(ReadSet(base), initial));
  EXPECT_FALSE(journal.Active());

  order.clear();
  EXPECT_EQ(journal.Run(change(Write("ccc", 0, 10)), {step(1, 0), step(2, 0)}), 0);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(ReadFile(base + ".ccc")->size(), 10u);
}

// A journal left by a transaction of two files, as a dead process leaves it.
struct LeftJournal {
  test::TempDir dir;
  std::string base = (dir / "set").string();
  SetState initial = InitialState();
  Bytes journal;
  LeftJournal() {
    WriteSet(base, initial);
    test::TempDir live;
    const std::string liveBase = (live / "set").string();
    WriteSet(liveBase, initial);
    FileSetJournal j(liveBase);
    j.Begin();
    ApplyToFiles(Write("aaa", 100, 50), liveBase);
    ApplyToFiles(Write("bbb", 0, 10), liveBase);
    journal = *ReadFile(j.JournalPath());
    WriteSet(base, ReadSet(liveBase));
  }
  SetState Recovered(const Bytes& j, int expectedCode) {
    WriteFile(base + ".tqj", j);
    EXPECT_EQ(FileSetJournal::Recover(base, {}), expectedCode);
    EXPECT_EQ(fs::exists(base + ".tqj"), expectedCode != 0);
    return ReadSet(base);
  }
};

TEST(FileSetJournal, RecoveryTrustsOnlyWhatWasWrittenWhole) {
  {
    // The last record cut short: the change it guarded was never made.
    LeftJournal left;
    const SetState changed = ReadSet(left.base);
    SetState expected = left.initial;
    expected["bbb"] = changed.at("bbb");
    EXPECT_TRUE(
        SameSet(left.Recovered(left.journal.substr(0, left.journal.size() - 3), 0), expected));
  }
  {
    // Cut inside its magic: nothing was changed yet.
    LeftJournal left;
    const SetState changed = ReadSet(left.base);
    EXPECT_TRUE(SameSet(left.Recovered(left.journal.substr(0, 3), 0), changed));
  }
  {
    // Damage before the last record, or a foreign file, changes nothing.
    LeftJournal left;
    const SetState changed = ReadSet(left.base);
    Bytes damaged = left.journal;
    damaged[60] ^= 1;
    EXPECT_TRUE(SameSet(left.Recovered(damaged, FileSetJournal::kDefect), changed));
    EXPECT_TRUE(SameSet(left.Recovered("not a journal", FileSetJournal::kDefect), changed));
  }
  {
    LeftJournal left;
    EXPECT_TRUE(SameSet(left.Recovered(left.journal, 0), left.initial));
  }
}

// Random transactions; the same seed gives the same ones in the child and the parent.
std::vector<Op> RandomTransaction(std::mt19937& rng, SetState& s) {
  std::vector<Op> ops;
  const int n = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < n; ++i) {
    const std::string ext = kExts[rng() % kExts.size()];
    const auto it = s.find(ext);
    const uint64_t size = it != s.end() && it->second ? it->second->size() : 0;
    const uint64_t at = rng() % (size + 1);
    switch (rng() % 8) {
      case 0:
        ops.push_back(Resize(ext, rng() % (size + 2000)));
        break;
      case 1:
        ops.push_back(MoveTail(ext, at, static_cast<int64_t>(rng() % 1500) + 1));
        break;
      case 2:
        ops.push_back(MoveTail(ext, at, -static_cast<int64_t>(rng() % (at + 1))));
        break;
      case 3:
        ops.push_back(Remove(ext));
        break;
      default:
        ops.push_back(Write(ext, at, 1 + rng() % 3000, static_cast<uint32_t>(rng())));
    }
    ApplyToModel(ops.back(), s);
  }
  return ops;
}

TEST(FileSetJournal, KilledAtAnyChangeRecoversTheLastCommit) {
  constexpr int kRuns = 120, kTransactions = 20;
  int killed = 0;
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    test::TempDir dir;
    const std::string base = (dir / "set").string();
    WriteSet(base, InitialState());
    std::mt19937 pick(run);
    const int64_t killAt = 1 + pick() % 400;

    const test::ChildOutcome child = test::RunChild([&](const auto& report) {
      FileSetJournal journal(base, kScratch);
      SetState model = InitialState();
      std::mt19937 rng(run);
      ArmKillAtFileChange(killAt);
      for (int t = 1; t <= kTransactions; ++t) {
        const auto ops = RandomTransaction(rng, model);
        journal.Begin();
        ApplyToFiles(Write("cyg", 0, 100), base);
        for (const Op& op : ops) ApplyToFiles(op, base);
        if (journal.Commit() != 0) _exit(2);
        report(t);
      }
    });
    ASSERT_TRUE(child.ok);
    killed += child.killed;
    const int committed = child.reported;
    std::mt19937 rng(run);
    const auto [state, next] = test::StatesAround(InitialState(), committed, kTransactions,
                                                  [&](SetState& s) { RandomTransaction(rng, s); });
    ASSERT_EQ(FileSetJournal::Recover(base, kScratch), 0);
    const SetState recovered = ReadSet(base);
    EXPECT_TRUE(SameSet(recovered, state) ||
                (committed < kTransactions && SameSet(recovered, next)))
        << "committed " << committed << ", killed at change " << killAt << ": "
        << SameSet(recovered, state).message();
    EXPECT_FALSE(fs::exists(base + ".tqj"));
    EXPECT_FALSE(fs::exists(base + ".cyg"));
  }
  EXPECT_GT(killed, kRuns / 2);
}

}  // namespace
}  // namespace zh
