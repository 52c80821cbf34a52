#include "books/tree/tree_maintenance.h"

#include <new>

#include "books/tree/opening_tree.h"
#include "core/services.h"

namespace zh {

bool EnPassantCapturePossible(const Position& p) {
  if (p.epFile < 1 || p.epFile > 8) return false;
  const int file = p.epFile - 1;
  const int rank = p.IsBlackToMove() ? 3 : 4;
  const uint8_t pawn = static_cast<uint8_t>(kPawn | (p.IsBlackToMove() ? kBlackBit : 0));
  for (const int f : {file - 1, file + 1})
    if (f >= 0 && f < 8 && p.board[MakeSquare(f, rank)] == pawn) return true;
  return false;
}

bool IsLegalPredecessor(const Position& before, const GameMove& move) {
  if (!before.IsValid() || !move.ToMove().IsLegal(before)) return false;
  if (before.epFile == 0) return true;
  if (before.epFile > 8) return false;
  // White to move: a black pawn went from rank 7 over rank 6 to rank 5.
  const int file = before.epFile - 1;
  const bool black = before.IsBlackToMove();
  const int passed = black ? 2 : 5, start = black ? 1 : 6, landed = black ? 3 : 4;
  const uint8_t pawn = static_cast<uint8_t>(kPawn | (black ? 0 : kBlackBit));
  return before.board[MakeSquare(file, landed)] == pawn &&
         before.board[MakeSquare(file, passed)] == kEmpty &&
         before.board[MakeSquare(file, start)] == kEmpty;
}

TreeMaintenance::TreeMaintenance(OpeningTree* tree) : tree_(tree) {
  retro_.reset(new (std::nothrow) RetroMoveList());
}

int TreeMaintenance::LegalPredecessors(Position& position) {
  kept_.clear();
  if (!retro_) return 0;
  if (position.epFile != 0 && !EnPassantCapturePossible(position)) position.epFile = 0;
  const int n = retro_->Generate(position, RetroMoveList::kMaxLimit);
  for (int i = 0; i < n; ++i) {
    const GameMove& move = retro_->At(i);
    Position before = position;
    before.UndoGameMove(move);
    if (IsLegalPredecessor(before, move)) kept_.push_back(move);
  }
  return static_cast<int>(kept_.size());
}

int TreeMaintenance::DeleteMove(const Position& position) {
  if (!tree_) return kStopped;
  if (!retro_) return kOutOfMemory;
  Position p = position;
  LegalPredecessors(p);
  for (const GameMove& move : kept_) {
    Position before = p;
    before.UndoGameMove(move);
    if (!tree_->FindPosition(before)) continue;
    // The whole stored list loses the move, also past its 32nd entry.
    if (const int code = tree_->RemoveMoves(before, &move, 1)) return code;
  }
  return tree_->DeletePosition(position);
}

int TreeMaintenance::DeleteSubtree(const Position& position) {
  if (!tree_) return kStopped;
  if (!retro_) return kOutOfMemory;
  // Depth first with a stack of its own: a line of hundreds of plies needs no deep
  // recursion. Children are pushed last first, so the first is deleted first.
  std::vector<Position> stack{position};
  int result = kDone;
  bool first = true;
  while (!stack.empty()) {
    const Position p = stack.back();
    stack.pop_back();
    TreeMoveList list;
    const bool stored = tree_->FindPosition(p, nullptr, nullptr, nullptr, &list);
    const int code = DeleteMove(p);
    if (first) result = code, first = false;
    // A position already gone (reached twice) ends its branch; a failed write ends
    // the run with its code.
    if (code != 0 && code != OpeningTree::kNotStored) return code;
    Reschedule();
    if (code != 0 || !stored) continue;
    list.Complete(p);
    for (int i = list.count - 1; i >= 0; --i) {
      Position next = p;
      next.DoGameMove(list.moves[i]);
      stack.push_back(next);
    }
  }
  return result;
}

int TreeMaintenance::Weed(int depth, int minimum, int decrement) {
  if (!tree_) return kStopped;
  if (const int code = tree_->CreateMarkFile()) return code;
  const int result = WeedBranch(start_, depth, minimum, decrement);
  tree_->DeleteMarkFile();
  return result;
}

int TreeMaintenance::WeedBranch(const Position& position, int depth, int minimum, int decrement) {
  if (!tree_) return kStopped;
  // One frame per position being weeded; its list is walked from the last move to the
  // first, a child's branch is weeded before the child's own game count is judged.
  struct Frame {
    Position position;
    int depth = 0;
    int minimum = 0;
    TreeMoveList list;
    int next = 0;
    bool childOpen = false;
    std::vector<GameMove> removed;
  };
  std::vector<Frame> stack;
  auto open = [&](const Position& p, int d, int m) {
    if (d <= 0) return false;
    Frame frame;
    frame.position = p;
    frame.depth = d;
    frame.minimum = m;
    if (!tree_->FindPosition(p, nullptr, nullptr, nullptr, &frame.list)) return false;
    frame.list.Complete(p);
    frame.next = frame.list.count - 1;
    stack.push_back(std::move(frame));
    return true;
  };
  if (!open(position, depth, minimum)) return kDone;
  while (!stack.empty()) {
    const size_t top = stack.size() - 1;
    Frame& f = stack[top];
    if (f.next < 0) {
      if (!f.removed.empty()) {
        const int code = tree_->RemoveMoves(f.position, f.removed.data(), static_cast<int>(f.removed.size()));
        if (code != 0) return code;
      }
      stack.pop_back();
      Reschedule();
      if (ProcessShouldStop()) return kStopped;
      continue;
    }
    const GameMove move = f.list.moves[f.next];
    Position next = f.position;
    next.DoGameMove(move);
    StatisticItem games;
    if (!tree_->FindPosition(next, &games)) {
      --f.next;
      continue;
    }
    if (!f.childOpen && decrement < f.minimum && !tree_->IsMarked(next)) {
      tree_->Mark(next);
      f.childOpen = true;
      const int childDepth = f.depth - 1, childMinimum = f.minimum - decrement;
      if (open(next, childDepth, childMinimum)) continue;  // `f` may have moved
    }
    Frame& back = stack[top];
    back.childOpen = false;
    if (games.games < static_cast<uint32_t>(back.minimum > 0 ? back.minimum : 0))
      back.removed.push_back(move);
    --back.next;
  }
  return kDone;
}

}  // namespace zh
