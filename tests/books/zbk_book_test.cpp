// Book files: records and squares, the opening walk, probing (direct, colour-reversed,
// transpositions, promotions, legality), the styles, choosing, file names and damage.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "books/book_fixtures.h"
#include "books/book_styles.h"
#include "books/zbk_writer.h"
#include "core/rules/movelist.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::AfterMoves;
using test::BookFromLines;

// The (from, to) pairs of the list, in order.
std::vector<std::pair<int, int>> Pairs(const MoveList& list) {
  std::vector<std::pair<int, int>> out;
  for (const MoveCode& m : list) out.emplace_back(m.from, m.to);
  return out;
}

std::pair<int, int> Sq(const char* from, const char* to) {
  auto square = [](const char* s) { return MakeSquare(s[0] - 'a', s[1] - '1'); };
  return {square(from), square(to)};
}

TEST(ZbkSquares, BookNumberingRunsRankByRank) {
  // Rows of the published table: book square -> board square.
  const std::pair<int, int> rows[] = {{0, 0}, {1, 8}, {7, 56}, {8, 1}, {12, 33}, {27, 27},
                                      {39, 60}, {50, 22}, {56, 7}, {62, 55}, {63, 63}};
  for (auto [book, board] : rows) {
    EXPECT_EQ(ZbkToBoardSquare(book), board) << book;
    EXPECT_EQ(BoardToZbkSquare(board), book) << board;
  }
}

TEST(ZbkWriter, RecordsCarryAlternativeLineEndAndMark) {
  // 1. e4 (e5 ends, c5?! ends) / 1. d4!? ends.
  const std::vector<uint8_t> bytes = BookFromLines({"1. e4 e5", "1. e4 c5?!", "1. d4!?"});
  const std::vector<uint8_t> expected = {
      12, 28,                    // e2-e4, an alternative follows
      52 | 0x80, 36,             // e7-e5, line end, c5 follows
      50 | 0xC0, 34 | 3 << 6,    // c7-c5 gambit, last alternative, line end
      11 | 0xC0, 27 | 1 << 6,    // d2-d4 general, last, line end
  };
  EXPECT_EQ(bytes, expected);
}

TEST(ZbkWriter, RefusesWhatABookCannotHold) {
  ZbkWriter writer;
  std::vector<std::string> errors;
  const std::string longLine = [] {
    std::string s;
    for (int i = 0; i < 33; ++i) s += "Nf3 Nf6 Ng1 Ng8 ";  // 132 plies
    return s;
  }();
  const std::string pgn =
      "1. e4 --\n*\n\n"
      "[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\"]\n\n1. Kd2 *\n\n"
      "1. h4 g5 2. hxg5 h6 3. gxh6 Nf6 4. h7 Rg8 5. hxg8=N *\n\n" +
      longLine + "*\n\n1. e4 e5 *\n";
  EXPECT_EQ(writer.AddPgnText(pgn, &errors), 4);
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_NE(errors[0].find("null move"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("set-up"), std::string::npos) << errors[1];
  EXPECT_NE(errors[2].find("under-promotion"), std::string::npos) << errors[2];
  EXPECT_NE(errors[3].find("129"), std::string::npos) << errors[3];
  EXPECT_EQ(writer.LineCount(), 1);
}

// Three lines: two that transpose after four plies into the same position and go on
// with the same move, and one in which a pawn promotes and the queen moves on.
const std::vector<std::string> kRoundTripLines = {
    "1. Nf3 Nf6 2. Nc3 Nc6 3. e4 e5",
    "1. Nc3 Nc6 2. Nf3 Nf6 3. e4 d5",
    "1. h4 g5 2. hxg5 h6 3. gxh6 Bg7 4. hxg7 Nf6 5. gxh8=Q+ Ng8 6. Qh4",
};

class ZbkRoundTrip : public ::testing::Test {
 protected:
  test::RecordingServices services_;
  GeneralBook book_{BookFromLines(kRoundTripLines)};
  MoveList list_;
};

TEST_F(ZbkRoundTrip, OpeningWalkRebuildsTheLines) {
  std::vector<std::vector<std::pair<int, int>>> lines;
  book_.ForEachLine([&](const std::vector<std::pair<int, int>>& line) { lines.push_back(line); });
  ASSERT_EQ(lines.size(), kRoundTripLines.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], test::SquaresOfMoves(kRoundTripLines[i])) << i;
  EXPECT_FALSE(book_.WasCut());
  EXPECT_EQ(book_.ListingLength(), book_.Length());
  // The lowest counts at a line end: the promoting line leaves White 16 men and 7
  // pawns, Black 12 men and 6 pawns.
  EXPECT_EQ(book_.Minima(), (std::array<int16_t, 4>{16, 7, 12, 6}));
  EXPECT_TRUE(services_.calls.empty());
}

