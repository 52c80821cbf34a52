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
// Moves the shared move stack holds over all plies.
inline constexpr int kMiniMoveStack = 230;

// The reported form of an internal score (side to move's view): +-1 becomes +-2,
// ordinary scores go from 110 to 100 per pawn, mate scores stay.
int MiniReportScore(int internal);

// The parts of one static evaluation, white's view, internal units.
struct MiniEvalTerms {
  int material = 0;          // white's material less black's
  int squares = 0;           // square tables of the men (kings apart)
  int mobility = 0;          // the move generator's reach and attack terms, weighted
  int pawns = 0;             // pawn files, cover, backward and passed pawns, weighted
  int kings = 0;             // king tables
  int shield = 0;            // pawn shields, weighted
  int queenFlags = 0;        // the queens' early-leave cost
  int backward[2] = {0, 0};  // backward pawns of black [0] and white [1]
  int passed = 0;            // passed-pawn values with their modifiers, unweighted
  bool endgame = false;
  bool middleGameTerms = false;  // the sum lay near the window
  int sum = 0;
};

class MiniSearch {
 public:
  MiniSearch();
  // Searches to `depth` plies; answers the reported score, 0 with no move when the
  // position is refused.
  int Run(const MiniSearchInput& input, int depth, MiniSearchResult& result);

  // Setup bits of the last run (0 when accepted).
  int SetupError() const { return setupError_; }
  // The last iteration started by the last run, its node count, and the most moves
  // the move stack held at once.
  int LastIteration() const { return lastIteration_; }
  uint64_t Nodes() const { return nodes_; }
  int PeakStack() const { return peakStack_; }
  // The static evaluation of the input's position (white's view, internal units) as
  // the root prepares it, the middle-game terms applied only when the sum lies within
  // 150 of the window (alpha, beta) in white's view. 0 for a refused position.
  int StaticEval(const MiniSearchInput& input, int alpha = -kMiniInfinity, int beta = kMiniInfinity,
                 MiniEvalTerms* terms = nullptr);
  // The same for `position` with the tables and flags the root prepares for `root`, as
  // a search from `root` meets it.
  int StaticEvalFrom(const MiniSearchInput& root, const MiniSearchInput& position, int alpha,
                     int beta, MiniEvalTerms* terms = nullptr);
  // The side to move mates within two moves by checks alone, whatever the replies: the
  // threat the null move looks for before passing. False for a refused position.
  bool MatesInTwoByChecks(const MiniSearchInput& input);

 private:
  struct Move {
    uint8_t from, to, flags, key;
  };
  struct Undo {
    uint8_t captured, capturedSquare, capturedIndex, ep, castling, moved;
    int16_t squares[2];
    int16_t pawnMaterial[2], pieceMaterial[2];
  };
  // What a ply keeps: the mobility sums the last generation of each side left, the
  // killers (previous best, first, second), how the move into the ply was made.
  struct Ply {
    int16_t mobility[2];
    Move killers[3];
    Move mateMove;
    int16_t capturedValue;  // the man the move into this ply took, -1 none
    bool inCheck;           // the move into this ply gave check
    bool afterNull;
    bool pawnExtended;  // the move into this ply was a pawn move that was extended
    int lastTo;         // to-square of the move into this ply, -1 none
  };

  int Setup(const MiniSearchInput& input);
  void PrepareRoot();
  void PrepareTables();
  void PrepareSums();
  bool Attacked(int square, int byWhite) const;
  bool InCheck(int white) const;
  bool CoveredByPawn(int square, int white) const;
  // Generates the side to move's moves from `first` (captures and queen promotions
  // only when `capturesOnly`), keys them and leaves the side's mobility in `ply`.
  int Generate(int first, bool capturesOnly, int ply);
  bool Possible(const Move& m) const;
  bool Make(const Move& m, Undo& u);
  void Unmake(const Move& m, const Undo& u);
  void MovePiece(int from, int to);
  void RemovePiece(int square, int white, Undo& u);
  int PawnEval(MiniEvalTerms* terms = nullptr);
  int Evaluate(int alpha, int beta, int ply, MiniEvalTerms* terms = nullptr);
  int EvalForMover(int alpha, int beta, int ply);
  int Search(int alpha, int beta, int depth6, int ply);
  int Quiesce(int alpha, int beta, int ply, bool checks);
  int Extension(const Move& m, int ply, uint8_t mover, int capturedValue, bool givesCheck);
  bool MatesByChecks(int moves, int ply);
  void StoreBest(const Move& m, int ply, bool nullWindow);
  uint8_t Key(int from, int to, uint8_t flags, int ply) const;
  Move PickNext(int first, int last);

  static constexpr int kStackSize = kMiniMoveStack;
  static constexpr int kMaxPly = 64;
  static constexpr int kMateThreatPly = 15;

  uint8_t board_[128];
  uint8_t index_[128];   // square to its entry in the side's piece list
  uint8_t list_[2][16];  // [0] black, [1] white; pawns from the front, king last
  int whiteToMove_ = 1;
  int ep_ = -1;  // 0x88 square a pawn may take en passant onto, -1 none
  uint8_t castling_ = 0;
  int16_t squares_[2] = {0, 0};  // square-table sums
  int16_t pawnMaterial_[2] = {0, 0};
  int16_t pieceMaterial_[2] = {0, 0};  // no pawns, no king
  // Square tables prepared at the root: [internal code][0x88 square].
  int16_t table_[13][128];
  uint8_t reach_[2][128];  // mobility values of the squares for each side's men
  uint8_t passed_[128];    // the pawn evaluation marked the pawn on the square passed
  uint8_t weak_[128];      // ... backward or isolated
  bool queenFlag_[2] = {false, false};
  int pawnFactor_ = 8;
  Move stack_[kStackSize];
  int top_ = 0;
  bool overflow_ = false;
  Ply plies_[kMaxPly + 2];
  uint16_t counter_[2][128];
  int plyLimit_ = 16;
  int rootPly_ = 0;
  int setupError_ = 0;
  int lastIteration_ = 0;
  int peakStack_ = 0;
  uint64_t nodes_ = 0;
  int mobilityRaw_ = 0;  // raw mobility of the generation under way
};

// The frozen tables, summed for the golden test.
uint32_t MiniSearchTableChecksum();

}  // namespace zh
