#include "core/rules/position_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "support/random_games.h"
#include "support/test_fen.h"

namespace zh {
namespace {

// An independent writer: the codes as strings of '0' and '1', packed at the end.
std::vector<uint8_t> ReferenceKey(const Position& p) {
  static const char* const kCodes[16] = {"0",     "100000", "100010", "10010", "10100", "10110",
                                         "110",   "",       "",       "100001", "100011", "10011",
                                         "10101", "10111",  "111",    ""};
  std::string bits;
  for (int s = 0; s < 64; ++s) bits += kCodes[p.board[s]];
  const bool ep = p.epFile != 0, rights = p.castling != 0;
  const size_t need = rights ? (ep ? 7 : 4) : (ep ? 3 : 0);
  size_t bytes = (bits.size() + 7) / 8;
  if (bytes * 8 - bits.size() < need) ++bytes;
  bits.resize(bytes * 8, '0');
  std::vector<uint8_t> key(1 + bytes);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') key[1 + i / 8] |= static_cast<uint8_t>(1 << (7 - i % 8));
  unsigned trailer = rights ? p.castling | (ep ? (p.epFile - 1u) << 4 : 0) : (ep ? p.epFile - 1u : 0);
  key.back() |= static_cast<uint8_t>(trailer);
  key[0] = static_cast<uint8_t>(key.size() | (ep ? 0x20 : 0) | (rights ? 0x40 : 0));
  return key;
}

std::vector<uint8_t> Key(const Position& p) {
  uint8_t out[50] = {};
  EXPECT_EQ(CompressPosition(p, out), 0);
  return std::vector<uint8_t>(out, out + PositionKeyLength(out));
}

TEST(PositionKey, StartPositionAndBareKings) {
  const Position start;
  std::vector<uint8_t> key = Key(start);
  ASSERT_EQ(key.size(), 22u);
  EXPECT_EQ(key[0], 0x56);
  EXPECT_EQ(key.back() & 15, 15);
  Position back;
  ASSERT_EQ(ExpandPosition(back, key.data(), key.size()), 0);
  EXPECT_EQ(back, start);

  const Position kings = test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  key = Key(kings);
  EXPECT_EQ(key.size(), 11u);
  EXPECT_EQ(key[0], 0x0B);
  ASSERT_EQ(ExpandPosition(back, key.data(), key.size()), 0);
  EXPECT_EQ(back, kings);
}

TEST(PositionKey, RandomPositionsMatchTheReferenceAndComeBack) {
  int positions = 0;
  for (const test::PerftCase& c : test::PerftCases()) {
    for (const std::vector<MoveCode>& game : test::RandomGames(c)) {
      Position p = test::ParseFenForTest(c.fen);
      for (size_t ply = 0; ply <= game.size(); ++ply) {
        const std::vector<uint8_t> reference = ReferenceKey(p);
        uint8_t out[50] = {};
        if (reference.size() > 31) {
          EXPECT_NE(CompressPosition(p, out), 0);
        } else {
          ASSERT_EQ(Key(p), reference) << test::FenForTest(p);
          Position back;
          ASSERT_EQ(ExpandPosition(back, reference.data(), reference.size()), 0);
          Position white = p;
          white.side = 0;
          EXPECT_EQ(back, white) << test::FenForTest(p);
          ++positions;
        }
        if (ply < game.size()) p.MakeMoveSquares(game[ply].from, game[ply].to, game[ply].promotion);
      }
    }
  }
  EXPECT_GT(positions, 10000);
}

TEST(PositionKey, RefusedKeysAndBoards) {
  // Forty queens cannot be coded in 31 bytes.
  Position queens = test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  for (int s = 0, n = 0; s < 64 && n < 40; ++s)
    if (queens.board[s] == kEmpty) queens.board[s] = static_cast<uint8_t>(kQueen | (n++ % 2) * 8);
  uint8_t out[50];
  EXPECT_NE(CompressPosition(queens, out), 0);

  std::vector<uint8_t> key = Key(Position());
  Position p;
  // A length below 9, a length beyond the bytes given.
  std::vector<uint8_t> shortKey = key;
  shortKey[0] = static_cast<uint8_t>((shortKey[0] & ~31) | 8);
  EXPECT_EQ(ExpandPosition(p, shortKey.data(), shortKey.size()), 1);
  EXPECT_EQ(ExpandPosition(p, key.data(), key.size() - 1), 1);
  // A board without kings: all squares empty.
  std::vector<uint8_t> empty(10, 0);
  empty[0] = 10;
  EXPECT_EQ(ExpandPosition(p, empty.data(), empty.size()), 1);
  EXPECT_EQ(p.board[4], kEmpty);
}

}  // namespace
}  // namespace zh
