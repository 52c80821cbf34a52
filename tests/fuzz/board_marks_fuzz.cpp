// Board marks unpacked from any bytes: a rejected input leaves the record as it was,
// an accepted one takes exactly its packed length and packs back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "board/board_marks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zh::BoardMarks before;
  before.squares.SetValue(12, 300);
  before.arrows.AddMark({1, 2, 3});
  zh::BoardMarks marks = before;

  const size_t used = marks.Unpack(std::span(data, size));
  if (used == 0) {
    if (marks.Differs(before)) std::abort();
    return 0;
  }
  const size_t count = size_t(data[64]) | size_t(data[65]) << 8;
  if (used > size || used != zh::BoardMarks::kHeaderSize + 3 * count ||
      marks.arrows.Count() != static_cast<int>(count))
    std::abort();

  std::vector<uint8_t> again(used);
  if (marks.Pack(again) != used || std::memcmp(again.data(), data, used) != 0) std::abort();

  // Through a position link's block: cut to what fits, and still readable.
  zh::PackedBoardMarks block;
  block.Store(marks);
  zh::BoardMarks loaded;
  if (block.length > block.bytes.size() || !block.Load(loaded)) std::abort();
  if (loaded.arrows.Count() > zh::PackedBoardMarks::kMaxArrows) std::abort();
  return 0;
}
