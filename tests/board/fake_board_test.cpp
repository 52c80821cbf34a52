// The fake board drives the links as the 2D board's mouse input does; the game
// manager's tests rely on it.
#include "support/fake_board.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace zh::test {
namespace {

constexpr int kE2 = 33, kE4 = 35, kD4 = 27;
constexpr int kLeft = FakeBoard::kLeftButton, kRight = FakeBoard::kRightButton;

// Binds every link of a board to a log line "<link> <from> <to> <current>"; a handler
// may act on the board after logging.
struct LinkLog {
  struct Slot {
    LinkLog* log;
    const char* name;
    std::function<void(FakeBoard&)> handler;
  };

  explicit LinkLog(FakeBoard& b) : board(b) {
    Bind(b.moveEntered, 0, "entered");
    Bind(b.pieceLifted, 1, "lifted");
    Bind(b.dragCancelled, 2, "cancelled");
    Bind(b.buttonUp, 3, "up");
    Bind(b.rightClick, 4, "right");
    Bind(b.squareColorsEdited, 5, "colours");
    Bind(b.arrowsEdited, 6, "arrows");
  }
  void Bind(CallbackLink& link, int i, const char* name) {
    slots[i] = {this, name, {}};
    link = CallbackLink(&slots[i], [](void* o, std::intptr_t argument) {
      Slot& slot = *static_cast<Slot*>(o);
      FakeBoard& b = slot.log->board;
      if (BoardWindow::FromLinkArgument(argument) != &b) slot.log->text += "[wrong argument]";
      slot.log->text += (slot.log->text.empty() ? "" : "; ") + std::string(slot.name) + " " +
                        std::to_string(b.fromSquare) + " " + std::to_string(b.toSquare) + " " +
                        std::to_string(b.currentSquare);
      if (slot.handler) slot.handler(b);
      return 0;
    });
  }
  void On(int i, std::function<void(FakeBoard&)> handler) { slots[i].handler = std::move(handler); }

