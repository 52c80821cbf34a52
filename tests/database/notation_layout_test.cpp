#include "database/notation_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/toolbox/code_pages.h"
#include "core/rules/eval_value.h"
#include "core/toolbox/packed_time.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game_test_util.h"
#include "database/game/move_tree.h"
#include "database/game/training_payload.h"

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
  void DrawMedals(int x, int, int w, int h, uint16_t bits) override {
    calls.push_back(std::to_string(x) + ":medals " + std::to_string(bits) + " " + std::to_string(w) +
                    "x" + std::to_string(h));
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

std::string Letters(std::string s) {
  for (auto [figurine, letter] : {std::pair{"\xC3\x8C", "N"}, std::pair{"\xC3\x8D", "B"}})
    for (size_t at; (at = s.find(figurine)) != std::string::npos;) s.replace(at, 2, letter);
  return s;
}

// One row per entry: line, ply, x, flags in hex and the shown text.
std::string Golden(const FullNota& nota) {
  std::string out;
  char buffer[64];
  for (const Laid& e : All(nota)) {
    std::snprintf(buffer, sizeof buffer, "%d %d %d %x", e.line, e.ply, e.x, e.flags);
    out += buffer + ("|" + Letters(e.text) + "\n");
  }
  return out;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : ",") + p;
  return out;
}

NotaOptions Plain() {
  NotaOptions o;
  o.folding = false;
  o.justified = false;
  return o;
}

// A question whose answered state the test sets.
class Question final : public TrainingPayload {
 public:
  explicit Question(bool answered) : answered_(answered) {}
  std::unique_ptr<TrainingPayload> Clone() const override { return std::make_unique<Question>(answered_); }
  void Release() override {}
  void Read(std::string_view) override {}
  size_t Write(std::string&) const override { return 0; }
  bool HoldsText() const override { return true; }
  bool IsAnswered() const override { return answered_; }
  void CollectMedia(PathList&) const override {}
  int16_t ItemCount() const override { return 1; }

 private:
  bool answered_;
};

TEST(NotationLayout, MainLineEntriesHaveRightEdges) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.Layout(true);
  // x is each entry's right edge; the first move shows its number.
  EXPECT_EQ(Golden(nota),
            "0 0 36 81| 1.e4 \n"
            "0 1 60 80| e5 \n"
            "0 2 102 80| 2.Nf3 \n");
  const std::string knight = game.body.mainLine.GetMove(2)->Text().ToUtf8();
  RecordingPainter painter;
  nota.PaintLine(painter, 0, 10, 0);
  EXPECT_EQ(painter.calls, (std::vector<std::string>{"font 2", "colour 0", "0: 1.e4 ", "36: e5 ",
                                                     "60: 2." + knight + " "}));
}

