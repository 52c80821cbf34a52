#include "database/storage/start_position_record.h"

#include <cstring>

namespace zh {

namespace {

constexpr int kMaxBitCodedMen = (kBitBoardSize * 8 - 64) / 4;

int CountMen(const Board& board) {
  int n = 0;
  for (uint8_t code : board.squares) n += code != kEmpty;
  return n;
}

// The en-passant file when the pawn that just made its double step stands there, else 0.
uint8_t CheckedEpFile(const Board& board, int epFile, uint32_t side) {
  if (epFile < 1 || epFile > 8) return 0;
  const int pawn = side == 1 ? MakeSquare(epFile - 1, 3) : MakeSquare(epFile - 1, 4);
  const int code = side == 1 ? kPawn : kPawn | kBlackBit;
  return board[pawn] == code ? static_cast<uint8_t>(epFile) : 0;
}

class BitWriter {
 public:
  explicit BitWriter(uint8_t* bytes) : bytes_(bytes) {}
  void Put(unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i, ++bit_)
      if (value >> i & 1) bytes_[bit_ >> 3] |= static_cast<uint8_t>(0x80 >> (bit_ & 7));
  }

 private:
  uint8_t* bytes_;
  int bit_ = 0;
};

class BitReader {
 public:
  explicit BitReader(const uint8_t* bytes) : bytes_(bytes) {}
  bool Has(int width) const { return bit_ + width <= kBitBoardSize * 8; }
  unsigned Get(int width) {
    unsigned v = 0;
    for (int i = 0; i < width; ++i, ++bit_) v = v << 1 | (bytes_[bit_ >> 3] >> (7 - (bit_ & 7)) & 1);
    return v;
  }

 private:
  const uint8_t* bytes_;
  int bit_ = 0;
};

}  // namespace

int StartPositionRecord::Write(const StartRecord& record, uint8_t* bytes) {
  const Position& p = record.start.position;
  const bool nibbles = record.kind == 2 || CountMen(p.board) > kMaxBitCodedMen;
  bytes[0] = nibbles ? 2 : 1;
  bytes[1] = static_cast<uint8_t>((p.side == 1 ? 0x10 : 0) | (p.epFile & 0x0F));
  bytes[2] = p.castling & 0x0F;
  bytes[3] = static_cast<uint8_t>(record.firstMove);
  if (nibbles) {
    PackPosition(p.board, bytes + 4);
    return kNibbleLength;
  }
  EncodeBoardBits(p.board, bytes + 4);
  return kBitCodedLength;
}

int StartPositionRecord::Read(const uint8_t* bytes, int available, StartRecord& record) {
  if (available < kBitCodedLength) return 0;
  const int kind = bytes[0];
  if (kind != 1 && kind != 2) return 0;
  const int length = kind == 2 ? kNibbleLength : kBitCodedLength;
  if (available < length) return 0;
  Position& p = record.start.position;
  if (kind == 2)
    UnpackPosition(bytes + 4, p.board);
  else
    DecodeBoardBits(bytes + 4, p.board);
  record.kind = static_cast<uint16_t>(kind);
  p.side = bytes[1] & 0x10 ? 1 : 0;
  p.epFile = CheckedEpFile(p.board, bytes[1] & 0x0F, p.side);
  p.castling = bytes[2] & 0x0F;
  record.firstMove = bytes[3];
  record.start.ply = 0;
  p.FindKings();
  return length;
}

void PackPosition(const Board& board, uint8_t bytes[kPackedPositionSize]) {
  for (int i = 0; i < kPackedPositionSize; ++i)
    bytes[i] = static_cast<uint8_t>((board[2 * i] & 0x0F) << 4 | (board[2 * i + 1] & 0x0F));
}

void UnpackPosition(const uint8_t bytes[kPackedPositionSize], Board& board) {
  for (int i = 0; i < kPackedPositionSize; ++i) {
    board[2 * i] = bytes[i] >> 4;
    board[2 * i + 1] = bytes[i] & 0x0F;
  }
}

int ComparePackedPositions(const uint8_t* a, const uint8_t* b) {
  for (int i = 0; i < kPackedPositionSize; ++i)
    if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
  return 0;
}

bool EncodeBoardBits(const Board& board, uint8_t bytes[kBitBoardSize]) {
  std::memset(bytes, 0, kBitBoardSize);
  if (CountMen(board) > kMaxBitCodedMen) return false;
  BitWriter out(bytes);
  for (uint8_t code : board.squares) {
    if (code == kEmpty)
      out.Put(0, 1);
    else
      out.Put(0x10 | (code & 0x0F), 5);
  }
  return true;
}

void DecodeBoardBits(const uint8_t bytes[kBitBoardSize], Board& board) {
  BitReader in(bytes);
  for (uint8_t& code : board.squares) {
    code = kEmpty;
    if (!in.Has(1) || in.Get(1) == 0) continue;
    if (in.Has(4)) code = static_cast<uint8_t>(in.Get(4));
  }
}

}  // namespace zh
