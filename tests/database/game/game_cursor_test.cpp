// The game cursor: entering moves under the owner's choices, walking, and editing
// variations, checked on small games by their tree dumps.
#include <gtest/gtest.h>

#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/move_tree.h"
#include "database/game_test_util.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::DumpTree;
using test::Enter;

// Owner that records the callbacks and answers the variation choice.
struct Owner {
  std::vector<int> calls;
  int32_t choice = 0;
  int32_t piece = 0;

  template <int Slot>
  int32_t Record(std::intptr_t) {
    calls.push_back(Slot);
    if (Slot == kVariationChoice) return choice;
    if (Slot == kPromotionPiece) return piece;
    return 0;
  }
  void Attach(GameCursor& c, bool withChoice) {
    c.callbacks[kPromotionPiece] = CallbackLink::Bind<Owner, &Owner::Record<0>>(this);
    if (withChoice) c.callbacks[kVariationChoice] = CallbackLink::Bind<Owner, &Owner::Record<1>>(this);
    c.callbacks[kMovesChanged] = CallbackLink::Bind<Owner, &Owner::Record<2>>(this);
    c.callbacks[kMoveReplaced] = CallbackLink::Bind<Owner, &Owner::Record<5>>(this);
  }
};

int Square(const char* name) {
  return (name[0] - 'a') * 8 + (name[1] - '1');
}

// 1.e4 e5 (1...c5 2.Nf3) (1...e6 2.d4) 2.Nf3 Nc6, standing after 1.e4.
struct Fixture {
  TQGame game;
  GameCursor cursor{&game};
  Fixture() {
    Enter(cursor, "e2e4 e7e5 g1f3 b8c6");
    cursor.GoToPly(1);
    Enter(cursor, "c7c5 g1f3 ) ( e7e6 d2d4 )");
    cursor.GoToPly(1);
  }
};

TEST(GameCursorTest, FixtureTree) {
  Fixture f;
  EXPECT_EQ(DumpTree(f.game), "e2e4 e7e5 (c7c5 g1f3) (e7e6 d2d4) g1f3 b8c6");
  EXPECT_EQ(f.cursor.Ply(), 1);
  EXPECT_EQ(f.cursor.VariationCount(1), 2);
}

