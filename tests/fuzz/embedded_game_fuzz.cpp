// Any bytes read as an embedded game are read within their length and give a game of
// legal moves, which writes and reads back unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "database/game/embedded_game.h"
#include "database/game/game_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  zh::EmbeddedGame game;
  const int n = game.Read(data, static_cast<int>(size));
  if (n < 0 || static_cast<size_t>(n) > size) std::abort();
  std::vector<uint8_t> payload;
  const int length = game.Write(payload);
  zh::EmbeddedGame again;
  if (again.Read(payload.data(), length) != length) std::abort();
  if (again.Game()->body.mainLine.Count() != game.Game()->body.mainLine.Count()) std::abort();
  if (!(again.Game()->body.start.start.position == game.Game()->body.start.start.position)) std::abort();
  return 0;
}
