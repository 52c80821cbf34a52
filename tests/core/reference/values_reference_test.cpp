// FEN and short algebraic notation checked against independent tools along the random
// games of the rules reference: FEN against the reference engine's "d", moves against
// pgn-extract's SAN. Attack sets and game moves are checked on the same positions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/fen.h"
#include "core/rules/game_move.h"
#include "core/rules/movelist.h"
#include "core/rules/notation.h"
#include "support/random_games.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

std::vector<std::string> Split(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> fields;
  for (std::string f; in >> f;) fields.push_back(f);
  return fields;
}

std::string Join(const std::vector<std::string>& fields) {
  std::string s;
  for (const auto& f : fields) s += (s.empty() ? "" : " ") + f;
  return s;
}

class ValuesReference : public testing::TestWithParam<test::PerftCase> {
 protected:
  void SetUp() override {
    ParseFen(start_, GetParam().fen);
    games_ = test::RandomGames(GetParam());
  }
  // The full-move number after `ply` plies of a game.
  int MoveNumber(int ply) const {
    return start_.FirstMoveNumber() + (ply + static_cast<int>(start_.start.position.side)) / 2;
  }

  StartRecord start_;
  std::vector<std::vector<MoveCode>> games_;
};

TEST_P(ValuesReference, FenAgreesWithTheEngine) {
  test::UciEngine engine;
  ASSERT_TRUE(engine.IsRunning()) << "no engine at " ZH_STOCKFISH;
  for (const auto& game : games_) {
    Position p = start_.start.position;
    std::vector<std::string> played;
    for (size_t ply = 0; ply <= game.size(); ++ply) {
      engine.SetPosition(GetParam().fen, played);
      const auto fen = engine.Fen();
      ASSERT_TRUE(fen);
      std::vector<std::string> theirs = Split(*fen);
      ASSERT_EQ(theirs.size(), 6u) << *fen;
      theirs[4] = "0";  // we always write 0 half-moves

      StartRecord record;
      record.start.position = p;
      record.firstMove = static_cast<int16_t>(MoveNumber(static_cast<int>(ply)));
      std::vector<std::string> ours = Split(FormatFen(record));
      Position expected = p;
      // The engine names an en-passant square only when a pawn can take.
      if (theirs[3] == "-" && ours[3] != "-") {
        ASSERT_TRUE(game[ply - 1].kind & kDoubleStep);
        ASSERT_EQ(ours[3][0] - 'a', FileOf(game[ply - 1].to));
        ours[3] = "-";
        expected.epFile = 0;
      }
      ASSERT_EQ(Join(ours), Join(theirs)) << "ply " << ply;

      StartRecord parsed;
      ParseFen(parsed, *fen);
      ASSERT_EQ(parsed.start.position, expected) << *fen;
      ASSERT_EQ(parsed.FirstMoveNumber(), record.firstMove);

      if (ply == game.size()) break;
      played.push_back(test::UciMove(game[ply]));
      p.MakeMoveSquares(game[ply].from, game[ply].to, game[ply].promotion);
    }
  }
}

// pgn-extract's SAN of the games, one list of moves per game.
std::vector<std::vector<std::string>> PgnExtractSan(const std::string& pgn,
                                                    const std::string& name) {
  const std::string path = testing::TempDir() + "values_reference_" + name + ".pgn";
  std::ofstream(path) << pgn;
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -Wsan --noresults -s " + path + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::vector<std::string>> games;
  if (!pipe) return games;
  char line[4096];
  while (fgets(line, sizeof line, pipe.get())) {
    const std::string s(line);
    if (s.rfind("[Event ", 0) == 0) games.emplace_back();
    if (s.empty() || s[0] == '[' || games.empty()) continue;
    for (const std::string& token : Split(s)) {
      const bool number = token.find_first_not_of("0123456789.") == std::string::npos;
      if (!number && token != "*") games.back().push_back(token);
    }
  }
  std::remove(path.c_str());
  return games;
}

