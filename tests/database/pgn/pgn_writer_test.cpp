// The PGN writer: tags, movetext layout, and round trips checked by pgn-extract on its
// own ECO file and on a generated corpus, copied directly and through a header set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_database.h"
#include "database/pgn/pgn_file.h"
#include "database/pgn/pgn_reader.h"
#include "database/pgn/pgn_writer.h"
#include "database/headerset/tqg_database.h"
#include "support/eco_lines.h"
#include "support/pgn_corpus.h"

namespace zh {
namespace {

std::string Render(const std::string& pgn) {
  TQGame game;
  ReadPgnGame(pgn, game, {"t.pgn", 1, false});
  return RenderPgnGame(game);
}

// The movetext of a rendered game on one line.
std::string Movetext(const std::string& rendered) {
  const size_t start = rendered.find("\r\n\r\n") + 4;
  std::string text;
  std::istringstream in(rendered.substr(start));
  std::string word;
  while (in >> word) text += (text.empty() ? "" : " ") + word;
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t a = 0; a < text.size();) {
    const size_t b = text.find("\r\n", a);
    lines.push_back(text.substr(a, b - a));
    a = b + 2;
  }
  return lines;
}

TEST(PgnWrite, Tags) {
  const std::string out = Render(
      "[White \"Smith, J\"]\n[Black \"Doe, Jane\"]\n[Round \"3.1\"]\n[Date \"2001.??.??\"]\n"
      "[Event \"A \\\"B\\\" \\\\ C\"]\n[ECO \"B12\"]\n[WhiteElo \"2600\"]\n\n1. e4 1-0");
  EXPECT_EQ(out,
            "[Event \"A \\\"B\\\" \\\\ C\"]\r\n[Site \"?\"]\r\n[Date \"2001.??.??\"]\r\n"
            "[Round \"3.1\"]\r\n[White \"Smith, J.\"]\r\n[Black \"Doe, Jane\"]\r\n"
            "[Result \"1-0\"]\r\n[ECO \"B12\"]\r\n[WhiteElo \"2600\"]\r\n[PlyCount \"1\"]\r\n"
            "\r\n1. e4 1-0\r\n\r\n");
  const std::string bare = Render("[Round \"3\"]\n*");
  EXPECT_NE(bare.find("[Event \"?\"]"), std::string::npos);
  EXPECT_NE(bare.find("[Round \"3\"]"), std::string::npos);
  EXPECT_NE(bare.find("[White \"?\"]"), std::string::npos);
  for (const char* absent : {"ECO", "Elo", "Annotator", "Source", "EventDate", "FEN"})
    EXPECT_EQ(bare.find(absent), std::string::npos) << absent;
  EXPECT_NE(Render("[Round \"0\"]\n*").find("[Round \"?\"]"), std::string::npos);
  // Set-ups carry their FEN; non-ASCII is folded for export.
  const std::string setup =
      Render("[White \"M\xC3\xBCller\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\n30... Kd7 *");
  EXPECT_NE(setup.find("[White \"Mueller\"]"), std::string::npos);
  EXPECT_NE(setup.find("[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]"),
            std::string::npos);
  EXPECT_EQ(Movetext(setup), "30... Kd7 *");
}

TEST(PgnWrite, Movetext) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"1. e4 (1. d4 (1. c4) d5) e5 *", "1. e4 (1. d4 (1. c4) 1... d5) 1... e5 *"},
      {"{pre} 1. e4 {after} e5 ({first} 1... c5 $14) 2. Nf3 $1 $140 *",
       "{pre} 1. e4 {after} 1... e5 ({first} 1... c5 $14) 2. Nf3 $140 $1 *"},
      {"1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O Nf6 5. d3 O-O 6. Bg5 h6 7. Bxf6 Qxf6 8. Nc3 -- "
       "9. Nd5 Qd8 10. Nxc7 a6 11. Nxa8 b5 12. Qe2 bxc4 13. Rab1 cxd3 14. cxd3 Bb4 15. Nc7 Bc3 *",
       "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O Nf6 5. d3 O-O 6. Bg5 h6 7. Bxf6 Qxf6 8. Nc3 -- "
       "9. Nd5 Qd8 10. Nxc7 a6 11. Nxa8 b5 12. Qe2 bxc4 13. Rab1 cxd3 14. cxd3 Bb4 15. Nc7 Bc3 *"},
      {"[FEN \"7k/P5pp/8/8/8/8/8/K7 w - - 0 1\"]\n1. a8=Q# 1-0", "1. a8=Q# 1-0"},
      {"1. f3 e5 2. g4 Qh4# 0-1", "1. f3 e5 2. g4 Qh4# 0-1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Movetext(Render(c.in)), c.out) << c.in;
}

TEST(PgnWrite, CommentsCannotEndEarly) {
  TQGame game;
  ReadPgnGame("1. e4 *", game, {"t.pgn", 1, false});
  AddComment(*game.body.mainLine.GetMove(0), "a } b", true, 0);
  EXPECT_EQ(Movetext(RenderPgnGame(game)), "1. e4 {a ) b} *");
}

