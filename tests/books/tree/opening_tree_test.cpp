// The opening tree over real positions: counts against independently kept tallies,
// successor lookups against single lookups, failures that must change nothing, marks,
// masking, deletion and copies.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "books/tree/opening_tree.h"
#include "books/tree/tree_key_hash.h"
#include "core/rules/movelist.h"
#include "database/game/game_header.h"
#include "books/tree/tree_test_util.h"

namespace zh {
namespace {

using test::ScratchFolder;

struct Tally {
  uint32_t games = 0, whiteWins = 0, blackWins = 0, draws = 0;
};

// Positions of seeded random games, each with the game's result.
struct Corpus {
  std::vector<Position> positions;
  std::vector<int> results;
};

Corpus RandomGames(int games, int plies, uint32_t seed) {
  std::mt19937 random(seed);
  Corpus c;
  for (int g = 0; g < games; ++g) {
    Position p;
    const int result = static_cast<int>(random() % 3);
    for (int ply = 0; ply < plies; ++ply) {
      c.positions.push_back(p);
      c.results.push_back(result);
      MoveList list;
      if (list.GenerateLegal(p) == 0) break;
      const MoveCode m = list.At(static_cast<int>(random() % list.Count()));
      p.MakeMoveSquares(m.from, m.to, m.promotion);
    }
  }
  return c;
}

GameHeader HeaderWithResult(int result) {
  GameHeader h;
  h.record.type = kGameRecord;
  h.record.resultByte = static_cast<uint8_t>(result);
  return h;
}

std::string KeyOf(const Position& p, int& steps) {
  uint8_t key[64];
  EXPECT_EQ(TreeKeyOfPosition(p, key, steps), 0);
  return std::string(key, key + PositionKeyLength(key));
}

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OpeningTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    corpus_ = RandomGames(150, 40, 7);
    OpeningTree tree(folder_.Base());
    ASSERT_EQ(tree.Status(), 0);
    for (size_t i = 0; i < corpus_.positions.size(); ++i) {
      const GameHeader h = HeaderWithResult(corpus_.results[i]);
      ASSERT_EQ(tree.AddPosition(corpus_.positions[i], &h), 0);
      // Tallies in the normal form: "white" is the side to move there.
      int steps = 0;
      Tally& t = tallies_[KeyOf(corpus_.positions[i], steps)];
      const bool swap = steps & kColoursMirrored;
      ++t.games;
      if (corpus_.results[i] == 1) ++t.draws;
      if (corpus_.results[i] == 2) ++(swap ? t.blackWins : t.whiteWins);
      if (corpus_.results[i] == 0) ++(swap ? t.whiteWins : t.blackWins);
    }
    EXPECT_EQ(tree.Files().Pages().PositionCount(), tallies_.size());
  }

  ScratchFolder folder_;
  Corpus corpus_;
  std::map<std::string, Tally> tallies_;
};

TEST_F(OpeningTreeTest, FindPositionGivesTalliesInTheAskedColours) {
  OpeningTree tree(folder_.Base());
  ASSERT_EQ(tree.Status(), 0);
  EXPECT_GT(tree.Files().Pages().PageCount(), 2u);  // pages were split
  for (const Position& p : corpus_.positions) {
    int steps = 0;
    const Tally& t = tallies_[KeyOf(p, steps)];
    StatisticItem s;
    ASSERT_TRUE(tree.FindPosition(p, &s));
    const bool swap = steps & kColoursMirrored;
    EXPECT_EQ(s.games, t.games);
    EXPECT_EQ(s.whiteWins, swap ? t.blackWins : t.whiteWins);
    EXPECT_EQ(s.blackWins, swap ? t.whiteWins : t.blackWins);
    EXPECT_EQ(s.draws, t.draws);
  }
  Position absent;
  absent.MakeMoveSquares(1, 3, 0);  // a1 knight moves are not in the corpus: b2-b4 from start
  StatisticItem none;
  int absentSteps = 0;
  if (tallies_.count(KeyOf(absent, absentSteps)) == 0) {
    EXPECT_FALSE(tree.FindPosition(absent, &none));
  }
}

