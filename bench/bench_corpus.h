// What the benchmarks of PGN games share: their folder and games, the clocks, and the
// games-per-second figures beside pgn-extract's.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

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

// Seconds of the wall clock since `since`.
inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU seconds of this process (RUSAGE_SELF) or of its finished children.
inline double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The games per second of each run, by the wall clock and by CPU time.
struct GameRates {
  std::vector<double> wall, cpu;
  void Record(benchmark::State& state, int games, double seconds, double cpuSeconds) {
    wall.push_back(games / seconds);
    cpu.push_back(games / cpuSeconds);
    state.counters["games/s"] = wall.back();
    state.counters["cpu games/s"] = cpu.back();
  }
};

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// "<what> N games/s, pgn-extract M games/s, ratio R" from the medians, when both ran.
inline void PrintBeside(const char* what, const std::vector<double>& ours,
                        const std::vector<double>& theirs) {
  const double a = Median(ours), b = Median(theirs);
  if (a > 0 && b > 0) std::printf("%s %.0f games/s, pgn-extract %.0f games/s, ratio %.2f\n", what, a, b, a / b);
}

}  // namespace zh::bench
