// Reading any text as FEN or piece list gives valid piece codes, and what is written
// back reads as itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/rules/fen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zh::StartRecord record;
  zh::ParseFen(record, text);
  zh::Board board;
  zh::ParsePieceList(board, text);
  for (int s = 0; s < 64; ++s) {
    const int codes[2] = {record.start.position.board[s], board[s]};
    for (int code : codes)
      if (code != 0 && (zh::TypeOf(code) < zh::kKing || zh::TypeOf(code) > zh::kPawn)) std::abort();
  }
  const std::string fen = zh::FormatFen(record);
  zh::StartRecord again;
  zh::ParseFen(again, fen);
  if (zh::FormatFen(again) != fen) std::abort();
  if (zh::FormatPieceList(board).empty()) std::abort();
  return 0;
}
