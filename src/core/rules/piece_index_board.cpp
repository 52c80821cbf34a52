#include "core/rules/piece_index_board.h"

#include <array>
#include <cstring>
#include <new>

#include "core/rules/move_coding_tables.h"

namespace zh {

namespace mc = move_coding;

namespace {

// Ordinals that carry a square entry, by piece type.
constexpr int kOrdinals[8] = {0, 1, 3, 3, 3, 3, 8, 0};

// Per colour: king 0, queens 1-3, knights 4-6, bishops 7-9, rooks 10-12, pawns 13-20.
constexpr std::array<uint8_t, 128> MakeEntryIndex() {
  std::array<uint8_t, 128> t{};
  for (auto& v : t) v = PieceIndexBoard::kOffBoard;
  constexpr int kFirst[8] = {0, 0, 1, 4, 7, 10, 13, 0};
  for (int colour = 0; colour < 2; ++colour)
    for (int type = kKing; type <= kPawn; ++type)
      for (int o = 0; o < kOrdinals[type]; ++o)
        t[type + colour * 8 + 16 * o] = static_cast<uint8_t>(colour * 21 + kFirst[type] + o);
  return t;
}
constexpr auto kEntryIndex = MakeEntryIndex();

constexpr int LastSlot(int code) {
  return code + 16 * (kOrdinals[TypeOf(code)] - 1);
}

int StepTo(int from, uint8_t step) {
  return MakeSquare((FileOf(from) + (step & 7)) & 7, (RankOf(from) + (step >> 4)) & 7);
}

}  // namespace

uint8_t SlotEntryIndex(int slot) {
  return slot >= 0 && slot < 128 ? kEntryIndex[static_cast<size_t>(slot)] : PieceIndexBoard::kOffBoard;
}

void PieceIndexBoard::Clear() {
  std::memset(slots_, 0, sizeof slots_);
  std::memset(squares_, kOffBoard, sizeof squares_);
}

uint8_t& PieceIndexBoard::EntryOf(int slot) {
  return squares_[SlotEntryIndex(slot)];
}

uint8_t PieceIndexBoard::SquareOfSlot(int slot) const {
  const uint8_t e = SlotEntryIndex(slot);
  return e == kOffBoard ? kOffBoard : squares_[e];
}

void PieceIndexBoard::SetFromPosition(const Position& position, int order) {
  Clear();
  order_ = static_cast<int16_t>(order == 1 ? 1 : 0);
  int seen[16] = {};
  for (int n = 0; n < 64; ++n) {
    const int s = ScanSquare(n);
    const int code = position.board[s];
    if (code > 15 || TypeOf(code) == kEmpty || TypeOf(code) == 7) continue;
    const int ordinal = seen[code]++;
    if (ordinal < kOrdinals[TypeOf(code)]) {
      slots_[s] = static_cast<uint8_t>(code + 16 * ordinal);
      EntryOf(slots_[s]) = static_cast<uint8_t>(s);
    } else {
      slots_[s] = static_cast<uint8_t>(LastSlot(code));
    }
  }
}

void PieceIndexBoard::MoveSlot(int from, int to) {
  const uint8_t slot = slots_[from];
  slots_[from] = 0;
  slots_[to] = slot;
  // A piece beyond the count shares its slot code; only the numbered one moves its entry.
  if (SquareOfSlot(slot) == from) EntryOf(slot) = static_cast<uint8_t>(to);
}

void PieceIndexBoard::RemovePiece(int square) {
  const int slot = slots_[square];
  if (slot == 0 || TypeOf(slot) == kKing) return;
  const bool numbered = SquareOfSlot(slot) == square;
  slots_[square] = 0;
  if (!numbered) return;
  EntryOf(slot) = kOffBoard;
  if (TypeOf(slot) == kPawn) return;
  const int code = slot & 15;
  for (int k = (slot >> 4) + 1; k < 3; ++k) {
    const uint8_t s = EntryOf(code + 16 * k);
    EntryOf(code + 16 * (k - 1)) = s;
    if (s != kOffBoard) slots_[s] = static_cast<uint8_t>(code + 16 * (k - 1));
  }
  EntryOf(code + 32) = kOffBoard;
  for (int n = 0; n < 64; ++n) {
    const int s = ScanSquare(n);
    if ((slots_[s] & 15) == code && (slots_[s] >> 4) >= 2) {
      slots_[s] = static_cast<uint8_t>(code + 32);
      EntryOf(code + 32) = static_cast<uint8_t>(s);
      return;
    }
  }
}

void PieceIndexBoard::Promote(int square, int type) {
  const int slot = slots_[square];
  if (SquareOfSlot(slot) == square) EntryOf(slot) = kOffBoard;
  if (type < kQueen || type > kRook) type = kQueen;
  const int code = type | ColourOf(slot);
  for (int o = 0; o < 3; ++o) {
    if (SquareOfSlot(code + 16 * o) == kOffBoard) {
      slots_[square] = static_cast<uint8_t>(code + 16 * o);
      EntryOf(slots_[square]) = static_cast<uint8_t>(square);
      return;
    }
  }
  slots_[square] = static_cast<uint8_t>(code + 48);
}

void PieceIndexBoard::ApplyMove(const GameMove& move) {
  const int from = move.from, to = move.to;
  if (!IsOnBoard(from) || !IsOnBoard(to) || from == to || slots_[from] == 0) return;
  const int type = TypeOf(slots_[from]);
  const bool diagonal = FileOf(from) != FileOf(to);
  if (type == kPawn && diagonal && slots_[to] == 0)
    RemovePiece(MakeSquare(FileOf(to), RankOf(from)));  // en passant
  else if (slots_[to] != 0)
    RemovePiece(to);
  MoveSlot(from, to);
  if (type == kKing && (to - from == 16 || from - to == 16)) {
    const int rookFrom = to > from ? from + 24 : from - 32;
    if (slots_[rookFrom] != 0 && slots_[(from + to) / 2] == 0) MoveSlot(rookFrom, (from + to) / 2);
  }
  if (type == kPawn && (RankOf(to) == 0 || RankOf(to) == 7)) Promote(to, move.promotion);
}

uint8_t PieceIndexBoard::EncodeMove(const GameMove& move) const {
  const int from = move.from, to = move.to;
  if (!IsOnBoard(from) || !IsOnBoard(to) || from == to) return kEscape;
  if (move.promotion != 0 || (move.kind != kNoMoveKind && (move.kind & kPromotion))) return kEscape;
  const int slot = slots_[from];
  if (slot == 0 || SquareOfSlot(slot) != from) return kEscape;
  const int cls = mc::kPieceClass[static_cast<size_t>(TypeOf(slot))];
  const int cell = ((FileOf(to) - FileOf(from)) & 7) * 8 + ((RankOf(to) - RankOf(from)) & 7);
  const int direction = mc::kDirectionCode[static_cast<size_t>(cls)][static_cast<size_t>(cell)];
  if (direction == mc::kNone) return kEscape;
  const int byte = mc::kSlotBase[static_cast<size_t>(slot)] + direction;
  // The byte must lie in the slot's own range and lead back to the same square.
  if (byte < mc::kFirstMoveByte || byte > mc::kLastMoveByte ||
      mc::kSlotCodeByByte[static_cast<size_t>(byte)] != (slot & ~kBlackBit) ||
      StepTo(from, mc::kStepByByte[ColourOf(slot) ? 1 : 0][static_cast<size_t>(byte)]) != to)
    return kEscape;
  return static_cast<uint8_t>(byte);
}

bool PieceIndexBoard::DecodeMove(uint8_t byte, bool black, GameMove& move) const {
  if (byte < mc::kFirstMoveByte || byte > mc::kLastMoveByte) return false;
  const int slot = mc::kSlotCodeByByte[byte] | (black ? kBlackBit : 0);
  const uint8_t from = SquareOfSlot(slot);
  if (from == kOffBoard) return false;
  move = GameMove::FromSquares(from, StepTo(from, mc::kStepByByte[black ? 1 : 0][byte]), 0);
  return true;
}

PieceIndexBoardStack::PieceIndexBoardStack(int capacity) {
  if (capacity > 0) boards_.reserve(static_cast<size_t>(capacity));
}

int PieceIndexBoardStack::Push(const PieceIndexBoard& board) {
  try {
    boards_.push_back(board);
  } catch (const std::bad_alloc&) {
    return 5;
  }
  return 0;
}

int PieceIndexBoardStack::Pop(PieceIndexBoard& board) {
  if (boards_.empty()) return 1;
  board = boards_.back();
  boards_.pop_back();
  return 0;
}

void PieceIndexBoardStack::Clear() {
  boards_.clear();
  boards_.shrink_to_fit();
}

}  // namespace zh
