// The one-byte move codings: the old format's move-list order, the slot numbering of
// the game file along many games, and golden files that freeze every table byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/byte_key.h"
#include "core/rules/coding_movelist.h"
#include "core/rules/move_coding_tables.h"
#include "core/rules/movelist.h"
#include "core/rules/piece_index_board.h"
#include "support/test_fen.h"

namespace zh {
namespace {

namespace mc = move_coding;

std::string DataPath(const std::string& name) {
  return std::string(ZH_SOURCE_DIR) + "/tests/core/data/" + name;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Compares with a golden file; ZH_WRITE_GOLDEN=1 writes it instead.
void ExpectGolden(const std::string& name, const std::string& text) {
  if (std::getenv("ZH_WRITE_GOLDEN")) {
    std::ofstream(DataPath(name), std::ios::binary) << text;
    return;
  }
  EXPECT_EQ(text, ReadText(DataPath(name))) << name;
}

template <class Array>
std::string Row(const std::string& name, const Array& values) {
  std::string s = name + ":";
  for (auto v : values) s += " " + std::to_string(static_cast<int>(v));
  return s + "\n";
}

TEST(MoveCodingTables, GoldenBytesAndGenerator) {
  std::string text = Row("class", mc::kPieceClass);
  for (int c = 0; c < 3; ++c) text += Row("direction" + std::to_string(c), mc::kDirectionCode[c]);
  text += Row("slotBase", mc::kSlotBase);
  text += Row("slotByByte", mc::kSlotCodeByByte);
  text += Row("stepWhite", mc::kStepByByte[0]);
  text += Row("stepBlack", mc::kStepByByte[1]);
  text += Row("byteKey", mc::kByteKey);
  text += Row("embeddedEncode", mc::kEmbeddedEncode);
  text += Row("embeddedDecode", mc::kEmbeddedDecode);
  ExpectGolden("move_coding_tables.txt", text);

  // The committed header is what the script writes.
  const std::string command = std::string(ZH_PYTHON3) + " " ZH_SOURCE_DIR "/tools/gen_move_coding.py";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string generated;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) generated.append(buffer, n);
  EXPECT_EQ(generated, ReadText(ZH_SOURCE_DIR "/src/core/rules/move_coding_tables.h"));

  for (int i = 0; i < 256; ++i) EXPECT_EQ(mc::kEmbeddedDecode[mc::kEmbeddedEncode[i]], i);
}

// Every move byte names a slot and a step; the only step two bytes of one slot share
// is the half-board diagonal (4, 4), which the encoder writes with the lower byte.
TEST(MoveCodingTables, EveryMoveByteHasOneSlotAndStep) {
  std::set<std::pair<int, int>> seen;
  int aliases = 0;
  for (int b = mc::kFirstMoveByte; b <= mc::kLastMoveByte; ++b) {
    ASSERT_NE(mc::kSlotCodeByByte[b], 0) << b;
    if (!seen.insert({mc::kSlotCodeByByte[b], mc::kStepByByte[0][b]}).second) {
      EXPECT_EQ(mc::kStepByByte[0][b], 0x44) << b;
      EXPECT_EQ(mc::kDirectionCode[1][4 * 8 + 4], 17);
      ++aliases;
    }
  }
  EXPECT_EQ(aliases, 6);  // three queens, three bishops
  EXPECT_EQ(mc::kSlotCodeByByte[0], 0);
  EXPECT_EQ(mc::kSlotCodeByByte[mc::kEscape], 0);
}

TEST(ByteKey, FunctionsFollowTheKeys) {
  const ByteKey zero(std::array<int16_t, 4>{0, 0, 0, 0});
  EXPECT_EQ(zero.Add(200, 100), 44);
  EXPECT_EQ(zero.Multiply(3, 4), 15);  // b made odd
  EXPECT_EQ(zero.Rotate(0x81, 1), 0x03);
  const ByteKey key;
  const uint8_t header[13] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  EXPECT_EQ(key.CheckByte(header, 13), 108);  // frozen
  uint8_t other[13] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14};
  EXPECT_NE(key.CheckByte(other, 13), key.CheckByte(header, 13));
}

// ---- the old format's move list ----

struct ListCase {
  const char* name;
  const char* fen;
};

TEST(CodingMoveList, GoldenLists) {
  const ListCase cases[] = {
      {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
      {"castling without rights, white", "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1"},
      {"castling without rights, black", "r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1"},
      {"en passant on the a-wing", "4k3/8/8/pP6/8/8/8/4K3 w - a6 0 1"},
      {"en passant on the h-wing", "4k3/8/8/6Pp/8/8/8/4K3 w - h6 0 1"},
      {"en passant for black", "4k3/8/8/8/4PpP1/8/8/4K3 b - e3 0 1"},
      {"promotions", "1n2k3/P1P5/8/8/8/8/5p2/4K1N1 w - - 0 1"},
      {"promotions for black", "4k3/8/8/8/8/8/1p5p/R3K1N1 b - - 0 1"},
      {"a-file pawn beside a pawn without en-passant file", "4k3/8/8/Pp6/8/8/8/4K3 w - - 0 1"},
      {"a-file pawn of black without en-passant file", "4k3/8/8/8/pP6/8/8/4K3 b - - 0 1"},
      {"composed, cut at 126", "R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"},
  };
  std::string text;
  for (const ListCase& c : cases) {
    const Position p = test::ParseFenForTest(c.fen);
    CodingMoveList list;
    const int n = list.Generate(p.board, p.epFile, static_cast<int>(p.side));
    text += std::string(c.name) + " | " + c.fen + " | " + std::to_string(n) + "\n";
    for (int i = 0; i < n; ++i) text += (i % 16 ? " " : "") + test::UciMove(list.At(i)) + (i % 16 == 15 || i + 1 == n ? "\n" : "");
  }
  ExpectGolden("coding_move_lists.txt", text);
}

TEST(CodingMoveList, LimitAndReadsOutsideTheList) {
  const Position p = test::ParseFenForTest("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1");
  CodingMoveList list;
  EXPECT_EQ(list.Generate(p.board, 0, 0), CodingMoveList::kSlots);
  EXPECT_EQ(list.Generate(p.board, 0, 0, 1), 1);
  EXPECT_EQ(list.Generate(p.board, 0, 0, 500), CodingMoveList::kSlots);
  EXPECT_EQ(&list.At(126), &list.At(0));
  EXPECT_EQ(&list.At(-1), &list.At(0));
  // The side comes from the caller, not the position.
  const Position start;
  EXPECT_EQ(list.Generate(start.board, 0, 1), 20);
  EXPECT_EQ(list.At(0).from, 6);  // a7
}

// ---- the slot numbering ----

constexpr int kCounted[8] = {0, 1, 3, 3, 3, 3, 8, 0};

// The numbering agrees with the board: every piece carries a slot of its code, and
// each code has min(count, limit) numbered slots, ordinals 0.. for the officers.
void ExpectConsistent(const PieceIndexBoard& pib, const Position& p) {
  int count[16] = {};
  for (int s = 0; s < 64; ++s) {
    const int code = p.board[s];
    ASSERT_EQ(pib.SlotAt(s) & 15, code) << SquareName(s);
    ++count[code];
  }
  for (int code = 1; code < 15; ++code) {
    const int type = TypeOf(code);
    if (type == 0 || type == 7) continue;
    int numbered = 0;
    for (int o = 0; o < kCounted[type]; ++o) {
      const int sq = pib.SquareOfSlot(code + 16 * o);
      if (sq == PieceIndexBoard::kOffBoard) continue;
      ++numbered;
      ASSERT_EQ(pib.SlotAt(sq), code + 16 * o);
      if (type != kPawn && type != kKing) {
        ASSERT_LT(o, std::min(count[code], 3)) << code;
      }
    }
    ASSERT_EQ(numbered, std::min(count[code], kCounted[type])) << "code " << code;
  }
}

// Plays random legal games that favour captures, promotions of every kind, castling
// and en passant, and checks encoding, decoding and numbering at every ply in both
// numbering orders.
TEST(PieceIndexBoard, RandomGamesRoundTrip) {
  std::mt19937 random(1105);
  int escapes = 0, underPromotions = 0, castles = 0, enPassants = 0, coded = 0;
  for (int game = 0; game < 10000; ++game) {
    Position p;
    PieceIndexBoard boards[2];
    boards[0].SetFromPosition(p, 0);
    boards[1].SetFromPosition(p, 1);
    for (int ply = 0; ply < 90; ++ply) {
      MoveList list;
      const int n = list.GenerateLegal(p);
      if (n == 0) break;
      std::vector<MoveCode> special;
      for (const MoveCode& m : list)
        if (m.kind & (kCapture | kEnPassant | kPromotion | kCastleBits)) special.push_back(m);
      const MoveCode code = !special.empty() && random() % 3
                                ? special[random() % special.size()]
                                : list.At(static_cast<int>(random() % static_cast<uint32_t>(n)));
      GameMove m = GameMove::FromSquares(code.from, code.to, code.kind & kPromotion ? code.promotion : 0);
      m.Complete(p);
      for (PieceIndexBoard& pib : boards) {
        const uint8_t byte = pib.EncodeMove(m);
        ASSERT_GE(byte, 1);
        ASSERT_LE(byte, 235);
        const bool numbered = pib.SquareOfSlot(pib.SlotAt(m.from)) == m.from;
        if (m.promotion || !numbered) {
          ASSERT_EQ(byte, 235);
          ++escapes;
        } else {
          ASSERT_NE(byte, 235) << m.LongText();
          GameMove back;
          ASSERT_TRUE(pib.DecodeMove(byte, p.side == 1, back));
          ASSERT_EQ(back.from, m.from);
          ASSERT_EQ(back.to, m.to);
          ++coded;
        }
        pib.ApplyMove(m);
      }
      underPromotions += m.promotion != 0 && m.promotion != kQueen;
      castles += (m.kind & kCastleBits) != 0;
      enPassants += (m.kind & kEnPassant) != 0;
      p.DoGameMove(m);
      for (const PieceIndexBoard& pib : boards) ASSERT_NO_FATAL_FAILURE(ExpectConsistent(pib, p));
    }
  }
  EXPECT_GT(underPromotions, 100);
  EXPECT_GT(castles, 1000);
  EXPECT_GT(enPassants, 100);
  EXPECT_GT(coded, 100 * escapes);
}

TEST(PieceIndexBoard, ScanOrderDecidesOrdinals) {
  const Position start;
  PieceIndexBoard up, down;
  up.SetFromPosition(start, 0);
  down.SetFromPosition(start, 1);
  EXPECT_EQ(up.SlotAt(0), kRook);        // a1 first from a1 up
  EXPECT_EQ(up.SlotAt(56), kRook + 16);  // h1
  EXPECT_EQ(down.SlotAt(56), kRook);     // h1 first from h8 down
  EXPECT_EQ(down.SlotAt(0), kRook + 16);
  EXPECT_EQ(up.SlotAt(62), kPawn + kBlackBit + 16 * 7);
  EXPECT_EQ(up.SquareOfSlot(kKing + kBlackBit), 39);
}

TEST(PieceIndexBoard, FourthQueenHasNoSlotAndTakesTheFreedOrdinal) {
  Position p = test::ParseFenForTest("4k3/8/8/8/8/8/8/QQQQK2r b - - 0 1");
  PieceIndexBoard pib;
  pib.SetFromPosition(p, 0);
  EXPECT_EQ(pib.SlotAt(24), kQueen + 32);  // d1 keeps the third queen's code
  EXPECT_EQ(pib.SquareOfSlot(kQueen + 32), 16);  // c1 holds the entry
  GameMove fourth = GameMove::FromSquares(24, 27);
  fourth.Complete(p);
  EXPECT_EQ(pib.EncodeMove(fourth), 235);
  GameMove third = GameMove::FromSquares(16, 19);
  third.Complete(p);
  const uint8_t byte = pib.EncodeMove(third);
  ASSERT_NE(byte, 235);
  GameMove back;
  ASSERT_TRUE(pib.DecodeMove(byte, false, back));
  EXPECT_EQ(back.from, 16);

  // Moving the fourth queen leaves the third's entry alone; taking it clears a square only.
  pib.ApplyMove(fourth);
  EXPECT_EQ(pib.SquareOfSlot(kQueen + 32), 16);
  EXPECT_EQ(pib.SlotAt(27), kQueen + 32);
  pib.RemovePiece(27);
  EXPECT_EQ(pib.SlotAt(27), 0);
  EXPECT_EQ(pib.SquareOfSlot(kQueen + 32), 16);

  // Taking a numbered queen hands the freed third ordinal to the queen beyond the count.
  PieceIndexBoard again;
  again.SetFromPosition(p, 0);
  again.RemovePiece(0);  // a1, ordinal 0
  EXPECT_EQ(again.SlotAt(8), kQueen);
  EXPECT_EQ(again.SlotAt(16), kQueen + 16);
  EXPECT_EQ(again.SlotAt(24), kQueen + 32);
  EXPECT_EQ(again.SquareOfSlot(kQueen + 32), 24);
}

TEST(PieceIndexBoard, TakingTheFirstOfThreeKnights) {
  Position p = test::ParseFenForTest("4k3/8/8/8/8/2N5/3b4/1N2K1N1 b - - 0 1");
  PieceIndexBoard pib;
  pib.SetFromPosition(p, 0);
  ASSERT_EQ(pib.SlotAt(8), kKnight);  // b1
  GameMove take = GameMove::FromSquares(25, 18);  // Bd2xc3 takes the knight of ordinal 1
  take.Complete(p);
  PieceIndexBoard second = pib;
  second.ApplyMove(take);
  EXPECT_EQ(second.SlotAt(8), kKnight);
  EXPECT_EQ(second.SlotAt(48), kKnight + 16);
  EXPECT_EQ(second.SquareOfSlot(kKnight + 32), PieceIndexBoard::kOffBoard);

  pib.RemovePiece(8);  // the first knight
  EXPECT_EQ(pib.SlotAt(18), kKnight);
  EXPECT_EQ(pib.SlotAt(48), kKnight + 16);
  EXPECT_EQ(pib.SquareOfSlot(kKnight), 18);
  EXPECT_EQ(pib.SquareOfSlot(kKnight + 16), 48);
  EXPECT_EQ(pib.SquareOfSlot(kKnight + 32), PieceIndexBoard::kOffBoard);
}

TEST(PieceIndexBoard, PromotionTakesTheFirstFreeOrdinalOrNone) {
  Position p = test::ParseFenForTest("4k3/P7/8/8/8/8/8/QQ2K2Q w - - 0 1");
  PieceIndexBoard pib;
  pib.SetFromPosition(p, 0);
  GameMove promote = GameMove::FromSquares(6, 7, kQueen);
  promote.Complete(p);
  EXPECT_EQ(pib.EncodeMove(promote), 235);
  pib.ApplyMove(promote);
  EXPECT_EQ(pib.SlotAt(7), kQueen + 48);  // all three taken: no entry
  GameMove next = GameMove::FromSquares(7, 15);
  EXPECT_EQ(pib.EncodeMove(next), 235);

  PieceIndexBoard rook;
  rook.SetFromPosition(p, 0);
  promote.promotion = kRook;
  rook.ApplyMove(promote);
  EXPECT_EQ(rook.SlotAt(7), kRook);
  EXPECT_EQ(rook.SquareOfSlot(kRook), 7);
  EXPECT_EQ(rook.SquareOfSlot(kPawn), PieceIndexBoard::kOffBoard);
}

TEST(PieceIndexBoard, DecodeRefusesBytesWithoutAPiece) {
  const Position start;
  PieceIndexBoard pib;
  pib.SetFromPosition(start, 0);
  GameMove m;
  for (int byte : {0, 235, 236, 255}) EXPECT_FALSE(pib.DecodeMove(static_cast<uint8_t>(byte), false, m)) << byte;
  EXPECT_FALSE(pib.DecodeMove(mc::kSlotBase[kQueen + 16], false, m));  // no second queen
  pib.RemovePiece(6);  // a7
  EXPECT_FALSE(pib.DecodeMove(mc::kSlotBase[kPawn + kBlackBit], true, m));
  EXPECT_TRUE(pib.DecodeMove(mc::kSlotBase[kPawn + kBlackBit + 16], true, m));
  EXPECT_EQ(m.from, 14);  // b7
  EXPECT_EQ(m.to, 13);
}

// A game with castling on both wings, en passant, captures and a promotion, coded in
// both orders: the bytes are part of the game file format.
TEST(PieceIndexBoard, GoldenBytesOfAFixedGame) {
  const char* moves[] = {"e2e4", "d7d5", "e4e5", "f7f5", "e5f6", "g8f6", "g1f3", "c8g4", "f1c4", "d8d6",
                         "e1g1", "b8c6", "d2d4", "e8c8", "c4d5", "f6d5", "b2b4", "g7g5", "b4b5",
                         "g5g4", "b5c6", "g4f3", "c6b7", "c8b8", "b7a8n", "f3g2", "a8c7", "g2f1q"};
  std::string text;
  for (int order = 0; order < 2; ++order) {
    Position p;
    PieceIndexBoard pib;
    pib.SetFromPosition(p, order);
    text += "order " + std::to_string(order) + ":";
    for (const char* uci : moves) {
      const std::string s = uci;
      const int from = (s[0] - 'a') * 8 + s[1] - '1', to = (s[2] - 'a') * 8 + s[3] - '1';
      const int promotion = s.size() > 4 ? std::string("..qnbr").find(s[4]) : 0;
      GameMove m = GameMove::FromSquares(from, to, promotion);
      m.Complete(p);
      ASSERT_TRUE(m.ToMove().IsLegal(p)) << uci;
      text += " " + std::to_string(pib.EncodeMove(m));
      pib.ApplyMove(m);
      p.DoGameMove(m);
    }
    text += "\n";
  }
  EXPECT_EQ(text,
            "order 0: 220 216 219 224 222 189 190 140 162 16 9 183 216 10 151 187 208 228 207 227 210 "
            "229 209 2 235 230 193 235\n"
            "order 1: 216 220 215 212 218 181 182 154 148 16 9 191 220 10 137 179 228 208 227 207 230 "
            "209 229 2 235 210 193 235\n");
}

TEST(PieceIndexBoardStack, PushPopClear) {
  PieceIndexBoardStack stack(2);
  PieceIndexBoard a, b;
  a.SetFromPosition(Position(), 0);
  EXPECT_EQ(stack.Pop(b), 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(stack.Push(a), 0);  // grows past its first size
  EXPECT_EQ(stack.Count(), 5);
  EXPECT_EQ(stack.Pop(b), 0);
  EXPECT_EQ(b, a);
  stack.Clear();
  EXPECT_EQ(stack.Pop(b), 1);
}

}  // namespace
}  // namespace zh
