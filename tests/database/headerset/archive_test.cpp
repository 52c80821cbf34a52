#include "database/headerset/archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/toolbox/little_endian.h"
#include "core/toolbox/path_list.h"
#include "core/python_runner.h"
#include "core/temp_dir.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
using test::FileBytes;
using test::WriteFileBytes;
using Bytes = std::vector<uint8_t>;

// A file of the source folder: its name below the base, size, kind of content and tag.
struct SourceFile {
  std::string name;
  size_t size;
  bool compressible;
  int16_t tag;
};

Bytes Content(size_t size, bool compressible, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(size);
  for (size_t i = 0; i < size; ++i)
    b[i] = compressible ? static_cast<uint8_t>("1. e4 e5 2. Nf3 Nc6 "[rng() % 20])
                        : static_cast<uint8_t>(rng());
  return b;
}

// Modification time with centiseconds only, as the archive keeps it.
timespec Moment(int i) { return {1551675967 + i * 86400 * 40, (i * 7 % 100) * 10000000L}; }

void SetTime(const fs::path& p, timespec t) {
  const timespec times[2] = {t, t};
  ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

timespec GetTime(const fs::path& p) {
  struct stat st{};
  if (stat(p.c_str(), &st) != 0) return {-1, -1};
  return st.st_mtim;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  const std::string cmd = "cmp -s '" + a.string() + "' '" + b.string() + "'";
  return std::system(cmd.c_str()) == 0;
}

// Every path below `root`, relative, folders with a trailing '/'.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
       ++it) {
    std::string rel = it->path().lexically_relative(root).string();
    if (it->is_directory() && !it->is_symlink()) rel += '/';
    out.insert(rel);
  }
  return out;
}

class ArchiveTest : public ::testing::Test {
 protected:
  // Writes the files below src/ with their moments and lists them.
  PathList MakeSource(const std::vector<SourceFile>& files) {
    PathList list;
    for (size_t i = 0; i < files.size(); ++i) {
      const fs::path p = src() / files[i].name;
      fs::create_directories(p.parent_path());
      WriteFileBytes(p, Content(files[i].size, files[i].compressible, static_cast<uint32_t>(i)));
      SetTime(p, Moment(static_cast<int>(i)));
      list.Add(p, files[i].tag);
    }
    return list;
  }

  fs::path src() const { return dir / "src"; }
  fs::path out() const { return dir / "out"; }
  fs::path tqv() const { return dir / "db.tqv"; }

  test::TempDir dir;
  test::RecordingServices services;
};

const std::vector<SourceFile> kDatabase = {
    {"games.tqh", 9000, false, 1},          {"games.tqg", 300000, true, 1},
    {"games.tqa", 0, true, 1},              {"games.tqp", 61440, false, 0},
    {"games.cko", 61441, false, 0},         {"games.ckn", 130000, true, 1},
    {"Media/1.bmp", 5000, false, 1},        {"Media/\u00c4rger 2.wav", 70000, true, 0},
};

TEST_F(ArchiveTest, ExtractedFilesEqualTheStoredOnesWithTheirTimes) {
  const PathList list = MakeSource(kDatabase);
  Archive archive(tqv());
  int16_t ratio = -1;
  ASSERT_EQ(archive.Store(list, src(), ratio), 0);
  EXPECT_GT(ratio, 0);
  EXPECT_LT(ratio, 100);

  int64_t total = 0;
  ASSERT_EQ(archive.TotalUnpackedSize(total), 0);
  int64_t expected = 0;
  for (const auto& f : kDatabase) expected += static_cast<int64_t>(f.size);
  EXPECT_EQ(total, expected);

  // Names are kept with backslashes and read back with slashes.
  const Bytes raw = FileBytes(tqv());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&raw[8 + 6 * 149])), "Media\\1.bmp");
  EXPECT_EQ(archive.EntryName(6), "Media/1.bmp");
  EXPECT_EQ(archive.EntryName(8), "");

  ASSERT_EQ(archive.Extract(out()), 0);
  EXPECT_TRUE(services.CallsStartingWith("AskYesNo").empty());
  for (size_t i = 0; i < kDatabase.size(); ++i) {
    SCOPED_TRACE(kDatabase[i].name);
    EXPECT_TRUE(SameFile(src() / kDatabase[i].name, out() / kDatabase[i].name));
    const timespec want = Moment(static_cast<int>(i)), got = GetTime(out() / kDatabase[i].name);
    EXPECT_EQ(got.tv_sec, want.tv_sec);
    EXPECT_EQ(got.tv_nsec, want.tv_nsec);
  }
  EXPECT_EQ(Tree(out()).size(), kDatabase.size() + 1);  // no temporary file is left
}

