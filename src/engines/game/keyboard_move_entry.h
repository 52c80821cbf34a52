// Move entry by keyboard: squares, piece letters and a capture sign are collected
// until exactly one legal move fits them, and that move is played.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/rules/board.h"
#include "core/rules/move.h"

namespace zh {

class MoveList;

// Key codes of the shell's key table (the low 12 bits) and its modifier bits.
namespace key {
inline constexpr int kDigit0 = 256;      // digits 1-8 are 257-264
inline constexpr int kLetterA = 512;     // A-Z are 512-537
inline constexpr int kUp = 1025;
inline constexpr int kLeft = 1026;
inline constexpr int kRight = 1027;
inline constexpr int kBackspace = 1283;
inline constexpr int kCodeMask = 0xFFF;
inline constexpr int kShift = 0x1000;
inline constexpr int kControl = 0x2000;
inline constexpr int kAlt = 0x4000;
inline constexpr int kModifiers = kShift | kControl | kAlt;
constexpr int Letter(char upper) { return kLetterA + (upper - 'A'); }
constexpr int Digit(int digit) { return kDigit0 + digit; }
}  // namespace key

class KeyboardMoveEntry {
 public:
  struct Hooks {
    // True while the engine is to move: keys are collected, nothing is played.
    std::function<bool()> isEngineToMove;
    // Plays the one move that fits.
    std::function<void(const Move&)> playMove;
    // The message line below the board ("" empties it).
    std::function<void(const std::string&)> showLine;
  };

  KeyboardMoveEntry() { Reset(); }
  explicit KeyboardMoveEntry(Hooks hooks) : hooks_(std::move(hooks)) { Reset(); }
  void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

  // Takes the legal moves and the board of the new position (neither owned), clears
  // the entry and unlocks it.
  void SetPosition(const MoveList* moves, const Board* board);
  // True when the key was used.
  bool OnKey(int keyCode);
  // Clears what was typed; a locked entry stays locked.
  void Reset();
  // Unlocks, resets and empties the message line.
  void Clear();

  bool IsLocked() const { return locked_ != 0; }
  // The four shown square characters: second file and rank, then first file and rank.
  const std::string& Squares() const { return shown_; }
  // "Move: " with the typed pieces and squares, as the message line shows it.
  std::string LineText() const;

 private:
  // Plays the move when exactly one fits; beeps and clears when none does. True when
  // the entry has ended (played or cleared).
  bool TryComplete();
  bool Fits(const MoveCode& move);
  void AddFile(int file);
  void AddRank(int rank);
  void AddPiece(int type);
  void Show();
  static char PieceLetter(int type);

  Hooks hooks_;
  // Typed flags.
  uint8_t hasSecondFile_ = 0, hasSecondRank_ = 0, hasFirstFile_ = 0, hasFirstRank_ = 0;
  uint8_t hasPromotion_ = 0;
  int16_t secondFile_ = 0, secondRank_ = 0, firstFile_ = 0, firstRank_ = 0;
  uint8_t movingType_ = 0, capturedType_ = 0, promotionType_ = 0;
  uint8_t captureSign_ = 0;
  const MoveList* moves_ = nullptr;
  const Board* board_ = nullptr;
  std::string shown_ = "    ";
  uint8_t locked_ = 0;
  uint8_t squaresComplete_ = 0;
};

}  // namespace zh
