// The trace and the material and motif criteria against independent references:
// pgn-extract writes the position after every move of the search corpus and of random
// games full of castling, en passant and promotions, a Python script reads the
// material from those positions, and pgn-extract's own material and position
// selections pick the games the masks must pick.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_database.h"
#include "dbwindow/game_trace.h"
#include "dbwindow/material_mask.h"
#include "dbwindow/motif_mask.h"
#include "dbwindow/trace_games.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

std::string Shell(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  if (!pipe) return out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string Hex16(uint64_t v) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

// The script's line for a ply of the trace.
std::string PlyLine(const GameTrace& trace, int round, int ply) {
  std::string line = std::to_string(round) + " " + std::to_string(ply);
  for (int side = 0; side < 2; ++side) {
    const TraceSide& s = trace.Side(ply, side);
    for (int k : {kKing, kQueen, kKnight, kBishop, kRook}) line += " " + std::to_string(s.Count(k));
    line += " " + std::to_string(trace.Pawns(ply, side).count);
    line += " " + std::to_string(s.material);
    for (int k : {kKing, kQueen, kKnight, kBishop, kRook}) line += " " + Hex16(s.Set(k));
    line += " " + Hex16(trace.Pawns(ply, side).squares);
  }
  return line;
}

// The board after the first `plies` moves of a corpus game, and its FEN board field.
Board BoardAfter(const test::CorpusGame& game, int plies) {
  std::string moves;
  for (int i = 0; i < plies && i < static_cast<int>(game.moves.size()); ++i) moves += game.moves[i] + " ";
  Position p;
  for (const GameMove& m : test::CompleteMoves(test::kStartFen, moves))
    p.MakeMoveSquares(m.from, m.to, m.promotion);
  return p.board;
}

char Letter(int code) {
  const char c = " KQNBRP"[TypeOf(code)];
  return ColourOf(code) ? static_cast<char>(c - 'A' + 'a') : c;
}

// Rank 8 first; empty squares as digits, or as `any` when it is given.
std::string Pattern(const Board& board, char any = 0, bool mirror = false) {
  std::string text;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const int code = board[MakeSquare(mirror ? 7 - file : file, rank)];
      if (code == 0 && !any) {
        ++empty;
        continue;
      }
      if (empty) text += std::to_string(empty);
      empty = 0;
      text += code ? Letter(code) : any;
    }
    if (empty) text += std::to_string(empty);
    if (rank) text += '/';
  }
  return text;
}

class Reference : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir();
    const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
    ASSERT_FALSE(lines.empty());
    corpus_ = new std::vector<test::CorpusGame>(test::SearchCorpus(lines, test::ReferenceGames(2000), 63));
    int n = 0;
    for (auto& moves : test::RichRandomGames(200, 300, 6300))
      corpus_->push_back({"Random, Game" + std::to_string(++n), "Random, Reply", std::move(moves)});
    // Our reader takes the moves in short algebraic, as pgn-extract writes them.
    const std::string coordinates = (*dir_ / "coordinates.pgn").string();
    std::ofstream(coordinates) << test::CorpusPgn(*corpus_);
    Shell(std::string(ZH_PGN_EXTRACT) + " -s " + coordinates + " > " + PgnPath() + " 2>/dev/null");
    Shell(std::string(ZH_PGN_EXTRACT) + " --fencomments -s " + PgnPath() + " > " + FenPath() +
        " 2>/dev/null");
  }
  static void TearDownTestSuite() {
    delete corpus_;
    delete dir_;
  }
  static std::string PgnPath() { return (*dir_ / "games.pgn").string(); }
  static std::string FenPath() { return (*dir_ / "fens.pgn").string(); }

  // Traces every game of the PGN file in turn.
  template <class Visit>
  void TraceAll(Visit visit) {
    PgnDatabase db((*dir_ / "games").string(), false, false);
    ASSERT_EQ(db.ErrorState(), 0);
    ASSERT_EQ(db.GetCount(), static_cast<int>(corpus_->size()));
    GameTrace trace;
    for (int n = 1; n <= db.GetCount(); ++n) {
      TQGame game;
      trace.length = 0;
      ASSERT_EQ(db.ReadGameTrace(n, trace, game, -1), 0) << n;
      visit(n, trace);
    }
  }

  static test::TempDir* dir_;
  static std::vector<test::CorpusGame>* corpus_;
  test::RecordingServices services;
};

test::TempDir* Reference::dir_ = nullptr;
std::vector<test::CorpusGame>* Reference::corpus_ = nullptr;

