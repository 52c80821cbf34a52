// The split bit map and the bucket index on their own.
#include <gtest/gtest.h>

#include <filesystem>

#include "books/tree/tree_bitmap_file.h"
#include "books/tree/tree_index_file.h"
#include "books/tree/tree_test_util.h"
#include "core/toolbox/big_endian.h"
#include "support/file_bytes.h"

namespace zh {
namespace {

// A bit map file with the given mark, end and data bytes.
void WriteBitmap(const std::filesystem::path& path, uint32_t mark, uint32_t end,
                 const std::vector<uint8_t>& data) {
  std::vector<uint8_t> bytes(12);
  PutBigEndian(bytes.data(), 2, 12);
  PutBigEndian(bytes.data() + 2, 2, 1);
  PutBigEndian(bytes.data() + 4, 4, mark);
  PutBigEndian(bytes.data() + 8, 4, end);
  bytes.insert(bytes.end(), data.begin(), data.end());
  test::WriteFileBytes(path, bytes);
}

TEST(TreeBitmap, BelowMarkSetAndFromEndClear) {
  test::ScratchFolder dir;
  const auto path = dir.File("ctb");
  WriteBitmap(path, 16, 32, {0xFF, 0xFF, 0x05, 0x80});
  TreeBitmapFile bits(path.string());
  ASSERT_EQ(bits.Status(), 0);
  EXPECT_EQ(bits.WindowStart(), 2u);
  EXPECT_EQ(bits.WindowBytes(), 2u);
  for (uint32_t b : {0u, 7u, 15u, 16u, 18u, 31u}) EXPECT_EQ(bits.GetBit(b), 1) << b;
  for (uint32_t b : {17u, 19u, 30u, 32u, 1000u, 0xFFFFFFFFu}) EXPECT_EQ(bits.GetBit(b), 0) << b;
  // Clearing below the mark or beyond the end changes nothing.
  EXPECT_EQ(bits.SetBit(3, 0), 0);
  EXPECT_EQ(bits.GetBit(3), 1);
  EXPECT_EQ(bits.SetBit(40, 0), 0);
  EXPECT_EQ(bits.SetBit(18, 0), 0);
  EXPECT_EQ(bits.GetBit(18), 0);
  bits.Close();
  EXPECT_EQ(test::FileBytes(path),
            (std::vector<uint8_t>{0, 12, 0, 1, 0, 0, 0, 16, 0, 0, 0, 32, 0xFF, 0xFF, 0x01, 0x80}));
}

TEST(TreeBitmap, LeadingFullBytesRaiseTheMark) {
  test::ScratchFolder dir;
  const auto path = dir.File("ctb");
  WriteBitmap(path, 0, 24, {0x7F, 0xFF, 0x01});
  TreeBitmapFile bits(path.string());
  ASSERT_EQ(bits.Status(), 0);
  EXPECT_EQ(bits.SetBit(7, 1), 0);
  EXPECT_EQ(bits.AllOnesMark(), 16u);
  EXPECT_EQ(bits.WindowStart(), 2u);
  EXPECT_EQ(bits.WindowBytes(), 1u);
  EXPECT_EQ(bits.GetBit(16), 1);
  EXPECT_EQ(bits.GetBit(17), 0);
  EXPECT_EQ(bits.SetBit(5, 0), 0);
  EXPECT_EQ(bits.GetBit(5), 1);
  bits.Close();
  EXPECT_EQ(test::FileBytes(path),
            (std::vector<uint8_t>{0, 12, 0, 1, 0, 0, 0, 16, 0, 0, 0, 24, 0xFF, 0xFF, 0x01}));
}

TEST(TreeBitmap, SettingFarBitGrowsFileAndWindow) {
  test::ScratchFolder dir;
  const auto path = dir.File("ctb");
  {
    TreeBitmapFile bits(path.string());
    ASSERT_EQ(bits.Status(), 2);
    EXPECT_EQ(bits.SetBit(3, 1), 0);
    EXPECT_EQ(bits.EndBit(), 8u);
    EXPECT_EQ(bits.WindowCapacity(), TreeBitmapFile::kFirstWindow);
    EXPECT_EQ(bits.SetBit(100000, 1), 0);
    EXPECT_EQ(bits.EndBit(), 100008u);
    EXPECT_EQ(bits.WindowBytes(), 12501u);
    EXPECT_EQ(bits.WindowCapacity(), 16384u);
    EXPECT_EQ(std::filesystem::file_size(path), 12u + 12501u);
    EXPECT_EQ(bits.GetBit(100000), 1);
    EXPECT_EQ(bits.GetBit(99999), 0);
    EXPECT_EQ(bits.GetBit(3), 1);
  }
  TreeBitmapFile bits(path.string());
  ASSERT_EQ(bits.Status(), 0);
  EXPECT_EQ(bits.EndBit(), 100008u);
  EXPECT_EQ(bits.GetBit(100000), 1);
  EXPECT_EQ(bits.GetBit(3), 1);
  EXPECT_EQ(bits.GetBit(4), 0);
}

// Index entries: out of range, below the first stored, below the first live.
TEST(TreeIndex, EntriesAndTheirCodes) {
  test::ScratchFolder dir;
  const auto path = dir.File("cto");
  std::vector<uint8_t> bytes = {0, 16, 0, 1, 0, 0, 0, 6, 0, 0, 0, 2, 0, 0, 0, 3};
  for (uint32_t page : {7u, 8u, 9u, 10u}) {
    bytes.resize(bytes.size() + 4);
    PutBigEndian(bytes.data() + bytes.size() - 4, 4, page);
  }
  test::WriteFileBytes(path, bytes);
  TreeIndexFile index(path.string());
  ASSERT_EQ(index.Status(), 0);
  uint32_t page = 0;
  EXPECT_EQ(index.GetEntry(6, page), 15);
  EXPECT_EQ(index.GetEntry(1, page), 13);
  EXPECT_EQ(index.GetEntry(2, page), 0);
  EXPECT_EQ(page, TreeIndexFile::kNone);  // below the first live entry
  EXPECT_EQ(index.GetEntry(5, page), 0);
  EXPECT_EQ(page, 10u);
  EXPECT_EQ(index.SetEntry(1, 1), 13);

  // Growth fills with empty entries up to the new one.
  EXPECT_EQ(index.SetEntry(42, 9), 0);
  EXPECT_EQ(index.EntryCount(), 10u);
  EXPECT_EQ(index.GetEntry(7, page), 0);
  EXPECT_EQ(page, TreeIndexFile::kNone);
  EXPECT_EQ(index.GetEntry(9, page), 0);
  EXPECT_EQ(page, 42u);
  EXPECT_EQ(std::filesystem::file_size(path), 16u + 4 * 8);

  // Entries the file no longer holds are read errors, not reads past its end.
  std::filesystem::resize_file(path, 16 + 4 * 6);
  EXPECT_EQ(index.GetEntry(9, page), 12);
}

}  // namespace
}  // namespace zh