TEST(PgnWrite, LongCommentsBreakAtBlanksOnly) {
  std::string words;
  for (int i = 0; i < 30; ++i) words += "word" + std::to_string(i) + ", ";
  words += std::string(90, 'x') + " %percent";
  for (int i = 0; i < 20; ++i) words += " %w" + std::to_string(i);
  const std::string out = Render("1. e4 {" + words + "} *");
  for (const std::string& line : Lines(out)) {
    if (line.find(std::string(90, 'x')) == std::string::npos) {
      EXPECT_LT(line.size(), 80u) << line;
    }
    EXPECT_NE(line.rfind("%", 0), 0u) << line;
  }
  // Read back, the comment is the same text.
  TQGame game;
  ReadPgnGame(out, game, {"t.pgn", 1, false});
  std::string expected = words;
  while (expected.back() == ' ') expected.pop_back();
  EXPECT_EQ(game.body.mainLine.GetMove(0)->annotations->GetTextAfter(kAllLanguages), expected);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class PgnExtractRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::WriteTagRoster(roster_)); }

  // Copies `original` game by game into a new PGN database `copy` (with viaHeaderSet,
  // into a new header set first and from there into `copy`) and compares both through
  // pgn-extract; copying the copy again must write the same bytes. Answers
  // pgn-extract's complaints about the copy without their file lines.
  std::string Check(const std::string& original, const std::string& copy, int expectedGames,
                    bool viaHeaderSet = false) {
    const std::string again = Base(copy) + "_again.pgn";
    EXPECT_EQ(CopyFile(original, copy, viaHeaderSet), expectedGames);
    EXPECT_EQ(CopyFile(copy, again, viaHeaderSet), expectedGames);
    EXPECT_TRUE(ReadFile(again) == ReadFile(copy));
    const std::string a = test::NormalisedPgn(ZH_PGN_EXTRACT, roster_, original);
    const std::string b = test::NormalisedPgn(ZH_PGN_EXTRACT, roster_, copy);
    EXPECT_GT(a.size(), 1000u);
    if (a != b) {
      size_t at = 0;
      while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
      ADD_FAILURE() << "first difference at " << at << ":\n"
                    << a.substr(at > 300 ? at - 300 : 0, 600) << "\n----\n"
                    << b.substr(at > 300 ? at - 300 : 0, 600);
    }
    return Complaints(copy);
  }

  static std::string Base(const std::string& path) {
    return std::filesystem::path(path).replace_extension().string();
  }

  static bool CopyAll(Database& source, Database& target) {
    int last = source.GetCount();
    CopyOptions options;
    return source.ErrorState() == 0 && target.ErrorState() == 0 &&
           target.CopyGameRange(source, 1, last, options) == kDbDone;
  }

  // Every game of one PGN database copied into a new one, directly or through a new
  // header set; the number of games.
  static int64_t CopyFile(const std::string& from, const std::string& to, bool viaHeaderSet) {
    std::filesystem::remove(to);
    PgnDatabase source(Base(from), false, false);
    PgnDatabase target(Base(to), true);
    if (viaHeaderSet) {
      TqgDatabase set(Base(to) + "_set", true);
      if (!CopyAll(source, set) || !CopyAll(set, target)) return -1;
    } else if (!CopyAll(source, target)) {
      return -1;
    }
    return PgnDatabase(Base(to), false, false).GetCount();
  }

  static std::string Complaints(const std::string& path) {
    std::istringstream in(test::RunCommand(
        std::string(ZH_PGN_EXTRACT) + " --quiet --allownullmoves -o /dev/null " + path + " 2>&1"));
    std::string kept;
    for (std::string line; std::getline(in, line);)
      if (line.rfind("Warning:", 0) == 0 || line.rfind("Error", 0) == 0) kept += line + "\n";
    return kept;
  }

  test::TempDir scratch_;  // one folder per run: parallel runs never share files
  std::string dir_ = scratch_.Path().string();
  std::string roster_ = dir_ + "/pgn_roster_" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
};

TEST_F(PgnExtractRoundTrip, EcoFile) {
  const std::string warnings = Check(test::kEcoFile, dir_ + "/eco_copy.pgn", 2014);
  // Only the original's two lines that end in mate without a result.
  EXPECT_EQ(warnings, Complaints(test::kEcoFile));
  size_t count = 0;
  for (size_t at = 0; (at = warnings.find("Warning: Result of * is inconsistent with checkmate",
                                          at)) != std::string::npos;
       ++at)
    ++count;
  EXPECT_EQ(count, 2u) << warnings.substr(0, 2000);
}

// Games of the generated corpus: 5,000 by default, which keeps each round trip within
// seconds under the sanitizers; ZH_PGN_CORPUS_GAMES=20000 runs the full size.
int CorpusGames() {
  const char* value = std::getenv("ZH_PGN_CORPUS_GAMES");
  const int games = value ? std::atoi(value) : 0;
  return games > 0 ? games : 5000;
}

TEST_F(PgnExtractRoundTrip, Corpus) {
  const std::string coordinates = dir_ + "/corpus_coord.pgn", original = dir_ + "/corpus.pgn";
  const int games = CorpusGames();
  ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, original, games, 16));
  // The random results draw the same complaints as in the original.
  const std::string complaints = Check(original, dir_ + "/corpus_copy.pgn", games);
  EXPECT_TRUE(complaints == Complaints(original)) << complaints.substr(0, 2000);
}

// The same through a header set, whose game file keeps variations at a variation's
// first move as siblings: the corpus has none.
TEST_F(PgnExtractRoundTrip, CorpusThroughAHeaderSet) {
  const std::string coordinates = dir_ + "/set_coord.pgn", original = dir_ + "/set_corpus.pgn";
  const int games = CorpusGames();
  ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, original, games, 17, true,
                                   /*firstMoveVariations=*/false));
  const std::string complaints = Check(original, dir_ + "/set_copy.pgn", games, true);
  EXPECT_TRUE(complaints == Complaints(original)) << complaints.substr(0, 2000);
}

}  // namespace
}  // namespace zh