TEST_F(OpeningTreeTest, FindChildrenMatchesSingleLookups) {
  OpeningTree tree(folder_.Base());
  int compared = 0;
  for (size_t i = 0; i < corpus_.positions.size() && compared < 200; i += 7, ++compared) {
    const Position& p = corpus_.positions[i];
    MoveList list;
    const int n = list.GenerateLegal(p);
    std::vector<MoveCode> moves(list.begin(), list.end());
    std::map<std::pair<int, int>, StatisticItem> single;
    for (const MoveCode& m : moves) {
      Position next = p;
      next.MakeMoveSquares(m.from, m.to, m.promotion);
      StatisticItem s;
      if (tree.FindPosition(next, &s)) single[{m.from, m.to * 8 + m.promotion}] = s;
    }
    // The outputs alias the input.
    std::vector<MoveCode> codes = moves;
    std::vector<StatisticItem> stats(static_cast<size_t>(n));
    std::vector<TreeMoveList> lists(static_cast<size_t>(n));
    const int found = tree.FindChildren(p, codes.data(), n, codes.data(), stats.data(), nullptr,
                                        nullptr, lists.data(), n);
    ASSERT_EQ(static_cast<size_t>(found), single.size());
    for (int k = 0; k < found; ++k) {
      const auto it = single.find({codes[k].from, codes[k].to * 8 + codes[k].promotion});
      ASSERT_NE(it, single.end());
      EXPECT_EQ(it->second, stats[static_cast<size_t>(k)]);
    }
  }
}

TEST_F(OpeningTreeTest, FindChildrenLooksAtTheFirst256Moves) {
  OpeningTree tree(folder_.Base());
  const Position start;
  MoveList list;
  const int n = list.GenerateLegal(start);
  // 300 moves: the 20 legal moves of the start, padded with moves found nowhere, then
  // the legal moves again from slot 256 on.
  std::vector<MoveCode> moves(300, MoveCode(0, 1, 0, 0));
  for (int i = 0; i < n; ++i) moves[static_cast<size_t>(256 + i)] = list.At(i);
  EXPECT_EQ(tree.FindChildren(start, moves.data(), 300, nullptr, nullptr, nullptr, nullptr,
                              nullptr, 300),
            0);
  for (int i = 0; i < n; ++i) moves[static_cast<size_t>(i)] = list.At(i);
  const int first = tree.FindChildren(start, moves.data(), 300, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, 300);
  EXPECT_GT(first, 0);
  EXPECT_EQ(tree.FindChildren(start, moves.data(), 300, nullptr, nullptr, nullptr, nullptr,
                              nullptr, 1),
            1);
}

TEST_F(OpeningTreeTest, MarksFollowRecordsAndMaskClearsLearnedValues) {
  std::filesystem::path leftover = folder_.File("ct0");
  {
    OpeningTree tree(folder_.Base());
    ASSERT_EQ(tree.CreateMarkFile(), 0);
    for (size_t i = 0; i < corpus_.positions.size(); i += 2)
      ASSERT_EQ(tree.Mark(corpus_.positions[i]), 0);
    // Keep the file as if the program had stopped.
    std::filesystem::copy_file(tree.MarkPath(), folder_.Path() / "kept.ct0");
  }
  std::filesystem::copy_file(folder_.Path() / "kept.ct0", leftover);
  OpeningTree tree(folder_.Base());
  ASSERT_EQ(tree.CreateMarkFile(), 0);
  EXPECT_EQ(tree.MarkPath(), leftover.string());
  for (const Position& p : corpus_.positions) EXPECT_FALSE(tree.IsMarked(p));
  std::map<std::string, bool> marked;
  for (size_t i = 0; i < corpus_.positions.size(); i += 3) {
    ASSERT_EQ(tree.Mark(corpus_.positions[i]), 0);
    int s;
    marked[KeyOf(corpus_.positions[i], s)] = true;
  }
  for (const Position& p : corpus_.positions) {
    int s;
    EXPECT_EQ(tree.IsMarked(p), marked.count(KeyOf(p, s)) == 1);
  }
  tree.DeleteMarkFile();
  EXPECT_FALSE(std::filesystem::exists(leftover));

  const uint8_t learned[2] = {0xC3, 77};
  for (const Position& p : corpus_.positions) ASSERT_EQ(tree.SetZelko(p, learned), 0);
  tree.treeFlags = 0x04;
  ASSERT_EQ(tree.MaskZelkoFlags(192), 0);
  uint8_t z[2];
  ASSERT_TRUE(tree.FindPosition(corpus_.positions[5], nullptr, z));
  EXPECT_EQ(z[0], 0xC4);
  EXPECT_EQ(z[1], 0);
  ASSERT_EQ(tree.MaskZelkoFlags(0), 0);
  for (const Position& p : corpus_.positions) {
    ASSERT_TRUE(tree.FindPosition(p, nullptr, z));
    EXPECT_EQ(z[0], 0x04);
    EXPECT_EQ(z[1], 0);
  }
}

