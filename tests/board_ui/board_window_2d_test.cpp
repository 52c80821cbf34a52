#include "board/ui/board_window_2d.h"

#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "board/ui/display_board_window.h"
#include "app/shell_hooks.h"
#include "board_ui/board_ui_support.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"

namespace zh {
namespace {

constexpr int kA1 = 0, kD2 = 25, kE1 = 32, kE2 = 33, kE3 = 34, kE4 = 35, kE5 = 36, kE7 = 38, kH1 = 56;
constexpr int kWhiteKing = 1, kWhiteQueen = 2, kWhitePawn = 6, kWhiteRook = 5;

// The game manager's side, as far as the board asks for it: legal moves from the
// start position, entered by drag or by two clicks.
struct Handler {
  BoardWindow2D* board = nullptr;
  std::vector<std::string> calls;
  uint8_t pending = BoardWindow::kNoSquare;

  int32_t Lifted(std::intptr_t) { return calls.push_back("lifted"), 0; }
  int32_t Up(std::intptr_t) {
    calls.push_back("up");
    if (board->toSquare != board->fromSquare) {
      pending = BoardWindow::kNoSquare;
    } else if (pending != BoardWindow::kNoSquare && pending != board->fromSquare) {
      board->fromSquare = pending;  // the second click names the to square
      pending = BoardWindow::kNoSquare;
    } else {
      pending = board->fromSquare;
    }
    return 0;
  }
  int32_t Entered(std::intptr_t argument) {
    calls.push_back("entered");
    EXPECT_EQ(BoardWindow::FromLinkArgument(argument), board);
    MoveList legal;
    legal.GenerateLegal(Position());
    for (int i = 0; i < legal.Count(); ++i) {
      const MoveCode m = legal.At(i);
      if ((m.from == board->fromSquare && m.to == board->toSquare) ||
          (m.to == board->fromSquare && m.from == board->toSquare)) {
        board->ExecuteInputMove(1, 0);
        return 0;
      }
    }
    board->UnmarkSquare(board->fromSquare);
    return 0;
  }
  int32_t Right(std::intptr_t) { return calls.push_back("right"), 0; }
  int32_t Colours(std::intptr_t) { return calls.push_back("colours"), 0; }
  int32_t Arrows(std::intptr_t) { return calls.push_back("arrows"), 0; }

  void Bind(BoardWindow2D& w) {
    board = &w;
    w.pieceLifted = CallbackLink::Bind<Handler, &Handler::Lifted>(this);
    w.buttonUp = CallbackLink::Bind<Handler, &Handler::Up>(this);
    w.moveEntered = CallbackLink::Bind<Handler, &Handler::Entered>(this);
    w.rightClick = CallbackLink::Bind<Handler, &Handler::Right>(this);
    w.squareColorsEdited = CallbackLink::Bind<Handler, &Handler::Colours>(this);
    w.arrowsEdited = CallbackLink::Bind<Handler, &Handler::Arrows>(this);
  }
};

BoardMarks Cleared() {
  BoardMarks marks;
  marks.Clear();
  return marks;
}

struct Board2DTest : ::testing::Test {
  SharedPieceSet set = test::Cache().GetSet(4);
  std::unique_ptr<BoardWindow2D> w;
  Handler handler;

