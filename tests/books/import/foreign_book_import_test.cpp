// Book files of the four formats read into a game and written into opening trees: the
// same book in every format gives the same tree, each format's marks give its move
// symbols, the walk of the move tree against pgn-extract and against polyglot's lines
// of gnuchess's book, and damaged, truncated and unsigned files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>

#include "app/message_ids.h"
#include "books/book_fixtures.h"
#include "books/import/book_encoder.h"
#include "books/import/foreign_book_reader.h"
#include "books/import/import_foreign_book.h"
#include "books/tree/opening_tree.h"
#include "books/tree/tree_games_util.h"
#include "books/tree/tree_test_util.h"
#include "core/toolbox/stream.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/pgn/pgn_writer.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::BookRecord;

// Five lines: a branch at the root, a transposition (1.d4 Nf6 2.c4 e6 = 1.c4 e6 2.d4
// Nf6), a promotion, and the move symbols every format can carry (none, 2 and 5).
const std::vector<std::string> kFiveLines = {
    "e4 e5 Nf3!? Nc6",
    "e4 c5 Nf3 d6? Nc3",
    "e4 d5 exd5 c6 dxc6 Nf6 cxb7 Nbd7 bxa8=Q",
    "d4 Nf6 c4 e6",
    "c4 e6!? d4 Nf6",
};

int Sq(const char* name) { return MakeSquare(name[0] - 'a', name[1] - '1'); }

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The move tree of a game: coordinate moves, "$n" for a move symbol, variations in
// parentheses after the move they replace.
std::string Dump(const MoveLine& line) {
  std::string out;
  for (const GameMove& m : line) {
    out += m.LongText();
    if (const int s = GetSymbols(m).move; s != 0) out += "$" + std::to_string(s);
    out += " ";
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v) out += "(" + Dump(*m.variations->GetLine(v)) + ") ";
  }
  return out;
}

// Symbols of the main line's moves.
std::vector<int> MainLineSymbols(const TQGame& game) {
  std::vector<int> out;
  for (const GameMove& m : game.body.mainLine) out.push_back(GetSymbols(m).move);
  return out;
}

class ForeignBookImport : public ::testing::Test {
 protected:
  void SetUp() override {
    services_.texts[msg::M_TREE_NEW_POSITIONS] = "new positions.";
    services_.texts[msg::M_NOT_A_GENIUS_BOOK] = "Not a Genius book";
    services_.texts[msg::M_NOT_A_REBEL_BOOK] = "Not a Rebel book";
    services_.texts[msg::M_NOT_A_CHESSMASTER_BOOK] = "Not a ChessMaster book";
  }
  std::string Path(const std::string& name) const { return (folder_.Path() / name).string(); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    test::WriteBytes(Path(name), bytes);
    return Path(name);
  }
  // The game of a book file, failing the test on a non-zero code.
  TQGame Read(const std::string& path) {
    TQGame game;
    EXPECT_EQ(ReadForeignBook(path, game), 0) << path;
    return game;
  }
  // The new positions that the last import reported; -1 when none was reported.
  long Reported() const {
    const std::vector<std::string> shown = services_.CallsStartingWith("Status: ");
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
      if (it->find(" new positions.") != std::string::npos) return std::stol(it->substr(8));
    return -1;
  }

  test::RecordingServices services_;
  test::ScratchFolder folder_;
};

