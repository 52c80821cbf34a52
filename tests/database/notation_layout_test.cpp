#include "database/notation_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/eval_value.h"
#include "database/annotation_set.h"
#include "database/game_item.h"
#include "database/game_test_util.h"
#include "database/move_tree.h"

namespace zh {
namespace {

using test::Enter;

// Every character is 6 wide in every slot; icons 12 by 12.
class FixedMetrics : public NotationMetrics {
 public:
  int charWidth = 6;
  bool zeroKa = false;
  int TextWidth(int, std::string_view utf8) override {
    if (zeroKa && utf8 == "Ka") return 0;
    int n = 0;
    for (unsigned char c : utf8)
      if ((c & 0xC0) != 0x80) ++n;
    return n * charWidth;
  }
  int FontHeight(int) override { return 12; }
  int TextHeight() override { return 12; }
  void IconSize(int& w, int& h) override { w = h = 12; }
};

class RecordingPainter : public NotationPainter {
 public:
  std::vector<std::string> calls;
  void SetFont(int slot) override { calls.push_back("font " + std::to_string(slot)); }
  void SetColour(uint32_t c) override { calls.push_back("colour " + std::to_string(c)); }
  void DrawText(int x, int, std::string_view t) override {
    calls.push_back(std::to_string(x) + ":" + std::string(t));
  }
  void DrawIcon(int x, int, int icon) override {
    calls.push_back(std::to_string(x) + ":icon " + std::to_string(icon));
  }
};

struct Laid {
  int line;
  int ply;
  int x;
  uint32_t flags;
  std::string text;
};

std::vector<Laid> All(const FullNota& nota) {
  std::vector<Laid> out;
  for (size_t l = 0; l < nota.Lines().size(); ++l)
    for (const NotaEntry& e : nota.Lines()[l])
      if (e.ply != kNotaLineEnd)
        out.push_back({static_cast<int>(l), e.ply, e.x, e.flags, nota.EntryText(e)});
  return out;
}

// The entries' texts, the display set's knight and bishop figurines as letters.
std::string Texts(const FullNota& nota) {
  std::string s;
  for (const Laid& e : All(nota)) s += e.text + "|";
  for (auto [figurine, letter] : {std::pair{"\xC3\x8C", "N"}, std::pair{"\xC3\x8D", "B"}})
    for (size_t at; (at = s.find(figurine)) != std::string::npos;) s.replace(at, 2, letter);
  return s;
}

TEST(NotationLayout, MainLineEntriesHaveRightEdges) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.Layout(true);
  const std::vector<Laid> e = All(nota);
  ASSERT_EQ(e.size(), 3u);
  const std::string knight = game.body.mainLine.GetMove(2)->Text().ToUtf8();
  EXPECT_EQ(Texts(nota), " 1.e4 | e5 | 2.Nf3 |");
  // x is each entry's right edge.
  EXPECT_EQ(e[0].x, 6 * 6);
  EXPECT_EQ(e[1].x, 6 * 6 + 4 * 6);
  EXPECT_EQ(e[2].x, 6 * 6 + 4 * 6 + 7 * 6);  // " 2.Nf3 " in seven characters
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(e[i].ply, i);
    EXPECT_EQ(e[i].flags, kNotaSlot2);
  }
  RecordingPainter painter;
  nota.PaintLine(painter, 0, 10, 0);
  EXPECT_EQ(painter.calls,
            (std::vector<std::string>{"font 2", "0: 1.e4 ", "36: e5 ", "60: 2." + knight + " "}));
}