TEST_F(OpeningTreeTest, DeleteLowersTheCountAndCopiesOpen) {
  OpeningTree tree(folder_.Base());
  const uint32_t before = tree.Files().Pages().PositionCount();
  const Position& p = corpus_.positions[3];
  ASSERT_EQ(tree.DeletePosition(p), 0);
  EXPECT_FALSE(tree.FindPosition(p));
  EXPECT_EQ(tree.DeletePosition(p), OpeningTree::kNotStored);
  EXPECT_EQ(tree.Files().Pages().PositionCount(), before - 1);

  const std::string copy = (folder_.Path() / "copy").string();
  ASSERT_EQ(tree.CopyTo(copy), 0);
  for (const char* e : {"ctg", "ctb", "cto"})
    EXPECT_EQ(Bytes(folder_.File(e)), Bytes(folder_.Path() / (std::string("copy.") + e))) << e;
  OpeningTree copied(copy);
  ASSERT_EQ(copied.Status(), 0);
  EXPECT_TRUE(copied.FindPosition(corpus_.positions[4]));

  // A folder where a target file should go: nothing of the copy is left.
  const std::filesystem::path blocked = folder_.Path() / "blocked.cto";
  std::filesystem::create_directory(blocked);
  std::ofstream(blocked / "inside") << "x";
  EXPECT_NE(tree.CopyTo((folder_.Path() / "blocked").string()), 0);
  EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "blocked.ctg"));
}

TEST_F(OpeningTreeTest, UnreadableIndexEntryIsAWriteErrorAndChangesNothing) {
  OpeningTree tree(folder_.Base());
  ASSERT_EQ(tree.Flush(), 0);
  // The index loses its entries while the tree is open.
  ASSERT_EQ(truncate(folder_.File("cto").c_str(), 16), 0);
  const std::string ctg = Bytes(folder_.File("ctg"));
  const std::string ctb = Bytes(folder_.File("ctb"));
  Position p;
  p.MakeMoveSquares(12, 14, 0);
  p.MakeMoveSquares(52, 50, 0);
  p.MakeMoveSquares(6, 21, 0);
  EXPECT_EQ(tree.AddPosition(p, nullptr), OpeningTree::kWriteFailed);
  EXPECT_EQ(Bytes(folder_.File("ctg")), ctg);
  EXPECT_EQ(Bytes(folder_.File("ctb")), ctb);
  EXPECT_EQ(Bytes(folder_.File("cto")).size(), 16u);
}

