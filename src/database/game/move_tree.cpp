#include "database/game/move_tree.h"

#include <algorithm>
#include <new>

#include "core/rules/movelist.h"
#include "core/rules/notation.h"
#include "database/game/annotation_set.h"

namespace zh {

namespace {

int g_growthLimit = -1;

bool GrowthAllowed() {
  if (g_growthLimit < 0) return true;
  if (g_growthLimit == 0) return false;
  --g_growthLimit;
  return true;
}

int RoundUp4(int n) {
  return (n + 3) & ~3;
}

// A legal move from `position` that stands for `entry`: the entry itself, or the
// same piece reaching the same square from elsewhere. False when there is none.
bool FindLegalStandIn(const Position& position, GameMove& entry) {
  MoveList legal;
  legal.GenerateLegal(position);
  for (const MoveCode& m : legal)
    if (m.from == entry.from && m.to == entry.to &&
        (!(m.kind & kPromotion) || m.promotion == std::clamp<int>(entry.promotion, kQueen, kRook)))
      return true;
  for (const MoveCode& m : legal)
    if (m.to == entry.to && position.board[m.from] == entry.piece) {
      entry.from = m.from;
      return true;
    }
  return false;
}

// Re-validates `line` from index `first` on, starting from `position` (before that
// entry): keeps what stays legal (variations first, from the same position), cuts the
// rest, completes and re-texts every kept move.
void Revalidate(MoveLine& line, int first, Position position, NotationFormatter* formatter) {
  for (int j = first; j < line.Count(); ++j) {
    GameMove& entry = *line.GetMove(j);
    if (VariationList* list = entry.variations) {
      for (int k = list->Count() - 1; k >= 0; --k) {
        MoveLine& v = *list->GetLine(k);
        Revalidate(v, 0, position, formatter);
        if (v.IsEmpty()) list->Remove(k);
      }
      if (list->Count() == 0) FreeVariations(entry);
    }
    if (!FindLegalStandIn(position, entry)) {
      line.Truncate(j);
      return;
    }
    entry.Complete(position);
    position.DoGameMove(entry);
    if (formatter) entry.SetText(formatter->FormatMove(position, entry));
  }
}

bool FoldVariations(VariationList& list, int depth, int limit);

// Folds the lists of a line's moves; answers whether any of them ended folded.
bool FoldLine(MoveLine& line, int depth, int limit, bool* met = nullptr) {
  bool marked = false;
  for (GameMove& m : line) {
    if (!m.variations) continue;
    if (met) *met = true;
    marked |= FoldVariations(*m.variations, depth, limit);
  }
  return marked;
}

bool FoldVariations(VariationList& list, int depth, int limit) {
  if (depth < limit)
    list.flags &= ~1;
  else
    list.flags |= 1;
  bool deeper = false;
  for (int i = 0; i < list.Count(); ++i) deeper |= FoldLine(*list.GetLine(i), depth + 1, limit);
  if (list.Count() == 1 && list.GetLine(0)->Count() <= 5 && !deeper) list.flags &= ~1;
  return (list.flags & 1) || deeper;
}

}  // namespace

void SetMoveLineGrowthLimit(int n) {
  g_growthLimit = n;
}

void FreeAnnotations(GameMove& move) {
  delete move.annotations;
  move.annotations = nullptr;
}

void FreeVariations(GameMove& move) {
  delete move.variations;
  move.variations = nullptr;
}

void ResetMove(GameMove& move) {
  FreeAnnotations(move);
  FreeVariations(move);
  move = GameMove();
}

void DeepCopyMove(GameMove& dst, const GameMove& src) {
  if (&dst == &src) return;
  FreeAnnotations(dst);
  FreeVariations(dst);
  dst.CopyMoveOnly(src);
  if (src.annotations) dst.annotations = new AnnotationSet(*src.annotations);
  if (src.variations) {
    dst.variations = new VariationList;
    dst.variations->DeepCopy(*src.variations);
  }
}

void CopyAnnotations(GameMove& dst, const GameMove& src) {
  if (!src.annotations || &dst == &src) return;
  FreeAnnotations(dst);
  dst.annotations = new AnnotationSet(*src.annotations);
}

AnnotationSet* GetAnnotations(GameMove& move) {
  if (!move.annotations) move.annotations = new (std::nothrow) AnnotationSet;
  return move.annotations;
}

int AddVariation(GameMove& move, const MoveLine& line) {
  if (!move.variations) move.variations = new (std::nothrow) VariationList;
  if (!move.variations) return 5;
  return move.variations->Add(line);
}

int SetSymbols(GameMove& move, MoveSymbols symbols) {
  const uint32_t v = symbols.Pack() & 0xFFFFFF;
  if (!v && !move.annotations) return 0;
  AnnotationSet* set = GetAnnotations(move);
  if (!set) return 5;
  set->SetSymbols(v);
  if (set->IsEmpty()) FreeAnnotations(move);
  return 0;
}

MoveSymbols GetSymbols(const GameMove& move) {
  return MoveSymbols::Unpack(move.annotations ? move.annotations->GetSymbols() : 0);
}

void AddComment(GameMove& move, const std::string& text, bool after, int style) {
  if (text.empty()) return;
  AnnotationSet* set = GetAnnotations(move);
  if (!set) return;
  const std::string& old = after ? set->GetTextAfter(kAllLanguages) : set->GetTextBefore(kAllLanguages);
  const std::string joined = old.empty() ? text : old + (style ? ". " : " ") + text;
  if (after)
    set->SetTextAfter(joined, 0, kAllLanguages);
  else
    set->SetTextBefore(joined, 0, kAllLanguages);
}

const std::string& CommentAfter(const GameMove& move) {
  return move.annotations ? move.annotations->GetTextAfter(kAllLanguages) : AnnotationSet::EmptyText();
}

MoveLine::MoveLine(int capacity) {
  if (capacity > 0) Reserve(capacity);
}

MoveLine::~MoveLine() {
  FreeEntries(0, count_);
}

MoveLine::MoveLine(MoveLine&& o) noexcept
    : moves_(std::move(o.moves_)), count_(o.count_), capacity_(o.capacity_) {
  o.count_ = o.capacity_ = 0;
}

MoveLine& MoveLine::operator=(MoveLine&& o) noexcept {
  if (this != &o) Adopt(o);
  return *this;
}

void MoveLine::FreeEntries(int from, int to) {
  for (int i = from; i < to; ++i) ResetMove(moves_[i]);
}

int MoveLine::Grow(int n) {
  if (!GrowthAllowed()) return 5;
  const int capacity = RoundUp4(n);
  std::unique_ptr<GameMove[]> moves(new (std::nothrow) GameMove[capacity]);
  if (!moves) return 5;
  std::copy(moves_.get(), moves_.get() + count_, moves.get());
  moves_ = std::move(moves);
  capacity_ = static_cast<uint16_t>(capacity);
  return 0;
}

int MoveLine::Reserve(int n) {
  if (n <= 0) {
    FreeEntries(0, count_);
    moves_.reset();
    count_ = capacity_ = 0;
    return 0;
  }
  if (n <= capacity_) return 0;
  if (n > 0xFFFC) return 5;
  return Grow(n);
}

int MoveLine::Append(const GameMove& move) {
  // Growing by half keeps a long line from being copied every few moves.
  if (count_ == capacity_ &&
      (count_ >= 0xFFFC || Reserve(std::min(0xFFFC, std::max(count_ + 4, count_ + count_ / 2)))))
    return 5;
  moves_[count_++] = move;
  return 0;
}

int MoveLine::AppendMoveCode(MoveCode code) {
  GameMove m = GameMove::FromSquares(code.from, code.to, code.promotion);
  m.kind = code.kind;
  return Append(m);
}

int MoveLine::TruncateAndAppend(const GameMove& move, int i) {
  if (i < count_) Truncate(std::max(i, 0));
  return Append(move);
}

int MoveLine::Truncate(int i, bool freeArray) {
  if (!moves_) return 1;
  i = std::max(i, 0);
  if (i < count_) FreeEntries(i, count_);
  if (freeArray) {
    moves_.reset();
    count_ = capacity_ = 0;
  } else {
    count_ = static_cast<uint16_t>(std::min<int>(count_, i));
  }
  return 0;
}

GameMove* MoveLine::GetMove(int i) {
  static GameMove empty;
  if (i >= 0 && i < capacity_) return &moves_[i];
  empty = GameMove();
  return &empty;
}

const GameMove* MoveLine::GetMove(int i) const {
  return const_cast<MoveLine*>(this)->GetMove(i);
}

void MoveLine::Adopt(MoveLine& other) {
  if (this == &other) return;
  FreeEntries(0, count_);
  moves_ = std::move(other.moves_);
  count_ = other.count_;
  capacity_ = other.capacity_;
  other.count_ = other.capacity_ = 0;
}

int MoveLine::MoveFrom(MoveLine& src, int i) {
  Truncate(0);
  return AppendMoveFrom(src, i);
}

int MoveLine::AppendMoveFrom(MoveLine& src, int i) {
  i = std::max(i, 0);
  if (i >= src.count_) return 0;
  if (Reserve(count_ + src.count_ - i)) return 5;
  for (int k = i; k < src.count_; ++k) {
    moves_[count_++] = src.moves_[k];
    src.moves_[k] = GameMove();
  }
  src.count_ = static_cast<uint16_t>(i);
  return 0;
}

int MoveLine::DeepCopyFrom(const MoveLine& src, int i) {
  Truncate(0);
  i = std::max(i, 0);
  if (i >= src.count_) return 0;
  if (Reserve(src.count_ - i)) return 5;
  for (int k = i; k < src.count_; ++k) DeepCopyMove(moves_[count_++], src.moves_[k]);
  return 0;
}

void MoveLine::ClearPointers() {
  for (int i = 0; i < count_; ++i) moves_[i] = GameMove();
  count_ = 0;
}

int MoveLine::CountMoves(int i) const {
  int n = 0;
  for (int k = std::max(i, 0); k < count_; ++k) {
    ++n;
    if (const VariationList* list = moves_[k].variations)
      for (int v = 0; v < list->Count(); ++v) n += list->GetLine(v)->CountMoves(0);
  }
  return n;
}

int MoveLine::RemoveAnnotations(int first, int last, int type, bool withVariations) {
  const int end = std::min(last, int(count_));
  for (int k = std::max(first, 0); k < end; ++k) {
    GameMove& m = moves_[k];
    if (m.annotations) {
      if (type == -1)
        FreeAnnotations(m);
      else
        m.annotations->RemoveType(type);
    }
    if (!m.variations) continue;
    if (withVariations) {
      FreeVariations(m);
    } else {
      for (int v = 0; v < m.variations->Count(); ++v)
        m.variations->GetLine(v)->RemoveAnnotations(0, kPlyLimit, type, false);
    }
  }
  return end;
}

void MoveLine::CollectMedals(uint16_t& bits) const {
  for (const GameMove& m : *this) {
    if (m.annotations) bits |= static_cast<uint16_t>(m.annotations->GetMedal());
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v) m.variations->GetLine(v)->CollectMedals(bits);
  }
}

