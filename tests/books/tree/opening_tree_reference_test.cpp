// The opening tree against positions that another program computed: pgn-extract
// replays seeded random games and prints the FEN after every move. Moves turned into
// the normal form must lead where pgn-extract says, and the tree's tallies must equal
// counts kept here from pgn-extract's text alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "books/tree/opening_tree.h"
#include "books/tree/pgn_replay.h"
#include "books/tree/tree_items.h"
#include "books/tree/tree_test_util.h"
#include "core/rules/fen.h"
#include "database/game/game_header.h"
#include "support/pgn_corpus.h"

namespace zh {
namespace {

using test::ScratchFolder;

using test::FromFen;
using test::FromUci;
using test::NormalKey;
using test::ParseReplay;
using test::ReplayedGame;
using test::TextKey;

struct Tally {
  uint32_t games = 0, whiteWins = 0, blackWins = 0, draws = 0;
};

class OpeningTreeReferenceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder;
    const std::string coordinates = (folder_->Path() / "coordinates.pgn").string();
    const std::string pgn = (folder_->Path() / "games.pgn").string();
    ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, pgn, 2000, 50, false));
    const std::string replay =
        test::RunCommand(std::string(ZH_PGN_EXTRACT) +
                         " -Wuci --fencomments -V -C -N --quiet -w2000 " + pgn + " 2>/dev/null");
    games_ = new std::vector<ReplayedGame>(ParseReplay(replay));
  }
  static void TearDownTestSuite() {
    delete games_;
    delete folder_;
  }

  static ScratchFolder* folder_;
  static std::vector<ReplayedGame>* games_;
};

ScratchFolder* OpeningTreeReferenceTest::folder_ = nullptr;
std::vector<ReplayedGame>* OpeningTreeReferenceTest::games_ = nullptr;

TEST_F(OpeningTreeReferenceTest, MovesTurnedToTheNormalFormLeadWherePgnExtractSays) {
  ASSERT_EQ(games_->size(), 2000u);
  size_t checked = 0, underPromotions = 0;
  std::map<int, int> stepsSeen;
  for (const ReplayedGame& game : *games_) {
    ASSERT_EQ(game.fens.size(), game.moves.size() + 1);
    for (size_t i = 0; i < game.moves.size(); ++i) {
      const Position p = FromFen(game.fens[i]);
      Position normal = p;
      const int steps = normal.Normalize();
      ++stepsSeen[steps];
      const GameMove m = FromUci(game.moves[i], p);
      GameMove turned = m;
      TransformMove(turned, steps);
      Position played = normal;
      played.MakeMoveSquares(turned.from, turned.to, m.promotion);
      played.Normalize();
      Position expected = FromFen(game.fens[i + 1]);
      expected.Normalize();
      ASSERT_EQ(played, expected) << game.fens[i] << " " << game.moves[i];

      // A record of P with m, read back and turned to P's colours, gives m again.
      PositionItem item(normal);
      item.SetMove(turned, false);
      uint8_t record[kMaxTreeRecord];
      ASSERT_GT(item.WriteTo(record), 0u);
      TreeMoveList back;
      ASSERT_TRUE(PositionItem::ReadMoveList(record, back));
      if (m.promotion != 0 && m.promotion != kQueen) {
        EXPECT_EQ(back.count, 0);  // under-promotions are stored as the empty move
        ++underPromotions;
        continue;
      }
      ASSERT_EQ(back.count, 1) << game.fens[i] << " " << game.moves[i];
      back.Untransform(steps);
      EXPECT_EQ(back.moves[0].from, m.from) << game.fens[i] << " " << game.moves[i];
      EXPECT_EQ(back.moves[0].to, m.to);
      EXPECT_EQ(back.moves[0].piece, m.piece);
      ++checked;
    }
  }
  EXPECT_GT(checked, 50'000u);
  EXPECT_GT(underPromotions, 0u);
  EXPECT_GE(stepsSeen.size(), 4u);  // both colours, files flipped or not
}

TEST_F(OpeningTreeReferenceTest, TalliesEqualCountsFromPgnExtractsPositions) {
  // Counts from the text: every position of every game once, keyed by its normal form.
  std::map<std::string, Tally> tallies;
  auto resultByte = [](const std::string& r) {
    return r == "1-0" ? 2 : r == "0-1" ? 0 : r == "1/2-1/2" ? 1 : 3;
  };
  size_t skipped = 0;
  for (const ReplayedGame& game : *games_) {
    for (const std::string& fen : game.fens) {
      const TextKey k = NormalKey(fen);
      if (k.key.empty()) {
        ++skipped;
        continue;
      }
      Tally& t = tallies[k.key];
      ++t.games;
      if (game.result == "1/2-1/2") ++t.draws;
      if (game.result == "1-0") ++(k.mirrored ? t.blackWins : t.whiteWins);
      if (game.result == "0-1") ++(k.mirrored ? t.whiteWins : t.blackWins);
    }
  }
  EXPECT_LT(skipped, 50u);

  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  ASSERT_EQ(tree.Status(), 0);
  for (const ReplayedGame& game : *games_) {
    GameHeader h;
    h.record.type = kGameRecord;
    h.record.resultByte = static_cast<uint8_t>(resultByte(game.result));
    for (const std::string& fen : game.fens) {
      if (!NormalKey(fen).key.empty()) {
        ASSERT_EQ(tree.AddPosition(FromFen(fen), &h), 0);
      }
    }
  }
  EXPECT_EQ(tree.Files().Pages().PositionCount(), tallies.size());

  size_t blackExchanged = 0, compared = 0;
  for (const ReplayedGame& game : *games_) {
    for (const std::string& fen : game.fens) {
      const TextKey k = NormalKey(fen);
      if (k.key.empty()) continue;
      const Tally& t = tallies[k.key];
      StatisticItem s;
      ASSERT_TRUE(tree.FindPosition(FromFen(fen), &s)) << fen;
      EXPECT_EQ(s.games, t.games) << fen;
      EXPECT_EQ(s.whiteWins, k.mirrored ? t.blackWins : t.whiteWins) << fen;
      EXPECT_EQ(s.blackWins, k.mirrored ? t.whiteWins : t.blackWins) << fen;
      EXPECT_EQ(s.draws, t.draws) << fen;
      if (k.mirrored && s.whiteWins != s.blackWins) ++blackExchanged;
      ++compared;
    }
  }
  EXPECT_GT(compared, 50'000u);
  EXPECT_GT(blackExchanged, 1000u);
}

}  // namespace
}  // namespace zh
