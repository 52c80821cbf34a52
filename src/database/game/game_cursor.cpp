#include "database/game/game_cursor.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "core/rules/square_list.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"

namespace zh {

namespace {

const StartRecord& StandardStart() {
  static const StartRecord standard;
  return standard;
}

const GameMove* EmptyMove() {
  static GameMove empty;
  empty = GameMove();
  return &empty;
}

bool SameFirstMove(const GameMove& a, const GameMove& b) {
  return a.from == b.from && a.to == b.to && a.kind == b.kind &&
         (!(a.kind & kPromotion) || a.promotion == b.promotion);
}

}  // namespace

Position Position::FromCursor(const GameCursor& cursor) {
  Position p = cursor.GetPosition();
  p.side = p.side == 1 ? 1 : 0;
  return p;
}

void GetEndangeredPieces(const GameCursor& cursor, SquareList& safe, SquareList& threatened,
                         SquareList& contested) {
  cursor.GetPosition().GetEndangeredPieces(safe, threatened, contested);
}

GameCursor::GameCursor(TQGame* game) : game_(game) {
  Rewind();
}

GameCursor::GameCursor(const GameCursor& other)
    : game_(other.game_), position_(other.position_), lines_(other.lines_) {}

GameCursor& GameCursor::operator=(const GameCursor& other) {
  if (this == &other) return *this;
  game_ = other.game_;
  position_ = other.position_;
  lines_.Assign(other.lines_);
  saved_ = 0;
  return *this;
}

const StartRecord& GameCursor::StartOf() const {
  return game_ ? game_->body.start : StandardStart();
}

const StartRecord& GameCursor::GetStartRecord() const {
  return StartOf();
}

MoveLine* GameCursor::MainLine() const {
  return game_ ? &game_->body.mainLine : nullptr;
}

MoveLine* GameCursor::LineOf(const LineStackEntry& entry) const {
  return entry.list ? entry.list->GetLine(entry.index) : nullptr;
}

int GameCursor::LineStart() const {
  return lines_.Count() ? lines_.Top().position.ply : 0;
}

MoveLine* GameCursor::LineAt(int ply, int& index, int strict) const {
  for (int k = lines_.Count() - 1; k >= 0; --k) {
    const LineStackEntry& e = lines_.Entry(k);
    const int start = e.position.ply;
    if (strict ? start < ply : start <= ply) {
      index = ply - start;
      return LineOf(e);
    }
  }
  index = ply;
  return MainLine();
}

const GameMove* GameCursor::GetMove(int ply) const {
  int index = 0;
  MoveLine* line = LineAt(ply, index, 0);
  return line ? line->GetMove(index) : EmptyMove();
}

const GameMove* GameCursor::LastMove() const {
  return position_.ply > 0 ? GetMove(position_.ply - 1) : EmptyMove();
}

MoveLine* GameCursor::CurrentLine() const {
  return lines_.Count() ? LineOf(lines_.Top()) : MainLine();
}

int GameCursor::LineEnd() const {
  if (lines_.Count()) return LineStart() + LineStack::LineLength(lines_.Top());
  return game_ ? game_->body.mainLine.Count() : 0;
}

GameMove* GameCursor::GetVariationsAt(int ply) const {
  int index = 0;
  MoveLine* line = LineAt(ply, index, 1);
  if (!line || index < 0 || index >= line->Count()) return nullptr;
  return line->GetMove(index);
}

int GameCursor::VariationCount(int ply) const {
  const GameMove* m = GetVariationsAt(ply);
  return m && m->variations ? m->variations->Count() : -1;
}

int GameCursor::FindVariation(const GameMove& move) const {
  const GameMove* m = GetVariationsAt(position_.ply);
  if (m && m->variations)
    for (int i = 0; i < m->variations->Count(); ++i) {
      const MoveLine* line = m->variations->GetLine(i);
      if (line->Count() && SameFirstMove(*line->GetMove(0), move)) return i;
    }
  return kChoiceRefuse;
}

bool GameCursor::HasNestedVariations() const {
  const GameMove* m = GetVariationsAt(position_.ply);
  if (!m || !m->variations) return false;
  for (int i = 0; i < m->variations->Count(); ++i) {
    const MoveLine* line = m->variations->GetLine(i);
    for (int k = 1; k < line->Count(); ++k)
      if (line->GetMove(k)->variations) return true;
  }
  return false;
}

void GameCursor::DoMove(const GameMove& move) {
  if (position_.ply < kPlyLimit) position_.DoGameMove(move);
}

void GameCursor::UndoMove(const GameMove& move, bool leaveLine) {
  if (position_.ply <= 0) return;
  if (leaveLine && lines_.Count() && position_.ply <= LineStart() + 1)
    EndLine();
  else
    position_.UndoGameMove(move);
}

int GameCursor::Forward() {
  const int end = LineEnd();
  if (position_.ply >= end) return end;
  DoMove(*GetMove(position_.ply));
  return 0;
}

void GameCursor::Back(bool leaveLine) {
  if (position_.ply > 0) UndoMove(*GetMove(position_.ply - 1), leaveLine);
}

void GameCursor::GoToPly(int ply) {
  ply = std::clamp(ply, 0, LineEnd());
  GamePosition ignored;
  while (lines_.Count() && lines_.Top().position.ply >= ply) lines_.Pop(ignored);
  if (lines_.Count())
    position_ = lines_.Top().position;
  else
    position_ = {StartOf().start.position, 0};
  while (position_.ply < ply && Forward() == 0) {
  }
}

void GameCursor::Rewind() {
  position_ = {StartOf().start.position, 0};
  lines_.Clear();
}

void GameCursor::ToStartPosition() {
  position_ = {StartOf().start.position, 0};
}

void GameCursor::ToInitialPosition() {
  position_ = {Position(), 0};
}

void GameCursor::SavePosition() {
  savedPosition_ = position_;
  savedLines_.Assign(lines_);
  saved_ = 1;
}

void GameCursor::RestorePosition() {
  if (!saved_) return;
  position_ = savedPosition_;
  lines_.Assign(savedLines_);
  saved_ = 0;
}

void GameCursor::LeaveLinesAhead() {
  GamePosition ignored;
  while (lines_.Count() && LineStart() > position_.ply) lines_.Pop(ignored);
}

int GameCursor::BeginLine(int index) {
  LeaveLinesAhead();
  GameMove* m = GetVariationsAt(position_.ply);
  if (!m || !m->variations || index < 0 || index >= m->variations->Count()) {
    DumpText("BeginLine(): Error");
    return 2;
  }
  // Standing at the start of an entered variation, a sibling takes its place, so that
  // no two entries share a list.
  if (lines_.Count() && LineStart() == position_.ply && lines_.Top().list == m->variations) {
    lines_.MutableEntry(lines_.Count() - 1).index = static_cast<uint16_t>(index);
    return 0;
  }
  lines_.PushLine(position_, m->variations, index);
  return 0;
}

int GameCursor::BeginNewLine() {
  GameMove* m = GetVariationsAt(position_.ply);
  if (!m) {
    DumpText("BeginNewLine(): Error");
    return 2;
  }
  if (!m->variations) m->variations = new VariationList;
  if (m->variations->AddMoved(MoveLine())) return 1;
  return BeginLine(m->variations->Count() - 1);
}

int GameCursor::EndLine() {
  if (!lines_.Count()) return 2;
  if (lines_.Pop(position_)) {
    DumpText("EndLine(): Cannot pop");
    return 2;
  }
  return 0;
}

int GameCursor::PromoteVariation(bool notify) {
  if (!lines_.Count()) return 0;
  const int oldPly = position_.ply;
  const LineStackEntry top = lines_.Top();
  VariationList* list = top.list;
  if (!list || top.index >= list->Count()) return -1;
  const int start = top.position.ply;
  MoveLine* parent = MainLine();
  int parentStart = 0;
  if (lines_.Count() >= 2) {
    const LineStackEntry& outer = lines_.Entry(lines_.Count() - 2);
    parent = LineOf(outer);
    parentStart = outer.position.ply;
  }
  MoveLine& v = *list->GetLine(top.index);
  if (!parent || v.IsEmpty()) return -1;
  MoveLine rest;
  rest.MoveFrom(*parent, start - parentStart);
  if (rest.IsEmpty() || rest.GetMove(0)->variations != list) {
    parent->AppendMoveFrom(rest, 0);
    return -1;
  }
  rest.GetMove(0)->variations = nullptr;
  // Alternatives that hung on the variation's first move belong to the same list.
  std::vector<MoveLine> strays;
  GameMove& first = *v.GetMove(0);
  if (first.variations) {
    for (int i = 0; i < first.variations->Count(); ++i) strays.push_back(std::move(*first.variations->GetLine(i)));
    FreeVariations(first);
  }
  first.variations = list;
  parent->AppendMoveFrom(v, 0);
  v.MoveFrom(rest, 0);
  for (MoveLine& line : strays) list->AddMoved(std::move(line));
  EndLine();
  if (notify) Call(kLinePromoted);
  if (position_.ply != oldPly) GoToPly(oldPly);
  return 0;
}

int GameCursor::DeleteVariation(bool notify) {
  if (!lines_.Count()) return 0;
  const LineStackEntry top = lines_.Top();
  if (!top.list) return -1;
  EndLine();
  top.list->Remove(top.index);
  if (top.list->Count() == 0) {
    GameMove* holder = GetVariationsAt(position_.ply);
    if (holder && holder->variations == top.list)
      FreeVariations(*holder);
    else
      DumpText("Illegal line structure!");
  }
  if (notify) Call(kLineDeleted);
  return 0;
}

int GameCursor::CutVariation(bool notify) {
  if (!lines_.Count()) return 0;
  if (!lines_.Top().list) return -1;
  const int back = position_.ply;
  const int start = LineStart();
  for (int i = back - 1; i > start; --i) {
    GoToPly(i);
    const int n = VariationCount(i);
    if (n <= 0 || !HasNestedVariations()) continue;
    if (BeginLine(n - 1) || PromoteVariation(false) || BeginLine(n - 1)) {
      GoToPly(back);
      return -1;
    }
    return DeleteVariation(notify);
  }
  GoToPly(back);
  return DeleteVariation(notify);
}

void GameCursor::DeleteRemainder() {
  LeaveLinesAhead();
  const int end = LineEnd();
  if (position_.ply >= end) return;
  MoveLine* line = CurrentLine();
  const int i = position_.ply - LineStart();
  if (i > 0 && line->Count() > 1) {
    GameMove& last = *line->GetMove(line->Count() - 1);
    GameMove& keep = *line->GetMove(i - 1);
    std::string comment = CommentAfter(last);
    if (!comment.empty()) {
      if (comment.find('/') != std::string::npos && comment.size() > 16 && comment.back() != ')')
        comment += " (" + std::to_string(end / 2) + ")";
      if (const std::string& own = CommentAfter(keep); !own.empty()) comment += " " + own;
      GetAnnotations(keep)->SetTextAfter(comment, 0, kAllLanguages);
    }
    if (const EmbeddedGame* game = last.annotations ? last.annotations->GetGame() : nullptr) {
      if (keep.annotations && keep.annotations->GetGame()) {
        std::string text = game->Description();
        if (const std::string& own = CommentAfter(keep); !own.empty()) text += " " + own;
        keep.annotations->SetTextAfter(text, 0, kAllLanguages);
      } else {
        GetAnnotations(keep)->SetGame(std::make_unique<EmbeddedGame>(*game));
      }
    }
  }
  line->Truncate(i);
  Call(kMovesChanged);
}

int GameCursor::DeleteMovesBefore() {
  if (position_.ply == 0) return 0;
  if (!game_) return -1;
  const int old = position_.ply;
  while (lines_.Count()) {
    if (PromoteVariation(true) < 0) return -1;
    GoToPly(old);
  }
  GameBody& body = game_->body;
  MoveLine rest;
  rest.MoveFrom(body.mainLine, old);
  body.mainLine.Adopt(rest);
  const int first = body.start.FirstMoveNumber() +
                    (body.start.start.position.side == 1 ? (old + 1) / 2 : old / 2);
  body.SetSetUpStart(position_.position, first);
  GoToPly(0);
  Call(kStartChanged);
  return 0;
}

void GameCursor::StripGame() {
  if (game_) game_->body.mainLine.RemoveAnnotations(0, kPlyLimit, -1, false);
}

void GameCursor::ClearGame() {
  if (game_) game_->body.ClearMoves();
  Rewind();
}

int GameCursor::CopyLineFrom(const GameCursor& other) {
  if (!game_) return 0;
  const StartRecord source = other.GetStartRecord();
  const int end = other.LineEnd();
  std::vector<GameMove> path;
  for (int p = 0; p < end; ++p) path.push_back(*other.GetMove(p));
  if (source.IsStandardStart())
    game_->body.SetStandardStart();
  else
    game_->body.SetSetUpStart(source.start.position, source.FirstMoveNumber());
  Rewind();
  int n = 0;
  for (const GameMove& m : path) {
    if (AddMove(m.from, m.to, m.promotion, 2)) break;
    ++n;
  }
  return n;
}

void GameCursor::SetSymbol(int ply, int which, int s) {
  if (ply < 0 || ply >= LineEnd()) return;
  GameMove& move = *const_cast<GameMove*>(GetMove(ply));
  MoveSymbols symbols = GetSymbols(move);
  const int v = s > 164 ? 0 : s;
  if (which == 0) symbols.SetMoveSymbol(v);
  if (which == 1) symbols.SetPositionSymbol(v);
  if (which == 2) symbols.SetPrefixSymbol(v);
  SetSymbols(move, symbols);
}

void GameCursor::SetMoveSymbol(int ply, int s) { SetSymbol(ply, 0, s); }
void GameCursor::SetPositionSymbol(int ply, int s) { SetSymbol(ply, 1, s); }
void GameCursor::SetPrefixSymbol(int ply, int s) { SetSymbol(ply, 2, s); }

int GameCursor::StoreMove(GameMove& move, bool replace) {
  GameBody& body = game_->body;
  if (body.computeMoveTexts) body.ComputeMoveText(position_.position, move);
  MoveLine* line = MainLine();
  if (lines_.Count()) {
    if (!lines_.Top().list) return 18;
    line = LineOf(lines_.Top());
  }
  const int index = position_.ply - 1 - LineStart();
  if (!replace) return line->TruncateAndAppend(move, index);
  Position before = position_.position;
  before.UndoGameMove(move);
  return line->ReplaceMove(before, move, index, &body.Formatter());
}

namespace {
// Whether a legal move of the position goes from `from` to `to` (the promotion piece
// is chosen afterwards and does not decide legality).
bool IsLegalMove(const Position& position, int from, int to) {
  return IsOnBoard(from) && IsOnBoard(to) && MoveList::IsLegalMove(position, from, to);
}
}  // namespace

int GameCursor::AddMove(int from, int to, int promotion, int mode) {
  if (position_.ply >= kPlyLimit || !game_) return 1;
  // An illegal move is refused before anything changes; a null move (from = to) passes.
  if (from != to && !IsLegalMove(position_.position, from, to)) return 1;
  LeaveLinesAhead();
  GameMove move = GameMove::FromSquares(from, to, promotion);
  move.Complete(position_.position);
  if ((move.kind & kPromotion) && promotion == 0 && callbacks[kPromotionPiece].IsSet()) {
    const int32_t piece = Call(kPromotionPiece);
    if (piece == 0) return 1;
    move.promotion = static_cast<uint8_t>(std::clamp<int32_t>(piece, kQueen, kRook));
  }
  bool replace = false, existing = false, entered = false, newLine = false, newList = false;
  if (position_.ply < LineEnd()) {
    int32_t flags = 0;
    if (mode == 0 && callbacks[kVariationChoice].IsSet()) {
      flags = Call(kVariationChoice);
      if (flags & kChoiceRefuse) return 1;
    } else if (mode == 2) {
      flags = kChoiceTruncate;
    }
    if (flags & kChoiceTruncate) {
    } else if (flags & (kChoiceOverwrite | kChoiceReplace)) {
      replace = !(flags & kChoiceOverwrite);
      if ((flags & 0x3F) < VariationCount(position_.ply)) entered = BeginLine(flags & 0x3F) == 0;
    } else if (const int found = FindVariation(move); !(found & kChoiceRefuse)) {
      existing = entered = BeginLine(found) == 0;
    } else {
      const GameMove* holder = GetVariationsAt(position_.ply);
      newList = holder && !holder->variations;
      if (BeginNewLine()) return 18;
      entered = newLine = true;
    }
    if (!(flags & kChoiceTruncate) && lines_.Count() && lines_.Top().list) lines_.Top().list->flags &= ~1;
  }
  position_.DoGameMove(move);
  if (!existing) {
    if (const int rc = StoreMove(move, replace)) {
      position_.UndoGameMove(move);
      if (entered) {
        const int index = lines_.Top().index;
        EndLine();
        if (newLine) {
          GameMove* holder = GetVariationsAt(position_.ply);
          holder->variations->Remove(index);
          if (newList) FreeVariations(*holder);
        }
      }
      return rc;
    }
  }
  Call(replace ? kMoveReplaced : kMovesChanged);
  return 0;
}

}  // namespace zh
