// The game-end test along seeded random games, beside the code that the reference
// engine's own view of each position gives: its legal-move count and checkers, its
// halfmove clock and its positions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "engines/game/game_end_tester.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh::test {
namespace {

using namespace std::chrono_literals;

int ReferenceGames() {
  const char* text = std::getenv("ZH_REFERENCE_GAMES");
  return text ? std::max(1, std::atoi(text)) : 2000;
}

// What the reference engine says of the current position.
struct View {
  std::string fen;
  std::string key;
  bool inCheck = false;
  uint64_t legalMoves = 0;
};

View Look(UciEngine& engine) {
  View view;
  engine.Send("d");
  auto lines = engine.ReadUntil("Checkers:", 30s);
  EXPECT_TRUE(lines.has_value());
  if (!lines) return view;
  for (const std::string& line : *lines) {
    if (line.rfind("Fen: ", 0) == 0) view.fen = line.substr(5);
  }
  // The position's identity: the first four FEN fields. The engine writes the
  // en-passant square only when a pawn stands ready to take; its printed Key is no use
  // here, since it is changed by the halfmove clock from 14 plies on.
  std::istringstream fields(view.fen);
  for (int i = 0; i < 4; ++i) {
    std::string field;
    fields >> field;
    view.key += field + " ";
  }
  std::istringstream checkers(lines->back().substr(sizeof "Checkers:" - 1));
  std::string square;
  view.inCheck = static_cast<bool>(checkers >> square);
  auto perft = engine.Perft(1, 30s);
  EXPECT_TRUE(perft.has_value());
  if (perft) view.legalMoves = perft->nodes;
  return view;
}

// No side can mate: the cases of the rules, read from the FEN's placement.
bool DeadMaterial(const std::string& fen) {
  std::map<char, int> count;
  int whiteBishops = 0, blackBishops = 0;  // bit 0 dark squares, bit 1 light squares
  int rank = 7, file = 0;
  for (char c : fen.substr(0, fen.find(' '))) {
    if (c == '/') {
      --rank, file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
    } else {
      ++count[static_cast<char>(std::tolower(c))];
      const int colour = (file + rank) % 2 ? 2 : 1;
      if (c == 'B') whiteBishops |= colour;
      if (c == 'b') blackBishops |= colour;
      ++file;
    }
  }
  if (count['q'] || count['r'] || count['p']) return false;
  if (count['b'] == 0 && count['n'] <= 1) return true;
  if (count['n'] == 0 && count['b'] <= 1) return true;
  return count['n'] == 0 && whiteBishops < 3 && blackBishops < 3 &&
         (whiteBishops == 0 || blackBishops == 0 || whiteBishops == blackBishops);
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += word + " ";
  return text;
}

int HalfmoveClock(const std::string& fen) {
  std::istringstream in(fen);
  std::string field;
  for (int i = 0; i < 5; ++i) in >> field;
  return std::stoi(field);
}

// The code in the tester's order: ply limit, mate and stalemate, material, then
// whichever of repetition and the 100-ply count the walk back meets first.
int ReferenceCode(const View& view, const std::vector<std::string>& keys, int ply) {
  if (ply >= kGamePlyLimit) return kGameTooLong;
  if (view.legalMoves == 0) return view.inCheck ? kGameMate : kGameStalemate;
  if (DeadMaterial(view.fen)) return kGameNoMaterial;
  if (ply <= 5) return kGameGoesOn;
  int seen = 0, secondVisit = -1;
  for (int i = ply - 2; i >= 0; i -= 2) {
    if (keys[i] == view.key && ++seen == 2) {
      secondVisit = i;
      break;
    }
  }
  const bool fifty = HalfmoveClock(view.fen) >= 100;
  if (secondVisit >= 0 && (!fifty || secondVisit > ply - 100)) return kGameRepetition;
  return fifty ? kGameHundredPlies : kGameGoesOn;
}

// Random legal positions: seeded walks from the start position of 10 to 80 plies that
// stop early at an ended game.
std::vector<std::string> RandomStarts(int count, std::mt19937& random) {
  std::vector<std::string> fens;
  while (static_cast<int>(fens.size()) < count) {
    Position position;
    const int plies = 10 + static_cast<int>(random() % 71);
    bool alive = true;
    for (int i = 0; i < plies && alive; ++i) {
      MoveList moves;
      if (moves.GenerateLegal(position) == 0) alive = false;
      else position.MakeMove(Move::FromCode(moves.At(static_cast<int>(random() % moves.Count()))));
    }
    MoveList moves;
    if (alive && moves.GenerateLegal(position) > 0) fens.push_back(FenForTest(position));
  }
  return fens;
}

TEST(GameEndReference, RandomGamesEndAsTheReferenceSays) {
  UciEngine engine;
  ASSERT_TRUE(engine.IsRunning());
  std::mt19937 random(20261211);
  const int games = ReferenceGames();
  const std::vector<std::string> starts = RandomStarts(200, random);
  std::map<int, int> ends;
  GameEndTester tester;
  for (int g = 0; g < games; ++g) {
    // Half the games from the start position, half from the random positions.
    const std::string fen = g % 2 ? starts[(g / 2) % starts.size()] : std::string();
    TQGame game;
    if (fen.empty()) game.SetStandardStart();
    else game.body.SetSetUpStart(ParseFenForTest(fen), 1);
    GameCursor cursor(&game);
    cursor.ToStartPosition();
    const std::string startFen = fen.empty() ? FenForTest(Position()) : fen;
    std::vector<std::string> moves, keys;
    for (;;) {
      engine.SetPosition(startFen, moves);
      const View view = Look(engine);
      const int ply = cursor.Ply();
      keys.push_back(view.key);
      const int expected = ReferenceCode(view, keys, ply);
      ASSERT_EQ(tester.Test(cursor), expected) << "game " << g << " ply " << ply << " fen " << view.fen
                                               << "\nfrom " << startFen << " moves " << Joined(moves);
      if (expected != kGameGoesOn) {
        ++ends[expected];
        break;
      }
      // Half of the time a capture when there is one, so that games reach their ends.
      MoveList legal;
      legal.GenerateLegal(cursor.GetPosition());
      std::vector<MoveCode> captures;
      for (const MoveCode& m : legal)
        if (m.kind & (kCapture | kEnPassant)) captures.push_back(m);
      const bool capture = !captures.empty() && random() % 2;
      const MoveCode move = capture ? captures[random() % captures.size()]
                                    : legal.At(static_cast<int>(random() % legal.Count()));
      ASSERT_EQ(cursor.AddMove(move.from, move.to, (move.kind & kPromotion) ? move.promotion : 0, 2), 0);
      moves.push_back(UciMove(move));
    }
  }
  for (const auto& [code, count] : ends) std::cout << "end code " << code << ": " << count << " games\n";
  // Every kind of end but the ply limit comes up along this many games.
  if (games >= 500) {
    for (int code : {kGameMate, kGameStalemate, kGameNoMaterial, kGameRepetition, kGameHundredPlies})
      EXPECT_GT(ends[code], 0) << "no game ended with code " << code;
  }
}

}  // namespace
}  // namespace zh::test
