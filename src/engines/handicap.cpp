#include "engines/handicap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/rules/scored_movelist.h"
#include "core/services.h"
#include "enginemodule/interface/records.h"

namespace zh {
namespace {

constexpr int kNeutral = 50;
constexpr int kTermBonus = 5;
constexpr int kFunGap = 80;  // centipawns between the two best lines

uint32_t Draw() { return Random().Next(); }

// A term of chance p: taken when a draw mod 50 falls below p.
bool Chance(int p) { return static_cast<int>(Draw() % 50) < p; }

// The first square holding the king of a colour, 0 without one.
int KingSquare(const Board& board, int colour) {
  for (int s = 0; s < 64; ++s)
    if (board[s] == (kKing | colour)) return s;
  return 0;
}

// The kind bits of a move as the board gives them, when the move does not carry them.
Move Completed(const Move& move, const Board& board) {
  Move m = move;
  if (!m.complete) m.CompleteFrom(board);
  return m;
}

bool IsCapture(const Move& move) { return (move.kind & (kCapture | kEnPassant)) != 0; }

bool OnBoard(const Move& move) { return IsOnBoard(move.from) && IsOnBoard(move.to); }

// Towards (slider above 50) or away from (below 50) a king, in whole squares.
int KingTerm(int slider, int king, const Move& move) {
  if (slider == kNeutral) return 0;
  const int dFrom = SquareDistance(move.from, king);
  const int dTo = SquareDistance(move.to, king);
  if (slider > kNeutral) {
    if (dTo < dFrom && Chance(slider - kNeutral)) return (dFrom - dTo + 5) / 10;
  } else if (dFrom < dTo && Chance(kNeutral - slider)) {
    return (dTo - dFrom + 5) / 10;
  }
  return 0;
}

// `toward` steps in the slider's direction earn them with chance of the excess; other
// moves earn the steps taken the other way with chance of the shortfall.
int DirectionTerm(int slider, int steps, bool toward) {
  if (toward) return slider > kNeutral && Chance(slider - kNeutral) ? std::abs(steps) : 0;
  return slider < kNeutral && Chance(kNeutral - slider) ? std::abs(steps) : 0;
}

// A bonus for moves of one kind with chance of the excess, for the others with
// chance of the shortfall.
int KindTerm(int slider, bool favoured) {
  if (favoured) return slider > kNeutral && Chance(slider - kNeutral) ? kTermBonus : 0;
  return slider < kNeutral && Chance(kNeutral - slider) ? kTermBonus : 0;
}

int FirstMoveOf(const EvaluatedVariation& line, Move& move) {
  if (line.Count() == 0) return 0;
  move = line.Moves()[0];
  return 1;
}

}  // namespace

int SquareDistance(int a, int b) {
  const int df = FileOf(a) - FileOf(b), dr = RankOf(a) - RankOf(b);
  return static_cast<int>(std::trunc(std::sqrt(static_cast<double>(df * df + dr * dr)) * 10 + 0.5));
}

int PieceBit(int code) {
  constexpr int kBits[8] = {0, 1, 2, 16, 8, 4, 32, 0};
  return kBits[TypeOf(code)];
}

int16_t HandicapScorer::ScoreMove(const Position& position, const Move& move) const {
  if (!OnBoard(move)) return 0;
  const Board& board = position.board;
  const Move m = Completed(move, board);
  const int mover = board[m.from] != kEmpty ? board[m.from] : m.piece;
  const int colour = ColourOf(mover);
  const HandicapRecord& r = record_;

  int score = KingTerm(r.KingAttack, KingSquare(board, colour ^ kBlackBit), m);
  score += KingTerm(r.KingDefence, KingSquare(board, colour), m);
  score += KindTerm(r.TakeRate, IsCapture(m));
  const int rankSteps = RankOf(m.from) - RankOf(m.to);
  score += DirectionTerm(r.PlayDir1, rankSteps, colour ? rankSteps > 0 : rankSteps < 0);
  const int fileSteps = FileOf(m.from) - FileOf(m.to);
  score += DirectionTerm(r.PlayDir2, fileSteps, fileSteps > 0);
  if (r.Pieces != 0) score += KindTerm(r.PiecePlay, (r.Pieces & PieceBit(mover)) != 0);
  return static_cast<int16_t>(std::min(score, 32767));
}

int16_t HandicapScorer::SearchDepth() const {
  const int a = record_.PlayStrength - (record_.BaseStrength - 1300);
  const int q = a / 200;
  if (q < 3) return 3;
  return static_cast<int16_t>(q + (static_cast<int>(Draw() % 200) < a % 200 ? 1 : 0));
}

void HandicapScorer::SetSearchLimits(eng::PositionBlock& block) const {
  block.depth = SearchDepth();
  block.mode = kDepthMode;
  block.lines_wanted = kLinesWanted;
}

int HandicapScorer::ChooseStyleLine(const std::vector<EvaluatedVariation>& lines,
                                    const Position& position) const {
  const int best = lines[0].value.GetComparable();
  const int range = record_.EvalRange * 10;
  size_t n = 1;
  while (n < lines.size() && std::abs(lines[n].value.GetComparable() - best) <= range) ++n;
  if (n == 1) return -1;
  int chosen = 0, top = 0;
  for (size_t i = 0; i < n; ++i) {
    Move move;
    if (!FirstMoveOf(lines[i], move)) continue;
    const int score = ScoreMove(position, move);
    if (score > top) {
      top = score;
      chosen = static_cast<int>(i);
    }
  }
  return chosen;
}

int HandicapScorer::ChooseFunLine(const std::vector<EvaluatedVariation>& lines,
                                  const Position& position) const {
  const bool black = position.side == 1;
  auto value = [&](size_t i) { return lines[i].value.GetComparableFor(black); };
  const int best = value(0);
  const int threshold = record_.FunThreshold;
  const bool weak = record_.Weak != 0;

  if (record_.KeepBest != 0) return 0;
  if (best <= threshold && Draw() % (weak ? 10 : 2) == 0) return 0;

  ScoredMoveList exchange;
  position.ScoreLegalMoves(exchange);
  exchange.Sort();
  if (std::abs(best - value(1)) > kFunGap && (threshold <= 0 || Draw() % (weak ? 5 : 2) == 0)) return 0;

  for (size_t i = 1; i < lines.size(); ++i) {
    Move move;
    FirstMoveOf(lines[i], move);
    const bool onBoard = OnBoard(move);
    // A move the position does not allow (not in the list) counts as key 0.
    const int found = onBoard ? exchange.Find(move) : -1;
    const int key = found < 0 ? 0 : exchange.KeyAt(found);
    const bool kingMove = onBoard && TypeOf(position.board[move.from]) == kKing;
    const bool capture = onBoard && IsCapture(Completed(move, position.board));
    const bool stop = (value(i) < threshold && !weak && Draw() % 2 == 0) || Draw() % (weak ? 30 : 14) == 0 ||
                      (!weak && key >= kFunKeyLimit) || (kingMove && Draw() % 3 != 0) ||
                      (capture && Draw() % 4 != 0);
    if (stop) return static_cast<int>(i) - 1;
    if (threshold > 0) Draw();
  }
  return 0;
}

bool HandicapScorer::ChooseMove(const std::vector<EvaluatedVariation>& lines, const Position& position,
                                Move& out) const {
  if (lines.size() < 2) return false;
  const int chosen = record_.FunScheme != 0 ? ChooseFunLine(lines, position) : ChooseStyleLine(lines, position);
  if (chosen < 0) return false;
  return FirstMoveOf(lines[static_cast<size_t>(chosen)], out) != 0;
}

}  // namespace zh