TEST_F(ZbkRoundTrip, StartPositionListsEachFirstMoveOnce) {
  EXPECT_EQ(book_.FindMoves(0, Position(), list_), 3);
  EXPECT_EQ(Pairs(list_), (std::vector{Sq("g1", "f3"), Sq("b1", "c3"), Sq("h2", "h4")}));
}

TEST_F(ZbkRoundTrip, TransposedPositionListsItsMoveTwice) {
  EXPECT_EQ(book_.FindMoves(0, AfterMoves("1. Nc3 Nc6 2. Nf3 Nf6"), list_), 2);
  EXPECT_EQ(Pairs(list_), (std::vector{Sq("e2", "e4"), Sq("e2", "e4")}));
  // The position after it lists both replies, each once.
  EXPECT_EQ(book_.FindMoves(0, AfterMoves("1. Nf3 Nf6 2. Nc3 Nc6 3. e4"), list_), 2);
  EXPECT_EQ(Pairs(list_), (std::vector{Sq("e7", "e5"), Sq("d7", "d5")}));
}

TEST_F(ZbkRoundTrip, PromotionGoesOnWithAQueen) {
  const Position before = AfterMoves("1. h4 g5 2. hxg5 h6 3. gxh6 Bg7 4. hxg7 Nf6");
  ASSERT_EQ(book_.FindMoves(0, before, list_), 1);
  EXPECT_EQ(Pairs(list_), (std::vector{Sq("g7", "h8")}));
  EXPECT_EQ(list_.At(0).promotion, kQueen);
  EXPECT_EQ(list_.At(0).kind, kMainBookMove);
  const Move chosen = book_.ChooseMove(before);
  EXPECT_EQ(chosen.promotion, kQueen);
  EXPECT_TRUE(chosen.kind & kPromotion);
  // Only a queen on h8 makes the book's next position.
  ASSERT_EQ(book_.FindMoves(0, AfterMoves("1. h4 g5 2. hxg5 h6 3. gxh6 Bg7 4. hxg7 Nf6 5. gxh8=Q+ Ng8"), list_), 1);
  EXPECT_EQ(Pairs(list_), (std::vector{Sq("h8", "h4")}));
  EXPECT_EQ(book_.FindMoves(0, AfterMoves("1. h4 g5 2. hxg5 h6 3. gxh6 Bg7 4. hxg7 Nf6 5. gxh8=R+ Ng8"), list_), 0);
}

TEST(ZbkProbe, ColourReversedLineAnswersForBlack) {
  test::RecordingServices services;
  GeneralBook book(BookFromLines({"1. e4 c5 2. Nf3 d6"}));
  MoveList list;
  // 1. c3 e5 2. c4 is 1. e4 c5 with colours exchanged and Black to move.
  const Position position = AfterMoves("1. c3 e5 2. c4");
  ASSERT_EQ(book.FindMoves(0, position, list), 1);
  EXPECT_EQ(Pairs(list), (std::vector{Sq("g8", "f6")}));
  const Move move = book.ChooseMoveForPlay(position);
  EXPECT_EQ(std::pair(int(move.from), int(move.to)), Sq("g8", "f6"));
  // One ply on: 2... Nf6 3. Nc3 mirrors 2. Nf3 Nc6; the book has d6 there, mirrored d3.
  EXPECT_EQ(book.FindMoves(0, AfterMoves("1. c3 e5 2. c4 Nf6"), list), 1);
  EXPECT_EQ(Pairs(list), (std::vector{Sq("d2", "d3")}));
}

