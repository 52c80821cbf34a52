// Annotation sets: typed accessors, text languages, display choice, text form, marks
// and dates.
#include <gtest/gtest.h>

#include "core/toolbox/path_list.h"
#include "core/rules/square_marks.h"
#include "database/game/annotation_set.h"
#include "database/game/annotation_values.h"
#include "database/game/embedded_game.h"
#include "database/game/game_item.h"
#include "database/game/training_payload.h"

namespace zh {
namespace {

struct ValueRule {
  const char* name;
  int64_t (*get)(const AnnotationSet&);
  void (*set)(AnnotationSet&, int64_t);
  int64_t absent;
  // Values that remove a present entry, and whether an absent entry is added for them.
  int64_t removing;
  bool addsRemovingValue;
};

TEST(AnnotationSetTest, ValueSettersFollowTheirRule) {
  const ValueRule rules[] = {
      {"time", [](const AnnotationSet& s) { return s.GetTime(); },
       [](AnnotationSet& s, int64_t v) { s.SetTime(v); }, -1, -1, true},
      {"colour", [](const AnnotationSet& s) { return s.GetColour(); },
       [](AnnotationSet& s, int64_t v) { s.SetColour(v); }, -1, -1, true},
      {"medal", [](const AnnotationSet& s) { return s.GetMedal(); },
       [](AnnotationSet& s, int64_t v) { s.SetMedal(v); }, 0, 0, false},
      {"symbols", [](const AnnotationSet& s) { return int64_t(s.GetSymbols()); },
       [](AnnotationSet& s, int64_t v) { s.SetSymbols(uint32_t(v)); }, 0, 0, false},
      {"critical", [](const AnnotationSet& s) { return int64_t(s.GetCriticalPos()); },
       [](AnnotationSet& s, int64_t v) { s.SetCriticalPos(uint32_t(v)); }, 0, 0, false},
  };
  for (const auto& r : rules) {
    SCOPED_TRACE(r.name);
    AnnotationSet set;
    EXPECT_EQ(r.get(set), r.absent);
    r.set(set, r.removing);
    EXPECT_EQ(set.Count(), r.addsRemovingValue ? 1 : 0);
    set.RemoveAll();
    r.set(set, 5);
    r.set(set, 7);
    EXPECT_EQ(set.Count(), 1);
    EXPECT_EQ(r.get(set), 7);
    r.set(set, r.removing);
    EXPECT_EQ(set.Count(), 0);
  }
  AnnotationSet set;
  set.SetCriticalPos(0x10000);  // only the low 16 bits count
  EXPECT_FALSE(set.HasCriticalPos());
}

TEST(AnnotationSetTest, TextSettersAppendReplaceAndRemove) {
  AnnotationSet set;
  set.SetTextAfter("zero", 0, 0);
  set.SetTextAfter("", 0, 3);
  EXPECT_EQ(set.Count(), 1);
  set.SetTextAfter("three", 0, 3);
  set.SetTextAfter("", 0, 3);
  EXPECT_FALSE(set.HasTextAfterIn(3));
  EXPECT_EQ(set.GetTextAfter(0), "zero");
  set.AppendTextAfter("more", 0, 0);
  set.AppendTextAfter("", 0, 0);
  EXPECT_EQ(set.GetTextAfter(0), "zero more");
  set.SetArrows(std::string("\x01\x0d\x0f", 3));
  set.SetSquares("");
  EXPECT_TRUE(set.HasArrows());
  EXPECT_FALSE(set.HasSquares());
  set.SetText32("video", 1, 2);
  EXPECT_EQ(set.GetText32Any(1, 5), "video");
  set.RemoveKinds(0x40000 | 0x20);
  EXPECT_FALSE(set.HasText32(1, 2));
  EXPECT_FALSE(set.HasArrows());
}

TEST(AnnotationSetTest, RawPayloadsKeepZeroBytes) {
  AnnotationSet set;
  const std::string bytes("\x00\x05\x00\x07", 4);
  set.SetSquares(bytes);
  AnnotationSet copy(set);
  EXPECT_EQ(copy.GetSquares(), bytes);
  EvalValue v{kEvalMate, 3, 0};
  set.SetEngineEval(v);
  EXPECT_EQ(set.GetEngineEval(), v);
  EXPECT_EQ(AnnotationSet().GetEngineEval().kind, kEvalNone);
}

TEST(AnnotationSetTest, TextsAreCollectedAllLanguagesFirstThenAscending) {
  AnnotationSet set;
  set.SetTextAfter("five", 0, 5);
  set.SetTime(3);
  set.SetTextAfter("seven", 0, 7);
  set.SetTextAfter("zero", 0, 0);
  EXPECT_EQ(set.CollectTextsAfter(), (std::vector<std::string>{"seven", "zero", "five"}));
  EXPECT_EQ(set.GetTime(), 3);
}

TEST(AnnotationSetTest, DisplayTextChoosesByLanguages) {
  AnnotationSet two;
  two.SetTextAfter("all", 0, 7);
  two.SetTextAfter("en", 0, 0);
  AnnotationSet three;
  three.SetTextAfter("all", 0, 7);
  three.SetTextAfter("en", 0, 0);
  three.SetTextAfter("de", 0, 1);
  struct Case {
    AnnotationSet* set;
    DisplayLanguages languages;
    int index;
    const char* expected;
  } cases[] = {
      {&two, {1, 0, 0}, 0, "all"}, {&two, {1, 0, 0}, 1, "en"},   {&three, {1, 0, 0}, 1, "de"},
      {&three, {1, 0, 0}, 2, ""},  {&three, {1, 0, 1}, 2, "en"}, {&three, {1, 0, 2}, 2, "de"},
      {&three, {1, 0, 0}, 3, ""},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(c.set->DisplayText(kTextAfter, c.index, c.languages), c.expected);
  }
}

TEST(AnnotationSetTest, TextFormWritesAndParses) {
  AnnotationSet set;
  set.SetTextAfter("Good", 0, 7);
  MarkList arrows;
  arrows.AddMark({1, 33, 35});  // e2-e4 in colour 1
  set.SetArrows(arrows.Text());
  EXPECT_EQ(set.ToTextForm(), "Good@aAe2e4");

  AnnotationSet parsed;
  parsed.ParseTextForm("x@DGut@cAe4f5Bd4");
  EXPECT_EQ(parsed.GetTextAfter(7), "x");
  EXPECT_EQ(parsed.GetTextAfter(1), "Gut");
  SquareMarkList squares;
  squares.SetText(parsed.GetSquares());
  ASSERT_EQ(squares.Count(), 3);
  EXPECT_EQ(squares.MarkAt(0), (SquareMark{1, 35}));  // e4
  EXPECT_EQ(squares.MarkAt(1), (SquareMark{1, 44}));  // f5
  EXPECT_EQ(squares.MarkAt(2), (SquareMark{2, 27}));  // d4
  AnnotationSet back;
  back.ParseTextForm(parsed.ToTextForm());
  EXPECT_EQ(back.GetSquares(), parsed.GetSquares());
  AnnotationSet invalid;
  invalid.ParseTextForm("@a9e2e4@c");
  EXPECT_EQ(invalid.Count(), 0);
}

TEST(AnnotationSetTest, ObjectSettersTakeOwnership) {
  AnnotationSet set;
  set.SetTraining(nullptr);
  set.SetGame(nullptr);
  EXPECT_EQ(set.Count(), 0);
  set.SetTraining(CreateTrainingPayload());
  set.SetGame(std::make_unique<EmbeddedGame>());
  EXPECT_TRUE(set.HasTraining() && set.HasGame());
  EXPECT_FALSE(set.HasContainer());
  set.SetGame(std::make_unique<EmbeddedGame>());
  EXPECT_EQ(set.Count(), 2);
  set.SetTraining(nullptr);
  set.SetGame(nullptr);
  EXPECT_EQ(set.Count(), 0);
}

TEST(AnnotationSetTest, AddMarkReplacesTheColour) {
  MarkList marks;
  marks.AddMark({1, 33, 35});
  marks.AddMark({2, 33, 35});
  ASSERT_EQ(marks.Count(), 1);
  EXPECT_EQ(marks.GetMark(0), (Mark{2, 33, 35}));
  EXPECT_EQ(marks.GetMark(1), Mark{});
}

TEST(AnnotationSetTest, PackedDateFormat) {
  EXPECT_EQ(PackedDate::Make(1999, 3, 0).Format(), "03.1999");
  EXPECT_EQ(PackedDate::Make(1999, 0, 5).Format(), "1999");
  EXPECT_EQ(PackedDate::Make(0, 3, 5).Format(), "");
  PackedDate d = PackedDate::FromNumber(20001231);
  d.AddDays(1);
  EXPECT_EQ(d.Format(), "01.01.2001");
}

std::unique_ptr<EmbeddedGame> SmallEmbeddedGame() {
  auto game = std::make_unique<TQGame>();
  game->header.white.SetLastName("Miller");
  game->header.black.SetLastName("Stone");
  return std::make_unique<EmbeddedGame>(std::move(game));
}

std::unique_ptr<TrainingPayload> Holder(std::string_view bytes) {
  auto h = CreateTrainingPayload();
  h->Read(bytes);
  return h;
}

TEST(AnnotationSetTest, MergeTextsCopiesObjectsByKindAndTextsByKey) {
  AnnotationSet target;
  target.SetText32("target video", 1, 0);
  target.SetTraining(Holder("old"));
  AnnotationSet source;
  source.SetText32("other language", 1, 3);
  source.SetTraining(Holder(std::string("q\0a", 3)));
  source.SetGame(SmallEmbeddedGame());
  target.MergeTexts(source);
  EXPECT_EQ(target.GetText32(1, 0), "target video");
  EXPECT_EQ(target.GetText32(1, 3), "other language");
  std::string written;
  target.GetTraining()->Write(written);
  EXPECT_EQ(written, std::string("q\0a", 3));
  ASSERT_NE(target.GetGame(), nullptr);
  EXPECT_NE(target.GetGame(), source.GetGame());
  EXPECT_EQ(target.GetGame()->Description(), "Miller-Stone/");
}

TEST(AnnotationSetTest, VerbatimTrainingPayloadWritesBackItsBytes) {
  const std::string payload("\x00\x01\x00\xff\x00", 5);
  auto h = Holder(payload);
  std::string out = "x";
  EXPECT_EQ(h->Write(out), payload.size());
  EXPECT_EQ(out, "x" + payload);
  auto copy = h->Clone();
  h->Release();
  EXPECT_EQ(h->ItemCount(), -1);
  out.clear();
  copy->Write(out);
  EXPECT_EQ(out, payload);
  EXPECT_FALSE(copy->HoldsText());
  EXPECT_TRUE(copy->IsAnswered());
}

TEST(AnnotationSetTest, MediaAreCollectedWithTheirTypes) {
  AnnotationSet set;
  set.SetAudio("a.wav");
  set.SetVideo("v.avi");
  EXPECT_EQ(set.MediaFlags(), 0x50000u);
  PathList list;
  set.CollectMedia(list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.TagAt(0), kAudioAnnotation);
  EXPECT_EQ(list.TagAt(1), kVideoAnnotation);
}

}  // namespace
}  // namespace zh