TEST(GameCursorTest, AddMoveAnswers) {
  struct Case {
    const char* name;
    int mode;
    bool withChoice;
    int32_t choice;
    const char* move;
    int result;
    const char* tree;
    std::vector<int> calls;
  } cases[] = {
      {"new variation without owner", 0, false, 0, "d7d5", 0,
       "e2e4 e7e5 (c7c5 g1f3) (e7e6 d2d4) (d7d5) g1f3 b8c6", {kMovesChanged}},
      {"overwrite variation 1", 0, true, 0x40 | 1, "d7d5", 0,
       "e2e4 e7e5 (c7c5 g1f3) (d7d5) g1f3 b8c6", {kVariationChoice, kMovesChanged}},
      {"overwrite the continuation", 0, true, 0x40 | 5, "d7d5", 0,
       "e2e4 d7d5", {kVariationChoice, kMovesChanged}},
      {"replace keeping what is legal", 0, true, 0x80 | 5, "e7e6", 0,
       "e2e4 e7e6 (c7c5 g1f3) (e7e6 d2d4) g1f3 b8c6", {kVariationChoice, kMoveReplaced}},
      {"owner refuses", 0, true, 0x8000, "d7d5", 1,
       "e2e4 e7e5 (c7c5 g1f3) (e7e6 d2d4) g1f3 b8c6", {kVariationChoice}},
      {"existing variation is entered", 1, true, 0, "e7e6", 0,
       "e2e4 e7e5 (c7c5 g1f3) (e7e6 d2d4) g1f3 b8c6", {kMovesChanged}},
      {"mode 2 overwrites", 2, true, 0, "d7d5", 0, "e2e4 d7d5", {kMovesChanged}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    Owner owner;
    owner.choice = c.choice;
    owner.Attach(f.cursor, c.withChoice);
    int from, to, promotion;
    test::ParseCoordinates(c.move, from, to, promotion);
    EXPECT_EQ(f.cursor.AddMove(from, to, 0, c.mode), c.result);
    EXPECT_EQ(DumpTree(f.game), c.tree);
    EXPECT_EQ(owner.calls, c.calls);
    if (c.result == 0) {
      EXPECT_EQ(f.cursor.Ply(), 2);
      EXPECT_EQ(f.cursor.LastMove()->to, to);
    }
  }
}

TEST(GameCursorTest, IllegalMoveIsRefusedAndChangesNothing) {
  // White to move inside the variation 1...c5 (2.Nf3 follows) and at the end of the
  // main line, in every mode: the move is refused before any callback.
  const char* illegal[] = {"a1a3", "b1b3", "e4e6", "c5c4", "e1g1", "e2e3"};
  for (int mode : {0, 1, 2}) {
    for (bool inVariation : {true, false}) {
      for (const char* move : illegal) {
        SCOPED_TRACE(std::string(move) + " mode " + std::to_string(mode) +
                     (inVariation ? " in the variation" : " at the end"));
        Fixture f;
        if (inVariation) {
          ASSERT_EQ(f.cursor.BeginLine(0), 0);
          ASSERT_EQ(f.cursor.Forward(), 0);
          ASSERT_EQ(f.cursor.Lines().Count(), 1);
        } else {
          f.cursor.GoToPly(4);
        }
        Owner owner;
        owner.choice = 0x40 | 5;
        owner.Attach(f.cursor, true);
        const std::string tree = DumpTree(f.game);
        const Position position = f.cursor.GetPosition();
        const int lines = f.cursor.Lines().Count();
        const int at = f.cursor.Ply();
        int from, to, promotion;
        test::ParseCoordinates(move, from, to, promotion);
        EXPECT_EQ(f.cursor.AddMove(from, to, 0, mode), 1);
        EXPECT_EQ(DumpTree(f.game), tree);
        EXPECT_EQ(f.cursor.GetPosition(), position);
        EXPECT_EQ(f.cursor.Ply(), at);
        EXPECT_EQ(f.cursor.Lines().Count(), lines);
        EXPECT_TRUE(owner.calls.empty());
      }
    }
  }
  // Squares off the board, and a move that leaves the king in check.
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 f7f6 d1h5");
  EXPECT_EQ(cursor.AddMove(64, 0, 0, 0), 1);
  EXPECT_EQ(cursor.AddMove(-1, 20, 0, 0), 1);
  EXPECT_EQ(cursor.AddMove(Square("a7"), Square("a6"), 0, 0), 1);
  EXPECT_EQ(DumpTree(game), "e2e4 f7f6 d1h5");
  EXPECT_EQ(cursor.AddMove(Square("g7"), Square("g6"), 0, 0), 0);
  EXPECT_EQ(DumpTree(game), "e2e4 f7f6 d1h5 g7g6");
}

TEST(GameCursorTest, ExistingVariationIsEnteredAtItsFirstMove) {
  Fixture f;
  ASSERT_EQ(f.cursor.AddMove(Square("e7"), Square("e6"), 0, 1), 0);
  EXPECT_EQ(f.cursor.Lines().Count(), 1);
  EXPECT_EQ(f.cursor.Lines().Top().index, 1);
  EXPECT_EQ(f.cursor.Forward(), 0);
  EXPECT_EQ(f.cursor.LastMove()->to, Square("d4"));
}

TEST(GameCursorTest, PromotionAsksTheOwner) {
  TQGame game;
  game.body.SetSetUpStart(test::ParseFenForTest("8/4P3/8/8/8/8/k7/4K3 w - - 0 1"), 50);
  GameCursor cursor(&game);
  Owner owner;
  owner.Attach(cursor, false);
  owner.piece = 0;
  EXPECT_EQ(cursor.AddMove(Square("e7"), Square("e8"), 0, 0), 1);
  owner.piece = 3;
  EXPECT_EQ(cursor.AddMove(Square("e7"), Square("e8"), 0, 0), 0);
  EXPECT_EQ(cursor.GetPosition().board[Square("e8")], kKnight);
}

TEST(GameCursorTest, PlyLimit) {
  TQGame game;
  GameCursor cursor(&game);
  const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int i = 0; i < kPlyLimit; ++i) {
    int from, to, p;
    test::ParseCoordinates(shuffle[i % 4], from, to, p);
    ASSERT_EQ(cursor.AddMove(from, to, 0, 0), 0) << i;
  }
  EXPECT_EQ(cursor.AddMove(Square("g1"), Square("f3"), 0, 0), 1);
  EXPECT_EQ(game.body.mainLine.Count(), kPlyLimit);
  const Position before = cursor.GetPosition();
  cursor.DoMove(*game.body.mainLine.GetMove(0));
  EXPECT_EQ(cursor.GetPosition(), before);
  EXPECT_EQ(cursor.Ply(), kPlyLimit);
}