TEST_F(Reference, TraceEqualsTheReplayedPositions) {
  const auto expected = Lines(Shell(std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR +
                                  "/tests/dbwindow/fen_material.py plies " + FenPath()));
  std::vector<std::string> actual;
  int enPassant = 0;
  TraceAll([&](int n, const GameTrace& trace) {
    for (int ply = 0; ply < trace.length; ++ply) {
      actual.push_back(PlyLine(trace, n, ply));
      enPassant += (trace.MoveAt(ply).kind & kEnPassant) != 0;
    }
  });
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) ASSERT_EQ(actual[i], expected[i]) << "line " << i;
  // The random games did what they are for.
  int promotions = 0, underPromotions = 0, castlings = 0;
  for (const auto& game : *corpus_)
    for (const auto& m : game.moves) {
      if (m.size() == 5) ++promotions, underPromotions += m[4] != 'q';
      if (m == "e1g1" || m == "e1c1" || m == "e8g8" || m == "e8c8") ++castlings;
    }
  EXPECT_GT(promotions, 100);
  EXPECT_GT(underPromotions, 50);
  EXPECT_GT(castlings, 100);
  EXPECT_GT(enPassant, 50);
}

// A side's material as pgn-extract writes it ("R2", "P3-", "B1+") and as ranges.
struct Side {
  const char* text[5];  // queens, rooks, bishops, knights, pawns: "d", "d-" or "d+"
};

MaterialMask::Range RangeOf(const char* own, const char* other) {
  const auto bounds = [](const char* t, int16_t& lo, int16_t& hi) {
    const int16_t d = static_cast<int16_t>(t[0] - '0');
    lo = t[1] == '-' ? 0 : d;
    hi = t[1] == '+' ? 8 : d;
  };
  MaterialMask::Range r;
  bounds(own, r.ownMin, r.ownMax);
  bounds(other, r.otherMin, r.otherMax);
  return r;
}

std::string BalanceText(const Side& side) {
  std::string text;
  for (int i = 0; i < 5; ++i) text += std::string(1, "QRBNP"[i]) + side.text[i];
  return text;
}

TEST_F(Reference, MaterialMaskSelectsWhatPgnExtractSelects) {
  struct Case {
    Side white, black;
  } balances[] = {
      {{{"0", "1", "0", "0", "3-"}}, {{"0", "1", "0", "0", "3-"}}},
      {{{"0", "2-", "1-", "1-", "4+"}}, {{"0", "2-", "1-", "1-", "4+"}}},
      {{{"1", "2", "1-", "1-", "8-"}}, {{"1", "2", "1-", "1-", "8-"}}},
      {{{"0", "1+", "0", "0", "8-"}}, {{"0", "0", "1-", "1-", "8-"}}},
      {{{"1+", "1+", "0", "0", "5-"}}, {{"0", "1+", "1-", "1+", "5-"}}},
      {{{"0", "0", "0", "0", "8-"}}, {{"0", "0", "0", "0", "8-"}}},
  };
  struct Run_ {
    MaterialMask mask;
    // pgn-extract's stability s asks for s half-moves after the position that first
    // has the balance, i.e. s + 1 positions, and it never tests the last position.
    MaterialMask pgnExtractMask;
    std::string label;
    std::set<int32_t> rounds;
    std::vector<std::pair<int32_t, int32_t>> plies;  // round, first ply
  };
  std::vector<Run_> runs;
  std::string cases;
  for (const Case& c : balances)
    for (int stability : {2, 10})
      for (int either : {0, 1}) {
        Run_ r;
        r.mask.requiredPlies = static_cast<int16_t>(stability);
        r.mask.eitherColour = static_cast<uint8_t>(either);
        r.mask.ranges[MaterialMask::kQueens] = RangeOf(c.white.text[0], c.black.text[0]);
        r.mask.ranges[MaterialMask::kRooks] = RangeOf(c.white.text[1], c.black.text[1]);
        r.mask.ranges[MaterialMask::kBishops] = RangeOf(c.white.text[2], c.black.text[2]);
        r.mask.ranges[MaterialMask::kKnights] = RangeOf(c.white.text[3], c.black.text[3]);
        r.mask.ranges[MaterialMask::kPawns] = RangeOf(c.white.text[4], c.black.text[4]);
        r.mask.ranges[MaterialMask::kMinors] = {0, 0, 16, 16};
        r.mask.ranges[MaterialMask::kPieces] = {0, 0, 16, 16};
        r.pgnExtractMask = r.mask;
        r.pgnExtractMask.requiredPlies = static_cast<int16_t>(stability + 1);
        r.label = std::to_string(stability) + " " + BalanceText(c.white) + " " + BalanceText(c.black);
        const auto& g = r.mask.ranges;
        cases += std::to_string(stability) + " " + std::to_string(either);
        for (bool own : {true, false})
          for (int k : {MaterialMask::kQueens, MaterialMask::kRooks, MaterialMask::kBishops,
                        MaterialMask::kKnights, MaterialMask::kPawns})
            cases += " " + std::to_string(own ? g[k].ownMin : g[k].otherMin) + " " +
                     std::to_string(own ? g[k].ownMax : g[k].otherMax);
        cases += "\n";
        runs.push_back(std::move(r));
      }
  TraceAll([&](int n, GameTrace& trace) {
    for (Run_& r : runs) {
      const int32_t ply = r.mask.FindMatch(trace);
      if (ply != kNoMatchingPly) r.plies.emplace_back(n, ply);
    }
    --trace.length;
    for (Run_& r : runs)
      if (r.pgnExtractMask.FindMatch(trace) != kNoMatchingPly) r.rounds.insert(n);
  });

  const std::string casesPath = (*dir_ / "cases.txt").string();
  std::ofstream(casesPath) << cases;
  std::vector<std::vector<std::pair<int32_t, int32_t>>> scriptPlies(runs.size());
  for (const auto& line : Lines(Shell(std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR +
                                    "/tests/dbwindow/fen_material.py balance " + FenPath() + " " +
                                    casesPath))) {
    int index = 0, round = 0, ply = 0;
    std::istringstream(line) >> index >> round >> ply;
    scriptPlies[index].emplace_back(round, ply);
  }
  // After a promotion pgn-extract matches no balance any more, not even one that
  // allows any material, so the games with promotions are compared with the script
  // alone.
  size_t selected = 0;
  std::set<int32_t> promoting;
  for (size_t g = 0; g < corpus_->size(); ++g)
    for (const auto& m : (*corpus_)[g].moves)
      if (m.size() == 5) promoting.insert(static_cast<int32_t>(g + 1));
  for (size_t i = 0; i < runs.size(); ++i) {
    const Run_& r = runs[i];
    const std::string file = (*dir_ / ("balance" + std::to_string(i))).string();
    std::ofstream(file) << r.label << "\n";
    std::vector<int32_t> expected;
    for (int32_t round : test::PgnExtractRounds(ZH_PGN_EXTRACT, (r.mask.eitherColour ? "-z" : "-y") + file, PgnPath()))
      if (!promoting.count(round)) expected.push_back(round);
    std::vector<int32_t> actual;
    for (int32_t round : r.rounds)
      if (!promoting.count(round)) actual.push_back(round);
    EXPECT_EQ(actual, expected)
        << r.label << (r.mask.eitherColour ? " either" : "");
    EXPECT_EQ(r.plies, scriptPlies[i]) << r.label << (r.mask.eitherColour ? " either" : "");
    selected += !expected.empty();
  }
  EXPECT_GE(selected, runs.size() / 2);
}

