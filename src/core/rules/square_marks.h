// Coloured square marks of a position, stored as a text of byte pairs (mark + 1,
// square + 1, so that no byte is 0), and a map of one value per square for the board.
#pragma once

#include <cstdint>
#include <string>

#include "core/rules/square_list.h"
#include "core/rules/square_set.h"

namespace zh {

struct SquareMark {
  uint8_t value = 0;
  uint8_t square = 0;

  // The pair at byte position `at`; (0, 0) when the text is shorter.
  static SquareMark FromText(const std::string& text, size_t at);
  std::string ToText() const;
  bool operator==(const SquareMark&) const = default;
};

class SquareMarkList {
 public:
  // Takes a stored text; a trailing odd byte is cut off. The squares are kept as
  // read, damaged ones included.
  void SetText(const std::string& text);
  const std::string& GetText() const { return text_; }
  int Count() const { return count_; }

  // Mark i, or (0, 0) beyond the count.
  SquareMark MarkAt(int i) const;
  // Replaces a mark on the same square.
  void SetMark(SquareMark mark);
  void RemoveAt(int i);
  void RemoveOnSquare(SquareMark mark);

 private:
  uint16_t count_ = 0;
  std::string text_;
};

class SquareValueMap {
 public:
  SquareValueMap() { Clear(); }
  void Clear();
  void Assign(const SquareValueMap& other) { *this = other; }

  // Squares outside 0..63 are ignored.
  void SetValue(int square, int32_t value);
  int32_t ValueAt(int square) const { return values_[square & 63]; }
  // The slot of the square taken mod 64.
  int32_t* SlotPtr(int square) { return &values_[square & 63]; }

  void SetSquareList(const SquareList& list, int32_t value);
  void SetSquareSet(SquareSet set, int32_t value);
  // The mark's value on its square; marks on damaged squares are skipped.
  void SetFromMarks(const SquareMarkList& marks);

  void LoadValues(const int32_t source[64]);
  // The low byte of each value, in square order.
  void StoreBytes(uint8_t target[64]) const;
  bool Differs(const SquareValueMap& other) const;
  // Computed once into `cache` (-1 unknown, 0 no, 1 yes), then answered from it.
  bool IsAllZero(int8_t& cache) const;

  uint8_t flags[2] = {1, 1};

 private:
  int32_t values_[64];
};

}  // namespace zh