TEST_F(ForeignBookImport, TheSameBookInEveryFormatGivesTheSameTree) {
  const std::vector<uint8_t> written = test::BookFromLines(kFiveLines);
  // The own-format encoder agrees with the book writer byte for byte.
  EXPECT_EQ(test::EncodeOwn(test::RecordsOfLines(kFiveLines, test::OwnMark)), written);
  const std::vector<std::string> books = {
      Write("writer.zbk", written),
      Write("genius.bok", test::EncodeGenius(test::RecordsOfLines(kFiveLines, test::GeniusMark))),
      Write("genius.cgs", test::EncodeGenius(test::RecordsOfLines(kFiveLines, test::GeniusMark))),
      Write("rebel.mvs", test::EncodeRebel(test::RecordsOfLines(kFiveLines, test::RebelMark))),
      Write("master.obk", test::EncodeChessMaster(test::RecordsOfLines(kFiveLines, test::ChessMasterMark))),
  };
  const std::string expectedGame = Dump(Read(books[0]).body.mainLine);
  EXPECT_EQ(expectedGame,
            "e2-e4 (d2-d4 Ng8-f6 c2-c4 e7-e6 ) (c2-c4 e7-e6$5 d2-d4 Ng8-f6 ) e7-e5 (c7-c5 Ng1-f3 "
            "d7-d6$2 Nb1-c3 ) (d7-d5 e4xd5 c7-c6 d5xc6 Ng8-f6 c6xb7 Nb8-d7 b7xa8Q ) Ng1-f3$5 Nb8-c6 ");
  std::multiset<std::string> first;
  for (size_t i = 0; i < books.size(); ++i) {
    SCOPED_TRACE(books[i]);
    EXPECT_EQ(Dump(Read(books[i]).body.mainLine), expectedGame);
    OpeningTree tree(Path("tree" + std::to_string(i)));
    ASSERT_EQ(ImportForeignBook(books[i], tree), 0);
    const std::multiset<std::string> records = test::RecordSet(tree);
    EXPECT_EQ(Reported(), static_cast<long>(records.size()));
    if (i == 0) first = records;
    EXPECT_EQ(records, first);

    // The transposition counts twice, the promotion is stored, the marked moves lead
    // to positions flagged as reached by a marked move.
    StatisticItem statistics;
    ASSERT_TRUE(tree.FindPosition(test::AfterMoves("d4 Nf6 c4 e6"), &statistics));
    EXPECT_EQ(statistics.games, 2u);
    TreeMoveList moves;
    ASSERT_TRUE(tree.FindPosition(test::AfterMoves("e4 d5 exd5 c6 dxc6 Nf6 cxb7 Nbd7"), nullptr, nullptr,
                                  nullptr, &moves));
    EXPECT_TRUE(moves.Contains(GameMove::FromSquares(Sq("b7"), Sq("a8"), kQueen)));
    EXPECT_TRUE(tree.FindPosition(test::AfterMoves("e4 d5 exd5 c6 dxc6 Nf6 cxb7 Nbd7 bxa8=Q")));
    uint8_t zelko[2] = {};
    ASSERT_TRUE(tree.FindPosition(test::AfterMoves("e4 c5 Nf3 d6"), nullptr, zelko));
    EXPECT_EQ(zelko[0] & (ZelkoItem::kMarkedMove | ZelkoItem::kPlainMove), ZelkoItem::kMarkedMove);
    ASSERT_TRUE(tree.FindPosition(test::AfterMoves("e4 c5 Nf3"), nullptr, zelko));
    EXPECT_EQ(zelko[0] & (ZelkoItem::kMarkedMove | ZelkoItem::kPlainMove), ZelkoItem::kPlainMove);
    // The import leaves the tree's switches off.
    EXPECT_FALSE(tree.moveMarks);
    EXPECT_FALSE(tree.includeVariations);
  }
  EXPECT_EQ(services_.CallsStartingWith("WaitOn").size(), books.size());
  EXPECT_EQ(services_.CallsStartingWith("WaitOff").size(), books.size());
}

TEST_F(ForeignBookImport, EachFormatGivesItsOwnSymbolsToTheFourMarks) {
  // 1.e4 e5 2.Nf3 Nc6 with the marks 0, 1, 2 and 3 in turn.
  const std::vector<BookRecord> records = {
      {Sq("e2"), Sq("e4"), false, false, 0},
      {Sq("e7"), Sq("e5"), false, false, 1},
      {Sq("g1"), Sq("f3"), false, false, 2},
      {Sq("b8"), Sq("c6"), false, true, 3},
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<int> symbols;
  };
  const Case cases[] = {
      {"own.zbk", test::EncodeOwn(records), {0, 5, 2, 6}},
      {"genius.bok", test::EncodeGenius(records), {0, 2, 1, 5}},
      {"rebel.mvs", test::EncodeRebel(records), {5, 2, 0, 6}},
      {"master.obk", test::EncodeChessMaster(records), {2, 6, 5, 0}},
  };
  for (const Case& c : cases) {
    const TQGame game = Read(Write(c.name, c.bytes));
    EXPECT_EQ(MainLineSymbols(game), c.symbols) << c.name;
  }
}

