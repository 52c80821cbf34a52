#include "core/rules/position_key.h"

#include <cstring>

namespace zh {

namespace {

struct PieceCode {
  uint8_t bits;
  uint8_t length;
};

// Codes by piece code (type, plus 8 for black); length 0 for codes no piece has.
constexpr PieceCode kCodes[16] = {
    {0b0, 1},      {0b100000, 6}, {0b100010, 6}, {0b10010, 5}, {0b10100, 5}, {0b10110, 5},
    {0b110, 3},    {0, 0},        {0, 0},        {0b100001, 6}, {0b100011, 6}, {0b10011, 5},
    {0b10101, 5},  {0b10111, 5},  {0b111, 3},    {0, 0},
};

}  // namespace

int CompressPosition(const Position& position, uint8_t* out) {
  uint8_t buffer[64] = {};
  int bit = 0;  // bits written after the header
  for (int s = 0; s < 64; ++s) {
    const PieceCode c = kCodes[position.board.squares[s] & 15];
    const int length = c.length ? c.length : 1;  // an unknown code reads as empty
    for (int i = length - 1; i >= 0; --i, ++bit)
      if (c.length && ((c.bits >> i) & 1)) buffer[bit >> 3] |= static_cast<uint8_t>(0x80 >> (bit & 7));
  }
  const bool hasRights = (position.castling & 15) != 0;
  const bool hasEp = position.epFile >= 1 && position.epFile <= 8;
  int bytes = (bit + 7) / 8;
  const int freeBits = bytes * 8 - bit;
  const int trailerBits = hasRights ? (hasEp ? 7 : 4) : (hasEp ? 3 : 0);
  if (trailerBits > freeBits) ++bytes;
  if (trailerBits) {
    uint8_t trailer = 0;
    if (hasRights) {
      trailer = static_cast<uint8_t>(position.castling & 15);
      if (hasEp) trailer |= static_cast<uint8_t>((position.epFile - 1) << 4);
    } else {
      trailer = static_cast<uint8_t>(position.epFile - 1);
    }
    buffer[bytes - 1] |= trailer;
  }
  const int length = bytes + 1;
  if (length > kMaxPositionKey) return 1;
  out[0] = static_cast<uint8_t>(length | (hasEp ? 0x20 : 0) | (hasRights ? 0x40 : 0));
  std::memcpy(out + 1, buffer, static_cast<size_t>(bytes));
  return 0;
}

int ExpandPosition(Position& position, const uint8_t* key, size_t size) {
  Board board;
  board.Clear();
  position.Set(board, 0, 0, 0);
  if (size < 1) return 1;
  const size_t length = key[0] & 31u;
  if (length < 9 || length > size) return 1;
  const uint8_t last = key[length - 1];
  uint8_t rights = 0, ep = 0;
  if (key[0] & 0x40) {
    rights = last & 15;
    if (key[0] & 0x20) ep = static_cast<uint8_t>(((last >> 4) & 7) + 1);
  } else if (key[0] & 0x20) {
    ep = static_cast<uint8_t>((last & 7) + 1);
  }
  const size_t totalBits = (length - 1) * 8;
  size_t bit = 0;
  auto next = [&]() { return (key[1 + (bit >> 3)] >> (7 - (bit & 7))) & 1; };
  for (int s = 0; s < 64 && bit < totalBits; ++s) {
    uint8_t code = 0;
    int read = 0;
    int piece = -1;
    while (bit < totalBits && read < 6) {
      code = static_cast<uint8_t>((code << 1) | next());
      ++bit;
      ++read;
      for (int p = 0; p < 16; ++p)
        if (kCodes[p].length == read && kCodes[p].bits == code) piece = p;
      if (piece >= 0) break;
    }
    if (piece < 0) break;
    board.squares[s] = static_cast<uint8_t>(piece);
  }
  Position decoded;
  decoded.Set(board, 0, ep, rights);
  if (ValidateBoard(decoded.board, false) != 0 && ValidateBoard(decoded.board, true) != 0) return 1;
  position = decoded;
  return 0;
}

}  // namespace zh
