#include "core/rules/fen.h"

#include <gtest/gtest.h>

#include <random>

#include "core/rules/square_list.h"
#include "support/test_fen.h"

namespace zh {
namespace {

int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

StartRecord Parse(std::string_view fen) {
  StartRecord r;
  ParseFen(r, fen);
  return r;
}

TEST(Fen, PerftPositionsRoundTrip) {
  for (const test::PerftCase& c : test::PerftCases()) {
    const std::string fen = c.fen;
    if (fen.find(" 0 ") == std::string::npos) continue;  // we always write 0 half-moves
    EXPECT_EQ(FormatFen(Parse(fen)), fen) << c.name;
  }
  EXPECT_EQ(FormatFen(StartRecord()), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST(Fen, ReadingCases) {
  struct Case {
    const char* name;
    const char* text;
    const char* written;
  } cases[] = {
      {"rights need their rook", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w KQkq - 0 1",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w Qkq - 0 1"},
      {"en passant needs its pawn", "4k3/8/8/8/8/8/8/4K3 b - e3 0 1",
       "4k3/8/8/8/8/8/8/4K3 b - - 0 1"},
      {"en passant kept", "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1",
       "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1"},
      {"board only", "4k3/8/8/8/8/8/8/4K3", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"empty ranks as //", "4k3//8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"move number needs both counters", "4k3/8/8/8/8/8/8/4K3 w - - x 40",
       "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"move number", "4k3/8/8/8/8/8/8/4K3 b - - 12 40", "4k3/8/8/8/8/8/8/4K3 b - - 0 40"},
      {"unknown letters skipped", "4kz3/8/8/8/8/8/8/4K3 w - - 0 0", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"long ranks wrap", "ppppppppppp/8/8/8/8/8/8/8 w - - 0 1", "pppppppp/ppp5/8/8/8/8/8/8 w - - 0 1"},
      {"empty text", "", "8/8/8/8/8/8/8/8 w - - 0 1"},
  };
  for (const Case& c : cases) {
    const StartRecord r = Parse(c.text);
    EXPECT_EQ(FormatFen(r), c.written) << c.name;
    EXPECT_EQ(r.start.ply, 0) << c.name;
  }
  EXPECT_EQ(Parse(cases[0].text).start.position.castling, 13);
}

TEST(PieceList, WriteAndRead) {
  const Position p = test::ParseFenForTest("6k1/p7/8/8/8/8/4Q1K1/R6R w - - 0 1");
  EXPECT_EQ(FormatPieceList(p.board), "wKg2,Qe2,Ra1,h1/bKg8,Pa7");
  Board b;
  EXPECT_EQ(ParsePieceList(b, "wKg2,Qe2,Ra1,h1/bKg8,Pa7"), 6);
  EXPECT_TRUE(b.Equals(p.board));

  // German letters: D queen, B pawn, s black.
  EXPECT_EQ(ParsePieceList(b, "wKg1,Dd1,Bf2/sKg8"), 4);
  EXPECT_EQ(b[Sq("d1")], kQueen);
  EXPECT_EQ(b[Sq("f2")], kPawn);
  EXPECT_EQ(b[Sq("g8")], kKing | kBlackBit);
  // English: B bishop; figurines as letters.
  EXPECT_EQ(ParsePieceList(b, "wKg1,Bf2/b\xA2g8,\xA4" "b8"), 4);
  EXPECT_EQ(b[Sq("f2")], kBishop);
  EXPECT_EQ(b[Sq("b8")], kKnight | kBlackBit);
}

TEST(SquareList, NamesAndSets) {
  SquareList l;
  EXPECT_EQ(l.ToText(), "");
  l.Add(Sq("a1"));
  EXPECT_EQ(l.ToText(), "a1");
  l.Add(Sq("b2"));
  EXPECT_EQ(l.ToText(), "a1+b2");
  l.Add(Sq("c3"));
  EXPECT_EQ(l.ToText(), "a1, b2+c3");
  SquareSet all(~uint64_t{0});
  EXPECT_EQ(SquareList::FromSquareSet(all).count, 64);
  for (int i = 0; i < 10; ++i) l.Add(0);
  EXPECT_EQ(l.count, 13);
}

// Random and mutated texts: reading never fails, and every square holds a valid code.
TEST(Fen, RandomAndMutatedTextsReadSafely) {
  std::mt19937 random(20261210u);
  const std::string alphabet = "KQRBNPkqrbnp12345678/ -wbaehx0\xA2\xA4sDLT,";
  std::vector<std::string> seeds;
  for (const auto& c : test::PerftCases()) seeds.push_back(c.fen);
  seeds.push_back("wKg2,Qe2,Ra1,h1/bKg8,Pa7");
  for (int i = 0; i < 100000; ++i) {
    std::string text;
    if (i % 2) {
      const int n = static_cast<int>(random() % 90);
      for (int k = 0; k < n; ++k) text += alphabet[random() % alphabet.size()];
    } else {
      text = seeds[random() % seeds.size()];
      for (int k = 0, n = 1 + static_cast<int>(random() % 6); k < n; ++k) {
        const size_t at = random() % (text.size() + 1);
        switch (random() % 3) {
          case 0:
            text.insert(at, 1, alphabet[random() % alphabet.size()]);
            break;
          case 1:
            if (at < text.size()) text.erase(at, 1);
            break;
          default:
            if (at < text.size()) text[at] = static_cast<char>(random());
        }
      }
    }
    StartRecord r;
    ParseFen(r, text);
    Board b;
    ParsePieceList(b, text);
    for (int s = 0; s < 64; ++s) {
      const int code = r.start.position.board[s];
      ASSERT_TRUE(code == 0 || (TypeOf(code) >= kKing && TypeOf(code) <= kPawn)) << text;
      ASSERT_TRUE(b[s] == 0 || (TypeOf(b[s]) >= kKing && TypeOf(b[s]) <= kPawn)) << text;
    }
    ASSERT_GE(r.firstMove, 1);
    ASSERT_LE(r.start.position.epFile, 8);
    if (i % 8) continue;  // writing and reading again on a sample
    const std::string again = FormatFen(r);
    StartRecord twice;
    ParseFen(twice, again);
    ASSERT_EQ(FormatFen(twice), again) << text;
  }
}

}  // namespace
}  // namespace zh
