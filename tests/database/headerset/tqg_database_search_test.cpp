// The search of a header set: name pre-filter, booster fast path and plain loop, and
// the walks that find a stored game or text again; checked against pgn-extract's
// selections of the same games.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/game_cursor.h"
#include "database/file_database.h"
#include "database/game/game_item.h"
#include "database/headerset/header_library.h"
#include "database/keys/search_booster.h"
#include "database/headerset/tqg_database.h"
#include "database/game_test_util.h"
#include "database/corpus_game.h"
#include "database/position_mask.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

std::vector<int32_t> Numbers(const SortedLONGArr& hits) {
  return {hits.Data(), hits.Data() + hits.Count()};
}

class TqgSearch : public ::testing::Test {
 protected:
  std::string Base() const { return (dir / "games").string(); }
  std::unique_ptr<TqgDatabase> Fill(const std::vector<test::CorpusGame>& games) {
    auto db = std::make_unique<TqgDatabase>(Base(), true);
    EXPECT_EQ(db->ErrorState(), 0);
    // One update, as an import makes it: the games are committed in batches.
    EXPECT_EQ(db->CheckDiskSpace(*db, static_cast<int>(games.size())), 0);
    for (const auto& c : games) {
      TQGame game = test::CorpusGameOf(c);
      EXPECT_EQ(db->AppendGame(game), 0);
    }
    db->EndUpdate();
    return db;
  }

  test::TempDir dir;
  test::RecordingServices services;
};

// Last-name prefixes as pgn-extract selects them by White, Black or both, and a
// position reached, over the same games as PGN.
TEST_F(TqgSearch, SelectsTheGamesPgnExtractSelects) {
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_FALSE(lines.empty());
  const auto corpus = test::SearchCorpus(lines, test::ReferenceGames(20000), 31);
  const auto db = Fill(corpus);
  const std::string pgnPath = (dir / "games.pgn").string();
  std::ofstream(pgnPath) << test::CorpusPgn(corpus);

  struct Case {
    const char* white;
    const char* black;
  } cases[] = {
      {"M", ""},   {"Mü", ""},  {"Möller", ""}, {"Ö", ""},  {"", "S"},       {"", "Šimek"},
      {"Z", "Z"},  {"Ø", "M"},  {"", "Sch"},    {"Mz", ""}, {"Mayer", "Nu"}, {"Q", ""},
  };
  for (const Case& c : cases) {
    std::string arguments;
    if (*c.white) arguments += " \"-Tw" + std::string(c.white) + "\"";
    if (*c.black) arguments += " \"-Tb" + std::string(c.black) + "\"";
    const auto expected = test::PgnExtractRounds(ZH_PGN_EXTRACT, arguments, pgnPath);
    test::PositionMask mask;
    mask.header.SetPlayers(c.white, "", c.black, "", false);
    services.calls.clear();
    const auto hits = db->Search(mask, nullptr);
    EXPECT_EQ(Numbers(*hits), expected) << arguments;
    const auto plain = [](const char* name) { return !*name || (name[0] >= 'A' && name[0] <= 'Z'); };
    if (plain(c.white) && plain(c.black)) {
      EXPECT_TRUE(services.CallsStartingWith("Status: Scanning").empty()) << arguments;
    }
  }

  // The position after 1.e4 c5 2.Nf3 d6 3.d4 cxd4, also reached by transposition.
  const char* line = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4";
  std::ofstream(dir / "line.pgn") << "1. e2e4 c7c5 2. g1f3 d7d6 3. d2d4 c5d4 *\n";
  const auto expected = test::PgnExtractRounds(ZH_PGN_EXTRACT, "-x" + (dir / "line.pgn").string(), pgnPath);
  ASSERT_GT(expected.size(), 5u);
  test::PositionMask mask;
  mask.motifOn = true;
  mask.SetTarget(line);
  EXPECT_EQ(Numbers(*db->Search(mask, nullptr)), expected);
}