TEST_F(ForeignBookImport, PgnExtractReadsTheBookLinesAndTheTreeHoldsEveryPosition) {
  const std::string book = Write("lines.zbk", test::BookFromLines(kFiveLines));
  const TQGame game = Read(book);
  {
    std::ofstream pgn(Path("game.pgn"));
    pgn << RenderPgnGame(game);
  }
  const std::string listing =
      test::RunCommand(std::string(ZH_PGN_EXTRACT) + " -s --fencomments '" + Path("game.pgn") + "'");
  // Every line that ends (at a closing parenthesis or at the game's end) is one book
  // line; FEN comments name the positions.
  std::set<std::string> lines;
  std::vector<std::string> fens;
  std::vector<std::string> path;
  std::vector<std::vector<std::string>> saved;
  std::string lastMove;
  for (size_t i = 0; i < listing.size();) {
    const char c = listing[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '[') {
      i = listing.find('\n', i);
    } else if (c == '{') {
      const size_t end = listing.find('}', i);
      std::string fen = listing.substr(i + 1, end - i - 1);
      fen.erase(0, fen.find_first_not_of(' '));
      fen.erase(fen.find_last_not_of(' ') + 1);
      if (std::count(fen.begin(), fen.end(), '/') == 7) fens.push_back(fen);
      i = end + 1;
    } else if (c == '(') {
      saved.push_back(path);
      path.pop_back();
      ++i;
    } else if (c == ')') {
      std::string line;
      for (const std::string& m : path) line += (line.empty() ? "" : " ") + m;
      lines.insert(line);
      path = saved.back();
      saved.pop_back();
      ++i;
    } else {
      const size_t end = listing.find_first_of(" \n\t(){}", i);
      std::string token = listing.substr(i, end - i);
      i = end;
      if (std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '$' || token == "*") continue;
      while (token.size() > 1 && std::string_view("+#!?").find(token.back()) != std::string_view::npos)
        token.pop_back();
      path.push_back(token);
    }
  }
  std::string mainLine;
  for (const std::string& m : path) mainLine += (mainLine.empty() ? "" : " ") + m;
  lines.insert(mainLine);

  std::set<std::string> expected;
  for (std::string line : kFiveLines) {
    for (const char* glyph : {"!?", "?"})
      for (size_t at; (at = line.find(glyph)) != std::string::npos;) line.erase(at, std::string(glyph).size());
    expected.insert(line);
  }
  EXPECT_EQ(lines, expected) << listing;

  OpeningTree tree(Path("tree"));
  ASSERT_EQ(ImportForeignBook(book, tree), 0);
  EXPECT_EQ(fens.size(), 24u) << listing;  // one after each move
  for (const std::string& fen : fens) EXPECT_TRUE(tree.FindPosition(test::ParseFenForTest(fen))) << fen;
}

TEST_F(ForeignBookImport, GnuchessBookLinesArriveWithTheirNextMovesAndTwiceDoublesThem) {
  if (std::string(ZH_POLYGLOT).empty() || !std::filesystem::exists(ZH_GNUCHESS_BOOK))
    GTEST_SKIP() << "polyglot or gnuchess's book is missing";
  const std::vector<std::string> lines = test::PolyglotBookLines(ZH_POLYGLOT, ZH_GNUCHESS_BOOK, Path(""));
  ASSERT_GT(lines.size(), 700u);
  {
    std::ofstream pgn(Path("lines.pgn"));
    for (const std::string& line : lines) pgn << line << " *\n\n";
  }
  ASSERT_EQ(std::system((std::string(ZH_MAKE_ZBK) + " '" + Path("lines.zbk") + "' '" + Path("lines.pgn") + "'").c_str()),
            0);

  // Every position on the lines with the move played from it, once each.
  std::vector<std::pair<Position, GameMove>> steps;
  std::set<std::string> seen;
  for (const std::string& line : lines) {
    Position position;
    for (auto [from, to] : test::SquaresOfMoves(line)) {
      const int promotion = position.IsPromotionMove(from, to) ? kQueen : 0;
      if (seen.insert(test::FenForTest(position) + std::to_string(from) + "-" + std::to_string(to)).second)
        steps.emplace_back(position, GameMove::FromSquares(from, to, promotion));
      position.MakeMoveSquares(from, to, promotion);
    }
  }

  OpeningTree tree(Path("tree"));
  ASSERT_EQ(ImportForeignBook(Path("lines.zbk"), tree), 0);
  const size_t positions = test::RecordSet(tree).size();
  EXPECT_EQ(Reported(), static_cast<long>(positions));
  std::vector<StatisticItem> once(steps.size());
  std::vector<int> movesOnce(steps.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    TreeMoveList moves;
    ASSERT_TRUE(tree.FindPosition(steps[i].first, &once[i], nullptr, nullptr, &moves))
        << test::FenForTest(steps[i].first);
    EXPECT_TRUE(moves.Contains(steps[i].second)) << test::FenForTest(steps[i].first) << " "
                                                 << steps[i].second.LongText();
    movesOnce[i] = moves.count;
  }

  ASSERT_EQ(ImportForeignBook(Path("lines.zbk"), tree), 0);
  EXPECT_EQ(Reported(), 0);
  EXPECT_EQ(test::RecordSet(tree).size(), positions);
  for (size_t i = 0; i < steps.size(); ++i) {
    StatisticItem twice;
    TreeMoveList moves;
    ASSERT_TRUE(tree.FindPosition(steps[i].first, &twice, nullptr, nullptr, &moves));
    EXPECT_EQ(twice.games, 2 * once[i].games) << test::FenForTest(steps[i].first);
    EXPECT_EQ(twice.whitePoints, 2 * once[i].whitePoints) << test::FenForTest(steps[i].first);
    EXPECT_EQ(moves.count, movesOnce[i]) << test::FenForTest(steps[i].first);
  }
}

