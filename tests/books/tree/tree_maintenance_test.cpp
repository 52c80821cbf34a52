#include "books/tree/tree_maintenance.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "books/tree/opening_tree.h"
#include "books/tree/tree_test_util.h"
#include "core/rules/movelist.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::ScratchFolder;

int Sq(const char* name) { return MakeSquare(name[0] - 'a', name[1] - '1'); }

GameMove MoveOf(const Position& p, const char* from, const char* to) {
  GameMove m = GameMove::FromSquares(Sq(from), Sq(to));
  m.Complete(p);
  return m;
}

// Adds a line of moves ("e2e4 e7e5 ...") with `games` games on every position and
// each move into its position's list; the position reached.
Position AddLine(OpeningTree& tree, const std::string& line, int games = 1) {
  Position p;
  size_t at = 0;
  for (;;) {
    for (int g = 0; g < games; ++g) EXPECT_EQ(tree.AddPosition(p, nullptr), 0);
    while (at < line.size() && line[at] == ' ') ++at;
    if (at + 4 > line.size()) return p;
    const std::string from = line.substr(at, 2), to = line.substr(at + 2, 2);
    at += 4;
    const GameMove m = MoveOf(p, from.c_str(), to.c_str());
    TreeMoveList list;
    list.Add(m, 0, 0);
    EXPECT_EQ(tree.MergeMoves(p, list), 0);
    p.DoGameMove(m);
  }
}

Position After(const std::string& line) {
  Position p;
  for (size_t at = 0; at + 4 <= line.size(); at += 5) {
    const std::string from = line.substr(at, 2), to = line.substr(at + 2, 2);
    p.DoGameMove(MoveOf(p, from.c_str(), to.c_str()));
  }
  return p;
}

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int ListCount(OpeningTree& tree, const Position& p) {
  TreeMoveList list;
  return tree.FindPosition(p, nullptr, nullptr, nullptr, &list) ? list.count : -1;
}

TEST(OpeningTreeMoves, RemoveAndSetValueEditTheWholeStoredList) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  // A position with more than 40 legal moves, stored with 40 of them.
  const Position p =
      test::ParseFenForTest("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  MoveList legal;
  legal.GenerateLegal(p);
  ASSERT_GE(legal.Count(), 40);
  ASSERT_EQ(tree.AddPosition(p, nullptr), 0);
  std::vector<GameMove> moves;
  for (int i = 0; i < 40; ++i) {
    GameMove m = GameMove::FromSquares(legal.At(i).from, legal.At(i).to);
    m.Complete(p);
    moves.push_back(m);
    TreeMoveList one;
    one.Add(m, 3, 1);
    ASSERT_EQ(tree.MergeMoves(p, one), 0);
  }
  // The 35th move goes; the 39 others stay, also those past the 32 a list reads.
  ASSERT_EQ(tree.RemoveMoves(p, &moves[34], 1), 0);
  ASSERT_EQ(tree.SetMoveValue(p, moves[0], 0), 0);
  EXPECT_EQ(tree.RemoveMoves(p, &moves[34], 1), 0);  // already gone: nothing to do
  ASSERT_EQ(tree.RemoveMoves(p, moves.data(), 8), 0);
  TreeMoveList back;
  ASSERT_TRUE(tree.FindPosition(p, nullptr, nullptr, nullptr, &back));
  ASSERT_EQ(back.count, 31);  // 40 - 1 - 8 stored
  for (int i = 8; i < 40; ++i) EXPECT_EQ(back.Contains(moves[i]), i != 34) << i;
  for (int i = 0; i < back.count; ++i) {
    EXPECT_EQ(back.values[i], 3);
    EXPECT_EQ(back.flags[i], 1);
  }
  ASSERT_EQ(tree.SetMoveValue(p, moves[9], 0), 0);
  ASSERT_TRUE(tree.FindPosition(p, nullptr, nullptr, nullptr, &back));
  int at = 0;
  while (at < back.count && !(back.moves[at].from == moves[9].from && back.moves[at].to == moves[9].to)) ++at;
  ASSERT_LT(at, back.count);
  EXPECT_EQ(back.values[at], 0);  // cleared, its flags kept
  EXPECT_EQ(back.flags[at], 1);
  EXPECT_EQ(tree.SetMoveValue(p, moves[34], 5), OpeningTree::kNotStored);
  Position absent = After("a2a3");
  EXPECT_EQ(tree.RemoveMoves(absent, moves.data(), 1), OpeningTree::kNotStored);
}

