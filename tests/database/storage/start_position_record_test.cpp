#include "database/storage/start_position_record.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_fen.h"

namespace zh {
namespace {

StartRecord SetUpRecord(const char* fen, uint16_t kind = 1, int16_t firstMove = 1) {
  StartRecord r;
  r.kind = kind;
  r.firstMove = firstMove;
  r.start.position = test::ParseFenForTest(fen);
  r.start.ply = 0;
  return r;
}

TEST(StartPositionRecord, PerftPositionsRoundTripInBothKinds) {
  for (const test::PerftCase& c : test::PerftCases()) {
    for (uint16_t kind : {1, 2}) {
      const StartRecord in = SetUpRecord(c.fen, kind, 17);
      uint8_t bytes[40] = {};
      const int length = StartPositionRecord::Write(in, bytes);
      EXPECT_EQ(length, kind == 1 ? 28 : 36) << c.name;
      StartRecord out;
      ASSERT_EQ(StartPositionRecord::Read(bytes, length, out), length) << c.name;
      EXPECT_EQ(out.start.position, in.start.position) << c.name << " kind " << kind;
      EXPECT_EQ(out.kind, kind);
      EXPECT_EQ(out.firstMove, 17);
      EXPECT_EQ(out.start.ply, 0);
      EXPECT_EQ(StartPositionRecord::Read(bytes, length - 1, out), 0);  // cut short
    }
  }
}

TEST(StartPositionRecord, HeaderBytesAndBoardSizes) {
  uint8_t bytes[40];
  // The standard position fills the 24 bit-coded bytes exactly: its last square, h8,
  // is a black rook (1 + 4 bits), the final bits of byte 27.
  StartPositionRecord::Write(SetUpRecord("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), bytes);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[2], 15);
  EXPECT_EQ(bytes[27] & 0x1F, 0x10 | kRook | kBlackBit);

  StartPositionRecord::Write(SetUpRecord("4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1", 1, 300), bytes);
  EXPECT_EQ(bytes[1], 0x15);
  EXPECT_EQ(bytes[3], 44);  // 300 keeps its low byte
  int zeros = 0;
  for (int i = 4; i < 28; ++i) zeros += bytes[i] == 0;
  EXPECT_GE(zeros, 18);  // three men take 79 bits

  // 33 men do not fit the bit coding: kind 2 whatever was asked.
  StartRecord crowded = SetUpRecord("rnbqkbnr/pppppppp/8/8/8/N7/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(StartPositionRecord::Write(crowded, bytes), 36);
  EXPECT_EQ(bytes[0], 2);
  StartRecord back;
  ASSERT_EQ(StartPositionRecord::Read(bytes, 36, back), 36);
  EXPECT_EQ(back.start.position, crowded.start.position);
  uint8_t bits[kBitBoardSize];
  EXPECT_FALSE(EncodeBoardBits(crowded.start.position.board, bits));
}

TEST(StartPositionRecord, EnPassantFileNeedsItsPawn) {
  uint8_t bytes[40];
  const StartRecord r = SetUpRecord("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  StartPositionRecord::Write(r, bytes);
  StartRecord out;
  ASSERT_EQ(StartPositionRecord::Read(bytes, 28, out), 28);
  EXPECT_EQ(out.start.position.epFile, 4);
  const struct {
    uint8_t nibble;
    uint8_t expected;
  } cases[] = {{4, 4}, {5, 0}, {9, 0}, {12, 0}, {15, 0}, {0, 0}};
  for (const auto& c : cases) {
    bytes[1] = c.nibble;
    ASSERT_EQ(StartPositionRecord::Read(bytes, 28, out), 28);
    EXPECT_EQ(out.start.position.epFile, c.expected) << int(c.nibble);
  }
  bytes[1] = 0x14;  // Black to move: the d-pawn would have to be white on d4
  ASSERT_EQ(StartPositionRecord::Read(bytes, 28, out), 28);
  EXPECT_EQ(out.start.position.epFile, 0);
}

TEST(StartPositionRecord, OnlyKindsOneAndTwoAreRead) {
  uint8_t bytes[40] = {};
  StartPositionRecord::Write(SetUpRecord("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), bytes);
  StartRecord out;
  for (uint8_t kind : {0, 3, 255}) {
    bytes[0] = kind;
    EXPECT_EQ(StartPositionRecord::Read(bytes, 40, out), 0) << int(kind);
  }
}

TEST(PackedPosition, RoundTripAndCompare) {
  const Position p = test::ParseFenForTest("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  uint8_t a[kPackedPositionSize], b[kPackedPositionSize];
  PackPosition(p.board, a);
  EXPECT_EQ(a[0], (kRook << 4) | kPawn);  // a1 high nibble, a2 low
  Board board;
  UnpackPosition(a, board);
  EXPECT_TRUE(board.Equals(p.board));
  EXPECT_EQ(ComparePackedPositions(a, a), 0);

  Board other = p.board;
  other[63] = kQueen | kBlackBit;  // h8: black rook (13) becomes a black queen (10)
  PackPosition(other, b);
  EXPECT_EQ(ComparePackedPositions(a, b), 3);
  EXPECT_EQ(ComparePackedPositions(b, a), -3);
  // Bytes compare unsigned: a high nibble of 13 ranks above one of 1.
  std::memset(a, 0xD0, sizeof a);
  std::memset(b, 0x10, sizeof b);
  EXPECT_GT(ComparePackedPositions(a, b), 0);
}

}  // namespace
}  // namespace zh
