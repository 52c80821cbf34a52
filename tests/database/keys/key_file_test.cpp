#include "database/keys/key_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "core/temp_dir.h"
#include "core/toolbox/big_endian.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

using test::FileBytes;
using test::WriteFileBytes;

class KeyFileTest : public ::testing::Test {
 protected:
  KeyFileTest() { services.settings.keyNodeCacheLimit = 1000; }
  std::string Base() const { return (dir / "games").string(); }
  std::filesystem::path KeyPath() const { return dir / "games.cko"; }

  test::TempDir dir;
  test::RecordingServices services;
};

std::vector<uint32_t> Items(KeyFile& key, uint32_t entry) {
  std::vector<uint32_t> items;
  EXPECT_EQ(key.ReadItems(entry, items), 0);
  return items;
}

TEST_F(KeyFileTest, NewFileHasHeaderAndEmptyRootList) {
  {
    KeyFile key(Base(), true, KeyFile::kNoCache, 4);
    ASSERT_EQ(key.Status(), 0);
    EXPECT_EQ(key.NodeCount(), 2u);
    EXPECT_EQ(key.GetGameBound(), 0u);
    EXPECT_EQ(key.GetHeaderValue(), 1u);
    KeyNode list;
    ASSERT_EQ(key.ReadNode(1, list, kKeyListNode), 0);
    EXPECT_EQ(list.Item(0), 0u);
    EXPECT_TRUE(Items(key, 0).empty());
  }
  EXPECT_EQ(FileBytes(KeyPath()).size(), 160u);
  KeyFile missing((dir / "other").string(), false, KeyFile::kNoCache, 4);
  EXPECT_EQ(missing.Status(), PagedFile::kMissing);
  // Extensions by kind, and the companion of a key.
  EXPECT_STREQ(KeyFileExtension(0x200000), "ckn");
  EXPECT_STREQ(KeyFileExtension(0x1000000), "ck3");
  EXPECT_STREQ(KeyFileExtension(4), "cko");
  EXPECT_EQ(CompanionExtension("ckn"), "cpn");
}

TEST_F(KeyFileTest, GamesInsertInOrderAndSubEntriesPrecedeThem) {
  KeyFile key(Base(), true, KeyFile::kWriteThrough, 4);
  uint32_t entry;
  ASSERT_EQ(key.AddEntry(0, "Sicilian", entry), 0);
  for (uint32_t g : {3u, 9u, 12u}) ASSERT_EQ(key.AddToKey(entry, g, 1), 0);
  ASSERT_EQ(key.AddToKey(entry, 7, 1), 0);
  EXPECT_EQ(Items(key, entry), (std::vector<uint32_t>{3, 7, 9, 12}));
  uint32_t sub;
  ASSERT_EQ(key.AddEntry(entry, "Najdorf", sub), 0);
  EXPECT_EQ(Items(key, entry), (std::vector<uint32_t>{sub | kSubEntryBit, 3, 7, 9, 12}));
  EXPECT_EQ(key.GetParentEntry(sub), static_cast<int32_t>(entry));
  EXPECT_EQ(key.GetHeaderValue(), 3u);  // entries with the root
  EXPECT_EQ(key.GetEntryTitle(sub), "Najdorf");
  // A value that is not a game or not a key entry is refused.
  EXPECT_NE(key.AddToKey(entry, 0x800000, 1), 0);
  EXPECT_NE(key.AddToKey(entry, 1, 0), 0);  // node 1 is a list node
}

TEST_F(KeyFileTest, TwentyFifthItemMovesIntoANewListNode) {
  KeyFile key(Base(), true, KeyFile::kNoCache, 4);
  for (uint32_t g = 2; g <= 48; g += 2) ASSERT_EQ(key.AddToKey(0, g, 1), 0);
  EXPECT_EQ(key.NodeCount(), 2u);
  ASSERT_EQ(key.AddToKey(0, 1, 1), 0);
  EXPECT_EQ(key.NodeCount(), 3u);
  KeyNode second;
  ASSERT_EQ(key.ReadNode(2, second, kKeyListNode), 0);
  EXPECT_EQ(second.Item(0), 48u);
  EXPECT_EQ(second.LinkB(), 1u);
}

