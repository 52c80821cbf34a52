// Trees learning from games: the learned values against a model kept here from FEN
// texts, the worked numbers of the formulas, the switches that pick a database's
// games, move marks, read-only trees, and the database jobs' stop and write errors.
#include "books/learning/tree_learning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "app/message_ids.h"
#include "books/tree/opening_tree.h"
#include "books/tree/pgn_replay.h"
#include "books/tree/tree_games_util.h"
#include "books/tree/tree_test_util.h"
#include "core/rules/movelist.h"
#include "database/game/annotation_set.h"
#include "database/game/move_tree.h"
#include "database/memory_database.h"
#include "database/pgn/pgn_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::RecordSet;
using test::ScratchFolder;

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A game of up to `plies` random legal moves.
TQGame RandomGame(int plies, uint32_t seed, int result) {
  std::mt19937 random(seed);
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.header.SetResult(result);
  GameCursor cursor(&game);
  for (int i = 0; i < plies; ++i) {
    MoveList list;
    if (list.GenerateLegal(cursor.GetPosition()) == 0) break;
    const MoveCode m = list.At(static_cast<int>(random() % list.Count()));
    if (cursor.AddMove(m.from, m.to, m.promotion, 0) != 0) break;
  }
  return game;
}

std::vector<Position> Positions(const TQGame& game) {
  std::vector<Position> out{game.body.start.start.position};
  for (const GameMove& m : game.body.mainLine) {
    out.push_back(out.back());
    out.back().DoGameMove(m);
  }
  return out;
}

void SetEval(TQGame& game, int ply, int centipawns, int depth) {
  EvalValue e;
  e.kind = kEvalCentipawns;
  e.value = static_cast<int16_t>(centipawns);
  e.extra = static_cast<int16_t>(depth);
  GetAnnotations(*game.body.mainLine.GetMove(ply))->SetEngineEval(e);
}

int LearnedValue(OpeningTree& tree, const Position& p, uint8_t* flags = nullptr) {
  uint8_t z[2] = {};
  EXPECT_TRUE(tree.FindPosition(p, nullptr, z));
  if (flags) *flags = z[0];
  return static_cast<int8_t>(z[1]);
}

class TreeLearningTest : public ::testing::Test {
 protected:
  test::RecordingServices services_;
  ScratchFolder folder_;
  std::string Base(const char* name) const { return (folder_.Path() / name).string(); }
};

TEST_F(TreeLearningTest, TheOutcomeValueFollowsResultSideAndEvaluations) {
  TQGame game = RandomGame(40, 3, 2);
  ASSERT_EQ(game.body.mainLine.Count(), 40);
  const TreeLearning context{nullptr, &game};
  struct Case {
    int result, side, expected;
  };
  for (const Case c : {Case{2, 0, 20}, Case{2, 1, -20}, Case{0, 0, -20}, Case{0, 1, 20},
                       Case{1, 0, -5}, Case{1, 1, -5}, Case{3, 0, 0}})
    EXPECT_EQ(GameLearnValue(context, c.side, c.result, 4, 40), c.expected)
        << c.result << " " << c.side;
  // Depth 1 evaluations do not count; deeper ones (only those after the first ply and
  // before the last) are averaged.
  SetEval(game, 6, 100, 2);
  SetEval(game, 8, 300, 3);
  SetEval(game, 10, 5000, 1);
  SetEval(game, 4, -800, 9);   // at fromPly: not counted
  SetEval(game, 30, -800, 9);  // at the last ply: not counted
  // f = 200: draw for White (200 - 100) -> (-200 + 2000) / 6 / 20 = 15; for Black
  // f = -200 -> (-200 - 4000) / 6 / 20 = -35; no result: (3 + 4000) / 6 / 20 = 33.
  EXPECT_EQ(GameLearnValue(context, 0, 1, 4, 30), 15);
  EXPECT_EQ(GameLearnValue(context, 1, 1, 4, 30), -35);
  EXPECT_EQ(GameLearnValue(context, 0, 3, 4, 30), 33);
  // From ply 0 the evaluations at plies 4 and 30 count as well: f = -400 / 5.
  SetEval(game, 3, 800, 5);
  EXPECT_EQ(GameLearnValue(context, 0, 3, 0, 40), (3 + 20 * -80) / 6 / 20);
}

