#include "board/board_window.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

// Only what a kind of board must provide; everything else is the interface's own.
class MinimalBoard : public BoardWindow {
 public:
  using BoardWindow::BoardWindow;
  void SetPosition(const Board&, const BoardMarks&, bool) override {}
  void SetBoard(const Board&, bool) override {}
  void ShowBoard(std::span<const uint8_t, 64>) override {}
  void AnimateMove(int, int) override {}
  void ShowMove(const Move&) override {}
  void SelectSquare(const Move&) override {}
  void MarkSquare(int) override {}
  void UnmarkSquare(int) override {}
  void ToggleFlip() override {}
  void SetFlipped(uint8_t) override {}
  uint8_t IsFlipped() const override { return 0; }
  void ExecuteInputMove(uint8_t, int) override {}
  void GetBoardBitmap(BoardImage&) override {}
  BoardSize GetBoardSize(BoardSize proposed) override { return proposed; }
  void CancelInput() override {}
};

TEST(BoardWindow, StartsEmptyWithInputOnAndNothingBound) {
  for (uint8_t coordinates : {0, 1}) {
    const MinimalBoard board(coordinates);
    EXPECT_EQ(board.coordinates, coordinates);
    EXPECT_TRUE(board.board.Equals(Board()));
    EXPECT_EQ(board.inputEnabled, 1);
    EXPECT_EQ(board.sounds, 0);
    EXPECT_EQ(board.selectionShown, 0);
    EXPECT_EQ(board.selectedSquare, 255);
    EXPECT_EQ(board.animationSpeed, 2);
    EXPECT_EQ(board.releasePoint, (BoardPoint{0, 0}));
    EXPECT_FALSE(board.marks.Differs(BoardMarks()));
    EXPECT_EQ(board.marks.arrows.Count(), 0);
    EXPECT_EQ(board.marks.squares.flags[0], 1);
    EXPECT_EQ(board.marks.squares.flags[1], 1);
    for (const CallbackLink* link : {&board.moveEntered, &board.pieceLifted, &board.dragCancelled,
                                     &board.buttonUp, &board.rightClick, &board.squareColorsEdited,
                                     &board.arrowsEdited})
      EXPECT_FALSE(link->IsSet());
  }
}

TEST(BoardWindow, DefaultOperationsLeaveTheBoardAlone) {
  MinimalBoard board(1);
  board.board = Board(true);
  board.marks.squares.SetValue(9, 3);
  board.marks.arrows.AddMark({1, 12, 28});
  const Board pieces = board.board;
  const BoardMarks marks = board.marks;
  int cancelled = 0;
  board.dragCancelled = CallbackLink(&cancelled, [](void* o, std::intptr_t) {
    ++*static_cast<int*>(o);
    return 1;
  });

  board.InvalidateSquare(12);
  board.SetSquareColors(BoardMarks());
  board.ClearMarks();
  board.DropBuffers();
  EXPECT_EQ(board.UpdateDrag(), 0);

  EXPECT_TRUE(board.board.Equals(pieces));
  EXPECT_FALSE(board.marks.Differs(marks));
  EXPECT_EQ(cancelled, 0);
}

}  // namespace
}  // namespace zh