TEST(TreeMaintenance, LegalPredecessorsKeepOnlyLegalUnmovesAndUsableEnPassant) {
  test::RecordingServices services;
  TreeMaintenance maintenance(nullptr);
  // After 1.e4 the e-file en-passant right has no black pawn to use it.
  Position e4 = After("e2e4");
  ASSERT_EQ(e4.epFile, 5);
  const int n = maintenance.LegalPredecessors(e4);
  EXPECT_EQ(e4.epFile, 0);
  ASSERT_GT(n, 0);
  for (const GameMove& m : maintenance.Predecessors()) {
    Position before = e4;
    before.UndoGameMove(m);
    EXPECT_TRUE(before.IsValid());
    EXPECT_TRUE(m.ToMove().IsLegal(before));
    before.DoGameMove(m);
    const std::string fen = test::FenForTest(before), want = test::FenForTest(e4);
    EXPECT_EQ(fen.substr(0, fen.find(' ')), want.substr(0, want.find(' ')));
  }
  // With a black pawn beside it the right stays.
  Position usable = test::ParseFenForTest("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1");
  maintenance.LegalPredecessors(usable);
  EXPECT_EQ(usable.epFile, 5);
}

TEST(TreeMaintenance, DeleteMoveRemovesTheMoveFromEveryStoredPredecessor) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  // Three stored predecessors of the position after 1.d4 Nf6 2.Nf3 e6: the orders
  // differ in their last move into it.
  AddLine(tree, "d2d4 g8f6 g1f3 e7e6");
  AddLine(tree, "d2d4 e7e6 g1f3 g8f6");
  AddLine(tree, "g1f3 e7e6 d2d4 g8f6");
  AddLine(tree, "d2d4 g8f6 g1f3 d7d5");  // a sibling that stays
  const Position target = After("d2d4 g8f6 g1f3 e7e6");
  ASSERT_TRUE(tree.FindPosition(target));
  const uint32_t count = tree.Files().Pages().PositionCount();
  const std::vector<Position> predecessors = {After("d2d4 g8f6 g1f3"), After("d2d4 e7e6 g1f3"),
                                              After("g1f3 e7e6 d2d4")};
  const int counts[] = {2, 1, 1};  // the first also holds ...d5
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ListCount(tree, predecessors[i]), counts[i]);

  // Every record that the deletion must not touch, as FindPosition reads it.
  auto Items = [&](const Position& p) {
    StatisticItem s;
    uint8_t z[2] = {};
    uint8_t e = 0;
    TreeMoveList l;
    if (!tree.FindPosition(p, &s, z, &e, &l)) return std::string("absent");
    std::string out = std::to_string(s.games) + "/" + std::to_string(z[0]) + "/" + std::to_string(l.count);
    for (int i = 0; i < l.count; ++i) out += " " + std::to_string(l.moves[i].from) + "-" + std::to_string(l.moves[i].to);
    return out;
  };
  const char* untouched[] = {"", "d2d4", "d2d4 g8f6", "d2d4 e7e6", "g1f3", "g1f3 e7e6",
                             "d2d4 g8f6 g1f3 d7d5"};
  std::vector<std::string> kept;
  for (const char* line : untouched) kept.push_back(Items(After(line)));
  TreeMaintenance maintenance(&tree);
  ASSERT_EQ(maintenance.DeleteMove(target), 0);
  for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(Items(After(untouched[i])), kept[i]) << untouched[i];
  EXPECT_FALSE(tree.FindPosition(target));
  EXPECT_EQ(tree.Files().Pages().PositionCount(), count - 1);
  EXPECT_EQ(ListCount(tree, After("d2d4 g8f6 g1f3")), 1);  // only ...d5 is left
  EXPECT_EQ(ListCount(tree, After("d2d4 e7e6 g1f3")), 0);
  EXPECT_EQ(ListCount(tree, After("g1f3 e7e6 d2d4")), 0);
  EXPECT_TRUE(tree.FindPosition(After("d2d4 g8f6 g1f3 d7d5")));
  EXPECT_EQ(maintenance.DeleteMove(target), OpeningTree::kNotStored);
}

