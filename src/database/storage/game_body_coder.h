// The coded move stream of a game body: versions, substitution, the streaming link to
// the file that holds the body, and the tree shapes the stream can carry. The coder
// itself is GameBody::Decode / DecodeMainLine / DecodeInto / Encode.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rules/game_move.h"

namespace zh {

class GameBody;
class MoveLine;

// Where a coder's buffer is refilled from and flushed to.
class BodyStream {
 public:
  virtual ~BodyStream() = default;
  // The next piece of the body into `buffer`, at most `length` bytes; `length` becomes
  // the bytes given, 0 at the body's end. 0, or an error code.
  virtual int ReadPiece(uint8_t* buffer, int& length) = 0;
  // The next `length` bytes of the body. 0, or an error code.
  virtual int WritePiece(const uint8_t* buffer, int length) = 0;
};

// A body in memory: reads hand out the bytes in pieces, writes append.
class MemoryBodyStream final : public BodyStream {
 public:
  MemoryBodyStream() = default;
  MemoryBodyStream(const uint8_t* bytes, size_t size) : bytes(bytes, bytes + size) {}
  explicit MemoryBodyStream(std::vector<uint8_t> data) : bytes(std::move(data)) {}

  int ReadPiece(uint8_t* buffer, int& length) override;
  int WritePiece(const uint8_t* buffer, int length) override;

  std::vector<uint8_t> bytes;
  size_t readPosition = 0;
};

namespace body_coding {

inline constexpr int kVersions = 8;
inline constexpr uint8_t kNullToken = 0;
inline constexpr uint8_t kEscapeToken = 235;
inline constexpr uint8_t kMarkerToken = 236;
inline constexpr uint8_t kBranchToken = 254;
inline constexpr uint8_t kEndToken = 255;
inline constexpr uint16_t kMarkerBit = 0x1000;
inline constexpr uint16_t kLastMoveBit = 0x4000;
inline constexpr uint16_t kBranchBit = 0x8000;
// Key of the annotations before the first move.
inline constexpr uint32_t kGameAnnotationKey = 0xFFFFFF;

struct VersionInfo {
  bool twoByte;
  int tableMode;  // 0: stored = t[v] + c; 1: stored = t[v + c]
  int shift;      // of the from square in a move word
  int scanOrder;  // of the piece numbering
  int writtenAs;
};
inline constexpr VersionInfo kVersionInfo[kVersions] = {
    {false, 0, 0, 0, 0}, {true, 0, 0, 0, 1}, {false, 0, 0, 1, 0}, {true, 0, 6, 0, 1},
    {false, 1, 0, 0, 4}, {true, 1, 0, 0, 5}, {false, 1, 0, 1, 4}, {true, 1, 6, 0, 5},
};

// Promotion codes of move words: 0 queen, 1 rook, 2 bishop, 3 knight.
inline constexpr uint8_t kPromotionType[4] = {kQueen, kRook, kBishop, kKnight};
constexpr int PromotionCode(int type) {
  return type == kRook ? 1 : type == kBishop ? 2 : type == kKnight ? 3 : 0;
}

// The stored byte of v at move counter c, and back.
uint8_t Substitute(int version, const uint8_t* encodeTable, uint8_t v, int counter);
uint8_t Restore(int version, uint8_t stored, int counter);

// Writes the body in any version, coding through `encodeTable` (the inverse of that
// version's decoding table); the written versions use their own tables through
// GameBody::Encode, the others are written only to test the reader. No annotations.
int EncodeAsVersion(GameBody& body, int version, const uint8_t* encodeTable, uint8_t* buffer,
                    int size, BodyStream& stream);

// The one move the decoder accepts: a legal move of the side to move, with the
// promotion the move needs (a missing one becomes a queen, a needless one is cleared).
// The move is completed against the position when it passes.
bool IsDecodableMove(const Position& position, GameMove& move);
// The same, playing the move on `after` when it passes.
bool PlayDecodedMove(const Position& position, GameMove& move, Position& after);

// Reshapes a line's variations into what the stream holds: empty variations are
// dropped, and variations on the first move of a variation move into the parent's
// list right after that variation (both are alternatives to the same move).
void NormaliseVariations(MoveLine& line);

}  // namespace body_coding

}  // namespace zh
