#include "dbwindow/trace_games.h"

#include <random>
#include <sstream>

#include "core/rules/movelist.h"
#include "support/test_fen.h"

namespace zh::test {

int SquareOf(std::string_view name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

namespace {

int PromotionOf(char letter) {
  switch (letter) {
    case 'q': return kQueen;
    case 'r': return kRook;
    case 'b': return kBishop;
    case 'n': return kKnight;
    default: return 0;
  }
}

}  // namespace

std::vector<GameMove> CompleteMoves(std::string_view fen, std::string_view moves) {
  Position p = ParseFenForTest(fen);
  std::vector<GameMove> out;
  std::istringstream in{std::string(moves)};
  std::string word;
  while (in >> word) {
    const int from = SquareOf(word.substr(0, 2)), to = SquareOf(word.substr(2, 2));
    const int promotion = word.size() > 4 ? PromotionOf(word[4]) : 0;
    GameMove m = GameMove::FromSquares(from, to, promotion);
    m.Complete(p);
    out.push_back(m);
    p.MakeMoveSquares(from, to, promotion);
  }
  return out;
}

void TraceMoves(GameTrace& trace, std::string_view fen, std::string_view moves) {
  const Position start = ParseFenForTest(fen);
  trace.Start(start.board);
  int side = static_cast<int>(start.side);
  for (const GameMove& m : CompleteMoves(fen, moves)) {
    trace.AppendMove(m, side);
    side ^= 1;
  }
}

std::vector<std::vector<std::string>> RichRandomGames(int count, int maxPlies, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::vector<std::string>> games;
  for (int g = 0; g < count; ++g) {
    Position p;
    std::vector<std::string> played;
    for (int ply = 0; ply < maxPlies; ++ply) {
      MoveList list;
      const int n = list.GenerateLegal(p);
      if (n == 0) break;
      std::vector<MoveCode> special, captures, pawns;
      for (const MoveCode& m : list) {
        if (m.kind & (kCastleBits | kEnPassant | kPromotion)) special.push_back(m);
        if (m.kind & kCapture) captures.push_back(m);
        if (TypeOf(p.board[m.from]) == kPawn) pawns.push_back(m);
      }
      MoveCode m = list.At(static_cast<int>(random() % static_cast<uint32_t>(n)));
      const uint32_t roll = random() % 10;
      if (!special.empty() && roll < 8)
        m = special[random() % special.size()];
      else if (!captures.empty() && roll < 5)
        m = captures[random() % captures.size()];
      else if (!pawns.empty() && roll < 8)
        m = pawns[random() % pawns.size()];
      if (m.kind & kPromotion) m.promotion = static_cast<uint8_t>(kQueen + random() % 4);
      played.push_back(UciMove(m));
      p.MakeMoveSquares(m.from, m.to, m.promotion);
    }
    games.push_back(std::move(played));
  }
  return games;
}

}  // namespace zh::test
