#include "database/storage/paged_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/services.h"
#include "core/temp_dir.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Counting(size_t n, int seed = 0) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed);
  return v;
}

struct ModelCase {
  uint32_t buffer;
  uint32_t lookBack;
  bool writeBehind;
};

// Random reads and writes against a byte vector: every read answers what the model
// holds (or fails past its end), and the file equals the model after closing and
// after reopening.
class PagedFileModel : public testing::TestWithParam<ModelCase> {};

TEST_P(PagedFileModel, MatchesMemoryByteForByte) {
  const ModelCase c = GetParam();
  test::TempDir dir;
  const auto path = dir / "model.bin";
  std::mt19937 rng(c.buffer * 31 + c.writeBehind);
  std::vector<uint8_t> model = Counting(3 * c.buffer + 17, 3);
  WriteFileBytes(path, model);

  auto run = [&](PagedFile& f, int operations) {
    if (c.writeBehind) f.EnableWriteBehind();
    uint64_t walk = model.size();
    for (int i = 0; i < operations; ++i) {
      const uint32_t maxLength = 2 * c.buffer;
      const auto length = static_cast<int32_t>(rng() % (maxLength + 1));
      const int op = static_cast<int>(rng() % 10);
      if (op < 4) {  // write, sometimes past the end
        const uint64_t offset = rng() % (model.size() + c.buffer / 2 + 2);
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        ASSERT_EQ(f.Write(bytes.data(), offset, length), 0);
        if (!bytes.empty() && offset + bytes.size() > model.size()) model.resize(offset + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), model.begin() + static_cast<long>(offset));
      } else {
        uint64_t offset;
        int32_t n = length;
        if (op < 7) {  // a backward walk in small steps
          n = static_cast<int32_t>(rng() % 60 + 1);
          if (walk < static_cast<uint64_t>(n)) walk = model.size();
          walk -= static_cast<uint64_t>(n);
          offset = walk;
        } else {
          offset = rng() % (model.size() + 8);
        }
        std::vector<uint8_t> got(static_cast<size_t>(n), 0xEE);
        const int result = f.Read(got.data(), offset, n);
        if (n > 0 && offset + static_cast<uint64_t>(n) > model.size()) {
          ASSERT_EQ(result, -1) << "read past the end at " << offset;
          continue;
        }
        ASSERT_EQ(result, 0) << "offset " << offset << " length " << n;
        ASSERT_TRUE(std::equal(got.begin(), got.end(), model.begin() + static_cast<long>(offset)))
            << "offset " << offset << " length " << n;
      }
      ASSERT_EQ(f.GetSize(), model.size());
    }
  };
  {
    PagedFile f(path.string(), false, c.buffer, c.lookBack, PagedFile::kRandom);
    ASSERT_EQ(f.State(), PagedFile::kOpened);
    run(f, 1000);
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(FileBytes(path), model);
    run(f, 250);
  }
  ASSERT_EQ(FileBytes(path), model);
  PagedFile again(path.string(), false, c.buffer, c.lookBack);
  run(again, 250);
}

INSTANTIATE_TEST_SUITE_P(Buffers, PagedFileModel,
                         testing::Values(ModelCase{16, 0, false}, ModelCase{16, 12, true},
                                         ModelCase{100, 75, true}, ModelCase{100, 0, false},
                                         ModelCase{4096, 3072, true},
                                         ModelCase{65536, 0, true},
                                         ModelCase{65536, 49152, false},
                                         ModelCase{23000, 20700, true}));

TEST(PagedFile, OpenStatesAndCreation) {
  test::TempDir dir;
  const std::string missing = (dir / "missing").string();
  PagedFile absent(missing, false, 64);
  EXPECT_EQ(absent.State(), PagedFile::kMissing);
  EXPECT_EQ(absent.GetAccess(), PagedFile::kNoAccess);
  uint8_t b[4];
  EXPECT_EQ(absent.Read(b, 0, 4), -1);

  PagedFile made(missing, true, 64);
  EXPECT_EQ(made.State(), PagedFile::kCreated);
  EXPECT_FALSE(made.IsOpen());  // closed again after construction
  EXPECT_EQ(made.GetAccess(), PagedFile::kReadWrite);
  EXPECT_EQ(made.GetSize(), 0u);
  EXPECT_EQ(made.Read(b, 0, 0), 0);  // nothing to read touches no byte
  EXPECT_EQ(made.Read(b, 0, 1), -1);
}

