#include "engines/game/game_end_tester.h"

#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"

namespace zh {

namespace {


int TypeOf(uint8_t piece) { return piece & 7; }

}  // namespace

bool IsInsufficientMaterial(const Board& board) {
  int count[8] = {};
  int white = 0, black = 0;  // bishop square colours: bit 0 dark (a1), bit 1 light
  for (int square = 0; square < 64; ++square) {
    const uint8_t piece = board.squares[square];
    if (piece == 0) continue;
    const int type = TypeOf(piece);
    ++count[type];
    if (type == kBishop) {
      const int colour = ((square >> 3) + (square & 7)) & 1;
      ((piece & kBlackBit) ? black : white) |= colour ? 2 : 1;
    }
  }
  if (count[kQueen] || count[kRook] || count[kPawn]) return false;
  if (count[kBishop] == 0 && count[kKnight] <= 1) return true;
  if (count[kKnight] == 0 && count[kBishop] <= 1) return true;
  return count[kKnight] == 0 && white < 3 && black < 3 && (white == 0 || black == 0 || white == black);
}

uint8_t EffectiveEnPassantFile(const Position& position) {
  const int file = position.epFile - 1;
  if (file < 0 || file > 7) return 0;
  // The double-stepped pawn stands on rank 5 when white is to move, else on rank 4.
  const bool whiteToMove = position.side != 1;
  const int rank = whiteToMove ? 4 : 3;
  const uint8_t capturer = whiteToMove ? kPawn : kPawn | kBlackBit;
  for (int beside : {file - 1, file + 1}) {
    if (beside >= 0 && beside < 8 && position.board.squares[beside * 8 + rank] == capturer)
      return position.epFile;
  }
  return 0;
}

GameEndTester::GameEndTester() = default;
GameEndTester::~GameEndTester() = default;

int GameEndTester::Test(const GameCursor& cursor) {
  if (cursor.Ply() >= kGamePlyLimit) return kGameTooLong;
  if (!scratch_) scratch_ = std::make_unique<GameCursor>();
  const Position& position = cursor.GetPosition();
  if (!position.HasLegalMoves()) return position.IsInCheck() ? kGameMate : kGameStalemate;
  if (IsInsufficientMaterial(position.board)) return kGameNoMaterial;
  if (cursor.Ply() <= 5) return kGameGoesOn;
  return TestRepetition(cursor);
}

int GameEndTester::TestRepetition(const GameCursor& cursor) {
  GameCursor& scratch = *scratch_;
  scratch.Assign(cursor);
  const Position& now = cursor.GetPosition();
  const uint8_t nowEp = EffectiveEnPassantFile(now);
  const int limit = cursor.Ply() - 100;
  int count = 1;
  int ply = cursor.Ply();

  // One ply back: answers a code when the walk ends, -1 to go on.
  auto stepBack = [&]() -> int {
    --ply;
    const GameMove& move = *scratch.GetMove(ply);
    if (move.kind != kNoMoveKind && (move.kind & (kCapture | kEnPassant | kPromotion)))
      return kGameGoesOn;
    if (TypeOf(scratch.GetPosition().board.squares[move.to]) == kPawn) return kGameGoesOn;
    if (ply <= limit) return kGameHundredPlies;
    scratch.Back(false);
    return -1;
  };

  // `back` follows the scratch cursor as it walks.
  const Position& back = scratch.GetPosition();
  while (ply > 0) {
    if (int code = stepBack(); code >= 0) return code;
    if (ply == 0) break;
    if (count > 0 && back.castling != now.castling) {
      count = 0;
      if (limit <= 0) return kGameGoesOn;
    }
    if (int code = stepBack(); code >= 0) return code;
    if (count == 0) continue;
    if (back.castling != now.castling) {
      count = 0;
      if (limit <= 0) return kGameGoesOn;
      continue;
    }
    if (back.board.DiffersFrom(now.board)) continue;
    // Double steps that no pawn could take leave the same position.
    if (EffectiveEnPassantFile(back) != nowEp) continue;
    if (++count == 3) return kGameRepetition;
  }
  return kGameGoesOn;
}

}  // namespace zh
