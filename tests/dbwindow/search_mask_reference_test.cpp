// The full mask in the databases' searches against pgn-extract on the same games: the
// search corpus with ratings, dates, ECO codes and results stored in a header set and
// written as PGN. Header criteria and the final position are compared with pgn-extract's
// tag and ending selections; the position criteria run through the search of every
// database kind (header set with and without its booster, PGN, old format, memory).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "core/temp_dir.h"
#include "app/message_ids.h"
#include "core/toolbox/int_array.h"
#include "database/corpus_game.h"
#include "database/eco_text.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/keys/search_booster.h"
#include "database/memory_database.h"
#include "database/oldformat/tqf_database.h"
#include "database/pgn/pgn_database.h"
#include "dbwindow/search_mask.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

const int kGames = test::ReferenceGames(20000);
// The position criteria run through four databases: fewer games.
const int kPositionGames = std::min(kGames, 3000);

struct Extra {
  int whiteElo, blackElo, year, eco, result;  // eco: 0..499 for A00..E99
};

const char* const kResultTexts[] = {"0-1", "1/2-1/2", "1-0", "*"};

uint16_t EcoValue(int code) {
  return static_cast<uint16_t>((code + 1) * 128);
}

std::string EcoName(int code) {
  return EcoToText(EcoValue(code));
}

std::string Pgn(const std::vector<test::CorpusGame>& games, const std::vector<Extra>& extras, size_t count) {
  std::ostringstream pgn;
  for (size_t i = 0; i < count; ++i) {
    const test::CorpusGame& g = games[i];
    const Extra& e = extras[i];
    pgn << "[Event \"Corpus\"]\n[Site \"?\"]\n[Date \"" << e.year << ".??.??\"]\n[Round \"" << i + 1
        << "\"]\n[White \"" << g.white << "\"]\n[Black \"" << g.black << "\"]\n[Result \""
        << kResultTexts[e.result] << "\"]\n[WhiteElo \"" << e.whiteElo << "\"]\n[BlackElo \"" << e.blackElo
        << "\"]\n[ECO \"" << EcoName(e.eco) << "\"]\n\n";
    for (size_t m = 0; m < g.moves.size(); ++m) {
      if (m % 2 == 0) pgn << m / 2 + 1 << ". ";
      pgn << g.moves[m] << " ";
    }
    pgn << kResultTexts[e.result] << "\n\n";
  }
  return pgn.str();
}

TQGame GameOf(const test::CorpusGame& c, const Extra& e) {
  TQGame game = test::CorpusGameOf(c);
  game.header.SetDate(static_cast<uint32_t>(e.year) << 9);
  game.header.SetEco(EcoValue(e.eco));
  game.header.SetWhiteElo(e.whiteElo);
  game.header.SetBlackElo(e.blackElo);
  game.header.record.resultByte = static_cast<uint8_t>(e.result);
  return game;
}

