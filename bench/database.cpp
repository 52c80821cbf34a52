// The header-set database beside pgn-extract on the same 100,000 games, in one run on
// one core: appending them one by one (each append committed) against pgn-extract
// copying the PGN, a search for a White prefix that about 1 % of the games have
// against `pgn-extract -Tw`, and a search for the position after a fixed 6-ply line
// against `pgn-extract -x`. Each search reports its hits, which must equal its peer's.
//
// Build with the release preset and run build/release/bin/database_bench.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/toolbox/int_array.h"
#include "core/services.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/corpus_game.h"
#include "database/position_mask.h"
#include "support/eco_lines.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;
constexpr char kWhiteLast[] = "Mzyk";
constexpr char kWhiteFirst[] = "J";
constexpr char kLine[] = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4";

std::filesystem::path Folder() {
  static const auto dir = [] {
    auto d = std::filesystem::temp_directory_path() / "zh-database-bench";
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

const std::vector<test::CorpusGame>& Corpus() {
  static const auto games = test::SearchCorpus(test::EcoLinesUci(ZH_PGN_EXTRACT), kGames, 2026);
  return games;
}

const std::string& PgnFile() {
  static const std::string path = [] {
    const std::string p = (Folder() / "games.pgn").string();
    std::ofstream(p) << test::CorpusPgn(Corpus());
    std::ofstream(Folder() / "line.pgn") << "1. e2e4 c7c5 2. g1f3 d7d6 3. d2d4 c5d4 *\n";
    return p;
  }();
  return path;
}

std::string Base() { return (Folder() / "games").string(); }

// Appends the corpus game by game. With a benchmark state the games are built in
// batches outside the timing, so that only the appends are measured.
void AppendCorpus(TqgDatabase& db, benchmark::State* state = nullptr) {
  constexpr size_t kBatch = 1000;
  const auto& corpus = Corpus();
  std::vector<std::unique_ptr<TQGame>> batch;
  for (size_t first = 0; first < corpus.size(); first += kBatch) {
    if (state) state->PauseTiming();
    batch.clear();
    for (size_t i = first; i < std::min(corpus.size(), first + kBatch); ++i)
      batch.push_back(std::make_unique<TQGame>(test::CorpusGameOf(corpus[i])));
    if (state) state->ResumeTiming();
    for (auto& game : batch)
      if (db.AppendGame(*game) != 0) std::abort();
  }
}

// The searched database, made once.
const std::string& SearchedBase() {
  static const std::string base = [] {
    TqgDatabase db(Base(), true);
    if (db.ErrorState() != 0) std::abort();
    AppendCorpus(db);
    return Base();
  }();
  return base;
}

void PgnExtractCommand(benchmark::State& state, const std::string& arguments, bool countHits) {
  PgnFile();
  const std::string out = (Folder() / "out.pgn").string();
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -s " + arguments + " -o " + out + " " + PgnFile() + " 2>/dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) == -1) std::abort();
  state.counters["games/s"] = benchmark::Counter(static_cast<double>(kGames) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  if (countHits) state.counters["hits"] = static_cast<double>(test::PgnExtractRounds(ZH_PGN_EXTRACT, arguments, PgnFile()).size());
}

void AppendEachCommitted(benchmark::State& state) {
  Corpus();
  const std::string base = (Folder() / "appended").string();
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* ext : {"tqh", "tqg", "tqa", "tqp", "tqt", "tqc", "tqs"})
      std::filesystem::remove(base + "." + ext);
    state.ResumeTiming();
    TqgDatabase db(base, true);
    if (db.ErrorState() != 0) std::abort();
    AppendCorpus(db, &state);
  }
  state.counters["games/s"] = benchmark::Counter(static_cast<double>(kGames) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(AppendEachCommitted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtractCopy(benchmark::State& state) { PgnExtractCommand(state, "", false); }
BENCHMARK(PgnExtractCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void SearchWhitePrefix(benchmark::State& state) {
  TqgDatabase db(SearchedBase(), false);
  if (db.ErrorState() != 0 || db.GetCount() != kGames) std::abort();
  test::PositionMask mask;
  mask.header.SetPlayers(kWhiteLast, kWhiteFirst, "", "", false);
  size_t hits = 0;
  for (auto _ : state) hits = db.Search(mask, nullptr)->Count();
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(SearchWhitePrefix)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void PgnExtractWhitePrefix(benchmark::State& state) {
  PgnExtractCommand(state, "\"-Tw" + std::string(kWhiteLast) + ", " + kWhiteFirst + "\"", true);
}
BENCHMARK(PgnExtractWhitePrefix)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void SearchPosition(benchmark::State& state) {
  TqgDatabase db(SearchedBase(), false);
  if (db.ErrorState() != 0 || db.GetCount() != kGames) std::abort();
  test::PositionMask mask;
  mask.motifOn = true;
  mask.SetTarget(kLine);
  size_t hits = 0;
  for (auto _ : state) hits = db.Search(mask, nullptr)->Count();
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(SearchPosition)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtractPosition(benchmark::State& state) {
  PgnExtractCommand(state, "-x" + (Folder() / "line.pgn").string(), true);
}
BENCHMARK(PgnExtractPosition)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();
