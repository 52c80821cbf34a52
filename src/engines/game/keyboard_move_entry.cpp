#include "engines/game/keyboard_move_entry.h"

#include "app/message_ids.h"
#include "core/rules/movelist.h"
#include "core/services.h"

namespace zh {

namespace {

// Piece types by letter key: K, Q, N, L (bishop), R, P.
int PieceTypeOfKey(int code) {
  switch (code) {
    case key::Letter('K'): return 1;
    case key::Letter('Q'): return 2;
    case key::Letter('N'): return 3;
    case key::Letter('L'): return 4;
    case key::Letter('R'): return 5;
    case key::Letter('P'): return 6;
    default: return 0;
  }
}

}  // namespace

void KeyboardMoveEntry::SetPosition(const MoveList* moves, const Board* board) {
  moves_ = moves;
  board_ = board;
  locked_ = 0;
  Reset();
}

void KeyboardMoveEntry::Reset() {
  hasSecondFile_ = hasSecondRank_ = hasFirstFile_ = hasFirstRank_ = hasPromotion_ = 0;
  secondFile_ = secondRank_ = firstFile_ = firstRank_ = 0;
  movingType_ = capturedType_ = promotionType_ = 0;
  captureSign_ = 0;
  squaresComplete_ = 0;
  shown_ = "    ";
}

void KeyboardMoveEntry::Clear() {
  locked_ = 0;
  Reset();
  if (hooks_.showLine) hooks_.showLine("");
}

bool KeyboardMoveEntry::OnKey(int keyCode) {
  if (locked_) return false;
  const int code = keyCode & key::kCodeMask;
  if (code >= key::Digit(1) && code <= key::Digit(8)) {
    if (keyCode & key::kModifiers) return false;
    AddRank(code - key::Digit(1));
  } else if (code >= key::Letter('A') && code <= key::Letter('H')) {
    AddFile(code - key::Letter('A'));
  } else if (int type = PieceTypeOfKey(code); type != 0) {
    AddPiece(type);
  } else if (code == key::Letter('X')) {
    captureSign_ = 1;
  } else if (code == key::kBackspace) {
    Clear();
    return true;
  } else {
    return false;
  }
  if (!TryComplete()) Show();
  return true;
}

void KeyboardMoveEntry::AddFile(int file) {
  if (!hasFirstFile_) {
    hasFirstFile_ = 1, firstFile_ = static_cast<int16_t>(file);
    shown_[2] = static_cast<char>('A' + file);
  } else {
    hasSecondFile_ = 1, secondFile_ = static_cast<int16_t>(file);
    shown_[0] = static_cast<char>('A' + file);
  }
}

void KeyboardMoveEntry::AddRank(int rank) {
  if (!hasFirstRank_) {
    hasFirstRank_ = 1, firstRank_ = static_cast<int16_t>(rank);
    shown_[3] = static_cast<char>('1' + rank);
  } else {
    hasSecondRank_ = 1, secondRank_ = static_cast<int16_t>(rank);
    shown_[1] = static_cast<char>('1' + rank);
  }
}

void KeyboardMoveEntry::AddPiece(int type) {
  if (squaresComplete_) {
    hasPromotion_ = 1, promotionType_ = static_cast<uint8_t>(type);
  } else if (captureSign_) {
    capturedType_ = static_cast<uint8_t>(type);
  } else {
    movingType_ = static_cast<uint8_t>(type);
  }
}

bool KeyboardMoveEntry::Fits(const MoveCode& move) {
  const int fromFile = move.from >> 3, fromRank = move.from & 7;
  const int toFile = move.to >> 3, toRank = move.to & 7;
  auto matches = [&](int firstFile, int firstRank, int secondFile, int secondRank) {
    return (!hasFirstFile_ || firstFile_ == firstFile) && (!hasFirstRank_ || firstRank_ == firstRank) &&
           (!hasSecondFile_ || secondFile_ == secondFile) && (!hasSecondRank_ || secondRank_ == secondRank);
  };
  // The first typed square may be either end of the move.
  if (!matches(toFile, toRank, fromFile, fromRank) && !matches(fromFile, fromRank, toFile, toRank))
    return false;
  if (hasFirstFile_ && hasFirstRank_ && hasSecondFile_ && hasSecondRank_) {
    squaresComplete_ = 1;
    const int promotion = (move.kind & kPromotion) ? move.promotion : 0;
    if (hasPromotion_ && promotionType_ != promotion) return false;
  }
  const uint8_t moving = board_->squares[move.from] & 7;
  const uint8_t target = board_->squares[move.to] & 7;
  if (captureSign_) {
    if (target == 0) return false;
    if (capturedType_ && capturedType_ != target) return false;
  }
  return !movingType_ || movingType_ == moving;
}

bool KeyboardMoveEntry::TryComplete() {
  if (!moves_ || !board_) return false;
  if (hooks_.isEngineToMove && hooks_.isEngineToMove()) return false;
  int fitting = 0;
  MoveCode found{};
  for (const MoveCode& move : *moves_) {
    if (Fits(move)) {
      if (++fitting == 1) found = move;
    }
  }
  if (fitting == 1) {
    locked_ = 1;
    Reset();
    if (hooks_.showLine) hooks_.showLine("");
    if (hooks_.playMove) hooks_.playMove(Move::FromCode(found));
    return true;
  }
  if (fitting == 0) {
    Beep();
    Clear();
    return true;
  }
  return false;
}

char KeyboardMoveEntry::PieceLetter(int type) {
  std::string letters = GetMessageText(msg::M_PIECE_LETTERS);
  if (letters.size() < 6 || letters == kNoText) letters = "KQNBRP";
  return type >= 1 && type <= 6 ? letters[type - 1] : '?';
}

std::string KeyboardMoveEntry::LineText() const {
  std::string line = "Move: ";
  if (movingType_) line += PieceLetter(movingType_);
  if (captureSign_) {
    line += 'x';
    if (capturedType_) line += PieceLetter(capturedType_);
  }
  return line + shown_;
}

void KeyboardMoveEntry::Show() {
  if (hooks_.showLine) hooks_.showLine(LineText());
}

}  // namespace zh