bool MoveLine::SetFolding(int depth, int limit) {
  bool met = false;
  FoldLine(*this, depth, limit, &met);
  return met;
}

bool MoveLine::FindMove(int first, int last, int piece, int from, int to, int& index) const {
  for (int k = std::max(first, 0); k <= last && k < count_; ++k) {
    const GameMove& m = moves_[k];
    if ((piece == 0 || m.piece == piece) && (from == -1 || m.from == from) && (to == -1 || m.to == to)) {
      index = k;
      return true;
    }
  }
  return false;
}

EvalValue MoveLine::LastEvaluation() const {
  for (int k = count_ - 1; k >= 0; --k)
    if (moves_[k].annotations && moves_[k].annotations->HasEngineEval())
      return moves_[k].annotations->GetEngineEval();
  EvalValue none;
  none.kind = kEvalNone;
  return none;
}

void MoveLine::ComputeTexts(const Position& start, NotationFormatter& formatter) {
  Position p = start;
  for (GameMove& m : *this) {
    p.DoGameMove(m);
    m.SetText(formatter.FormatMove(p, m));
  }
}

DisplayText MoveLine::Text(int fromPly, int toPly, NotationFormatter& formatter, bool withTexts) const {
  DisplayText t;
  const int end = std::min(toPly, int(count_));
  for (int p = std::max(fromPly, 0); p < end; ++p) {
    if (!t.empty()) t += ' ';
    if (p == fromPly)
      t += formatter.FormatMovePrefix(p);
    else if ((formatter.startSide + p) % 2 == 0)
      t += formatter.FormatMoveNumber(p);
    t += withTexts ? moves_[p].Text() : DisplayText(moves_[p].LongText());
  }
  if (t.empty()) t += "--";
  return t;
}

