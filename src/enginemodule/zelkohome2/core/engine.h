// The engine core as the module holds it: the position, the game history, the root
// move list and the transposition-table memory.
#pragma once

#include <array>
#include <cstdint>

#include "enginemodule/interface/records.h"
#include "enginemodule/zelkohome2/core/position.h"
#include "enginemodule/zelkohome2/core/tt_memory.h"

namespace zh::zelko2 {

constexpr int kMaxRootMoves = 256;
constexpr int32_t kNotSearched = -32768;

struct RootMove {
  CoreMove move = 0;
  int32_t score = kNotSearched;
};

class Engine {
 public:
  Position& position() { return position_; }
  const Position& position() const { return position_; }
  TtMemory& tt() { return tt_; }

  static CorePosition StartPosition();
  bool SetPosition(const CorePosition& position) { return position_.Set(position); }
  void SetStartPosition() { position_.Set(StartPosition()); }

  // Game history: a base position and the moves played from it.
  void RecordBase();
  void ClearHistory();
  // Plays a game move at the current position: found among the legal moves by its
  // squares (and the promotion piece; none means a queen). False, with nothing
  // changed, when no legal move matches.
  bool PlayGameMove(CoreMove move);
  // Back to the base with the first n history moves played again.
  bool TakeBackTo(int n);
  const CorePosition& base() const { return base_; }
  uint64_t base_key() const { return base_key_; }
  int history_count() const { return history_count_; }
  CoreMove history_move(int i) const { return history_[i]; }
  int last_irreversible() const { return last_irreversible_; }

  // Root move list: every legal move with the static value after it as its score.
  int GenerateRootMoves();
  int root_count() const { return root_count_; }
  RootMove& root_move(int i) { return root_[i]; }
  void SortRootMoves();
  void RemoveRootMove(int index);
  void RemoveAllRootMoves() { root_count_ = 0; }
  void ResetRootScores();

  // Takes the position and the game moves of a position block. False when the board
  // is refused or a game move is refused (the moves before it stay played).
  bool Import(const eng::PositionBlock& block);
  static bool ToCorePosition(const eng::PositionBlock& block, CorePosition& out);
  // The board, side, e.p. file and castling rights of a position block.
  static void ToBlock(const CorePosition& position, eng::PositionBlock& block);
  static CoreMove ToCoreMove(const eng::GameMove& move);

  uint64_t node_count() const { return position_.nodes(); }

 private:
  Position position_;
  TtMemory tt_;
  CorePosition base_{};
  uint64_t base_key_ = 0;
  std::array<CoreMove, eng::kMaxGameMoves> history_{};
  int history_count_ = 0;
  int last_irreversible_ = 0;
  std::array<RootMove, kMaxRootMoves> root_{};
  int root_count_ = 0;
};

// The module's one engine.
Engine& TheEngine();

}  // namespace zh::zelko2
