#include "enginemodule/zelkohome2/core/pawn_files.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "enginemodule/zelkohome2/core/eval_tables.h"

namespace zh::zelko2 {
namespace {

using RankFileTable = std::array<std::array<int8_t, 8>, 8>;  // [rank index][file], ranks 2..7 used

constexpr RankFileTable kPassed = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {-1, -1, -2, -2, -2, -2, -1, -1},
    {0, 0, -1, -1, -1, -1, 0, 0},
    {2, 2, 1, 1, 1, 1, 2, 2},
    {5, 5, 4, 3, 3, 4, 5, 5},
    {8, 8, 7, 6, 6, 7, 8, 8},
    {12, 11, 10, 9, 9, 10, 11, 12},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr RankFileTable kBlockedPassed = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {4, 4, 5, 6, 6, 5, 4, 4},
    {5, 5, 6, 6, 6, 6, 5, 5},
    {6, 6, 6, 6, 6, 6, 6, 6},
    {7, 7, 7, 7, 7, 7, 7, 7},
    {6, 6, 6, 6, 6, 6, 6, 6},
    {5, 5, 5, 5, 5, 5, 5, 5},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr RankFileTable kWeak = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {2, 2, 2, 3, 3, 2, 2, 2},
    {2, 2, 2, 3, 3, 2, 2, 2},
    {2, 2, 2, 2, 2, 2, 2, 2},
    {3, 3, 3, 3, 3, 3, 3, 3},
    {4, 4, 4, 4, 4, 4, 4, 4},
    {5, 5, 5, 5, 5, 5, 5, 5},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr std::array<int8_t, 8> kConnected = {0, 0, 1, 3, 6, 9, 15, 0};
constexpr std::array<int8_t, 8> kProtected = {0, 0, 0, 2, 4, 7, 10, 0};
constexpr std::array<int8_t, 8> kRookBehind = {0, 3, 6, 9, 12, 15, 18, 0};
constexpr int kRookBehindWhiteD5 = 19;

constexpr RankFileTable kStopSquare = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {4, 4, 5, 6, 6, 5, 4, 4},
    {4, 4, 6, 7, 7, 6, 4, 4},
    {3, 3, 4, 5, 5, 4, 3, 3},
    {1, 2, 2, 3, 3, 2, 2, 1},
    {1, 1, 2, 2, 2, 2, 1, 1},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr std::array<int8_t, 8> kStopSquareBlackRank5 = {2, 2, 3, 3, 3, 3, 2, 2};
constexpr RankFileTable kRookOnFile = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {1, 1, 2, 2, 2, 2, 1, 1},
    {2, 2, 3, 4, 4, 3, 2, 2},
    {3, 3, 4, 5, 5, 4, 3, 3},
    {4, 4, 5, 6, 6, 5, 4, 4},
    {5, 5, 6, 7, 7, 6, 5, 5},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr RankFileTable kBlockedPawn = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {2, 3, 4, 6, 6, 4, 3, 2},
    {1, 2, 3, 5, 5, 3, 2, 1},
    {1, 2, 3, 4, 4, 3, 2, 1},
    {1, 2, 3, 4, 4, 3, 2, 1},
    {2, 2, 2, 3, 3, 2, 2, 2},
    {3, 3, 3, 3, 3, 3, 3, 3},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr std::array<int8_t, 8> kIsolatedClosed = {0, 4, 3, 2, 1, 0, 0, 0};
// Stop square contested: white's by the pawn's rank; black's by the white rank of the
// square one rank below and one file to the right of the black pawn.
constexpr RankFileTable kContestedWhite = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {-1, -1, -1, -1, -2, -2, -2, 0},
    {-1, -1, 0, 0, -1, 0, 0, 0},
    {1, 0, 2, 0, -1, 1, 0, 0},
    {3, 2, 1, 1, 0, 1, 1, 0},
    {4, 3, 2, 1, 1, 2, 2, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};
constexpr RankFileTable kContestedBlack = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, -4, -3, -2, -1, -1, -2, -2},
    {0, -3, -2, -1, -1, 0, -1, -1},
    {0, -1, 0, -2, 0, 1, -1, 0},
    {0, 1, 1, 0, 0, 1, 0, 0},
    {0, 1, 1, 1, 1, 2, 2, 2},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};

int StopValue(int side, int f, int rank) {
  if (side == kBlack && rank == 4) return kStopSquareBlackRank5[static_cast<size_t>(f)];
  return kStopSquare[static_cast<size_t>(rank)][static_cast<size_t>(f)];
}