  BoardWindow2D& Make(bool flipped = false, bool coordinates = true, SharedPieceSet with = nullptr) {
    w = std::make_unique<BoardWindow2D>(nullptr, with ? with : set, flipped, coordinates, 3);
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->SetPosition(Board(true), Cleared(), true);
    handler.Bind(*w);
    return *w;
  }
  QImage Grab(const std::string& name) { return test::Grab(*w, name); }
  QPoint Centre(int square) const { return w->SquareOrigin(square) + QPoint(20, 20); }
  bool Shows(const QImage& grab, int square, const QImage& picture) const {
    return test::RegionEquals(grab, w->SquareOrigin(square), picture);
  }
  const QImage& Piece(int code, int square) const {
    return set->GetPieceBitmap(code & 7, code >> 3, ((square / 8) ^ (square % 8) ^ 1) & 1);
  }
  const QImage& Empty(int square) const { return set->GetSquareBitmap(((square / 8) ^ (square % 8) ^ 1) & 1); }
  void Drag(int from, int to, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(w.get(), Qt::LeftButton, mods, Centre(from));
    QTest::mouseMove(w.get(), (Centre(from) + Centre(to)) / 2);
    QTest::mouseMove(w.get(), Centre(to));
    QTest::mouseRelease(w.get(), Qt::LeftButton, mods, Centre(to));
  }
};

TEST_F(Board2DTest, DrawsTheSetsBitmapsWithCoordinatesAndFlipped) {
  Make();
  QImage grab = Grab("initial");
  EXPECT_EQ(grab.size(), QSize(2 * 3 + 320 + 18 + 2, 2 * 3 + 320 + 18 + 2));
  const int codes[8] = {5, 3, 4, 2, 1, 4, 3, 5};
  for (int sq = 0; sq < 64; ++sq) {
    const int rank = sq % 8;
    const int piece = rank == 0 ? codes[sq / 8] : rank == 1 ? 6 : rank == 6 ? 14 : rank == 7 ? codes[sq / 8] + 8 : 0;
    EXPECT_TRUE(Shows(grab, sq, piece ? Piece(piece, sq) : Empty(sq))) << sq;
  }
  EXPECT_TRUE(Shows(grab, kE1, set->GetPieceBitmap(kWhiteKing, 0, 1)));  // the white king on dark

  BoardWindow2D bare(nullptr, set, 0, 0, 3);
  EXPECT_EQ(bare.size(), grab.size() - QSize(18, 18));

  Make(true);
  grab = Grab("flipped");
  EXPECT_EQ(w->SquareOrigin(kA1), QPoint(3 + 18 + 1 + 7 * 40, 3 + 1));
  EXPECT_TRUE(Shows(grab, kA1, Piece(kWhiteRook, kA1)));
  EXPECT_TRUE(test::RegionEquals(grab, QPoint(3 + 18 + 1 + 7 * 40, 4), Piece(kWhiteRook, kA1)));
  // Flipping a board draws what a board made flipped shows, labels included.
  Make();
  w->SetFlipped(1);
  EXPECT_EQ(w->IsFlipped(), 1);
  EXPECT_EQ(Grab("flipped_later"), grab);
}

// AND of two bitmaps, OR of two bitmaps, pixel by pixel.
QImage Combine(const QImage& a, const QImage& b, bool both) {
  QImage r = a.copy();
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x)
      r.setPixel(x, y, both ? (a.pixel(x, y) & b.pixel(x, y)) : (a.pixel(x, y) | b.pixel(x, y)));
  return r;
}

TEST_F(Board2DTest, ColouredSquaresFollowTheTintRule) {
  Make();
  BoardMarks marks = Cleared();
  marks.squares.SetValue(kE4, 2);
  marks.squares.SetValue(kE2, 1);
  marks.squares.SetValue(kD2, 3);
  marks.squares.SetValue(kE5, 9);  // no tint: drawn as uncoloured
  w->SetPosition(Board(true), marks, false);
  const QImage grab = Grab("tinted");
  const Tints tints = MakeTints(40);
  EXPECT_TRUE(Shows(grab, kE4, Combine(Empty(kE4), tints[2], true)));
  for (auto [sq, code] : {std::pair{kE2, 1}, std::pair{kD2, 3}}) {
    const QImage tinted = Combine(Empty(sq), tints[static_cast<size_t>(code)], true);
    const QImage expected = Combine(Combine(tinted, set->GetPieceMask(kWhitePawn), false),
                                    set->GetPieceBitmap(kWhitePawn, 0, 0), true);
    EXPECT_TRUE(Shows(grab, sq, expected)) << sq;
  }
  EXPECT_TRUE(Shows(grab, kE5, Empty(kE5)));
}

TEST_F(Board2DTest, LegalDragsMoveIllegalOnesRestoreThePicture) {
  Make();
  const QImage before = Grab("before");
  Drag(kE2, kE5);
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted", "up", "entered"}));
  EXPECT_EQ(Grab("illegal"), before);

  handler.calls.clear();
  Drag(kE2, kE4);
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted", "up", "entered"}));
  EXPECT_EQ(w->fromSquare, kE2);
  EXPECT_EQ(w->toSquare, kE4);
  const QImage after = Grab("e2e4");
  EXPECT_TRUE(Shows(after, kE4, Piece(kWhitePawn, kE4)));
  EXPECT_TRUE(Shows(after, kE2, Empty(kE2)));
  EXPECT_EQ(w->board[kE4], kWhitePawn);
  EXPECT_EQ(w->releasePoint, (BoardPoint{static_cast<int16_t>(Centre(kE4).x()), static_cast<int16_t>(Centre(kE4).y())}));
}

TEST_F(Board2DTest, TwoClicksEnterAMove) {
  Make();
  QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(kE2));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted", "up"}));
  EXPECT_TRUE(Shows(Grab("first_click"), kE2, Piece(kWhitePawn, kE2)));  // the pawn is back
  QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(kE4));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted", "up", "lifted", "up", "entered"}));
  const QImage grab = Grab("two_clicks");
  EXPECT_TRUE(Shows(grab, kE4, Piece(kWhitePawn, kE4)));
  EXPECT_TRUE(Shows(grab, kE2, Empty(kE2)));
}