  FakeBoard& board;
  Slot slots[7];
  std::string text;
};

TEST(FakeBoard, InputCallsTheLinksInTheBoardsOrder) {
  enum { kEntered, kLifted, kCancelled, kUp, kRight_, kColours, kArrows };
  const struct {
    const char* name;
    std::function<void(FakeBoard&, LinkLog&)> script;
    const char* links;
  } cases[] = {
      {"drag e2-e4", [](FakeBoard& b, LinkLog&) { b.Drag(kE2, kE4); },
       "lifted 0 0 33; up 33 35 35; entered 33 35 35"},
      {"button up clears entry armed",
       [](FakeBoard& b, LinkLog& log) {
         log.On(kUp, [](FakeBoard& f) { f.entryArmed = 0; });
         b.Drag(kE2, kE4);
       },
       "lifted 0 0 33; up 33 35 35"},
      {"press and release on one square", [](FakeBoard& b, LinkLog&) { b.Click(kE2); },
       "lifted 0 0 33; up 33 33 33"},
      {"unset link is skipped",
       [](FakeBoard& b, LinkLog&) {
         b.pieceLifted.Clear();
         b.Drag(kE2, kE4);
       },
       "up 33 35 35; entered 33 35 35"},
      {"two clicks, the second completed by button up",
       [](FakeBoard& b, LinkLog& log) {
         log.On(kUp, [first = -1](FakeBoard& f) mutable {
           if (f.toSquare != f.fromSquare) return;
           if (first < 0) {
             first = f.fromSquare;
           } else {
             f.fromSquare = static_cast<uint8_t>(first);
           }
         });
         b.Click(kE2);
         b.Click(kE4);
       },
       "lifted 0 0 33; up 33 33 33; lifted 33 33 35; up 35 35 35; entered 33 35 35"},
      {"release off the board", [](FakeBoard& b, LinkLog&) { b.Drag(kE2, BoardWindow::kNoSquare); },
       "lifted 0 0 33; up 33 0 255"},
      {"press off the board", [](FakeBoard& b, LinkLog&) { b.Drag(BoardWindow::kNoSquare, kE4); }, ""},
      {"input disabled",
       [](FakeBoard& b, LinkLog&) {
         b.inputEnabled = 0;
         b.Drag(kE2, kE4);
       },
       ""},
      {"right click", [](FakeBoard& b, LinkLog&) { b.Click(kD4, kRight); }, "right 27 27 27"},
      {"right drag to another square", [](FakeBoard& b, LinkLog&) { b.Drag(kE2, kE4, kRight); }, ""},
      {"right release during a left drag is ignored",
       [](FakeBoard& b, LinkLog&) {
         b.Press(kE2);
         b.Release(kE4, kRight);
         b.Release(kE4);
       },
       "lifted 0 0 33; up 33 35 35; entered 33 35 35"},
      {"other button cancels the drag",
       [](FakeBoard& b, LinkLog&) {
         b.Press(kE2);
         b.Press(kE2, kRight);
         b.Release(kE4);
       },
       "lifted 0 0 33; cancelled 33 0 33; up 33 35 35; entered 33 35 35"},
      {"Alt-click and Alt-drag edit the marks",
       [](FakeBoard& b, LinkLog&) {
         b.Click(kD4, kLeft | BoardWindow::kAlt);
         b.Drag(kE2, kE4, kLeft | BoardWindow::kAlt);
       },
       "colours 0 0 0; arrows 0 0 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeBoard board;
    board.board = Board(true);
    LinkLog log(board);
    c.script(board, log);
    EXPECT_EQ(log.text, c.links);
    EXPECT_FALSE(board.IsDragging());
  }
}

TEST(FakeBoard, ReleaseStoresModifiersAndPoint) {
  FakeBoard board;
  int16_t seen = 0;
  board.moveEntered = CallbackLink(&seen, [](void* o, std::intptr_t a) {
    *static_cast<int16_t*>(o) = BoardWindow::FromLinkArgument(a)->modifiers;
    return 0;
  });
  board.Drag(kE2, kE4, kLeft | BoardWindow::kControl);
  EXPECT_EQ(seen, BoardWindow::kControl);
  EXPECT_EQ(board.releasePoint, (BoardPoint{4 * 40 + 20, 4 * 40 + 20}));
  board.Drag(kE2, kE4, kLeft | BoardWindow::kShift);
  EXPECT_EQ(seen, BoardWindow::kShift);
}

TEST(FakeBoard, AltInputTogglesSquareColoursAndArrows) {
  FakeBoard board;
  const int alt = kLeft | BoardWindow::kAlt;
  board.Click(kD4, alt | BoardWindow::kControl);
  EXPECT_EQ(board.marks.squares.ValueAt(kD4), 2);  // yellow
  board.Click(kD4, alt | BoardWindow::kControl);
  EXPECT_EQ(board.marks.squares.ValueAt(kD4), 0);

  board.Drag(kE2, kE4, alt);
  ASSERT_EQ(board.marks.arrows.Count(), 1);
  EXPECT_EQ(board.marks.arrows.GetMark(0), (Mark{1, kE2, kE4}));  // green
  board.Drag(kE2, kE4, alt);
  EXPECT_EQ(board.marks.arrows.Count(), 0);

  board.Drag(kE2, kE4, alt);
  board.Drag(kD4, kE4, alt);
  board.Drag(kE2, kE4, alt | BoardWindow::kShift);  // recoloured red, moved to the end
  ASSERT_EQ(board.marks.arrows.Count(), 2);
  EXPECT_EQ(board.marks.arrows.GetMark(0), (Mark{1, kD4, kE4}));
  EXPECT_EQ(board.marks.arrows.GetMark(1), (Mark{3, kE2, kE4}));

  board.Drag(kE2, BoardWindow::kNoSquare, alt);  // off the board: nothing changes
  EXPECT_EQ(board.marks.arrows.Count(), 2);
  EXPECT_EQ(board.MarkEditStart(), BoardWindow::kNoSquare);
}

TEST(FakeBoard, RecordsOperationsAndKeepsTheDrawnState) {
  FakeBoard board;
  BoardMarks marks;
  marks.squares.SetValue(kD4, 3);
  marks.arrows.AddMark({1, kE2, kE4});
  board.SetPosition(Board(true), marks, false);
  board.fromSquare = kE2;
  board.toSquare = kE4;
  board.ExecuteInputMove(1, 0);
  EXPECT_EQ(board.board[kE4], 6);
  EXPECT_EQ(board.board[kE2], 0);

  board.SelectSquare(Move::FromSquares(kE2, kE4));
  board.SelectSquare(Move::FromSquares(kE4, kD4));
  EXPECT_EQ(board.selectedSquare, kD4);
  board.ClearMarks();
  EXPECT_EQ(board.marks.arrows.Count(), 0);
  EXPECT_EQ(board.marks.squares.ValueAt(kD4), 3);
  board.ClearMarks();
  EXPECT_EQ(board.marks.squares.ValueAt(kD4), 0);
  board.InvalidateSquare(kD4);
  EXPECT_EQ(board.board[kD4], 255);
  board.SetFlipped(1);
  EXPECT_EQ(board.IsFlipped(), 1);

  EXPECT_EQ(board.Names(),
            "SetPosition ExecuteInputMove SelectSquare MarkSquare SelectSquare UnmarkSquare MarkSquare "
            "ClearMarks ClearMarks InvalidateSquare SetFlipped IsFlipped");
  EXPECT_EQ(board.Named("ExecuteInputMove"), (std::vector<FakeBoard::Call>{{"ExecuteInputMove", {1, 0}}}));
  EXPECT_EQ(board.Count("MarkSquare"), 2);

  // A press removes a shown selection first.
  board.calls.clear();
  board.Press(kE4);
  EXPECT_EQ(board.Names(), "UnmarkSquare");
  EXPECT_EQ(board.selectionShown, 0);
  board.CancelInput();
  EXPECT_FALSE(board.IsDragging());
}

}  // namespace
}  // namespace zh::test