TEST_F(ForeignBookImport, AnUnmarkedFirstMoveE4StillOpensTheRootVariation) {
  // e4 without a branch mark, e5 ending the line, then d4 and c4 as alternatives.
  const std::vector<BookRecord> records = {
      {Sq("e2"), Sq("e4"), false, false, 0},
      {Sq("e7"), Sq("e5"), false, true, 0},
      {Sq("d2"), Sq("d4"), true, true, 0},
      {Sq("c2"), Sq("c4"), false, true, 0},
  };
  EXPECT_EQ(Dump(Read(Write("e4.zbk", test::EncodeOwn(records))).body.mainLine),
            "e2-e4 (d2-d4 ) (c2-c4 ) e7-e5 ");
  // Another first move without a mark opens nothing: the walk ends with its line.
  const std::vector<BookRecord> d4first = {
      {Sq("d2"), Sq("d4"), false, true, 0},
      {Sq("c2"), Sq("c4"), false, true, 0},
  };
  EXPECT_EQ(Dump(Read(Write("d4.bok", test::EncodeGenius(d4first))).body.mainLine), "d2-d4 ");
}

TEST_F(ForeignBookImport, FormatsFollowTheExtensionInAnyCase) {
  const std::pair<const char*, int> cases[] = {
      {"a.zbk", kOwnBook},         {"a.ZbK", kOwnBook},      {"b.bok", kGeniusBook},
      {"b.BOK", kGeniusBook},      {"c.Cgs", kGeniusBook},   {"d.mvs", kRebelBook},
      {"y.Mvs", kRebelBook},       {"X.OBK", kChessMasterBook}, {"x.dat", kRenamedOwnBook},
      {"dir.obk/book", kRenamedOwnBook}, {"noextension", kRenamedOwnBook},
  };
  for (const auto& [path, format] : cases) EXPECT_EQ(BookFormatOfPath(path), format) << path;

  const std::vector<BookRecord> records = test::RecordsOfLines({"e4 e5", "d4"}, test::OwnMark);
  // An own book chosen under another extension is read from its "zbk" file.
  Write("x.zbk", test::EncodeOwn(records));
  Write("x.dat", {0x01, 0x01});  // equal squares: read, it would give no move
  EXPECT_EQ(Dump(Read(Path("x.dat")).body.mainLine), "e2-e4 (d2-d4 ) e7-e5 ");
  std::string chosen = Path("x.dat");
  ForeignBookReader reader;
  EXPECT_EQ(reader.SelectFormat(chosen), kRenamedOwnBook);
  EXPECT_EQ(chosen, Path("x.zbk"));

  const std::vector<BookRecord> rebel = test::RecordsOfLines({"e4 e5", "d4"}, test::RebelMark);
  const std::vector<BookRecord> master = test::RecordsOfLines({"e4 e5", "d4"}, test::ChessMasterMark);
  EXPECT_EQ(Dump(Read(Write("y.Mvs", test::EncodeRebel(rebel))).body.mainLine), "e2-e4 (d2-d4 ) e7-e5 ");
  EXPECT_EQ(Dump(Read(Write("X.OBK", test::EncodeChessMaster(master))).body.mainLine), "e2-e4 (d2-d4 ) e7-e5 ");
}