TEST_F(TreeLearningTest, AWinAtPly20MovesTheValueBy61AndAtTheLimitNoFurther) {
  TQGame game = RandomGame(30, 11, 2);
  ASSERT_EQ(game.body.mainLine.Count(), 30);
  OpeningTree tree(Base("win"));
  tree.plyLimit = 21;  // the last White position the tree knows is at ply 20
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  const std::vector<Position> p = Positions(game);
  const TreeLearning context{&tree, &game};

  const auto before = RecordSet(tree);
  EXPECT_EQ(LearnGameInTree(context, 0, 99), 0);  // trunc(99 / 100) = 0
  EXPECT_EQ(LearnGameInTree(context, 0, 0), 0);
  game.header.SetResult(3);  // no result and no evaluations
  EXPECT_EQ(LearnGameInTree(context, 0, 500), 0);
  EXPECT_EQ(RecordSet(tree), before);

  game.header.SetResult(2);
  ASSERT_EQ(LearnGameInTree(context, 0, 500), 0);
  uint8_t flags = 0;
  EXPECT_EQ(LearnedValue(tree, p[21], &flags), -61);
  EXPECT_EQ(flags, kLearnedFlag | kLearnedWinFlag);
  // Earlier White moves learn less: w = -100 x (19/21)^1.6 x (1 - 0.5 e^-0.25).
  const double w19 = -100 * std::pow(19.0 / 21, 1.6) * (1 - 0.5 * std::exp(-0.25));
  EXPECT_EQ(LearnedValue(tree, p[19]), static_cast<int>(w19 - 0.5));
  EXPECT_EQ(LearnedValue(tree, p[20]), 0);  // Black's move is not learned

  // A loss for Black sets the loss flag in place of the win flag.
  ASSERT_EQ(LearnGameInTree(context, 1, 500), 0);
  LearnedValue(tree, p[20], &flags);
  EXPECT_EQ(flags, kLearnedFlag | kLearnedLossFlag);

  const uint8_t floor[2] = {kLearnedFlag, static_cast<uint8_t>(-125)};
  ASSERT_EQ(tree.SetZelko(p[21], floor), 0);
  ASSERT_EQ(LearnGameInTree(context, 0, 500), 0);
  EXPECT_EQ(LearnedValue(tree, p[21]), -125);
}

TEST_F(TreeLearningTest, PliesFrom128OnAreNeverLearned) {
  TQGame game;
  for (uint32_t seed = 1; game.body.mainLine.Count() < 140; ++seed) {
    TQGame next = RandomGame(140, seed, 0);
    if (next.body.mainLine.Count() == 140) game.body.mainLine.Adopt(next.body.mainLine);
  }
  game.header.record = HeaderRecord::Game();
  game.header.SetResult(0);
  OpeningTree tree(Base("long"));
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  const TreeLearning context{&tree, &game};
  ASSERT_EQ(LearnGameInTree(context, 1, 500), 0);
  const std::vector<Position> p = Positions(game);
  uint8_t flags = 0;
  EXPECT_NE(LearnedValue(tree, p[126], &flags), 0);
  EXPECT_TRUE(flags & kLearnedFlag);
  for (int ply = 128; ply <= 140; ply += 2) {
    EXPECT_EQ(LearnedValue(tree, p[static_cast<size_t>(ply)], &flags), 0) << ply;
    EXPECT_FALSE(flags & kLearnedFlag) << ply;
  }
}

// The model: learned value and flags by the normal form of pgn-extract-style FEN text.
struct Learned {
  int value = 0;
  uint8_t flags = 0;
};

std::string ModelKey(const Position& p) {
  return test::NormalKey(test::Fen4(p) + " 0 1").key;
}

int ModelOutcome(const TQGame& game, int side, int result, int from, int to) {
  int sum = 0, count = 0;
  for (int i = from + 1; i < std::min(to, from + 60); ++i) {
    const GameMove& m = *game.body.mainLine.GetMove(i);
    if (!m.annotations) continue;
    const EvalValue e = m.annotations->GetEngineEval();
    if (e.kind == kEvalNone || e.extra < 2) continue;
    sum += std::clamp<int>(e.GetComparable(), -800, 800);
    ++count;
  }
  int f = count ? sum / count : 0;
  int e = result;
  if (result == 0) e = side ? 800 : -800;
  if (result == 2) e = side ? -800 : 800;
  if (result == 1) {
    e = -200;
    if (side == 0 && count) f -= 100;
  }
  if (side == 1) f = -f;
  return (count ? (e + 20 * f) / 6 : e / 2) / 20;
}

