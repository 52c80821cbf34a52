// The core position: a 0x88 board of words that hold piece handles, per-piece tables
// indexed by handle, and the stack of ply records. MakeMove builds the next record
// (key, signature, evaluation frame, check information); UnmakeMove restores the
// board alone.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "enginemodule/zelkohome2/core/file_score_cache.h"
#include "enginemodule/zelkohome2/core/tables.h"
#include "enginemodule/zelkohome2/core/types.h"

namespace zh::zelko2 {

constexpr int kMaxPly = 80;         // plies below the root
constexpr int kPlyRecords = kMaxPly + 1;
constexpr uint8_t kDoubleCheck = 0xFF;

// Per-piece move routines, chosen by piece code and replaced by search variants.
enum Routine : uint8_t {
  kRoutineNone,
  kRoutineWhitePawn,
  kRoutineBlackPawn,
  kRoutineKnight,
  kRoutineBishop,
  kRoutineRook,
  kRoutineQueen,
  kRoutineKing,
  kRoutineKingNoCastling,
};

struct PlyRecord {
  Square from = 0;  // the move that led here (equal squares for a null move)
  Square to = 0;
  Handle captured = 0;
  uint8_t check = 0;  // 0, the kind bits of the check, or kDoubleCheck
  uint8_t flags = 0;
  uint8_t depth = 0;
  uint8_t castling = 0;
  int32_t eval = 0;  // from the view of the side that made the move
  uint32_t signature = 0;
  Square check_square = kNoSquare;
  uint64_t key = 0;
  std::array<int8_t, 8> file_scores{};
  // Fields of the search.
  Square best_from = 0;
  Square best_to = 0;
  int32_t alpha = 0;
  int32_t best = 0;
  Square tt_from = 0;
  Square tt_to = 0;
  Square killer_from = 0;
  Square killer_to = 0;
  uint32_t encoded_best = 0;
  int32_t static_value = 0;
};

// Values of the evaluation terms that the root preparation sets for a run. Square
// tables are per colour in the owner's view (rank-mirrored for black), in engine units.
struct EvalSetup {
  using SquareValues = std::array<std::array<int16_t, 64>, 2>;
  SquareValues outpost{};       // knight outpost
  SquareValues block_lower{};   // own pawn before a bishop, diagonal towards lower files
  SquareValues block_higher{};  // the same towards higher files
  SquareValues phalanx{};       // two own pawns side by side, by the left one
  std::array<std::array<int16_t, 8>, 2> pawn_move{};  // gained by a pawn leaving the file
  // N[f] by side: a file without own pawns, the shield row chosen by the king's wing.
  std::array<std::array<int8_t, 8>, 2> no_pawn_file = {{{-1, 0, 0, 0, 0, 0, 0, -1}, {-1, 0, 0, 0, 0, 0, 0, -1}}};
  int32_t queen_file = 0;  // queen on a file without enemy pawns
  int32_t king_move = 0;   // every king move
  std::array<bool, 2> knight_c3 = {true, true};     // the knight's c3 test is needed
  std::array<bool, 2> bishop_d3e3 = {true, true};   // the bishop's d3/e3 test is needed
  // The terms whose value depends on the order of the moves that led to a position
  // (tempo-like move bonuses, terms reading squares nobody tells about). Off, the
  // incremental value equals PlacementValue plus the pawn files, and every piece
  // marks its own file for the pawn structure.
  bool order_terms = true;
};

// Bytes of TypeFileMasks per code row: two margin bytes on each side of the 8 files.
constexpr int kMaskMargin = 2;
constexpr int kMaskBytes = 8 + 2 * kMaskMargin;

class Position {
 public:
  Position();

  // Takes a position; false (and the position unchanged) for a board that the core
  // cannot hold: more than 16 pieces or not exactly one king a side, an unknown code,
  // a pawn on the first or last rank, a bad side or e.p. byte.
  bool Set(const CorePosition& position);
  // The position at the current ply.
  CorePosition Get() const;

