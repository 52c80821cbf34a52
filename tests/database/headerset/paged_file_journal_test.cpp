// The rollback journal under paged files with write-behind windows: writes, tail moves,
// copies and resizes are announced by the files themselves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/toolbox/paged_file.h"
#include "core/temp_dir.h"
#include "database/storage/file_set_journal.h"
#include "database/killed_child.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;
constexpr std::array<const char*, 3> kExts = {"aaa", "bbb", "ccc"};
using Files = std::array<Bytes, 3>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Files ReadSet(const std::string& base) {
  Files f;
  for (size_t i = 0; i < kExts.size(); ++i) f[i] = ReadFile(base + "." + kExts[i]);
  return f;
}

Files InitialFiles() {
  std::mt19937 rng(3);
  Files f;
  for (size_t i = 0; i < f.size(); ++i) {
    f[i].resize(i == 2 ? 0 : 3000 + 1000 * i);
    for (char& c : f[i]) c = static_cast<char>(rng());
  }
  return f;
}

void WriteSet(const std::string& base, const Files& files) {
  for (size_t i = 0; i < kExts.size(); ++i)
    std::ofstream(base + "." + kExts[i], std::ios::binary) << files[i];
}

struct PagedSet {
  std::vector<std::unique_ptr<PagedFile>> files;
  explicit PagedSet(const std::string& base) {
    for (const char* ext : kExts) {
      files.push_back(std::make_unique<PagedFile>(base + "." + ext, true, 4096));
      files.back()->EnableWriteBehind();
    }
  }
  std::vector<std::function<int()>> WriteBacks() {
    std::vector<std::function<int()>> steps;
    for (auto& f : files) steps.push_back([p = f.get()] { return p->WriteBack(); });
    return steps;
  }
  void Discard() {
    for (auto& f : files) f->DiscardWindow();
  }
};

// One random change, made through the paged files and to the model alike.
void RandomChange(std::mt19937& rng, Files& model, PagedSet* set) {
  const size_t i = rng() % 3;
  Bytes& f = model[i];
  const uint64_t size = f.size();
  const uint64_t at = rng() % (size + 1);
  PagedFile* file = set ? set->files[i].get() : nullptr;
  switch (rng() % 6) {
    case 0: {  // a move up opens a gap that keeps its old bytes
      const uint64_t shift = 1 + rng() % 5000;
      Bytes gap = f.substr(at, shift);
      gap.resize(shift, '\0');
      f.insert(at, gap);
      if (file) {
        ASSERT_EQ(file->MoveTail(at, static_cast<int64_t>(shift)), 0);
      }
      break;
    }
    case 1: {  // a move down leaves the old last bytes behind the tail
      const uint64_t down = rng() % (at + 1);
      f = f.substr(0, at - down) + f.substr(at) + f.substr(size - down);
      if (file) {
        ASSERT_EQ(file->MoveTail(at, -static_cast<int64_t>(down)), 0);
      }
      break;
    }
    case 2: {
      const uint64_t n = rng() % (size + 3000);
      f.resize(n, '\0');
      if (file) {
        ASSERT_EQ(file->SetSize(n), 0);
      }
      break;
    }
    case 3: {
      const size_t j = (i + 1 + rng() % 2) % 3;
      const uint64_t from = rng() % (model[j].size() + 1);
      const uint64_t n = rng() % (model[j].size() - from + 1);
      const Bytes part = model[j].substr(from, n);
      if (f.size() < at + n) f.resize(at + n, '\0');
      f.replace(at, n, part);
      if (file) {
        ASSERT_EQ(file->CopyFrom(*set->files[j], at, from, n), 0);
      }
      break;
    }
    default: {
      Bytes data(1 + rng() % 6000, '\0');
      for (char& c : data) c = static_cast<char>(rng());
      if (f.size() < at + data.size()) f.resize(at + data.size(), '\0');
      f.replace(at, data.size(), data);
      if (file) {
        ASSERT_EQ(file->Write(data.data(), at, static_cast<int32_t>(data.size())), 0);
      }
    }
  }
}

TEST(PagedFileJournal, RollbackUndoesWhatThePagedFilesWrote) {
  test::TempDir dir;
  const std::string base = (dir / "set").string();
  const Files initial = InitialFiles();
  WriteSet(base, initial);
  PagedSet set(base);
  FileSetJournal journal(base);
  std::mt19937 rng(11);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    Files model = initial;
    ASSERT_EQ(journal.Begin(), 0);
    // A file made inside the transaction is gone again after it.
    PagedFile made(base + ".new", true, 0);
    ASSERT_EQ(made.Write("x", 10, 1), 0);
    for (int k = 0; k < 6; ++k) RandomChange(rng, model, &set);
    for (auto& step : set.WriteBacks()) ASSERT_EQ(step(), 0);
    ASSERT_EQ(ReadSet(base), model);
    ASSERT_EQ(journal.Rollback(), 0);
    set.Discard();
    EXPECT_EQ(ReadSet(base), initial);
    EXPECT_FALSE(fs::exists(base + ".new"));
  }
  // Pending window bytes reach the files through the commit's write-backs.
  Files model = initial;
  ASSERT_EQ(journal.Run(
                [&] {
                  for (int k = 0; k < 6; ++k) RandomChange(rng, model, &set);
                  return 0;
                },
                set.WriteBacks()),
            0);
  EXPECT_EQ(ReadSet(base), model);
}

TEST(PagedFileJournal, KilledAtAnyWriteRecoversTheLastCommit) {
  constexpr int kRuns = 80, kTransactions = 12;
  int killed = 0;
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    test::TempDir dir;
    const std::string base = (dir / "set").string();
    WriteSet(base, InitialFiles());
    const int64_t killAt = 1 + std::mt19937(run)() % 250;
    const test::ChildOutcome child = test::RunChild([&](const auto& report) {
      PagedSet set(base);
      FileSetJournal journal(base);
      Files model = InitialFiles();
      std::mt19937 rng(run);
      ArmKillAtFileChange(killAt);
      for (int t = 1; t <= kTransactions; ++t) {
        journal.Begin();
        for (int k = 0; k < 3; ++k) RandomChange(rng, model, &set);
        if (journal.Commit(set.WriteBacks()) != 0) _exit(2);
        report(t);
      }
    });
    ASSERT_TRUE(child.ok);
    killed += child.killed;
    const int committed = child.reported;
    std::mt19937 rng(run);
    const auto [state, next] =
        test::StatesAround(InitialFiles(), committed, kTransactions, [&](Files& f) {
          for (int k = 0; k < 3; ++k) RandomChange(rng, f, nullptr);
        });
    ASSERT_EQ(FileSetJournal::Recover(base, {}), 0);
    const Files recovered = ReadSet(base);
    EXPECT_TRUE(recovered == state || (committed < kTransactions && recovered == next))
        << "committed " << committed << ", killed at change " << killAt;
  }
  EXPECT_GT(killed, kRuns / 2);
}

}  // namespace
}  // namespace zh