void ModelLearn(std::map<std::string, Learned>& model, const TQGame& game, int side,
                int factor) {
  const std::vector<Position> p = Positions(game);
  const int end = game.body.mainLine.Count();
  int v = 0;
  for (int u = 0; u <= end && u < 128; ++u)
    if (static_cast<int>(p[static_cast<size_t>(u)].IsBlackToMove()) == side) v = u;
  const int result = game.header.GetResult();
  const int e = -(ModelOutcome(game, side, result, v, end) * (factor / 100));
  if (e == 0) return;
  std::map<int, Learned> before;  // the values as they were when the game began
  for (int k = v; k >= 0; k -= 2)
    if (k + 1 < end) before[k + 1] = model[ModelKey(p[static_cast<size_t>(k + 1)])];
  for (int k = v; k >= 0; k -= 2) {
    if (k + 1 >= end) continue;
    double w = e * std::pow((k + 1.0) / (v + 1.0), 1.6) * (1 - 0.5 * std::exp(-0.0125 * v));
    if (std::abs(w) < 1) w = e > 0 ? 1 : -1;
    double n = w + (w > 0 ? 0.5 : -0.5);
    const int l = before[k + 1].value;
    if ((l < 0 && n < 0) || (l > 0 && n > 0)) n *= std::exp(-std::pow(0.02 * l, 2));
    Learned& out = model[ModelKey(p[static_cast<size_t>(k + 1)])];
    out.value = std::clamp(l + static_cast<int>(n), -125, 125);
    out.flags = static_cast<uint8_t>((before[k + 1].flags & ~0x30) | 0x04);
    const bool won = (side == 0 && result == 2) || (side == 1 && result == 0);
    if (won) out.flags |= 0x20;
    else if (result == 0 || result == 2) out.flags |= 0x10;
  }
}

TEST_F(TreeLearningTest, LearnedValuesEqualAModelKeptFromFenTexts) {
  std::mt19937 random(77);
  std::vector<TQGame> games;
  for (uint32_t i = 0; i < 300; ++i) {
    TQGame g = RandomGame(20 + static_cast<int>(random() % 60), 1000 + i,
                          static_cast<int>(random() % 4));
    for (int ply = 0; ply < g.body.mainLine.Count(); ++ply)
      if (random() % 3 == 0)
        SetEval(g, ply, static_cast<int>(random() % 1200) - 600, 1 + static_cast<int>(random() % 3));
    games.push_back(std::move(g));
  }
  OpeningTree tree(Base("model"));
  tree.includeVariations = false;
  for (const TQGame& g : games) ASSERT_EQ(tree.AddGameToTree(g), 0);
  std::map<std::string, Learned> model;
  for (size_t i = 0; i < games.size(); ++i) {
    const int side = static_cast<int>(i % 2);
    ASSERT_EQ(LearnGameInTree(TreeLearning{&tree, &games[i]}, side, 500), 0);
    ModelLearn(model, games[i], side, 500);
  }
  size_t compared = 0, learned = 0;
  for (const TQGame& g : games) {
    for (const Position& p : Positions(g)) {
      const std::string key = ModelKey(p);
      if (key.empty()) continue;  // pawnless: the text form does not follow
      uint8_t flags = 0;
      const int value = LearnedValue(tree, p, &flags);
      const Learned& m = model[key];
      EXPECT_EQ(value, m.value) << key;
      EXPECT_EQ(flags, m.flags) << key;
      ++compared;
      learned += m.flags != 0;
    }
  }
  EXPECT_GT(compared, 10000u);
  EXPECT_GT(learned, 1000u);
}

// Four games that differ from the first move on.
void FillDatabase(test::MemoryDatabase& db) {
  const char* lines[] = {"e2e4 e7e5 g1f3 b8c6 f1c4 f8c5", "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6",
                         "c2c4 e7e5 b1c3 g8f6 g2g3 d7d5", "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6"};
  const int results[] = {2, 0, 1, 2};
  for (int i = 0; i < 4; ++i) {
    db.AddGame(i == 2 ? "Zelko" : "White", lines[i]);
    db.items.back().header.SetResult(results[i]);
    if (i == 3) db.items.back().header.black = TQPlayer::FromText("Zelko");
  }
}

