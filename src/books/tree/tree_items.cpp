#include "books/tree/tree_items.h"

#include <algorithm>
#include <cstring>

#include "books/tree/tree_key_hash.h"
#include "books/tree/tree_move_code.h"
#include "core/rules/piece_index_board.h"
#include "database/game/annotation_set.h"

namespace zh {

namespace {

constexpr uint32_t kStatisticsSize = sizeof(StatisticItem::Bytes);

uint32_t KeyLength(const uint8_t* record) {
  return static_cast<uint32_t>(PositionKeyLength(record));
}

// Start of the move list's pairs and their number.
const uint8_t* MovePairs(const uint8_t* record, int& n) {
  const uint8_t* list = record + KeyLength(record);
  n = (list[0] - 1) / 2;
  return list + 1;
}

int FindMoveByte(const uint8_t* pairs, int n, uint8_t move) {
  for (int i = 0; i < n; ++i)
    if (pairs[2 * i] == move) return i;
  return -1;
}

bool IsUnderPromotion(const GameMove& m) {
  return (m.kind & kPromotion) && m.promotion != 0 && m.promotion != kQueen;
}

uint8_t TransformSquare(uint8_t s, int r, bool reflect) {
  if (!reflect) return static_cast<uint8_t>(s ^ r);
  const int t = s ^ r ^ 0x3F;
  return static_cast<uint8_t>(((t & 7) << 3) | (t >> 3));
}

// The stored byte of a move; a queen promotion is coded by its squares. Moves the
// slots cannot carry give the escape byte.
uint8_t StoredMoveByte(const Position& position, const GameMove& move) {
  PieceIndexBoard board;
  board.SetFromPosition(position, 0);
  GameMove plain = move;
  plain.promotion = 0;
  if (plain.kind != kNoMoveKind) plain.kind &= static_cast<uint8_t>(~kPromotion);
  return EncodeTreeMove(board, plain);
}

bool Storable(const GameMove& m) {
  return !m.IsEmpty() && !m.IsNull() && !IsUnderPromotion(m);
}

constexpr uint8_t kEscapeByte = StoredTreeMove(PieceIndexBoard::kEscape);

}  // namespace

uint32_t ZelkoItem::WriteTo(uint8_t* out) const {
  out[0] = flags;
  out[1] = value;
  return 2;
}

uint32_t ZelkoItem::ReadFrom(const uint8_t* in) {
  flags = in[0];
  value = in[1];
  return 2;
}

uint32_t EvalItem::WriteTo(uint8_t* out) const {
  out[0] = flags;
  return 1;
}

uint32_t EvalItem::ReadFrom(const uint8_t* in) {
  flags = in[0];
  return 1;
}

uint8_t MirrorEvalSymbol(uint8_t code, int steps) {
  if (!(steps & kColoursMirrored) || code < 14 || code > 19) return code;
  return static_cast<uint8_t>(code ^ 1);  // 14 and 15, 16 and 17, 18 and 19
}

void TransformMove(GameMove& move, int steps) {
  if (move.IsEmpty()) return;
  int r = 0;
  if (steps & kColoursMirrored) {
    r = 7;
    if (move.piece) move.piece ^= kBlackBit;
    if (move.captured) move.captured ^= kBlackBit;
  }
  if (steps & kFilesFlipped) r ^= 0x38;
  if (steps & kRanksFlipped) r ^= 7;
  const bool reflect = (steps & kReflected) != 0;
  move.from = TransformSquare(move.from, r, reflect);
  move.to = TransformSquare(move.to, r, reflect);
}

void UntransformMove(GameMove& move, int steps) {
  if (move.IsEmpty()) return;
  if (!(steps & kReflected)) {
    TransformMove(move, steps);
    return;
  }
  int r = 0;
  if (steps & kColoursMirrored) {
    r = 7;
    if (move.piece) move.piece ^= kBlackBit;
    if (move.captured) move.captured ^= kBlackBit;
  }
  if (steps & kFilesFlipped) r ^= 0x38;
  if (steps & kRanksFlipped) r ^= 7;
  const auto back = [r](uint8_t t) {
    return static_cast<uint8_t>((((t & 7) << 3) | (t >> 3)) ^ r ^ 0x3F);
  };
  move.from = back(move.from);
  move.to = back(move.to);
}

uint8_t MoveSymbolCode(const GameMove& move) {
  if (!move.annotations || !move.annotations->HasSymbols()) return 0;
  return static_cast<uint8_t>(move.annotations->GetSymbols() & 0xFF);
}

uint8_t PositionSymbolCode(const GameMove& move) {
  if (!move.annotations || !move.annotations->HasSymbols()) return 0;
  return static_cast<uint8_t>((move.annotations->GetSymbols() >> 8) & 0xFF);
}

bool TreeMoveList::Add(const GameMove& move, uint8_t value, uint8_t flag) {
  if (count >= kCapacity) return false;
  moves[count] = move;
  values[count] = value;
  flags[count] = flag;
  ++count;
  return true;
}

void TreeMoveList::Transform(int steps) {
  for (int i = 0; i < count; ++i) TransformMove(moves[i], steps);
}

void TreeMoveList::Untransform(int steps) {
  for (int i = 0; i < count; ++i) UntransformMove(moves[i], steps);
}

void TreeMoveList::Complete(const Position& position) {
  for (int i = 0; i < count; ++i) moves[i].Complete(position);
}

bool TreeMoveList::Contains(const GameMove& move) const {
  for (int i = 0; i < count; ++i)
    if (moves[i].from == move.from && moves[i].to == move.to) return true;
  return false;
}

bool TreeMoveList::Remove(const GameMove& move) {
  for (int i = 0; i < count; ++i) {
    if (moves[i].from != move.from || moves[i].to != move.to) continue;
    for (int j = i + 1; j < count; ++j) {
      moves[j - 1] = moves[j];
      values[j - 1] = values[j];
      flags[j - 1] = flags[j];
    }
    --count;
    return true;
  }
  return false;
}

uint32_t PositionItem::KeyHash(const uint8_t* key) {
  hash = TreeKeyHash(key, PositionKeyLength(key));
  return hash;
}

uint32_t PositionItem::WriteTo(uint8_t* record) {
  uint8_t key[64];
  if (CompressPosition(position, key) != 0) return 0;
  const uint32_t l = KeyLength(key);
  std::memcpy(record, key, l);
  uint8_t* p = record + l;
  const uint8_t byte = Storable(move) ? StoredMoveByte(position, move) : kEscapeByte;
  if (byte == kEscapeByte) {
    *p++ = 1;
  } else {
    *p++ = 3;
    *p++ = byte;
    *p++ = static_cast<uint8_t>((moveValue & 0x1F) | (moveFlags << 5));
  }
  statistics.Pack(p);
  p += kStatisticsSize;
  p += zelko.WriteTo(p);
  p += eval.WriteTo(p);
  return static_cast<uint32_t>(p - record);
}

uint32_t PositionItem::ReadFrom(const uint8_t* record, uint32_t room) {
  const TreePageRecords shape(0, kTreeRecordTail);
  const uint32_t length = shape.CheckedLength(record, room);
  if (length == 0) return 0;
  Position p;
  if (ExpandPosition(p, record, KeyLength(record)) != 0) return 0;
  position = p;
  KeyHash(record);
  const uint8_t* tail = record + TailOffset(record);
  statistics = StatisticItem::Unpack(tail);
  zelko.ReadFrom(tail + kStatisticsSize);
  eval.ReadFrom(tail + kStatisticsSize + kZelkoItemSize);
  move = GameMove{};
  moveValue = moveFlags = 0;
  return length;
}

void PositionItem::SetMove(const GameMove& m, bool takeSymbol) {
  moveValue = 0;
  moveFlags = 0;
  if (IsUnderPromotion(m)) {
    move = GameMove{};
    return;
  }
  move = m;
  move.annotations = nullptr;
  move.variations = nullptr;
  if (takeSymbol && !m.IsEmpty() && !m.IsNull()) moveValue = MoveSymbolCode(m) & 0x1F;
}

void PositionItem::SetEvalFromMove(const GameMove& m) {
  eval.flags = m.IsEmpty() || m.IsNull() ? 0 : PositionSymbolCode(m);
}

void PositionItem::SetZelkoFromMove(const GameMove& m, uint8_t treeFlags) {
  uint8_t bits = 0;
  if (!m.IsEmpty() && !m.IsNull()) {
    const uint8_t code = MoveSymbolCode(m);
    bits = code == 2 || code == 4 || code == 5 || code == 6 ? ZelkoItem::kMarkedMove
                                                            : ZelkoItem::kPlainMove;
  }
  zelko.flags = treeFlags | bits;
  zelko.value = 0;
}

uint32_t PositionItem::PackForCache(uint8_t* out) {
  if (CompressPosition(position, out) != 0) return 0;
  uint8_t* p = out + KeyLength(out);
  const uint8_t byte = Storable(move) ? StoredMoveByte(position, move) : kEscapeByte;
  if (byte != kEscapeByte) {
    *p++ = byte;
    *p++ = static_cast<uint8_t>((moveValue & 0x1F) | (moveFlags << 5));
  } else {
    *p++ = StoredTreeMove(PieceIndexBoard::kNullMove);
    *p++ = 0;
  }
  *p++ = zelko.flags;
  *p++ = eval.flags;
  const uint32_t compact = statistics.PackCompact();
  std::memcpy(p, &compact, 4);
  return static_cast<uint32_t>(p + 4 - out);
}

uint32_t PositionItem::UnpackFromCache(const uint8_t* cached, uint32_t room, uint8_t* record) {
  const uint32_t l = KeyLength(cached);
  if (l < 1 || l + 8 > room) return 0;
  std::memcpy(record, cached, l);
  const uint8_t* c = cached + l;
  uint8_t* p = record + l;
  if (c[0] == StoredTreeMove(PieceIndexBoard::kNullMove) || c[0] == kEscapeByte) {
    *p++ = 1;
  } else {
    *p++ = 3;
    *p++ = c[0];
    *p++ = c[1];
  }
  uint32_t compact;
  std::memcpy(&compact, c + 4, 4);
  StatisticItem s;
  s.UnpackCompact(compact);
  s.Pack(p);
  p += kStatisticsSize;
  *p++ = c[2];
  *p++ = 0;
  *p++ = c[3];
  return static_cast<uint32_t>(p - record);
}

uint32_t PositionItem::TailOffset(const uint8_t* record) {
  const uint32_t l = KeyLength(record);
  return l + record[l];
}

StatisticItem PositionItem::ReadStatistics(const uint8_t* record) {
  return StatisticItem::Unpack(record + TailOffset(record));
}

void PositionItem::WriteStatistics(uint8_t* record, const StatisticItem& s) {
  s.Pack(record + TailOffset(record));
}

ZelkoItem PositionItem::ReadZelko(const uint8_t* record) {
  ZelkoItem z;
  z.ReadFrom(record + TailOffset(record) + kStatisticsSize);
  return z;
}

void PositionItem::WriteZelko(uint8_t* record, const ZelkoItem& z) {
  z.WriteTo(record + TailOffset(record) + kStatisticsSize);
}

uint8_t PositionItem::ReadEval(const uint8_t* record) {
  return record[TailOffset(record) + kStatisticsSize + kZelkoItemSize];
}

void PositionItem::WriteEval(uint8_t* record, uint8_t eval) {
  record[TailOffset(record) + kStatisticsSize + kZelkoItemSize] = eval;
}

bool PositionItem::ReadMoveList(const uint8_t* record, TreeMoveList& list) {
  list.count = 0;
  Position p;
  if (ExpandPosition(p, record, KeyLength(record)) != 0) return false;
  PieceIndexBoard board;
  board.SetFromPosition(p, 0);
  const bool black = p.IsBlackToMove();
  int n = 0;
  const uint8_t* pairs = MovePairs(record, n);
  for (int i = 0; i < n && list.count < TreeMoveList::kCapacity; ++i) {
    GameMove m;
    if (!DecodeTreeMove(board, pairs[2 * i], black, m)) continue;
    const uint8_t piece = p.board[m.from];
    if (piece == kEmpty || (ColourOf(piece) != 0) != black || m.from == m.to) continue;
    m.kind = 0;
    m.promotion = kQueen;
    m.piece = piece;
    list.Add(m, pairs[2 * i + 1] & 0x1F, static_cast<uint8_t>(pairs[2 * i + 1] >> 5));
  }
  return true;
}

uint32_t PositionItem::PackMoveList(uint8_t* record, const uint8_t* key,
                                    const Position& position, const TreeMoveList& list,
                                    const uint8_t* tail) {
  const uint32_t l = KeyLength(key);
  std::memmove(record, key, l);
  uint8_t* p = record + l + 1;
  int n = 0;
  for (int i = 0; i < list.count && n < kMaxTreeMoves; ++i) {
    const GameMove& m = list.moves[i];
    if (!Storable(m)) continue;
    const uint8_t byte = StoredMoveByte(position, m);
    if (byte == kEscapeByte) continue;
    *p++ = byte;
    *p++ = static_cast<uint8_t>((list.values[i] & 0x1F) | (list.flags[i] << 5));
    ++n;
  }
  record[l] = static_cast<uint8_t>(2 * n + 1);
  std::memmove(p, tail, kTreeRecordTail);
  return static_cast<uint32_t>(p + kTreeRecordTail - record);
}

bool AllMovesPresent(const uint8_t* stored, const uint8_t* added) {
  int ns = 0;
  int na = 0;
  const uint8_t* s = MovePairs(stored, ns);
  const uint8_t* a = MovePairs(added, na);
  if (na == 0) return true;
  if (ns == 0) return false;
  for (int i = 0; i < na; ++i)
    if (FindMoveByte(s, ns, a[2 * i]) < 0) return false;
  return true;
}

int UpdateMoveValues(uint8_t* stored, const uint8_t* added) {
  int ns = 0;
  int na = 0;
  auto* s = const_cast<uint8_t*>(MovePairs(stored, ns));
  const uint8_t* a = MovePairs(added, na);
  int found = 0;
  for (int i = 0; i < na; ++i) {
    const int at = FindMoveByte(s, ns, a[2 * i]);
    if (at < 0) continue;
    ++found;
    if (a[2 * i + 1] != 0) s[2 * at + 1] = a[2 * i + 1];
  }
  return found;
}

uint32_t MergeMoveLists(uint8_t* stored, const uint8_t* added, uint32_t tail) {
  UpdateMoveValues(stored, added);
  int ns = 0;
  int na = 0;
  uint8_t* s = const_cast<uint8_t*>(MovePairs(stored, ns));
  const uint8_t* a = MovePairs(added, na);
  uint32_t grown = 0;
  for (int i = 0; i < na && ns < kMaxTreeMoves; ++i) {
    if (FindMoveByte(s, ns, a[2 * i]) >= 0) continue;
    uint8_t* end = s + 2 * ns;
    std::memmove(end + 2, end, tail);
    end[0] = a[2 * i];
    end[1] = a[2 * i + 1];
    ++ns;
    s[-1] = static_cast<uint8_t>(s[-1] + 2);
    grown += 2;
  }
  return grown;
}

int RemoveListMoves(uint8_t* record, const Position& position, const GameMove* moves, int n,
                    uint32_t tail) {
  int count = 0;
  auto* pairs = const_cast<uint8_t*>(MovePairs(record, count));
  int removed = 0;
  for (int i = 0; i < n; ++i) {
    if (!Storable(moves[i])) continue;
    const int at = FindMoveByte(pairs, count, StoredMoveByte(position, moves[i]));
    if (at < 0) continue;
    uint8_t* entry = pairs + 2 * at;
    std::memmove(entry, entry + 2, static_cast<size_t>(2 * (count - at - 1)) + tail);
    --count;
    pairs[-1] = static_cast<uint8_t>(pairs[-1] - 2);
    ++removed;
  }
  return removed;
}

bool SetListMoveValue(uint8_t* record, const Position& position, const GameMove& move,
                      uint8_t value) {
  int count = 0;
  auto* pairs = const_cast<uint8_t*>(MovePairs(record, count));
  if (!Storable(move)) return false;
  const int at = FindMoveByte(pairs, count, StoredMoveByte(position, move));
  if (at < 0) return false;
  pairs[2 * at + 1] = static_cast<uint8_t>((pairs[2 * at + 1] & 0xE0) | (value & 0x1F));
  return true;
}

}  // namespace zh
