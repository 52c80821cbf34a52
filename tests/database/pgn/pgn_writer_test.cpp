// The PGN writer: tags, movetext layout, and round trips checked by pgn-extract on its
// own ECO file and on a generated corpus, copied directly and through a header set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/pgn/pgn_database.h"
#include "database/pgn/pgn_file.h"
#include "database/pgn/pgn_reader.h"
#include "database/pgn/pgn_writer.h"
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

// One game of pgn-extract's normalised output: its tags and its movetext without blanks.
struct NormalGame {
  std::map<std::string, std::string> tags;
  std::string moves;
};

std::vector<NormalGame> SplitGames(const std::string& text) {
  std::vector<NormalGame> games;
  size_t pos = text.find("[Event ");
  while (pos != std::string::npos) {
    NormalGame game;
    while (pos < text.size() && text[pos] == '[') {
      const size_t space = text.find(' ', pos);
      const size_t end = text.find("\"]", space);
      if (space == std::string::npos || end == std::string::npos) return games;
      game.tags[text.substr(pos + 1, space - pos - 1)] = text.substr(space + 2, end - space - 2);
      pos = end + 2;
      while (pos < text.size() && text[pos] == ' ') ++pos;
    }
    const size_t next = text.find(" [Event ", pos);
    for (size_t i = pos; i < std::min(next, text.size()); ++i)
      if (!std::isspace(static_cast<unsigned char>(text[i]))) game.moves += text[i];
    games.push_back(std::move(game));
    pos = next == std::string::npos ? next : next + 1;
  }
  return games;
}

// Whether `copy` is `original` with each run of non-ASCII bytes written as some ASCII
// text (the export's folding); with `cut`, a beginning of such a text.
bool FoldedMatch(std::string_view original, std::string_view copy, bool cut) {
  auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
  size_t i = 0, j = 0, starI = std::string_view::npos, starJ = 0;
  while (j < copy.size()) {
    if (i < original.size() && high(original[i])) {
      while (i < original.size() && high(original[i])) ++i;
      starI = i;
      starJ = j;
    } else if (i < original.size() && original[i] == copy[j]) {
      ++i;
      ++j;
    } else if (starI != std::string_view::npos) {
      i = starI;
      j = ++starJ;
    } else {
      return false;
    }
  }
  while (i < original.size() && high(original[i])) ++i;
  return cut || i == original.size();
}

// A PGN date as the header set keeps it: year, month 1 to 12 and day 1 to 31 as
// numbers, anything else unknown.
std::string DateAsNumbers(const std::string& date) {
  std::string parts[3];
  int n = 0;
  for (char c : date) {
    if (c == '.')
      ++n;
    else if (n < 3 && c != ' ')
      parts[n] += c;
  }
  auto number = [](const std::string& text, int low, int high, int width) {
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
      return std::isdigit(static_cast<unsigned char>(c));
    });
    const int v = digits ? std::atoi(text.c_str()) : -1;
    std::string out = std::to_string(v);
    if (v < low || v > high) return std::string(static_cast<size_t>(width), '?');
    return std::string(static_cast<size_t>(width) - std::min<size_t>(out.size(), width), '0') + out;
  };
  return number(parts[0], 1, 9999, 4) + "." + number(parts[1], 1, 12, 2) + "." +
         number(parts[2], 1, 31, 2);
}

// A FEN whose castling field names a right whose king or rook is not at home.
bool CastlingWithoutPieces(const std::string& fen) {
  std::istringstream in(fen);
  std::string board, side, castling;
  in >> board >> side >> castling;
  std::vector<std::string> ranks(1);
  for (char c : board) {
    if (c == '/')
      ranks.emplace_back();
    else if (std::isdigit(static_cast<unsigned char>(c)))
      ranks.back().append(c - '0', '.');
    else
      ranks.back() += c;
  }
  if (ranks.size() != 8) return false;
  for (char right : castling) {
    const std::string& rank = std::isupper(static_cast<unsigned char>(right)) ? ranks[7] : ranks[0];
    const char king = std::isupper(static_cast<unsigned char>(right)) ? 'K' : 'k';
    const char rook = std::isupper(static_cast<unsigned char>(right)) ? 'R' : 'r';
    const size_t corner = std::tolower(right) == 'k' ? 7 : 0;
    if (right != '-' && (rank.size() != 8 || rank[4] != king || rank[corner] != rook)) return true;
  }
  return false;
}

