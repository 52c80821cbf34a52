#include "core/rules/notation.h"

#include <gtest/gtest.h>

#include "core/rules/fen.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

int Sq(std::string_view name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

NotationSettings English(int mode = kAlgebraic) {
  NotationSettings s;
  s.SetEnglishLetters();
  s.mode = static_cast<uint8_t>(mode);
  return s;
}

// The text of a move in coordinates ("e7e8q") on a FEN position.
std::string Text(const char* fen, std::string_view move, NotationFormatter& f) {
  const Position before = test::ParseFenForTest(fen);
  static constexpr std::string_view kPromotions = "  qnbr";
  const int promotion = move.size() > 4 ? static_cast<int>(kPromotions.find(move[4])) : 0;
  GameMove m = GameMove::FromSquares(Sq(move.substr(0, 2)), Sq(move.substr(2, 2)), promotion);
  m.Complete(before);
  return f.FormatMoveString(before, m, 0x8000).Bytes();
}

TEST(Notation, GoldenMoveTexts) {
  struct Case {
    int mode;
    const char* fen;
    const char* move;
    const char* text;
  } cases[] = {
      {kAlgebraic, "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "b1d2", "Nbd2"},
      {kAlgebraic, "4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a1a3", "R1a3"},
      {kAlgebraic, "4k3/8/8/8/8/2Q5/8/Q1Q1K3 w - - 0 1", "c1b2", "Qc1b2"},
      {kAlgebraic, "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "exd5"},
      {kAlgebraic, "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6"},
      {kAlgebraic, "8/4P3/8/8/8/8/k7/4K3 w - - 0 1", "e7e8q", "e8Q"},
      {kAlgebraic, "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "Ra8+"},
      {kAlgebraic, "6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "Ra8#"},
      {kAlgebraic, "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "0-0"},
      {kAlgebraic, "r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8", "0-0-0"},
      {kAlgebraic, "4k3/8/8/8/8/8/8/4K3 w - - 0 1", "e1e1", "--"},
      {kAlgebraic | kLongForm, kStart, "g1f3", "Ng1-f3"},
      {kAlgebraic | kLongForm, "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "e4xd5"},
      {kNumeric, kStart, "e2e4", "5254"},
      {kNumeric, "8/P7/8/8/8/8/k7/4K3 w - - 0 1", "a7a8n", "17184"},
      {kNumeric, "4k3/8/8/8/8/8/8/4K3 w - - 0 1", "e1e1", "--"},
      {kDescriptive, kStart, "e2e4", "P-K4"},
      {kDescriptive, kStart, "g1f3", "N-KB3"},
      {kDescriptive, "kStart/pppp1ppp/8/4p3/3P4/8/PPP1PPPP/RNBQKBNR w KQkq - 0 1", "d4e5",
       "PxP"},
      {kDescriptive, "4k3/8/8/3p4/2P1P3/8/8/4K3 w - - 0 1", "c4d5", "BPxP"},
      {kDescriptive, "4k3/8/8/8/8/5N2/3p4/1N2K3 w - - 0 1", "b1d2", "N/NxP"},
      {kDescriptive, "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "0-0"},
      {kDescriptive, "4k3/8/8/8/8/8/8/4K3 w - - 0 1", "e1e1", "--"},
      {kNoNotation, kStart, "e2e4", ""},
  };
  for (const Case& c : cases) {
    ScopedNotationSettings guard(English(c.mode));
    NotationFormatter f;
    EXPECT_EQ(Text(c.fen, c.move, f), c.text) << c.fen << " " << c.move;
  }
}

TEST(Notation, SignCharacters) {
  NotationSettings s = English();
  s.checkChar = 0;
  s.captureChar = 0;
  ScopedNotationSettings guard(s);
  NotationFormatter f;
  EXPECT_EQ(Text("6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", f), "Ra8");
  EXPECT_EQ(Text("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", f), "ed5");
  f.promotionSeparator = '=';
  EXPECT_EQ(Text("8/4P3/8/8/8/8/k7/4K3 w - - 0 1", "e7e8r", f), "e8=R");
}

TEST(Notation, UnconfiguredFormatterWritesFigurines) {
  NotationFormatter f;
  EXPECT_EQ(Text(kStart, "g1f3", f), "\xCC" "f3");
}

TEST(Notation, MoveNumbers) {
  NotationFormatter f;
  EXPECT_EQ(f.FormatMovePrefix(0).Bytes(), "1.");
  EXPECT_EQ(f.FormatMovePrefix(1).Bytes(), "1...");
  EXPECT_EQ(f.FormatMovePrefix(44).Bytes(), "23.");

  StartRecord black;
  ParseFen(black, "4k3/8/8/8/8/8/8/4K3 b - - 0 23");
  NotationFormatter g(&black);
  EXPECT_EQ(g.FormatMovePrefix(0).Bytes(), "23...");
  EXPECT_EQ(g.FormatMovePrefix(1).Bytes(), "24.");
  g.SetStart(StartRecord());
  EXPECT_EQ(g.FormatMovePrefix(0).Bytes(), "1.");

  NotationSettings s;
  s.numberSuffix = '_';
  {
    ScopedNotationSettings guard(s);
    EXPECT_EQ(f.FormatMovePrefix(0).Bytes(), "1. ");
    EXPECT_EQ(f.FormatMovePrefix(1).Bytes(), "1. ... ");
  }
  s.numberSuffix = 0;
  ScopedNotationSettings guard(s);
  EXPECT_EQ(f.FormatMoveNumber(2).Bytes(), "2");
}

TEST(Notation, GameMoveWithSymbolsAndNumbers) {
  NotationFormatter f;
  MoveSymbols symbols;
  symbols.SetPrefixSymbol(140);
  symbols.SetMoveSymbol(1);
  symbols.SetPositionSymbol(18);
  const DisplayText text("e4");
  EXPECT_EQ(f.FormatGameMove(text, symbols, 0, false).Bytes(), "\x85" "1.e4!+-");
  EXPECT_EQ(f.FormatGameMove(text, MoveSymbols(), 1, false).Bytes(), "e4");
  EXPECT_EQ(f.FormatGameMove(text, MoveSymbols(), 1, true).Bytes(), "1...e4");

  ScopedNotationSettings guard(English());
  const Position start;
  GameMove m = GameMove::FromSquares(Sq("g1"), Sq("f3"));
  m.Complete(start);
  EXPECT_EQ(f.FormatMoveString(start, m, 0).Bytes(), "1.Nf3");
}

TEST(Notation, FigurinesToTheUsersLetters) {
  test::RecordingServices services;
  services.texts[217] = "KDSLTB";
  EXPECT_EQ(ReplaceFigurineChars(DisplayText("\xA3" "d1\x8D" "e2\xA7")).Bytes(), "Dd1xe2B");
  services.texts.erase(217);
  EXPECT_EQ(ReplaceFigurineChars(DisplayText("\xA4" "f3")).Bytes(), "Nf3");
}

TEST(Notation, SamePieceMoves) {
  const Position p = test::ParseFenForTest("4k3/8/8/2p1p3/3P4/5N2/8/1N2K3 w - - 0 1");
  Move knight = Move::FromSquares(Sq("b1"), Sq("d2"));
  knight.CompleteFrom(p.board);
  EXPECT_EQ(CountSamePieceMoves(p, knight), 1);
  Move pawn = Move::FromSquares(Sq("d4"), Sq("e5"));
  pawn.CompleteFrom(p.board);
  EXPECT_EQ(CountSamePieceMoves(p, pawn), 0);
}

}  // namespace
}  // namespace zh