TEST(PagedFile, SecondWritableOpenFailsWhileTheFirstHoldsTheFile) {
  test::TempDir dir;
  const std::string path = (dir / "locked").string();
  PagedFile first(path, true, 64);
  const uint8_t data[3] = {1, 2, 3};
  ASSERT_EQ(first.Write(data, 0, 3), 0);
  ASSERT_TRUE(first.IsOpen());
  PagedFile second(path, false, 64);
  EXPECT_EQ(second.State(), PagedFile::kMissing);
  EXPECT_EQ(second.EnsureOpen(), PagedFile::kCannotOpen);
  // With the create flag the held file is neither opened nor emptied.
  PagedFile third(path, true, 64);
  EXPECT_EQ(third.State(), PagedFile::kCannotOpen);
  EXPECT_EQ(first.GetSize(), 3u);
  first.Close();
  EXPECT_EQ(second.EnsureOpen(), 0);
}

TEST(PagedFile, ReadOnlyFilesShareTheirHandle) {
  test::TempDir dir;
  const auto path = dir / "ro";
  WriteFileBytes(path, Counting(10));
  chmod(path.c_str(), 0444);
  PagedFile a(path.string(), false, 64), b(path.string(), false, 64);
  uint8_t x[10], y[10];
  ASSERT_EQ(a.Read(x, 0, 10), 0);
  ASSERT_EQ(b.Read(y, 0, 10), 0);
  EXPECT_EQ(a.GetAccess(), PagedFile::kReadOnly);
}

TEST(PagedFile, LongReadSeesDataHeldByWriteBehind) {
  test::TempDir dir;
  const auto path = dir / "f";
  WriteFileBytes(path, std::vector<uint8_t>(200, 0));
  PagedFile f(path.string(), false, 32);
  f.EnableWriteBehind();
  const uint8_t data[4] = {9, 8, 7, 6};
  ASSERT_EQ(f.Write(data, 100, 4), 0);
  EXPECT_EQ(FileBytes(path)[100], 0);  // still held
  std::vector<uint8_t> all(200);
  ASSERT_EQ(f.Read(all.data(), 0, 200), 0);
  EXPECT_EQ(all[100], 9);
  EXPECT_EQ(all[103], 6);
}

TEST(PagedFile, WriteBackFailureKeepsTheWindowAndFailsTheMove) {
  test::RecordingServices services;
  {
    PagedFile full("/dev/full", false, 64);
    ASSERT_EQ(full.State(), PagedFile::kOpened);
    full.EnableWriteBehind();
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(full.Write(data, 0, 8), 0);
    EXPECT_EQ(full.WriteBack(), PagedFile::kWriteError);
    EXPECT_TRUE(full.Flags() & PagedFile::kModified);
    uint8_t got[8];
    EXPECT_EQ(full.Read(got, 1000, 8), -1);   // the window would move
    EXPECT_EQ(full.Write(data, 1000, 8), -1);
    EXPECT_EQ(full.Read(got, 0, 8), 0);  // what the window holds stays readable
    EXPECT_EQ(got[7], 8);
    EXPECT_EQ(full.Close(), PagedFile::kWriteError);
  }
  const auto logged = services.CallsStartingWith("Log:");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("/dev/full"), std::string::npos);
}

