// Inserting into bucket pages: splits by one more hash bit, repeated splits, keys the
// hash cannot separate, read-only trees and failing writes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "books/tree/tree_files.h"
#include "books/tree/tree_test_util.h"
#include "support/file_bytes.h"

namespace zh {
namespace {

using test::Key;

void ExpectAllFound(TreeFiles& tree, const std::vector<Key>& keys) {
  for (const Key& key : keys) {
    TreeLocation at;
    ASSERT_TRUE(tree.Locate(key.data(), at)) << "key " << &key - keys.data();
    TreeRecordItems items;
    const uint8_t* page = tree.Pages().Buffer();
    ASSERT_TRUE(UnpackTreeRecord(page + at.offset, tree.Pages().PageSize() - at.offset, items));
    EXPECT_EQ(items.statistics.games, key.size());
  }
}

int Insert(TreeFiles& tree, const Key& key) {
  TreeLocation at;
  return tree.Insert(test::RecordOf(key).data(), at);
}

uint32_t Entry(TreeFiles& tree, uint32_t e) {
  uint32_t page = 0;
  EXPECT_EQ(tree.Index().GetEntry(e, page), 0) << e;
  return page;
}

// Hashes of the records of a page, read through the page buffer.
std::vector<uint32_t> PageHashes(TreeFiles& tree, uint32_t page) {
  EXPECT_EQ(tree.Pages().ReadPage(page), 0);
  const uint8_t* p = tree.Pages().Buffer();
  std::vector<uint32_t> hashes;
  uint32_t offset = 4;
  const TreePageRecords records = tree.Pages().Records();
  for (uint32_t i = 0; i < TreePageRecords::Count(p); ++i) {
    hashes.push_back(TreeKeyHash(p + offset, p[offset] & 31));
    offset += records.RecordLength(p + offset);
  }
  return hashes;
}

TEST(TreeInsert, BucketZeroSplitsByBitZero) {
  test::ScratchFolder dir;
  const auto keys = test::GeneratedKeys(600, 2049);
  std::vector<Key> stored;
  {
    TreeFiles tree(dir.Base());
    ASSERT_EQ(tree.Status(), 2);
    bool checkedFirstSplit = false;
    for (const Key& key : keys) {
      ASSERT_EQ(Insert(tree, key), 0);
      stored.push_back(key);
      if (!checkedFirstSplit && tree.Pages().PageCount() == 2) {
        checkedFirstSplit = true;
        EXPECT_EQ(tree.Bitmap().GetBit(0), 1);
        EXPECT_EQ(tree.Bitmap().GetBit(1), 0);
        EXPECT_EQ(Entry(tree, 0), TreeIndexFile::kNone);
        EXPECT_EQ(Entry(tree, 1), 0u);
        EXPECT_EQ(Entry(tree, 2), 1u);
        const auto low = PageHashes(tree, 0);
        const auto high = PageHashes(tree, 1);
        EXPECT_EQ(low.size() + high.size(), stored.size());
        EXPECT_FALSE(low.empty());
        EXPECT_FALSE(high.empty());
        for (uint32_t h : low) EXPECT_EQ(h & 1, 0u);
        for (uint32_t h : high) EXPECT_EQ(h & 1, 1u);
      }
      ASSERT_NO_FATAL_FAILURE(ExpectAllFound(tree, stored));
    }
    EXPECT_TRUE(checkedFirstSplit);
    EXPECT_GT(tree.Pages().PageCount(), 4u);
    EXPECT_EQ(tree.Close(), 0);
  }
  TreeFiles tree(dir.Base());
  ASSERT_EQ(tree.Status(), 0);
  ExpectAllFound(tree, stored);
  EXPECT_EQ(Insert(tree, keys[5]), 15);  // stored already
  // Every leaf's page holds exactly the keys of its bucket.
  size_t total = 0;
  for (uint32_t e = 0; e < tree.Index().EntryCount(); ++e) {
    uint32_t m = 0;
    while (2 * m + 1 <= e) m = 2 * m + 1;
    const uint32_t page = Entry(tree, e);
    if (tree.Bitmap().GetBit(e) || page == TreeIndexFile::kNone) continue;
    for (uint32_t h : PageHashes(tree, page)) EXPECT_EQ(m + (h & m), e);
    total += PageHashes(tree, page).size();
  }
  EXPECT_EQ(total, stored.size());
}

TEST(TreeInsert, OneSidedSplitRepeatsOneLevelDeeper) {
  std::vector<Key> keys;
  for (const Key& key : test::GeneratedKeys(2000, 77))
    if ((test::HashOf(key) & 1) == 0) keys.push_back(key);
  test::ScratchFolder dir;
  TreeFiles tree(dir.Base());
  ASSERT_EQ(tree.Status(), 2);
  size_t n = 0;
  while (tree.Pages().PageCount() == 1) {
    ASSERT_LT(n, keys.size());
    ASSERT_EQ(Insert(tree, keys[n++]), 0);
  }
  // Bucket 0 split into 1 and 2 with nothing for 2, then bucket 1 into 3 and 5.
  EXPECT_EQ(tree.Pages().PageCount(), 3u);
  EXPECT_EQ(tree.Bitmap().GetBit(0), 1);
  EXPECT_EQ(tree.Bitmap().GetBit(1), 1);
  EXPECT_EQ(tree.Bitmap().GetBit(2), 0);
  EXPECT_EQ(tree.Index().EntryCount(), 6u);
  const uint32_t expected[] = {TreeIndexFile::kNone, TreeIndexFile::kNone, 1, 0,
                               TreeIndexFile::kNone, 2};
  for (uint32_t e = 0; e < 6; ++e) EXPECT_EQ(Entry(tree, e), expected[e]) << e;
  EXPECT_TRUE(PageHashes(tree, 1).empty());
  for (uint32_t h : PageHashes(tree, 0)) EXPECT_EQ(h & 3, 0u);
  for (uint32_t h : PageHashes(tree, 2)) EXPECT_EQ(h & 3, 2u);
  ExpectAllFound(tree, std::vector<Key>(keys.begin(), keys.begin() + static_cast<long>(n)));
}

// Keys of equal hash: a header byte and seven four-byte blocks, each block one of two
// forms whose nibble walks visit the same table positions in another order.
std::vector<Key> EqualHashKeys() {
  std::mt19937 random(4949);
  for (;;) {
    int x[8], pos[9] = {0};
    for (int i = 0; i < 8; ++i) {
      x[i] = static_cast<int>(random() % 16);
      pos[i + 1] = (pos[i] + 61 - 4 * x[i]) & 63;
    }
    if (pos[1] == pos[5]) continue;
    // The other walk visits pos[5] first and pos[1] fifth.
    const int visits[9] = {0, pos[5], pos[2], pos[3], pos[4], pos[1], pos[6], pos[7], pos[8]};
    int y[8];
    for (int i = 0; i < 8; ++i) y[i] = ((61 - (visits[i + 1] - visits[i])) & 63) / 4;
    const auto block = [](const int* nibbles) {
      Key b(4);
      for (int j = 0; j < 4; ++j) b[j] = static_cast<uint8_t>(nibbles[2 * j] | nibbles[2 * j + 1] << 4);
      return b;
    };
    const Key forms[2] = {block(x), block(y)};
    std::vector<Key> keys;
    for (int pick = 0; pick < 128; ++pick) {
      Key key = {29};
      for (int j = 0; j < 7; ++j) {
        const Key& f = forms[(pick >> j) & 1];
        key.insert(key.end(), f.begin(), f.end());
      }
      keys.push_back(key);
    }
    return keys;
  }
}

TEST(TreeInsert, KeysTheHashCannotSeparateStopAtOnce) {
  const auto keys = EqualHashKeys();
  ASSERT_EQ(std::set<Key>(keys.begin(), keys.end()).size(), keys.size());
  for (const Key& key : keys) ASSERT_EQ(test::HashOf(key), test::HashOf(keys[0]));

  test::ScratchFolder dir;
  TreeFiles tree(dir.Base());
  ASSERT_EQ(tree.Status(), 2);
  const size_t fit = (4096 - 4) / test::RecordOf(keys[0]).size();
  for (size_t i = 0; i < fit; ++i) ASSERT_EQ(Insert(tree, keys[i]), 0) << i;
  const auto sizeOf = [&](const char* e) { return std::filesystem::file_size(dir.File(e)); };
  const auto cto = sizeOf("cto");
  const auto ctb = sizeOf("ctb");
  EXPECT_EQ(Insert(tree, keys[fit]), TreeFiles::kCannotSplit);
  EXPECT_EQ(sizeOf("cto"), cto);
  EXPECT_EQ(sizeOf("ctb"), ctb);
  EXPECT_EQ(tree.Pages().PageCount(), 1u);
  EXPECT_EQ(tree.Index().EntryCount(), 1u);
  ExpectAllFound(tree, std::vector<Key>(keys.begin(), keys.begin() + static_cast<long>(fit)));
}

TEST(TreeInsert, ReadOnlyTreeIsSearchedAndNotChanged) {
  test::ScratchFolder dir;
  const auto keys = test::GeneratedKeys(400, 3);
  {
    TreeFiles tree(dir.Base());
    for (size_t i = 0; i < 300; ++i) ASSERT_EQ(Insert(tree, keys[i]), 0);
  }
  std::map<std::string, std::vector<uint8_t>> before;
  for (const char* e : {"ctg", "ctb", "cto"}) {
    before[e] = test::FileBytes(dir.File(e));
    std::filesystem::permissions(dir.File(e), std::filesystem::perms::owner_write |
                                                  std::filesystem::perms::group_write |
                                                  std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
  }
  {
    TreeFiles tree(dir.Base());
    ASSERT_EQ(tree.Status(), 0);
    ExpectAllFound(tree, std::vector<Key>(keys.begin(), keys.begin() + 300));
    std::set<int> codes;
    for (size_t i = 300; i < 400; ++i) codes.insert(Insert(tree, keys[i]));
    EXPECT_TRUE(codes.count(11));  // a page with room
    for (int code : codes) EXPECT_TRUE(code == 11 || code == 6) << code;
    uint32_t fresh = 0;
    while (tree.Bitmap().GetBit(fresh)) ++fresh;
    EXPECT_EQ(tree.Bitmap().SetBit(fresh, 1), 6);
    EXPECT_EQ(tree.Bitmap().SetBit(100000, 1), 6);
    EXPECT_EQ(tree.Bitmap().GetBit(fresh), 0);
    EXPECT_EQ(tree.Index().SetEntry(5, 0), 11);
    uint32_t page = 0;
    EXPECT_EQ(tree.Pages().AllocatePage(page), 11);
    ExpectAllFound(tree, std::vector<Key>(keys.begin(), keys.begin() + 300));
  }
  for (const char* e : {"ctg", "ctb", "cto"}) EXPECT_EQ(test::FileBytes(dir.File(e)), before[e]) << e;
}

// Fails every write to files with the extension from the n-th on.
class FailingWrites : public PagedFileWatcher {
 public:
  FailingWrites(std::string extension, int after) : extension_(std::move(extension)), after_(after) {
    PagedFile::SetWatcher(this);
  }
  ~FailingWrites() override { PagedFile::SetWatcher(nullptr); }
  bool BeforeWrite(const std::string& path, int, uint64_t, uint64_t) override {
    if (!path.ends_with(extension_)) return true;
    return seen_++ < after_;
  }
  bool BeforeResize(const std::string&, int, uint64_t) override { return true; }

 private:
  std::string extension_;
  int after_;
  int seen_ = 0;
};

TEST(TreeInsert, FailingWritesAnswerTheirCodes) {
  const auto keys = test::GeneratedKeys(200, 8);
  struct Case {
    const char* extension;
    int code;  // of the first insert that fails
  };
  for (const Case& c : {Case{".ctg", 11}, Case{".cto", 6}, Case{".ctb", 6}}) {
    SCOPED_TRACE(c.extension);
    test::ScratchFolder dir;
    TreeFiles tree(dir.Base());
    ASSERT_EQ(tree.Status(), 2);
    FailingWrites failing(c.extension, 0);
    int code = 0;
    for (size_t i = 0; i < keys.size() && code == 0; ++i) code = Insert(tree, keys[i]);
    EXPECT_EQ(code, c.code);
  }
}

// A split stopped by the k-th failing write of one of the files answers 6 and loses
// no record: every key stored before is found, at once and after reopening, and the
// tree takes further keys.
TEST(TreeInsert, SplitsStoppedByAFailingWriteLoseNothing) {
  const auto keys = test::GeneratedKeys(400, 21);
  for (const char* extension : {".ctg", ".cto", ".ctb"}) {
    for (int k = 0; k < 6; ++k) {
      SCOPED_TRACE(std::string(extension) + " write " + std::to_string(k));
      test::ScratchFolder dir;
      std::vector<Key> stored;
      {
        TreeFiles tree(dir.Base());
        bool stopped = false;
        for (size_t i = 0; i < keys.size() && stored.size() < 250; ++i) {
          const auto record = test::RecordOf(keys[i]);
          TreeLocation at;
          ASSERT_FALSE(tree.Locate(keys[i].data(), at));
          const bool splits =
              TreePageRecords::Used(tree.Pages().Buffer()) + record.size() > 4096;
          if (splits && !stopped) {
            stopped = true;
            int code;
            {
              FailingWrites failing(extension, k);
              code = tree.Insert(record.data(), at);
            }
            EXPECT_TRUE(code == 0 || code == 6) << code;
            if (k == 0) {
              EXPECT_EQ(code, 6);  // every split writes to all three files
            }
            if (code == 0) stored.push_back(keys[i]);
            ASSERT_NO_FATAL_FAILURE(ExpectAllFound(tree, stored));
            continue;
          }
          ASSERT_EQ(tree.Insert(record.data(), at), 0);
          stored.push_back(keys[i]);
        }
        ASSERT_TRUE(stopped);
        ASSERT_NO_FATAL_FAILURE(ExpectAllFound(tree, stored));
      }
      TreeFiles tree(dir.Base());
      ASSERT_EQ(tree.Status(), 0);
      ExpectAllFound(tree, stored);
    }
  }
}

TEST(TreeInsert, UnreadablePageIsAbsentAndAnswers12) {
  test::ScratchFolder dir;
  const auto keys = test::GeneratedKeys(2, 12);
  {
    TreeFiles tree(dir.Base());
    ASSERT_EQ(Insert(tree, keys[0]), 0);
  }
  TreeFiles tree(dir.Base());
  ASSERT_EQ(tree.Status(), 0);
  std::filesystem::resize_file(dir.File("ctg"), 4096 + 100);
  TreeLocation at;
  EXPECT_FALSE(tree.Locate(keys[0].data(), at));
  EXPECT_EQ(at.code, 12);
  EXPECT_EQ(Insert(tree, keys[1]), 12);
}

TEST(TreePages, FreeChainIsTakenAndItsCircleEnds) {
  test::ScratchFolder dir;
  {
    TreePageFile pages(dir.File("ctg").string(), TreePageFile::kTree);
    uint32_t page = 0;
    for (int i = 0; i < 4; ++i) ASSERT_EQ(pages.AllocatePage(page), 0);
    EXPECT_EQ(page, 4u);
  }
  // Free chain 2 -> 4 -> 2 -> ... in a five-page file.
  auto bytes = test::FileBytes(dir.File("ctg"));
  bytes[20] = bytes[21] = bytes[22] = 0;
  bytes[23] = 2;
  const auto next = [&](uint32_t page, uint8_t to) {
    bytes[4096 + 4096 * page + 0] = bytes[4096 + 4096 * page + 1] = bytes[4096 + 4096 * page + 2] = 0;
    bytes[4096 + 4096 * page + 3] = to;
  };
  next(2, 4);
  next(4, 2);
  test::WriteFileBytes(dir.File("ctg"), bytes);
  TreePageFile pages(dir.File("ctg").string(), TreePageFile::kTree);
  ASSERT_EQ(pages.Status(), 0);
  EXPECT_TRUE(pages.IsFreePage(2));
  EXPECT_TRUE(pages.IsFreePage(4));
  EXPECT_FALSE(pages.IsFreePage(3));  // the walk ends although the chain does not
  EXPECT_FALSE(pages.IsFreePage(5));
  uint32_t page = 0;
  ASSERT_EQ(pages.AllocatePage(page), 0);
  EXPECT_EQ(page, 2u);
  EXPECT_EQ(pages.FirstFree(), 4u);
  ASSERT_EQ(pages.AllocatePage(page), 0);
  EXPECT_EQ(page, 4u);
  // The chain leads back to page 2, which was handed out already: it ends there.
  EXPECT_EQ(pages.FirstFree(), TreePageFile::kNoPage);
  ASSERT_EQ(pages.AllocatePage(page), 0);
  EXPECT_EQ(page, 5u);
  EXPECT_EQ(pages.PageCount(), 6u);
}

}  // namespace
}  // namespace zh
