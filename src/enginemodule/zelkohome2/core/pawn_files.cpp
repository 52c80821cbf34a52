#include "enginemodule/zelkohome2/core/pawn_files.h"

#include <algorithm>
#include <array>
#include <bit>

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

// Ours. N[f]: a file without own pawns; the pawn itself is counted by the material,
// so only the rook files lose a little of their hold on the wing.
constexpr std::array<int8_t, 8> kNoPawn = {-1, 0, 0, 0, 0, 0, 0, -1};
// Ours. R[f]: a rook on a file without own pawns, most in the centre.
constexpr std::array<int8_t, 8> kRookFile = {2, 2, 3, 4, 4, 3, 2, 2};

// Masks of one colour seen from its own side: byte f + 2 for file f, bit r for the
// rank counted from that side; two empty files of margin each side.
struct SideMasks {
  std::array<uint8_t, 12> pawns{}, rooks{};
  uint8_t Pawns(int f) const { return pawns[static_cast<size_t>(f + 2)]; }
  uint8_t Rooks(int f) const { return rooks[static_cast<size_t>(f + 2)]; }
};

uint8_t Reverse(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= static_cast<uint8_t>(0x80 >> i);
  return r;
}

SideMasks MasksOf(const Position& p, int side) {
  SideMasks m;
  const uint8_t* pawns = p.type_file_masks(CodeOf(kPawn | (side == kBlack ? kBlackBit : 0)));
  const uint8_t* rooks = p.type_file_masks(CodeOf(kRook | (side == kBlack ? kBlackBit : 0)));
  for (int f = 0; f < 8; ++f) {
    m.pawns[static_cast<size_t>(f + 2)] = side == kWhite ? pawns[f] : Reverse(pawns[f]);
    m.rooks[static_cast<size_t>(f + 2)] = side == kWhite ? rooks[f] : Reverse(rooks[f]);
  }
  return m;
}

// One side's part of a file, in that side's own view of the ranks.
int SidePart(const Position& p, int side, int f, const SideMasks& own, const SideMasks& enemy) {
  const uint8_t pawns = own.Pawns(f);
  const int rooks = std::popcount(own.Rooks(f));
  if (pawns == 0) {
    int s = kNoPawn[static_cast<size_t>(f)] + kRookFile[static_cast<size_t>(f)] * rooks;
    if (rooks && enemy.Pawns(f) == 0) s += 4 + (rooks >= 2 ? 10 : 0);
    return s;
  }
  int s = 0;
  const int front = 7 - std::countl_zero(pawns) + 0;  // most advanced
  const int rear = std::countr_zero(pawns);
  const bool doubled = std::popcount(pawns) > 1;
  const uint8_t beside = own.Pawns(f - 1) | own.Pawns(f + 1);
  auto bit = [](int r) { return r >= 0 && r < 8 ? static_cast<uint8_t>(1 << r) : uint8_t{0}; };
  if (doubled) {
    s -= 8;
    if (!(beside & (bit(rear) | bit(rear - 1)))) s -= kWeak[static_cast<size_t>(rear)][static_cast<size_t>(f)];
    if (beside & bit(rear + 1)) s += 2;
    if (rooks) s -= 1;
  }
  const uint8_t ahead = static_cast<uint8_t>(0xFF << (front + 1));
  const uint8_t two_ahead = front + 2 <= 7 ? static_cast<uint8_t>(0xFF << (front + 2)) : uint8_t{0};
  const bool passed = !(enemy.Pawns(f) & ahead) && !((enemy.Pawns(f - 1) | enemy.Pawns(f + 1)) & two_ahead);
  if (passed) {
    s += kPassed[static_cast<size_t>(front)][static_cast<size_t>(f)];
    const int real_rank = side == kWhite ? front + 1 : 6 - front;
    const int32_t blocker = p.board(MakeSquare(f, real_rank));
    if (blocker > 0 && SideOf(blocker) != side) s -= kBlockedPassed[static_cast<size_t>(front)][static_cast<size_t>(f)];
    if (rooks && !doubled)
      s += side == kWhite && f == 3 && front == 4 ? kRookBehindWhiteD5 : kRookBehind[static_cast<size_t>(front)];
    if (beside & bit(front)) s += kConnected[static_cast<size_t>(front)];
    if (beside & bit(front - 1)) s += kProtected[static_cast<size_t>(front)];
    if (front < 6 && (beside & bit(front + 1))) s += kProtected[static_cast<size_t>(front + 1)];
    if (enemy.Rooks(f)) s -= 2;
  } else if (!(own.Pawns(f - 1) | own.Pawns(f + 1))) {
    s -= enemy.Pawns(f) ? 2 : 3;  // isolated
  }
  return s;
}

}  // namespace

int FileScore(const Position& p, int file) {
  const SideMasks white = MasksOf(p, kWhite), black = MasksOf(p, kBlack);
  const int score = SidePart(p, kWhite, file, white, black) - SidePart(p, kBlack, file, black, white);
  return std::clamp(score, -128, 127);
}

int32_t UpdateFileScores(const Position& p, PlyRecord& record, uint8_t dirty, int mover_side) {
  int delta = 0;
  for (int f = 0; f < 8; ++f) {
    if (!(dirty & (1 << f))) continue;
    const int score = FileScore(p, f);
    delta += score - record.file_scores[static_cast<size_t>(f)];
    record.file_scores[static_cast<size_t>(f)] = static_cast<int8_t>(score);
  }
  return 8 * (mover_side == kWhite ? delta : -delta);
}

}  // namespace zh::zelko2