// The enemy pawn one rank ahead on the file to the right contests the stop square.
int ContestedValue(int side, int f, int rank) {
  if (side == kWhite) return kContestedWhite[static_cast<size_t>(rank)][static_cast<size_t>(f)];
  const int white_rank = 6 - rank;  // rank index of the white pawn's square
  if (f + 1 > 7 || white_rank < 1) return 0;
  return kContestedBlack[static_cast<size_t>(white_rank)][static_cast<size_t>(f + 1)];
}

int KingDistance(Square a, Square b) {
  return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b)));
}

// A king beyond the target in the pawn's direction of travel counts the files only.
int KingDistanceBeyond(Square king, Square target, int side) {
  const bool beyond = side == kWhite ? RankOf(king) > RankOf(target) : RankOf(king) < RankOf(target);
  return beyond ? std::abs(FileOf(king) - FileOf(target)) : KingDistance(king, target);
}

// Masks of one colour seen from its own side: byte f + 2 for file f, bit r for the
// rank counted from that side; two empty files of margin each side.
struct SideMasks {
  std::array<uint8_t, 12> pawns{}, rooks{};
  uint8_t Pawns(int f) const { return pawns[static_cast<size_t>(f + 2)]; }
  uint8_t Rooks(int f) const { return rooks[static_cast<size_t>(f + 2)]; }
};