TEST_F(Board2DTest, TheDropSquareIsUnderTheImagesCentre) {
  Make();
  const QPoint grabAt = w->SquareOrigin(kE2) + QPoint(5, 5);
  // The image's centre lies one pixel inside e4; the pointer itself is over e5.
  const QPoint release = w->SquareOrigin(kE4) + QPoint(5, 1 - 15);
  QTest::mousePress(w.get(), Qt::LeftButton, {}, grabAt);
  QTest::mouseMove(w.get(), release);
  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, release);
  EXPECT_EQ(w->toSquare, kE4);
  EXPECT_EQ(w->board[kE4], kWhitePawn);
  // Two pixels higher and the centre is on e5.
  Make();
  QTest::mousePress(w.get(), Qt::LeftButton, {}, grabAt);
  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, release - QPoint(0, 2));
  EXPECT_EQ(w->toSquare, kE5);
}

TEST_F(Board2DTest, RightPressAndReleaseOnOneSquareIsARightClick) {
  Make();
  QTest::mouseClick(w.get(), Qt::RightButton, {}, Centre(kE2));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"right"}));
  EXPECT_TRUE(Shows(Grab("right"), kE2, Piece(kWhitePawn, kE2)));
  handler.calls.clear();
  w->inputEnabled = 0;
  QTest::mouseClick(w.get(), Qt::RightButton, {}, Centre(kE2));
  EXPECT_TRUE(handler.calls.empty());
}

