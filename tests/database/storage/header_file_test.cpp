#include "database/storage/header_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/temp_dir.h"

namespace zh {
namespace {

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A file header with the given record size, and one record of that size.
std::vector<uint8_t> HeaderBytes(int size) {
  std::vector<uint8_t> b(128, 0);
  b[2] = 36;
  b[3] = static_cast<uint8_t>(size >> 8);
  b[4] = static_cast<uint8_t>(size);
  b[5] = 1;
  b[9] = 2;
  return b;
}

TEST(FileTqh, NewFileAppendsAndReads) {
  test::TempDir dir;
  const std::string base = (dir / "base").string();
  {
    FileTqh file(base, "tqh", true);
    ASSERT_FALSE(file.HasError());
    EXPECT_EQ(file.NextRecord(), 1u);
    file.File().Close();
    EXPECT_EQ(std::filesystem::file_size(dir / "base.tqh"), 46u);

    HeaderRecord game = HeaderRecord::Game();
    for (uint32_t i = 1; i <= 3; ++i) {
      game.white = i;
      game.date = 20010315;
      ASSERT_EQ(file.AppendRecord(game), 0);
    }
    EXPECT_EQ(file.NextRecord(), 4u);
    EXPECT_EQ(file.ItemCount(), 3u);
  }
  EXPECT_EQ(std::filesystem::file_size(dir / "base.tqh"), 184u);
  FileTqh again(base, "tqh", false);
  ASSERT_FALSE(again.HasError());
  EXPECT_EQ(again.NextRecord(), 4u);
  HeaderRecord read;
  ASSERT_EQ(again.ReadRecord(2, read), 0);
  EXPECT_TRUE(read.IsGame());
  EXPECT_EQ(read.white, 2u);
  EXPECT_EQ(again.ReadRecord(4, read), 12);  // past the end
  EXPECT_EQ(again.File().GetAccess(), PagedFile::kReadWrite);
}

TEST(FileTqh, RecordZeroRefreshesTheFileHeader) {
  test::TempDir dir;
  FileTqh file((dir / "b").string(), "tqh", true);
  HeaderRecord header = file.FileHeader();
  header.header32[1] = 7;  // audio objects
  header.header32[0] = 9;
  ASSERT_EQ(file.WriteRecord(0, header), 0);
  EXPECT_EQ(file.MediaCount(0), 7u);
  EXPECT_EQ(file.NextRecord(), 9u);
}

TEST(FileTqh, UnknownKindsAndRecordSizes) {
  test::TempDir dir;
  const auto path = dir / "k.tqh";
  auto bytes = HeaderBytes(46);
  bytes.resize(92);
  bytes[46] = 2;  // record 1 of kind 2
  WriteBytes(path, bytes);
  {
    FileTqh file((dir / "k").string(), "tqh", false);
    ASSERT_FALSE(file.HasError());
    HeaderRecord r;
    EXPECT_EQ(file.ReadRecord(1, r), 12);
  }
  for (int size : {0, 45, 65, 1000}) {
    WriteBytes(path, HeaderBytes(size));
    FileTqh file((dir / "k").string(), "tqh", false);
    EXPECT_TRUE(file.HasError()) << size;
    HeaderRecord r = HeaderRecord::Game();
    EXPECT_NE(file.WriteRecord(1, r), 0) << size;  // nothing lands over record 0
  }
  for (int size : {46, 64}) {
    WriteBytes(path, HeaderBytes(size));
    FileTqh file((dir / "k").string(), "tqh", false);
    EXPECT_FALSE(file.HasError()) << size;
    EXPECT_EQ(file.RecordSize(), size);
  }
  FileTqh missing((dir / "none").string(), "tqh", false);
  EXPECT_TRUE(missing.HasError());
}

TEST(FileTqh, AppendStopsBeforeTheCountWraps) {
  test::TempDir dir;
  FileTqh file((dir / "full").string(), "tqh", true);
  file.SetNextRecord(FileTqh::kMaxNextRecord);
  ASSERT_EQ(file.WriteFileHeader(), 0);
  EXPECT_EQ(file.AppendRecord(HeaderRecord::Game()), 1);
  EXPECT_EQ(file.NextRecord(), FileTqh::kMaxNextRecord);
  file.File().Close();
  EXPECT_EQ(std::filesystem::file_size(dir / "full.tqh"), 46u);
}

TEST(FileTqh, ExtensionGoesOnTheLastComponent) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / ".cfg");
  FileTqh file((dir / ".cfg" / "base").string(), "tqh", true);
  EXPECT_EQ(file.File().Path(), (dir / ".cfg" / "base.tqh").string());
  EXPECT_TRUE(std::filesystem::exists(dir / ".cfg" / "base.tqh"));
}

}  // namespace
}  // namespace zh