TEST(PagedFile, MoveTailUpAndDown) {
  test::TempDir dir;
  const auto path = dir / "tail";
  const auto old = Counting(1000);
  WriteFileBytes(path, old);
  {
    PagedFile f(path.string(), false, 64);
    EXPECT_EQ(f.MoveTail(400, 100), 0);
  }
  auto now = FileBytes(path);
  ASSERT_EQ(now.size(), 1100u);
  EXPECT_TRUE(std::equal(old.begin(), old.begin() + 400, now.begin()));
  EXPECT_TRUE(std::equal(old.begin() + 400, old.end(), now.begin() + 500));

  // A tail longer than the transfer buffer, shifted down over a gap of 1000 bytes.
  const auto big = Counting(200000, 5);
  WriteFileBytes(path, big);
  {
    PagedFile f(path.string(), false, 64);
    EXPECT_EQ(f.MoveTail(500, -600), 247);
    EXPECT_EQ(f.MoveTail(3000, -1000), 0);
    EXPECT_EQ(f.MoveTail(10, 70000), 0);
  }
  now = FileBytes(path);
  ASSERT_EQ(now.size(), 270000u);
  std::vector<uint8_t> expect(big.begin(), big.begin() + 2000);
  expect.insert(expect.end(), big.begin() + 3000, big.end());
  expect.insert(expect.end(), big.end() - 1000, big.end());  // the old end stays
  std::vector<uint8_t> shifted(expect.begin(), expect.begin() + 10);
  shifted.resize(70010, 0);
  std::copy(expect.begin() + 10, expect.end(), std::back_inserter(shifted));
  std::copy(expect.begin() + 10, expect.begin() + 70010, shifted.begin() + 10);
  EXPECT_TRUE(std::equal(shifted.begin() + 70010, shifted.end(), now.begin() + 70010));
  EXPECT_TRUE(std::equal(expect.begin(), expect.begin() + 10, now.begin()));
}

TEST(PagedFile, CopyFromAnotherFile) {
  test::TempDir dir;
  const auto source = Counting(150000, 1);
  WriteFileBytes(dir / "src", source);
  PagedFile from((dir / "src").string(), false, 1000);
  PagedFile to((dir / "dst").string(), true, 1000);
  to.EnableWriteBehind();
  EXPECT_EQ(to.CopyFrom(from, 10, 5, 140000), 0);
  to.Close();
  const auto copy = FileBytes(dir / "dst");
  ASSERT_EQ(copy.size(), 140010u);
  EXPECT_TRUE(std::equal(copy.begin() + 10, copy.end(), source.begin() + 5));
  EXPECT_EQ(to.CopyFrom(from, 0, 149990, 100), 254);
}

TEST(PagedFile, FileTimeIsUtcBothWays) {
  test::TempDir dir;
  const auto path = dir / "t";
  PagedFile f(path.string(), true, 64);
  ASSERT_EQ(f.SetFileTime(20010315, 13450000), 0);
  int32_t date = 0, time = 0;
  ASSERT_EQ(f.GetFileTime(date, time), 0);
  EXPECT_EQ(date, 20010315);
  EXPECT_EQ(time, 13450000);
  f.Close();
  const std::string command = "TZ=UTC stat -c %y '" + path.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[128] = {};
  ASSERT_NE(fgets(line, sizeof line, pipe), nullptr);
  pclose(pipe);
  EXPECT_EQ(std::string(line).substr(0, 29), "2001-03-15 13:45:00.000000000");
}

TEST(PagedFile, ExtensionIsReplacedOnlyInTheLastComponent) {
  const struct {
    const char* base;
    const char* expected;
  } cases[] = {
      {"/x/.cfg/base", "/x/.cfg/base.tqh"},
      {"/x/.cfg/base.old", "/x/.cfg/base.tqh"},
      {"/home/u/.config/zelkohome/autosave", "/home/u/.config/zelkohome/autosave.tqh"},
      {"relative.tqg", "relative.tqh"},
      {"/x/.hidden", "/x/.hidden.tqh"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathWithExtension(c.base, "tqh"), c.expected);
  test::TempDir dir;
  auto f = PagedFileForExtension((dir / "base").string(), "tqh", true, 64);
  EXPECT_EQ(f->State(), PagedFile::kCreated);
  EXPECT_TRUE(std::filesystem::exists(dir / "base.tqh"));
}

TEST(PagedFile, BufferResizeKeepsData) {
  test::TempDir dir;
  PagedFile f((dir / "r").string(), true, 100);
  f.EnableWriteBehind();
  const auto data = Counting(50);
  ASSERT_EQ(f.Write(data.data(), 0, 50), 0);
  ASSERT_EQ(f.SetBufferSize(400), 0);
  EXPECT_EQ(f.LookBack(), 300u);
  EXPECT_EQ(FileBytes(dir / "r"), data);  // written back before the switch
  ASSERT_EQ(f.RestoreBuffer(), 0);
  EXPECT_EQ(f.BufferSize(), 100u);
  EXPECT_EQ(f.LookBack(), 75u);
}

}  // namespace
}  // namespace zh
