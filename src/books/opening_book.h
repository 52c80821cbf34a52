// The abstract opening book that engines ask for moves: book files and position
// trees stand behind it. A move whose from-square equals its to-square is "no move".
#pragma once

#include <cstdint>
#include <memory>

#include "core/rules/move.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"

namespace zh {

class GameCursor;
class TreeBook;

// Book kinds answered by GetKind.
inline constexpr int16_t kBookFileKind = 1;
inline constexpr int16_t kTreeBookKind = 2;

// Move classes of book moves, kept in the kind byte of a book list's MoveCode.
enum BookMoveClass : uint8_t {
  kMainBookMove = 1,     // a tournament move
  kGeneralBookMove = 2,  // " gen"
  kGambitBookMove = 3,   // " gam"
  kBadBookMove = 4,      // " no": found, never played
};

// The all-zero move that stands for "the book has no move".
inline Move NoBookMove() { return Move{}; }
inline bool IsNoBookMove(const Move& move) { return move.from == move.to; }

class OpeningBook {
 public:
  OpeningBook() = default;
  virtual ~OpeningBook();
  OpeningBook(const OpeningBook&) = delete;
  OpeningBook& operator=(const OpeningBook&) = delete;

  // Every book move of the position, unfiltered, in book order; answers the count.
  virtual int16_t FindMoves(int ply, const Position& position, MoveList& list) = 0;
  // One of the playable moves, with equal chances.
  virtual Move ChooseMove(const Position& position) = 0;
  // The move to play at the cursor's current position.
  virtual Move ChooseMoveForGame(const GameCursor& cursor) = 0;
  // The move to play in the position, picked with weights.
  virtual Move ChooseMoveForPlay(const Position& position) = 0;
  virtual void Update() {}
  virtual int16_t GetKind() const = 0;
  virtual TreeBook* AsTreeBook() { return nullptr; }
  // Compacts the list in place to the moves an engine may play; answers their number.
  virtual int16_t FilterMoves(MoveList& list, int16_t count) = 0;

  int16_t Mode() const { return mode_; }
  void SetMode(int16_t mode) { mode_ = mode; }
  int16_t CachedCount() const { return cachedCount_; }

 protected:
  // The book's own list, made on first use; null when that fails.
  MoveList* OwnList();

  std::unique_ptr<MoveList> list_;
  int16_t mode_ = 2;
  int16_t cachedCount_ = -1;  // filtered moves of cachedPosition_, -1 when none is cached
  Position cachedPosition_;
};

// A draw in 0..n-1 (n > 0) with equal chances from the random service.
uint32_t RandomBelow(uint32_t n);

}  // namespace zh