TEST(NotationLayout, SimpleComplexLabelledAndIndentedLevels) {
  const char* moves = "e2e4 e7e5 ( c7c5 g1f3 d7d6 ( b8c6 d2d4 ( f1c4 ) ) ) ( e7e6 ) g1f3";
  struct Case {
    const char* name;
    bool labelled, indented;
    const char* golden;
  };
  const Case cases[] = {
      // Level 1 bracketed; the level under d6 holds a further variation after its first
      // move, so it is complex and labelled; the innermost level is simple.
      {"plain", false, false,
       "0 0 36 81| 1.e4 \n"
       "0 1 60 80| e5 \n"
       "0 1 66 2|[\n"
       "0 1 114 1| 1...c5 \n"
       "0 2 156 0| 2.Nf3 \n"
       "0 3 180 0| d6 \n"
       "0 3 198 4002280|A) \n"
       "0 3 252 1| 2...Nc6 \n"
       "0 4 288 0| 3.d4 \n"
       "0 4 294 102|(\n"
       "0 4 336 101| 3.Bc4 \n"
       "0 4 342 104|)\n"
       "0 3 348 4|;\n"
       "0 1 354 4|;\n"
       "0 1 402 1| 1...e6 \n"
       "0 1 408 4|]\n"
       "0 2 450 81| 2.Nf3 \n"},
      // The first level has two variations and is complex: labels; the single
      // variation under d6 and the one under d4 keep brackets.
      {"labelled", true, false,
       "0 0 36 81| 1.e4 \n"
       "0 1 60 80| e5 \n"
       "0 1 78 4042280|a) \n"
       "0 1 126 1| 1...c5 \n"
       "0 2 168 0| 2.Nf3 \n"
       "0 3 192 0| d6 \n"
       "0 3 198 102|(\n"
       "0 3 252 101| 2...Nc6 \n"
       "0 4 288 100| 3.d4 \n"
       "0 4 294 102|(\n"
       "0 4 336 101| 3.Bc4 \n"
       "0 4 342 104|)\n"
       "0 3 348 104|)\n"
       "0 1 354 4|;\n"
       "0 1 372 4042280|b) \n"
       "0 1 420 1| 1...e6 \n"
       "0 1 426 4|;\n"
       "0 2 468 81| 2.Nf3 \n"},
      // Each first-level variation on a line of its own in its own brackets, the
      // labelled level indented one step further.
      {"indented", false, true,
       "0 0 36 81| 1.e4 \n"
       "0 1 60 80| e5 \n"
       "1 1 24 2|[\n"
       "1 1 72 1| 1...c5 \n"
       "1 2 114 0| 2.Nf3 \n"
       "1 3 138 0| d6 \n"
       "2 3 54 4002280|A) \n"
       "2 3 108 1| 2...Nc6 \n"
       "2 4 144 0| 3.d4 \n"
       "2 4 150 102|(\n"
       "2 4 192 101| 3.Bc4 \n"
       "2 4 198 104|)\n"
       "2 3 204 4|;\n"
       "3 1 24 4|]\n"
       "4 1 24 2|[\n"
       "4 1 72 1| 1...e6 \n"
       "4 1 78 4|]\n"
       "5 2 42 81| 2.Nf3 \n"},
  };
  for (const Case& c : cases) {
    TQGame game;
    GameCursor cursor(&game);
    Enter(cursor, moves);
    FixedMetrics metrics;
    FullNota nota(metrics, cursor);
    nota.options = Plain();
    nota.options.labelled = c.labelled;
    nota.options.indented = c.indented;
    nota.lineWidth = 2000;
    nota.Layout(true);
    EXPECT_EQ(Golden(nota), c.golden) << c.name;
  }
}

TEST(NotationLayout, FoldedListsShowTheirMarkOnly) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 ) g1f3");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options.justified = false;
  nota.Layout(true);
  const std::string open = Golden(nota);
  game.body.mainLine.GetMove(1)->variations->flags |= 1;
  nota.Layout(true);
  EXPECT_EQ(open + "--\n" + Golden(nota), "0 0 36 81| 1.e4 \n"
            "0 1 60 100000|\n"
            "0 1 84 80| e5 \n"
            "0 1 90 2|[\n"
            "0 1 138 1| 1...c5 \n"
            "0 1 144 4|]\n"
            "0 2 186 81| 2.Nf3 \n"
            "--\n"
            "0 0 36 81| 1.e4 \n"
            "0 1 60 100000|\n"
            "0 1 84 80| e5 \n"
            "0 2 126 80| 2.Nf3 \n");
  RecordingPainter painter;
  nota.PaintLine(painter, 0, 0, 0);
  // The folded mark (icon 0) left of the move that holds the list.
  EXPECT_EQ(painter.calls[4], "42:icon 0");
}

TEST(NotationLayout, JustifiedLinesEndAtLineWidthPlusSpace) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.lineWidth = 100;
  nota.Layout(true);
  EXPECT_EQ(Golden(nota), "0 0 36 81| 1.e4 \n"
            "0 1 106 80| e5 \n"
            "1 2 42 80| 2.Nf3 \n"
            "1 3 106 80| Nc6 \n"
            "2 4 42 80| 3.Bb5 \n"
            "2 5 106 80| a6 \n"
            "3 6 42 80| 4.Ba4 \n"
            "3 7 106 80| Nf6 \n"
            "4 8 42 80| 5.0-0 \n"
            "4 9 72 80| Be7 \n");
}