// Our text may name the from-file or -rank of a rival that cannot move because it is
// pinned; the legal moves must confirm that rival.
bool IsPinnedRivalQualifier(const std::string& ours, const std::string& theirs,
                            const Position& before, const GameMove& move,
                            const Position& after) {
  bool dropped = false;
  for (size_t n = 1; n <= 2 && !dropped; ++n)
    for (size_t at = 1; at + n <= 3 && !dropped; ++at)
      dropped = ours.size() > n && std::string(ours).erase(at, n) == theirs;
  if (!dropped) return false;
  MoveList legal;
  legal.GenerateLegal(before);
  int rivals = 0;
  for (const MoveCode& m : legal)
    rivals += m.to == move.to && m.from != move.from && before.board[m.from] == move.piece;
  return rivals < CountLineAttackers(after, move.to, move.from, 0);
}

TEST_P(ValuesReference, ShortAlgebraicAgreesWithPgnExtract) {
  NotationSettings settings;
  settings.SetEnglishLetters();
  ScopedNotationSettings guard(settings);
  NotationFormatter formatter;
  formatter.promotionSeparator = '=';

  std::string pgn;
  std::vector<std::vector<std::string>> ours;
  for (const auto& game : games_) {
    pgn += "[Event \"?\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n";
    pgn += "[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n";
    pgn += std::string("[FEN \"") + GetParam().fen + "\"]\n[SetUp \"1\"]\n\n";
    ours.emplace_back();
    for (const MoveCode& m : game) pgn += test::UciMove(m) + " ";
    pgn += "*\n\n";
  }
  const auto theirs = PgnExtractSan(pgn, GetParam().name);
  ASSERT_EQ(theirs.size(), games_.size());

  int qualified = 0;
  for (size_t g = 0; g < games_.size(); ++g) {
    ASSERT_EQ(theirs[g].size(), games_[g].size()) << "game " << g;
    Position p = start_.start.position;
    for (size_t ply = 0; ply < games_[g].size(); ++ply) {
      GameMove move = GameMove::FromSquares(games_[g][ply].from, games_[g][ply].to,
                                            games_[g][ply].promotion);
      move.Complete(p);
      Position after = p;
      after.DoGameMove(move);
      std::string text = formatter.FormatMove(after, move).Bytes();
      if (text.rfind("0-0", 0) == 0)
        for (char& c : text)
          if (c == '0') c = 'O';
      if (text != theirs[g][ply]) {
        ASSERT_TRUE(IsPinnedRivalQualifier(text, theirs[g][ply], p, move, after))
            << "game " << g << " ply " << ply << ": " << text << " vs " << theirs[g][ply]
            << " in " << test::FenForTest(p);
        ++qualified;
      }
      p = after;
    }
  }
  RecordProperty("pinnedRivalQualifiers", qualified);
}

TEST_P(ValuesReference, AttackersAndGameMovesAlongTheGames) {
  for (const auto& game : games_) {
    Position p = start_.start.position;
    for (const MoveCode& m : game) {
      for (int s = 0; s < 64; ++s)
        for (int side = 0; side < 2; ++side)
          ASSERT_EQ(p.board.GetAttackers(s, side).IsEmpty(),
                    !TestSquareAttacked(p.board, s, side == 1))
              << SquareName(s) << " side " << side << " in " << test::FenForTest(p);
      GameMove move = GameMove::FromSquares(m.from, m.to, m.promotion);
      move.Complete(p);
      ASSERT_EQ(move.kind, m.kind) << test::UciMove(m);
      Position played = p;
      played.DoGameMove(move);
      Position reference = p;
      reference.MakeMoveSquares(m.from, m.to, m.promotion);
      ASSERT_EQ(played, reference) << test::UciMove(m);
      Position kings = played;
      kings.FindKings();
      ASSERT_EQ(played.whiteKing, kings.whiteKing);
      ASSERT_EQ(played.blackKing, kings.blackKing);
      Position back = played;
      back.UndoGameMove(move);
      ASSERT_EQ(back, p) << test::UciMove(m);
      ASSERT_EQ(std::memcmp(back.board.squares, p.board.squares, 64), 0);
      p = played;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Positions, ValuesReference, testing::ValuesIn(test::PerftCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zh