// Random additions in every cache mode against a model, read back after reopening.
TEST_F(KeyFileTest, RandomAdditionsMatchAModel) {
  for (int mode : {KeyFile::kNoCache, KeyFile::kWriteThrough, KeyFile::kWriteBack}) {
    std::filesystem::remove(KeyPath());
    std::mt19937 rng(mode + 7);
    std::vector<std::vector<uint32_t>> subs(4), games(4);
    std::vector<uint32_t> entries{0};
    {
      KeyFile key(Base(), true, mode, 4);
      for (int i = 0; i < 3; ++i) {
        uint32_t e;
        ASSERT_EQ(key.AddEntry(0, "e" + std::to_string(i), e), 0);
        entries.push_back(e);
        subs[0].push_back(e | kSubEntryBit);
      }
      for (int i = 0; i < 600; ++i) {
        const int which = static_cast<int>(rng() % 4);
        if (rng() % 40 == 0 && which != 0) {
          uint32_t e;
          ASSERT_EQ(key.AddEntry(entries[which], "s", e), 0);
          subs[which].push_back(e | kSubEntryBit);
        } else {
          const uint32_t g = rng() % 5000 + 1;
          ASSERT_EQ(key.AddToKey(entries[which], g, 1), 0);
          games[which].insert(std::upper_bound(games[which].begin(), games[which].end(), g), g);
        }
      }
    }
    KeyFile key(Base(), false, mode, 4);
    ASSERT_EQ(key.Status(), 0);
    for (int w = 0; w < 4; ++w) {
      std::vector<uint32_t> expected = subs[w];
      expected.insert(expected.end(), games[w].begin(), games[w].end());
      EXPECT_EQ(Items(key, entries[w]), expected) << "mode " << mode << " entry " << w;
    }
  }
}

TEST_F(KeyFileTest, TruncateCutsGamesAndFreesTheNodesBehind) {
  KeyFile key(Base(), true, KeyFile::kWriteBack, 4);
  uint32_t a, b;
  ASSERT_EQ(key.AddEntry(0, "a", a), 0);
  ASSERT_EQ(key.AddEntry(a, "b", b), 0);
  for (uint32_t g = 1; g <= 60; ++g) ASSERT_EQ(key.AddToKey(a, g, 1), 0);  // 1 sub + 60 games
  for (uint32_t g = 10; g <= 30; ++g) ASSERT_EQ(key.AddToKey(b, g, 1), 0);
  const uint32_t nodes = key.NodeCount();

  // Nothing above the bound: no change.
  ASSERT_EQ(key.TruncateGames(a, 60, 0), 0);
  EXPECT_EQ(Items(key, a).size(), 61u);
  // A cut on slot 0 of the second list node: that node and the third go.
  ASSERT_EQ(key.TruncateGames(a, 23, 0), 0);
  EXPECT_EQ(Items(key, a).size(), 24u);
  EXPECT_EQ(Items(key, b).size(), 21u);  // not recursive
  // Freed nodes are reused before the file grows.
  uint32_t reused;
  ASSERT_EQ(key.AllocNode(reused), 0);
  EXPECT_LT(reused, nodes);
  ASSERT_EQ(key.FreeNode(reused), 0);

  // Recursive from the root: every entry loses its games above 15.
  ASSERT_EQ(key.TruncateGames(0, 15, KeyFile::kTruncateRecursive), 0);
  std::vector<uint32_t> expectedA{b | kSubEntryBit};
  for (uint32_t g = 1; g <= 15; ++g) expectedA.push_back(g);
  EXPECT_EQ(Items(key, a), expectedA);
  EXPECT_EQ(Items(key, b), (std::vector<uint32_t>{10, 11, 12, 13, 14, 15}));
  // Cutting everything leaves the sub-entries; later additions still work.
  ASSERT_EQ(key.TruncateGames(0, 0, KeyFile::kTruncateRecursive), 0);
  EXPECT_EQ(Items(key, a), (std::vector<uint32_t>{b | kSubEntryBit}));
  EXPECT_TRUE(Items(key, b).empty());
  ASSERT_EQ(key.AddToKey(b, 5, 1), 0);
  EXPECT_EQ(Items(key, b), (std::vector<uint32_t>{5}));
  EXPECT_TRUE(services.CallsStartingWith("ErrorBox").empty());
}

TEST_F(KeyFileTest, CountAndCollectFollowDepthAndSkip) {
  KeyFile key(Base(), true, KeyFile::kWriteThrough, 4);
  uint32_t a, b;
  ASSERT_EQ(key.AddEntry(0, "a", a), 0);
  ASSERT_EQ(key.AddEntry(a, "b", b), 0);
  for (uint32_t g : {4u, 8u}) ASSERT_EQ(key.AddToKey(a, g, 1), 0);
  for (uint32_t g : {1u, 2u, 3u}) ASSERT_EQ(key.AddToKey(b, g, 1), 0);
  int32_t count;
  const struct {
    uint32_t entry;
    int depth;
    int32_t expected;
  } counts[] = {{a, 0, 2}, {a, 1, 5}, {0, 1, 2}, {0, 5, 5}, {a, -1, 0}};
  for (const auto& c : counts) {
    ASSERT_EQ(key.CountGames(c.entry, count, c.depth), 0);
    EXPECT_EQ(count, c.expected) << c.entry << " " << c.depth;
  }
  int32_t list[8];
  int skip = 0, n = 0;
  ASSERT_EQ(key.CollectGames(a, list, 8, 1, skip, n, 3), 0);
  EXPECT_EQ(std::vector<int32_t>(list, list + n),
            (std::vector<int32_t>{static_cast<int32_t>(b | kSubEntryBit), 1, 2, 3, 4, 8}));
  // Paging: skip the first two games, take two.
  skip = 2;
  ASSERT_EQ(key.CollectGames(a, list, 2, 1, skip, n, 1), 0);
  EXPECT_EQ(std::vector<int32_t>(list, list + n), (std::vector<int32_t>{3, 4}));
  // Sub-entries only: the walk stops at the first game.
  skip = 0;
  ASSERT_EQ(key.CollectGames(0, list, 8, 5, skip, n, 2), 0);
  EXPECT_EQ(n, 2);
}

