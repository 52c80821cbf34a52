#include "database/keys/position_tree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "core/temp_dir.h"
#include "core/toolbox/big_endian.h"
#include "core/rules/fen.h"
#include "database/keys/key_file.h"
#include "database/game_test_util.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

Board BoardOf(std::string_view fen) {
  StartRecord record;
  ParseFen(record, fen);
  return record.start.position.board;
}

class PositionTreeTest : public ::testing::Test {
 protected:
  PositionTreeTest() { services.settings.keyNodeCacheLimit = 100; }
  std::string Base() const { return (dir / "games").string(); }

  test::TempDir dir;
  test::RecordingServices services;
};

TEST_F(PositionTreeTest, NewTreeSendsEverySearchRightOfTheRoot) {
  PositionTree tree(Base(), true, 0, 4);
  ASSERT_EQ(tree.Status(), 0);
  EXPECT_EQ(tree.GetFormat(), kTreeFormat);
  EXPECT_EQ(tree.GetIndexDepth(), 0);
  uint32_t node;
  int comparison;
  ASSERT_EQ(tree.FindPosition(Board(true), node, comparison), 0);
  EXPECT_EQ(node, 1u);
  EXPECT_GT(comparison, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "games.cpo"));
  EXPECT_STREQ(PositionTreeExtension(256), "cpb");
  EXPECT_STREQ(PositionTreeExtension(4096), "cod");
}

// Positions along random games are filed and found again after reopening, in each
// cache mode; the index depth survives in the header.
TEST_F(PositionTreeTest, FiledPositionsAreFoundAfterReopening) {
  const char* fens[] = {
      "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
      "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2",
      "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1",
      "rnbqkb1r/pppppppp/5n2/8/3P4/8/PPP1PPPP/RNBQKBNR w KQkq - 1 2",
      "8/8/8/4k3/8/8/8/4K3 w - - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
  };
  for (int mode : {0, 1, 2}) {
    std::filesystem::remove(dir / "games.cpo");
    {
      PositionTree tree(Base(), true, mode, 4);
      for (int i = 0; i < 6; ++i) {
        uint32_t node;
        ASSERT_EQ(tree.AddPosition(BoardOf(fens[i]), 100 + i, node), 0);
      }
      ASSERT_EQ(tree.SetIndexDepth(12), 0);
    }
    PositionTree tree(Base(), false, mode, 4);
    ASSERT_EQ(tree.Status(), 0);
    EXPECT_EQ(tree.NodeCount(), 8u);
    EXPECT_EQ(tree.GetIndexDepth(), 12);
    for (int i = 0; i < 6; ++i) {
      uint32_t node;
      int comparison;
      ASSERT_EQ(tree.FindPosition(BoardOf(fens[i]), node, comparison), 0);
      EXPECT_EQ(comparison, 0);
      EXPECT_EQ(tree.GetKeyEntry(node), 100 + i);
    }
    uint32_t node;
    int comparison;
    ASSERT_EQ(tree.FindPosition(BoardOf("8/8/8/3k4/8/8/8/4K3 w - - 0 1"), node, comparison), 0);
    EXPECT_NE(comparison, 0);
  }
}

