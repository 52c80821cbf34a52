// Position text, moves, scores and the multi-line table of the Pelta B22 adapter.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "enginemodule/pelta/line_table.h"
#include "enginemodule/pelta/translate.h"
#include "enginemodule/zelkohome2/core/engine.h"
#include "enginemodule/zelkohome2/core/perft.h"
#include "support/uci_engine.h"

namespace zh::pelta {
namespace {

// A block from a FEN-like board text (ranks 8..1) with the given side, e.p. file and castling bits.
eng::PositionBlock Block(const char* board, int side, int ep_file, int castling) {
  static constexpr char kLetters[] = "XKQNBRPYxkqnbrpy";
  eng::PositionBlock block{};
  int rank = 7, file = 0;
  for (const char* c = board; *c; ++c) {
    if (*c == '/') {
      --rank;
      file = 0;
    } else if (*c >= '1' && *c <= '8') {
      file += *c - '0';
    } else {
      block.board[file * 8 + rank] = static_cast<uint8_t>(std::string_view(kLetters).find(*c));
      ++file;
    }
  }
  block.side_to_move = static_cast<uint8_t>(side);
  block.en_passant_file = static_cast<uint8_t>(ep_file);
  block.castling = static_cast<uint8_t>(castling);
  return block;
}

TEST(PeltaTranslate, FenText) {
  const struct {
    const char* board;
    int side, ep, castling;
    const char* fen;
    int kept_ep;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", 0, 0, 15, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0},
      {"4k2r/8/8/8/8/8/8/R3K3", 1, 0, 1 | 8, "4k2r/8/8/8/8/8/8/R3K3 b Qk -", 0},
      // White to move after e7e5 without a white pawn beside it: the e.p. file goes.
      {"4k3/8/8/4p3/8/8/8/4K3", 0, 5, 0, "4k3/8/8/4p3/8/8/8/4K3 w - -", 0},
      {"4k3/8/8/3Pp3/8/8/8/4K3", 0, 5, 0, "4k3/8/8/3Pp3/8/8/8/4K3 w - e6", 5},
      {"4k3/8/8/4pP2/8/8/8/4K3", 0, 5, 0, "4k3/8/8/4pP2/8/8/8/4K3 w - e6", 5},
      // Black to move after a2a4 with a black pawn on b4.
      {"4k3/8/8/8/Pp6/8/8/4K3", 1, 1, 0, "4k3/8/8/8/Pp6/8/8/4K3 b - a3", 1},
      // A pawn of the side to move two files away, or the wrong pawn on the file.
      {"4k3/8/8/8/P1p5/8/8/4K3", 1, 1, 0, "4k3/8/8/8/P1p5/8/8/4K3 b - -", 0},
      {"4k3/8/8/8/pp6/8/8/4K3", 1, 1, 0, "4k3/8/8/8/pp6/8/8/4K3 b - -", 0},
      {"4k3/8/8/8/8/8/8/4K3", 0, 9, 0, "4k3/8/8/8/8/8/8/4K3 w - -", 0},
  };
  for (const auto& c : cases) {
    eng::PositionBlock block = Block(c.board, c.side, c.ep, c.castling);
    EXPECT_EQ(FenText(block), c.fen);
    EXPECT_EQ(KeptEnPassantFile(block), c.kept_ep) << c.fen;
  }
}

TEST(PeltaTranslate, BoardAndSideBytesAreChecked) {
  eng::PositionBlock block = Block("4k3/8/8/8/8/8/8/4K3", 0, 0, 0);
  EXPECT_TRUE(IsValidBoard(block));
  for (uint8_t bad : {7, 8, 15, 16, 255}) {
    eng::PositionBlock b = block;
    b.board[20] = bad;
    EXPECT_FALSE(IsValidBoard(b)) << int(bad);
  }
  block.side_to_move = 2;
  EXPECT_FALSE(IsValidBoard(block));
}

TEST(PeltaTranslate, SquaresAndMovesBothWays) {
  for (int s = 0; s < 64; ++s) {
    EXPECT_EQ(SwapSquare(SwapSquare(s)), s);
    EXPECT_EQ(SwapSquare(s), (s % 8) * 8 + s / 8);  // file-major b1 = 8 is rank-major 1
  }
  // e7e8=N as a game move (file-major e7 = 38, e8 = 39).
  PeltaMove m = ToLibraryMove({38, 39, eng::kGameMovePromotion | eng::kGameMoveCapture, 3});
  EXPECT_EQ(m.from, 52);
  EXPECT_EQ(m.to, 60);
  EXPECT_EQ(m.promotion, 'N');
  EXPECT_EQ(ToLibraryMove({12, 13, 0, 2}).promotion, 0);  // no promotion flag, no letter
  eng::ReportMove r{};
  ASSERT_TRUE(ToReportMove({52, 60, 'R'}, r));
  EXPECT_EQ(r.from, 38);
  EXPECT_EQ(r.to, 39);
  EXPECT_EQ(r.promotion, 5);
}

TEST(PeltaTranslate, LinesAreCutAtBadMovesAndAt31) {
  std::vector<PeltaMove> line(40, PeltaMove{12, 28, 0});
  eng::ReportMove out[32];
  EXPECT_EQ(CopyLine(line.data(), 40, out), 31);
  EXPECT_EQ(CopyLine(line.data(), 5, out), 5);
  EXPECT_EQ(CopyLine(nullptr, 5, out), 0);
  EXPECT_EQ(CopyLine(line.data(), -3, out), 0);
  line[3] = {64, 0, 0};
  EXPECT_EQ(CopyLine(line.data(), 10, out), 3);
  line[3] = {-1, 0, 0};
  EXPECT_EQ(CopyLine(line.data(), 10, out), 3);
  line[3] = {12, 28, 'K'};
  EXPECT_EQ(CopyLine(line.data(), 10, out), 3);
}

TEST(PeltaTranslate, Scores) {
  const struct {
    int32_t raw;
    int16_t value, type;
  } cases[] = {
      {0, 0, 1},         {-150, -150, 1},   {9698, 9698, 1},   {-9698, -9698, 1},
      {9699, 150, 2},    {9999 - 2, 1, 2},  {9999 - 6, 3, 2},  {-(9999 - 6), -3, 2},
      {-(9999 - 2), -1, 2}, {9999, 0, 2},   {-9999, 0, 2},     {10000, 0, 2},
      {-12000, 0, 2},
  };
  for (const auto& c : cases) {
    ReportScore s = ConvertScore(c.raw);
    EXPECT_EQ(s.value, c.value) << c.raw;
    EXPECT_EQ(s.type, c.type) << c.raw;
  }
}

AdapterLine Line(uint8_t from, uint8_t to, int depth, int raw) {
  AdapterLine line;
  line.count = 1;
  line.moves[0] = {from, to, 0, 0};
  line.depth = depth;
  line.raw_score = raw;
  line.score = ConvertScore(raw);
  return line;
}

std::vector<int> Froms(const eng::MainLineBlock& block) {
  std::vector<int> froms;
  for (int i = 0; i < block.line_count; ++i) froms.push_back(block.lines[i][0].from);
  return froms;
}

TEST(PeltaTranslate, MultiLineTableOrder) {
  LineTable table;
  auto block = std::make_unique<eng::MainLineBlock>();
  EXPECT_TRUE(table.Add(Line(1, 2, 3, 50), 3));
  EXPECT_TRUE(table.Add(Line(3, 4, 3, 80), 3));   // better: goes first
  EXPECT_TRUE(table.Add(Line(5, 6, 3, 10), 3));
  EXPECT_FALSE(table.Add(Line(7, 8, 3, 5), 3));   // would be fourth of three wanted
  table.Fill(*block, 3, 3);
  EXPECT_EQ(Froms(*block), (std::vector<int>{3, 1, 5}));
  // Depth 4: the same first move replaces its old entry; lines found at depth 4 come first.
  EXPECT_TRUE(table.Add(Line(5, 6, 4, 20), 3));
  EXPECT_EQ(table.count(), 3);
  table.Fill(*block, 4, 3);
  EXPECT_EQ(Froms(*block), (std::vector<int>{5, 3, 1}));
  EXPECT_EQ(block->line_length, 1);
  EXPECT_EQ(block->line[0].from, 5);
  EXPECT_EQ(block->score_value, 20);
  // A line that no longer makes the table still removes its old entry.
  EXPECT_TRUE(table.Add(Line(3, 4, 4, -500), 1));
  table.Fill(*block, 4, 3);
  EXPECT_EQ(Froms(*block), (std::vector<int>{5, 1}));
  // 64 entries at most: the last one drops out.
  LineTable full;
  for (int i = 0; i < 70; ++i) full.Add(Line(static_cast<uint8_t>(i), 0, 1, 1000 - i), 64);
  EXPECT_EQ(full.count(), 64);
  EXPECT_TRUE(full.Add(Line(200, 0, 2, 0), 64));
  EXPECT_EQ(full.count(), 64);
  EXPECT_EQ(full.line(0).moves[0].from, 200);
  EXPECT_EQ(full.line(63).moves[0].from, 62);
}

// The position block of the core's position after `last`, as the program sends it.
eng::PositionBlock BlockOf(const zelko2::CorePosition& p, const zelko2::Move& last) {
  eng::PositionBlock block{};
  for (int s = 0; s < 64; ++s) {
    int code = p.board[s];
    static constexpr uint8_t kToBlock[] = {0, 6, 3, 4, 5, 2, 1};  // core P N B R Q K
    if (code) block.board[(s % 8) * 8 + s / 8] = static_cast<uint8_t>(kToBlock[code & 7] | (code & 8));
  }
  block.side_to_move = p.side;
  if ((last.flags & zelko2::kFlagKindMask) == zelko2::kFlagDoubleStep)
    block.en_passant_file = static_cast<uint8_t>(zelko2::FileOf(last.to) + 1);
  block.castling = static_cast<uint8_t>(((p.castling & zelko2::kWhiteLong) ? 1 : 0) |
                                        ((p.castling & zelko2::kWhiteShort) ? 2 : 0) |
                                        ((p.castling & zelko2::kBlackLong) ? 4 : 0) |
                                        ((p.castling & zelko2::kBlackShort) ? 8 : 0));
  return block;
}

// Along seeded random games the text equals the first four fields of the reference
// engine's FEN (which also keeps an e.p. square only beside a pawn that can take).
TEST(PeltaTranslate, FenAgreesWithReferenceEngine) {
  test::UciEngine reference;
  ASSERT_TRUE(reference.IsRunning());
  std::mt19937 random(20261210);
  int compared = 0, with_ep = 0;
  for (int game = 0; game < 20; ++game) {
    zelko2::Position position;
    position.Set(zelko2::Engine::StartPosition());
    std::string moves;
    for (int ply = 0; ply < 120; ++ply) {
      std::vector<zelko2::Move> legal;
      zelko2::ForEachLegalMove(position, [&](const zelko2::Move& m) { legal.push_back(m); });
      if (legal.empty()) break;
      // Often prefer a double step beside an enemy pawn, so that e.p. fields come up.
      zelko2::Move m = legal[random() % legal.size()];
      for (const zelko2::Move& d : legal) {
        if ((d.flags & zelko2::kFlagKindMask) != zelko2::kFlagDoubleStep || random() % 2) continue;
        for (int side_step : {-1, 1}) {
          zelko2::Square beside = d.to + side_step;
          zelko2::Handle h = zelko2::OnBoard(beside) ? position.board(beside) : 0;
          if (h > 0 && zelko2::TypeOf(position.code(h)) == zelko2::kTypePawn &&
              zelko2::SideOf(h) != position.side())
            m = d;
        }
      }
      moves += " " + zelko2::MoveText(m);
      position.MakeMove(m.from, m.to, m.flags);
      zelko2::CorePosition now = position.Get();
      position.Set(now);
      eng::PositionBlock block = BlockOf(now, m);
      std::string ours = FenText(block);
      reference.Send("position startpos moves" + moves);
      reference.Send("d");
      auto lines = reference.ReadUntil("Fen:", std::chrono::seconds(10));
      ASSERT_TRUE(lines.has_value());
      std::istringstream fen(lines->back().substr(5));
      std::string f[4];
      fen >> f[0] >> f[1] >> f[2] >> f[3];
      ASSERT_EQ(ours, f[0] + " " + f[1] + " " + f[2] + " " + f[3]) << "after" << moves;
      ++compared;
      if (f[3] != "-") ++with_ep;
    }
  }
  EXPECT_GT(compared, 500);
  EXPECT_GT(with_ep, 8);
}

}  // namespace
}  // namespace zh::pelta
