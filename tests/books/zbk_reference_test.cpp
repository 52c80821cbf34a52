// Book files made by make_zbk against independent references: pgn-extract's
// positions of a PGN with variations, the lines that polyglot prints of gnuchess's
// book, and the opening lines that the build turns into the opening book.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "books/book_fixtures.h"
#include "books/book_styles.h"
#include "core/rules/movelist.h"
#include "database/pgn/pgn_reader.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Uci(int from, int to) {
  auto name = [](int s) { return std::string{char('a' + FileOf(s)), char('1' + RankOf(s))}; };
  return name(from) + name(to);
}

// The coordinate move with colours exchanged (ranks mirrored).
std::string MirrorUci(const std::string& m) {
  return std::string{m[0], char('1' + '8' - m[1]), m[2], char('1' + '8' - m[3])};
}

// Board and side of a FEN: the key under which a book compares positions.
std::string BoardKey(const std::string& fen) {
  const size_t space = fen.find(' ');
  return fen.substr(0, space + 2);
}

std::set<std::string> BookMoves(ZbkBook& book, const Position& position) {
  MoveList list;
  book.FindMoves(0, position, list);
  std::set<std::string> moves;
  for (const MoveCode& m : list) moves.insert(Uci(m.from, m.to));
  return moves;
}

class ZbkReference : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("zh-zbk-ref-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const char* name) const { return (folder_ / name).string(); }
  // make_zbk's exit status.
  int MakeBook(const std::string& book, const std::string& pgn) {
    return std::system((std::string(ZH_MAKE_ZBK) + " '" + book + "' '" + pgn + "' 2>'" + Path("errors.txt") + "'").c_str());
  }

  test::RecordingServices services_;
  std::filesystem::path folder_;
};

TEST_F(ZbkReference, EveryPgnExtractPositionFindsTheMovesPlayedFromIt) {
  ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, Path("games.txt"), Path("raw.pgn"), 300, 11,
                                   /*nullMoves=*/false, /*firstMoveVariations=*/true, /*mainPlies=*/20));
  test::RunCommand(std::string(ZH_PGN_EXTRACT) + " --nosetuptags -s -o '" + Path("games.pgn") + "' '" +
                   Path("raw.pgn") + "'");
  ASSERT_EQ(MakeBook(Path("games.zbk"), Path("games.pgn")), 0) << ReadText(Path("errors.txt"));
  const std::string listing = test::RunCommand(std::string(ZH_PGN_EXTRACT) + " -C -N --fencomments -Wlalg -s '" +
                                               Path("games.pgn") + "'");

  // Every position (by board and side) with the moves played from it, variations
  // included: a variation replaces the move before it.
  std::map<std::string, std::set<std::string>> played;
  std::map<std::string, std::string> fens;  // a full FEN of each key
  const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  std::string before = start, previous = start, lastMove;
  std::vector<std::pair<std::string, std::string>> stack;
  size_t moves = 0;
  for (size_t i = 0; i < listing.size();) {
    const char c = listing[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '[') {  // a tag: a new game starts
      i = listing.find('\n', i);
      before = previous = start;
      stack.clear();
    } else if (c == '{') {
      const size_t end = listing.find('}', i);
      std::istringstream words(listing.substr(i + 1, end - i - 1));
      std::string fen, word;
      while (words >> word) fen += (fen.empty() ? "" : " ") + word;
      i = end + 1;
      if (std::count(fen.begin(), fen.end(), '/') != 7) continue;  // not a position
      previous = before;
      before = fen;
    } else if (c == '(') {  // an alternative to the last move
      stack.emplace_back(before, previous);
      before = previous;
      ++i;
    } else if (c == ')') {
      std::tie(before, previous) = stack.back();
      stack.pop_back();
      ++i;
    } else {
      const size_t end = listing.find_first_of(" \n\t(){}", i);
      const std::string token = listing.substr(i, end - i);
      i = end;
      if (token.size() < 4 || token[0] < 'a' || token[0] > 'h' || !std::isdigit(static_cast<unsigned char>(token[1])))
        continue;
      played[BoardKey(before)].insert(token.substr(0, 4));
      fens[BoardKey(before)] = before;
      ++moves;
    }
  }
  ASSERT_GT(moves, 300u * 16);

  GeneralBook book(Path("games.zbk"));
  size_t reversedOnly = 0;
  for (const auto& [key, fenMoves] : played) {
    const Position position = test::ParseFenForTest(fens[key]);
    Position mirrored = position;
    mirrored.Mirror();
    MoveList legal;
    legal.GenerateLegal(position);
    std::set<std::string> expected;
    for (const MoveCode& m : legal) {
      const std::string uci = Uci(m.from, m.to);
      const auto reversed = played.find(BoardKey(test::FenForTest(mirrored)));
      if (fenMoves.count(uci) ||
          (reversed != played.end() && reversed->second.count(MirrorUci(uci))))
        expected.insert(uci);
    }
    const std::set<std::string> found = BookMoves(book, position);
    EXPECT_EQ(found, expected) << fens[key];
    reversedOnly += expected.size() - fenMoves.size();
  }
  RecordProperty("reversed_only_moves", std::to_string(reversedOnly));
}

