// The bytes of new tree files, and headers that must be refused.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "books/tree/tree_files.h"
#include "books/tree/tree_test_util.h"
#include "support/file_bytes.h"

namespace zh {
namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::istringstream in(text);
  std::vector<uint8_t> bytes;
  for (unsigned v; in >> std::hex >> v;) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

// The file is `parts` (offset, hex bytes) with zeros everywhere else.
void ExpectFile(const std::filesystem::path& path, size_t size,
                const std::vector<std::pair<size_t, std::string>>& parts) {
  std::vector<uint8_t> expected(size, 0);
  for (const auto& [offset, hex] : parts) {
    const auto bytes = Hex(hex);
    std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<long>(offset));
  }
  EXPECT_EQ(test::FileBytes(path), expected) << path;
}

const char kLayout[] = "00 01 00 05  00 01 7F FF  00 03 7F FF  00 05 00 1E  00 06 00 02  00 07 00 01";

void ExpectNewTree(const test::ScratchFolder& dir) {
  ExpectFile(dir.File("ctg"), 8192,
             {{0, "00 20 10 00 00 01 00 01 00 00 10 00 7F FF 7F FF"
                  " 00 00 00 01 FF FF FF FF 00 00 00 00 00 00 00 00"},
              {1024, kLayout},
              {4096, "00 00 00 04"}});
  ExpectFile(dir.File("cto"), 20, {{0, "00 10 00 01 00 00 00 01 00 00 00 00 00 00 00 00"}});
  ExpectFile(dir.File("ctb"), 12, {{0, "00 0C 00 01"}});
}

TEST(TreeLayout, NewFilesByteForByte) {
  test::ScratchFolder dir;
  {
    TreeFiles tree(dir.Base());
    ASSERT_EQ(tree.Status(), 2);
    ExpectNewTree(dir);
    uint32_t page = 1;
    EXPECT_EQ(tree.Index().GetEntry(0, page), 0);
    EXPECT_EQ(page, 0u);
    EXPECT_EQ(tree.Close(), 0);
  }
  ExpectNewTree(dir);
  TreeFiles again(dir.Base());
  EXPECT_EQ(again.Status(), 0);
  EXPECT_EQ(again.Pages().PageCount(), 1u);
  EXPECT_EQ(again.Pages().FirstFree(), TreePageFile::kNoPage);
  EXPECT_EQ(again.Pages().Layout(), WordPairList::TreeDefault());
  EXPECT_EQ(again.Pages().Layout().FixedTotal(), 33u);
}

TEST(TreeLayout, NewMarkFile) {
  test::ScratchFolder dir;
  {
    TreePageFile marks(dir.File("ct0").string(), TreePageFile::kMarks);
    ASSERT_EQ(marks.Status(), 2);
  }
  ExpectFile(dir.File("ct0"), 4096 + 20,
             {{0, "00 20 10 00 00 01 00 04 00 00 00 14 7F FF 7F FF"
                  " 00 00 00 01 FF FF FF FF"},
              {1024, kLayout},
              {4096, "00 00 00 04"}});
  TreePageFile marks(dir.File("ct0").string(), TreePageFile::kMarks);
  ASSERT_EQ(marks.Status(), 0);
  bool set = true;
  EXPECT_EQ(marks.TestMark(0, 127, set), 0);
  EXPECT_FALSE(set);
  EXPECT_EQ(marks.SetMark(0, 9), 0);
  EXPECT_EQ(marks.SetMark(0, 127), 0);
  EXPECT_EQ(marks.SetMark(0, 128), 14);
  EXPECT_EQ(marks.TestMark(0, 128, set), 14);
  EXPECT_EQ(marks.TestMark(1, 0, set), 15);
  marks.Close();
  ExpectFile(dir.File("ct0"), 4096 + 20,
             {{0, "00 20 10 00 00 01 00 04 00 00 00 14 7F FF 7F FF"
                  " 00 00 00 01 FF FF FF FF"},
              {1024, kLayout},
              {4096, "00 00 00 04 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 80"}});
}

TEST(TreeLayout, WordPairListReadsOnlyWhatItHas) {
  WordPairList list;
  uint8_t bytes[128] = {};
  EXPECT_EQ(WordPairList::TreeDefault().Write(bytes), 24);
  EXPECT_EQ(list.Read(bytes, sizeof bytes), 24);
  EXPECT_EQ(list, WordPairList::TreeDefault());
  EXPECT_EQ(list.Read(bytes, 23), -1);
  bytes[3] = 31;
  EXPECT_EQ(list.Read(bytes, sizeof bytes), 128);
  bytes[3] = 32;
  EXPECT_EQ(list.Read(bytes, sizeof bytes), -1);
  list.Resize(3);
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.FixedTotal(), 0u);
}

// A byte patch of one of the three files, and the status it gives the tree.
struct Damage {
  const char* name;
  const char* extension;
  size_t offset;
  std::string hex;
  int status;
};

void PrintTo(const Damage& d, std::ostream* os) {
  *os << d.name;
}

class TreeHeaderDamage : public testing::TestWithParam<Damage> {};

TEST_P(TreeHeaderDamage, OpenAnswersTheStatus) {
  const Damage& d = GetParam();
  test::ScratchFolder dir;
  {
    TreeFiles tree(dir.Base());
    ASSERT_EQ(tree.Status(), 2);
  }
  auto bytes = test::FileBytes(dir.File(d.extension));
  const auto patch = Hex(d.hex);
  if (bytes.size() < d.offset + patch.size()) bytes.resize(d.offset + patch.size());
  std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<long>(d.offset));
  test::WriteFileBytes(dir.File(d.extension), bytes);
  const auto before = test::FileBytes(dir.File(d.extension));
  {
    TreeFiles tree(dir.Base());
    EXPECT_EQ(tree.Status(), d.status);
    if (d.status != 0) {
      const test::Key key = test::GeneratedKeys(1, 3)[0];
      TreeLocation at;
      EXPECT_FALSE(tree.Locate(key.data(), at));
      EXPECT_NE(tree.Insert(test::RecordOf(key).data(), at), 0);
    }
  }
  if (d.status != 0) {
    EXPECT_EQ(test::FileBytes(dir.File(d.extension)), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, TreeHeaderDamage,
    testing::Values(
        Damage{"PageSizeZero", "ctg", 10, "00 00", 15},
        Damage{"PageSizeOther", "ctg", 10, "04 00", 15},
        Damage{"FirstPageInsideHeader", "ctg", 2, "00 64", 15},
        Damage{"LayoutCountPastItsArea", "ctg", 1026, "00 20", 15},
        Damage{"LayoutTailNot33", "ctg", 1038, "00 1F", 15},
        Damage{"PagesPastTheFile", "ctg", 16, "00 00 00 03", 15},
        Damage{"LayoutNeverWritten", "ctg", 1024, "00 00 00 00", 0},
        Damage{"LastPageCutByShift", "ctg", 2, "10 01", 15},
        Damage{"BitmapMarkAboveEnd", "ctb", 4, "00 00 00 10 00 00 00 08", 6},
        Damage{"BitmapEndPastFile", "ctb", 8, "7F FF FF F8", 6},
        Damage{"BitmapHeaderLength", "ctb", 0, "00 0D", 6},
        Damage{"IndexCountPastFile", "cto", 4, "40 00 00 00", 15},
        Damage{"IndexFirstStoredAboveCount", "cto", 8, "00 00 00 02", 15}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zh