TEST_F(Reference, MotifSelectsWhatPgnExtractSelects) {
  // Boards after 8 and 12 plies of some corpus games, often reached by other games too.
  std::vector<Board> boards;
  for (int g : {0, 3, 10, 40}) {
    boards.push_back(BoardAfter((*corpus_)[g], 8));
    boards.push_back(BoardAfter((*corpus_)[g], 12));
  }
  enum Form { kExact, kRequired, kReversed, kMirrored };
  struct Probe {
    MotifMask motif;
    std::string label;
    std::string arguments;  // for pgn-extract
    std::vector<int32_t> rounds;
  };
  std::vector<Probe> probes;
  int fileNumber = 0;
  for (const Board& board : boards)
    for (Form form : {kExact, kRequired, kReversed, kMirrored}) {
      Probe p;
      p.motif.SetFromBoard(board, -1);
      if (form != kExact) {
        p.motif.Set(MotifMask::kWhiteForbidden, MotifMask::kAllPieces) = 0;
        p.motif.Set(MotifMask::kBlackForbidden, MotifMask::kAllPieces) = 0;
      }
      p.motif.colourReversed = form == kReversed;
      p.motif.mirrored = form == kMirrored;
      p.motif.Recompute();
      const std::string pattern = Pattern(board, form == kExact ? 0 : '?');
      p.label = pattern + " form " + std::to_string(form);
      if (form == kExact || form == kRequired) {
        p.arguments = "\"-Tf" + pattern + "\"";
      } else {
        const std::string file = (*dir_ / ("tags" + std::to_string(++fileNumber))).string();
        std::ofstream tags(file);
        if (form == kReversed)
          tags << "FENPatternI \"" << pattern << "\"\n";
        else
          tags << "FENPattern \"" << pattern << "\"\nFENPattern \"" << Pattern(board, '?', true) << "\"\n";
        p.arguments = "-t" + file;
      }
      probes.push_back(std::move(p));
    }
  TraceAll([&](int n, const GameTrace& trace) {
    for (Probe& p : probes)
      if (p.motif.FindMatch(trace) != kNoMatchingPly) p.rounds.push_back(n);
  });
  int selected = 0;
  for (const Probe& p : probes) {
    EXPECT_EQ(p.rounds, test::PgnExtractRounds(ZH_PGN_EXTRACT, p.arguments, PgnPath())) << p.label;
    selected += !p.rounds.empty();
  }
  EXPECT_EQ(selected, static_cast<int>(probes.size()));
}

}  // namespace
}  // namespace zh
