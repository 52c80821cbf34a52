// Training questions: their stored bytes, written out by hand from the payload's
// layout; damaged payloads; answers, texts and marks; copies; and questions that go
// through a header-set database and come back byte for byte.
#include "analysis/training/training_question.h"

#include <gtest/gtest.h>

#include <functional>

#include "analysis/training/training_walks.h"
#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/game_test_util.h"
#include "database/headerset/tqg_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (unsigned char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X ", c);
    out += buffer;
  }
  return out;
}

MoveCode M(const char* uci) {
  int from = 0, to = 0, promotion = 0;
  EXPECT_TRUE(test::ParseCoordinates(uci, from, to, promotion)) << uci;
  return MoveCode(static_cast<uint8_t>(from), static_cast<uint8_t>(to),
                  static_cast<uint8_t>(promotion ? kPromotion : 0), static_cast<uint8_t>(promotion));
}

// The question of the layout fixture: time 300, 10 points, an English and a German
// question, an arrow e2-e4 in colour 1 and mark 2 on e4, answers e2-e4 (3), d2-d4 (-2).
std::unique_ptr<MoveInputItem> FixtureItem() {
  auto item = std::make_unique<MoveInputItem>();
  item->maxPoints = 10;
  item->SetText(kQuestionGroup, 0, kTextVariant, "Go");
  item->SetText(kQuestionGroup, 1, kTextVariant, "Pr\u00FCfen");
  item->SetText(kQuestionGroup, kArrowSlot, kTextVariant, Bytes({0x02, 0x22, 0x24}));
  item->SetText(kQuestionGroup, kSquareSlot, kTextVariant, Bytes({0x03, 0x24}));
  item->AddAnswer(M("e2e4"));
  item->AddAnswer(M("d2d4"));
  item->SetAnswerValue(M("e2e4"), 3);
  item->SetAnswerValue(M("d2d4"), -2);
  return item;
}

const std::string kFixtureBytes = Bytes({
    0x01, 0x00,                                            // one item
    0x01,                                                  // kind: move input
    0x3A, 0x00,                                            // L = 58
    0x2C, 0x01, 0x00, 0x00,                                // time 300
    0x0A, 0x00,                                            // 10 points
    0x04, 0x00,                                            // group 0: four entries
    0x00, 0x00, 0x02, 0x00, 'G', 'o',                      //   slot 0
    0x01, 0x00, 0x06, 0x00, 'P', 'r', 0xFC, 'f', 'e', 'n', //   slot 1, Windows-1252
    0x07, 0x00, 0x03, 0x00, 0x02, 0x22, 0x24,              //   slot 7: an arrow
    0x08, 0x00, 0x02, 0x00, 0x03, 0x24,                    //   slot 8: a square
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                    // groups 1 to 3 empty
    0x02,                                                  // two answers
    0x21, 0x23, 0x00, 0x03, 0x00, 0x00,                    //   e2-e4, 3, no texts
    0x19, 0x1B, 0x00, 0xFE, 0x00, 0x00,                    //   d2-d4, -2, no texts
});

std::string Written(const TrainingHolder& holder) {
  std::string out;
  holder.WriteTo(out);
  return out;
}

TEST(TrainingPayloadLayout, BytesAsTheLayoutGivesThem) {
  EXPECT_EQ(Hex(Written(TrainingHolder())), "00 00 ");

  TrainingHolder bare;
  bare.SetItem(std::make_unique<MoveInputItem>());
  std::string bytes = Written(bare);
  ASSERT_EQ(bytes.size(), 2u + 1u + 17u);
  EXPECT_EQ(Hex(bytes.substr(3, 2)), "11 00 ");

  TrainingHolder holder;
  holder.SetItem(FixtureItem());
  EXPECT_EQ(Hex(Written(holder)), Hex(kFixtureBytes));

  TrainingHolder read;
  EXPECT_EQ(read.ReadFrom(kFixtureBytes), kFixtureBytes.size());
  EXPECT_EQ(Hex(Written(read)), Hex(kFixtureBytes));
  ASSERT_NE(read.CurrentMoveInput(), nullptr);
  EXPECT_EQ(read.CurrentMoveInput()->GetText(kQuestionGroup, 1, kTextVariant), "Pr\u00FCfen");
}

