// A position block into the core: board transposition, castling and e.p. checks, the
// game moves, and the refusals.
#include "core_test_util.h"
#include "enginemodule/zelkohome2/core/engine.h"

namespace zh::zelko2::test {
namespace {

// A position block from FEN: file-major board with the program's piece codes.
eng::PositionBlock Block(const std::string& fen, uint8_t castling, uint8_t ep_file) {
  CorePosition c;
  EXPECT_TRUE(ParseFen(fen, c));
  constexpr uint8_t kProgram[7] = {0, 6, 3, 4, 5, 2, 1};  // engine code -> program code
  eng::PositionBlock b{};
  b.header.size = sizeof(b);
  for (int s = 0; s < 64; ++s) {
    int code = c.board[s];
    if (code) b.board[(s % 8) * 8 + s / 8] = static_cast<uint8_t>(kProgram[code & 7] | (code & 8));
  }
  b.side_to_move = c.side;
  b.castling = castling;
  b.en_passant_file = ep_file;
  return b;
}

// A game move: file-major squares.
eng::GameMove GameMove(const char* from, const char* to, uint8_t kind = 0, uint8_t promotion = 0) {
  auto square = [](const char* s) { return static_cast<uint8_t>((s[0] - 'a') * 8 + (s[1] - '1')); };
  return {square(from), square(to), kind, promotion};
}

TEST(Import, BoardSideCastlingAndEnPassant) {
  Engine engine;
  // All four rights asked, but the h8 rook is missing.
  eng::PositionBlock b = Block("r3k3/8/8/3pP3/8/8/8/R3K2R w - -", 15, 4);
  ASSERT_TRUE(engine.Import(b));
  EXPECT_EQ(ToFen(engine.position().Get()), "r3k3/8/8/3pP3/8/8/8/R3K2R w KQq d6");
  // An e.p. file without the pawn that just moved is dropped.
  b = Block("r3k3/8/8/3pP3/8/8/8/R3K2R w - -", 0, 3);
  ASSERT_TRUE(engine.Import(b));
  EXPECT_EQ(ToFen(engine.position().Get()), "r3k3/8/8/3pP3/8/8/8/R3K2R w - -");
  b.start_position = 1;  // the board is ignored
  ASSERT_TRUE(engine.Import(b));
  EXPECT_EQ(ToFen(engine.position().Get()), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  // A board the core cannot hold is refused.
  b = Block("4k3/8/8/8/8/8/8/4K3 w - -", 0, 0);
  b.board[0] = 7;
  EXPECT_FALSE(engine.Import(b));
}

TEST(Import, GameMovesAndRefusals) {
  Engine engine;
  eng::PositionBlock b{};
  b.start_position = 1;
  const eng::GameMove moves[] = {
      GameMove("e2", "e4", 0x20), GameMove("d7", "d5", 0x20), GameMove("e4", "e5"), GameMove("f7", "f5", 0x20),
      GameMove("e5", "f6", 0x10 | 0x80), GameMove("e8", "d7"), GameMove("f6", "g7", 0x80),
      GameMove("d7", "e8"), GameMove("g7", "h8", 0x40 | 0x80, 3),
  };
  std::copy(std::begin(moves), std::end(moves), b.moves);
  b.move_count = 9;
  ASSERT_TRUE(engine.Import(b));
  EXPECT_EQ(ToFen(engine.position().Get()), "rnbqkbnN/ppp1p2p/8/3p4/8/8/PPPP1PPP/RNBQKBNR b KQ -");
  EXPECT_EQ(engine.history_count(), 9);
  EXPECT_EQ(CoreFlags(engine.history_move(4)) & kFlagKindMask, kFlagEnPassant);
  EXPECT_EQ(CoreFlags(engine.history_move(8)) & kFlagKindMask, kFlagPromoKnight);
  EXPECT_EQ(engine.last_irreversible(), 9);

  // A refused move stops the import; the moves before it stay played.
  b.moves[2] = GameMove("e4", "e6");
  EXPECT_FALSE(engine.Import(b));
  EXPECT_EQ(engine.history_count(), 2);
  EXPECT_EQ(ToFen(engine.position().Get()), "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6");

  // The count is clamped: negative means none, more than 512 means 512.
  b.move_count = -4;
  ASSERT_TRUE(engine.Import(b));
  EXPECT_EQ(engine.history_count(), 0);
  eng::PositionBlock knights{};
  knights.start_position = 1;
  const eng::GameMove dance[4] = {GameMove("g1", "f3"), GameMove("g8", "f6"), GameMove("f3", "g1"),
                                  GameMove("f6", "g8")};
  for (int i = 0; i < eng::kMaxGameMoves; ++i) knights.moves[i] = dance[i % 4];
  knights.move_count = 30000;
  ASSERT_TRUE(engine.Import(knights));
  EXPECT_EQ(engine.history_count(), eng::kMaxGameMoves);
  EXPECT_EQ(engine.last_irreversible(), 0);
}

TEST(GameHistory, RefusedMoveLeavesHistoryAndPositionUnchanged) {
  Engine engine;
  engine.SetStartPosition();
  engine.RecordBase();
  engine.ClearHistory();
  ASSERT_TRUE(engine.PlayGameMove(MakeCoreMove(12, 28, 0, 0)));  // e2e4
  ASSERT_TRUE(engine.PlayGameMove(MakeCoreMove(59, 31, 0, 0)) == false);  // queen through pawns
  // A move that leaves the own king in check.
  CorePosition pinned;
  ASSERT_TRUE(ParseFen("4k3/8/8/8/4r3/8/4N3/4K3 w - -", pinned));
  ASSERT_TRUE(engine.SetPosition(pinned));
  engine.RecordBase();
  engine.ClearHistory();
  EXPECT_FALSE(engine.PlayGameMove(MakeCoreMove(12, 29, 0, 0)));  // Ne2-f4 leaves the king open
  EXPECT_EQ(engine.history_count(), 0);
  EXPECT_EQ(engine.position().Get(), pinned);
  ASSERT_TRUE(engine.PlayGameMove(MakeCoreMove(4, 3, 0, 0)));  // Ke1-d1
  ASSERT_TRUE(engine.TakeBackTo(0));
  EXPECT_EQ(engine.position().Get(), pinned);
}

TEST(RootMoves, AllLegalMovesOnce) {
  Engine engine;
  const struct {
    const char* fen;
    int count;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 20},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 48},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", 26},
      {"r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq -", 3},   // in check: no castling
      {"4k3/1P6/8/8/8/8/8/4K3 w - -", 9},          // one promotion per piece
      {"8/k7/8/8/3Pp3/8/8/6BK b - d3", 6},
  };
  for (const auto& c : cases) {
    CorePosition cp;
    ASSERT_TRUE(ParseFen(c.fen, cp));
    ASSERT_TRUE(engine.SetPosition(cp));
    EXPECT_EQ(engine.GenerateRootMoves(), c.count) << c.fen;
  }
  engine.root_move(0).score = 5;
  engine.root_move(1).score = 9;
  engine.root_move(2).score = 9;
  CoreMove second = engine.root_move(1).move;
  engine.SortRootMoves();
  EXPECT_EQ(engine.root_move(0).move, second);  // equal scores keep their order
  engine.ResetRootScores();
  EXPECT_EQ(engine.root_move(0).score, kNotSearched);
}

}  // namespace
}  // namespace zh::zelko2::test