TEST_F(Board2DTest, AltClicksColourSquaresAndAltDragsEditArrows) {
  Make();
  const Qt::KeyboardModifiers altCtrl = Qt::AltModifier | Qt::ControlModifier;
  QTest::mouseClick(w.get(), Qt::LeftButton, altCtrl, Centre(kE4));
  EXPECT_EQ(w->marks.squares.ValueAt(kE4), 2);
  EXPECT_TRUE(Shows(Grab("yellow"), kE4, Combine(Empty(kE4), MakeTints(40)[2], true)));
  QTest::mouseClick(w.get(), Qt::LeftButton, altCtrl, Centre(kE4));
  EXPECT_EQ(w->marks.squares.ValueAt(kE4), 0);
  EXPECT_TRUE(Shows(Grab("cleared"), kE4, Empty(kE4)));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"colours", "colours"}));

  handler.calls.clear();
  const QImage plain = Grab("no_arrow");
  Drag(kE2, kE4, Qt::AltModifier);
  ASSERT_EQ(w->marks.arrows.Count(), 1);
  EXPECT_EQ(w->marks.arrows.GetMark(0), (Mark{1, kE2, kE4}));
  const QImage green = Grab("green_arrow");
  EXPECT_NE(green, plain);
  EXPECT_EQ(green.pixel(Centre(kE3)), qRgb(0, 255, 0));
  Drag(kE2, kE4, Qt::AltModifier);
  EXPECT_EQ(w->marks.arrows.Count(), 0);
  EXPECT_EQ(Grab("arrow_removed"), plain);
  Drag(kE2, kE4, Qt::AltModifier);
  Drag(kE2, kE4, Qt::AltModifier | Qt::ShiftModifier);
  ASSERT_EQ(w->marks.arrows.Count(), 1);
  EXPECT_EQ(w->marks.arrows.GetMark(0), (Mark{3, kE2, kE4}));
  EXPECT_EQ(Grab("red_arrow").pixel(Centre(kE3)), qRgb(255, 0, 0));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"arrows", "arrows", "arrows", "arrows"}));
  EXPECT_EQ(w->board[kE2], kWhitePawn);  // no move was entered
}

TEST_F(Board2DTest, AnimationFramesFollowTheSpeed) {
  struct Case {
    int speed;
    int frames;
    int step;  // pixels between frames times four
  };
  for (const Case c : {Case{2, 20, 8}, Case{19, 2, 80}, Case{-3, 2, 80}, Case{0, 0, 0}, Case{9, 160, 1}}) {
    Make();
    std::vector<QPoint> frames;
    w->frameHook = [&](QPoint p) { frames.push_back(p); };
    w->animationSpeed = static_cast<int16_t>(c.speed);
    w->AnimateMove(kE2, kE3);
    ASSERT_EQ(static_cast<int>(frames.size()), c.frames) << c.speed;
    const QPoint start = w->SquareOrigin(kE2);
    for (size_t i = 0; i < frames.size(); ++i)
      EXPECT_EQ(frames[i], start - QPoint(0, static_cast<int>(i) * c.step / 4)) << c.speed << " frame " << i;
    EXPECT_EQ(w->board[kE3], kWhitePawn);
    const QImage grab = Grab("animated");
    EXPECT_TRUE(Shows(grab, kE3, Piece(kWhitePawn, kE3)));
    EXPECT_TRUE(Shows(grab, kE2, Empty(kE2)));
  }
}

TEST_F(Board2DTest, RedrawsOnlyWhatChanged) {
  Make();
  std::vector<int> drawn;
  w->squareHook = [&](int s) { drawn.push_back(s); };
  w->SetPosition(Board(true), Cleared(), false);
  EXPECT_TRUE(drawn.empty());
  w->InvalidateSquare(12);
  Board same(true);
  w->ShowBoard(std::span<const uint8_t, 64>(same.squares));
  EXPECT_EQ(drawn, std::vector<int>{12});
  drawn.clear();
  w->SetPosition(Board(true), Cleared(), true);
  EXPECT_EQ(drawn.size(), 64u);
}

TEST_F(Board2DTest, ClearMarksRemovesTheArrowsThenTheColours) {
  Make();
  BoardMarks marks = Cleared();
  marks.squares.SetValue(kE4, 3);
  marks.arrows.AddMark(Mark{2, kE2, kE4});
  marks.arrows.AddMark(Mark{1, 70, kE4});  // kept, not drawn
  w->SetSquareColors(marks);
  w->ClearMarks();
  EXPECT_EQ(w->marks.arrows.Count(), 0);
  EXPECT_EQ(w->marks.squares.ValueAt(kE4), 3);
  w->ClearMarks();
  EXPECT_EQ(w->marks.squares.ValueAt(kE4), 0);
  Make();
  const QImage plain = Grab("plain");
  w->ClearMarks();
  EXPECT_EQ(Grab("plain_again"), plain);
}