TEST(TreeMaintenance, DeleteSubtreeEndsOnACycle) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  AddLine(tree, "g1f3 g8f6 f3g1 f6g8 e2e4");  // back to the start, then on
  AddLine(tree, "e2e4 e7e5");
  AddLine(tree, "d2d4 d7d5");
  TreeMaintenance maintenance(&tree);
  ASSERT_EQ(maintenance.DeleteSubtree(After("g1f3")), 0);
  for (const char* gone : {"g1f3", "g1f3 g8f6", "g1f3 g8f6 f3g1"})
    EXPECT_FALSE(tree.FindPosition(After(gone))) << gone;
  // The knights' cycle leads back to the start position, which goes with everything
  // it reaches; the second visit of 1.Nf3 finds nothing and ends the run.
  EXPECT_FALSE(tree.FindPosition(Position()));
  for (const char* gone : {"e2e4", "e2e4 e7e5", "d2d4", "d2d4 d7d5"})
    EXPECT_FALSE(tree.FindPosition(After(gone))) << gone;
  EXPECT_EQ(tree.Files().Pages().PositionCount(), 0u);
  EXPECT_EQ(maintenance.DeleteSubtree(After("g1f3")), OpeningTree::kNotStored);
}

TEST(TreeMaintenance, WeedRemovesRarelyPlayedMovesDownToTheDepth) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  AddLine(tree, "e2e4 e7e5 g1f3 b8c6", 12);
  AddLine(tree, "e2e4 c7c5", 3);       // rare at ply 2
  AddLine(tree, "a2a3", 2);            // rare at ply 1
  AddLine(tree, "e2e4 e7e5 f1c4", 4);  // rare at ply 3
  const Position e4 = After("e2e4"), e5 = After("e2e4 e7e5");
  TreeMaintenance maintenance(&tree);
  ASSERT_EQ(maintenance.Weed(0, 10, 1), 0);  // depth 0: nothing
  EXPECT_EQ(ListCount(tree, Position()), 2);
  EXPECT_EQ(ListCount(tree, e4), 2);

  // Decrement at least the minimum: only the start position's list is weeded.
  ASSERT_EQ(maintenance.Weed(10, 3, 3), 0);
  EXPECT_EQ(ListCount(tree, Position()), 1);  // a3 had 2 games
  EXPECT_EQ(ListCount(tree, e4), 2);
  EXPECT_TRUE(std::filesystem::path(tree.MarkPath()).empty() ||
              !std::filesystem::exists(tree.MarkPath()));

  // Minimum 10 falling by one a ply: c5 (3 < 9) goes at ply 2, Bc4 (4 < 8) at ply 3.
  ASSERT_EQ(maintenance.Weed(10, 10, 1), 0);
  EXPECT_EQ(ListCount(tree, e4), 1);
  EXPECT_EQ(ListCount(tree, e5), 1);
  EXPECT_EQ(ListCount(tree, After("e2e4 e7e5 g1f3")), 1);
}

TEST(TreeMaintenance, AStopDuringWeedingAnswersOneAndLeavesAConsistentTree) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  AddLine(tree, "e2e4 e7e5 g1f3 b8c6", 12);
  AddLine(tree, "e2e4 c7c5", 3);
  services.stopAnswers = {true};
  TreeMaintenance maintenance(&tree);
  EXPECT_EQ(maintenance.Weed(10, 10, 1), 1);
  for (const char* line : {"e2e4", "e2e4 e7e5", "e2e4 e7e5 g1f3", "e2e4 c7c5"})
    EXPECT_TRUE(tree.FindPosition(After(line))) << line;
  TreeMoveList list;
  ASSERT_TRUE(tree.FindPosition(Position(), nullptr, nullptr, nullptr, &list));
  EXPECT_EQ(list.count, 1);
  EXPECT_FALSE(std::filesystem::exists(tree.MarkPath()));
}

TEST(TreeMaintenance, AReadOnlyTreeAnswersTheWriteCodeAndKeepsItsFiles) {
  test::RecordingServices services;
  ScratchFolder folder;
  {
    OpeningTree tree(folder.Base());
    AddLine(tree, "e2e4 e7e5", 12);
    AddLine(tree, "e2e4 c7c5", 3);
  }
  using std::filesystem::perms;
  for (const char* e : {"ctg", "ctb", "cto"})
    std::filesystem::permissions(folder.File(e), perms::owner_read | perms::group_read);
  const std::string ctg = Bytes(folder.File("ctg"));
  OpeningTree tree(folder.Base());
  ASSERT_EQ(tree.GetAccess(), 1);
  TreeMaintenance maintenance(&tree);
  EXPECT_EQ(maintenance.DeleteMove(After("e2e4 c7c5")), PagedFile::kWriteError);
  EXPECT_EQ(maintenance.DeleteSubtree(After("e2e4")), PagedFile::kWriteError);
  EXPECT_EQ(maintenance.Weed(10, 10, 1), PagedFile::kWriteError);
  EXPECT_EQ(Bytes(folder.File("ctg")), ctg);
}

}  // namespace
}  // namespace zh
