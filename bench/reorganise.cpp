// Reorganisation of a header-set database of 200,000 generated games with every tenth
// deleted, beside `cp` of the same files, in one run. Each iteration starts from a
// fresh copy of the database (made while the timer is paused); the reorganisation
// times opening the database, the kept list (CollectDeleted) and the rewrite with its
// file-set replacement. Right before each reorganisation, with the timer paused, cp
// (started directly, without a shell) copies the same files into an empty folder, so
// that both see the same load; the counter "x cp" is the reorganisations' time over
// those copies' time and is to stay at most 3.
//
// Build with the release preset and run build/release/bin/reorganise_bench
// (ZH_REORGANISE_GAMES overrides the number of games; with ZH_REORGANISE_KEEP set the
// generated database is kept in the temporary folder and used again by the next run).
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/toolbox/path_list.h"
#include "database/corpus_game.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "support/eco_lines.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExtensions[] = {"tqh", "tqg", "tqa", "tqp", "tqt", "tqc", "tqs"};

int GameCount() {
  const char* n = std::getenv("ZH_REORGANISE_GAMES");
  return n ? std::atoi(n) : 200000;
}

fs::path Folder() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "zh-reorganise-bench";
    if (!std::getenv("ZH_REORGANISE_KEEP")) fs::remove_all(d);
    fs::create_directories(d / "source");
    return d;
  }();
  return dir;
}

// The database with every tenth game deleted, made once.
const std::string& SourceBase() {
  static const std::string base = [] {
    const std::string b = (Folder() / "source" / "games").string();
    if (std::getenv("ZH_REORGANISE_KEEP") && fs::exists(b + ".tqh")) return b;
    const auto corpus = test::SearchCorpus(test::EcoLinesUci(ZH_PGN_EXTRACT), GameCount(), 2027);
    TqgDatabase db(b, true);
    if (db.ErrorState() != 0 || db.CheckDiskSpace(db, GameCount()) != 0) std::abort();
    for (const auto& c : corpus) {
      TQGame game = test::CorpusGameOf(c);
      if (db.AppendGame(game) != 0) std::abort();
    }
    for (int n = 10; n <= GameCount(); n += 10)
      if (db.SetDeleted(n, true) != 0) std::abort();
    db.EndUpdate();
    return b;
  }();
  return base;
}

uint64_t SourceBytes() {
  uint64_t bytes = 0;
  for (const char* ext : kExtensions) bytes += fs::file_size(SourceBase() + "." + ext);
  return bytes;
}

// A fresh copy of the source files in `folder`.
void FreshCopy(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const char* ext : kExtensions)
    fs::copy_file(SourceBase() + "." + ext, folder / (std::string("games.") + ext));
}

// Seconds that cp takes to copy the source files into an empty folder.
double TimeCp() {
  const fs::path target = Folder() / "cp";
  fs::remove_all(target);
  fs::create_directories(target);
  std::vector<std::string> args = {"cp"};
  for (const char* ext : kExtensions) args.push_back(SourceBase() + "." + ext);
  args.push_back(target.string() + "/");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) != 0 ||
      waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::abort();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void CopyWithCp(benchmark::State& state) {
  SourceBase();
  for (auto _ : state) state.SetIterationTime(TimeCp());
  state.counters["MB"] = static_cast<double>(SourceBytes()) / 1e6;
}
BENCHMARK(CopyWithCp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void Reorganise(benchmark::State& state) {
  SourceBase();
  const fs::path folder = Folder() / "reorganised";
  const std::string base = (folder / "games").string();
  double total = 0, cpTotal = 0;
  int count = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FreshCopy(folder);
    cpTotal += TimeCp();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    {
      TqgDatabase db(base, false);
      std::vector<int32_t> kept;
      PathList media;
      if (db.ErrorState() != 0 || db.CollectDeleted(kept, media) != 0 ||
          db.ReorganiseItems(kept) != 0)
        std::abort();
    }
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    TqgDatabase check(base, false);
    count = check.GetCount();
    state.ResumeTiming();
  }
  state.counters["games kept"] = count;
  if (count != GameCount() - GameCount() / 10) state.SkipWithError("wrong number of games kept");
  state.counters["cp ms"] = cpTotal * 1000 / static_cast<double>(state.iterations());
  state.counters["x cp"] = total / cpTotal;
}
BENCHMARK(Reorganise)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();
