// Games for the trace and mask tests: coordinate moves played from a FEN into a trace,
// and random games that castle, take en passant and promote often.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/game_move.h"
#include "dbwindow/game_trace.h"

namespace zh::test {

inline constexpr const char* kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The square of a name such as "e4".
int SquareOf(std::string_view name);
// Starts the trace with the FEN's board and appends the moves ("e2e4 e7e8q ...").
void TraceMoves(GameTrace& trace, std::string_view fen, std::string_view moves);
// The moves completed against the positions they are played in.
std::vector<GameMove> CompleteMoves(std::string_view fen, std::string_view moves);
// Random games from the start, up to maxPlies each, with castling, en passant and
// promotions (to every piece) chosen whenever they are possible most of the time.
std::vector<std::vector<std::string>> RichRandomGames(int count, int maxPlies, uint32_t seed);

}  // namespace zh::test
