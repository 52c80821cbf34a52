// The folder and the PGN games that the database and tree benchmarks work on.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/pgn_corpus.h"

namespace zh::bench {

// An empty folder of the given name under the temporary folder.
inline std::filesystem::path FreshFolder(const char* name) {
  auto dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// `games` seeded random games of about `plies` plies as <folder>/games.pgn, written by
// pgn-extract, without null moves (which pgn-extract refuses unless told otherwise);
// the path without ".pgn". A failed pgn-extract ends the program.
inline std::string WriteCorpus(const std::filesystem::path& folder, int games, uint32_t seed,
                               int plies) {
  const std::string base = (folder / "games").string();
  const std::string coordinates = (folder / "coordinates.pgn").string();
  if (!test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, base + ".pgn", games, seed, false, true,
                            plies))
    std::abort();
  std::filesystem::remove(coordinates);
  return base;
}

}  // namespace zh::bench
