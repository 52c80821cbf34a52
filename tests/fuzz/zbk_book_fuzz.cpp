// A book file from any bytes, then probes and choices in a few positions: no crash, no
// write outside the line, every entered move legal. Input: one byte giving the number
// of probed positions (0..3), one byte per position that chooses the moves leading to
// it from the start, then the book's bytes. The committed seeds are books written by
// the book writer behind such a prefix.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "books/book_styles.h"
#include "core/rules/movelist.h"

namespace {

// Up to 15 legal moves from the start, chosen by the byte.
zh::Position PositionOf(uint8_t choice) {
  zh::Position position;
  for (int ply = 0; ply < (choice & 15); ++ply) {
    zh::MoveList legal;
    if (legal.GenerateLegal(position) == 0) break;
    const zh::MoveCode& m = legal.At((choice * 7 + ply * 13) % legal.Count());
    position.MakeMove(zh::Move::FromCode(m));
  }
  return position;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t probes = data[0] & 3;
  if (size < 1 + probes) return 0;
  std::vector<zh::Position> positions{zh::Position()};
  for (size_t i = 0; i < probes; ++i) positions.push_back(PositionOf(data[1 + i]));
  std::vector<uint8_t> bytes(data + 1 + probes, data + size);
  zh::GambitBook book(std::move(bytes));
  for (const zh::Position& position : positions) {
    zh::MoveList list, legal;
    const int16_t n = book.FindMoves(0, position, list);
    if (n != list.Count()) std::abort();
    legal.GenerateLegal(position);
    for (const zh::MoveCode& m : list)
      if (!legal.Contains(zh::Move::FromCode(m))) std::abort();
    const zh::Move a = book.ChooseMove(position);
    const zh::Move b = book.ChooseMoveForPlay(position);
    if ((a.from != a.to && !legal.Contains(a)) || (b.from != b.to && !legal.Contains(b))) std::abort();
  }
  return 0;
}
