// PGN test material made by other tools: a corpus of random games that pgn-extract
// turns from coordinate moves into SAN, and pgn-extract's normalised form of a file
// for comparing two files game by game.
#pragma once

#include <cstdint>
#include <string>

namespace zh::test {

// The output of a shell command (stderr as the command line directs it).
std::string RunCommand(const std::string& command);

// Writes `count` random games in coordinate moves to `coordinatePath`, then makes
// `pgnPath` from them with `pgn-extract -Wsan`. The games have nested variations (also
// at a variation's first move), comments before the game, after moves and before a
// line's first move, one glyph of each class, null moves, promotions, set-up
// positions and odd tags (unknown names, escapes, "?" values, any order); null moves
// only when asked for; variations at a variation's first move can be left out. Main
// lines have 10 to 79 plies, or about `mainPlies` (within 5) when that is given. The
// same seed gives the same files. False when pgn-extract fails.
bool WritePgnCorpus(const std::string& pgnExtract, const std::string& coordinatePath,
                    const std::string& pgnPath, int count, uint32_t seed, bool nullMoves = true,
                    bool firstMoveVariations = true, int mainPlies = 0);

// The tags that our PGN writer writes, without PlyCount, one a line, for `-R`.
bool WriteTagRoster(const std::string& path);

// pgn-extract's output for the file with only the roster's tags, then blanks
// collapsed, adjacent comments merged and each run of glyphs sorted.
std::string NormalisedPgn(const std::string& pgnExtract, const std::string& rosterPath,
                          const std::string& pgnPath);

}  // namespace zh::test
