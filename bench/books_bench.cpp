// Book file probes on the book made from the lines that polyglot prints of gnuchess's
// book: pruned probes of 1,000 positions on those lines and 1,000 random positions
// off them, beside one unpruned replay of the whole book (the same replay with the
// pruning tests off), and a repeated choice in the cached position beside a probe.
// The budget: a pruned probe at most a quarter of the unpruned replay, a cached
// choice at most 1/100 of a probe.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "books/book_styles.h"
#include "books/zbk_writer.h"
#include "core/rules/movelist.h"
#include "database/pgn/pgn_reader.h"

namespace {

constexpr size_t kPositions = 1000;

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// The movetext of each line of polyglot's listing, without its percentages.
std::vector<std::string> BookLines() {
  std::vector<std::string> lines;
  for (const char* colour : {"white", "black"}) {
    std::istringstream in(Run(std::string("/usr/games/polyglot dump-book -bin /usr/share/gnuchess/smallbook.bin -color ") +
                              colour + " -out /dev/stdout 2>/dev/null"));
    for (std::string row; std::getline(in, row);) {
      const size_t colon = row.find(": 1.");
      if (colon == std::string::npos) continue;
      std::string line;
      bool braces = false;
      for (char c : row.substr(colon + 2)) {
        if (c == '{') braces = true;
        else if (c == '}') braces = false;
        else if (!braces) line += c;
      }
      lines.push_back(line);
    }
  }
  return lines;
}

struct Fixture {
  std::unique_ptr<zh::GeneralBook> book;
  std::vector<zh::Position> onLines, offLines;

  Fixture() {
    std::string pgn;
    const std::vector<std::string> lines = BookLines();
    for (const std::string& line : lines) pgn += line + " *\n\n";
    zh::ZbkWriter writer;
    writer.AddPgnText(pgn, nullptr);
    book = std::make_unique<zh::GeneralBook>(writer.Bytes());

    std::mt19937 random(101);
    std::vector<zh::Position> all;
    for (const std::string& line : lines) {
      zh::Position p;
      std::istringstream in(line);
      for (std::string token; in >> token;) {
        if (token.back() == '.') continue;
        if (const size_t dot = token.rfind('.'); dot != std::string::npos) token = token.substr(dot + 1);
        int from = 0, to = 0, promotion = 0;
        if (zh::MatchSan(p, token, zh::kPgnPieceLetters.substr(0, 6), from, to, promotion) != zh::kSanMove) break;
        all.push_back(p);
        p.MakeMoveSquares(from, to, promotion);
      }
    }
    for (size_t i = 0; i < kPositions && !all.empty(); ++i) onLines.push_back(all[random() % all.size()]);
    while (offLines.size() < kPositions) {
      zh::Position p;
      const int plies = 4 + static_cast<int>(random() % 30);
      for (int ply = 0; ply < plies; ++ply) {
        zh::MoveList legal;
        if (legal.GenerateLegal(p) == 0) break;
        const zh::MoveCode m = legal.At(static_cast<int>(random() % legal.Count()));
        p.MakeMoveSquares(m.from, m.to, m.promotion);
      }
      offLines.push_back(p);
    }
  }
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

void ProbeAll(benchmark::State& state, const std::vector<zh::Position>& positions) {
  zh::GeneralBook& book = *Data().book;
  if (book.Length() == 0) state.SkipWithError("polyglot or gnuchess's book is missing");
  zh::MoveList list;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(book.FindMoves(0, positions[i], list));
    i = (i + 1) % positions.size();
  }
  state.counters["book_bytes"] = static_cast<double>(book.Length());
}

void BM_ProbeOnLines(benchmark::State& state) { ProbeAll(state, Data().onLines); }
void BM_ProbeOffLines(benchmark::State& state) { ProbeAll(state, Data().offLines); }

// The whole book replayed and compared without pruning: the reference a probe is
// measured against.
void BM_UnprunedReplay(benchmark::State& state) {
  zh::GeneralBook& book = *Data().book;
  zh::MoveList list;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(book.FindMovesUnpruned(Data().onLines[i], list));
    i = (i + 1) % Data().onLines.size();
  }
}

void BM_CachedChoice(benchmark::State& state) {
  zh::GeneralBook& book = *Data().book;
  const zh::Position& position = Data().onLines[0];
  book.ChooseMove(position);
  for (auto _ : state) benchmark::DoNotOptimize(book.ChooseMove(position));
}

BENCHMARK(BM_ProbeOnLines);
BENCHMARK(BM_ProbeOffLines);
BENCHMARK(BM_UnprunedReplay);
BENCHMARK(BM_CachedChoice);

}  // namespace

BENCHMARK_MAIN();
