#include "coach/pawn_structure.h"

#include <algorithm>
#include <array>
#include <bit>

#include "core/rules/game_move.h"
#include "core/services.h"
#include "database/game/game_item.h"

namespace zh {

namespace {

// Ranks ahead of rank r for white (above it) and for black (below it).
constexpr std::array<uint8_t, 8> kAheadWhite = {0xfe, 0xfc, 0xf8, 0xf0, 0xe0, 0xc0, 0x80, 0x00};
constexpr std::array<uint8_t, 8> kAheadBlack = {0x00, 0x01, 0x03, 0x07, 0x0f, 0x1f, 0x3f, 0x7f};
// Ranks 2 to 7, where a pawn can stand in a game.
constexpr uint8_t kPawnRanks = 0x7e;

uint8_t Ahead(int side, int rank) {
  return side == 0 ? kAheadWhite[static_cast<size_t>(rank)] : kAheadBlack[static_cast<size_t>(rank)];
}

// Rank r and the ranks behind it, seen from the side.
uint8_t LevelOrBehind(int side, int rank) {
  return static_cast<uint8_t>(~Ahead(side, rank));
}

// The map's pawns on the files next to f (one neighbour on the a- and h-files).
uint8_t Neighbours(const PawnMap& map, int file) {
  uint8_t bits = 0;
  if (file > 0) bits |= map.files[file - 1];
  if (file < 7) bits |= map.files[file + 1];
  return bits;
}

const PawnMap& Own(int side, const PawnMap& white, const PawnMap& black) {
  return side == 0 ? white : black;
}
const PawnMap& Enemy(int side, const PawnMap& white, const PawnMap& black) {
  return side == 0 ? black : white;
}

bool IsPawnAction(const GameMove& move) {
  return TypeOf(move.piece) == kPawn || TypeOf(move.captured) == kPawn;
}

}  // namespace

uint64_t PawnMap::Word() const {
  uint64_t word = 0;
  for (int f = 7; f >= 0; --f) word = word << 8 | files[f];
  return word;
}

PawnMap PawnMap::FromWord(uint64_t word) {
  PawnMap map;
  for (int f = 0; f < 8; ++f) map.files[f] = static_cast<uint8_t>(word >> (8 * f));
  return map;
}

bool PawnEventTable::Append(const PawnEvent& event) {
  if (Count() >= kCapacity) return false;
  events_.push_back(event);
  return true;
}

void BuildPawnMaps(const Board& board, PawnMap& white, PawnMap& black) {
  white = black = PawnMap{};
  for (int s = 0; s < 64; ++s) {
    if (TypeOf(board[s]) != kPawn) continue;
    PawnMap& map = ColourOf(board[s]) ? black : white;
    map.files[FileOf(s)] |= static_cast<uint8_t>(1 << RankOf(s));
  }
}

uint8_t OpenFiles(const PawnMap& white, const PawnMap& black) {
  uint8_t open = 0;
  for (int f = 0; f < 8; ++f)
    if ((white.files[f] | black.files[f]) == 0) open |= static_cast<uint8_t>(1 << f);
  return open;
}

void PassedPawns(int side, const PawnMap& white, const PawnMap& black, PawnMap& out) {
  const PawnMap& own = Own(side, white, black);
  const PawnMap& enemy = Enemy(side, white, black);
  out = PawnMap{};
  for (int f = 0; f < 8; ++f) {
    const uint8_t stoppers = enemy.files[f] | Neighbours(enemy, f);
    for (int r = 1; r <= 6; ++r)
      if ((own.files[f] >> r & 1) && (stoppers & Ahead(side, r)) == 0)
        out.files[f] |= static_cast<uint8_t>(1 << r);
  }
}

void IsolatedPawns(const PawnMap& map, PawnMap& out) {
  out = PawnMap{};
  for (int f = 0; f < 8; ++f)
    if (Neighbours(map, f) == 0) out.files[f] = map.files[f];
}

void BackwardPawns(int side, const PawnMap& white, const PawnMap& black, PawnMap& out) {
  const PawnMap& own = Own(side, white, black);
  const PawnMap& enemy = Enemy(side, white, black);
  out = PawnMap{};
  const int step = side == 0 ? 1 : -1;
  for (int f = 0; f < 8; ++f) {
    for (int r = 1; r <= 6; ++r) {
      if (!(own.files[f] >> r & 1)) continue;
      const int stop = r + step;
      if ((white.files[f] | black.files[f]) >> stop & 1) continue;
      // An enemy pawn beyond the stop square on a neighbouring file attacks it now or
      // after it advances.
      if ((Neighbours(enemy, f) & Ahead(side, stop)) == 0) continue;
      if (Neighbours(own, f) & LevelOrBehind(side, r)) continue;
      out.files[f] |= static_cast<uint8_t>(1 << r);
    }
  }
}

int BitCount(uint8_t byte) {
  return std::popcount(byte);
}

bool IsPawnRun(int& state, const GameMove& move) {
  if (!IsPawnAction(move)) return false;
  const int file = FileOf(move.to);
  const bool joins = state < 0 || std::abs(state - file) <= 1;
  state = file;
  return joins;
}

bool IsPassedPawn(const Board& board, int square) {
  if (!IsOnBoard(square)) return false;
  if (board[square] == kEmpty) {
    ReportInconsistency("sq empty!?", "coach/pawn_structure.cpp", __LINE__);
    return false;
  }
  PawnMap white, black, passed;
  BuildPawnMaps(board, white, black);
  const int side = ColourOf(board[square]) ? 1 : 0;
  PassedPawns(side, white, black, passed);
  return (passed.files[FileOf(square)] & kPawnRanks) != 0;
}

PawnStructure::PawnStructure(const TQGame& game) {
  const MoveLine& line = game.body.mainLine;
  plies_ = static_cast<int16_t>(std::clamp(line.Count(), 0, kPlyLimit));
  white_.resize(static_cast<size_t>(plies_) + 1);
  black_.resize(static_cast<size_t>(plies_) + 1);

  Position position = game.body.start.start.position;
  std::vector<GameMove> moves;
  moves.reserve(static_cast<size_t>(plies_));
  for (int ply = 0; ply <= plies_; ++ply) {
    BuildPawnMaps(position.board, white_[static_cast<size_t>(ply)], black_[static_cast<size_t>(ply)]);
    if (ply == plies_) break;
    GameMove move = *line.GetMove(ply);
    move.annotations = nullptr;
    move.variations = nullptr;
    move.Complete(position);
    position.DoGameMove(move);
    moves.push_back(move);
  }
  FindEvents(moves);
}

size_t PawnStructure::Clamp(int ply) const {
  return static_cast<size_t>(std::clamp(ply, 0, static_cast<int>(plies_)));
}

uint8_t PawnStructure::OpenFiles(int ply) const {
  return zh::OpenFiles(WhiteMap(ply), BlackMap(ply));
}

void PawnStructure::FindEvents(const std::vector<GameMove>& moves) {
  const int plies = static_cast<int>(moves.size());
  for (int first = 0; first < plies;) {
    int state = -1;
    if (!IsPawnRun(state, moves[static_cast<size_t>(first)])) {
      ++first;
      continue;
    }
    int last = first;
    while (last + 1 < plies && IsPawnRun(state, moves[static_cast<size_t>(last) + 1])) ++last;
    AddOpenedFiles(first, last);
    AddPassedPawn(0, first, last);
    AddPassedPawn(1, first, last);
    first = last + 1;
  }
}

void PawnStructure::AddOpenedFiles(int first, int last) {
  const uint8_t opened = static_cast<uint8_t>(OpenFiles(last + 1) & ~OpenFiles(first));
  int16_t counter = static_cast<int16_t>(BitCount(opened));
  for (int f = 0; f < 8; ++f) {
    if (!(opened >> f & 1)) continue;
    PawnEvent event;
    event.kind = kFileOpened;
    event.firstPly = static_cast<int16_t>(first);
    event.lastPly = static_cast<int16_t>(last);
    event.file = static_cast<int16_t>(f);
    event.counter = counter++;
    events_.Append(event);
  }
}

void PawnStructure::AddPassedPawn(int side, int first, int last) {
  PawnMap before, after;
  PassedPawns(side, WhiteMap(first), BlackMap(first), before);
  PassedPawns(side, WhiteMap(last + 1), BlackMap(last + 1), after);
  if (before == after) return;
  int best = -1;
  for (int f = 0; f < 8; ++f) {
    if (BitCount(after.files[f]) <= BitCount(before.files[f])) continue;
    // The most advanced passed pawn of the file: white's highest, black's lowest.
    const uint8_t bits = after.files[f];
    const int rank = side == 0 ? 7 - std::countl_zero(bits) : std::countr_zero(bits);
    const int square = MakeSquare(f, rank);
    const bool further = best < 0 || (side == 0 ? rank > RankOf(best) : rank < RankOf(best));
    if (further) best = square;
  }
  if (best < 0) return;
  PawnEvent event;
  event.kind = kPassedPawnCreated;
  event.firstPly = static_cast<int16_t>(first);
  event.lastPly = static_cast<int16_t>(last);
  event.square = static_cast<uint8_t>(best);
  event.side = side;
  events_.Append(event);
}

void PawnStructure::CopyEvents(int firstPly, int lastPly, PawnEventTable& dest) const {
  for (const PawnEvent& e : events_.Events())
    if (e.firstPly >= firstPly && e.lastPly <= lastPly) dest.Append(e);
}

bool PawnStructure::IsIsolated(int ply, int square, int* file) const {
  if (!IsOnBoard(square)) return false;
  if (file) *file = FileOf(square);
  const PawnMap& white = WhiteMap(ply);
  const PawnMap& map = white.Has(square) ? white : BlackMap(ply);
  if (!map.Has(square)) return false;
  PawnMap isolated;
  IsolatedPawns(map, isolated);
  return isolated.Has(square);
}

bool PawnStructure::IsBackward(int ply, int square, int* file) const {
  if (!IsOnBoard(square)) return false;
  if (file) *file = FileOf(square);
  const PawnMap& white = WhiteMap(ply);
  const PawnMap& black = BlackMap(ply);
  const int side = white.Has(square) ? 0 : black.Has(square) ? 1 : -1;
  if (side < 0) return false;
  PawnMap backward;
  BackwardPawns(side, white, black, backward);
  return backward.Has(square);
}

}  // namespace zh
