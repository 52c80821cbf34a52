// The move tree of a game: lines of moves in which any move may carry an annotation
// set and a list of variations (alternatives to that move), to any depth. A line owns
// the annotation sets and variation lists of its entries up to its count; handing an
// entry to another line hands them over.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/rules/display_text.h"
#include "core/rules/eval_value.h"
#include "core/rules/game_move.h"
#include "core/rules/move.h"
#include "core/rules/symbols.h"

namespace zh {

class AnnotationSet;
class NotationFormatter;
class MoveLine;
class VariationList;

// Plies on any path of a game.
inline constexpr int kPlyLimit = 600;

// Ownership of the pointers of a GameMove.
void FreeAnnotations(GameMove& move);
void FreeVariations(GameMove& move);
// Frees both and resets the entry to the empty move.
void ResetMove(GameMove& move);
// The bytes of `src` with deep copies of its annotations and variations; whatever
// `dst` owned is freed first.
void DeepCopyMove(GameMove& dst, const GameMove& src);
// Replaces the annotations by a copy of the other's, when it has some.
void CopyAnnotations(GameMove& dst, const GameMove& src);
// The annotation set, created empty on demand.
AnnotationSet* GetAnnotations(GameMove& move);
// Appends a deep copy of `line` as a variation; 5 out of memory.
int AddVariation(GameMove& move, const MoveLine& line);
// Zero symbols remove the entry; a set left empty is freed.
int SetSymbols(GameMove& move, MoveSymbols symbols);
MoveSymbols GetSymbols(const GameMove& move);
// Joins a generated comment to the move's all-language text before (after = false)
// or after the move; style 0 joins with a blank, others with ". ".
void AddComment(GameMove& move, const std::string& text, bool after, int style);
// The comment after the move in the all-language slot.
const std::string& CommentAfter(const GameMove& move);

// Test seam: the next `n` growths of a line succeed, then growth fails (-1: never).
void SetMoveLineGrowthLimit(int n);

class MoveLine {
 public:
  explicit MoveLine(int capacity = 0);
  ~MoveLine();
  MoveLine(const MoveLine&) = delete;
  MoveLine& operator=(const MoveLine&) = delete;
  MoveLine(MoveLine&& other) noexcept;
  MoveLine& operator=(MoveLine&& other) noexcept;

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  bool IsEmpty() const { return count_ == 0; }

  // 0 or 5. n = 0 frees the array; never shrinks otherwise.
  int Reserve(int n);
  // Takes over the move (and its pointers).
  int Append(const GameMove& move);
  int AppendMoveCode(MoveCode code);
  // Frees entries from i on, then appends; the line is unchanged when growth fails.
  int TruncateAndAppend(const GameMove& move, int i);
  // Frees entries i.. (reset to the empty move); freeArray drops the array (entries
  // before i must have been handed over). 1 without an array.
  int Truncate(int i, bool freeArray = false);
  // Entry i below the capacity (a spare one at count and beyond), else the static
  // empty move.
  GameMove* GetMove(int i);
  const GameMove* GetMove(int i) const;
  GameMove* begin() { return moves_.get(); }
  GameMove* end() { return moves_.get() + count_; }
  const GameMove* begin() const { return moves_.get(); }
  const GameMove* end() const { return moves_.get() + count_; }

  // Frees this line and takes over the other's array.
  void Adopt(MoveLine& other);
  // Moves src entries i.. here (replacing / after the end); src is cut to i.
  int MoveFrom(MoveLine& src, int i);
  int AppendMoveFrom(MoveLine& src, int i);
  // Deep copy of src entries i.. replacing this line.
  int DeepCopyFrom(const MoveLine& src, int i);
  // Forgets every entry without freeing (they were handed over).
  void ClearPointers();

  int CountMoves(int i) const;
  // Over entries first..min(last, count)-1: type -1 frees the sets, else removes that
  // type; withVariations frees the variations, else recurses into them. Answers the end.
  int RemoveAnnotations(int first, int last, int type, bool withVariations);
  void CollectMedals(uint16_t& bits) const;
  bool SetFolding(int depth, int limit);
  // First entry in [first, last] with that piece (0: any), from and to (-1: any).
  bool FindMove(int first, int last, int piece, int from, int to, int& index) const;
  // Evaluation of the last move that holds one, else kind -1.
  EvalValue LastEvaluation() const;
  // Replays the line from `start` and stores each move's text.
  void ComputeTexts(const Position& start, NotationFormatter& formatter);
  // Main-line text between two plies; "--" when empty.
  DisplayText Text(int fromPly, int toPly, NotationFormatter& formatter, bool withTexts) const;
  // Overwrites entry i (keeping its annotations and variations) and keeps the later
  // entries and variations that stay legal. `position` is before entry i.
  int ReplaceMove(const Position& position, const GameMove& move, int i,
                  NotationFormatter* formatter);

 private:
  void FreeEntries(int from, int to);
  int Grow(int n);

  std::unique_ptr<GameMove[]> moves_;
  uint16_t count_ = 0;
  uint16_t capacity_ = 0;
};

class VariationList {
 public:
  VariationList() = default;
  VariationList(const VariationList&) = delete;
  VariationList& operator=(const VariationList&) = delete;
  ~VariationList() = default;

  int Count() const { return static_cast<int>(lines_.size()); }
  // Appends a deep copy; 5 out of memory.
  int Add(const MoveLine& line);
  // Appends a line taken over as it is.
  int AddMoved(MoveLine&& line);
  // Removes line i (freeing what it still holds); 1 without lines.
  int Remove(int i);
  MoveLine* GetLine(int i);
  const MoveLine* GetLine(int i) const;
  void DeepCopy(const VariationList& other);
  void Clear() { lines_.clear(); }
  bool SetFolding(int depth, int limit);

  int16_t flags = 0;  // bit 0: folded in the notation display

 private:
  std::vector<MoveLine> lines_;
};

}  // namespace zh