TEST_F(ArchiveTest, BlockLayout) {
  struct Case {
    size_t size;
    int16_t tag;
    int32_t stored;           // all bytes of the blocks
    std::vector<int> lengths;  // stored length of each block
  };
  const Case cases[] = {
      {0, 1, 0, {}},
      {61440, 0, 61444, {61440}},
      {61441, 0, 61449, {61440, 1}},
      {40, 1, 45, {41}},  // too short to compress: one flag byte more
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const PathList list = MakeSource({{"f", c.size, false, c.tag}});
    Archive archive(tqv());
    int16_t ratio;
    ASSERT_EQ(archive.Store(list, src(), ratio), 0);
    const Bytes b = FileBytes(tqv());
    ASSERT_EQ(b.size(), 8u + 149 + static_cast<size_t>(c.stored));
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), (Bytes{8, 0, 1, 0, 149, 0, 3, 0}));
    const uint8_t* e = &b[8];
    EXPECT_EQ(GetLE32(e + 128), 8 + 149);
    EXPECT_EQ(GetLE32(e + 132), c.stored);
    EXPECT_EQ(GetLE32(e + 136), static_cast<int32_t>(c.size));
    EXPECT_EQ(e[140], c.tag == 1 ? 1 : 0);
    EXPECT_EQ(GetLE32(e + 141), 20190304);
    EXPECT_EQ(GetLE32(e + 145), 5060700);
    size_t at = 8 + 149;
    for (int length : c.lengths) {
      ASSERT_LE(at + 4, b.size());
      EXPECT_EQ(static_cast<int>(GetLittleEndian(&b[at], 2)), length);
      if (length == 1) {
        EXPECT_EQ(GetLittleEndian(&b[at + 2], 2), 0u);
      }
      at += 4 + static_cast<size_t>(length);
    }
    EXPECT_EQ(at, b.size());
    fs::remove_all(out());
    ASSERT_EQ(archive.Extract(out()), 0);
    EXPECT_TRUE(SameFile(src() / "f", out() / "f"));
    EXPECT_EQ(GetTime(out() / "f").tv_sec, Moment(0).tv_sec);
    fs::remove_all(src());
  }

  Archive empty(tqv());
  int16_t ratio = -1;
  ASSERT_EQ(empty.Store(PathList(), src(), ratio), 0);
  EXPECT_EQ(ratio, 0);
  EXPECT_EQ(FileBytes(tqv()), (Bytes{8, 0, 0, 0, 149, 0, 3, 0}));
}

TEST_F(ArchiveTest, DamagedBlockLeavesNoTraceOfItsFile) {
  const PathList list =
      MakeSource({{"a.tqh", 2000, false, 1}, {"Media/b.bmp", 70000, true, 1}, {"c.tqg", 10, true, 0}});
  Archive archive(tqv());
  int16_t ratio;
  ASSERT_EQ(archive.Store(list, src(), ratio), 0);
  Bytes b = FileBytes(tqv());
  const int32_t offset = GetLE32(&b[8 + 149 + 128]);
  b[static_cast<size_t>(offset) + 4 + 20] ^= 0x10;  // a stored byte of b.bmp's first block
  WriteFileBytes(tqv(), b);

  EXPECT_EQ(archive.Extract(out()), 17);
  EXPECT_EQ(Tree(out()), (std::set<std::string>{"a.tqh"}));
  EXPECT_TRUE(SameFile(src() / "a.tqh", out() / "a.tqh"));

  b[6] = 4;  // version 4
  WriteFileBytes(tqv(), b);
  int64_t total = 7;
  EXPECT_EQ(archive.TotalUnpackedSize(total), 20);
  EXPECT_EQ(total, 0);
  EXPECT_EQ(archive.Extract(dir / "other"), 20);
  EXPECT_EQ(archive.EntryName(0), "");
}

TEST_F(ArchiveTest, ExistingTargetsAreReplacedOnlyAfterOneYes) {
  const PathList list = MakeSource({{"a.tqh", 100, false, 1}, {"m/b.bmp", 100, false, 0}});
  Archive archive(tqv());
  int16_t ratio;
  ASSERT_EQ(archive.Store(list, src(), ratio), 0);
  fs::create_directories(out() / "m");
  WriteFileBytes(out() / "a.tqh", {1, 2, 3});
  WriteFileBytes(out() / "m/b.bmp", {4});

  services.answers = {false};
  EXPECT_EQ(archive.Extract(out()), 1);
  EXPECT_EQ(FileBytes(out() / "a.tqh"), (Bytes{1, 2, 3}));
  EXPECT_EQ(services.CallsStartingWith("AskYesNo").size(), 1u);

  services.answers = {true};
  EXPECT_EQ(archive.Extract(out()), 0);
  EXPECT_EQ(services.CallsStartingWith("AskYesNo").size(), 2u);
  EXPECT_TRUE(SameFile(src() / "a.tqh", out() / "a.tqh"));
  EXPECT_TRUE(SameFile(src() / "m/b.bmp", out() / "m/b.bmp"));
}