TEST(GameCursorTest, WalkingAndLines) {
  test::RecordingServices services;
  Fixture f;
  TQGame empty;
  GameCursor bare(&empty);
  EXPECT_EQ(bare.Forward(), 0);
  EXPECT_EQ(bare.Ply(), 0);
  EXPECT_EQ(f.cursor.EndLine(), 2);
  EXPECT_EQ(f.cursor.BeginLine(5), 2);
  EXPECT_EQ(services.calls, std::vector<std::string>{"Dump: BeginLine(): Error"});
  ASSERT_EQ(f.cursor.BeginLine(0), 0);
  EXPECT_EQ(f.cursor.LineEnd(), 3);
  f.cursor.GoToPly(3);
  EXPECT_EQ(test::Fen4(f.cursor.GetPosition()),
            "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -");
  f.cursor.Back(true);
  f.cursor.Back(true);
  EXPECT_EQ(f.cursor.Lines().Count(), 0);
  EXPECT_EQ(f.cursor.Ply(), 1);
  f.cursor.GoToPly(99);
  EXPECT_EQ(f.cursor.Ply(), 4);
  GameCursor copy(f.cursor);
  copy.Rewind();
  EXPECT_EQ(f.cursor.Ply(), 4);
}

TEST(GameCursorTest, PromoteDeleteAndCutVariations) {
  struct Case {
    const char* name;
    int (*edit)(GameCursor&);
    const char* tree;
  } cases[] = {
      {"promote", [](GameCursor& c) { return c.PromoteVariation(true); },
       "e2e4 e7e6 (c7c5 g1f3) (e7e5 g1f3 b8c6) d2d4"},
      {"delete", [](GameCursor& c) { return c.DeleteVariation(true); },
       "e2e4 e7e5 (c7c5 g1f3) g1f3 b8c6"},
      {"cut", [](GameCursor& c) { return c.CutVariation(true); }, "e2e4 e7e5 (c7c5 g1f3) g1f3 b8c6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    ASSERT_EQ(f.cursor.BeginLine(1), 0);
    f.cursor.Forward();
    f.cursor.Forward();
    EXPECT_EQ(c.edit(f.cursor), 0);
    EXPECT_EQ(DumpTree(f.game), c.tree);
    EXPECT_EQ(f.cursor.Lines().Count(), 0);
  }
  // Deleting the only variation frees its list.
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 )");
  cursor.GoToPly(1);
  ASSERT_EQ(cursor.BeginLine(0), 0);
  EXPECT_EQ(cursor.DeleteVariation(false), 0);
  EXPECT_EQ(game.body.mainLine.GetMove(1)->variations, nullptr);
}

TEST(GameCursorTest, CutVariationPromotesANestedLineFirst) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 g1f3 d7d6 ( b8c6 d2d4 ( f1c4 ) ) d2d4 )");
  EXPECT_EQ(DumpTree(game), "e2e4 e7e5 (c7c5 g1f3 d7d6 (b8c6 d2d4 (f1c4)) d2d4)");
  cursor.GoToPly(1);
  ASSERT_EQ(cursor.BeginLine(0), 0);
  cursor.GoToPly(5);
  EXPECT_EQ(cursor.CutVariation(false), 0);
  EXPECT_EQ(DumpTree(game), "e2e4 e7e5 (c7c5 g1f3 b8c6 d2d4 (f1c4))");
  // Without nested lines the entered variation goes as a whole.
  cursor.GoToPly(1);
  ASSERT_EQ(cursor.BeginLine(0), 0);
  cursor.GoToPly(4);
  EXPECT_EQ(cursor.CutVariation(false), 0);
  EXPECT_EQ(DumpTree(game), "e2e4 e7e5");
}