TEST(ZbkProbe, MoveIllegalInTheProbedPositionIsNotEntered) {
  test::RecordingServices services;
  GeneralBook book(BookFromLines({"1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O"}));
  MoveList list;
  const char* book_fen = "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
  EXPECT_EQ(book.FindMoves(0, test::ParseFenForTest(book_fen), list), 1);
  // The same board without White's right to castle.
  EXPECT_EQ(book.FindMoves(0, test::ParseFenForTest("r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w kq - 4 4"), list), 0);
  // Colour-reversed with Black to move: castling is found for Black, but not when
  // the king would pass an attacked f8, nor without the right.
  const char* reversed = "rnbqk2r/pppp1ppp/5n2/2b1p3/2B1P3/2N5/PPPP1PPP/R1BQK1NR b KQkq - 4 4";
  EXPECT_EQ(book.FindMoves(0, test::ParseFenForTest(reversed), list), 1);
  EXPECT_EQ(Pairs(list), (std::vector{Sq("e8", "g8")}));
  EXPECT_EQ(book.FindMoves(0, test::ParseFenForTest("rnbqk2r/pppp1ppp/5n2/2b1p3/2B1P3/2N5/PPPP1PPP/R1BQK1NR b KQq - 4 4"), list), 0);
  // An en-passant capture of the book needs the right in the probed position.
  GeneralBook passant(BookFromLines({"1. e4 Nf6 2. e5 d5 3. exd6"}));
  EXPECT_EQ(passant.FindMoves(0, AfterMoves("1. e4 Nf6 2. e5 d5"), list), 1);
  EXPECT_EQ(passant.FindMoves(0, AfterMoves("1. e4 d5 2. e5 Nf6 3. Nf3 Nh5 4. Ng1 Nf6"), list), 0);
}

TEST(ZbkProbe, PositionsOffTheBookFindNothing) {
  test::RecordingServices services;
  GeneralBook book(BookFromLines(kRoundTripLines));
  MoveList list;
  for (const char* line : {"1. e4", "1. Nf3 Nf6 2. Nc3 Nc6 3. e4 e5 4. Bc4", "1. h4 h5"})
    EXPECT_EQ(book.FindMoves(0, AfterMoves(line), list), 0) << line;
  // Pruned and unpruned replays agree.
  for (const std::string& line : kRoundTripLines) {
    std::string prefix;
    std::istringstream in(line);
    for (std::string token; in >> token;) {
      prefix += token + " ";
      const Position p = AfterMoves(prefix);
      MoveList pruned, full;
      EXPECT_EQ(book.FindMoves(0, p, pruned), book.FindMovesUnpruned(p, full)) << prefix;
      EXPECT_EQ(Pairs(pruned), Pairs(full)) << prefix;
    }
  }
}