TEST(NotationLayout, LevelsBracketsAndLabels) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 g1f3 d7d6 ( b8c6 d2d4 ( f1c4 ) ) ) g1f3");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.lineWidth = 2000;
  nota.Layout(true);
  // Level 1 is bracketed; the level under d6 holds a further variation after its
  // first move, so it is complex and labelled; the innermost level is simple.
  EXPECT_EQ(Texts(nota),
            " 1.e4 | e5 |[| 1...c5 | 2.Nf3 | d6 |A) | 2...Nc6 | 3.d4 |(| 3.Bc4 |)|;|]| 2.Nf3 |");
  for (const Laid& l : All(nota)) {
    const uint32_t expected = l.text == "[" ? kNotaBracket
                              : l.text == "]" ? kNotaClosing
                              : l.text == "(" ? kNotaSlot5 | kNotaBracket
                              : l.text == "A) " ? kNotaLabel
                                                : l.flags;
    EXPECT_EQ(l.flags, expected) << l.text;
  }
}

TEST(NotationLayout, JustifiedLinesEndAtLineWidthPlusSpace) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.lineWidth = 100;
  nota.Layout(true);
  ASSERT_GT(nota.Lines().size(), 2u);
  const std::vector<NotaEntry>& first = nota.Lines()[0];
  ASSERT_GE(first.size(), 3u);  // two entries and the terminator
  EXPECT_EQ(first[first.size() - 2].x, 100 + 6);
  // The last line is not justified.
  const std::vector<NotaEntry>& last = nota.Lines().back();
  EXPECT_LT(last[last.size() - 2].x, 100);
}

TEST(NotationLayout, TextsEvaluationsAndGameLevel) {
  TQGame game;
  GameCursor cursor(&game);
  game.body.GetGameAnnotations()->SetTextAfter("Game text", 0, 7);
  FixedMetrics metrics;
  {
    FullNota nota(metrics, cursor);
    nota.Layout(true);
    EXPECT_EQ(Texts(nota), "|Game text|");  // the start mark, then the piece
    EXPECT_EQ(All(nota)[0].ply, kNotaGameLevel);
  }
  Enter(cursor, "e2e4 e7e5");
  GameMove& m = *game.body.mainLine.GetMove(0);
  EvalValue none;
  none.kind = kEvalNone;
  GetAnnotations(m)->SetEngineEval(none);
  GetAnnotations(m)->SetTextAfter("first\nsecond", 0, 7);
  FullNota nota(metrics, cursor);
  nota.Layout(true);
  // No evaluation; the line end starts the rest on a new line.
  const std::vector<Laid> e = All(nota);
  std::string joined;
  for (const Laid& l : e) joined += std::to_string(l.line) + l.text + "|";
  EXPECT_EQ(joined, "0|0Game text|0 1.e4 |0|0first|1second|1 e5 |");
}

TEST(NotationLayout, BreakPositions) {
  auto u = [](const char* s) {
    std::u32string out;
    for (const char* p = s; *p; ++p) out += static_cast<char32_t>(static_cast<unsigned char>(*p));
    return out;
  };
  EXPECT_EQ(FullNota::BreakPosition(u("white wins 1-0 easily"), 14), 11);  // not inside 1-0
  EXPECT_EQ(FullNota::BreakPosition(u("a,b"), 3), 2);
  EXPECT_EQ(FullNota::BreakPosition(u("abcdefghijk"), 11), 8);
  EXPECT_EQ(FullNota::BreakPosition(u("abcdefghijklmnop"), 16), 11);
  std::u32string draw = U"draw \u00BD-\u00BD";
  EXPECT_EQ(FullNota::BreakPosition(draw, static_cast<int>(draw.size())), 5);
}

TEST(NotationLayout, ZeroWidthFontsAndBracketOnlyLines) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 ) g1f3");
  GetAnnotations(*game.body.mainLine.GetMove(0))->SetTextAfter("a long text that goes on and on", 0, 7);
  FixedMetrics metrics;
  metrics.zeroKa = true;
  FullNota nota(metrics, cursor);
  nota.lineWidth = 30;
  nota.Layout(true);  // no division by zero, under UBSan too
  EXPECT_GT(nota.Lines().size(), 3u);
}

}  // namespace
}  // namespace zh
