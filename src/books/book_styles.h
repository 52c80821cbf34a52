// The three styles of a book file: which of the found moves an engine may play.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "books/zbk_book.h"

namespace zh {

enum class BookStyle : uint8_t { Tournament = 0, General = 1, Gambit = 2 };

// Classes kept by a style, as bit (1 << class): the first set; when nothing of it is
// found, the second (0: nothing).
struct BookStyleFilter {
  uint8_t keep;
  uint8_t otherwise;
};
inline constexpr uint8_t kClassBit1 = 1u << kMainBookMove;
inline constexpr uint8_t kClassBit2 = 1u << kGeneralBookMove;
inline constexpr uint8_t kClassBit3 = 1u << kGambitBookMove;
inline constexpr BookStyleFilter kBookStyleFilters[] = {
    {kClassBit1, 0},                                            // Tournament
    {kClassBit1 | kClassBit2 | kClassBit3, 0},                  // General
    {kClassBit3, kClassBit1 | kClassBit2 | kClassBit3},         // Gambit
};

// Compacts the first `count` entries of the list to those the style keeps, in order,
// and answers their number.
int16_t FilterBookMoves(BookStyle style, MoveList& list, int16_t count);

class TournamentBook final : public ZbkBook {
 public:
  using ZbkBook::ZbkBook;
  int16_t FilterMoves(MoveList& list, int16_t count) override {
    return FilterBookMoves(BookStyle::Tournament, list, count);
  }
};

class GeneralBook final : public ZbkBook {
 public:
  using ZbkBook::ZbkBook;
  int16_t FilterMoves(MoveList& list, int16_t count) override {
    return FilterBookMoves(BookStyle::General, list, count);
  }
};

class GambitBook final : public ZbkBook {
 public:
  using ZbkBook::ZbkBook;
  int16_t FilterMoves(MoveList& list, int16_t count) override {
    return FilterBookMoves(BookStyle::Gambit, list, count);
  }
};

// A book file of the style at the path.
std::unique_ptr<ZbkBook> MakeZbkBook(BookStyle style, std::string_view path);

}  // namespace zh