TEST_F(ForeignBookImport, FilesWithoutTheirSignatureAreRefusedAndTheTreeStaysAsItWas) {
  const std::vector<BookRecord> records = test::RecordsOfLines({"e4 e5", "d4 d5"}, test::GeniusMark);
  std::vector<uint8_t> genius = test::EncodeGenius(records);
  genius.erase(genius.begin(), genius.begin() + 2);
  std::vector<uint8_t> rebel = test::EncodeRebel(records);
  rebel[rebel.size() - 2 * records.size() - 2] ^= 1;  // one byte of the signature wrong
  std::vector<uint8_t> master = test::EncodeChessMaster(records);
  master[0] = 'B';
  const std::pair<std::string, std::string> cases[] = {
      {Write("nosig.bok", genius), "Not a Genius book"},
      {Write("nosig.mvs", rebel), "Not a Rebel book"},
      {Write("nosig.obk", master), "Not a ChessMaster book"},
      {Write("newer.obk", {'B', 'O', 'O', '!', 0, 0, 0, 0, 0x0C, 0x9C}), "Not a ChessMaster book"},
      {Write("short.obk", {'U', 'G'}), "Not a ChessMaster book"},
      {Write("empty.mvs", {}), "Not a Rebel book"},
  };
  // A tree with content, closed so that its files hold everything.
  const std::string book = Write("some.zbk", test::BookFromLines({"c4 c5"}));
  {
    OpeningTree tree(Path("tree"));
    ASSERT_EQ(ImportForeignBook(book, tree), 0);
  }
  const std::string files[] = {FileBytes(Path("tree.ctg")), FileBytes(Path("tree.ctb")),
                               FileBytes(Path("tree.cto"))};
  for (const auto& [path, text] : cases) {
    services_.calls.clear();
    {
      OpeningTree tree(Path("tree"));
      EXPECT_EQ(ImportForeignBook(path, tree), kBookNotABook) << path;
    }
    EXPECT_EQ(services_.calls, std::vector<std::string>{"ErrorBox: " + text}) << path;
    EXPECT_EQ(FileBytes(Path("tree.ctg")), files[0]) << path;
    EXPECT_EQ(FileBytes(Path("tree.ctb")), files[1]) << path;
    EXPECT_EQ(FileBytes(Path("tree.cto")), files[2]) << path;
  }
}

// A stream that hands out its bytes in pieces of at most `piece` bytes, as a file
// that is read while it shrinks.
class ShortStream final : public TQStream {
 public:
  ShortStream(std::vector<uint8_t> bytes, size_t piece) : TQStream(kOk), bytes_(std::move(bytes)), piece_(piece) {}
  int64_t RawRead(void* p, size_t n) override {
    const size_t k = std::min({n, piece_, bytes_.size() - at_});
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), k, static_cast<uint8_t*>(p));
    at_ += k;
    return static_cast<int64_t>(k);
  }
  int64_t RawWrite(const void*, size_t) override { return -1; }

 private:
  std::vector<uint8_t> bytes_;
  size_t piece_;
  size_t at_ = 0;
};

TEST_F(ForeignBookImport, ADamagedOrImpossibleRecordEndsTheWalkAndKeepsWhatCameBefore) {
  using WalkEnd = ForeignBookReader::WalkEnd;
  auto line = [](const std::string& san) {
    std::vector<BookRecord> out;
    for (auto [from, to] : test::SquaresOfMoves(san)) out.push_back({from, to, false, false, 0});
    return out;
  };
  // 600 plies of knights going out and back: four positions.
  std::string shuffle;
  for (int i = 0; i < 150; ++i) shuffle += "Nf3 Nf6 Ng1 Ng8 ";
  struct Case {
    const char* name;
    std::vector<BookRecord> records;  // the last one is refused
    BookRecord refused;
    WalkEnd end;
    long positions;  // that the tree gains from what was read
  };
  // The naive test (a piece of the side to move on the from-square, none of its own on
  // the to-square) lets the knight, the check and the 601st ply pass.
  std::vector<Case> cases = {
      {"equal squares", line("e4 e5"), {Sq("g1"), Sq("g1")}, WalkEnd::kEqualSquares, 3},
      {"knight moving like a rook", line("e4 e5"), {Sq("g1"), Sq("g8")}, WalkEnd::kIllegalMove, 3},
      {"king left in check", line("e4 f5 Qh5+"), {Sq("a7"), Sq("a6")}, WalkEnd::kIllegalMove, 4},
      {"a piece of the side not to move", line("e4"), {Sq("d2"), Sq("d4")}, WalkEnd::kIllegalMove, 2},
      {"601 plies", line(shuffle), {Sq("g1"), Sq("f3")}, WalkEnd::kLineTooLong, 4},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BookRecord> records = c.records;
    records.push_back(c.refused);
    records.push_back({Sq("a2"), Sq("a3"), false, true, 0});  // never read
    const std::vector<uint8_t> bytes = test::EncodeOwn(records);

    ShortStream in(bytes, bytes.size());
    ForeignBookReader reader;
    std::string path = "damaged.zbk";
    reader.SelectFormat(path);
    ASSERT_TRUE(reader.Attach(in, static_cast<int64_t>(bytes.size())));
    TQGame game;
    ASSERT_EQ(reader.ReadBook(game, static_cast<int64_t>(bytes.size())), 0);
    EXPECT_EQ(reader.LastWalkEnd(), c.end);
    ASSERT_EQ(game.body.mainLine.Count(), static_cast<int>(c.records.size()));
    for (size_t i = 0; i < c.records.size(); ++i) {
      EXPECT_EQ(game.body.mainLine.GetMove(static_cast<int>(i))->from, c.records[i].from);
      EXPECT_EQ(game.body.mainLine.GetMove(static_cast<int>(i))->to, c.records[i].to);
    }
    // What was read still reaches the tree.
    OpeningTree tree(Path(std::string("tree-") + std::to_string(&c - cases.data())));
    ASSERT_EQ(ImportForeignBook(Write("damaged.zbk", bytes), tree), 0);
    EXPECT_EQ(Reported(), c.positions);
  }
}