// The 8 file bytes of a mask row as one word (file a in the low byte), and the same
// word with the bits of every byte reversed: the ranks seen from the other side.
uint64_t FileWord(const uint8_t* files) {
  uint64_t w;
  std::memcpy(&w, files, sizeof w);
  return w;
}
constexpr uint64_t ReversedInBytes(uint64_t x) {
  x = ((x >> 1) & 0x5555555555555555u) | ((x & 0x5555555555555555u) << 1);
  x = ((x >> 2) & 0x3333333333333333u) | ((x & 0x3333333333333333u) << 2);
  return ((x >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((x & 0x0F0F0F0F0F0F0F0Fu) << 4);
}
static_assert(ReversedInBytes(0x0102040810204080u) == 0x8040201008040201u);
static_assert(ReversedInBytes(0x00000000000000C1u) == 0x0000000000000083u);

// The pawns and rooks of `side` with the ranks seen from `view`.
SideMasks MasksOf(const Position& p, int side, int view) {
  SideMasks m;
  uint64_t pawns = FileWord(p.type_file_masks(CodeOf(kPawn | (side == kBlack ? kBlackBit : 0))));
  uint64_t rooks = FileWord(p.type_file_masks(CodeOf(kRook | (side == kBlack ? kBlackBit : 0))));
  if (view != kWhite) {
    pawns = ReversedInBytes(pawns);
    rooks = ReversedInBytes(rooks);
  }
  std::memcpy(m.pawns.data() + 2, &pawns, sizeof pawns);
  std::memcpy(m.rooks.data() + 2, &rooks, sizeof rooks);
  return m;
}

// The race of the kings for a passed pawn whose leading pawn stands on `front` (own
// view), endgame only: the enemy king to the seventh-rank square of the file, the own
// king to the square halfway between the pawn and the last rank.
int KingRace(const Position& p, int side, int f, int front) {
  auto real = [side](int r) { return side == kWhite ? r : 7 - r; };
  const Square target = MakeSquare(f, real(6));
  const Square halfway = MakeSquare(f, real(std::min(7, (front + 8) / 2)));
  const int enemy_to_target = KingDistanceBeyond(p.king_square(side ^ 1), target, side);
  int a = (6 - front) - enemy_to_target;
  if (a < 0) a *= 4;
  int b = enemy_to_target - KingDistance(p.king_square(side), halfway);
  if (b >= 0) b *= 4;
  return 3 - a + b;
}

// One side's part of a file, in that side's own view of the ranks, without the kings'
// race; passed_front gets the rank of a passed leading pawn, else stays -1.
int SidePart(const Position& p, int side, int f, const SideMasks& own, const SideMasks& enemy, int8_t& passed_front) {
  const size_t fi = static_cast<size_t>(f);
  const uint8_t pawns = own.Pawns(f);
  const int rooks = BitsInByte(own.Rooks(f));
  if (pawns == 0) {
    int s = p.eval_setup().no_pawn_file[static_cast<size_t>(side)][fi] + tables::kRookFile[fi] * rooks;
    if (rooks && enemy.Pawns(f) == 0) s += 4 + (rooks >= 2 ? 10 : 0);
    return s;
  }
  int s = 0;
  const int front = 7 - std::countl_zero(pawns);  // most advanced
  const size_t fr = static_cast<size_t>(front);
  const int rear = std::countr_zero(pawns);
  const bool doubled = (pawns & (pawns - 1)) != 0;
  const uint8_t beside = own.Pawns(f - 1) | own.Pawns(f + 1);
  const uint8_t enemy_beside = enemy.Pawns(f - 1) | enemy.Pawns(f + 1);
  auto bit = [](int r) { return r >= 0 && r < 8 ? static_cast<uint8_t>(1 << r) : uint8_t{0}; };
  auto real = [side](int r) { return side == kWhite ? r : 7 - r; };
  // What stands on the square in front of the most advanced pawn.
  const int32_t blocker = p.board(MakeSquare(f, real(front + 1)));
  const bool enemy_in_front = blocker > 0 && SideOf(blocker) != side;
  const bool enemy_pawn_in_front = (enemy.Pawns(f) & bit(front + 1)) != 0;
  if (doubled) {
    s -= 8;
    if (!(beside & (bit(rear) | bit(rear - 1)))) s -= kWeak[static_cast<size_t>(rear)][fi];
    if (beside & bit(rear + 1)) s += 2;
    if (rooks) s -= 1;
  }
  const uint8_t ahead = static_cast<uint8_t>(0xFF << (front + 1));
  const uint8_t two_ahead = front + 2 <= 7 ? static_cast<uint8_t>(0xFF << (front + 2)) : uint8_t{0};
  const bool passed = !(enemy.Pawns(f) & ahead) && !(enemy_beside & two_ahead);
  if (passed) {
    s += kPassed[fr][fi];
    if (enemy_in_front) s -= kBlockedPassed[fr][fi];
    if (rooks && !doubled) s += side == kWhite && f == 3 && front == 4 ? kRookBehindWhiteD5 : kRookBehind[fr];
    if (beside & bit(front)) s += kConnected[fr];
    if (beside & bit(front - 1)) s += kProtected[fr];
    if (front < 6 && (beside & bit(front + 1))) s += kProtected[fr + 1];
    passed_front = static_cast<int8_t>(front);
    if (enemy.Rooks(f)) s -= 2;
    return s;
  }
  const bool isolated = beside == 0;
  const bool open = enemy.Pawns(f) == 0;
  // An enemy pawn beside the file two ranks ahead guards the stop square (closed
  // files: also one directly in front).
  if ((enemy_beside & bit(front + 2)) || (!open && enemy_pawn_in_front)) {
    if (enemy.Pawns(f + 1) & bit(front + 1)) s += ContestedValue(side, f, front);
    if (doubled) s += 4;
    else s += p.eval_setup().no_pawn_file[static_cast<size_t>(side)][fi] + (rooks ? tables::kRookFile[fi] - (open ? 0 : 2) : 0);
  }
  const bool stop_attacked = (enemy_beside & bit(front + 3)) != 0;
  if (open) {
    if (isolated) {
      s -= 3;
      if (enemy_in_front) s -= kBlockedPawn[fr][fi];
      if (stop_attacked) s -= StopValue(side, f, front);
    } else if (beside & bit(front - 1)) {
    } else if ((s -= 1, beside & bit(front - 2))) {
    } else if (beside & bit(front)) {
      if (rooks) s += kRookOnFile[fr][fi];
      if (stop_attacked) s -= kWeak[fr][fi];
    } else {  // backward
      s -= kWeak[fr][fi];
      if (enemy_in_front) s -= kBlockedPawn[fr][fi];
      if (stop_attacked) s -= StopValue(side, f, front);
    }
    return s;
  }
  bool closed_part = false, rammed_test = false;
  if (isolated) {
    s -= 2;
    closed_part = true;
  } else if (beside & bit(front)) {
  } else if (beside & bit(front - 1)) {
    rammed_test = true;
  } else {
    s -= 1;
    if (beside & bit(front - 2)) rammed_test = true;
    else closed_part = true;
  }
  if (closed_part) {
    if ((enemy.Pawns(f) & bit(front + 2)) || stop_attacked) s -= kIsolatedClosed[fr];
    if (enemy_in_front && !enemy_pawn_in_front) s -= kBlockedPawn[fr][fi];
    rammed_test = true;
  }
  if (rammed_test && enemy_pawn_in_front && !(beside & bit(front)))
    s += tables::At(tables::kRammed, f, front);
  return s;
}

// The pawn and rook masks of both colours in both views, built once per update.
struct BoardMasks {
  SideMasks white, black_seen_by_white, black, white_seen_by_black;
  explicit BoardMasks(const Position& p)
      : white(MasksOf(p, kWhite, kWhite)),
        black_seen_by_white(MasksOf(p, kBlack, kWhite)),
        black(MasksOf(p, kBlack, kBlack)),
        white_seen_by_black(MasksOf(p, kWhite, kBlack)) {}
};

// The cached parts of a file, computed.
FileParts PartsWith(const Position& p, const BoardMasks& m, int file) {
  FileParts parts;
  const int score = SidePart(p, kWhite, file, m.white, m.black_seen_by_white, parts.white_passed) -
                    SidePart(p, kBlack, file, m.black, m.white_seen_by_black, parts.black_passed);
  parts.base = static_cast<int16_t>(score);
  return parts;
}

// The kings' races of a file's passed pawns, white's view.
int RacesOf(const Position& p, const FileParts& parts, int file) {
  int score = 0;
  if (parts.white_passed >= 0) score += KingRace(p, kWhite, file, parts.white_passed);
  if (parts.black_passed >= 0) score -= KingRace(p, kBlack, file, parts.black_passed);
  return score;
}

int ScoreOf(const Position& p, const FileParts& parts, int file, bool endgame) {
  return std::clamp(parts.base + (endgame ? RacesOf(p, parts, file) : 0), -128, 127);
}

// The key of everything but the rows that a file's parts depend on: the pawns of
// both colours on the file and its neighbours (24 bits each), the rooks of each
// colour on the file (4 bits each), an enemy piece in front of each side's leading
// pawn, and the file; bit 63 keeps every key apart from an empty entry.
uint64_t FileKey(const Position& p, int f) {
  auto three_files = [f](const uint8_t* files) {
    uint32_t w;
    std::memcpy(&w, files + f - 1, sizeof w);  // the margin bytes make files -1 and 8 empty
    return static_cast<uint64_t>(w & 0xFFFFFFu);
  };
  const uint8_t* white_pawns = p.type_file_masks(CodeOf(kPawn));
  const uint8_t* black_pawns = p.type_file_masks(CodeOf(kPawn | kBlackBit));
  uint64_t key = three_files(white_pawns) | three_files(black_pawns) << 24 |
                 static_cast<uint64_t>(BitsInByte(p.type_file_masks(CodeOf(kRook))[f])) << 48 |
                 static_cast<uint64_t>(BitsInByte(p.type_file_masks(CodeOf(kRook | kBlackBit))[f])) << 52 |
                 static_cast<uint64_t>(f) << 58 | uint64_t{1} << 63;
  // The square in front of each side's leading pawn (pawns stand on ranks 1..6).
  if (const uint8_t w = white_pawns[f]) {
    const int32_t blocker = p.board(MakeSquare(f, 8 - std::countl_zero(w)));
    if (blocker > 0 && SideOf(blocker) == kBlack) key |= uint64_t{1} << 56;
  }
  if (const uint8_t b = black_pawns[f]) {
    const int32_t blocker = p.board(MakeSquare(f, std::countr_zero(b) - 1));
    if (blocker > 0 && SideOf(blocker) == kWhite) key |= uint64_t{1} << 57;
  }
  return key;
}

}  // namespace

int FileScore(const Position& p, int file) {
  return FileScoreOf(p, file, (p.current().castling & kEndgameBit) != 0);
}

int FileScoreOf(const Position& p, int file, bool endgame) {
  return ScoreOf(p, PartsWith(p, BoardMasks(p), file), file, endgame);
}

int32_t UpdateFileScores(const Position& p, FileScoreCache& cache, PlyRecord& record, uint8_t dirty, int mover_side) {
  int delta = 0;
  cache.Use(p.eval_setup().no_pawn_file);
  const bool endgame = (record.castling & kEndgameBit) != 0;
  for (unsigned files = dirty; files != 0; files &= files - 1) {
    const int f = std::countr_zero(files);
    const uint64_t key = FileKey(p, f);
    const FileParts* parts = cache.Find(key);
    if (!parts) {  // seldom: the masks are built for each file missing
      cache.Store(key, PartsWith(p, BoardMasks(p), f));
      parts = cache.Find(key);
    }
    const int score = ScoreOf(p, *parts, f, endgame);
    delta += score - record.file_scores[static_cast<size_t>(f)];
    record.file_scores[static_cast<size_t>(f)] = static_cast<int8_t>(score);
  }
  return 8 * (mover_side == kWhite ? delta : -delta);
}

}  // namespace zh::zelko2
