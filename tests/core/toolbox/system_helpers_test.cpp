#include "core/toolbox/system_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "core/toolbox/system_probe.h"
#include "support/recording_services.h"
#include "core/temp_dir.h"

namespace zh {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FakeProbe final : public SystemProbe {
 public:
  uint64_t freeBytes = 0;
  std::filesystem::path askedPath;
  MemoryStatus memory;
  bool FreeBytes(const std::filesystem::path& path, uint64_t& bytes) override {
    askedPath = path;
    bytes = freeBytes;
    return true;
  }
  bool Memory(MemoryStatus& status) override {
    status = memory;
    return true;
  }
};

TEST(SystemHelpers, ArchiveRelativePaths) {
  test::RecordingServices rec;
  struct Case {
    const char* path;
    const char* base;
    bool relative;
    const char* result;
  };
  for (const Case& c : {Case{"/data/games/x.tqg", "/data", true, "games/x.tqg"},
                        Case{"/data/games/x.tqg", "/data/", true, "games/x.tqg"},
                        Case{"/data/./games//x.tqg", "/data/games/..", true, "games/x.tqg"},
                        Case{"/data/games2/x", "/data/games", false, "/data/games2/x"},
                        Case{"/data/x.tqg", "/other", false, "/data/x.tqg"},
                        Case{"/data", "/data", false, "/data"}}) {
    std::filesystem::path p = c.path;
    EXPECT_EQ(MakeArchiveRelativePath(p, c.base), c.relative) << c.path << " in " << c.base;
    EXPECT_EQ(p, c.result);
  }
  EXPECT_EQ(rec.CallsStartingWith("Dump: Path error in archive").size(), 3u);
}

TEST(SystemHelpers, DriveNumbersOfStoredPaths) {
  EXPECT_EQ(GetDriveNumber("c:\\games"), 2);
  EXPECT_EQ(GetDriveNumber("A:\\"), 0);
  EXPECT_EQ(GetDriveNumber("\\\\server\\share"), 3);
  EXPECT_EQ(GetDriveNumber("/home/x"), -1);
  EXPECT_EQ(GetDriveNumber(""), -1);
}

TEST(SystemHelpers, FreeSpaceAboveFourTebibytes) {
  FakeProbe probe;
  ScopedSystemProbe guard(probe);
  probe.freeBytes = uint64_t{5} << 40;
  EXPECT_EQ(GetFreeDiskSpaceKB("/"), uint64_t{5} << 30);
  // A file still to be made is measured on the folder that will hold it.
  test::TempDir dir;
  GetFreeDiskSpaceKB(dir / "new/sub/file.tqg");
  EXPECT_EQ(probe.askedPath, dir.Path());
}

TEST(SystemHelpers, RealFreeSpaceIsReported) { EXPECT_GT(GetFreeDiskSpaceKB("/tmp"), 0u); }

TEST(SystemHelpers, MemoryBudget) {
  FakeProbe probe;
  ScopedSystemProbe guard(probe);
  probe.memory = {512ull << 20, 4ull << 30, 1ull << 30};
  EXPECT_NEAR(static_cast<double>(GetMemoryBudget(20)), 0.2 * 0.8 * (512 << 20), 100);
  EXPECT_EQ(GetMemoryBudget(20) / 1000000, 85u);  // about 82 MiB
  probe.memory = {8ull << 30, 100ull << 20, 0};
  EXPECT_EQ(GetMemoryBudget(50), 50 * ((100ull << 20) / 100));
}

TEST(SystemHelpers, RealMemoryIsReported) { EXPECT_GT(GetMemoryBudget(1), 0u); }

TEST(SystemHelpers, CopyFileShell) {
  test::RecordingServices rec;
  test::TempDir dir;
  const auto source = dir / "source.tqg";
  std::ofstream(source) << "games";
  ASSERT_EQ(chmod(source.c_str(), 0444), 0);

  const auto target = dir / "deep/folder/target.tqg";
  EXPECT_EQ(CopyFileShell(source, target), 0);
  EXPECT_EQ(ReadAll(target), "games");
  struct stat st{};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  EXPECT_TRUE(rec.calls.empty());

  std::ofstream(source, std::ios::trunc) << "newer";
  rec.answers = {false};
  EXPECT_EQ(CopyFileShell(source, target), 1);
  EXPECT_EQ(ReadAll(target), "games");
  rec.answers = {true};
  EXPECT_EQ(CopyFileShell(source, target), 0);
  EXPECT_EQ(ReadAll(target), "newer");
  EXPECT_EQ(rec.CallsStartingWith("AskYesNo: ").size(), 2u);

  EXPECT_EQ(CopyFileShell(dir / "missing", dir / "x"), 6);
  EXPECT_EQ(CopyFileShell(source, source), 6);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "deep/folder"), {}), 1);
}

TEST(SystemHelpers, RenameFileChecked) {
  test::TempDir dir;
  std::ofstream(dir / "a") << "a";
  EXPECT_EQ(RenameFileChecked(dir / "a", dir / "b"), 0);
  EXPECT_EQ(ReadAll(dir / "b"), "a");
  EXPECT_FALSE(std::filesystem::exists(dir / "a"));
  EXPECT_EQ(RenameFileChecked(dir / "a", dir / "c"), 6);
}

TEST(SystemHelpers, RenameAcrossFilesystems) {
  test::TempDir dir;
  const std::filesystem::path shm = "/dev/shm";
  struct stat a{}, b{};
  if (stat(dir.Path().c_str(), &a) != 0 || stat(shm.c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second filesystem";
  const auto other = shm / ("zh-rename-" + std::to_string(getpid()));
  std::ofstream(dir / "a") << "moved";
  EXPECT_EQ(RenameFileChecked(dir / "a", other), 0);
  EXPECT_EQ(ReadAll(other), "moved");
  EXPECT_FALSE(std::filesystem::exists(dir / "a"));
  std::filesystem::remove(other);
}

}  // namespace
}  // namespace zh