TEST_F(ForeignBookImport, AShortReadEndsTheWalkAtTheLastWholeRecord) {
  const std::vector<BookRecord> records = test::RecordsOfLines({"e4 e5 Nf3 Nc6 Bb5 a6"}, test::RebelMark);
  const std::vector<uint8_t> bytes = test::EncodeRebel(records, "");
  // Signature 9 bytes, then 7 bytes of records arrive: three whole records.
  ShortStream in(bytes, 16);
  ForeignBookReader reader;
  std::string path = "short.mvs";
  ASSERT_EQ(reader.SelectFormat(path), kRebelBook);
  ASSERT_TRUE(reader.Attach(in, static_cast<int64_t>(bytes.size())));
  ASSERT_EQ(reader.HeaderLength(), 9);
  TQGame game;
  ASSERT_EQ(reader.ReadBook(game, static_cast<int64_t>(bytes.size()) - 9), 0);
  EXPECT_EQ(reader.LastWalkEnd(), ForeignBookReader::WalkEnd::kShortRead);
  EXPECT_EQ(Dump(game.body.mainLine), "e2-e4 e7-e5 Ng1-f3 ");

  // A file shorter than its header and a file with an odd byte give what they hold.
  EXPECT_EQ(Read(Write("header.obk", {'U', 'G', 'W', 'S', 0})).body.mainLine.Count(), 0);
  std::vector<uint8_t> odd = test::EncodeChessMaster(test::RecordsOfLines({"d4 d5"}, test::ChessMasterMark));
  odd.push_back(0x0C);
  EXPECT_EQ(Dump(Read(Write("odd.obk", odd)).body.mainLine), "d2-d4 d7-d5 ");
}

TEST_F(ForeignBookImport, FailuresAnswerTheirCodesAndWriteNothing) {
  const std::string book = Write("book.zbk", test::BookFromLines(kFiveLines));
  OpeningTree tree(Path("tree"));
  // Another long job runs: nothing is written and the import says so.
  services_.processRunning = true;
  EXPECT_EQ(ImportForeignBook(book, tree), kBookWriteFailed);
  EXPECT_EQ(Reported(), -1);
  EXPECT_TRUE(test::RecordSet(tree).empty());
  services_.processRunning = false;
  // No such file, and a folder where the file should be.
  EXPECT_EQ(ImportForeignBook(Path("missing.obk"), tree), kBookCannotOpen);
  std::filesystem::create_directory(Path("folder.bok"));
  EXPECT_EQ(ImportForeignBook(Path("folder.bok"), tree), kBookCannotOpen);
  EXPECT_TRUE(test::RecordSet(tree).empty());
  // The game carries the path as its White player and the flag bits of many variations.
  const TQGame game = Read(book);
  EXPECT_EQ(game.header.GetWord43() & 3, 3);
  EXPECT_EQ(game.header.GetResult(), 3);
  EXPECT_FALSE(game.header.white.LastName().empty());
}

}  // namespace
}  // namespace zh