TEST_F(TreeLearningTest, TheSwitchesPickTheGamesAndSidesThatLearn) {
  struct Case {
    TreeSettings settings;
    const char* expected;  // per game: W White learned, B Black, - neither
  };
  const auto with = [](auto change) {
    TreeSettings s;
    s.player = false;
    change(s);
    return s;
  };
  const Case cases[] = {
      {with([](TreeSettings& s) { s.white = true; }), "W W W W"},
      {with([](TreeSettings& s) { s.black = true; }), "B B B B"},
      {with([](TreeSettings& s) { s.wins = true; }), "W B - W"},
      {with([](TreeSettings& s) { s.losses = true; }), "B W - B"},
      {with([](TreeSettings& s) { s.player = true; s.name = "Zelko"; }), "- - W B"},
      {with([](TreeSettings& s) { s.wins = true; s.black = true; }), "WB B B WB"},
  };
  int n = 0;
  for (const Case& c : cases) {
    test::MemoryDatabase db("db");
    FillDatabase(db);
    OpeningTree tree(Base(("switch" + std::to_string(n++)).c_str()));
    for (int i = 1; i <= 4; ++i) {
      TQGame g;
      ASSERT_EQ(db.ReadGame(i, g, false), 0);
      ASSERT_EQ(tree.AddGameToTree(g), 0);
    }
    RecordingTreeViews views;
    ASSERT_EQ(LearnTreeFromDatabase(tree, views, db, 1, 4, c.settings), 0);
    std::string got;
    for (int i = 1; i <= 4; ++i) {
      TQGame g;
      ASSERT_EQ(db.ReadGame(i, g, false), 0);
      const std::vector<Position> p = Positions(g);
      uint8_t white = 0, black = 0;
      LearnedValue(tree, p[1], &white);  // after White's first move
      LearnedValue(tree, p[2], &black);
      std::string s = std::string(white & kLearnedFlag ? "W" : "") + (black & kLearnedFlag ? "B" : "");
      got += (got.empty() ? "" : " ") + (s.empty() ? "-" : s);
    }
    EXPECT_EQ(got, c.expected) << n;
    EXPECT_EQ(services_.CallsStartingWith("ErrorBox").size(), 0u);
  }
}

TEST_F(TreeLearningTest, MoveMarksComeFromTheGamesSymbolsAndKeepTheOtherFlags) {
  const std::string pgn = (folder_.Path() / "marks").string();
  std::ofstream(pgn + ".pgn") << "[White \"A\"]\n[Black \"B\"]\n[Result \"*\"]\n\n"
                                 "1. e4! e5? 2. Nf3!? Nc6 *\n";
  PgnDatabase db(pgn, false, false);
  ASSERT_EQ(db.ErrorState(), 0);
  TQGame game;
  ASSERT_EQ(db.ReadGame(1, game, false), 0);
  OpeningTree tree(Base("marks"));
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  const std::vector<Position> p = Positions(game);
  const uint8_t preset[2] = {0x05, 7};
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(tree.SetZelko(p[static_cast<size_t>(i)], preset), 0);
  TreeSettings settings;
  settings.player = false;
  settings.useMarks = true;
  NullTreeViews views;
  ASSERT_EQ(LearnTreeFromDatabase(tree, views, db, 1, 1, settings), 0);
  uint8_t flags = 0;
  EXPECT_EQ(LearnedValue(tree, p[1], &flags), 7);
  EXPECT_EQ(flags, 0x85);
  EXPECT_EQ(LearnedValue(tree, p[2], &flags), 7);
  EXPECT_EQ(flags, 0x45);
  LearnedValue(tree, p[3], &flags);
  EXPECT_EQ(flags, 0x05);  // "!?" changes nothing
}

