// Records in a page: append, find, remove and split, and pages whose records do not add
// up.
#include "books/tree/tree_page_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "books/tree/tree_test_util.h"

namespace zh {
namespace {

constexpr uint32_t kPage = 4096;

struct PageFixture {
  std::vector<uint8_t> page = std::vector<uint8_t>(kPage, 0);
  TreePageRecords records{kPage, kTreeRecordTail};
  std::vector<test::Key> keys;

  explicit PageFixture(size_t count) {
    TreePageRecords::MakeEmpty(page.data());
    keys = test::GeneratedKeys(count, 7);
    for (size_t i = 0; i < keys.size(); ++i) {
      int index = -1;
      uint32_t offset = 0;
      const auto r = test::RecordOf(keys[i], static_cast<int>(i % 3));
      EXPECT_EQ(records.AppendRecord(page.data(), r.data(), index, offset), 0);
      EXPECT_EQ(index, static_cast<int>(i));
    }
  }
  int Find(const test::Key& key) const {
    uint32_t offset = 0;
    return records.FindRecord(page.data(), key.data(), offset);
  }
};

TEST(TreePageRecords, AppendFindRemove) {
  PageFixture f(5);
  uint32_t offset = 0;
  EXPECT_EQ(f.records.FindRecord(f.page.data(), f.keys[3].data(), offset), 3);
  TreeRecordItems items;
  ASSERT_TRUE(UnpackTreeRecord(f.page.data() + offset, kPage - offset, items));
  EXPECT_EQ(items.moves.size(), 0u);
  EXPECT_EQ(items.statistics.games, f.keys[3].size());
  // A key that equals a stored one in its first bytes but is shorter is another key.
  for (const auto& key : f.keys) {
    if (key.size() <= 10) continue;
    test::Key prefix(key.begin(), key.begin() + 10);
    prefix[0] = static_cast<uint8_t>((prefix[0] & 0xE0) | 10);
    EXPECT_EQ(f.Find(prefix), TreePageRecords::kNotFound);
  }

  const uint32_t used = TreePageRecords::Used(f.page.data());
  const uint32_t length = f.records.RecordLength(f.page.data() + offset);
  EXPECT_EQ(f.records.RemoveRecord(f.page.data(), 3, offset + 1), 15);  // not its start
  EXPECT_EQ(f.records.RemoveRecord(f.page.data(), 5, offset), 15);
  EXPECT_EQ(f.records.RemoveRecord(f.page.data(), 3, offset), 0);
  EXPECT_EQ(TreePageRecords::Count(f.page.data()), 4u);
  EXPECT_EQ(TreePageRecords::Used(f.page.data()), used - length);
  EXPECT_EQ(f.Find(f.keys[3]), TreePageRecords::kNotFound);
  EXPECT_EQ(f.Find(f.keys[4]), 3);
  EXPECT_EQ(f.Find(f.keys[0]), 0);
}

TEST(TreePageRecords, FullPageAnswers14) {
  PageFixture f(0);
  const auto r = test::RecordOf(test::GeneratedKeys(1, 1)[0], 40);
  int index = 0;
  uint32_t offset = 0;
  int stored = 0;
  while (f.records.AppendRecord(f.page.data(), r.data(), index, offset) == 0) ++stored;
  EXPECT_EQ(stored, static_cast<int>((kPage - 4) / r.size()));
  EXPECT_EQ(f.records.AppendRecord(f.page.data(), r.data(), index, offset), 14);
}

TEST(TreePageRecords, SplitMovesTheListedRecords) {
  PageFixture f(6);
  const uint16_t moving[] = {1, 4, 5};
  std::vector<uint8_t> second(kPage, 0xEE);
  ASSERT_EQ(f.records.SplitPage(f.page.data(), second.data(), moving, 3), 0);
  EXPECT_TRUE(f.records.IsSound(f.page.data()));
  EXPECT_TRUE(f.records.IsSound(second.data()));
  EXPECT_EQ(TreePageRecords::Count(f.page.data()), 3u);
  EXPECT_EQ(TreePageRecords::Count(second.data()), 3u);
  uint32_t offset = 0;
  const int expectFirst[] = {0, -1, 1, 2, -1, -1};
  const int expectSecond[] = {-1, 0, -1, -1, 1, 2};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(f.records.FindRecord(f.page.data(), f.keys[i].data(), offset), expectFirst[i]);
    EXPECT_EQ(f.records.FindRecord(second.data(), f.keys[i].data(), offset), expectSecond[i]);
  }
}

// A page whose header or records are not what they claim refuses every operation.
TEST(TreePageRecords, DamagedPages) {
  struct Case {
    const char* name;
    void (*damage)(std::vector<uint8_t>& page);
  };
  const Case cases[] = {
      {"used beyond page", [](auto& p) { TreePageRecords::SetHeader(p.data(), 3, kPage + 1); }},
      {"used below header", [](auto& p) { TreePageRecords::SetHeader(p.data(), 0, 2); }},
      {"count too high", [](auto& p) {
         TreePageRecords::SetHeader(p.data(), 4, TreePageRecords::Used(p.data()));
       }},
      {"count too low", [](auto& p) {
         TreePageRecords::SetHeader(p.data(), 2, TreePageRecords::Used(p.data()));
       }},
      {"key length 0", [](auto& p) { p[4] &= 0xE0; }},
      {"even move list", [](auto& p) { p[4 + (p[4] & 31)] = 2; }},
      {"record past used", [](auto& p) { p[4 + (p[4] & 31)] = 255; }},
  };
  for (const Case& c : cases) {
    PageFixture f(3);
    c.damage(f.page);
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(f.records.IsSound(f.page.data()));
    for (const auto& key : f.keys) EXPECT_EQ(f.Find(key), TreePageRecords::kNotFound);
    int index = 0;
    uint32_t offset = 0;
    const auto r = test::RecordOf(test::GeneratedKeys(1, 99)[0]);
    const auto before = f.page;
    EXPECT_EQ(f.records.AppendRecord(f.page.data(), r.data(), index, offset), 15);
    EXPECT_EQ(f.records.RemoveRecord(f.page.data(), 0, 4), 15);
    std::vector<uint8_t> second(kPage);
    const uint16_t moving[] = {0};
    EXPECT_EQ(f.records.SplitPage(f.page.data(), second.data(), moving, 1), 1);
    EXPECT_EQ(f.page, before);
  }
}

TEST(TreePageRecords, MalformedRecordIsNotAppended) {
  PageFixture f(1);
  auto r = test::RecordOf(test::GeneratedKeys(1, 5)[0]);
  r[r[0] & 31] = 4;  // even move-list length
  int index = 0;
  uint32_t offset = 0;
  EXPECT_EQ(f.records.AppendRecord(f.page.data(), r.data(), index, offset), 15);
  EXPECT_EQ(TreePageRecords::Count(f.page.data()), 1u);
}

TEST(TreeRecord, StatisticItemBytes) {
  const StatisticItem s{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F10,
                        0x111213, 0x14151617, 0x18191A, 0x1B1C1D1E};
  uint8_t bytes[30];
  s.Pack(bytes);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(bytes[i], i + 1) << i;
  EXPECT_EQ(StatisticItem::Unpack(bytes), s);
}

TEST(TreeRecord, ItemsRoundTripAndTheMoveListStopsAt127) {
  const test::Key key = test::GeneratedKeys(1, 11)[0];
  TreeRecordItems items;
  items.statistics = {0xFFFFFF, 2, 3, 4, 0xFFFFFFFF, 6, 7, 8, 9};
  items.zelko[0] = 0x81;
  items.zelko[1] = 0x7F;
  items.eval = 0xC5;
  for (int i = 0; i < 127; ++i)
    ASSERT_TRUE(items.AddMove({static_cast<uint8_t>(i), static_cast<uint8_t>(i)}));
  EXPECT_FALSE(items.AddMove({200, 1}));
  EXPECT_EQ(items.moves.size(), 127u);
  auto record = PackTreeRecord(key.data(), items);
  ASSERT_EQ(record.size(), key.size() + 255 + 33);
  EXPECT_EQ(record[key.size()], 255);
  EXPECT_EQ(std::vector<uint8_t>(record.end() - 33, record.end() - 30),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(std::vector<uint8_t>(record.end() - 3, record.end()),
            (std::vector<uint8_t>{0x81, 0x7F, 0xC5}));
  TreeRecordItems back;
  ASSERT_TRUE(UnpackTreeRecord(record.data(), record.size(), back));
  EXPECT_EQ(back.moves, items.moves);
  EXPECT_EQ(back.statistics, items.statistics);
  EXPECT_EQ(back.eval, 0xC5);
  EXPECT_FALSE(UnpackTreeRecord(record.data(), record.size() - 1, back));

  // A list filled past the limit by hand still packs no more than 127 entries.
  items.moves.push_back({1, 1});
  EXPECT_EQ(PackTreeRecord(key.data(), items)[key.size()], 255);
}

}  // namespace
}  // namespace zh
