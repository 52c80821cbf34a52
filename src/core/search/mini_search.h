// The small built-in alpha-beta search: a score and a best move for a position to a
// fixed depth, on an 0x88 board of its own. One object holds all search state; the
// program reaches the shared instance only through MiniSearchLocked.
#pragma once

#include <cstdint>

namespace zh {

// What the search reads: a position's board in its own square order, the side to
// move, the en-passant file + 1 (0 none) and the castling rights.
struct MiniSearchInput {
  uint8_t board[64];
  uint8_t blackToMove;
  uint8_t epFile;
  uint8_t castling;
};

// The best move in the position's square order; promotion 0, or the piece code of
// the mover's colour. From = to = 0 when there is no move.
struct MiniSearchResult {
  uint8_t from = 0;
  uint8_t to = 0;
  uint8_t promotion = 0;
};

// Setup refusals, as bits of MiniSearch::SetupError.
enum MiniSetupError : int {
  kMiniPawnOnEdge = 4,
  kMiniWhitePawns = 8,
  kMiniBlackPawns = 16,
  kMiniWhiteMen = 32,
  kMiniBlackMen = 64,
  kMiniKings = 128,
  kMiniOpponentInCheck = 256,
};

inline constexpr int kMiniInfinity = 10001;
inline constexpr int kMiniMaxIteration = 16;

// The reported form of an internal score (side to move's view): +-1 becomes +-2,
// ordinary scores go from 110 to 100 per pawn, mate scores stay.
int MiniReportScore(int internal);

class MiniSearch {
 public:
  MiniSearch();
  // Searches to `depth` plies; answers the reported score, 0 with no move when the
  // position is refused.
  int Run(const MiniSearchInput& input, int depth, MiniSearchResult& result);

  // Setup bits of the last run (0 when accepted).
  int SetupError() const { return setupError_; }
  // The last iteration started by the last run, and its node count.
  int LastIteration() const { return lastIteration_; }
  uint64_t Nodes() const { return nodes_; }
  // The static evaluation of the input's position (white's view, internal units).
  int StaticEval(const MiniSearchInput& input);
  // The side to move mates within two moves by checks alone, whatever the replies: the
  // threat the null move looks for before passing. False for a refused position.
  bool MatesInTwoByChecks(const MiniSearchInput& input);

 private:
  struct Move {
    uint8_t from, to, flags, key;
  };
  struct Undo {
    uint8_t captured, capturedSquare, ep, castling;
  };

  int Setup(const MiniSearchInput& input);
  bool Attacked(int square, int byWhite) const;
  bool InCheck(int white) const;
  int Generate(int first, bool capturesOnly);
  void Make(const Move& m, Undo& u);
  void Unmake(const Move& m, const Undo& u);
  int Evaluate() const;
  int Search(int alpha, int beta, int depth6, int ply, bool nullAllowed, int lastTo);
  int Quiesce(int alpha, int beta, int ply, bool checks);
  // Piece material (no pawns, no king) of one side.
  int PieceMaterial(int white) const;
  // The side to move mates within `moves` moves by checks alone, whatever the replies.
  bool MatesByChecks(int moves, int ply);
  void Order(int first, int last, int ply, int lastTo);
  Move PickNext(int first, int last);

  static constexpr int kStackSize = 230 + 256;
  static constexpr int kMaxPly = 64;
  static constexpr int kMateThreatPly = 15;

  uint8_t board_[128];
  int whiteToMove_ = 1;
  int ep_ = -1;  // 0x88 square a pawn may take en passant onto, -1 none
  uint8_t castling_ = 0;
  int kings_[2] = {0, 0};  // [0] black, [1] white
  int material_[2] = {0, 0};
  Move stack_[kStackSize];
  int top_ = 0;
  Move killers_[kMaxPly + 1][2];
  uint16_t counter_[2][128];
  int plyLimit_ = 16;
  int setupError_ = 0;
  int lastIteration_ = 0;
  uint64_t nodes_ = 0;
};

// The frozen tables, summed for the golden test.
uint32_t MiniSearchTableChecksum();

}  // namespace zh