TEST(NotationLayout, GameLevelTextAndResultOnly) {
  TQGame game;
  GameCursor cursor(&game);
  FixedMetrics metrics;
  {
    FullNota nota(metrics, cursor);
    nota.Layout(true);
    EXPECT_TRUE(nota.Lines().empty());  // no moves, no result: nothing
  }
  game.header.SetGameResult(GameResult{kWhiteWon});
  {
    FullNota nota(metrics, cursor);
    nota.Layout(true);
    EXPECT_EQ(Golden(nota), "0 0 24 1080| 1-0\n");
  }
  game.body.GetGameAnnotations()->SetTextAfter("Game text", 0, 7);
  FullNota nota(metrics, cursor);
  nota.Layout(true);
  EXPECT_EQ(Golden(nota), "0 32767 6 8000|\n"
            "0 32767 60 410|Game text\n"
            "0 0 84 1080| 1-0\n");
}

TEST(NotationLayout, EvaluationsClockTimesIconsAndColours) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3");
  AnnotationSet* first = GetAnnotations(*game.body.mainLine.GetMove(0));
  EvalValue none;
  none.kind = kEvalNone;
  first->SetEngineEval(none);  // kind -1 shows nothing
  first->SetArrows("\x01\x02\x03");
  first->SetAudio("a.wav");
  first->SetMedal(5);
  first->SetColour(0x123456);  // red 0x56, green 0x34, blue 0x12
  AnnotationSet* second = GetAnnotations(*game.body.mainLine.GetMove(1));
  EvalValue eval;
  eval.value = 35;
  eval.extra = 12;
  second->SetEngineEval(eval);
  second->SetTime(PackedTime::Make(1, 2, 3, 0).value);
  second->SetCriticalPos(2);
  GetAnnotations(*game.body.mainLine.GetMove(2))->SetPicture("p.png");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options = Plain();
  nota.Layout(true);
  EXPECT_EQ(Golden(nota), "0 0 36 81| 1.e4 \n"
            "0 0 60 300000|\n"
            "0 0 84 600000|\n"
            "0 0 107 f00000|\n"
            "0 1 131 10080| e5 \n"
            "0 1 185 30040| 0.35/12 \n"
            "0 1 239 2040000| 1:02:03 \n"
            "0 2 281 80| 2.Nf3 \n"
            "0 2 305 700000|\n");
  RecordingPainter painter;
  nota.PaintLine(painter, 0, 0, 0);
  // The move's own colour, the icons right of a space in the icon size, the medal box
  // (8 * 14 + 5) / 10 wide, the named colours of the critical position, evaluation and time.
  EXPECT_EQ(Letters(Join(painter.calls)),
            "font 2,colour " + std::to_string(kNotaRgb | 0x563412) + ",0: 1.e4 ,font 1,colour 0,42:icon 7,66:icon 2,90:medals 5 11x8,"
            "font 2,colour 12,107: e5 ,font 1,colour 9,131: 0.35/12 ,colour 5,185: 1:02:03 ,font 2,"
            "colour 0,239: 2.Nf3 ,font 1,287:icon 4");
  nota.options.noIcons = true;
  nota.options.colours = false;
  nota.Layout(true);
  EXPECT_EQ(Golden(nota), "0 0 36 81| 1.e4 \n"
            "0 1 60 80| e5 \n"
            "0 1 114 40| 0.35/12 \n"
            "0 1 168 2000000| 1:02:03 \n"
            "0 2 210 80| 2.Nf3 \n");
}

TEST(NotationLayout, TextsBreakAtLineEndsAndKeepResultsWhole) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5");
  GetAnnotations(*game.body.mainLine.GetMove(0))->SetTextAfter("first\nsecond", 0, 7);
  GetAnnotations(*game.body.mainLine.GetMove(1))
      ->SetTextAfter("so the game ended 1-0 and the next one \xC2\xBD-\xC2\xBD quickly", 0, 7);
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options = Plain();
  nota.lineWidth = 120;
  nota.Layout(true);
  EXPECT_EQ(Golden(nota), "0 0 36 81| 1.e4 \n"
            "0 0 36 8000|\n"
            "0 0 66 410|first\n"
            "1 0 36 410|second\n"
            "1 1 60 80| e5 \n"
            "1 1 60 8000|\n"
            "1 1 96 410|so the \n"
            "2 1 108 410|game ended 1-0 and \n"
            "3 1 96 410|the next one \xC2\xBD-\xC2\xBD \n"
            "4 1 42 410|quickly\n");
}