TEST_F(OpeningTreeTest, ReadOnlyTreeRefusesEveryWrite) {
  using std::filesystem::perms;
  for (const char* e : {"ctg", "ctb", "cto"})
    std::filesystem::permissions(folder_.File(e), perms::owner_read | perms::group_read);
  const std::string ctg = Bytes(folder_.File("ctg"));
  {
    OpeningTree tree(folder_.Base());
    ASSERT_EQ(tree.Status(), 0);
    EXPECT_EQ(tree.GetAccess(), 1);
    const Position& p = corpus_.positions[9];
    ASSERT_TRUE(tree.FindPosition(p));
    const uint8_t z[2] = {1, 2};
    const StatisticItem s;
    const TreeMoveList list;
    const int refused = PagedFile::kWriteError;
    EXPECT_EQ(tree.AddPosition(p, nullptr), refused);
    EXPECT_EQ(tree.UpdatePosition(p, s, z, 3), refused);
    EXPECT_EQ(tree.SetZelko(p, z), refused);
    EXPECT_EQ(tree.SetEval(p, 3), refused);
    EXPECT_EQ(tree.MergeMoves(p, list), refused);
    EXPECT_EQ(tree.DeletePosition(p), refused);
    EXPECT_EQ(tree.MaskZelkoFlags(0), refused);
    // Marks of a read-only tree go to the temporary folder.
    ASSERT_EQ(tree.CreateMarkFile(), 0);
    EXPECT_NE(std::filesystem::path(tree.MarkPath()).parent_path(), folder_.Path());
    ASSERT_EQ(tree.Mark(p), 0);
    EXPECT_TRUE(tree.IsMarked(p));
  }
  EXPECT_EQ(Bytes(folder_.File("ctg")), ctg);
}

TEST(OpeningTreeWrites, StatisticsSaturateAndMovesMerge) {
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  ASSERT_EQ(tree.Status(), 0);
  Position p;
  p.MakeMoveSquares(12, 14, 0);  // 1. e4: Black to move, stored colour-mirrored
  for (int i = 0; i < 17; ++i) {
    PositionItem& work = tree.WorkItem();
    work = PositionItem(p);
    const int steps = work.position.Normalize();
    work.statistics.games = work.statistics.whiteWins = 1'000'000;
    work.statistics.whiteRated = 1'000'000;
    work.statistics.whiteRatingSum = 2'000'000'000u;
    work.statistics.SwapColours(steps);
    ASSERT_EQ(tree.WritePosition(), 0);
  }
  StatisticItem s;
  ASSERT_TRUE(tree.FindPosition(p, &s));
  EXPECT_EQ(s.games, 0xFFFFFFu);
  EXPECT_EQ(s.whiteWins, 0xFFFFFFu);
  EXPECT_EQ(s.blackWins, 0u);
  EXPECT_EQ(s.AverageWhiteRating(), 2000u);
  EXPECT_EQ(tree.Files().Pages().PositionCount(), 1u);

  // Moves of Black from the mirrored record come back as Black's moves.
  MoveList legal;
  legal.GenerateLegal(p);
  TreeMoveList list;
  for (int i = 0; i < 5; ++i) {
    const MoveCode c = legal.At(i);
    GameMove m = GameMove::FromSquares(c.from, c.to);
    m.Complete(p);
    list.Add(m, static_cast<uint8_t>(i), 0);
  }
  ASSERT_EQ(tree.MergeMoves(p, list), 0);
  ASSERT_EQ(tree.MergeMoves(p, list), 0);
  TreeMoveList back;
  ASSERT_TRUE(tree.FindPosition(p, nullptr, nullptr, nullptr, &back));
  ASSERT_EQ(back.count, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(back.Contains(list.moves[i]));
    EXPECT_EQ(back.moves[i].piece & kBlackBit, kBlackBit);
  }

  EXPECT_EQ(tree.SetEval(p, 14), 0);
  uint8_t eval = 0;
  ASSERT_TRUE(tree.FindPosition(p, nullptr, nullptr, &eval));
  EXPECT_EQ(eval, 14);
  Position absent;
  EXPECT_EQ(tree.SetEval(absent, 14), OpeningTree::kNotStored);
  const uint8_t z[2] = {1, 2};
  EXPECT_EQ(tree.UpdatePosition(absent, s, z, 0), OpeningTree::kNotStored);
}

}  // namespace
}  // namespace zh