TEST_F(KeyFileTest, RenumberingDropsDeletedGamesAndKeepsOrder) {
  {
    KeyFile key(Base(), true, KeyFile::kWriteBack, 4);
    uint32_t a, b;
    ASSERT_EQ(key.AddEntry(0, "a", a), 0);
    ASSERT_EQ(key.AddEntry(a, "b", b), 0);
    for (uint32_t g = 1; g <= 30; ++g) ASSERT_EQ(key.AddToKey(g % 2 ? a : b, g, 1), 0);
    ASSERT_EQ(key.SetGameBound(31), 0);
    // Reverse the order of games 1..30 and delete every third one.
    std::vector<int32_t> map(31, -1);
    int32_t next = 1;
    for (int g = 30; g >= 1; --g) map[g] = g % 3 == 0 ? -1 : next++;
    ASSERT_EQ(key.RenumberGames(map), 0);
    EXPECT_EQ(key.GetGameBound(), 21u);
    for (uint32_t e : {a, b}) {
      std::vector<uint32_t> expected;
      for (int g = 1; g <= 30; ++g)
        if ((g % 2 ? a : b) == e && map[g] != -1) expected.push_back(map[g]);
      std::sort(expected.begin(), expected.end());
      if (e == a) expected.insert(expected.begin(), b | kSubEntryBit);
      EXPECT_EQ(Items(key, e), expected);
      // A -1 never reaches the file as an item (it would read as a sub-entry).
      for (uint32_t item : Items(key, e)) EXPECT_NE(item, 0xFFFFFFu);
    }
    // Renumbered lists take further games in order.
    ASSERT_EQ(key.AddToKey(b, 2, 1), 0);
    std::vector<uint32_t> items = Items(key, b);
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
  }
}

TEST_F(KeyFileTest, EntryTitlesFollowTheirTextForm) {
  KeyFile key(Base(), true, KeyFile::kNoCache, 4);
  uint32_t e;
  ASSERT_EQ(key.AddEntry(0, "Réti", e), 0);
  EXPECT_EQ(key.GetEntryTitle(e), "Réti");
  KeyNode node;
  ASSERT_EQ(key.ReadNode(e, node, kKeyEntryNode), 0);
  node.bytes[1] = 0;  // stored in the DOS code page: 0x82 is e acute there
  node.bytes[kKeyTitleOffset + 1] = 0x82;
  ASSERT_EQ(key.WriteNode(e, node), 0);
  EXPECT_EQ(key.GetEntryTitle(e), "Réti");
  EXPECT_EQ(key.GetEntryTitle(1), "");  // a list node
  EXPECT_EQ(key.GetEntryTitle(99), "");
}

// Damaged files: every operation that meets the damage fails, and the file stays as
// it was.
class DamagedKeyTest : public KeyFileTest {
 protected:
  // Root -> entry 2 -> games 5, 6 in list node 3; entry 4 under the root with list 5.
  Bytes Healthy() {
    {
      KeyFile key(Base(), true, KeyFile::kNoCache, 4);
      uint32_t a, b;
      EXPECT_EQ(key.AddEntry(0, "a", a), 0);
      for (uint32_t g : {5u, 6u}) EXPECT_EQ(key.AddToKey(a, g, 1), 0);
      EXPECT_EQ(key.AddEntry(0, "b", b), 0);
      EXPECT_EQ(key.AddToKey(b, 9, 1), 0);
      EXPECT_EQ(key.SetGameBound(10), 0);
    }
    return FileBytes(KeyPath());
  }
  static void Put(Bytes& bytes, uint32_t node, int offset, uint32_t value) {
    PutBigEndian(bytes.data() + node * kKeyNodeSize + offset, 3, value);
  }
  // Runs an operation on the damaged bytes; it must fail and leave them.
  template <class Op>
  void ExpectFailsUnchanged(const Bytes& damaged, Op op) {
    WriteFileBytes(KeyPath(), damaged);
    {
      KeyFile key(Base(), false, KeyFile::kWriteBack, 4);
      ASSERT_EQ(key.Status(), 0);
      EXPECT_NE(op(key), 0);
    }
    EXPECT_EQ(FileBytes(KeyPath()), damaged);
  }
};