TEST(TrainingPayloadLayout, ValuesKeepOneSignedByte) {
  TrainingHolder holder;
  auto item = std::make_unique<MoveInputItem>();
  item->AddAnswer(M("e2e4"));
  item->SetAnswerValue(M("e2e4"), 200);
  holder.SetItem(std::move(item));
  TrainingHolder read;
  read.ReadFrom(Written(holder));
  EXPECT_EQ(read.CurrentMoveInput()->GetAnswerValue(M("e2e4")), -56);
}

TEST(TrainingPayloadLayout, UnknownKindsAreSkippedByTheirLength) {
  const std::string unknown = Bytes({0x02, 0x00, 0x07, 0x05, 0x00, 0xAA, 0xBB, 0xCC});
  const std::string item = kFixtureBytes.substr(2);
  TrainingHolder read;
  EXPECT_EQ(read.ReadFrom(unknown + item), unknown.size() + item.size());
  EXPECT_EQ(read.ItemCount(), 1);
  EXPECT_EQ(read.CurrentMoveInput()->AnswerCount(), 2);
}

// Damaged payloads keep what was read before the damage and read nothing beyond
// their bytes (ASan watches the bounds).
TEST(TrainingPayloadLayout, DamageKeepsWhatWasRead) {
  struct Case {
    const char* name;
    std::string bytes;
    int items;
    int answers;
    std::string question;  // slot 0 of group 0
  };
  std::string longer = kFixtureBytes;
  longer[3] = 0x7F;  // L beyond the record
  std::string slotNine = kFixtureBytes;
  slotNine[19] = 9;  // the second entry's slot
  std::string variantTwo = kFixtureBytes;
  variantTwo[20] = 2;
  std::string badSquare = kFixtureBytes;
  badSquare[49] = 70;  // the first answer's from square
  std::string three = Bytes({0x03, 0x00}) + kFixtureBytes.substr(2) + kFixtureBytes.substr(2) + kFixtureBytes.substr(2);
  const std::vector<Case> cases = {
      {"L beyond the record", longer, 1, 2, "Go"},
      {"slot 9", slotNine, 1, 0, "Go"},
      {"variant 2", variantTwo, 1, 0, "Go"},
      {"square byte 70", badSquare, 1, 1, "Go"},
      {"three items", three, 2, 2, "Go"},
      {"cut in an answer", kFixtureBytes.substr(0, kFixtureBytes.size() - 3), 1, 1, "Go"},
      {"cut in a text", kFixtureBytes.substr(0, 22), 1, 0, "Go"},
      {"cut in the length", kFixtureBytes.substr(0, 4), 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TrainingHolder read;
    EXPECT_LE(read.ReadFrom(c.bytes), c.bytes.size());
    EXPECT_EQ(read.ItemCount(), c.items);
    const MoveInputItem* item = read.CurrentMoveInput();
    EXPECT_EQ(item ? item->AnswerCount() : 0, c.answers);
    EXPECT_EQ(item ? item->GetText(kQuestionGroup, 0, kTextVariant) : "", c.question);
  }
}

TEST(TrainingAnswers, MatchingBestAnswerAndLimits) {
  MoveInputItem item;
  item.AddAnswer(M("a7a8n"));
  EXPECT_EQ(item.GetAnswerValue(M("a7a8q")), 0);
  item.SetAnswerValue(M("a7a8n"), 4);
  EXPECT_EQ(item.GetAnswerValue(M("a7a8q")), 0);
  EXPECT_EQ(item.GetAnswerValue(M("a7a8n")), 4);
  // A move that does not promote matches whatever promotion byte the answer holds.
  EXPECT_EQ(item.GetAnswerValue(M("a7a8")), 4);

  MoveInputItem ties;
  ties.AddAnswer(M("e2e4"));
  ties.AddAnswer(M("d2d4"));
  ties.SetAnswerValue(M("e2e4"), 3);
  ties.SetAnswerValue(M("d2d4"), 3);
  EXPECT_EQ(ties.BestAnswer().from, M("e2e4").from);

  MoveInputItem losing;
  losing.AddAnswer(M("g1f3"));
  losing.AddAnswer(M("b1c3"));
  losing.SetAnswerValue(M("g1f3"), -1);
  losing.SetAnswerValue(M("b1c3"), -3);
  EXPECT_EQ(losing.BestAnswer().from, M("g1f3").from);
  EXPECT_EQ(losing.BestValue(), 0);

  MoveInputItem full;
  const char* moves[] = {"a2a3", "b2b3", "c2c3", "d2d3", "e2e3", "f2f3", "g2g3", "h2h3"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(full.AddAnswer(M(moves[i])), i);
  EXPECT_EQ(full.AddAnswer(M(moves[7])), 7);
  EXPECT_EQ(full.AnswerCount(), 7);

  test::RecordingServices services;
  TrainingHolder holder;
  EXPECT_EQ(holder.AddItem(std::make_unique<MoveInputItem>()), 0);
  EXPECT_EQ(holder.AddItem(FixtureItem()), 1);
  const std::string before = Written(holder);
  EXPECT_EQ(holder.AddItem(std::make_unique<MoveInputItem>()), -1);
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_EQ(services.calls[0], "ErrorBox: Incons\nLogic\\Training\n59");
  EXPECT_EQ(Written(holder), before);
  EXPECT_EQ(holder.ItemCount(), 2);
}

TEST(TrainingTexts, FallbackCommentSoundsAndMarks) {
  MoveInputItem item;
  item.SetText(kQuestionGroup, 3, kTextVariant, "Trouvez");
  EXPECT_EQ(item.GetTextFallback(kQuestionGroup, 1, 0), "Trouvez");
  item.SetText(kQuestionGroup, 0, kTextVariant, "Find");
  EXPECT_EQ(item.GetTextFallback(kQuestionGroup, 1, 0), "Find");

  item.AddAnswer(M("e2e4"));
  EXPECT_EQ(item.GetComment(M("d2d4"), 1, 0), "Not the best move.");
  item.SetText(kWrongMoveGroup, 0, kTextVariant, "No.");
  EXPECT_EQ(item.GetComment(M("d2d4"), 1, 0), "No.");
  item.SetAnswerText(M("e2e4"), "Gut", 1, kTextVariant);
  EXPECT_EQ(item.GetComment(M("e2e4"), 1, 0), "Gut");

  TrainingHolder holder;
  auto sounds = std::make_unique<MoveInputItem>();
  sounds->SetText(kWrongMoveGroup, 0, kSoundVariant, "g1s0");
  sounds->SetText(kSecondHelpGroup, 0, kSoundVariant, "g3s0");
  sounds->SetText(kFirstHelpGroup, 0, kSoundVariant, "g2s0");
  sounds->SetText(kQuestionGroup, 0, kSoundVariant, "g0s0");
  sounds->SetText(kQuestionGroup, 2, kSoundVariant, "g0s2");
  sounds->SetText(kWrongMoveGroup, 1, kSoundVariant, "g1s1");
  holder.SetItem(std::move(sounds));
  EXPECT_TRUE(holder.HasSounds());
  std::vector<std::string> names;
  holder.CollectSounds(names);
  EXPECT_EQ(names, (std::vector<std::string>{"g0s0", "g2s0", "g3s0", "g1s0", "g1s1", "g0s2"}));

  // Slot 8: mark 2 on e4 and mark 5 on d5; slot 7: an arrow e2-e4 in colour 1.
  MoveInputItem marked;
  marked.SetText(kFirstHelpGroup, kSquareSlot, kTextVariant, Bytes({0x03, 0x24, 0x06, 0x1D}));
  marked.SetText(kFirstHelpGroup, kArrowSlot, kTextVariant, Bytes({0x02, 0x22, 0x24}));
  const TrainingMarks& marks = marked.BuildMarks(kFirstHelpGroup);
  EXPECT_EQ(marks.squares.ValueAt(35), 2);
  EXPECT_EQ(marks.squares.ValueAt(28), 5);
  EXPECT_EQ(marks.squares.ValueAt(33), 0);
  ASSERT_EQ(marks.arrows.Count(), 1);
  EXPECT_EQ(marks.arrows.GetMark(0), (Mark{1, 33, 35}));
}

TEST(TrainingCopies, AnAnnotationSetCopyCarriesTheCurrentItemOnly) {
  auto holder = std::make_unique<TrainingHolder>();
  holder->AddItem(std::make_unique<MoveInputItem>());
  holder->SetItem(FixtureItem());  // stored second, and the current one
  ASSERT_EQ(holder->ItemCount(), 2);
  AnnotationSet set;
  set.SetTraining(std::move(holder));
  const std::string original = Written(*dynamic_cast<TrainingHolder*>(set.GetTraining()));

  AnnotationSet copy(set);
  const auto* copied = dynamic_cast<const TrainingHolder*>(copy.GetTraining());
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->ItemCount(), 1);
  EXPECT_EQ(copied->CurrentMoveInput()->AnswerCount(), 2);
  EXPECT_EQ(Written(*dynamic_cast<TrainingHolder*>(set.GetTraining())), original);
}

// Every training payload of a game in tree order.
std::vector<std::string> Payloads(const GameBody& body) {
  std::vector<std::string> out;
  std::function<void(const MoveLine&)> walk = [&](const MoveLine& line) {
    for (const GameMove& m : line) {
      if (m.annotations && m.annotations->GetTraining()) {
        std::string bytes;
        m.annotations->GetTraining()->Write(bytes);
        out.push_back(bytes);
      }
      if (m.variations)
        for (int v = 0; v < m.variations->Count(); ++v) walk(*m.variations->GetLine(v));
    }
  };
  walk(body.mainLine);
  return out;
}

TEST(TrainingDatabase, QuestionsComeBackFromAHeaderSet) {
  InstallTrainingQuestions();
  TQGame game;
  game.SetStandardStart();
  GameCursor cursor(&game);
  test::Enter(cursor, "e2e4 e7e5 g1f3 ( b1c3 b8c6 ) b8c6 f1b5");
  cursor.GoToPly(0);
  ASSERT_TRUE(AttachMoveQuestion(cursor, M("d7d5"), 1, 120, 10));  // on e7-e5
  ASSERT_TRUE(AttachMoveQuestion(cursor, M("f1c4"), 99, 300, 10));  // clamped: on f1-b5
  // A third, hand-made question in the variation.
  MoveLine* variation = nullptr;
  for (GameMove& m : game.body.mainLine)
    if (m.variations && m.variations->Count() > 0) variation = m.variations->GetLine(0);
  ASSERT_NE(variation, nullptr);
  auto holder = std::make_unique<TrainingHolder>();
  holder->SetItem(FixtureItem());
  GetAnnotations(*variation->GetMove(1))->SetTraining(std::move(holder));

  ASSERT_EQ(CountTrainingQuestions(game.body), 3);
  EXPECT_EQ(TotalTrainingPoints(game.body), 30);
  const auto before = Payloads(game.body);

  test::TempDir dir;
  TqgDatabase db((dir.Path() / "training").string(), true);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.AppendGame(game), kDbDone);
  TQGame back;
  ASSERT_EQ(db.ReadGame(1, back, false), kDbDone);
  EXPECT_EQ(CountTrainingQuestions(back.body), 3);
  EXPECT_EQ(TotalTrainingPoints(back.body), 30);
  EXPECT_EQ(TotalTrainingScore(back.body), 0);
  const auto after = Payloads(back.body);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(Hex(after[i]), Hex(before[i])) << i;
  SetTrainingPayloadFactory({});
}

}  // namespace
}  // namespace zh