TEST_F(PositionTreeTest, CyclicAndDamagedTreesFail) {
  {
    PositionTree tree(Base(), true, 0, 4);
    uint32_t node;
    ASSERT_EQ(tree.AddPosition(Board(true), 7, node), 0);
  }
  const auto path = dir / "games.cpo";
  auto read = [&] { return test::FileBytes(path); };
  auto write = [&](const Bytes& b) { test::WriteFileBytes(path, b); };
  const Bytes healthy = read();
  ASSERT_EQ(healthy.size(), 3u * kTreeFileNodeSize);

  // Node 2 links back to the root on both sides.
  Bytes cyclic = healthy;
  PutBigEndian(cyclic.data() + 2 * kTreeFileNodeSize + 1, 3, 1);
  PutBigEndian(cyclic.data() + 2 * kTreeFileNodeSize + 4, 3, 1);
  write(cyclic);
  {
    PositionTree tree(Base(), false, 0, 4);
    uint32_t node;
    int comparison;
    Board board = BoardOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w - - 0 1");
    EXPECT_NE(tree.FindPosition(board, node, comparison), 0);
    EXPECT_NE(tree.AddPosition(board, 1, node), 0);
  }
  EXPECT_EQ(read(), cyclic);

  // A link beyond the node count, a node of another type, a count beyond the file.
  Bytes outside = healthy;
  PutBigEndian(outside.data() + 2 * kTreeFileNodeSize + 1, 3, 40);
  PutBigEndian(outside.data() + 2 * kTreeFileNodeSize + 4, 3, 40);
  Bytes typed = healthy;
  typed[2 * kTreeFileNodeSize] = 3;
  for (const Bytes& damaged : {outside, typed}) {
    write(damaged);
    PositionTree tree(Base(), false, 0, 4);
    uint32_t node;
    int comparison;
    EXPECT_NE(tree.FindPosition(BoardOf("8/8/8/8/8/8/8/K6k w - - 0 1"), node, comparison), 0);
  }
  Bytes counted = healthy;
  PutBigEndian(counted.data() + 7, 3, 4);
  write(counted);
  PositionTree tree(Base(), false, 0, 4);
  EXPECT_EQ(tree.Status(), PositionTree::kUnreadable);
}

// Games are filed under the entry of the deepest position of their line that the
// tree holds, looking no further than one ply past the index depth.
TEST_F(PositionTreeTest, GamesAreFiledUnderTheDeepestKnownPosition) {
  KeyFile key(Base(), true, 1, 4);
  PositionTree tree(Base(), true, 1, 4);
  const struct {
    const char* title;
    const char* moves;
  } lines[] = {{"C20", "e2e4 e7e5"}, {"C60", "e2e4 e7e5 g1f3 b8c6 f1b5"}, {"B20", "e2e4 c7c5"}};
  std::vector<uint32_t> entries;
  for (const auto& line : lines) {
    uint32_t entry, node;
    ASSERT_EQ(key.AddEntry(0, line.title, entry), 0);
    TQGame game;
    GameCursor cursor(&game);
    test::Enter(cursor, line.moves);
    ASSERT_EQ(tree.AddPosition(cursor.GetPosition().board, static_cast<int32_t>(entry), node), 0);
    entries.push_back(entry);
  }
  auto find = [&](const char* moves) {
    TQGame game;
    GameCursor cursor(&game);
    test::Enter(cursor, moves);
    return FindKeyEntry(tree, cursor);
  };
  const char* spanish = "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4";
  EXPECT_EQ(find(spanish), static_cast<int>(entries[1]));
  EXPECT_EQ(find("e2e4 e7e5 g1f3"), static_cast<int>(entries[0]));
  EXPECT_EQ(find("e2e4 c7c5 g1f3 d7d6"), static_cast<int>(entries[2]));
  EXPECT_EQ(find("d2d4"), kNoKeyEntry);
  ASSERT_EQ(tree.SetIndexDepth(4), 0);  // plies up to 5: the Spanish is still seen
  EXPECT_EQ(find(spanish), static_cast<int>(entries[1]));
  ASSERT_EQ(tree.SetIndexDepth(3), 0);
  EXPECT_EQ(find(spanish), static_cast<int>(entries[0]));

  TQGame game;
  GameCursor cursor(&game);
  test::Enter(cursor, spanish);
  EXPECT_EQ(ClassifyGame(key, tree, cursor, cursor.LineEnd(), 7), 0);
  EXPECT_EQ(ClassifyGame(key, tree, cursor, 3, 9), 0);
  std::vector<uint32_t> items;
  ASSERT_EQ(key.ReadItems(entries[1], items), 0);
  EXPECT_EQ(items, std::vector<uint32_t>{7});
  ASSERT_EQ(key.ReadItems(entries[0], items), 0);
  EXPECT_EQ(items, std::vector<uint32_t>{9});
  TQGame other;
  GameCursor otherCursor(&other);
  test::Enter(otherCursor, "d2d4 d7d5");
  EXPECT_EQ(ClassifyGame(key, tree, otherCursor, 2, 10), 1);
}

}  // namespace
}  // namespace zh