TEST_F(DamagedKeyTest, CyclicListsFailWithoutChange) {
  Bytes healthy = Healthy();
  ASSERT_EQ(healthy[3 * kKeyNodeSize], kKeyListNode);
  Bytes cyclic = healthy;
  Put(cyclic, 3, 2, 3);  // list node 3 names itself as next
  ExpectFailsUnchanged(cyclic, [](KeyFile& k) {
    std::vector<uint32_t> items;
    return k.ReadItems(2, items);
  });
  ExpectFailsUnchanged(cyclic, [](KeyFile& k) {
    int32_t n;
    return k.CountGames(0, n, 3);
  });
  ExpectFailsUnchanged(cyclic, [](KeyFile& k) { return k.TruncateGames(0, 5, 8); });
  ExpectFailsUnchanged(cyclic, [](KeyFile& k) { return k.RenumberGames({-1, 1, 2, 3, 4, 5, 6, 7, 8, 9}); });
  // A full node in a cycle: the shift of an addition would run around it.
  Bytes full = healthy;
  for (int i = 0; i < kKeyItemsPerNode; ++i) Put(full, 3, 8 + 3 * i, 5 + i);
  Put(full, 3, 2, 3);
  ExpectFailsUnchanged(full, [](KeyFile& k) { return k.AddToKey(2, 1, 1); });
  // The truncation's error box: code, source name, line.
  const std::string box = services.CallsStartingWith("ErrorBox").at(0);
  EXPECT_TRUE(box.starts_with("ErrorBox: -")) << box;
  EXPECT_TRUE(box.ends_with("\nFiles\\File_cko\n1014")) << box;

  // An entry that lists its own ancestor.
  Bytes loop = healthy;
  Put(loop, 3, 8 + 3 * 2, 2 | kSubEntryBit);
  ExpectFailsUnchanged(loop, [](KeyFile& k) {
    int32_t n;
    return k.CountGames(0, n, 10);
  });
  ExpectFailsUnchanged(loop, [](KeyFile& k) { return k.TruncateGames(0, 0, 8); });
}

TEST_F(DamagedKeyTest, FreeHeadOnALiveNodeIsNotHandedOut) {
  Bytes damaged = Healthy();
  Put(damaged, 0, 5, 2);  // the free chain's head names key entry 2
  ExpectFailsUnchanged(damaged, [](KeyFile& k) {
    uint32_t n;
    return k.AllocNode(n);
  });
  ExpectFailsUnchanged(damaged, [](KeyFile& k) {
    uint32_t e;
    return k.AddEntry(0, "c", e);
  });
}

TEST_F(DamagedKeyTest, GameNumbersBeyondTheMapFailWithoutChange) {
  const Bytes healthy = Healthy();
  // Games 5, 6 and 9 are filed; a map for games 0..8 does not cover 9.
  ExpectFailsUnchanged(healthy, [](KeyFile& k) {
    return k.RenumberGames({-1, 1, 2, 3, 4, -1, 5, 6, 7});
  });
  // A new number that does not fit the item field.
  std::vector<int32_t> map(10, -1);
  map[9] = 0x800000;
  ExpectFailsUnchanged(healthy, [&](KeyFile& k) { return k.RenumberGames(map); });
}

TEST_F(DamagedKeyTest, DamagedHeadersAndLinksAreErrors) {
  Bytes healthy = Healthy();
  const struct {
    uint32_t node;
    int offset;
    uint32_t value;
  } headers[] = {{0, 11, 99}, {0, 11, 1}};  // node counts beyond the file, below 2
  for (const auto& h : headers) {
    Bytes damaged = healthy;
    Put(damaged, h.node, h.offset, h.value);
    WriteFileBytes(KeyPath(), damaged);
    KeyFile key(Base(), false, KeyFile::kNoCache, 4);
    EXPECT_EQ(key.Status(), KeyFile::kUnreadable);
  }
  Bytes wrongType = healthy;
  wrongType[3 * kKeyNodeSize] = 7;
  ExpectFailsUnchanged(wrongType, [](KeyFile& k) { return k.AddToKey(2, 1, 1); });
  Bytes outside = healthy;
  Put(outside, 2, 2, 500);  // first list node beyond the node count
  ExpectFailsUnchanged(outside, [](KeyFile& k) { return k.AddToKey(2, 1, 1); });
}

}  // namespace
}  // namespace zh