// A search booster of kind 1 over games 1..records whose record admits a motif
// square exactly for the games in `admitted`.
void WriteBooster(const std::string& base, int records, const std::vector<int>& admitted) {
  SearchBooster booster(base, "tqb", true, SearchBooster::kScanKind);
  ASSERT_EQ(booster.Status(), 0);
  std::vector<uint8_t> bytes(static_cast<size_t>(records) * 52);
  for (int n = 1; n <= records; ++n) {
    BoosterRecord record;
    record.words[0] = 0;  // every count 7 or more, no material bits needed
    const bool admit = std::find(admitted.begin(), admitted.end(), n) != admitted.end();
    record.words[8] = admit ? 0xFFFFFFFFu : 0;
    booster.Pack(record, bytes.data() + (n - 1) * 52);
  }
  ASSERT_EQ(booster.WriteRecords(1, static_cast<uint32_t>(records), bytes.data()), 0);
}

TEST_F(TqgSearch, EmptyMaskSearchesNothing) {
  const auto db = Fill({{"Lasker, Emanuel", "Nunn, John", {"e2e4"}}});
  test::PositionMask mask;
  EXPECT_EQ(db->SearchBegin(mask), 999999999);
  db->SearchEnd();
  EXPECT_EQ(db->Search(mask, nullptr)->Count(), 0u);
}

// 1,000 games that all reach the position; the booster knows games 1-900 and admits
// the odd ones, game 5 is deleted.
TEST_F(TqgSearch, BoostersNarrowTheGamesTheyCover) {
  std::vector<test::CorpusGame> games(1000, {"Lasker, Emanuel", "Nunn, John", {"e2e4", "e7e5", "g1f3"}});
  const auto db = Fill(games);
  ASSERT_EQ(db->SetDeleted(5, true), 0);
  std::vector<int> odd;
  for (int n = 1; n <= 900; n += 2) odd.push_back(n);
  WriteBooster(Base(), 900, odd);
  ASSERT_EQ(db->OpenSearchBooster(false), 0);

  services.texts[630] = "Candidates";
  services.texts[631] = "Games";
  test::PositionMask mask;
  mask.motifOn = true;
  mask.squares[0] = 1;
  mask.SetTarget("e2e4 e7e5");
  std::vector<int32_t> expected;
  for (int n : odd)
    if (n != 5) expected.push_back(n);
  for (int n = 901; n <= 1000; ++n) expected.push_back(n);
  EXPECT_EQ(Numbers(*db->Search(mask, nullptr)), expected);
  EXPECT_EQ(services.CallsStartingWith("ProgressLine"),
            (std::vector<std::string>{"ProgressLine: Candidates / 450", "ProgressLine: Games / 450",
                                      "ProgressLine: Games / 100"}));

  // With a header criterion the fast path is not taken; the booster still refuses.
  mask.header.SetPlayers("Lasker", "", "", "", false);
  const auto hits = db->Search(mask, nullptr);
  EXPECT_EQ(hits->Count(), expected.size() + 1);  // the deleted game matches the loop
  EXPECT_EQ(db->GetSearchCounters().boosterRefused, 450);
}

TEST_F(TqgSearch, BoosterOfAnotherKindPassesEveryGame) {
  std::vector<test::CorpusGame> games(50, {"Lasker, Emanuel", "Nunn, John", {"d2d4", "d7d5"}});
  games[7].moves = {"e2e4"};
  const auto db = Fill(games);
  { SearchBooster booster(Base(), "tqb", true, 0); ASSERT_EQ(booster.Status(), 0); }
  ASSERT_EQ(db->OpenSearchBooster(false), 0);
  test::PositionMask mask;
  mask.motifOn = true;
  mask.squares[0] = ~0ull;
  mask.SetTarget("d2d4");
  std::vector<int32_t> expected;
  for (int n = 1; n <= 50; ++n)
    if (n != 8) expected.push_back(n);
  EXPECT_EQ(Numbers(*db->Search(mask, nullptr)), expected);
}

