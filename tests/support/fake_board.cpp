#include "support/fake_board.h"

#include <utility>

namespace zh::test {

int FakeBoard::Count(std::string_view name) const {
  int n = 0;
  for (const Call& call : calls) n += call.name == name;
  return n;
}

std::vector<FakeBoard::Call> FakeBoard::Named(std::string_view name) const {
  std::vector<Call> found;
  for (const Call& call : calls)
    if (call.name == name) found.push_back(call);
  return found;
}

std::string FakeBoard::Names() const {
  std::string names;
  for (const Call& call : calls) names += (names.empty() ? "" : " ") + call.name;
  return names;
}

void FakeBoard::Record(std::string name, std::vector<int> args) const {
  calls.push_back({std::move(name), std::move(args)});
}

void FakeBoard::Press(int square, int buttons) {
  if (markStart_ != kNoSquare || !inputEnabled) return;
  if (selectionShown) {
    UnmarkSquare(selectedSquare);
    selectionShown = 0;
  }
  if (!OnBoard(square)) return;
  if ((buttons & kAlt) && !dragging_) {
    markStart_ = static_cast<uint8_t>(square);
    markColour_ = (buttons & kShift) ? 3 : (buttons & kControl) ? 2 : 1;
    return;
  }
  modifiers = static_cast<int16_t>(buttons & (kShift | kControl | kAlt));
  if (dragging_) {
    // Only the other button counts during a drag.
    if (buttons & (leftInput_ ? kRightButton : kLeftButton)) CancelDrag();
    return;
  }
  leftInput_ = (buttons & kLeftButton) != 0;
  currentSquare = static_cast<uint8_t>(square);
  if (leftInput_) CallLink(pieceLifted);
  dragging_ = 1;
  fromSquare = currentSquare;
}

void FakeBoard::Release(int square, int buttons) {
  if (markStart_ != kNoSquare) {
    if (square == markStart_) {
      marks.ToggleSquareColor(square, markColour_);
      CallLink(squareColorsEdited);
    } else if (OnBoard(square)) {
      marks.ToggleArrow({static_cast<uint8_t>(markColour_), markStart_, static_cast<uint8_t>(square)});
      CallLink(arrowsEdited);
    }
    markStart_ = kNoSquare;
    return;
  }
  if (!dragging_) return;
  const bool right = (buttons & kRightButton) != 0;
  if (leftInput_ ? right : (buttons & kLeftButton) != 0) return;

  dragging_ = 0;
  modifiers = static_cast<int16_t>(buttons & (kShift | kControl | kAlt));
  // Square centres of a 40-pixel board seen from white; off the board left of a1.
  const int file = OnBoard(square) ? square / 8 : -1;
  const int rank = OnBoard(square) ? square % 8 : 0;
  releasePoint = {static_cast<int16_t>(file * 40 + 20), static_cast<int16_t>((7 - rank) * 40 + 20)};
  if (!OnBoard(square)) {
    currentSquare = kNoSquare;
    entryArmed = 1;
    CallLink(buttonUp);
    return;
  }
  toSquare = currentSquare = static_cast<uint8_t>(square);
  entryArmed = 1;
  if (!right) CallLink(buttonUp);
  if (entryArmed != 1 || right || toSquare == fromSquare) {
    if (right && square == fromSquare) CallLink(rightClick);
    return;
  }
  CallLink(moveEntered);
}

uint8_t FakeBoard::CancelDrag() {
  if (!dragging_ || !dragCancelled.IsSet()) return 0;
  CallLink(dragCancelled);
  return 1;
}

void FakeBoard::MovePiece(int from, int to) {
  if (!OnBoard(from) || !OnBoard(to)) return;
  board[to] = board[from];
  board[from] = 0;
}

void FakeBoard::SetPosition(const Board& newBoard, const BoardMarks& newMarks, bool force) {
  Record("SetPosition", {force});
  marks.Assign(newMarks);
  board.Assign(newBoard);
}

void FakeBoard::SetBoard(const Board& newBoard, bool force) {
  Record("SetBoard", {force});
  for (int s = 0; s < 64; ++s) marks.squares.SetValue(s, 0);
  board.Assign(newBoard);
}

void FakeBoard::InvalidateSquare(int square) {
  Record("InvalidateSquare", {square});
  if (OnBoard(square)) board[square] = 255;
}

void FakeBoard::ShowBoard(std::span<const uint8_t, 64> pieces) {
  Record("ShowBoard");
  for (int s = 0; s < 64; ++s) board[s] = pieces[s];
}

void FakeBoard::AnimateMove(int from, int to) {
  Record("AnimateMove", {from, to});
  MovePiece(from, to);
}

void FakeBoard::ShowMove(const Move& move) {
  Record("ShowMove", {move.from, move.to, move.promotion});
  MovePiece(move.from, move.to);
}

void FakeBoard::SelectSquare(const Move& move) {
  Record("SelectSquare", {move.to});
  if (selectionShown) UnmarkSquare(selectedSquare);
  MarkSquare(move.to);
  selectedSquare = static_cast<uint8_t>(move.to);
  selectionShown = 1;
}

void FakeBoard::MarkSquare(int square) { Record("MarkSquare", {square}); }

void FakeBoard::UnmarkSquare(int square) { Record("UnmarkSquare", {square}); }

void FakeBoard::ToggleFlip() {
  Record("ToggleFlip");
  flipped_ ^= 1;
}

void FakeBoard::SetFlipped(uint8_t flipped) {
  Record("SetFlipped", {flipped});
  flipped_ = flipped ? 1 : 0;
}

uint8_t FakeBoard::IsFlipped() const {
  Record("IsFlipped");
  return flipped_;
}

void FakeBoard::SetSquareColors(const BoardMarks& newMarks) {
  Record("SetSquareColors");
  marks.Assign(newMarks);
}

void FakeBoard::ClearMarks() {
  Record("ClearMarks");
  if (marks.arrows.Count() > 0) {
    marks.arrows.Clear();
    return;
  }
  for (int s = 0; s < 64; ++s) marks.squares.SetValue(s, 0);
}

void FakeBoard::ExecuteInputMove(uint8_t flag, int promotionType) {
  Record("ExecuteInputMove", {flag, promotionType});
  // The drawn board keeps the moving piece; a promotion only changes the image.
  if (flag && fromSquare != toSquare) MovePiece(fromSquare, toSquare);
}

uint8_t FakeBoard::UpdateDrag() {
  Record("UpdateDrag");
  return CancelDrag();
}

void FakeBoard::GetBoardBitmap(BoardImage& image) {
  Record("GetBoardBitmap");
  image = {};
}

BoardSize FakeBoard::GetBoardSize(BoardSize proposed) {
  Record("GetBoardSize", {proposed.width, proposed.height});
  return size;
}

void FakeBoard::CancelInput() {
  Record("CancelInput");
  if (dragging_) UnmarkSquare(currentSquare);
  dragging_ = 0;
  markStart_ = kNoSquare;
}

void FakeBoard::DropBuffers() { Record("DropBuffers"); }

}  // namespace zh::test