// The games that another chess program ships (tests/data, with their licence note),
// through a header set and back to PGN, both files replayed by pgn-extract. Every game
// of the copy has the main line, variations and comments of its original; what differs
// is what the formats decide, counted here:
// - text outside ASCII (names, comments, symbols) is folded to ASCII on export;
// - tag values longer than the header set keeps are cut;
// - a set-up position keeps no halfmove clock and move number of its own (FEN fields
//   5 and 6);
// - games that pgn-extract rejects in the original (a move that is not legal there) are
//   kept by the tolerant reader, so their copies have no original to compare with;
// - tag sections with malformed tags, which pgn-extract turns into extra games without
//   moves, are one game each in the copy with the tags that follow the malformed one;
// - the unknown ECO code "?" is not written; dates are kept as numbers (month 1 to 12,
//   day 1 to 31, else unknown); castling rights whose king or rook is not at home are
//   dropped when the position is read.
TEST_F(PgnExtractRoundTrip, ShippedGamesThroughAHeaderSet) {
  const std::string original = ZH_SOURCE_DIR "/tests/data/pychess_games.pgn";
  const std::string copy = dir_ + "/shipped_copy.pgn";
  ASSERT_EQ(CopyFile(original, copy, true), 1319);
  const std::vector<NormalGame> a =
      SplitGames(test::NormalisedPgn(ZH_PGN_EXTRACT, roster_, original));
  const std::vector<NormalGame> b = SplitGames(test::NormalisedPgn(ZH_PGN_EXTRACT, roster_, copy));
  ASSERT_EQ(a.size(), 1315u);
  ASSERT_EQ(b.size(), 1319u);

  std::map<std::string, int> seen;
  size_t next = 0;
  for (const NormalGame& game : b) {
    // The original of each game, in file order, past games pgn-extract made up.
    size_t k = next;
    while (k < a.size() && k < next + 20 && !FoldedMatch(a[k].moves, game.moves, false)) ++k;
    if (k == a.size() || k == next + 20) {
      ++seen["game rejected by pgn-extract in the original"];
      continue;
    }
    for (size_t skipped = next; skipped < k; ++skipped)
      ++seen[a[skipped].moves.empty() ? "game made up from a malformed tag"
                                      : "other game left out"];
    next = k + 1;
    if (a[k].moves != game.moves) ++seen["movetext folded to ASCII"];
    for (const auto& [name, value] : a[k].tags) {
      const auto it = game.tags.find(name);
      if (it == game.tags.end() && name == "ECO" && value == "?") {
        ++seen["unknown ECO code not written"];
        continue;
      }
      if (it == game.tags.end()) {
        ADD_FAILURE() << "tag " << name << " lost: " << value;
        continue;
      }
      const std::string& mine = it->second;
      auto fields = [](const std::string& fen, int n) {
        std::istringstream in(fen);
        std::string out, field;
        for (int i = 0; i < n && in >> field; ++i) out += field + " ";
        return out;
      };
      if (mine == value) continue;
      if (value == "?" || value == "????.??.??") {
        // A tag line with quotes inside its value ends pgn-extract's reading of the
        // section; the tolerant reader reads on.
        ++seen["tag read past a malformed tag line"];
      } else if (name == "FEN" && fields(mine, 4) == fields(value, 4)) {
        ++seen["set-up clocks"];
      } else if (name == "FEN" && fields(mine, 2) == fields(value, 2) &&
                 CastlingWithoutPieces(value)) {
        ++seen["castling right without its king and rook dropped"];
      } else if (name == "Date" && mine == DateAsNumbers(value)) {
        ++seen["date stored as numbers"];
      } else if (name != "FEN" && FoldedMatch(value, mine, false)) {
        ++seen["tag folded to ASCII"];
      } else if (name != "FEN" && FoldedMatch(value, mine, true)) {
        ++seen["tag cut"];
      } else {
        ADD_FAILURE() << name << " \"" << value << "\" became \"" << mine << "\"";
      }
    }
  }
  for (size_t skipped = next; skipped < a.size(); ++skipped)
    ++seen[a[skipped].moves.empty() ? "game made up from a malformed tag" : "other game left out"];
  std::string summary;
  for (const auto& [what, count] : seen) summary += what + ": " + std::to_string(count) + "\n";
  SCOPED_TRACE(summary);
  EXPECT_EQ(seen.count("other game left out"), 0u);
  // pgn-extract reports each game it rejects once with "Failed to make move".
  const std::string report =
      test::RunCommand(std::string(ZH_PGN_EXTRACT) + " --quiet -o /dev/null " + original + " 2>&1");
  int rejected = 0;
  for (size_t at = 0; (at = report.find("Failed to make move", at)) != std::string::npos; ++at)
    ++rejected;
  EXPECT_EQ(seen["game rejected by pgn-extract in the original"], rejected);
  EXPECT_EQ(seen["game made up from a malformed tag"], 0);
  EXPECT_GT(seen["tag folded to ASCII"], 0);
  EXPECT_GT(seen["tag cut"], 0);
  EXPECT_GT(seen["set-up clocks"], 0);
}

}  // namespace
}  // namespace zh
