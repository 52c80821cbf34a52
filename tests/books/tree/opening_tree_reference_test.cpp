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
#include "books/tree/tree_items.h"
#include "books/tree/tree_test_util.h"
#include "core/rules/fen.h"
#include "database/game/game_header.h"
#include "support/pgn_corpus.h"

namespace zh {
namespace {

using test::ScratchFolder;

// One replayed game: the FEN of every position, the move (UCI) played from each but
// the last, and the result tag.
struct ReplayedGame {
  std::vector<std::string> fens;
  std::vector<std::string> moves;
  std::string result;
};

constexpr const char* kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Reads pgn-extract's output of `-Wuci --fencomments`: tags, then moves each followed
// by "{ FEN }", then the result.
std::vector<ReplayedGame> ParseReplay(const std::string& text) {
  std::vector<ReplayedGame> games;
  std::istringstream in(text);
  std::string line;
  ReplayedGame* game = nullptr;
  bool inMoves = false;
  std::string body;
  auto finish = [&] {
    if (!game) return;
    std::istringstream tokens(body);
    std::string token;
    while (tokens >> token) {
      if (token == "{") {
        std::string fen, field;
        while (tokens >> field && field != "}") fen += (fen.empty() ? "" : " ") + field;
        game->fens.push_back(fen);
      } else if (token != game->result) {
        game->moves.push_back(token);
      }
    }
    body.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("[", 0) == 0) {
      if (inMoves || !game) {
        finish();
        games.emplace_back();
        game = &games.back();
        game->fens.push_back(kStartFen);
        inMoves = false;
      }
      const auto quote = line.find('"');
      const std::string name = line.substr(1, line.find(' ') - 1);
      const std::string value = line.substr(quote + 1, line.rfind('"') - quote - 1);
      if (name == "Result") game->result = value;
      if (name == "FEN") game->fens[0] = value;
    } else if (game && !line.empty()) {
      inMoves = true;
      body += line + " ";
    }
  }
  finish();
  return games;
}

Position FromFen(const std::string& fen) {
  StartRecord record;
  ParseFen(record, fen);
  return record.start.position;
}

GameMove FromUci(const std::string& uci, const Position& p) {
  const int from = MakeSquare(uci[0] - 'a', uci[1] - '1');
  const int to = MakeSquare(uci[2] - 'a', uci[3] - '1');
  int promotion = 0;
  // pgn-extract writes the promoted piece in either case.
  if (uci.size() > 4)
    promotion = static_cast<int>(std::string_view(" kqnbr").find(
        static_cast<char>(std::tolower(static_cast<unsigned char>(uci[4])))));
  GameMove m = GameMove::FromSquares(from, to, promotion);
  m.Complete(p);
  return m;
}

// The FEN's placement, side, castling and en-passant fields brought to the tree's
// normal form by text operations alone: Black to move is colour-mirrored; an
// en-passant square without a pawn to take is dropped; without
// castling rights the files are flipped when the white king stands on a to d.
// `mirrored` tells whether colours were exchanged. Empty for positions without pawns,
// whose further symmetries this does not follow.
struct TextKey {
  std::string key;
  bool mirrored = false;
};

TextKey NormalKey(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side, castling, ep;
  in >> placement >> side >> castling >> ep;
  char grid[8][8];  // [rank from 8 down][file]
  int rank = 0, file = 0;
  for (char c : placement) {
    if (c == '/') {
      ++rank;
      file = 0;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      for (int i = 0; i < c - '0'; ++i) grid[rank][file++] = '.';
    } else {
      grid[rank][file++] = c;
    }
  }
  TextKey out;
  bool pawns = false;
  for (auto& row : grid)
    for (char c : row) pawns |= c == 'P' || c == 'p';
  if (!pawns) return out;
  auto swapCase = [](char c) {
    return static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c)
                                                                         : std::toupper(c));
  };
  if (side == "b") {
    out.mirrored = true;
    char mirrored[8][8];
    for (int r = 0; r < 8; ++r)
      for (int f = 0; f < 8; ++f)
        mirrored[r][f] = grid[7 - r][f] == '.' ? '.' : swapCase(grid[7 - r][f]);
    std::copy(&mirrored[0][0], &mirrored[0][0] + 64, &grid[0][0]);
    side = "w";
    if (castling != "-") {
      std::string swapped;
      for (char c : std::string("KQkq"))
        if (castling.find(swapCase(c)) != std::string::npos) swapped += c;
      castling = swapped;
    }
    if (ep != "-") ep[1] = ep[1] == '6' ? '3' : '6';
  }
  // The en-passant square stays only where a white pawn stands beside the black pawn
  // that stepped, whether or not the capture would be legal (the record's rule).
  if (ep != "-") {
    const int f = ep[0] - 'a';
    const char* row = grid[3];
    if (row[f] != 'p' || !((f > 0 && row[f - 1] == 'P') || (f < 7 && row[f + 1] == 'P'))) ep = "-";
  }
  if (castling == "-") {
    int kingFile = 0;
    for (auto& row : grid)
      for (int f = 0; f < 8; ++f)
        if (row[f] == 'K') kingFile = f;
    if (kingFile < 4) {
      for (auto& row : grid) std::reverse(std::begin(row), std::end(row));
      if (ep != "-") ep[0] = static_cast<char>('a' + 'h' - ep[0]);
    }
  }
  out.key = std::string(&grid[0][0], 64) + side + castling + ep;
  return out;
}

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