TEST(GameCursorTest, DeleteRemainderCarriesCommentAndGame) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 g1f3 b8c6 f1b5");
  AnnotationSet* last = GetAnnotations(*game.body.mainLine.GetMove(4));
  last->SetTextAfter("Spanish, see Book/Page 12", 0, kAllLanguages);
  auto embedded = std::make_unique<TQGame>();
  embedded->header.white.SetLastName("A");
  embedded->header.black.SetLastName("B");
  last->SetGame(std::make_unique<EmbeddedGame>(std::move(embedded)));
  GetAnnotations(*game.body.mainLine.GetMove(1))->SetTextAfter("own", 0, kAllLanguages);
  Owner owner;
  owner.Attach(cursor, false);
  cursor.GoToPly(2);
  cursor.DeleteRemainder();
  EXPECT_EQ(DumpTree(game), "e2e4 e7e5 {Spanish, see Book/Page 12 (2) own} [game]");
  EXPECT_EQ(owner.calls, std::vector<int>{kMovesChanged});

  // A second carry-over onto a move with a game puts the description in front.
  Enter(cursor, "g1f3");
  GetAnnotations(*game.body.mainLine.GetMove(2))->SetGame(
      std::make_unique<EmbeddedGame>(*game.body.mainLine.GetMove(1)->annotations->GetGame()));
  cursor.GoToPly(2);
  cursor.DeleteRemainder();
  EXPECT_EQ(DumpTree(game), "e2e4 e7e5 {A-B/ Spanish, see Book/Page 12 (2) own} [game]");
}

TEST(GameCursorTest, DeleteMovesBeforeRenumbers) {
  struct Case {
    const char* fen;
    int firstMove;
    int ply;
    const char* moves;
  } cases[] = {
      {nullptr, 0, 4, "e2e4 e7e5 g1f3 b8c6 f1b5"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1, 4, "e2e4 e7e5 g1f3 b8c6 f1b5"},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", 1, 3, "e7e5 g1f3 b8c6 f1b5"},
  };
  for (const auto& c : cases) {
    TQGame game;
    if (c.fen) game.body.SetSetUpStart(test::ParseFenForTest(c.fen), c.firstMove);
    GameCursor cursor(&game);
    Enter(cursor, c.moves);
    cursor.GoToPly(c.ply);
    const Position here = cursor.GetPosition();
    Owner owner;
    owner.Attach(cursor, false);
    cursor.callbacks[kStartChanged] = cursor.callbacks[kMovesChanged];
    EXPECT_EQ(cursor.DeleteMovesBefore(), 0);
    EXPECT_EQ(game.body.start.FirstMoveNumber(), 3);
    EXPECT_EQ(game.ItemKind(), kSetUpGameItem);
    EXPECT_FALSE(game.body.start.IsStandardStart());
    EXPECT_EQ(game.body.start.start.position, here);
    EXPECT_EQ(DumpTree(game), "f1b5");
    EXPECT_EQ(cursor.Ply(), 0);
  }
  // From inside a variation: the path becomes the main line first.
  Fixture f;
  ASSERT_EQ(f.cursor.BeginLine(0), 0);
  f.cursor.GoToPly(3);
  EXPECT_EQ(f.cursor.DeleteMovesBefore(), 0);
  EXPECT_EQ(DumpTree(f.game), "");
  EXPECT_EQ(test::Fen4(f.game.body.start.start.position),
            "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -");
}

