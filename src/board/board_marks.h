// The marks drawn over a board: a colour code per square and a list of arrows, with
// the packed form that position links keep in their files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/rules/square_marks.h"
#include "database/game/annotation_values.h"

namespace zh {

// Square colour codes: 0 none, 1 green, 2 yellow, 3 red (the three set on the board),
// 4 red half-tone, 5 green. Arrow colour codes: 0 black, 1 green, 2 yellow, 3 red.
//
// Packed form, little-endian, no padding:
//   64 bytes   the low byte of each square's code, a1, a2, ..., h8
//   int16      arrow count n
//   3 * n      each arrow as colour, from square, to square
struct BoardMarks {
  static constexpr size_t kCodesSize = 64;
  static constexpr size_t kHeaderSize = kCodesSize + 2;
  static constexpr size_t kArrowSize = 3;

  SquareValueMap squares;
  MarkList arrows;

  // All codes 0, both flag bytes 1, no arrows.
  void Clear();
  // Codes, both flag bytes and arrows.
  void Assign(const BoardMarks& other) { *this = other; }
  // Compares the codes, the arrow count and the arrow bytes; not the flag bytes.
  bool Differs(const BoardMarks& other) const;

  // Writes the packed form into `buffer` and answers its length. Only the arrows that
  // fit are written, and the stored count says how many, so the result always reads
  // back. A buffer shorter than kHeaderSize gets nothing and the answer is 0.
  size_t Pack(std::span<uint8_t> buffer) const;
  // Rebuilds codes and arrows from a packed form and answers the bytes it took. Input
  // shorter than kHeaderSize, a negative count or a count beyond the bytes given is
  // rejected: the answer is 0 and the record stays as it was. The flag bytes are not
  // part of the packed form and stay as they are.
  size_t Unpack(std::span<const uint8_t> bytes);

  // Alt-click editing on the board: the square's code becomes 0 when it already holds
  // `colour`, else `colour`.
  void ToggleSquareColor(int square, int32_t colour);
  // Alt-drag editing: an arrow between the same squares is removed and, when its colour
  // differs, appended again with the new colour; without one the arrow is appended.
  void ToggleArrow(const Mark& arrow);
};

// The marks block of a position link: the packed form in a fixed 1024-byte buffer.
struct PackedBoardMarks {
  static constexpr size_t kCapacity = 1024;
  // The most arrows the buffer holds (319); more are cut off when stored.
  static constexpr int kMaxArrows =
      static_cast<int>((kCapacity - BoardMarks::kHeaderSize) / BoardMarks::kArrowSize);

  std::array<uint8_t, kCapacity> bytes{};
  size_t length = 0;

  void Store(const BoardMarks& marks) { length = marks.Pack(bytes); }
  // False, with `marks` unchanged, when the block does not hold a valid packed form.
  bool Load(BoardMarks& marks) const {
    return marks.Unpack(std::span(bytes).first(length < kCapacity ? length : kCapacity)) != 0;
  }
};

}  // namespace zh
