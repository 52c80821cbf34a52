// Any bytes read as a PGN file: every game found reads without fault, every line of its
// move tree replays legally from the game's start (no variation is empty), the main
// line traces move by move with the sides alternating, and the game written as PGN
// reads back with the same main line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/rules/movelist.h"
#include "database/storage/game_file_trace.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/pgn/pgn_reader.h"
#include "database/pgn/pgn_writer.h"
#include "database/search_mask.h"

namespace {

void CheckLine(const zh::MoveLine& line, zh::Position position, int depth) {
  if (depth > zh::kPlyLimit || (depth > 0 && line.Count() == 0)) std::abort();
  for (const zh::GameMove& m : line) {
    if (m.variations)
      for (int i = 0; i < m.variations->Count(); ++i) CheckLine(*m.variations->GetLine(i), position, depth + 1);
    if (!m.IsNull()) {
      zh::MoveList list;
      list.GenerateLegal(position);
      if (!list.Contains(m.ToMove())) std::abort();
    }
    position.DoGameMove(m);
  }
}

// Counts the traced moves; the side that made each must alternate from the start.
class CheckingTrace : public zh::TraceSink {
 public:
  void Start(const zh::Board&) override { started_ = true; }
  void AppendMove(const zh::GameMove&, int sideToMove) override {
    if (!started_ || sideToMove != (moves_ + (blackStarts ? 1 : 0)) % 2) std::abort();
    ++moves_;
  }
  int Moves() const { return moves_; }

 private:
  bool started_ = false;
  int moves_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<uint64_t> starts = zh::FindPgnGames(text);
  if (starts.empty() || starts.back() != size) std::abort();
  for (size_t g = 0; g + 1 < starts.size(); ++g) {
    if (starts[g] > starts[g + 1]) std::abort();
    const std::string utf8 = zh::PgnTextToUtf8(text.substr(starts[g], starts[g + 1] - starts[g]), false);
    for (bool mainOnly : {false, true}) {
      zh::TQGame game;
      zh::ReadPgnGame(utf8, game, {"fuzz", static_cast<int64_t>(g + 1), false}, mainOnly);
      if (game.body.mainLine.Count() > zh::kPlyLimit) std::abort();
      CheckLine(game.body.mainLine, game.body.start.start.position, 0);
      if (mainOnly) {
        CheckingTrace trace;
        zh::TraceMainLine(game, trace);
        if (trace.Moves() != game.body.mainLine.Count()) std::abort();
        continue;
      }
      zh::TQGame back;
      zh::ReadPgnGame(zh::RenderPgnGame(game), back, {"fuzz", 1, false});
      if (back.body.mainLine.Count() != game.body.mainLine.Count()) std::abort();
    }
  }
  return 0;
}