TEST(GameCursorTest, CopyLineFromResetsASetUpTarget) {
  Fixture source;
  ASSERT_EQ(source.cursor.BeginLine(0), 0);
  source.cursor.GoToPly(3);
  TQGame target;
  target.body.SetSetUpStart(test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), 7);
  GameCursor cursor(&target);
  EXPECT_EQ(cursor.CopyLineFrom(source.cursor), 3);
  EXPECT_TRUE(target.body.start.IsStandardStart());
  EXPECT_EQ(target.ItemKind(), kGameItem);
  EXPECT_EQ(DumpTree(target), "e2e4 c7c5 g1f3");

  // And a set-up source carries its start over.
  TQGame setUp;
  setUp.body.SetSetUpStart(test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), 0);
  GameCursor from(&setUp);
  Enter(from, "e1e2");
  EXPECT_EQ(cursor.CopyLineFrom(from), 1);
  EXPECT_EQ(target.ItemKind(), kSetUpGameItem);
  EXPECT_EQ(target.body.start.FirstMoveNumber(), 1);
  EXPECT_EQ(DumpTree(target), "e1e2");
}

TEST(GameCursorTest, FailedStoreLeavesGamePositionAndPathUnchanged) {
  Fixture f;
  const std::string tree = DumpTree(f.game);
  const Position position = f.cursor.GetPosition();
  // Into a new variation (its line must grow) and at the end of the main line.
  for (int ply : {1, 4}) {
    f.cursor.GoToPly(ply);
    const Position here = f.cursor.GetPosition();
    SetMoveLineGrowthLimit(0);
    const int rc = ply == 1 ? f.cursor.AddMove(Square("d7"), Square("d5"), 0, 0)
                            : f.cursor.AddMove(Square("f1"), Square("b5"), 0, 0);
    SetMoveLineGrowthLimit(-1);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(DumpTree(f.game), tree);
    EXPECT_EQ(f.cursor.GetPosition(), here);
    EXPECT_EQ(f.cursor.Ply(), ply);
    EXPECT_EQ(f.cursor.Lines().Count(), 0);
  }
  EXPECT_EQ(f.game.body.mainLine.GetMove(1)->variations->Count(), 2);
  f.cursor.GoToPly(1);
  EXPECT_EQ(f.cursor.GetPosition(), position);
}

TEST(GameCursorTest, SaveStripAndClear) {
  Fixture f;
  ASSERT_EQ(f.cursor.BeginLine(0), 0);
  f.cursor.Forward();
  f.cursor.SavePosition();
  f.cursor.Rewind();
  f.cursor.RestorePosition();
  EXPECT_EQ(f.cursor.Ply(), 2);
  EXPECT_EQ(f.cursor.Lines().Count(), 1);
  f.cursor.Rewind();
  f.cursor.RestorePosition();  // nothing saved any more
  EXPECT_EQ(f.cursor.Ply(), 0);

  f.game.body.AddGameComment("intro");
  AddComment(*f.game.body.mainLine.GetMove(0), "main", true, 0);
  AddComment(*f.game.body.mainLine.GetMove(1)->variations->GetLine(0)->GetMove(1), "deep", true, 0);
  f.cursor.StripGame();
  EXPECT_EQ(DumpTree(f.game), "e2e4 e7e5 (c7c5 g1f3) (e7e6 d2d4) g1f3 b8c6");
  EXPECT_NE(f.game.body.GameAnnotations(), nullptr);
  f.cursor.GoToPly(3);
  f.cursor.ClearGame();
  EXPECT_EQ(DumpTree(f.game), "");
  EXPECT_EQ(f.game.body.GameAnnotations(), nullptr);
  EXPECT_EQ(f.cursor.Ply(), 0);
}

TEST(GameCursorTest, SymbolsAreStoredOnTheMove) {
  Fixture f;
  f.cursor.SetMoveSymbol(0, 1);
  f.cursor.SetPositionSymbol(0, 200);
  EXPECT_EQ(GetSymbols(*f.game.body.mainLine.GetMove(0)).move, 1);
  EXPECT_EQ(GetSymbols(*f.game.body.mainLine.GetMove(0)).position, 0);
  f.cursor.SetMoveSymbol(0, 0);
  EXPECT_EQ(f.game.body.mainLine.GetMove(0)->annotations, nullptr);
}

}  // namespace
}  // namespace zh
