#include "database/storage/file_set_replacement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "core/temp_dir.h"
#include "database/storage/file_set_journal.h"
#include "database/killed_child.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // name in the folder -> contents

Files ReadFolder(const fs::path& folder) {
  Files files;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::ifstream in(e.path(), std::ios::binary);
    files[e.path().filename().string()] =
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return files;
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A database "db" beside a user's files; the replacement brings new header, game and
// player files, drops the scan file and keeps the rest.
const Files kOld = {{"db.tqh", "old header"}, {"db.tqg", "old games"}, {"db.tqp", "old players"},
                    {"db.scn", "old scan"},   {"db.tqa", "kept"},      {"temp.0", "user"},
                    {"other.cxp", "another database's library"}};
const Files kNew = {{"db.tqh", "new header"}, {"db.tqg", "new games"}, {"db.tqp", "new players"},
                    {"db.tqa", "kept"},       {"temp.0", "user"},
                    {"other.cxp", "another database's library"}};

void WriteFolder(const fs::path& folder, const Files& files) {
  for (const auto& [name, bytes] : files) Write(folder / name, bytes);
}

// Writes the new files under temporary names and registers them.
void Prepare(FileSetReplacement& r) {
  const fs::path folder = r.Folder();
  Write(r.TemporaryPath("CXH"), "new header");
  Write(r.TemporaryPath("CXG"), "new games");
  Write(r.PathOf("cxp"), "new players");
  Write(r.TemporaryPath("scratch"), "work file");
  r.ReplaceExtension(r.TemporaryPath("CXH"), "tqh");
  r.ReplaceExtension(r.TemporaryPath("CXG"), "tqg");
  r.ReplaceExtension(r.PathOf("cxp"), "tqp");
  r.Remove(r.PathOf("scn"));
  r.AddScratch(r.TemporaryPath("scratch"));
}

TEST(FileSetReplacement, CommitInstallsTheNewSetAfterTheRecordAndTheRelease) {
  test::TempDir dir;
  WriteFolder(dir.Path(), kOld);
  FileSetReplacement r((dir / "db").string());
  Prepare(r);
  int released = 0;
  ASSERT_EQ(r.Commit([&] {
    ++released;
    // The record is in place before the old set is let go, and nothing is renamed yet.
    EXPECT_TRUE(fs::exists(dir / "db.tqr"));
    EXPECT_EQ(ReadFolder(dir.Path()).at("db.tqh"), "old header");
  }),
            0);
  EXPECT_EQ(released, 1);
  EXPECT_EQ(ReadFolder(dir.Path()), kNew);
}

TEST(FileSetReplacement, AbandonedOrFailedCommitLeavesTheOldSet) {
  for (const bool fail : {false, true}) {
    SCOPED_TRACE(fail);
    test::TempDir dir;
    WriteFolder(dir.Path(), kOld);
    {
      FileSetReplacement r((dir / "db").string());
      Prepare(r);
      if (fail) {
        ArmFailAtFileChange(1);
        EXPECT_EQ(r.Commit([] { ADD_FAILURE() << "released"; }), FileSetReplacement::kWriteError);
        ArmFailAtFileChange(0);
      }
    }
    EXPECT_EQ(ReadFolder(dir.Path()), kOld);
  }
}

TEST(FileSetReplacement, NamesOutsideTheFolderAreRefused) {
  test::TempDir dir;
  fs::create_directory(dir / "db");
  WriteFolder(dir / "db", kOld);
  FileSetReplacement r((dir / "db" / "db").string());
  Write(r.TemporaryPath("CXH"), "new header");
  r.Replace(r.TemporaryPath("CXH"), (dir / "elsewhere.tqh").string());
  EXPECT_EQ(r.Commit(), FileSetReplacement::kDefect);
  EXPECT_EQ(ReadFolder(dir / "db"), kOld);
  EXPECT_FALSE(fs::exists(dir / "elsewhere.tqh"));
}

TEST(FileSetReplacement, CompletePendingFinishesRecordsAndClearsUnclaimedTemporaries) {
  test::TempDir dir;
  WriteFolder(dir.Path(), kOld);
  // A run file and temporaries without a record belong to a dead process.
  Write(dir / "__TMP$RUN.1.0", "run");
  Write(dir / "__TMP$DB.CXA", "half written");
  Write(dir / "db.cxt", "half written");
  EXPECT_EQ(FileSetReplacement::CompletePending((dir / "db").string()), 0);
  EXPECT_EQ(ReadFolder(dir.Path()), kOld);

  // A record whose renames were partly made is finished, also from another database
  // of the folder.
  {
    FileSetReplacement r((dir / "db").string());
    Prepare(r);
    ASSERT_EQ(r.Commit([&] { fs::copy_file(dir / "db.tqr", dir / "saved.tqr"); }), 0);
  }
  WriteFolder(dir.Path(), kOld);
  fs::rename(dir / "saved.tqr", dir / "db.tqr");
  Write(dir / "db.cxp", "new players");  // the other renames were made before the kill
  EXPECT_EQ(FileSetReplacement::CompletePending((dir / "third").string()), 0);
  Files expected = kOld;
  expected.erase("db.scn");
  expected["db.tqp"] = "new players";
  EXPECT_EQ(ReadFolder(dir.Path()), expected);

  // A damaged record is not trusted: nothing changes and the set is not to be opened.
  Write(dir / "db.tqr", "ZHREPL1\nnot a record");
  Write(dir / "db.cxp", "new players");
  EXPECT_EQ(FileSetReplacement::CompletePending((dir / "db").string()), FileSetReplacement::kDefect);
  EXPECT_TRUE(fs::exists(dir / "db.cxp"));
}

TEST(FileSetReplacement, UniqueTemporaryNamesAvoidExistingFiles) {
  test::TempDir dir;
  std::set<std::string> names;
  for (int i = 0; i < 3; ++i) {
    const std::string path = FileSetReplacement::UniqueTemporaryPath(dir.Path().string(), "RUN");
    EXPECT_EQ(fs::path(path).filename().string().rfind("__TMP$RUN", 0), 0u);
    EXPECT_TRUE(names.insert(path).second);
    Write(path, "");
  }
}

TEST(FileSetReplacement, KilledAtEveryStepLeavesTheOldOrTheNewSet) {
  // Counts the changes of a whole replacement first, then kills a child at each one.
  int64_t changes = 0;
  {
    test::TempDir dir;
    WriteFolder(dir.Path(), kOld);
    FileSetReplacement r((dir / "db").string());
    Prepare(r);
    ArmKillAtFileChange(0);
    const int64_t before = FileChangeCount();
    ASSERT_EQ(r.Commit(), 0);
    changes = FileChangeCount() - before;
  }
  ASSERT_GT(changes, 5);
  int sawNew = 0;
  for (int64_t killAt = 1; killAt <= changes + 1; ++killAt) {
    SCOPED_TRACE(killAt);
    test::TempDir dir;
    WriteFolder(dir.Path(), kOld);
    const test::ChildOutcome child = test::RunChild([&](const auto& report) {
      FileSetReplacement r((dir / "db").string());
      Prepare(r);
      ArmKillAtFileChange(killAt);
      if (r.Commit() != 0) _exit(2);
      report(1);
    });
    ASSERT_TRUE(child.ok);
    EXPECT_EQ(child.killed, killAt <= changes);
    ASSERT_EQ(FileSetReplacement::CompletePending((dir / "db").string()), 0);
    const Files after = ReadFolder(dir.Path());
    EXPECT_TRUE(after == kOld || after == kNew);
    sawNew += after == kNew;
  }
  EXPECT_GT(sawNew, 0);
  EXPECT_LT(sawNew, changes + 1);
}

}  // namespace
}  // namespace zh
