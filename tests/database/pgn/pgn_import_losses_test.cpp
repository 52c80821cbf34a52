// Importing PGN whose games exceed what a stored game holds: every game is stored, and
// each one that loses something is named in the log and counted in the summary.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/temp_dir.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/pgn/pgn_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string Ordinary(int n) {
  return "[Event \"ordinary " + std::to_string(n) + "\"]\n\n1. e4 {open} e5 2. Nf3 (2. f4 exf4) Nc6 3. Bb5 a6 *\n\n";
}

std::string MainLine(Database& db, int n) {
  TQGame game;
  EXPECT_EQ(db.ReadGame(n, game, false), kDbDone);
  std::string s;
  for (const GameMove& m : game.body.mainLine) s += m.LongText() + " ";
  return s + "|" + std::to_string(game.header.GetMoveCount());
}

TEST(PgnImportLosses, EveryGameIsStoredAndEachLossIsReported) {
  test::TempDir dir;
  std::string longGame = "[Event \"long\"]\n\n";
  for (int i = 0; i < 25000; ++i) longGame += "Nf3 Nf6 Ng1 Ng8 ";
  longGame += "*\n\n";
  const std::string hugeComment =
      "[Event \"comment\"]\n\n1. d4 {" + std::string(10 << 20, 'c') + "} d5 *\n\n";
  const std::string nineKings =
      "[Event \"kings\"]\n[SetUp \"1\"]\n[FEN \"KKKKKKKK/8/8/8/8/8/8/k6K w - - 0 1\"]\n\n1. Kb2 *\n\n";
  {
    std::ofstream out((dir / "in.pgn").string(), std::ios::binary);
    out << Ordinary(1) << longGame << Ordinary(3) << hugeComment << Ordinary(5) << nineKings
        << Ordinary(7);
  }
  test::RecordingServices services;
  services.texts[903] = "cut:";
  PgnDatabase pgn((dir / "in").string(), false, false);
  ASSERT_EQ(pgn.ErrorState(), 0);
  ASSERT_EQ(pgn.GetCount(), 7);
  TqgDatabase db((dir / "out").string(), true);
  ASSERT_EQ(db.ErrorState(), 0);
  int last = 7;
  CopyOptions options;
  ASSERT_EQ(db.CopyGameRange(pgn, 1, last, options), kDbDone);
  ASSERT_EQ(db.GetCount(), 7);

  for (int n : {1, 3, 5, 7}) EXPECT_EQ(MainLine(db, n), MainLine(pgn, n)) << "game " << n;
  TQGame game;
  ASSERT_EQ(db.ReadGame(2, game, false), kDbDone);
  EXPECT_EQ(game.body.mainLine.Count(), 600) << "the stored game keeps what the format holds";

  std::string log;
  for (const std::string& line : services.calls) log += line + "\n";
  for (const char* expected : {"game 2 not stored whole: moves past the ply limit",
                               "game 4 not stored whole: a comment cut",
                               "game 6: invalid FEN",
                               "3 games not stored whole", "cut: 3"})
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log.substr(0, 2000);
  for (const char* quiet : {"game 1 ", "game 3 ", "game 5 ", "game 7 "})
    EXPECT_EQ(log.find(quiet), std::string::npos) << quiet;
}

}  // namespace
}  // namespace zh