TEST_F(ArchiveTest, SymlinksInTheTargetAreNotFollowed) {
  const PathList list = MakeSource({{"m/b.bmp", 100, false, 0}, {"a.tqh", 100, false, 0}});
  Archive archive(tqv());
  int16_t ratio;
  ASSERT_EQ(archive.Store(list, src(), ratio), 0);

  // A folder on the way that is a symlink refuses the archive before anything is written.
  fs::create_directories(dir / "elsewhere");
  fs::create_directories(out());
  fs::create_directory_symlink(dir / "elsewhere", out() / "m");
  EXPECT_EQ(archive.Extract(out()), 10);
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
  EXPECT_EQ(Tree(out()), (std::set<std::string>{"m"}));

  // A symlink in a file's place is replaced by the file, its target left alone.
  fs::remove(out() / "m");
  WriteFileBytes(dir / "elsewhere/victim", {9});
  fs::create_symlink(dir / "elsewhere/victim", out() / "a.tqh");
  services.answers = {true};
  EXPECT_EQ(archive.Extract(out()), 0);
  EXPECT_FALSE(fs::is_symlink(out() / "a.tqh"));
  EXPECT_TRUE(SameFile(src() / "a.tqh", out() / "a.tqh"));
  EXPECT_EQ(FileBytes(dir / "elsewhere/victim"), Bytes{9});
}

