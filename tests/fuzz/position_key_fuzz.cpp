// Expanding any key: no read past the given bytes, and a success only for a board a
// game can reach, which compresses back to the same pieces.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/rules/position_key.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> key(data, data + size);  // exact size, so ASan sees overreads
  zh::Position p;
  if (zh::ExpandPosition(p, key.data(), key.size()) != 0) return 0;
  if (zh::ValidateBoard(p.board, false) != 0 && zh::ValidateBoard(p.board, true) != 0) std::abort();
  uint8_t out[50];
  if (zh::CompressPosition(p, out) != 0) return 0;
  zh::Position again;
  if (zh::ExpandPosition(again, out, zh::PositionKeyLength(out)) != 0) std::abort();
  if (!again.board.Equals(p.board)) std::abort();
  return 0;
}
