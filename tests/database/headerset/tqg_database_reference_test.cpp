// Thousands of games stored in a header set and read back after reopening: the ECO
// file's lines continued at random, set-up starts, accented names, annotations and
// texts. Every game reads back equal, and its main line is the one that pgn-extract
// reads from the same games written as PGN with coordinate moves.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/headerset/tqg_database.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/eco_lines.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"
#include "support/search_corpus.h"
#include "support/test_fen.h"

namespace zh {
namespace {

// About 25 s under the sanitizers on one core; ZH_REFERENCE_GAMES sets another size.
const int kGames = test::ReferenceGames(20000);

std::string Coordinates(const GameMove& m) {
  std::string s = SquareName(m.from) + SquareName(m.to);
  if (m.promotion) s += "?kqnbrp"[m.promotion & 7];
  return s;
}

std::vector<std::string> MainLine(const TQGame& game) {
  std::vector<std::string> out;
  for (const GameMove& m : game.body.mainLine) out.push_back(Coordinates(m));
  return out;
}

// Plays random legal moves until the game has `plies` or no move is left.
void Continue(GameCursor& cursor, int plies, std::mt19937& rng) {
  while (cursor.Ply() < plies) {
    MoveList list;
    if (list.GenerateLegal(cursor.GetPosition()) == 0) return;
    const MoveCode& m = list.At(static_cast<int>(rng() % static_cast<uint32_t>(list.Count())));
    ASSERT_EQ(cursor.AddMove(m.from, m.to, (m.kind & kPromotion) ? m.promotion : 0, 0), 0);
  }
}

TQGame MakeGame(int i, const std::vector<std::vector<std::string>>& eco, std::mt19937& rng) {
  static const char* const kLast[] = {"Müller", "Åberg", "Šimić", "Nuñez", "Østergaard",
                                      "Smith", "Zoë", "Égalité"};
  TQGame game;
  game.body.computeMoveTexts = false;  // not stored
  const bool setUp = i % 10 == 3;
  if (setUp) {
    const auto& fens = test::SetUpFens();
    game.body.SetSetUpStart(test::ParseFenForTest(fens[static_cast<size_t>(i / 10) % fens.size()]),
                            1 + i % 30);
  }
  GameCursor cursor(&game);
  cursor.Rewind();
  if (!setUp) {
    std::string line;
    for (const std::string& m : eco[static_cast<size_t>(i) % eco.size()]) line += m + " ";
    test::Enter(cursor, line);
  }
  Continue(cursor, 60 + static_cast<int>(rng() % 41), rng);
  if (i % 7 == 0) {
    test::AddRandomAnnotations(*game.body.GetGameAnnotations(), rng);
    const int count = game.body.mainLine.Count();
    if (count > 0)
      GetAnnotations(*game.body.mainLine.GetMove(static_cast<int>(rng() % static_cast<uint32_t>(count))))
          ->SetTextAfter("comment " + std::to_string(i) + " é", 0, 0);
  }
  game.header.white = TQPlayer(kLast[i % 8], "Ana " + std::to_string(i % 50));
  game.header.black = TQPlayer(kLast[(i / 8) % 8] + std::string("x"), "");
  game.header.SetResult(i % 3);
  return game;
}

// pgn-extract's coordinate moves of each game in the file.
std::vector<std::vector<std::string>> PgnExtractLines(const std::string& path) {
  const std::string out =
      test::RunCommand(std::string(ZH_PGN_EXTRACT) + " -Wuci -s " + path + " 2>/dev/null");
  std::vector<std::vector<std::string>> games;
  std::istringstream in(out);
  std::string line;
  bool inMoves = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      if (inMoves) inMoves = false;
      if (line.rfind("[Event ", 0) == 0) games.emplace_back();
      continue;
    }
    inMoves = true;
    std::istringstream words(line);
    for (std::string w; words >> w;) {
      for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (w != "*" && w != "1-0" && w != "0-1" && w != "1/2-1/2" && !games.empty())
        games.back().push_back(w);
    }
  }
  return games;
}

TEST(TqgDatabaseReference, ThousandsOfGamesReadBackAsPgnExtractReadsThem) {
  const auto eco = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_GT(eco.size(), 2000u);
  test::TempDir dir;
  test::RecordingServices services;
  const std::string base = (dir / "big").string();
  const std::string pgnPath = (dir / "big.pgn").string();
  std::mt19937 rng(4711);
  std::vector<std::string> dumps;  // empty for texts
  {
    TqgDatabase db(base, true);
    ASSERT_EQ(db.ErrorState(), 0);
    std::ofstream pgn(pgnPath);
    for (int i = 0; i < kGames; ++i) {
      if (i % 500 == 250) {
        TQTextItem text;
        text.header.record = HeaderRecord::Text();
        text.SetTitle(0, "Report " + std::to_string(i));
        text.SetFormattedText(0, "text of " + std::to_string(i));
        ASSERT_EQ(db.AppendText(text), 0);
        dumps.emplace_back();
      }
      TQGame game = MakeGame(i, eco, rng);
      ASSERT_EQ(db.AppendGame(game), 0) << i;
      dumps.push_back(test::DumpBody(game.body));
      pgn << "[Event \"g" << i << "\"]\n";
      if (game.body.IsSetUp())
        pgn << "[SetUp \"1\"]\n[FEN \"" << test::FenForTest(game.body.start.start.position) << "\"]\n";
      pgn << "\n";
      for (const std::string& m : MainLine(game)) pgn << m << "\n";
      pgn << "*\n\n";
    }
  }
  const auto reference = PgnExtractLines(pgnPath);
  ASSERT_EQ(reference.size(), static_cast<size_t>(kGames));

  TqgDatabase db(base, false);
  ASSERT_EQ(db.GetCount(), static_cast<int>(dumps.size()));
  int game = 0;
  int mismatches = 0;
  for (int n = 1; n <= db.GetCount(); ++n) {
    const std::string& dump = dumps[static_cast<size_t>(n - 1)];
    if (dump.empty()) {
      TQTextItem text;
      ASSERT_EQ(db.ReadText(n, text), 0);
      EXPECT_EQ(text.FormattedText(0).rfind("text of ", 0), 0u);
      continue;
    }
    TQGame back;
    ASSERT_EQ(db.ReadGame(n, back, false), 0) << n;
    const int i = game++;
    if (test::DumpBody(back.body) != dump || MainLine(back) != reference[static_cast<size_t>(i)] ||
        back.header.GetResult() != i % 3 ||
        back.header.white.FirstName() != "Ana " + std::to_string(i % 50)) {
      if (++mismatches <= 5) ADD_FAILURE() << "item " << n << " (game " << i << ")";
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace zh