  // Makes a pseudo-legal move into the next record; returns the static value.
  int32_t MakeMove(Square from, Square to, int flags);
  void UnmakeMove();
  // The side to move passes: the next record holds the same pieces with equal from
  // and to squares; the passer's evaluation loses the tempo and the given offset.
  void MakeNullMove(int32_t offset);
  void UnmakeNullMove();
  // Fast test after MakeMove for a side that was not in check: own king left attacked.
  bool LeavesOwnKingAttacked() const;
  // Full test after MakeMove: own king attacked in the new position.
  bool OwnKingAttacked() const;
  // Whether a piece of side attacks the square.
  bool IsSquareAttacked(Square target, int by_side) const;
  // The squares (bit file * 8 + rank) of the pieces of side that stand where they
  // would attack the target on an empty board: no other piece can attack it.
  uint64_t AttackerSquares(int side, Square target) const;
  // The same pieces as bits of their handles: bit i for KingHandle(side) + 4 * i.
  uint32_t AttackerSlots(int side, Square target) const;
  // Whether the piece on `from` attacks target (reach bits, then a walk for lines).
  bool Attacks(Square from, Square target) const;
  // The same for the piece of handle h standing on `from`.
  bool PieceAttacks(Handle h, Square from, Square target) const;
  // Check before the move, direct or by discovery.
  bool WouldGiveCheck(Square from, Square to) const;
  // Cheap exchange test for a capture.
  bool IsExchangeSafe(Square from, Square to);
  // Validity of a move from the table or the killers at the current ply; may set the
  // kind bits of flags (double step, e.p., castling). tactical tells captures, e.p.
  // and pushes to the last rank. quiescence accepts only those.
  bool IsStoredMoveValid(Square from, Square to, int& flags, bool* tactical = nullptr,
                         bool quiescence = false) const;

  // Installs the search variants of the move routines for the pieces on the board.
  void InstallSearchVariants();

  // State.
  int ply() const { return ply_; }
  int side() const { return side_; }  // side to move at the current ply
  int side_word() const { return side_ == kWhite ? 0x80 : 0x40; }
  // Whether a square holds a piece of the side not to move (guards and own pieces do not).
  bool HoldsOpponent(Square s) const {
    return (board(s) & static_cast<int32_t>(0x80000000u | static_cast<uint32_t>(side_word()))) > 0;
  }
  const PlyRecord& record(int n) const { return records_[n]; }
  PlyRecord& record(int n) { return records_[n]; }
  const PlyRecord& current() const { return records_[ply_]; }
  PlyRecord& current() { return records_[ply_]; }
  int32_t board(Square s) const { return storage_[s + kBoardPad]; }
  Square square(Handle h) const { return square_[Slot(h)]; }
  PieceCode code(Handle h) const { return code_[Slot(h)]; }
  uint32_t attributes(Handle h) const { return attributes_[Slot(h)]; }
  Routine capture_routine(Handle h) const { return capture_routine_[Slot(h)]; }
  Routine quiet_routine(Handle h) const { return quiet_routine_[Slot(h)]; }
  Square king_square(int side) const { return square_[Slot(KingHandle(side))]; }
  // End of a side's handle range: its highest handle + 4.
  Handle list_end(int side) const { return KingHandle(side) + 4 * count_[side]; }
  int piece_count(int side) const { return count_[side]; }
  const uint8_t* type_file_masks(PieceCode code) const { return masks_[code >> 2].data() + kMaskMargin; }
  // The squares of a side's pieces of an engine code (white), bit file * 8 + rank.
  uint64_t type_word(int engine_code, int side) const {
    uint64_t word;
    std::memcpy(&word, masks_[CodeOf(engine_code | (side == kBlack ? kBlackBit : 0)) >> 2].data() + kMaskMargin, sizeof word);
    return word;
  }
  bool in_check() const { return records_[ply_].check != 0; }
  uint64_t nodes() const { return nodes_; }
  void reset_nodes() { nodes_ = 0; }

  // PieceOrderList of a side (handles, visited from the end) and the history counters.
  int order_count(int side) const { return count_[side]; }
  Handle order(int side, int i) const { return order_[side][i]; }
  uint32_t& history(Handle h) { return history_[Slot(h)]; }
  void ClearHistory();
  void HalveHistory();
  void SortPieceOrder();

  // Key and signature of the current pieces, computed from scratch.
  uint64_t ComputeKey() const;
  uint32_t ComputeSignature() const;
  uint8_t ComputeCheck(Square* checker) const;

  // Values of the evaluation terms for a run, set by the root preparation.
  EvalSetup& eval_setup() { return setup_; }
  const EvalSetup& eval_setup() const { return setup_; }
  // A piece's evaluation routine for a square: toggles its mask bit, XORs its key
  // and adds its square value and its terms with the pieces around, seen from its
  // owner. Run in the opponent's frame (eval negated) it takes them away again.
  // capture_removal: the piece is the one the current move captures.
  void PieceRoutine(Handle h, Square s, int32_t& eval, uint64_t& key, bool capture_removal = false);
  // White's view of the pieces placed one at a time onto the board through their
  // routines, with the bishop pairs; the pawn structure is not included.
  int32_t PlacementValue() const;
  // What castling to one side costs for the side's shield and the open files before it.
  int32_t CastlingPenalty(int side, bool king_side) const;