// Men taken do not come back: a trace stops once fewer are left than the mask needs,
// and the search still finds what the whole main line holds.
TEST_F(TqgSearch, TracesStopOnceTooFewMenAreLeft) {
  const auto db = Fill({{"Lasker, Emanuel", "Nunn, John", {"e2e4", "d7d5", "e4d5", "d8d5", "b1c3", "d5a5", "g1f3"}}});
  TQGame game;
  for (const auto& [floor, plies] : {std::pair{0, 7}, std::pair{31, 4}, std::pair{32, 3}, std::pair{33, 0}}) {
    MainLineTrace trace;
    trace.menFloor = floor;
    ASSERT_EQ(db->ReadGameTrace(1, trace, game, 600), 0);
    EXPECT_EQ(trace.moves.size(), static_cast<size_t>(plies)) << floor;
  }
  test::PositionMask mask;
  mask.motifOn = true;
  mask.SetTarget("e2e4 d7d5 e4d5 d8d5 b1c3");
  EXPECT_EQ(mask.MinimumMen(), 30);
  EXPECT_EQ(db->Search(mask, nullptr)->Count(), 1u);
  mask.SetTarget("e2e4 d7d5 e4d5 d8d5 b1c3 d5a5 g1f3");
  EXPECT_EQ(db->Search(mask, nullptr)->Count(), 1u);
}

TQGame HeaderGame(const char* white, const char* black, const char* tournament, int result, int round) {
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.header.Clear();
  game.header.white = TQPlayer::FromText(white);
  game.header.black = TQPlayer::FromText(black);
  int16_t r = 0, sub = 0;
  game.header.tournament = TQTournament(tournament, 2001, r, sub);
  game.header.SetResult(result);
  game.header.record.round = static_cast<uint16_t>(round);
  GameCursor cursor(&game);
  test::Enter(cursor, "e2e4");
  return game;
}

TEST_F(TqgSearch, FindsTheSameGameAndATournamentsText) {
  TqgDatabase db(Base(), true);
  ASSERT_EQ(db.ErrorState(), 0);
  TQGame games[] = {
      HeaderGame("Anand, V", "Berg, E", "Open", 1, 1), HeaderGame("Carlsen, M", "Dreev, A", "Open", 2, 2),
      HeaderGame("Anand, V", "Berg, E", "Open", 0, 3), HeaderGame("Anand, V", "Berg, E", "Cup", 1, 1),
  };
  for (TQGame& g : games) ASSERT_EQ(db.AppendGame(g), 0);
  const std::pair<const char*, const char*> texts[] = {  // tournament, title
      {"Open", "Opening report"}, {"Open", "Final report"}, {"Cup", "Final report"}};
  for (const auto& [tournament, caption] : texts) {
    TQTextItem text;
    int16_t r = 0, sub = 0;
    text.header.tournament = TQTournament(tournament, 2001, r, sub);
    text.SetTitle(2, caption);
    ASSERT_EQ(db.AppendText(text), 0);
  }

  EXPECT_EQ(db.FindSameGame(games[0].header, 1), 1);
  EXPECT_EQ(db.FindSameGame(games[2].header, 1), 3);
  EXPECT_EQ(db.FindSameGame(games[3].header, 1), 4);
  EXPECT_EQ(db.FindSameGame(games[0].header, 0), 0);
  // A player the libraries do not know: the game agreeing in most fields.
  TQGame stranger = HeaderGame("Anand, V", "Zed, Z", "Open", 1, 2);
  EXPECT_EQ(db.FindSameGame(stranger.header, 1), 1);

  int32_t open = -1, cup = -1;
  int16_t r = 0, sub = 0;
  TQTournament t("Open", 2001, r, sub);
  ASSERT_EQ(db.Tournaments()->Find(t, open), 0);
  t = TQTournament("Cup", 2001, r, sub);
  ASSERT_EQ(db.Tournaments()->Find(t, cup), 0);
  EXPECT_EQ(db.FindTournamentText("Final report", open), 6);
  EXPECT_EQ(db.FindTournamentText("report", open), 5);  // loosely, the first
  EXPECT_EQ(db.FindTournamentText("Final report", cup), 7);
  EXPECT_EQ(db.FindTournamentText("Preview", open), 0);
}

}  // namespace
}  // namespace zh