int MoveLine::ReplaceMove(const Position& position, const GameMove& move, int i,
                          NotationFormatter* formatter) {
  if (i >= count_) return Append(move);
  GameMove& entry = moves_[i];
  AnnotationSet* annotations = entry.annotations;
  VariationList* variations = entry.variations;
  entry = move;
  entry.annotations = annotations;
  entry.variations = variations;
  Position after = position;
  after.DoGameMove(entry);
  Revalidate(*this, i + 1, after, formatter);
  return 0;
}

int VariationList::Add(const MoveLine& line) {
  MoveLine copy;
  if (copy.DeepCopyFrom(line, 0)) return 5;
  return AddMoved(std::move(copy));
}

int VariationList::AddMoved(MoveLine&& line) {
  if (lines_.size() == lines_.capacity()) lines_.reserve(lines_.size() + 4);
  lines_.push_back(std::move(line));
  return 0;
}

int VariationList::Remove(int i) {
  if (lines_.empty()) return 1;
  if (i < 0 || i >= Count()) return 0;
  lines_.erase(lines_.begin() + i);
  return 0;
}

MoveLine* VariationList::GetLine(int i) {
  static MoveLine empty;
  if (i >= 0 && i < Count()) return &lines_[i];
  empty.Truncate(0);
  return &empty;
}

const MoveLine* VariationList::GetLine(int i) const {
  return const_cast<VariationList*>(this)->GetLine(i);
}

void VariationList::DeepCopy(const VariationList& other) {
  if (this == &other) return;
  lines_.clear();
  for (const MoveLine& l : other.lines_) Add(l);
  flags = other.flags;
}

bool VariationList::SetFolding(int depth, int limit) {
  return FoldVariations(*this, depth, limit);
}

}  // namespace zh
