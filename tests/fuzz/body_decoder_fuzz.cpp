// Any bytes decoded as a game body, in any version and through buffers of 1 to 256
// bytes, give a tree of legal moves that is written and read back to the same tree.
// Input: version byte, buffer size byte, set-up start byte, then the body.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "database/storage/game_body_coder.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"

namespace {

void Dump(const zh::MoveLine& line, std::string& out) {
  for (const zh::GameMove& m : line) {
    out += static_cast<char>(m.from);
    out += static_cast<char>(m.to);
    out += static_cast<char>(m.promotion);
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v) {
        out += '(';
        Dump(*m.variations->GetLine(v), out);
        out += ')';
      }
  }
}

int Decode(zh::TQGame& game, const std::vector<uint8_t>& bytes, int bufferSize) {
  std::vector<uint8_t> buffer(static_cast<size_t>(bufferSize));
  zh::MemoryBodyStream in(bytes);
  return game.body.Decode(buffer.data(), bufferSize, in, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 8192) return 0;
  const int version = data[0] & 7;
  const int bufferSize = data[1] + 1;
  zh::TQGame game;
  if (data[2] & 1) {
    zh::Position start;
    start.board.Clear();
    start.board[32] = zh::kKing;
    start.board[39] = zh::kKing | zh::kBlackBit;
    start.board[6] = zh::kPawn;
    start.board[49] = zh::kPawn | zh::kBlackBit;
    start.side = (data[2] >> 1) & 1;
    start.castling = 0;
    start.epFile = 0;
    start.FindKings();
    game.body.SetSetUpStart(start, 1);
  }
  game.body.flags = static_cast<uint16_t>((game.body.flags & ~0x3F) | version);
  const std::vector<uint8_t> body(data + 3, data + size);
  const int rc = Decode(game, body, bufferSize);
  if (rc != 0 && rc != 12) std::abort();
  if (rc == 12 && !game.body.damaged) std::abort();

  std::string first;
  Dump(game.body.mainLine, first);
  std::vector<uint8_t> buffer(static_cast<size_t>(bufferSize));
  zh::MemoryBodyStream out;
  if (game.body.Encode(buffer.data(), bufferSize, out, nullptr) != 0) std::abort();
  zh::TQGame again;
  if (game.body.IsSetUp()) again.body.SetSetUpStart(game.body.start.start.position, 1);
  again.body.flags = static_cast<uint16_t>((again.body.flags & ~0x3F) | game.body.Version());
  if (Decode(again, out.bytes, bufferSize) != 0) std::abort();
  std::string second;
  Dump(again.body.mainLine, second);
  if (first != second) std::abort();
  return 0;
}