std::vector<int32_t> Numbers(const SortedLONGArr& list) {
  std::vector<int32_t> out;
  for (uint32_t i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

std::string Shell(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[65536];
  size_t n;
  while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

class FullSearch : public ::testing::Test {
 protected:
  // The first games in every database kind; the whole corpus only where the header
  // criteria need it (each test runs in a process of its own).
  static void SetUpTestSuite() {
    test::RecordingServices services;
    dir_ = new test::TempDir();
    corpus_ = new std::vector<test::CorpusGame>(
        test::SearchCorpus(test::EcoLinesUci(ZH_PGN_EXTRACT), kPositionGames, 64));
    extras_ = new std::vector<Extra>();
    std::mt19937 random(1964);
    for (int i = 0; i < kGames; ++i)
      extras_->push_back({1800 + static_cast<int>(random() % 1000), 1800 + static_cast<int>(random() % 1000),
                          1950 + static_cast<int>(random() % 76), static_cast<int>(random() % 500),
                          static_cast<int>(random() % 4)});
    std::ofstream(Path("positions.pgn")) << Pgn(*corpus_, *extras_, static_cast<size_t>(kPositionGames));
    // pgn-extract's short algebraic, which the PGN database reads.
    Shell(std::string(ZH_PGN_EXTRACT) + " -s " + Path("positions.pgn") + " > " + Path("san.pgn") + " 2>/dev/null");
    TqgDatabase positions(Path("positions"), true);
    TqfDatabase old(Path("old"), true);
    ASSERT_EQ(positions.ErrorState(), 0);
    ASSERT_EQ(old.ErrorState(), 0);
    // One update each, as an import makes it.
    ASSERT_EQ(positions.CheckDiskSpace(positions, kPositionGames), 0);
    ASSERT_EQ(old.CheckDiskSpace(old, kPositionGames), 0);
    for (int i = 0; i < kPositionGames; ++i) {
      TQGame game = GameOf((*corpus_)[static_cast<size_t>(i)], (*extras_)[static_cast<size_t>(i)]);
      ASSERT_EQ(positions.AppendGame(game), 0) << i;
      ASSERT_EQ(old.AppendGame(game), 0) << i;
    }
    positions.EndUpdate();
    old.EndUpdate();
  }
  // The whole corpus as PGN and in a header set; the same seed continues the games.
  static void MakeWholeCorpus() {
    *corpus_ = test::SearchCorpus(test::EcoLinesUci(ZH_PGN_EXTRACT), kGames, 64);
    std::ofstream(Path("coordinates.pgn")) << Pgn(*corpus_, *extras_, corpus_->size());
    TqgDatabase db(Path("headers"), true);
    ASSERT_EQ(db.ErrorState(), 0);
    ASSERT_EQ(db.CheckDiskSpace(db, kGames), 0);
    for (int i = 0; i < kGames; ++i) {
      TQGame game = GameOf((*corpus_)[static_cast<size_t>(i)], (*extras_)[static_cast<size_t>(i)]);
      ASSERT_EQ(db.AppendGame(game), 0) << i;
    }
    db.EndUpdate();
  }
  static void TearDownTestSuite() {
    delete corpus_;
    delete extras_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }

  // pgn-extract's selection with a tag file of the lines.
  static std::vector<int32_t> TagSelection(const std::string& lines, const std::string& options = "") {
    static int n = 0;
    const std::string file = Path("tags" + std::to_string(++n));
    std::ofstream(file) << lines;
    return test::PgnExtractRounds(ZH_PGN_EXTRACT, options + " -t" + file, Path("coordinates.pgn"));
  }

  static test::TempDir* dir_;
  static std::vector<test::CorpusGame>* corpus_;
  static std::vector<Extra>* extras_;
  test::RecordingServices services;
};

test::TempDir* FullSearch::dir_ = nullptr;
std::vector<test::CorpusGame>* FullSearch::corpus_ = nullptr;
std::vector<Extra>* FullSearch::extras_ = nullptr;

TEST_F(FullSearch, HeaderCriteriaSelectWhatPgnExtractSelects) {
  MakeWholeCorpus();
  TqgDatabase db(Path("headers"), false);
  ASSERT_EQ(db.GetCount(), kGames);
  struct Case {
    const char* label;
    std::string tags;
    std::string options;
    void (*set)(SearchMask&);
  } cases[] = {
      {"White prefix", "White \"Mü\"\n", "", [](SearchMask& m) { m.SetPlayers("Mü", "", "", "", false); }},
      {"White with first name", "White \"Mzyk, J\"\n", "",
       [](SearchMask& m) { m.SetPlayers("Mzyk", "J", "", "", false); }},
      {"Black prefix", "Black \"Sch\"\n", "", [](SearchMask& m) { m.SetPlayers("", "", "Sch", "", false); }},
      {"either colour", "Player \"Ø\"\n", "", [](SearchMask& m) { m.SetPlayers("Ø", "", "", "", true); }},
      {"White and Black", "White \"M\"\nBlack \"Z\"\n", "",
       [](SearchMask& m) { m.SetPlayers("M", "", "Z", "", false); }},
      {"inside White's name", "White \"ll\"\n", "--tagsubstr",
       [](SearchMask& m) { m.SetPlayers("ll", "", "", "", false); }},
      {"inside either name", "Player \"ez\"\n", "--tagsubstr",
       [](SearchMask& m) { m.SetPlayers("ez", "", "", "", true); }},
      {"years", "Date \"1990\"\nDate \"1991\"\nDate \"1992\"\nDate \"1993\"\n", "",
       [](SearchMask& m) { m.header.yearOn = true, m.header.yearFrom = 1990, m.header.yearTo = 1993; }},
      {"either rating at least", "Elo >= \"2700\"\n", "",
       [](SearchMask& m) { m.header.eloOn = true, m.header.eloMode = 2, m.header.eloMin = 2700, m.header.eloMax = 32767; }},
      {"both ratings at least", "WhiteElo >= \"2500\"\nBlackElo >= \"2500\"\n", "",
       [](SearchMask& m) { m.header.eloOn = true, m.header.eloMode = 4, m.header.eloMin = 2500, m.header.eloMax = 32767; }},
      {"either rating at most", "Elo <= \"1900\"\n", "",
       [](SearchMask& m) { m.header.eloOn = true, m.header.eloMode = 2, m.header.eloMin = 1, m.header.eloMax = 1900; }},
      {"both ratings at most", "WhiteElo <= \"2200\"\nBlackElo <= \"2200\"\n", "",
       [](SearchMask& m) { m.header.eloOn = true, m.header.eloMode = 4, m.header.eloMin = 1, m.header.eloMax = 2200; }},
      {"ECO range", "ECO \"B1\"\n", "",
       [](SearchMask& m) { m.header.ecoOn = true, m.header.ecoFrom = EcoValue(110), m.header.ecoTo = EcoValue(119); }},
      {"ECO two decades", "ECO \"C4\"\nECO \"C5\"\n", "",
       [](SearchMask& m) { m.header.ecoOn = true, m.header.ecoFrom = EcoValue(240), m.header.ecoTo = EcoValue(259); }},
      {"White wins", "Result \"1-0\"\n", "", [](SearchMask& m) { m.header.resultMask = 1 << kWhiteWon; }},
      {"draws and open games", "Result \"1/2-1/2\"\nResult \"*\"\n", "",
       [](SearchMask& m) { m.header.resultMask = 1 << kDraw | 1 << kNoResult; }},
      {"White prefix, years, Black wins", "White \"Mü\"\nDate \"1980\"\nDate \"1981\"\nDate \"1982\"\nResult \"0-1\"\n", "",
       [](SearchMask& m) {
         m.SetPlayers("Mü", "", "", "", false);
         m.header.yearOn = true, m.header.yearFrom = 1980, m.header.yearTo = 1982;
         m.header.resultMask = 1 << kBlackWon;
       }},
      {"player, rating and ECO", "Player \"Sch\"\nWhiteElo >= \"2300\"\nBlackElo >= \"2300\"\nECO \"E\"\n", "",
       [](SearchMask& m) {
         m.SetPlayers("Sch", "", "", "", true);
         m.header.eloOn = true, m.header.eloMode = 4, m.header.eloMin = 2300, m.header.eloMax = 32767;
         m.header.ecoOn = true, m.header.ecoFrom = EcoValue(400), m.header.ecoTo = EcoValue(499);
       }},
  };
  for (const Case& c : cases) {
    SearchMask mask;
    c.set(mask);
    const std::vector<int32_t> expected = TagSelection(c.tags, c.options);
    EXPECT_EQ(Numbers(*db.Search(mask, nullptr)), expected) << c.label;
    EXPECT_FALSE(expected.empty()) << c.label;
  }
}

// The last move of each game in pgn-extract's short algebraic, by round.
std::vector<std::string> LastMoves(const std::string& sanPgn) {
  std::ifstream in(sanPgn);
  std::vector<std::string> last;
  std::string line, moves;
  int round = 0;
  const auto flush = [&] {
    if (round <= 0) return;
    std::istringstream words(moves);
    std::string word, previous;
    while (words >> word) {
      if (word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*") break;
      previous = word;
    }
    if (static_cast<int>(last.size()) < round) last.resize(static_cast<size_t>(round));
    last[static_cast<size_t>(round - 1)] = previous;
    moves.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("[Round \"", 0) == 0) {
      flush();
      round = std::stoi(line.substr(8));
    } else if (!line.empty() && line[0] != '[') {
      moves += " " + line;
    }
  }
  flush();
  return last;
}

TEST_F(FullSearch, FinalPositionsSelectWhatPgnExtractSelects) {
  // Every game is read to its end: the first games only.
  TqgDatabase db(Path("positions"), false);
  SearchMask mate, stalemate, check;
  mate.finalMate = 1;
  stalemate.finalStalemate = 1;
  check.finalCheck = 1;
  const std::vector<int32_t> mates = Numbers(*db.Search(mate, nullptr));
  const std::vector<int32_t> checkmates = test::PgnExtractRounds(ZH_PGN_EXTRACT, "--checkmate", Path("positions.pgn"));
  EXPECT_FALSE(checkmates.empty());
  // Every checkmate is found; beyond them only final positions in which the side to
  // move mates at once, which the small search sees.
  std::vector<int32_t> extra;
  std::set_difference(mates.begin(), mates.end(), checkmates.begin(), checkmates.end(), std::back_inserter(extra));
  EXPECT_TRUE(std::includes(mates.begin(), mates.end(), checkmates.begin(), checkmates.end()));
  for (int32_t n : extra) {
    TQGame game;
    ASSERT_EQ(db.ReadGame(n, game, false), 0);
    GameCursor cursor(&game);
    while (cursor.Forward() == 0) {
    }
    const Position& p = cursor.GetPosition();
    EXPECT_FALSE(p.IsCheckmate()) << n;
    // A mating move of the side to move.
    MoveList legal;
    bool mates = false;
    legal.GenerateLegal(p);
    for (int i = 0; i < legal.Count() && !mates; ++i) {
      Position after = p;
      after.MakeMoveSquares(legal.At(i).from, legal.At(i).to, legal.At(i).promotion);
      mates = after.IsCheckmate();
    }
    EXPECT_TRUE(mates) << n;
  }
  EXPECT_EQ(Numbers(*db.Search(stalemate, nullptr)),
            test::PgnExtractRounds(ZH_PGN_EXTRACT, "--stalemate", Path("positions.pgn")));

  const std::vector<std::string> last = LastMoves(Path("san.pgn"));
  ASSERT_EQ(static_cast<int>(last.size()), kPositionGames);
  std::vector<int32_t> checks;
  for (size_t i = 0; i < last.size(); ++i)
    if (!last[i].empty() && (last[i].back() == '+' || last[i].back() == '#')) checks.push_back(static_cast<int32_t>(i + 1));
  EXPECT_FALSE(checks.empty());
  EXPECT_EQ(Numbers(*db.Search(check, nullptr)), checks);
}

// A side's material as pgn-extract writes it: "d", "d-" (at most) or "d+" (at least)
// for queens, rooks, bishops, knights and pawns.
using Side = std::array<const char*, 5>;

MaterialMask::Range RangeOf(const char* own, const char* other) {
  const auto bounds = [](const char* t, int16_t& lo, int16_t& hi) {
    const auto d = static_cast<int16_t>(t[0] - '0');
    lo = t[1] == '-' ? 0 : d;
    hi = t[1] == '+' ? 8 : d;
  };
  MaterialMask::Range r;
  bounds(own, r.ownMin, r.ownMax);
  bounds(other, r.otherMin, r.otherMax);
  return r;
}

// Either colour, held for `stability` half-moves after it arose (stability + 1 plies).
SearchMask Balance(const Side& white, const Side& black, int stability) {
  SearchMask m;
  m.materialOn = 1;
  MaterialMask& mm = m.material;
  mm.eitherColour = 1;
  mm.requiredPlies = static_cast<int16_t>(stability + 1);
  const MaterialMask::Group groups[] = {MaterialMask::kQueens, MaterialMask::kRooks, MaterialMask::kBishops,
                                        MaterialMask::kKnights, MaterialMask::kPawns};
  for (int i = 0; i < 5; ++i) mm.ranges[groups[i]] = RangeOf(white[static_cast<size_t>(i)], black[static_cast<size_t>(i)]);
  mm.ranges[MaterialMask::kMinors] = {0, 0, 16, 16};
  mm.ranges[MaterialMask::kPieces] = {0, 0, 16, 16};
  return m;
}

std::string BalanceText(const Side& side) {
  std::string text;
  for (size_t i = 0; i < 5; ++i) text += std::string(1, "QRBNP"[i]) + side[i];
  return text;
}

uint64_t Square(const char* name) {
  return uint64_t{1} << ((name[0] - 'a') * 8 + (name[1] - '1'));
}

// Pieces on squares, "Kg1 Pf2" (upper case White); every other square is free. The
// pattern for pgn-extract's -Tf, rank 8 first, '?' for any square.
SearchMask Placement(const std::string& pieces, std::string& pattern) {
  SearchMask m;
  m.motifOn = 1;
  m.motif.firstMove = 1;
  m.motif.lastMove = kMotifWholeGameLastMove;
  std::string board(64, '?');
  std::istringstream in(pieces);
  for (std::string p; in >> p;) {
    const bool white = std::isupper(static_cast<unsigned char>(p[0]));
    const int kind = static_cast<int>(std::string(" KQNBRP").find(static_cast<char>(std::toupper(p[0]))));
    m.motif.Set(white ? MotifMask::kWhiteRequired : MotifMask::kBlackRequired, kind) |= Square(p.c_str() + 1);
    board[static_cast<size_t>((7 - (p[2] - '1')) * 8 + (p[1] - 'a'))] = p[0];
  }
  m.motif.Recompute();
  pattern.clear();
  for (int rank = 0; rank < 8; ++rank) pattern += board.substr(static_cast<size_t>(rank * 8), 8) + (rank < 7 ? "/" : "");
  return m;
}

// The search mask with the trace floor off.
class NoFloorMask final : public SearchMask {
 public:
  explicit NoFloorMask(const SearchMask& m) : SearchMask(m) {}
  int MinimumMen() const override { return 0; }
};

// A booster over the games whose records admit exactly the games in `admitted`: the
// others hold no men at all.
void WriteBooster(const std::string& base, int records, const std::set<int32_t>& admitted) {
  SearchBooster booster(base, "tqb", true, SearchBooster::kScanKind);
  ASSERT_EQ(booster.Status(), 0);
  std::vector<uint8_t> bytes(static_cast<size_t>(records) * 52);
  for (int n = 1; n <= records; ++n) {
    BoosterRecord record;
    if (!admitted.count(n)) {
      record.words[0] = 0x77000000u;
      record.words[1] = 0x7777u;
    }
    booster.Pack(record, bytes.data() + (n - 1) * 52);
  }
  ASSERT_EQ(booster.WriteRecords(1, static_cast<uint32_t>(records), bytes.data()), 0);
}

TEST_F(FullSearch, PositionCriteriaThroughEveryDatabase) {
  struct Probe {
    std::string label;
    SearchMask mask;
    std::string pgnExtract;  // arguments; empty: compared with the traced games alone
    bool material = false;
  };
  std::vector<Probe> probes;
  const Side rookEnding = {"0", "1+", "1-", "1-", "8-"};
  const Side queenless = {"0", "2-", "2-", "2-", "8-"};
  for (const Side* side : {&rookEnding, &queenless}) {
    const std::string file = Path("balance" + std::to_string(probes.size()));
    std::ofstream(file) << "2 " << BalanceText(*side) << " " << BalanceText(*side) << "\n";
    probes.push_back({"balance " + BalanceText(*side), Balance(*side, *side, 2), "-z" + file, true});
  }
  for (const char* pieces : {"Kg1 Pf2 Pg2 Ph2", "kc8 pa7 pb7 pc7", "Kg1 Rf1 Pf2 Pg2 Ph2 kg8 pf7 pg7 ph7"}) {
    std::string pattern;
    SearchMask m = Placement(pieces, pattern);
    probes.push_back({std::string("placement ") + pieces, m, "\"-Tf" + pattern + "\""});
  }
  // Both kinds at the same ply, through the combined test.
  SearchMask both = probes[1].mask;
  both.motifOn = 1;
  both.motif = probes[2].mask.motif;
  both.severalPositionCriteria = 1;
  probes.push_back({"queenless with a castled king", both, ""});

  // The traced games, and the games that promote (after a promotion pgn-extract
  // matches no balance any more).
  std::vector<std::set<int32_t>> traced(probes.size()), tracedBeforeLast(probes.size());
  std::set<int32_t> promoting;
  {
    PgnDatabase pgn(Path("san"), false, false);
    ASSERT_EQ(pgn.GetCount(), kPositionGames);
    GameTrace trace;
    for (int n = 1; n <= kPositionGames; ++n) {
      TQGame game;
      ASSERT_EQ(pgn.ReadGameTrace(n, trace, game, -1), 0) << n;
      for (int ply = 1; ply < trace.length; ++ply)
        if (trace.MoveAt(ply).promotion) promoting.insert(n);
      for (size_t i = 0; i < probes.size(); ++i) {
        const SearchMask& m = probes[i].mask;
        const auto find = [&] {
          return m.severalPositionCriteria ? m.FindMatchingPly(trace)
                 : m.materialOn           ? m.material.FindMatch(trace)
                                          : m.motif.FindMatch(trace);
        };
        if (find() != kNoMatchingPly) traced[i].insert(n);
        // pgn-extract never tests a game's last position.
        --trace.length;
        if (find() != kNoMatchingPly) tracedBeforeLast[i].insert(n);
        ++trace.length;
      }
    }
  }
  TqgDatabase headerSet(Path("positions"), false);
  ASSERT_EQ(headerSet.ErrorState(), 0);
  PgnDatabase pgn(Path("san"), false, false);
  TqfDatabase old(Path("old"), false);
  test::MemoryDatabase memory("memory");
  for (int i = 0; i < kPositionGames; ++i) {
    TQGame game = GameOf((*corpus_)[static_cast<size_t>(i)], (*extras_)[static_cast<size_t>(i)]);
    ASSERT_EQ(memory.AppendGame(game), 0);
  }
  for (size_t i = 0; i < probes.size(); ++i) {
    const Probe& p = probes[i];
    if (!p.pgnExtract.empty()) {
      const std::vector<int32_t> selected = test::PgnExtractRounds(ZH_PGN_EXTRACT, p.pgnExtract, Path("positions.pgn"));
      std::set<int32_t> expected(selected.begin(), selected.end()), actual = p.material ? tracedBeforeLast[i] : traced[i];
      if (p.material)
        for (int32_t n : promoting) expected.erase(n), actual.erase(n);
      EXPECT_EQ(actual, expected) << p.label;
    }
    const std::vector<int32_t> want(traced[i].begin(), traced[i].end());
    EXPECT_FALSE(want.empty()) << p.label;
    SearchMask mask = p.mask;
    EXPECT_EQ(Numbers(*headerSet.Search(mask, nullptr)), want) << "header set: " << p.label;
    EXPECT_EQ(Numbers(*pgn.Search(mask, nullptr)), want) << "PGN: " << p.label;
    EXPECT_EQ(Numbers(*old.Search(mask, nullptr)), want) << "old format: " << p.label;
    EXPECT_EQ(Numbers(*memory.Search(mask, nullptr)), want) << "memory: " << p.label;
    NoFloorMask noFloor(mask);
    EXPECT_EQ(Numbers(*headerSet.Search(noFloor, nullptr)), want) << "no floor: " << p.label;
  }

  // The booster's fast path on the rook endings: the booster admits the games found
  // and every third other one.
  const std::vector<int32_t> want(traced[0].begin(), traced[0].end());
  std::set<int32_t> admitted = traced[0];
  for (int n = 3; n <= kPositionGames; n += 3) admitted.insert(n);
  WriteBooster(Path("positions"), kPositionGames, admitted);
  services.texts[msg::M_READING_CANDIDATES] = "Candidates";
  // The open database takes the booster up at its next search.
  TqgDatabase& boosted = headerSet;
  SearchMask mask = probes[0].mask;
  EXPECT_EQ(Numbers(*boosted.Search(mask, nullptr)), want);
  EXPECT_FALSE(services.CallsStartingWith("ProgressLine: Candidates").empty());
  NoFloorMask noFloor(mask);
  EXPECT_EQ(Numbers(*boosted.Search(noFloor, nullptr)), want);
}

}  // namespace
}  // namespace zh