TEST(NotationLayout, SplitTextsFrameTheVariations) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 ) g1f3");
  // The display byte 158 (stored as 4) divides the text.
  const std::string mark = DisplayToUtf8("\x9E");
  GetAnnotations(*game.body.mainLine.GetMove(1))->SetTextAfter("before" + mark + "after", 0, 7);
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options = Plain();
  nota.lineWidth = 2000;
  nota.Layout(true);
  const std::string whole = Texts(nota);
  nota.options.splitTexts = true;
  nota.Layout(true);
  EXPECT_EQ(whole + "\n" + Texts(nota), " 1.e4 | e5 ||before\xEF\xBC\x83" "after|[| 1...c5 |]| 2.Nf3 |\n"
            " 1.e4 | e5 ||before|[| 1...c5 |]||after| 2.Nf3 |");
}

TEST(NotationLayout, StopsAtAnUnansweredQuestion) {
  for (bool answered : {false, true}) {
    TQGame game;
    GameCursor cursor(&game);
    Enter(cursor, "e2e4 e7e5 ( c7c5 d2d4 g8f6 ) g1f3");
    // The question hangs on d4 inside the variation.
    GameCursor at(&game);
    at.Forward();
    at.BeginLine(0);
    at.Forward();
    GetAnnotations(*const_cast<GameMove*>(at.GetMove(at.Ply())))
        ->SetTraining(std::make_unique<Question>(answered));
    FixedMetrics metrics;
    FullNota nota(metrics, cursor);
    nota.options = Plain();
    nota.lineWidth = 2000;
    EXPECT_EQ(nota.Layout(true), answered ? 0 : FullNota::kStopped);
    // The marker (slot 6) in the first named colour while unanswered, then nothing.
    const std::string start =
        "0 0 36 81| 1.e4 \n"
        "0 1 60 80| e5 \n"
        "0 1 66 2|[\n"
        "0 1 114 1| 1...c5 \n";
    EXPECT_EQ(Golden(nota), start + (answered ? "0 2 144 202a0| *** \n"
                                                "0 2 180 0| 2.d4 \n"
                                                "0 3 210 0| Nf6 \n"
                                                "0 1 216 4|]\n"
                                                "0 2 258 81| 2.Nf3 \n"
                                              : "0 2 144 102a0| *** \n"));
    nota.options.stopAtQuestion = false;
    EXPECT_EQ(nota.Layout(true), 0);
  }
}

TEST(NotationLayout, PartialLayoutStartsAfterTheNumberColumn) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3 b8c6");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options = Plain();
  nota.Cursor().GoToPly(2);
  nota.Layout(false);
  EXPECT_EQ(Golden(nota), "0 2 66 81| 2.Nf3 \n"
            "0 3 96 80| Nc6 \n");
}

TEST(NotationLayout, PartialLayoutInsideAVariationLeavesItsSiblingsOut) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 g1f3 ) ( e7e6 ) g1f3");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options = Plain();
  nota.Cursor().Forward();
  ASSERT_EQ(nota.Cursor().BeginLine(0), 0);
  nota.Layout(false);
  EXPECT_EQ(Texts(nota), " 1...c5 | 2.Nf3 |");
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
  EXPECT_EQ(Golden(nota), "0 0 36 81| 1.e4 \n"
            "0 0 36 8000|\n"
            "1 0 36 410|a long \n"
            "2 0 24 410|text \n"
            "3 0 24 410|that \n"
            "4 0 42 410|goes on \n"
            "5 0 36 410|and on\n"
            "6 1 24 100000|\n"
            "7 1 24 80| e5 \n"
            "8 1 6 2|[\n"
            "9 1 48 1| 1...c5 \n"
            "10 1 6 4|]\n"
            "11 2 42 81| 2.Nf3 \n");
}

TEST(NotationLayout, LineOfABracketAndOneMoveIsNotJustified) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 g1f3 ) g1f3");
  FixedMetrics metrics;
  FullNota nota(metrics, cursor);
  nota.options.folding = false;
  nota.lineWidth = 67;
  nota.Layout(true);
  // "[" moves down with its move; only it precedes the last entry, so no share.
  EXPECT_EQ(Golden(nota),
            "0 0 36 81| 1.e4 \n"
            "0 1 73 80| e5 \n"
            "1 1 6 2|[\n"
            "1 1 54 1| 1...c5 \n"
            "2 2 42 0| 2.Nf3 \n"
            "2 1 73 4|]\n"
            "3 2 42 81| 2.Nf3 \n");
}

}  // namespace
}  // namespace zh