TEST_F(ArchiveTest, RefusedStoreKeepsTheOlderArchive) {
  const PathList good = MakeSource({{"a.tqh", 3000, false, 1}});
  Archive archive(tqv());
  int16_t ratio;
  ASSERT_EQ(archive.Store(good, src(), ratio), 0);
  const Bytes before = FileBytes(tqv());

  WriteFileBytes(src() / std::string(127, 'n'), {1});
  WriteFileBytes(src() / std::string(128, 'n'), {1});
  WriteFileBytes(dir / "outside.tqh", {1});
  {
    // A sparse file just over 2 GiB.
    WriteFileBytes(src() / "big.tqg", {});
    fs::resize_file(src() / "big.tqg", (uint64_t{1} << 31));
  }
  PathList many;
  for (int i = 0; i < 65536; ++i) many.Add(src() / "a.tqh");

  struct Case {
    const char* what;
    std::vector<fs::path> files;
    int32_t code;
  };
  const std::vector<Case> cases = {
      {"name of 128 bytes", {src() / "a.tqh", src() / std::string(128, 'n')}, 1},
      {"path outside the base", {dir / "outside.tqh"}, 1},
      {"path leaving the base", {src() / ".." / "outside.tqh"}, 1},
      {"same file twice", {src() / "a.tqh", src() / "." / "a.tqh"}, 1},
      {"file over 2 GiB", {src() / "a.tqh", src() / "big.tqg"}, 1},
      {"missing file", {src() / "a.tqh", src() / "none.tqh"}, 6},
      {"folder", {src()}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PathList list;
    for (const auto& f : c.files) list.Add(f, 1);
    EXPECT_EQ(archive.Store(list, src(), ratio), c.code);
    EXPECT_EQ(FileBytes(tqv()), before);
  }
  EXPECT_EQ(archive.Store(many, src(), ratio), 1);
  EXPECT_EQ(FileBytes(tqv()), before);

  // Data past the offset limit (lowered here from 2^31).
  archive.SetOffsetLimit(2000);
  EXPECT_EQ(archive.Store(good, src(), ratio), 1);
  EXPECT_EQ(FileBytes(tqv()), before);
  archive.SetOffsetLimit(Archive::kMaxOffset);

  PathList longest;
  longest.Add(src() / std::string(127, 'n'));
  EXPECT_EQ(archive.Store(longest, src(), ratio), 0);
  EXPECT_EQ(Tree(dir.Path()).count("db.tqv"), 1u);
  EXPECT_EQ(archive.EntryName(0), std::string(127, 'n'));
  // No temporary file is left beside the archive.
  for (const auto& p : Tree(dir.Path())) EXPECT_EQ(p.find("db.tqv."), std::string::npos) << p;
}

// Archives written by an independent Python writer.
class ForeignArchiveTest : public ArchiveTest {
 protected:
  void SetUp() override {
    std::string output;
    ASSERT_EQ(test::RunPythonScript("../tools/make_archive.py", {(dir / "py").string()}, &output),
              0)
        << output;
  }
  fs::path Case(const std::string& name) const { return dir / "py" / (name + ".tqv"); }
};

TEST_F(ForeignArchiveTest, HostileArchivesAreRefusedAndCreateNothing) {
  const std::pair<const char*, int32_t> cases[] = {
      {"dotdot", 4},          {"dotdot_inner", 4},
      {"absolute", 4},        {"drive", 4},
      {"drive_relative", 4},  {"unc", 4},
      {"empty_name", 4},      {"dot_component", 4},
      {"unterminated", 4},    {"duplicate", 4},
      {"duplicate_separators", 4},
      {"file_and_folder", 4}, {"short_header", 4},
      {"entry_size_small", 4}, {"header_length_large", 4},
      {"directory_past_end", 4}, {"version_4", 20},
      {"version_10", 4},      {"offset_past_end", 4},
      {"offset_in_directory", 4}, {"negative_stored", 4},
      {"negative_unpacked", 4}, {"flag_2", 4},
      {"length_65535", 17},   {"wrong_expanded", 17},
      {"wrong_stored_length", 17}, {"stored_larger_than_blocks", 17},
      {"block_past_stored", 17}, {"bad_checksum", 17},
      {"bad_compressed", 17}, {"empty_with_bytes", 17},
  };
  const fs::path box = dir / "box";
  for (const auto& [name, code] : cases) {
    SCOPED_TRACE(name);
    fs::create_directories(box);
    Archive archive(Case(name));
    EXPECT_EQ(archive.Extract(box / "out"), code);
    const std::set<std::string> tree = Tree(box);
    EXPECT_TRUE(tree.empty() || tree == std::set<std::string>{"out/"}) << *tree.begin();
    fs::remove_all(box);
  }
  EXPECT_FALSE(fs::exists("/tmp/zh_archive_escape_x"));
}

TEST_F(ForeignArchiveTest, ForeignNamesAndBlocksReadBack) {
  Archive archive(Case("good"));
  ASSERT_EQ(archive.Extract(out()), 0);
  EXPECT_EQ(Tree(out()), (std::set<std::string>{"sub/", "sub/forward.txt", "sub/back.txt",
                                                "caf\u00e9.txt", "\u00c5ngstr\u00f6m.txt",
                                                "empty.txt"}));
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6\n";
  EXPECT_EQ(FileBytes(out() / "sub/forward.txt"), Bytes(text.begin(), text.end()));
  EXPECT_EQ(FileBytes(out() / "sub/back.txt"), (Bytes{'b', 'a', 'c', 'k', '\n'}));
  EXPECT_EQ(FileBytes(out() / "caf\u00e9.txt").size(), 7u);
  EXPECT_EQ(fs::file_size(out() / "empty.txt"), 0u);
  const timespec t = GetTime(out() / "empty.txt");
  EXPECT_EQ(t.tv_sec, 1709214307);  // 2024-02-29 13:45:07 UTC
  EXPECT_EQ(t.tv_nsec, 990000000);

  // Sizes add up in 64 bits.
  Archive huge(Case("huge_sizes"));
  int64_t total = 0;
  EXPECT_EQ(huge.TotalUnpackedSize(total), 0);
  EXPECT_EQ(total, 6000000000);
}

TEST_F(ArchiveTest, RatioOfFiftyMegabytes) {
  // 64 symbols of equal frequency: stage 2 codes them in 6 bits, so the stored total
  // (about 38 MB) times 100 exceeds 32 bits.
  std::mt19937 rng(5);
  Bytes data(50u << 20);
  for (auto& b : data) b = static_cast<uint8_t>('0' + (rng() & 63));
  fs::create_directories(src());
  WriteFileBytes(src() / "big.tqg", data);
  PathList list;
  list.Add(src() / "big.tqg", 1);
  Archive archive(tqv());
  int16_t ratio = 0;
  ASSERT_EQ(archive.Store(list, src(), ratio), 0);
  const int64_t stored = static_cast<int64_t>(fs::file_size(tqv())) - 8 - 149;
  EXPECT_EQ(ratio, stored * 100 / static_cast<int64_t>(data.size()));
  EXPECT_GE(ratio, 75);
  EXPECT_LE(ratio, 77);
}

}  // namespace
}  // namespace zh