TEST_F(Board2DTest, ExecuteInputMoveDrawsThePromotionPiece) {
  Make();
  w->fromSquare = kE2;
  w->toSquare = kE4;
  w->ExecuteInputMove(0, 2);
  EXPECT_EQ(w->board[kE2], kWhitePawn);
  w->ExecuteInputMove(1, 2);
  const QImage grab = Grab("promotion");
  EXPECT_TRUE(Shows(grab, kE4, Piece(kWhiteQueen, kE4)));
  EXPECT_TRUE(Shows(grab, kE2, Empty(kE2)));
  EXPECT_EQ(w->board[kE4], kWhitePawn);  // the drawn board keeps the moving piece
  EXPECT_EQ(w->board[kE2], 0);
}

// Changed pixels of the centre line of a file or rank, between two pictures.
std::vector<int> ChangedAlong(const QImage& a, const QImage& b, QPoint from, QPoint step, int count) {
  std::vector<int> changed;
  for (int i = 0; i < count; ++i) {
    const QPoint p = from + step * i;
    if (a.pixel(p) != b.pixel(p)) changed.push_back(i);
  }
  return changed;
}

TEST_F(Board2DTest, ArrowsBetweenPiecesStartOffTheCentre) {
  Make();
  const QImage plain = w->Buffer().copy();
  BoardMarks marks = Cleared();
  marks.arrows.AddMark(Mark{1, kE2, kE7});
  marks.arrows.AddMark(Mark{3, kA1, kH1});
  w->SetPosition(Board(true), marks, false);
  const QImage arrows = w->Buffer().copy();
  // Along the e-file upwards from e2's centre: 2 x 18 % of 40 pixels = 14 (36 %).
  const std::vector<int> file = ChangedAlong(plain, arrows, Centre(kE2), QPoint(0, -1), 30);
  ASSERT_FALSE(file.empty());
  EXPECT_NEAR(file.front(), 14, 1);
  // Along the first rank rightwards from a1's centre: 18 % of 40 pixels = 7.
  const std::vector<int> rank = ChangedAlong(plain, arrows, Centre(kA1), QPoint(1, 0), 30);
  ASSERT_FALSE(rank.empty());
  EXPECT_NEAR(rank.front(), 7, 1);
}

TEST_F(Board2DTest, DiagramPartsAreRegionsOfTheWhole) {
  BoardMarks marks = Cleared();
  marks.squares.SetValue(kE4, 1);
  marks.arrows.AddMark(Mark{2, kD2, kE4});
  for (bool frame : {false, true})
    for (bool coordinates : {false, true}) {
      const QImage whole = DrawBoardDiagram(Board(true), *set, marks, frame, 0, coordinates, false);
      const int m = (frame ? 1 : 0) + (coordinates ? 16 : 0);
      ASSERT_EQ(whole.size(), QSize(2 * m + 320, 2 * m + 320));
      const int h = m + 160, s = whole.width();
      const QRect regions[9] = {whole.rect(), {0, 0, s, h}, {0, h, s, s - h}, {0, 0, h, s}, {h, 0, s - h, s},
                                {0, 0, h, h}, {h, 0, s - h, h}, {0, h, h, s - h}, {h, h, s - h, s - h}};
      for (int part = 1; part <= 8; ++part)
        EXPECT_EQ(DrawBoardDiagram(Board(true), *set, marks, frame, part, coordinates, false),
                  whole.copy(regions[part])) << part;
      EXPECT_TRUE(test::RegionEquals(whole, QPoint(m + 4 * 40, m + 7 * 40), set->GetPieceBitmap(kWhiteKing, 0, 1)));
      if (m > 0) {
        EXPECT_EQ(whole.pixel(0, 0), frame && !coordinates ? qRgb(0, 0, 0) : QColor::fromRgba64(61000, 61000, 61000).rgb());
      }
    }
  const QImage flipped = DrawBoardDiagram(Board(true), *set, Cleared(), false, 0, false, true);
  EXPECT_TRUE(test::RegionEquals(flipped, QPoint(7 * 40, 0), set->GetPieceBitmap(kWhiteRook, 0, 1)));
}