  // Piece-square values of the evaluation, per code row and 0x88 square; zero until
  // the root preparation fills them.
  std::array<std::array<int32_t, 128>, kCodeRows>& piece_square() { return piece_square_; }

 private:
  int32_t& word(Square s) { return storage_[s + kBoardPad]; }
  void AssignHandlers(Handle h);
  void ToggleMask(PieceCode code, Square s) { masks_[code >> 2][kMaskMargin + FileOf(s)] ^= 1 << RankOf(s); }
  // The common part of every piece routine: mask, key, piece-square value.
  void Update(Handle h, Square s, int32_t& eval, uint64_t& key) {
    PieceCode c = code_[Slot(h)];
    ToggleMask(c, s);
    key ^= PieceKey(c, s);
    eval += piece_square_[c >> 2][s];
  }
  // Move-time parts of the routines (piece_terms.cpp): a piece arriving on its
  // square in the mover's frame (queen tempo, king moves and castling, then the
  // piece routine) and a piece leaving it in its opponent's frame (a pawn first
  // takes its file's move bonus).
  void ArriveRoutine(Handle h, Square s, int32_t& eval, uint64_t& key, Handle captured, int kind);
  void LeaveRoutine(Handle h, Square s, int32_t& eval, uint64_t& key, bool capture_removal);
  void PawnTerms(int side, int f, int r, int32_t& v);
  void KnightTerms(int side, int f, int r, int32_t& v);
  void BishopTerms(int side, int f, int r, int32_t& v, bool capture_removal);
  void QueenTerms(int side, int f, int r, int32_t& v);
  uint8_t FileMask(int engine_code, int side, int f) const {
    return masks_[CodeOf(engine_code | (side == kBlack ? kBlackBit : 0)) >> 2][kMaskMargin + f];
  }
  // A piece on file f and rank r; f and r may lie up to two off the board.
  bool Has(int engine_code, int side, int f, int r) const {
    return (static_cast<uint32_t>(FileMask(engine_code, side, f)) << 2 >> (r + 2) & 1) != 0;
  }
  // Pawn structure of the dirty files: updates the file scores of the record and
  // returns the change of the evaluation.
  int32_t EvaluatePawnFiles(PlyRecord& child);
  // Endgame adjustment for a signature index of at most 43 (endgame.cpp).
  int32_t EvaluateEndgame(int index, int32_t value) const;
  void SetCheckInfo(PlyRecord& child, Square mover_square, Square from, Square also_vacated);
  Handle DiscoveringPiece(Square king, Square vacated, Square to, int mover_side) const;
  bool LineExposes(Square king, Square vacated, int enemy_side) const;

  // Board88 with guard words around it: index -48 .. 175, so -33 .. 152 is covered.
  static constexpr int kBoardPad = 48;
  std::array<int32_t, kBoardPad + 128 + kBoardPad> storage_{};
  std::array<Square, kHandleSlots> square_{};
  std::array<PieceCode, kHandleSlots> code_{};
  std::array<uint32_t, kHandleSlots> attributes_{};
  std::array<Routine, kHandleSlots> capture_routine_{};
  std::array<Routine, kHandleSlots> quiet_routine_{};
  std::array<uint32_t, kHandleSlots> history_{};
  std::array<std::array<Handle, kMaxPiecesPerSide>, 2> order_{};
  std::array<int, 2> count_{};
  std::array<std::array<uint8_t, kMaskBytes>, kCodeRows> masks_{};
  std::array<std::array<int32_t, 128>, kCodeRows> piece_square_{};
  std::array<PlyRecord, kPlyRecords + 1> records_{};
  int ply_ = 0;
  int side_ = kWhite;
  uint8_t dirty_files_ = 0;  // files whose pawn-structure scores a move made stale
  bool endgame_now_ = false;  // endgame bit of the position before the move
  EvalSetup setup_;
  FileScoreCache file_cache_;
  uint64_t nodes_ = 0;
};

inline bool Position::Attacks(Square from, Square target) const {
  const int32_t w = board(from);
  return w > 0 && PieceAttacks(w, from, target);
}

inline bool Position::PieceAttacks(Handle h, Square from, Square target) const {
  const int d = from - target;
  const uint32_t entry = AttackEntry(d);
  if ((entry & attributes(h) & 0xFF00) == 0) return false;  // reach bits of the piece's attributes
  if (entry & (kReachContact << 8)) return true;
  const int step = StepToward(d);
  for (Square s = target + step; s != from; s += step)
    if (board(s) != 0) return false;
  return true;
}

}  // namespace zh::zelko2
