// Games for the search references and the database benchmark: the ECO lines of
// pgn-extract continued at random, between players drawn from a pool of names with
// accents (some going on above 'z' after a common prefix), written as PGN with
// coordinate moves and the game's number as its round, so that pgn-extract's
// selections name the games they keep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zh::test {

struct CorpusGame {
  std::string white;  // "Last, First", UTF-8
  std::string black;
  std::vector<std::string> moves;  // coordinate moves from the standard start
};

// `count` games, each an ECO line continued to 60-100 plies (or to its end); the same
// seed gives the same games.
std::vector<CorpusGame> SearchCorpus(const std::vector<std::vector<std::string>>& ecoLines,
                                     int count, uint32_t seed);
// The size of the reference corpora: ZH_REFERENCE_GAMES when it is set to a positive
// number (smaller for quick runs), else `fallback`.
int ReferenceGames(int fallback);
// The games as PGN, numbered from 1 in their Round tags.
std::string CorpusPgn(const std::vector<CorpusGame>& games);
// The round numbers of the games that `pgn-extract -s <arguments> <pgnPath>` keeps.
std::vector<int32_t> PgnExtractRounds(const std::string& pgnExtract, const std::string& arguments,
                                      const std::string& pgnPath);

}  // namespace zh::test