TEST_F(Board2DTest, ABoardKeepsAReplacedSetAlive) {
  BoardColors colours(2);
  SharedPieceSet first = test::Cache().GetColoredSet(4, colours);
  const QImage king = first->GetPieceBitmap(kWhiteKing, 0, 1).copy();
  Make(false, true, first);
  const PieceBMPSet* held = first.get();
  first.reset();
  colours.lightSquares.green ^= 0x4000;
  SharedPieceSet second = test::Cache().GetColoredSet(4, colours);
  ASSERT_NE(second.get(), held);
  w->DropBuffers();
  w->SetPosition(Board(true), Cleared(), true);
  EXPECT_TRUE(test::RegionEquals(Grab("replaced_set"), w->SquareOrigin(kE1), king));
}

TEST_F(Board2DTest, ACancelledDragPutsThePieceBack) {
  Make();
  const QImage before = Grab("before_cancel");
  EXPECT_EQ(w->UpdateDrag(), 0);  // no drag
  int cancelled = 0;
  struct Counter {
    int* n;
    int32_t Call(std::intptr_t) { return ++*n, 0; }
  } counter{&cancelled};
  w->dragCancelled = CallbackLink::Bind<Counter, &Counter::Call>(&counter);
  QTest::mousePress(w.get(), Qt::LeftButton, {}, Centre(kE2));
  QTest::mouseMove(w.get(), Centre(kE3));
  EXPECT_EQ(w->UpdateDrag(), 1);
  EXPECT_EQ(cancelled, 1);
  QTest::mousePress(w.get(), Qt::RightButton, {}, Centre(kE3));  // the other button
  EXPECT_EQ(cancelled, 2);
  w->CancelInput();
  EXPECT_EQ(Grab("after_cancel"), before);
  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, Centre(kE4));  // the drag is over
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted"}));
}

TEST_F(Board2DTest, MovesAskForTheirSoundOnlyWithSoundsOn) {
  struct Sounds : CoachHooks {
    std::vector<std::string> played;
    void PlayMoveSound() override { played.push_back("move"); }
    void PlayCaptureSound() override { played.push_back("capture"); }
  } sounds;
  ShellHooks hooks;
  hooks.coach = &sounds;
  ScopedHooks installed(hooks);
  Make();
  w->animationSpeed = 0;
  Move quiet, capture;
  quiet.from = kE2, quiet.to = kE4;
  capture.from = kD2, capture.to = kE7;
  w->ShowMove(quiet);  // sounds off
  w->sounds = 1;
  w->ShowMove(capture);
  w->fromSquare = kE4, w->toSquare = kE5;
  w->ExecuteInputMove(1, 0);
  EXPECT_EQ(sounds.played, (std::vector<std::string>{"capture", "move"}));
}

TEST(DisplayBoardWindow, IsSmallShowsItsBoardAndReportsClicks) {
  SharedPieceSet set = test::Cache().GetSet(4);
  DisplayBoardWindow board(nullptr, set, 7);
  EXPECT_EQ(board.size(), QSize(326, 326));
  board.board.Assign(Board(true));
  board.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&board));
  const QImage grab = test::Grab(board, "display_board");
  EXPECT_TRUE(test::RegionEquals(grab, QPoint(4 * 40 + 3, 7 * 40 + 3), set->GetPieceBitmap(kWhiteKing, 0, 1)));
  struct Clicks {
    std::vector<int> indexes;
    int32_t Click(std::intptr_t a) {
      indexes.push_back(reinterpret_cast<DisplayBoardWindow*>(a)->Index());
      return 0;
    }
  } clicks;
  board.clickLink = CallbackLink::Bind<Clicks, &Clicks::Click>(&clicks);
  for (QPoint p : {QPoint(0, 0), QPoint(325, 325), QPoint(1, 200), QPoint(163, 163)}) {
    QTest::mouseClick(&board, Qt::LeftButton, {}, p);
    QTest::qWait(1);
  }
  EXPECT_EQ(clicks.indexes, (std::vector<int>{7, 7, 7, 7}));
}

}  // namespace
}  // namespace zh
