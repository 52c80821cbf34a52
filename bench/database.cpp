// The header-set database beside pgn-extract on the same 100,000 games, in one run on
// one core: appending them one by one (each append committed) against pgn-extract
// copying the PGN, a search for a White prefix that about 1 % of the games have
// against `pgn-extract -Tw`, and a search for the position after a fixed 6-ply line
// against `pgn-extract -x`. The full search mask then searches for a White prefix in a
// range of years against `pgn-extract -t`, a rook ending of either colour against
// `pgn-extract -z`, and a castled king with its pawns against `pgn-extract -Tf`. Each
// search reports its hits, which must equal its peer's; the rook ending also reports the
// games that pgn-extract can see (it never tests a game's last position and matches no
// balance after a promotion), which must equal too.
//
// Build with the release preset and run build/release/bin/database_bench.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "core/toolbox/int_array.h"
#include "core/services.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/corpus_game.h"
#include "database/position_mask.h"
#include "dbwindow/search_mask.h"
#include "dbwindow/trace_games.h"
#include "support/eco_lines.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;
constexpr char kWhiteLast[] = "Mzyk";
constexpr char kWhiteFirst[] = "J";
constexpr char kLine[] = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4";
constexpr char kPrefix[] = "Mü";
constexpr int kFirstYear = 1970, kLastYear = 1979;

// The year of game i (0-based), in the database and in the PGN.
int YearOf(size_t i) {
  return 1950 + static_cast<int>(i * 37 % 76);
}

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
    // The corpus with the year of each game after its round.
    std::istringstream in(test::CorpusPgn(Corpus()));
    std::ofstream out(p);
    for (std::string line; std::getline(in, line);) {
      out << line << "\n";
      if (line.rfind("[Round \"", 0) == 0)
        out << "[Date \"" << YearOf(static_cast<size_t>(std::stoi(line.substr(8)) - 1)) << ".??.??\"]\n";
    }
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
    {
      batch.push_back(std::make_unique<TQGame>(test::CorpusGameOf(corpus[i])));
      batch.back()->header.SetDate(static_cast<uint32_t>(YearOf(i)) << 9);
    }
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

// The full mask on the header set beside pgn-extract on the PGN.
void SearchFull(benchmark::State& state, const SearchMask& prepared) {
  TqgDatabase db(SearchedBase(), false);
  if (db.ErrorState() != 0 || db.GetCount() != kGames) std::abort();
  SearchMask mask = prepared;
  size_t hits = 0;
  for (auto _ : state) hits = db.Search(mask, nullptr)->Count();
  state.counters["hits"] = static_cast<double>(hits);
}

SearchMask PrefixYearsMask() {
  SearchMask m;
  m.SetPlayers(kPrefix, "", "", "", false);
  m.header.yearOn = true;
  m.header.yearFrom = kFirstYear;
  m.header.yearTo = kLastYear;
  return m;
}

void SearchFullPrefixYears(benchmark::State& state) { SearchFull(state, PrefixYearsMask()); }
BENCHMARK(SearchFullPrefixYears)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void PgnExtractPrefixYears(benchmark::State& state) {
  const std::string tags = (Folder() / "prefix_years.txt").string();
  std::ofstream out(tags);
  out << "White \"" << kPrefix << "\"\n";
  for (int year = kFirstYear; year <= kLastYear; ++year) out << "Date \"" << year << "\"\n";
  out.close();
  PgnExtractCommand(state, "-t" + tags, true);
}
BENCHMARK(PgnExtractPrefixYears)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Queens and minor pieces off, one rook each, any pawns, for three plies; either colour.
SearchMask RookEndingMask() {
  SearchMask m;
  m.materialOn = 1;
  MaterialMask& mm = m.material;
  mm.eitherColour = 1;
  mm.requiredPlies = 3;
  mm.ranges[MaterialMask::kQueens] = {0, 0, 0, 0};
  mm.ranges[MaterialMask::kRooks] = {1, 1, 1, 1};
  mm.ranges[MaterialMask::kBishops] = {0, 0, 0, 0};
  mm.ranges[MaterialMask::kKnights] = {0, 0, 0, 0};
  mm.ranges[MaterialMask::kPawns] = {0, 0, 8, 8};
  mm.ranges[MaterialMask::kMinors] = {0, 0, 16, 16};
  mm.ranges[MaterialMask::kPieces] = {0, 0, 16, 16};
  return m;
}

// pgn-extract never tests a game's last position and matches no balance after a
// promotion: the games it can see are counted beside the hits, on both sides.
bool Promotes(const test::CorpusGame& game) {
  for (const std::string& m : game.moves)
    if (m.size() == 5) return true;
  return false;
}

void SearchFullRookEnding(benchmark::State& state) {
  SearchMask mask = RookEndingMask();
  SearchFull(state, mask);
  TqgDatabase db(SearchedBase(), false);
  const auto found = db.Search(mask, nullptr);
  size_t comparable = 0;
  for (uint32_t i = 0; i < found->Count(); ++i) {
    const test::CorpusGame& game = Corpus()[static_cast<size_t>(found->Get(i) - 1)];
    if (Promotes(game) || game.moves.empty()) continue;
    std::string moves;
    for (size_t m = 0; m + 1 < game.moves.size(); ++m) moves += game.moves[m] + " ";
    GameTrace trace;
    test::TraceMoves(trace, test::kStartFen, moves);
    comparable += mask.FindMatchingPly(trace) != kNoMatchingPly;
  }
  state.counters["comparable"] = static_cast<double>(comparable);
}
BENCHMARK(SearchFullRookEnding)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtractRookEnding(benchmark::State& state) {
  const std::string file = (Folder() / "rook_ending.txt").string();
  std::ofstream(file) << "2 Q0R1B0N0P8- Q0R1B0N0P8-\n";
  PgnExtractCommand(state, "-z" + file, true);
  size_t comparable = 0;
  for (int32_t round : test::PgnExtractRounds(ZH_PGN_EXTRACT, "-z" + file, PgnFile()))
    comparable += !Promotes(Corpus()[static_cast<size_t>(round - 1)]);
  state.counters["comparable"] = static_cast<double>(comparable);
}
BENCHMARK(PgnExtractRookEnding)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// White's king on g1 behind its pawns on f2, g2 and h2, anywhere in the game.
SearchMask CastledKingMask() {
  SearchMask m;
  m.motifOn = 1;
  m.motif.firstMove = 1;
  m.motif.lastMove = kMotifWholeGameLastMove;
  m.motif.Set(MotifMask::kWhiteRequired, kKing) = uint64_t{1} << (6 * 8 + 0);
  m.motif.Set(MotifMask::kWhiteRequired, kPawn) =
      uint64_t{1} << (5 * 8 + 1) | uint64_t{1} << (6 * 8 + 1) | uint64_t{1} << (7 * 8 + 1);
  m.motif.Recompute();
  return m;
}

void SearchFullCastledKing(benchmark::State& state) { SearchFull(state, CastledKingMask()); }
BENCHMARK(SearchFullCastledKing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtractCastledKing(benchmark::State& state) {
  const std::string any(8, '?');
  std::string pattern;
  for (int rank = 8; rank > 2; --rank) pattern += any + "/";
  pattern += std::string(5, '?') + "PPP/" + std::string(6, '?') + "K?";
  PgnExtractCommand(state, "\"-Tf" + pattern + "\"", true);
}
BENCHMARK(PgnExtractCastledKing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();