TEST_F(TreeLearningTest, AReadOnlyTreeIsNeverWritten) {
  test::MemoryDatabase db("db");
  FillDatabase(db);
  {
    OpeningTree tree(Base("ro"));
    for (int i = 1; i <= 4; ++i) {
      TQGame g;
      ASSERT_EQ(db.ReadGame(i, g, false), 0);
      ASSERT_EQ(tree.AddGameToTree(g), 0);
    }
  }
  using std::filesystem::perms;
  for (const char* e : {"ctg", "ctb", "cto"})
    std::filesystem::permissions(folder_.Path() / (std::string("ro.") + e), perms::owner_read);
  const std::string ctg = Bytes(folder_.Path() / "ro.ctg");
  OpeningTree tree(Base("ro"));
  ASSERT_EQ(tree.GetAccess(), 1);
  TreeSettings settings;
  settings.white = settings.black = settings.useMarks = true;
  NullTreeViews views;
  EXPECT_NE(LearnTreeFromDatabase(tree, views, db, 1, 4, settings), 0);
  EXPECT_EQ(services_.CallsStartingWith("ErrorBox").size(), 1u);
  EXPECT_EQ(Bytes(folder_.Path() / "ro.ctg"), ctg);
}

TEST_F(TreeLearningTest, AStoppedImportKeepsWhatWasWrittenAndStaysConsistent) {
  services_.texts[msg::M_TREE_STOP_RECOGNIZED] = "Stop recognized";
  test::MemoryDatabase db("db");
  for (uint32_t i = 0; i < 200; ++i) {
    const TQGame g = RandomGame(40, 500 + i, 2);
    std::string moves;
    for (const GameMove& m : g.body.mainLine) {
      if (m.promotion) break;
      moves += (moves.empty() ? "" : " ") + SquareName(m.from) + SquareName(m.to);
    }
    db.AddGame("White", moves);
  }
  services_.stopAnswers = {false, false, true};  // after 60 games
  TreeSettings settings;
  settings.length = 30;
  settings.ecoLength = false;
  RecordingTreeViews views;
  {
    OpeningTree tree(Base("stopped"));
    EXPECT_EQ(AddDatabaseToTree(tree, views, db, 1, 200, settings), 0);
    EXPECT_EQ(services_.CallsStartingWith("Status: Stop recognized").size(), 1u);
    EXPECT_EQ(tree.Files().Pages().GameCount(), 60u);
  }
  OpeningTree reopened(Base("stopped"));
  size_t keys = 0;
  for (const std::string& record : RecordSet(reopened)) {
    PositionItem item;
    ASSERT_GT(item.ReadFrom(reinterpret_cast<const uint8_t*>(record.data()),
                            static_cast<uint32_t>(record.size())), 0u);
    EXPECT_TRUE(reopened.FindPosition(item.position));
    ++keys;
  }
  EXPECT_EQ(keys, reopened.Files().Pages().PositionCount());
  TQGame sixty, sixtyOne;
  ASSERT_EQ(db.ReadGame(60, sixty, false), 0);
  ASSERT_EQ(db.ReadGame(61, sixtyOne, false), 0);
  EXPECT_TRUE(reopened.FindPosition(Positions(sixty)[30]));
  EXPECT_FALSE(reopened.FindPosition(Positions(sixtyOne)[30]));
}

TEST_F(TreeLearningTest, AFailedLastCacheWriteIsAWriteError) {
  services_.texts[msg::M_TREE_WRITE_ERROR] = "Write error in tree";
  test::MemoryDatabase db("db");
  FillDatabase(db);
  OpeningTree tree(Base("full"));
  tree.freeDiskSpaceKB = [](const std::filesystem::path&) { return uint64_t{100}; };
  TreeSettings settings;
  settings.ecoLength = false;
  NullTreeViews views;
  EXPECT_EQ(AddDatabaseToTree(tree, views, db, 1, 4, settings), OpeningTree::kWriteFailed);
  EXPECT_EQ(services_.CallsStartingWith("ErrorBox: Write error in tree").size(), 1u);
  EXPECT_GT(tree.CachedCount(), 0u);  // kept for a later attempt
  tree.freeDiskSpaceKB = nullptr;
  EXPECT_EQ(tree.DisableCache(), 0);
  OpeningTree direct(Base("direct"));
  for (int i = 1; i <= 4; ++i) {
    TQGame g;
    ASSERT_EQ(db.ReadGame(i, g, false), 0);
    ASSERT_EQ(direct.AddGameToTree(g), 0);
  }
  EXPECT_EQ(RecordSet(tree), RecordSet(direct));
}

}  // namespace
}  // namespace zh
