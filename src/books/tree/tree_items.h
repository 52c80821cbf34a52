// The items of a tree record turned to and from positions and moves: the learned
// value, the evaluation symbol, the move list of a record as moves, and the position
// item that builds whole records. Records hold positions in their normal form
// (Position::Normalize); the normalising steps turn moves, statistics and symbols.
#pragma once

#include <cstdint>

#include "books/tree/tree_page_records.h"
#include "core/rules/game_move.h"
#include "core/rules/position.h"
#include "core/rules/position_key.h"

namespace zh {

// Learned-value item: flags, then the value as a signed byte.
struct ZelkoItem {
  static constexpr uint8_t kPlainMove = 0x80;   // reached by a move without a bad symbol
  static constexpr uint8_t kMarkedMove = 0x40;  // reached by a move with code 2, 4, 5 or 6
  uint8_t flags = 0;
  uint8_t value = 0;
  uint32_t WriteTo(uint8_t* out) const;
  uint32_t ReadFrom(const uint8_t* in);
};

// Evaluation-symbol item: one code, 0 for none.
struct EvalItem {
  uint8_t flags = 0;
  uint32_t WriteTo(uint8_t* out) const;
  uint32_t ReadFrom(const uint8_t* in);
};

// The evaluation symbol seen from the other side when bit 0 of the steps is set.
uint8_t MirrorEvalSymbol(uint8_t code, int steps);
// A move turned by normalising steps: squares moved, colours of its pieces exchanged.
void TransformMove(GameMove& move, int steps);
// The way back: a move of the normal form turned to the position it came from.
void UntransformMove(GameMove& move, int steps);
// The move-symbol code (low byte of the symbols) of a move; 0 without symbols.
uint8_t MoveSymbolCode(const GameMove& move);
uint8_t PositionSymbolCode(const GameMove& move);

// The moves of one record as read: at most 32.
struct TreeMoveList {
  static constexpr int kCapacity = 32;
  int count = 0;
  GameMove moves[kCapacity];
  uint8_t values[kCapacity] = {};
  uint8_t flags[kCapacity] = {};

  // False when the list is full.
  bool Add(const GameMove& move, uint8_t value, uint8_t flag);
  void Transform(int steps);
  void Untransform(int steps);
  void Complete(const Position& position);
  bool Contains(const GameMove& move) const;
  bool Remove(const GameMove& move);
};

// Record bytes: key, move list (its odd length n, then pairs), then the fixed tail.
inline constexpr uint32_t kMaxTreeRecord = kMaxPositionKey + 1 + 2 * kMaxTreeMoves +
                                           kTreeRecordTail;
// Largest cache form: key, two move bytes, learned flags, evaluation, compact statistics.
inline constexpr uint32_t kMaxTreeCacheEntry = kMaxPositionKey + 2 + 1 + 1 + 4;

class PositionItem {
 public:
  PositionItem() = default;
  explicit PositionItem(const Position& p) : position(p) {}

  // The whole record of the position with its one move (`record` holds kMaxTreeRecord
  // bytes); 0 when the position cannot be coded.
  uint32_t WriteTo(uint8_t* record);
  // Position and items of a record lying in `room` bytes; the move becomes empty. 0
  // when the record is malformed or its key names no position.
  uint32_t ReadFrom(const uint8_t* record, uint32_t room);
  uint32_t KeyHash(const uint8_t* key);

  // Value 0; an under-promotion is stored as the empty move; with `takeSymbol` the
  // move-symbol code becomes the value.
  void SetMove(const GameMove& m, bool takeSymbol);
  void SetEvalFromMove(const GameMove& m);
  void SetZelkoFromMove(const GameMove& m, uint8_t treeFlags);
  void TransformMove(int steps) { zh::TransformMove(move, steps); }
  bool HasMove() const { return !move.IsEmpty() && !move.IsNull(); }

  uint32_t PackForCache(uint8_t* out);
  // The record of a cached entry (`record` holds kMaxTreeRecord bytes); its length, 0
  // for a malformed entry.
  static uint32_t UnpackFromCache(const uint8_t* cached, uint32_t room, uint8_t* record);

  // Items of a stored record, which the caller has checked.
  static uint32_t TailOffset(const uint8_t* record);
  static StatisticItem ReadStatistics(const uint8_t* record);
  static void WriteStatistics(uint8_t* record, const StatisticItem& s);
  static ZelkoItem ReadZelko(const uint8_t* record);
  static void WriteZelko(uint8_t* record, const ZelkoItem& z);
  static uint8_t ReadEval(const uint8_t* record);
  static void WriteEval(uint8_t* record, uint8_t eval);
  // The first 32 moves of a record on the record's own position; a byte that names
  // no move of a piece of the side to move is left out. False when the key names no
  // position.
  static bool ReadMoveList(const uint8_t* record, TreeMoveList& list);
  // The record made of a key and list on `position` (the key's), with the items of
  // `tail`; its length.
  static uint32_t PackMoveList(uint8_t* record, const uint8_t* key, const Position& position,
                               const TreeMoveList& list, const uint8_t* tail);

  Position position;
  uint32_t hash = 0;
  StatisticItem statistics;
  ZelkoItem zelko;
  EvalItem eval;
  GameMove move;
  uint8_t moveValue = 0;  // 5 bits
  uint8_t moveFlags = 0;  // 3 bits
};

// Move lists of two records: the stored one and a new one.
bool AllMovesPresent(const uint8_t* stored, const uint8_t* added);
// New values (not 0) of moves already stored overwrite theirs; how many were found.
int UpdateMoveValues(uint8_t* stored, const uint8_t* added);
// Updates like UpdateMoveValues and appends the other moves behind the stored list,
// the tail moving up, while the list holds fewer than kMaxTreeMoves; the bytes added.
// `stored` must have room for kMaxTreeRecord bytes.
uint32_t MergeMoveLists(uint8_t* stored, const uint8_t* added, uint32_t tail);

// Removes from a record's list the entries of `moves` (on the record's own `position`)
// found there, closing the gap; the tail of `tail` bytes moves down. The entries removed.
int RemoveListMoves(uint8_t* record, const Position& position, const GameMove* moves, int n,
                    uint32_t tail);
// Sets the value bits (the low five) of the move's entry; false when the list lacks it.
bool SetListMoveValue(uint8_t* record, const Position& position, const GameMove& move,
                      uint8_t value);

}  // namespace zh
