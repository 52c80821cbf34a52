// The pawns of a whole game, ply by ply: where each side's pawns stand before every
// move (and after the last), and the runs of pawn moves that open files or create
// passed pawns. The same map tests (passed, isolated, backward pawns) serve the
// move commentary and the live remarks on any board.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rules/board.h"

namespace zh {

class TQGame;
struct GameMove;

// The pawns of one colour: byte f is file f (a = 0), bit r of it a pawn on rank r + 1.
// As one word the map is the square set of those pawns (square = file * 8 + rank).
struct PawnMap {
  uint8_t files[8] = {};

  uint64_t Word() const;
  static PawnMap FromWord(uint64_t word);
  bool Has(int square) const { return files[FileOf(square)] >> RankOf(square) & 1; }
  bool IsEmpty() const { return Word() == 0; }
  bool operator==(const PawnMap&) const = default;
};
static_assert(sizeof(PawnMap) == 8);

enum PawnEventKind : int16_t {
  kFileOpened = 2,
  kPassedPawnCreated = 4,
};

struct PawnEvent {
  int16_t kind = 0;
  int16_t firstPly = 0;
  int16_t lastPly = 0;
  int16_t file = 0;      // kFileOpened: the file opened (0 = a)
  int16_t counter = 0;   // kFileOpened: files the run opened, then one more per event
  uint8_t square = 255;  // kPassedPawnCreated: the passed pawn; 255 unset
  int32_t side = 0;      // kPassedPawnCreated: 0 white, 1 black
};

// At most 300 events; further ones are dropped without notice.
class PawnEventTable {
 public:
  static constexpr int kCapacity = 300;

  // False (and nothing kept) once the table is full.
  bool Append(const PawnEvent& event);
  int Count() const { return static_cast<int>(events_.size()); }
  const PawnEvent& operator[](int i) const { return events_[static_cast<size_t>(i)]; }
  const std::vector<PawnEvent>& Events() const { return events_; }

 private:
  std::vector<PawnEvent> events_;
};

// Maps of the pawns on a board (pawns on any rank).
void BuildPawnMaps(const Board& board, PawnMap& white, PawnMap& black);
// Bit f set when file f holds no pawn of either colour.
uint8_t OpenFiles(const PawnMap& white, const PawnMap& black);
// The side's pawns on ranks 2 to 7 with no enemy pawn ahead on their file or a
// neighbouring file. Side 0 white, 1 black.
void PassedPawns(int side, const PawnMap& white, const PawnMap& black, PawnMap& out);
// The pawns of the map with no pawn of the map on a neighbouring file.
void IsolatedPawns(const PawnMap& map, PawnMap& out);
// The side's pawns on ranks 2 to 7 whose stop square is free, is attacked or will be
// by an enemy pawn of a neighbouring file, and that no own pawn of a neighbouring file
// level with or behind them can support.
void BackwardPawns(int side, const PawnMap& white, const PawnMap& black, PawnMap& out);
int BitCount(uint8_t byte);
// `state` holds the file of the last pawn action, -1 at first. A move that moves or
// captures a pawn belongs to the run unless its target file lies more than one file
// from the state's; either way the state takes its target file. Other moves never
// belong to a run. The move's piece and captured codes must be set.
bool IsPawnRun(int& state, const GameMove& move);
// Whether the piece on the square is a passed pawn of its colour; an empty square is
// a reported inconsistency and answers false.
bool IsPassedPawn(const Board& board, int square);

class PawnStructure {
 public:
  // Replays the game's main line (at most 600 plies) from its start and finds the
  // events. The game is read here only.
  explicit PawnStructure(const TQGame& game);

  int Plies() const { return plies_; }
  // Maps of the position before the move of `ply`; ply Plies() is after the last move.
  const PawnMap& WhiteMap(int ply) const { return white_[Clamp(ply)]; }
  const PawnMap& BlackMap(int ply) const { return black_[Clamp(ply)]; }
  uint8_t OpenFiles(int ply) const;
  const PawnEventTable& Events() const { return events_; }

  // Appends to `dest` (up to its capacity) every event that lies within the plies.
  void CopyEvents(int firstPly, int lastPly, PawnEventTable& dest) const;
  // Whether the pawn on the square (its colour from the maps) is isolated (backward)
  // at that ply; `file` gets the square's file.
  bool IsIsolated(int ply, int square, int* file = nullptr) const;
  bool IsBackward(int ply, int square, int* file = nullptr) const;

 private:
  size_t Clamp(int ply) const;
  void FindEvents(const std::vector<GameMove>& moves);
  void AddOpenedFiles(int first, int last);
  void AddPassedPawn(int side, int first, int last);

  std::vector<PawnMap> white_;
  std::vector<PawnMap> black_;
  PawnEventTable events_;
  int16_t plies_ = 0;
};

}  // namespace zh