TEST_F(ZbkReference, GnuchessBookLinesFindTheirNextMoves) {
  if (std::string(ZH_POLYGLOT).empty() || !std::filesystem::exists(ZH_GNUCHESS_BOOK))
    GTEST_SKIP() << "polyglot or gnuchess's book is missing";
  const std::vector<std::string> lines = test::PolyglotBookLines(ZH_POLYGLOT, ZH_GNUCHESS_BOOK, Path(""));
  ASSERT_GT(lines.size(), 700u);
  {
    std::ofstream pgn(Path("lines.pgn"));
    for (const std::string& line : lines) pgn << line << " *\n\n";
  }
  ASSERT_EQ(MakeBook(Path("lines.zbk"), Path("lines.pgn")), 0) << ReadText(Path("errors.txt"));

  TournamentBook book(Path("lines.zbk"));
  std::set<std::string> firstMoves;
  std::map<std::string, bool> checked;  // position FEN and next move, once each
  for (const std::string& line : lines) {
    const std::vector<std::pair<int, int>> moves = test::SquaresOfMoves(line);
    ASSERT_FALSE(moves.empty()) << line;
    firstMoves.insert(Uci(moves[0].first, moves[0].second));
    Position position;
    for (auto [from, to] : moves) {
      const std::string next = Uci(from, to);
      const std::string key = test::FenForTest(position) + next;
      if (!checked.count(key)) {
        checked[key] = true;
        EXPECT_EQ(BookMoves(book, position).count(next), 1u) << line << " at " << test::FenForTest(position);
        // Pruning only saves work: the full replay lists the same moves.
        MoveList pruned, full;
        book.FindMoves(0, position, pruned);
        book.FindMovesUnpruned(position, full);
        EXPECT_TRUE(std::equal(pruned.begin(), pruned.end(), full.begin(), full.end(),
                               [](const MoveCode& a, const MoveCode& b) { return a.from == b.from && a.to == b.to; }))
            << test::FenForTest(position);
      }
      position.MakeMoveSquares(from, to, position.IsPromotionMove(from, to) ? kQueen : 0);
    }
  }
  // At the start every first move is listed once.
  MoveList list;
  std::multiset<std::string> atStart;
  book.FindMoves(0, Position(), list);
  for (const MoveCode& m : list) atStart.insert(Uci(m.from, m.to));
  EXPECT_EQ(atStart, std::multiset<std::string>(firstMoves.begin(), firstMoves.end()));
}

TEST(ZbkOpeningsBook, EveryOpeningLineEndsInABookMove) {
  test::RecordingServices services;
  GeneralBook book(ZH_OPENINGS_BOOK);
  ASSERT_GT(book.Length(), 0u);
  EXPECT_FALSE(book.WasCut());
  size_t lines = 0;
  for (const char* letter : {"a", "b", "c", "d", "e"}) {
    std::istringstream table(ReadText(std::string(ZH_OPENINGS_DIR) + "/" + letter + ".tsv"));
    std::string row;
    std::getline(table, row);  // heading
    while (std::getline(table, row)) {
      const std::string movetext = row.substr(row.rfind('\t') + 1);
      std::vector<std::pair<int, int>> moves = test::SquaresOfMoves(movetext);
      ASSERT_FALSE(moves.empty()) << row;
      const auto [from, to] = moves.back();
      moves.pop_back();
      Position position;
      for (auto [f, t] : moves) position.MakeMoveSquares(f, t, position.IsPromotionMove(f, t) ? kQueen : 0);
      EXPECT_EQ(BookMoves(book, position).count(Uci(from, to)), 1u) << row;
      ++lines;
    }
  }
  EXPECT_GT(lines, 3000u);
  // Gambit lines end in a gambit move.
  MoveList list;
  const Position kingsGambit = test::AfterMoves("1. e4 e5");
  book.FindMoves(0, kingsGambit, list);
  bool gambit = false;
  for (const MoveCode& m : list) gambit |= Uci(m.from, m.to) == "f2f4" && m.kind == kGambitBookMove;
  EXPECT_TRUE(gambit);
}

TEST(ZbkOpeningsBook, EcoRangeBookHoldsOnlyItsRange) {
  const std::string path = (std::filesystem::temp_directory_path() / ("zh-eco-" + std::to_string(getpid()) + ".zbk")).string();
  ASSERT_TRUE(test::WriteEcoRangeBook(path, "B20", "B99"));  // the Sicilian
  GeneralBook book(path);
  std::filesystem::remove(path);
  EXPECT_EQ(BookMoves(book, Position()), (std::set<std::string>{"e2e4"}));
  EXPECT_EQ(BookMoves(book, test::AfterMoves("1. e4")), (std::set<std::string>{"c7c5"}));
}

}  // namespace
}  // namespace zh
