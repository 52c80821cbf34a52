// Book files for the book tests: written from SAN lines or from a range of the
// opening lines, positions reached by SAN, and a scripted random source.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/position.h"
#include "core/services.h"

namespace zh::test {

// The book of the lines, each a movetext in SAN (glyphs allowed); fails the test when
// the writer refuses one.
std::vector<uint8_t> BookFromLines(const std::vector<std::string>& lines);
// The position after the SAN moves from the start position.
Position AfterMoves(std::string_view san);
// The moves of a SAN movetext from the start position, as (from, to) board squares.
std::vector<std::pair<int, int>> SquaresOfMoves(std::string_view san);
// Writes to `path` the book of the opening lines whose code lies in [first, last];
// false when a table cannot be read or the book cannot be written.
bool WriteEcoRangeBook(const std::string& path, std::string_view first, std::string_view last);
// The lines of a polyglot book as `polyglot dump-book` lists them for both colours,
// each a movetext without the listing's percentages; the listings are written into
// `folder`. Empty when polyglot cannot list the book.
std::vector<std::string> PolyglotBookLines(const std::string& polyglot, const std::string& book,
                                           const std::string& folder);

// Answers the queued values in turn, then 0; installs itself for its lifetime.
class ScriptedRandom final : public RandomService {
 public:
  ScriptedRandom() : guard_(Install(this)) {}
  uint32_t Next() override {
    ++draws;
    if (values.empty()) return 0;
    const uint32_t v = values.front();
    values.pop_front();
    return v;
  }
  std::deque<uint32_t> values;
  int draws = 0;

 private:
  static Services Install(RandomService* r) {
    Services s;
    s.random = r;
    return s;
  }
  ScopedServices guard_;
};

}  // namespace zh::test
