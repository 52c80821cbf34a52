// The per-ply material of one game as a reader decodes it: for every ply the piece
// counts, square sets and material sum of both sides and their pawns, each ply a copy
// of the one before changed by its move, so that the position criteria of a search
// read a table instead of replaying the game.
#pragma once

#include <cstdint>
#include <memory>

#include "database/search_mask.h"

namespace zh {

// Square sets: bit (file x 8 + rank), so byte f of the little-endian image is file f.
inline constexpr uint64_t kDarkSquares = 0xAA55AA55AA55AA55ull;
inline constexpr int kTracePlies = 600;

// The move that led to a ply.
struct TraceMove {
  uint8_t from = 0;
  uint8_t to = 0;
  uint8_t kind = 0;       // MoveKind bits
  uint8_t promotion = 0;  // promotion type, 0 none
  int16_t piece = 0;      // code of the moving piece
  int16_t captured = 0;   // code of the captured piece, 0 none
};

// One side's pieces but its pawns at one ply. Index kind - 1 for kinds 1 (king) to 6;
// the pawn entries stay zero, pawns live in TracePawns.
struct TraceSide {
  uint64_t sets[6];
  int16_t material;  // piece values of the pieces, the king 0
  int16_t counts[6];

  uint64_t Set(int kind) const { return sets[kind - 1]; }
  int Count(int kind) const { return counts[kind - 1]; }
};

struct TracePawns {
  uint64_t squares;
  uint8_t count;
};

// Everything a ply holds of both sides; index 0 White, 1 Black.
struct TracePly {
  TraceSide pieces[2];
  TracePawns pawns[2];
};

class GameTrace final : public TraceSink {
 public:
  enum Status : int32_t { kReady = 0, kFreed = 3, kOutOfMemory = 5 };
  // Values by kind: none, king, queen, knight, bishop, rook, pawn.
  static constexpr int16_t kPieceValue[7] = {0, 0, 9, 3, 3, 5, 1};

  // Allocates the ply records once; status 5 when that fails.
  GameTrace();
  ~GameTrace() override;
  GameTrace(const GameTrace&) = delete;
  GameTrace& operator=(const GameTrace&) = delete;

  void Start(const Board& board) override;
  // Appends the ply after the move; sideToMove is 0 when White made it. Moves after
  // the last ply the trace holds are ignored.
  void AppendMove(const GameMove& move, int sideToMove) override;
  bool WantsMore() const override {
    return status == kReady && length < kTracePlies && men_ >= menFloor;
  }

  // Balance (White minus Black, pawns 1) before the run of captures that holds the
  // ply and after it.
  void MaterialAround(int ply, int& before, int& after) const;
  int Balance(int ply) const;

  const TracePly& Ply(int ply) const { return block_->plies[ply]; }
  const TraceSide& Side(int ply, int colour) const { return block_->plies[ply].pieces[colour]; }
  const TracePawns& Pawns(int ply, int colour) const { return block_->plies[ply].pawns[colour]; }
  const TraceMove& MoveAt(int ply) const { return block_->moves[ply]; }
  int Men() const { return men_; }

  int32_t status = kOutOfMemory;
  int16_t length = 0;
  int16_t sideOffset = 0;

 private:
  struct Block {
    TraceMove moves[kTracePlies];
    TracePly plies[kTracePlies];
  };
  std::unique_ptr<Block> block_;
  int men_ = 0;
};

}  // namespace zh
