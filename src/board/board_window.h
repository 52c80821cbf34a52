// The board window every subsystem draws positions on and takes moves from. Callers
// hold a BoardWindow pointer and never ask whether a 2D or a 3D board stands behind it;
// this interface knows no window library.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "board/board_marks.h"
#include "core/rules/board.h"
#include "core/rules/move.h"
#include "core/services.h"

namespace zh {

struct BoardSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const BoardSize&) const = default;
};

// A copy of the drawn square area: RGB32 pixels (0xffRRGGBB), row by row from the top.
struct BoardImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  bool IsEmpty() const { return pixels.empty(); }
};

struct BoardPoint {
  int16_t x = 0;
  int16_t y = 0;
  bool operator==(const BoardPoint&) const = default;
};

// Squares are numbered file * 8 + rank (a1 = 0, a2 = 1, h8 = 63); pieces are Board codes.
class BoardWindow {
 public:
  // Bits of `modifiers`, as the shell's key codes have them.
  static constexpr int16_t kShift = 0x1000;
  static constexpr int16_t kControl = 0x2000;
  static constexpr int16_t kAlt = 0x4000;
  static constexpr uint8_t kNoSquare = 255;

  // `withCoordinates` 1: file letters and rank digits are drawn beside the board.
  explicit BoardWindow(uint8_t withCoordinates);
  virtual ~BoardWindow();
  BoardWindow(const BoardWindow&) = delete;
  BoardWindow& operator=(const BoardWindow&) = delete;

  // The board a link was called with: every link gets the board's address.
  static BoardWindow* FromLinkArgument(std::intptr_t argument) {
    return reinterpret_cast<BoardWindow*>(argument);
  }

  // When the board or the marks differ from the drawn ones, or with `force`: takes
  // both and redraws everything at once.
  virtual void SetPosition(const Board& board, const BoardMarks& marks, bool force) = 0;
  // When the board differs, or with `force`, or when a square is coloured: clears the
  // square codes (the arrows are kept but not drawn), takes the board and redraws.
  virtual void SetBoard(const Board& board, bool force) = 0;
  // Makes the next ShowBoard redraw the square.
  virtual void InvalidateSquare(int square) { (void)square; }
  // Redraws only the squares whose piece differs from the drawn board.
  virtual void ShowBoard(std::span<const uint8_t, 64> pieces) = 0;
  // Moves the piece on `from` to `to`, clearing `from`.
  virtual void AnimateMove(int from, int to) = 0;
  // AnimateMove of the move's squares; with sounds on, the move or capture sound.
  virtual void ShowMove(const Move& move) = 0;
  // Marks the move's to square as the selection, unmarking the previous one.
  virtual void SelectSquare(const Move& move) = 0;
  virtual void MarkSquare(int square) = 0;
  // Redraws the square with its piece (also brings a lifted piece back).
  virtual void UnmarkSquare(int square) = 0;
  virtual void ToggleFlip() = 0;
  virtual void SetFlipped(uint8_t flipped) = 0;
  // 1 when the board is seen from black's side.
  virtual uint8_t IsFlipped() const = 0;
  // Takes the marks and redraws squares and arrows.
  virtual void SetSquareColors(const BoardMarks& marks) { (void)marks; }
  // A first call removes the arrows, a second the square colours.
  virtual void ClearMarks() {}
  // With `flag` set, moves the piece from `fromSquare` to `toSquare` on the drawn board;
  // a non-zero `promotionType` is drawn in place of the moving piece's type.
  virtual void ExecuteInputMove(uint8_t flag, int promotionType) = 0;
  // Calls drag cancelled during a drag when it is set; answers 1 then, else 0.
  virtual uint8_t UpdateDrag() { return 0; }
  // The square area with its one-pixel rim; empty on a board that keeps no such copy.
  virtual void GetBoardBitmap(BoardImage& image) = 0;
  // The size the board takes within `proposed`.
  virtual BoardSize GetBoardSize(BoardSize proposed) = 0;
  // Ends a drag in progress and puts the lifted piece back.
  virtual void CancelInput() = 0;
  // Rebuilds the off-screen buffers and redraws (after a palette change).
  virtual void DropBuffers() {}

  // The pieces as drawn now; a square byte 255 makes the next ShowBoard redraw it.
  Board board;
  CallbackLink moveEntered;
  CallbackLink pieceLifted;
  CallbackLink dragCancelled;
  CallbackLink buttonUp;
  CallbackLink rightClick;
  // Square where the current input began and where it ended; the game manager may
  // rewrite both, for example for a move entered by two clicks.
  uint8_t fromSquare = 0;
  uint8_t toSquare = 0;
  // Square of the last press or release; kNoSquare after a release off the board.
  uint8_t currentSquare = 0;
  uint8_t coordinates = 0;
  // 0: button presses are ignored.
  uint8_t inputEnabled = 1;
  // 1: ShowMove and ExecuteInputMove play the move or capture sound.
  uint8_t sounds = 0;
  uint8_t selectionShown = 0;
  // Set to 1 just before button up is called; the handler clears it to keep move
  // entered from following.
  uint8_t entryArmed = 0;
  uint8_t selectedSquare = kNoSquare;
  // kShift, kControl and kAlt of the last button event.
  int16_t modifiers = 0;
  // 0 no animation, 1 fastest to 9 slowest; other values give the shortest one.
  int16_t animationSpeed = 2;
  BoardMarks marks;
  CallbackLink squareColorsEdited;
  CallbackLink arrowsEdited;
  // Pointer position of the last button release that ended an input.
  BoardPoint releasePoint;

 protected:
  // Calls a link with the board's address; an unset link is skipped.
  void CallLink(const CallbackLink& link) { link.Call(reinterpret_cast<std::intptr_t>(this)); }
};

}  // namespace zh