TEST(ZbkStyles, EachStyleKeepsItsClasses) {
  // At the start: e4 class 1, d4!? class 2, c4?! class 3, f4? class 4.
  struct Case {
    std::vector<std::string> lines;
    std::vector<int> tournament, general, gambit;  // classes kept, in list order
  };
  const Case cases[] = {
      {{"1. e4", "1. d4!?", "1. c4?!", "1. f4?"}, {1}, {1, 2, 3}, {3}},
      {{"1. d4!?"}, {}, {2}, {2}},
      {{"1. e4", "1. d4!?", "1. f4??"}, {1}, {1, 2}, {1, 2}},
      {{"1. c4?!", "1. e4"}, {1}, {3, 1}, {3}},
      {{"1. f4?"}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> bytes = BookFromLines(c.lines);
    const std::pair<BookStyle, const std::vector<int>*> styles[] = {
        {BookStyle::Tournament, &c.tournament}, {BookStyle::General, &c.general}, {BookStyle::Gambit, &c.gambit}};
    for (auto [style, expected] : styles) {
      MoveList list;
      const int16_t found = TournamentBook(bytes).FindMoves(0, Position(), list);
      EXPECT_EQ(found, static_cast<int16_t>(c.lines.size()));
      const int16_t n = FilterBookMoves(style, list, found);
      std::vector<int> kept;
      for (int i = 0; i < n; ++i) kept.push_back(list.At(i).kind);
      EXPECT_EQ(kept, *expected) << c.lines[0] << " style " << int(style);
    }
  }
  // Class 4 is found but never chosen by any style.
  const std::vector<uint8_t> bad = BookFromLines({"1. f4?"});
  EXPECT_TRUE(IsNoBookMove(TournamentBook(bad).ChooseMove(Position())));
  EXPECT_TRUE(IsNoBookMove(GeneralBook(bad).ChooseMoveForPlay(Position())));
  EXPECT_TRUE(IsNoBookMove(GambitBook(bad).ChooseMove(Position())));
  // The style objects filter as the table says.
  MoveList list;
  GambitBook gambit(BookFromLines({"1. e4", "1. d4!?"}));
  EXPECT_EQ(gambit.FilterMoves(list, gambit.FindMoves(0, Position(), list)), 2);
  EXPECT_EQ(gambit.GetKind(), kBookFileKind);
  EXPECT_EQ(gambit.AsTreeBook(), nullptr);
}

TEST(ZbkChoose, WeightsFallWithTheListOrder) {
  test::RecordingServices services;
  test::ScriptedRandom random;
  GeneralBook book(BookFromLines({"1. e4", "1. d4", "1. c4", "1. f4?"}));
  std::map<int, int> play, equal;
  for (uint32_t r = 0; r < 6; ++r) {
    random.values = {r};
    const Move m = book.ChooseMoveForPlay(Position());
    ++play[m.from];
  }
  for (uint32_t r = 0; r < 3; ++r) {
    random.values = {r};
    ++equal[book.ChooseMove(Position()).from];
  }
  const int e2 = Sq("e2", "e4").first, d2 = Sq("d2", "d4").first, c2 = Sq("c2", "c4").first;
  EXPECT_EQ(play, (std::map<int, int>{{e2, 3}, {d2, 2}, {c2, 1}}));
  EXPECT_EQ(equal, (std::map<int, int>{{e2, 1}, {d2, 1}, {c2, 1}}));
  // Nine choices, one probe: the position stayed the same.
  EXPECT_EQ(book.ProbeCount(), 1);
  EXPECT_EQ(book.CachedCount(), 3);
  book.ChooseMove(AfterMoves("1. e4"));
  EXPECT_EQ(book.ProbeCount(), 2);
  EXPECT_EQ(book.CachedCount(), 0);
  // A draw that would favour the low entries is drawn again.
  random.values = {0xFFFFFFFFu, 4};
  random.draws = 0;
  EXPECT_EQ(book.ChooseMoveForPlay(Position()).from, e2);  // 4 of 0..5 is entry 0
  EXPECT_EQ(random.draws, 2);
  // The cache key holds the castling rights and the en-passant file.
  Position noRights;
  noRights.castling = 0;
  book.ChooseMove(noRights);
  EXPECT_EQ(book.ProbeCount(), 4);
}

TEST(ZbkChoose, OneMoveNeedsNoDraw) {
  test::RecordingServices services;
  test::ScriptedRandom random;
  TournamentBook book(BookFromLines({"1. e4 e5", "1. d4!?"}));
  const Move m = book.ChooseMoveForPlay(Position());
  EXPECT_EQ(std::pair(int(m.from), int(m.to)), Sq("e2", "e4"));
  EXPECT_TRUE(m.complete);
  EXPECT_EQ(random.draws, 0);
}

class ZbkFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("zh-zbk-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const char* name) const { return (folder_ / name).string(); }

  test::RecordingServices services_;
  std::filesystem::path folder_;
};

TEST_F(ZbkFiles, ExtensionIsReplacedAndCaseIgnored) {
  test::WriteFileBytes(Path("BOOK.ZBK"), BookFromLines({"1. e4 e5"}));
  for (const char* name : {"BOOK.ZBK", "book.zbk", "Book.ctg", "book"}) {
    TournamentBook book(Path(name));
    EXPECT_EQ(book.Length(), 4u) << name;
    EXPECT_TRUE(!IsNoBookMove(book.ChooseMove(Position()))) << name;
  }
  EXPECT_EQ(ZbkFilePath(Path("x/y.bin")), Path("x/y.zbk"));
}

TEST_F(ZbkFiles, UnreadableFileGivesAnEmptyBookSilently) {
  std::filesystem::create_directories(Path("folder.zbk"));
  for (const char* name : {"missing.zbk", "folder.zbk"}) {
    GeneralBook book(Path(name));
    MoveList list;
    EXPECT_EQ(book.Length(), 0u) << name;
    EXPECT_EQ(book.FindMoves(0, Position(), list), 0) << name;
    EXPECT_TRUE(IsNoBookMove(book.ChooseMove(Position()))) << name;
  }
  EXPECT_TRUE(services_.calls.empty());
  // An odd final byte is ignored.
  std::vector<uint8_t> bytes = BookFromLines({"1. e4 e5"});
  bytes.push_back(0xFF);
  test::WriteFileBytes(Path("odd.zbk"), bytes);
  EXPECT_EQ(GeneralBook(Path("odd.zbk")).Length(), 4u);
}

TEST(ZbkDamage, BrokenListingsFindNothingAndStayInBounds) {
  test::RecordingServices services;
  // e2-e4 without its line end flag, and a record that names an empty square.
  const std::vector<std::vector<uint8_t>> files = {
      {}, {0x8C}, {12 | 0x40, 28, 52}, {12, 28, 52, 36, 11, 27}, {12 | 0x40, 28, 52 | 0x40, 36},
  };
  for (const auto& bytes : files) {
    GeneralBook book(bytes);
    MoveList list;
    EXPECT_EQ(book.FindMoves(0, Position(), list), 0) << bytes.size();
    EXPECT_TRUE(IsNoBookMove(book.ChooseMoveForPlay(Position())));
  }
  // Moves from empty squares and onto own pieces replay without harm.
  GeneralBook odd(std::vector<uint8_t>{40 | 0x40, 41, 0 | 0xC0, 8});
  MoveList list;
  EXPECT_EQ(odd.FindMoves(0, Position(), list), 0);  // a3-b6 is no legal move
}

TEST(ZbkDamage, OverlongLineCutsTheListing) {
  test::RecordingServices services;
  // 1. e4 e5 (an alternative follows at ply 0), then 1. Nf3 and 9,999 more knight
  // moves to and fro before the line's end.
  std::vector<uint8_t> bytes = {12, 28, 52 | 0xC0, 36};
  const uint8_t hops[4][2] = {{6, 21}, {62, 45}, {21, 6}, {45, 62}};  // g1f3 g8f6 f3g1 f6g8
  for (int i = 0; i < 10000; ++i) {
    bytes.push_back(hops[i % 4][0] | 0x40 | (i == 9999 ? 0x80 : 0));
    bytes.push_back(hops[i % 4][1]);
  }
  GeneralBook book(bytes);
  EXPECT_TRUE(book.WasCut());
  EXPECT_EQ(book.ListingLength(), 4u + 2 * kZbkMaxLine);
  EXPECT_EQ(services.calls.size(), 1u);
  ASSERT_FALSE(services.calls.empty());
  EXPECT_EQ(services.calls[0].rfind("Log: Book in memory cut at byte 262", 0), 0u) << services.calls[0];
  // Every fourth ply of the shuffle is the start again: e4 and 33 times Nf3 (plies
  // 0, 4, ..., 128) are found, and Nf6 at plies 1, 5, ..., 125; nothing past the cut.
  MoveList list;
  EXPECT_EQ(book.FindMoves(0, Position(), list), 34);
  EXPECT_EQ(book.FindMoves(0, AfterMoves("1. e4"), list), 1);
  EXPECT_EQ(book.FindMoves(0, AfterMoves("1. Nf3"), list), 32);
  EXPECT_EQ(services.calls.size(), 1u);  // the probes log nothing
}

TEST(ZbkDamage, RandomBytesNeverCrash) {
  test::RecordingServices services;
  std::mt19937 random(48);
  const Position probes[] = {Position(), AfterMoves("1. e4"), AfterMoves("1. d4 d5 2. c4")};
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bytes(random() % 600);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    GambitBook book(bytes);
    MoveList list;
    for (const Position& p : probes) {
      const int16_t n = book.FindMoves(0, p, list);
      ASSERT_EQ(n, list.Count());
      MoveList legal;
      legal.GenerateLegal(p);
      for (const MoveCode& m : list) EXPECT_TRUE(legal.Contains(Move::FromCode(m)));
      MoveList full;
      book.FindMovesUnpruned(p, full);
      EXPECT_EQ(Pairs(list), Pairs(full));
      book.ChooseMove(p);
    }
  }
}

}  // namespace
}  // namespace zh
