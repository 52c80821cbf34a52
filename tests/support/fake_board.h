// A board without a window: records every operation with its arguments, keeps the
// drawn state as a real board would, and drives the links from scripted presses and
// releases the way the 2D board's mouse input does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/board_window.h"

namespace zh::test {

class FakeBoard : public BoardWindow {
 public:
  // The button word of a press or release: a button and the modifier bits.
  static constexpr int kLeftButton = 0x0001;
  static constexpr int kRightButton = 0x0004;

  struct Call {
    std::string name;
    std::vector<int> args;
    bool operator==(const Call&) const = default;
  };

  explicit FakeBoard(uint8_t withCoordinates = 1) : BoardWindow(withCoordinates) {}

  // Operations in the order they were called (queries included).
  mutable std::vector<Call> calls;
  // What GetBoardSize answers, whatever the proposal.
  BoardSize size{320, 320};

  int Count(std::string_view name) const;
  // The calls of one operation, in order.
  std::vector<Call> Named(std::string_view name) const;
  // The operation names in order, space-separated.
  std::string Names() const;

  // Mouse input on a square (kNoSquare: off the board). `buttons` is the pressed or
  // released button with kShift, kControl or kAlt.
  void Press(int square, int buttons = kLeftButton);
  void Release(int square, int buttons = kLeftButton);
  // Press on `from` and release on `to` with the same button word.
  void Drag(int from, int to, int buttons = kLeftButton) {
    Press(from, buttons);
    Release(to, buttons);
  }
  void Click(int square, int buttons = kLeftButton) { Drag(square, square, buttons); }

  bool IsDragging() const { return dragging_ != 0; }
  // 255 when no Alt-press is waiting for its release.
  uint8_t MarkEditStart() const { return markStart_; }

  void SetPosition(const Board& board, const BoardMarks& marks, bool force) override;
  void SetBoard(const Board& board, bool force) override;
  void InvalidateSquare(int square) override;
  void ShowBoard(std::span<const uint8_t, 64> pieces) override;
  void AnimateMove(int from, int to) override;
  void ShowMove(const Move& move) override;
  void SelectSquare(const Move& move) override;
  void MarkSquare(int square) override;
  void UnmarkSquare(int square) override;
  void ToggleFlip() override;
  void SetFlipped(uint8_t flipped) override;
  uint8_t IsFlipped() const override;
  void SetSquareColors(const BoardMarks& marks) override;
  void ClearMarks() override;
  void ExecuteInputMove(uint8_t flag, int promotionType) override;
  uint8_t UpdateDrag() override;
  void GetBoardBitmap(BoardImage& image) override;
  BoardSize GetBoardSize(BoardSize proposed) override;
  void CancelInput() override;
  void DropBuffers() override;

 private:
  void Record(std::string name, std::vector<int> args = {}) const;
  void MovePiece(int from, int to);
  // Drag cancelled during a drag, when it is set: 1, else 0.
  uint8_t CancelDrag();
  static bool OnBoard(int square) { return square >= 0 && square < 64; }

  uint8_t flipped_ = 0;
  uint8_t dragging_ = 0;
  uint8_t leftInput_ = 0;
  uint8_t markStart_ = kNoSquare;
  int32_t markColour_ = 1;
};

}  // namespace zh::test
