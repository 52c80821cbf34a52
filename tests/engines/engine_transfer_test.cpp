// The game an engine object hands to its engine: stockfish, given the moves of the
// request block from the start position, must see the position of our cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "engines/chess_engine.h"
#include "support/recording_services.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

std::string FirstFourFields(const std::string& fen) {
  std::istringstream in(fen);
  std::string field, out;
  for (int i = 0; i < 4 && in >> field; ++i) out += (i ? " " : "") + field;
  return out;
}

// Our FEN's first four fields; the en-passant square only where a pawn stands to take
// (pinned or not), as stockfish writes it.
std::string OurFields(const Position& position) {
  std::istringstream in(test::FenForTest(position));
  std::string board, side, rights, ep;
  in >> board >> side >> rights >> ep;
  MoveList pseudoLegal;
  pseudoLegal.Generate(position);
  if (std::none_of(pseudoLegal.begin(), pseudoLegal.end(), [](const MoveCode& m) { return (m.kind & kEnPassant) != 0; }))
    ep = "-";
  return board + " " + side + " " + rights + " " + ep;
}

// A random legal move, taking castling, en passant and promotions whenever they come.
MoveCode PickMove(const Position& position, std::mt19937& random) {
  MoveList legal;
  legal.GenerateLegal(position);
  std::vector<MoveCode> special, captures;
  for (const MoveCode& m : legal) {
    if (m.kind & (kCastleBits | kEnPassant | kPromotion)) special.push_back(m);
    if (m.kind & kCapture) captures.push_back(m);
  }
  auto any = [&](const std::vector<MoveCode>& from) { return from[random() % from.size()]; };
  MoveCode move = !special.empty() ? any(special)
                  : !captures.empty() && random() % 3 == 0 ? any(captures)
                                                             : legal.At(static_cast<int>(random() % legal.Count()));
  if (move.kind & kPromotion) move.promotion = static_cast<uint8_t>(kQueen + random() % 4);
  return move;
}

TEST(EngineTransfer, StockfishSeesTheCursorsPositionAtEveryPly) {
  test::UciEngine stockfish;
  if (!stockfish.IsRunning()) GTEST_SKIP() << "stockfish is missing";
  test::RecordingServices services;
  std::mt19937 random(300);
  ChessEngine engine;
  int castlings = 0, enPassants = 0, promotions = 0;
  for (int g = 0; g < 300; ++g) {
    TQGame game;
    GameCursor cursor(&game);
    const int length = 20 + static_cast<int>(random() % 100);
    for (int ply = 0;; ++ply) {
      engine.SetGame(cursor);
      const eng::PositionBlock& b = engine.Block();
      ASSERT_EQ(b.move_count, ply);
      ASSERT_EQ(b.start_position, 1);
      std::string line = "position startpos";
      if (b.move_count > 0) line += " moves";
      for (int i = 0; i < b.move_count; ++i) {
        const eng::GameMove& m = b.moves[i];
        line += " " + test::UciMove(MoveCode(m.from, m.to, m.kind, m.promotion));
      }
      stockfish.Send(line);
      const auto fen = stockfish.Fen();
      ASSERT_TRUE(fen.has_value());
      ASSERT_EQ(FirstFourFields(*fen), OurFields(cursor.GetPosition()))
          << "game " << g << " ply " << ply << "\n" << line;

      const Position& position = cursor.GetPosition();
      if (ply == length || !position.HasLegalMoves()) break;
      const MoveCode move = PickMove(position, random);
      castlings += (move.kind & kCastleBits) != 0;
      enPassants += (move.kind & kEnPassant) != 0;
      promotions += (move.kind & kPromotion) != 0;
      ASSERT_EQ(cursor.AddMove(move.from, move.to, move.promotion, 0), 0);
    }
  }
  EXPECT_GT(castlings, 50);
  EXPECT_GT(enPassants, 20);
  EXPECT_GT(promotions, 20);
}

// Knights to and fro: a game as long as needed.
void PlayShuffle(GameCursor& cursor, int plies) {
  static constexpr int kMoves[4][2] = {{6 * 8 + 0, 5 * 8 + 2}, {6 * 8 + 7, 5 * 8 + 5}, {5 * 8 + 2, 6 * 8 + 0},
                                       {5 * 8 + 5, 6 * 8 + 7}};
  for (int p = 0; p < plies; ++p) ASSERT_EQ(cursor.AddMove(kMoves[p % 4][0], kMoves[p % 4][1], 0, 0), 0) << p;
}

TEST(EngineTransfer, From512PliesTheEngineGetsTheBarePosition) {
  test::RecordingServices services;
  TQGame game;
  GameCursor cursor(&game);
  PlayShuffle(cursor, 520);
  ChessEngine engine;
  for (int ply : {511, 512, 519}) {
    cursor.GoToPly(ply);
    engine.SetGame(cursor);
    const eng::PositionBlock& b = engine.Block();
    EXPECT_EQ(b.move_count, ply < 512 ? ply : 0) << ply;
    if (ply >= 512) {
      EXPECT_EQ(b.start_position, 0);
      EXPECT_EQ(std::memcmp(b.board, cursor.GetPosition().board.squares, 64), 0);
      EXPECT_EQ(engine.Ply, -1);
    }
  }
}

// Pondering from ply 511 appends the engine's move and the expected reply: the request
// never holds more than 512 moves and always ends in the current position.
TEST(EngineTransfer, PonderingNearThe512thMoveRewritesTheBarePosition) {
  test::RecordingServices services;
  TQGame game;
  GameCursor cursor(&game);
  PlayShuffle(cursor, 511);
  ChessEngine engine;
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(cursor);
  ASSERT_EQ(engine.Block().move_count, 511);
  engine.LastMove = Move::FromSquares(5 * 8 + 5, 6 * 8 + 7);      // black: Nf6-g8
  engine.ExpectedMove = Move::FromSquares(6 * 8 + 0, 5 * 8 + 2);  // white: Ng1-f3
  engine.StartPonder();
  const eng::PositionBlock& b = engine.Block();
  ASSERT_EQ(b.start_position, 0);
  ASSERT_EQ(b.move_count, 1);
  Position replay;
  Board board;
  std::memcpy(board.squares, b.board, 64);
  replay.Set(board, b.side_to_move, b.en_passant_file, b.castling);
  EXPECT_EQ(replay.side, 0u);
  replay.MakeMoveSquares(b.moves[0].from, b.moves[0].to, 0);
  EXPECT_EQ(std::memcmp(replay.board.squares, engine.EnginePosition.board.squares, 64), 0);
  EXPECT_EQ(engine.Ply, 513);
}

}  // namespace
}  // namespace zh
