#include "app/list_rules.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/gui_tables.h"

namespace zh {

int DecimalOrder(int64_t value) {
  int order = 0;
  for (int64_t limit = 10; order < 7 && value >= limit; limit *= 10) ++order;
  return order;
}

ListLayout LayOutList(const ListLayoutInput& in) {
  ListLayout out;
  const int rowHeight = std::max(1, in.rowHeight);
  out.rowsWidth = std::max(0, in.width - kListBarSize);
  int usable = in.height;
  if (in.mode & list_mode::kHorizontalBar) usable -= kListBarSize;
  out.hbarY = std::max(0, usable);
  if (in.bottomHeight > 0) usable -= in.bottomHeight + 2;
  usable = std::max(0, usable);
  if (in.bottomHeight > 0 && (in.mode & list_mode::kHorizontalBar)) out.hbarY = usable;
  const int total = std::min(usable / rowHeight, kMaxVisibleRows);
  if (in.hasTitle && total >= 2) {
    out.titleRows = 1;
    if ((in.mode & list_mode::kTitleRows) && in.titleOwnRows >= 1 && in.titleOwnRows < total)
      out.titleRows = in.titleOwnRows;
  }
  out.visibleRows = total - out.titleRows;
  out.titleY = (usable % rowHeight) / 2;
  out.rowsY = out.titleY + out.titleRows * rowHeight;
  out.visibleColumns = std::max(1, out.rowsWidth / std::max(1, in.charWidth));
  return out;
}

int ThumbForTop(int64_t top, int64_t count, int visible) {
  if (count <= 0) return kThumbRange;
  if (top > 0 && top >= count - visible) return kThumbRange;
  int64_t thumb = top * kThumbRange / count;
  if (top != 0 && thumb < 1) thumb = 1;
  return static_cast<int>(std::min<int64_t>(thumb, kThumbRange));
}

int64_t TopForThumb(int thumb, int64_t count, int visible) {
  int64_t top = static_cast<int64_t>(std::clamp(thumb, 0, kThumbRange)) * count / kThumbRange;
  top = std::min(top, count - visible + 2);
  top = std::min(top, count - 1);
  // A list shorter than the page has a negative upper bound: the lower bound wins.
  return std::max<int64_t>(top, 0);
}

ListRules::ListRules(ListHost& host, int mode) : host_(host), mode_(mode) {
  stepTimer_ = Timers().MakeTimer([this] { ContinuousStep(); });
  deferTimer_ = Timers().MakeTimer([this] { DeferredTimeout(); });
}

ListRules::~ListRules() = default;

void ListRules::SetGeometry(int visibleRows, int rowHeight, int visibleColumns, int columnWidth) {
  visible_ = std::clamp(visibleRows, 0, kMaxVisibleRows);
  rowHeight_ = std::max(1, rowHeight);
  visibleColumns_ = std::max(1, visibleColumns);
  columnWidth_ = std::max(1, columnWidth);
  if (cursorColumn_ > visibleColumns_ - 1) cursorColumn_ = visibleColumns_ - 1;
  Request(ListRedraw::kAll);
}

int ListRules::Thumb() const { return ThumbForTop(top_, Count(), visible_); }

bool ListRules::RowInverted(int64_t row) const {
  if (Has(list_mode::kRowHighlight) && selection_.Contains(row)) return true;
  return showCursor_ && !Has(list_mode::kCell) && row == cursor_;
}

ListRedraw ListRules::TakeRedraw() {
  ListRedraw r = redraw_;
  redraw_ = ListRedraw::kChanges;
  return r;
}

void ListRules::Request(ListRedraw redraw) {
  if (redraw == ListRedraw::kAll)
    redraw_ = ListRedraw::kAll;
  else if (redraw == ListRedraw::kFirstRow && redraw_ != ListRedraw::kAll)
    redraw_ = ListRedraw::kFirstRow;
}

int64_t ListRules::LastOnPage() const { return std::min<int64_t>(top_ + visible_ - 1, Count() - 1); }

void ListRules::SetTop(int64_t top) {
  if (top == top_) return;
  top_ = top;
  host_.TopRowChanged();
}

void ListRules::EnsureCursorVisible() {
  if (cursor_ < top_)
    SetTop(cursor_);
  else if (visible_ > 0 && cursor_ > top_ + visible_ - 1)
    SetTop(cursor_ - visible_ + 1);
}

void ListRules::MoveCursorTo(int64_t row, bool keepSelection) {
  if (!keepSelection) selection_.Clear();
  cursor_ = row;
  if (row >= 0) selection_.Add(row);
  EnsureCursorVisible();
}

void ListRules::PlaceCursor(int64_t row) {
  cursor_ = row;
  EnsureCursorVisible();
}

void ListRules::CursorDown(bool extend) {
  const int64_t count = Count();
  if (count <= 0) return;
  if (!CursorValid()) return MoveCursorTo(0, false);
  if (cursor_ >= count - 1) return;
  MoveCursorTo(cursor_ + 1, extend);
}

void ListRules::CursorUp(bool extend) {
  if (Count() <= 0) return;
  if (!CursorValid()) return MoveCursorTo(0, false);
  if (cursor_ == 0) return;
  if (extend) selection_.Remove(cursor_);
  MoveCursorTo(cursor_ - 1, extend);
}

void ListRules::KeyPageUp(bool extend) {
  const int page = std::max(visible_ - 1, 1);
  if (extend && CursorValid()) {
    const int64_t first = cursor_ - (visible_ - 1);
    if (first >= 0) {
      selection_.RemoveRange(first, cursor_);
      const int64_t oldTop = top_;
      SetTop(std::max<int64_t>(top_ - visible_, 0));
      cursor_ -= oldTop - top_;
      Request(ListRedraw::kAll);
      return;
    }
    selection_.Clear();
  }
  SetTop(std::max<int64_t>(top_ - page, 0));
  PlaceCursor(top_);
  Request(ListRedraw::kAll);
}

void ListRules::KeyPageDown(bool extend) {
  const int64_t count = Count();
  if (count <= 0) return;
  const int page = std::max(visible_ - 1, 1);
  const auto pagedTop = [&] {
    return std::max<int64_t>(std::min<int64_t>(top_ + page, count - visible_ + 2), 0);
  };
  if (extend && CursorValid()) {
    const int64_t span = cursor_ == top_ ? visible_ + visible_ / 2 : visible_;
    const int64_t last = std::min(cursor_ + span, count - 1);
    selection_.AddRange(cursor_ + 1, last);
    SetTop(pagedTop());
    cursor_ = last;
    EnsureCursorVisible();
  } else if (cursor_ != LastOnPage()) {
    PlaceCursor(LastOnPage());
  } else {
    SetTop(pagedTop());
    PlaceCursor(LastOnPage());
  }
  Request(ListRedraw::kAll);
}

void ListRules::LeftRight(int direction) {
  if (Has(list_mode::kCell)) {
    const int32_t n = direction > 0 ? host_.NextColumn() : host_.PreviousColumn();
    cursorColumn_ += direction * n;
    cursorX_ += direction * n * columnWidth_;
    return;
  }
  const bool atEdge = direction > 0 ? cursorColumn_ >= visibleColumns_ - 1 : cursorColumn_ <= 0;
  if (Has(list_mode::kRowHighlight) || atEdge) {
    if (Has(list_mode::kHorizontalBar))
      HorizontalTo(firstColumn_ + direction * std::max(visibleColumns_ / 2, 1));
    return;
  }
  cursorColumn_ += direction;
}

void ListRules::HorizontalTo(int32_t column) {
  column = std::clamp(column, 0, std::max(0, host_.GetColumnCount()));
  if (column == firstColumn_) return;
  if (Has(list_mode::kCell)) cursorX_ += (column - firstColumn_) * columnWidth_;
  firstColumn_ = column;
  Request(ListRedraw::kAll);
}

bool ListRules::KeyInput(int code) {
  if (continuous_) {
    StopContinuousScroll();
    return true;
  }
  const int mods = code & key::kModifiers;
  const int k = code & key::kCodeMask;
  const bool extend = (mods & key::kShift) && Has(list_mode::kMultiSelect);
  switch (k) {
    case key::Letter('A'):
      if (mods != key::kCtrl || !Has(list_mode::kRowHighlight)) return false;
      SelectAll();
      return true;
    case key::kDown:
      CursorDown(extend);
      return true;
    case key::kUp:
      CursorUp(extend);
      return true;
    case key::kLeft:
    case key::kRight: {
      if (mods & (key::kShift | key::kAlt)) return false;
      const int direction = k == key::kRight ? 1 : -1;
      if (mods & key::kCtrl)
        StartContinuous(direction);
      else
        LeftRight(direction);
      return true;
    }
    case key::kHome:
      selection_.Clear();
      SetTop(0);
      cursor_ = 0;
      Request(ListRedraw::kAll);
      return true;
    case key::kEnd:
      if (extend && CursorValid())
        selection_.AddRange(cursor_, Count() - 1);
      else
        ScrollToEnd();
      return true;
    case key::kPageUp:
      KeyPageUp(extend);
      return true;
    case key::kPageDown:
      KeyPageDown(extend);
      return true;
    case key::kReturn:
      if (mods) return false;
      host_.ActivateRow();
      return true;
    case key::kSpace: {
      if (mods) return false;
      if (Count() <= 0) return true;
      int64_t next = cursor_ + 1;
      if (next < top_ || next > LastOnPage()) next = top_;
      PlaceCursor(next);
      return true;
    }
    default:
      return false;
  }
}

void ListRules::SelectAll() {
  const int64_t count = Count();
  WaitCursor busy;
  selection_.Clear();
  selection_.AddRange(std::max<int64_t>(host_.FirstSelectableRow(), 0), count - 1);
  ShowStatusMessage(std::to_string(selection_.Count()));
}

void ListRules::MouseDown(int x, int y, MouseButton button, int modifiers, bool doubleClick) {
  lastX_ = x, lastY_ = y;
  plainClick_ = false;
  rangeStarted_ = false;
  if (continuous_) {
    StopContinuousScroll();
    return;
  }
  const bool cell = Has(list_mode::kCell);
  if (button == MouseButton::kRight && !cell) {
    host_.ContextClick(x, y);
    return;
  }
  if (doubleClick && !cell) {
    if (modifiers == 0) {
      host_.ActivateRow();
      ignoreMove_ = true;
    }
    return;
  }
  const int64_t row = RowAt(y);
  if (row < 0 || row >= Count() || row > top_ + visible_ - 1) return;
  anchor_ = row;
  pressedRow_ = row;
  if (modifiers & key::kCtrl) {
    selection_.Toggle(row);
    return;
  }
  if ((modifiers & key::kShift) && Has(list_mode::kRowHighlight)) {
    if (CursorValid())
      selection_.AddRange(std::min(cursor_, row), std::max(cursor_, row));
    else
      selection_.Add(row);
    return;
  }
  if (cell) {
    cursor_ = row;
    cursorX_ = x;
    selection_.Clear();
    selection_.Add(row);
    if (button == MouseButton::kRight) host_.ContextClick(x, y);
    return;
  }
  if (!(selection_.Count() > 1 && selection_.Contains(row))) {
    cursor_ = row;
    cursorColumn_ = std::clamp(x / columnWidth_, 0, visibleColumns_ - 1);
    selection_.Clear();
    selection_.Add(row);
  }
  plainClick_ = modifiers == 0 && button == MouseButton::kLeft;
}

void ListRules::MouseMove(int x, int y, bool leftHeld, int modifiers) {
  if (ignoreMove_) {
    ignoreMove_ = false;
    lastX_ = x, lastY_ = y;
    return;
  }
  if (!leftHeld || modifiers != 0 || !Has(list_mode::kRowHighlight) || anchor_ < 0 || visible_ <= 0)
    return;
  if (std::abs(x - lastX_) <= 1 && std::abs(y - lastY_) <= 1) return;
  lastX_ = x, lastY_ = y;
  const int64_t lastVisible = top_ + visible_ - 1;
  int64_t row = std::clamp(RowAt(std::max(y, 0)), top_, lastVisible);
  row = std::min(row, Count() - 1);
  if (row == lastVisible && y - (visible_ - 1) * rowHeight_ > rowHeight_ / 4 &&
      top_ + visible_ < Count()) {
    LineDown();
    row = top_ + visible_ - 1;
  }
  selection_.RemoveRange(row + 1, top_ + visible_ - 1);
  selection_.AddRange(std::min(anchor_, row), std::max(anchor_, row));
  cursor_ = row;
  rangeStarted_ = true;
}

void ListRules::MouseUp(int, int, MouseButton button, int) {
  if (plainClick_ && !rangeStarted_ && button == MouseButton::kLeft && pressedRow_ >= 0 &&
      pressedRow_ < Count()) {
    cursor_ = pressedRow_;
    selection_.Clear();
    selection_.Add(cursor_);
  }
  plainClick_ = false;
  anchor_ = -1;
}

void ListRules::LineUp() {
  if (top_ > 0) SetTop(top_ - 1);
}

void ListRules::LineDown() {
  if (top_ + visible_ < Count()) SetTop(top_ + 1);
}

void ListRules::PageUp() {
  if (pageBlocked_) return;
  const int64_t count = Count();
  const int page = std::max(visible_ - 1, 1);
  SetTop(std::max<int64_t>(std::min<int64_t>(top_ - page, count - visible_ + 2), 0));
  Request(ListRedraw::kAll);
}

void ListRules::PageDown() {
  if (pageBlocked_) return;
  const int64_t count = Count();
  const int page = std::max(visible_ - 1, 1);
  SetTop(std::max<int64_t>(std::min<int64_t>(top_ + page, count - visible_ + 2), 0));
  Request(ListRedraw::kAll);
}

void ListRules::ThumbDrag(int thumb) {
  dragging_ = true;
  const int64_t top = TopForThumb(thumb, Count(), visible_);
  if (top == top_) return;
  const bool jump = std::abs(top - top_) > kJumpRows || deferPending_;
  SetTop(top);
  if (jump) {
    deferPending_ = true;
    Request(ListRedraw::kFirstRow);
    deferTimer_->Start(kDeferredRedrawMs);
  }
}

void ListRules::ThumbReleased() {
  dragging_ = false;
  if (!deferPending_) return;
  deferPending_ = false;
  deferTimer_->Stop();
  Request(ListRedraw::kAll);
}

void ListRules::DeferredTimeout() {
  if (!deferPending_) return;
  deferPending_ = false;
  Request(ListRedraw::kAll);
  host_.RulesChanged();
}

void ListRules::StartContinuous(int direction) {
  continuous_ = true;
  continuousByKey_ = true;
  continuousDirection_ = direction;
  stepTimer_->StartPeriodic(kContinuousStepMs);
}

void ListRules::ContinuousStep() {
  if (!continuous_) return;
  if (continuousDirection_ < 0)
    LineUp();
  else
    LineDown();
  const bool atEnd = continuousDirection_ < 0 ? top_ <= 0 : top_ + visible_ >= Count();
  if (atEnd) FinishContinuous();
  host_.RulesChanged();
}

void ListRules::FinishContinuous() {
  stepTimer_->Stop();
  continuous_ = false;
  continuousByKey_ = false;
  if (Count() > 0) PlaceCursor(continuousDirection_ < 0 ? top_ : LastOnPage());
}

bool ListRules::StopContinuousScroll() {
  const bool byKey = continuousByKey_;
  if (continuous_) FinishContinuous();
  return !byKey;
}

void ListRules::ScrollToTop() {
  selection_.Clear();
  SetTop(0);
  cursor_ = 0;
  Request(ListRedraw::kAll);
}

void ListRules::ScrollToEnd() {
  selection_.Clear();
  SetTop(std::max<int64_t>(Count() - visible_ + 1, 0));
  cursor_ = top_;
  Request(ListRedraw::kAll);
}

void ListRules::GoTo(int64_t row, int32_t columnOrX) {
  const int64_t count = Count();
  if (row < 0 || row >= count) return;
  if (row < top_ || row > top_ + visible_ - 1) {
    SetTop(std::max<int64_t>(std::min<int64_t>(row - visible_ / 2, count - visible_ + 1), 0));
    Request(ListRedraw::kAll);
  }
  if (Has(list_mode::kCell))
    cursorX_ = columnOrX;
  else
    cursorColumn_ = std::clamp(columnOrX, 0, visibleColumns_ - 1);
  MoveCursorTo(row, false);
}

void ListRules::Reset() {
  selection_.Clear();
  cursor_ = 0;
  cursorColumn_ = 0;
  cursorX_ = 0;
  SetTop(0);
  Request(ListRedraw::kAll);
}

}  // namespace zh
