// The rules of a row list, without any drawing: page geometry, top row, cursor,
// selection, the scroll bar's thumb, and what keys, clicks, drags and the scroll
// bars do to them. The list window feeds events in and paints what the rules say.
#pragma once

#include <cstdint>
#include <memory>

#include "app/row_selection.h"
#include "core/services.h"

namespace zh {

// Mode word bits of a list.
namespace list_mode {
inline constexpr int kMultiSelect = 0x01;
inline constexpr int kRowHighlight = 0x02;
inline constexpr int kCell = 0x04;
inline constexpr int kTitle = 0x10;
inline constexpr int kTitleRows = 0x20;
inline constexpr int kStyle1 = 0x40;
inline constexpr int kHorizontalBar = 0x80;
}  // namespace list_mode

inline constexpr int kMaxVisibleRows = 300;
inline constexpr int kListBarSize = 18;       // vertical bar width, horizontal bar height
inline constexpr int kThumbRange = 1000;      // the vertical bar runs 0..1000
inline constexpr int kJumpRows = 15;          // larger thumb moves defer the page
inline constexpr int kDeferredRedrawMs = 200;
inline constexpr int kContinuousStepMs = 30;  // one row per step

// 0 below 10, 1 below 100, ... 6 below 10,000,000, 7 above.
int DecimalOrder(int64_t value);

// Where the parts of a list go in a client area of width x height.
struct ListLayoutInput {
  int width = 0;
  int height = 0;
  int rowHeight = 1;
  int charWidth = 1;
  int mode = 0;
  bool hasTitle = false;
  int titleOwnRows = 1;     // the title's own row count (used with kTitleRows)
  int bottomHeight = 0;     // 0 = no bottom window
};
struct ListLayout {
  int rowsWidth = 0;        // rows area and title width
  int titleY = 0;
  int titleRows = 0;
  int rowsY = 0;
  int visibleRows = 0;      // data rows on the page
  int visibleColumns = 1;
  int hbarY = 0;            // when the horizontal bar is shown
};
ListLayout LayOutList(const ListLayoutInput& in);

// The vertical thumb (0..1000) for a top row.
int ThumbForTop(int64_t top, int64_t count, int visible);
// The top row for a dragged thumb.
int64_t TopForThumb(int thumb, int64_t count, int visible);

// What the rules ask of the list they serve.
class ListHost {
 public:
  virtual ~ListHost() = default;
  virtual int64_t GetRowCount() = 0;
  virtual int32_t GetColumnCount() = 0;
  virtual int64_t FirstSelectableRow() { return 0; }
  virtual void ActivateRow() {}
  virtual void TopRowChanged() {}
  // Characters to move in cell mode; 0 = no move.
  virtual int32_t NextColumn() { return 0; }
  virtual int32_t PreviousColumn() { return 0; }
  virtual void ContextClick(int x, int y) { (void)x, (void)y; }
  // The state changed outside an input event (a timer): show it.
  virtual void RulesChanged() {}
};

// How the next repaint is to be done.
enum class ListRedraw {
  kChanges,   // scroll the pixels by the top's move, repaint rows whose look changed
  kAll,       // repaint the page
  kFirstRow,  // repaint the first row now, the page when the deferred timer runs
};

enum class MouseButton { kLeft, kRight, kMiddle };

class ListRules {
 public:
  ListRules(ListHost& host, int mode);
  ~ListRules();
  ListRules(const ListRules&) = delete;
  ListRules& operator=(const ListRules&) = delete;

  int Mode() const { return mode_; }
  bool Has(int bit) const { return (mode_ & bit) != 0; }
  void SetGeometry(int visibleRows, int rowHeight, int visibleColumns, int columnWidth);

  int VisibleRows() const { return visible_; }
  int RowHeight() const { return rowHeight_; }
  int VisibleColumns() const { return visibleColumns_; }
  int64_t TopRow() const { return top_; }
  int64_t CursorRow() const { return cursor_; }
  int32_t CursorColumn() const { return cursorColumn_; }
  int32_t CursorX() const { return cursorX_; }
  int32_t FirstColumn() const { return firstColumn_; }
  const RowSelection& Selection() const { return selection_; }
  RowSelection& Selection() { return selection_; }
  bool CursorShown() const { return showCursor_; }
  void SetCursorShown(bool on) { showCursor_ = on; }
  int Thumb() const;
  // The last row on the page (it may lie past the end of the list).
  int64_t LastVisibleRow() const { return top_ + visible_ - 1; }
  // Whether the absolute row is drawn inverted as a whole row.
  bool RowInverted(int64_t row) const;
  bool ContinuousScrollRunning() const { return continuous_; }
  bool RedrawPending() const { return deferPending_; }
  void BlockPageScroll(bool on) { pageBlocked_ = on; }
  // Takes the redraw request of the last change (kChanges when none).
  ListRedraw TakeRedraw();

  // Keys: a key code with modifier bits (app/gui_tables.h); true when used.
  bool KeyInput(int code);
  // Mouse in the rows area; y from the rows area's top, modifiers as key bits.
  void MouseDown(int x, int y, MouseButton button, int modifiers, bool doubleClick);
  void MouseMove(int x, int y, bool leftHeld, int modifiers);
  void MouseUp(int x, int y, MouseButton button, int modifiers);

  // Scroll bar actions.
  void LineUp();
  void LineDown();
  void PageUp();
  void PageDown();
  void ThumbDrag(int thumb);
  void ThumbReleased();
  void HorizontalTo(int32_t column);

  void ScrollToTop();
  void ScrollToEnd();
  void SelectAll();
  void GoTo(int64_t row, int32_t columnOrX);
  void Reset();
  // Stops a continuous scroll; true when no key-requested scroll was running.
  bool StopContinuousScroll();

 private:
  int64_t Count() const { return host_.GetRowCount(); }
  int64_t LastOnPage() const;
  bool CursorValid() const { return cursor_ >= 0 && cursor_ < Count(); }
  void SetTop(int64_t top);
  // Moves the cursor and selects its row (keeping the other selected rows or not).
  void MoveCursorTo(int64_t row, bool keepSelection);
  // Moves the cursor only; the selection stays.
  void PlaceCursor(int64_t row);
  void EnsureCursorVisible();
  void CursorDown(bool extend);
  void CursorUp(bool extend);
  void KeyPageUp(bool extend);
  void KeyPageDown(bool extend);
  void LeftRight(int direction);
  void ShiftColumns(int32_t by);
  void StartContinuous(int direction);
  void ContinuousStep();
  void FinishContinuous();
  void DeferredTimeout();
  void Request(ListRedraw redraw);
  int64_t RowAt(int y) const { return top_ + (rowHeight_ > 0 ? y / rowHeight_ : 0); }

  ListHost& host_;
  int mode_;
  int visible_ = 0;
  int rowHeight_ = 1;
  int visibleColumns_ = 1;
  int columnWidth_ = 1;
  int64_t top_ = 0;
  int64_t cursor_ = 0;
  int32_t cursorColumn_ = 0;
  int32_t cursorX_ = 0;
  int32_t firstColumn_ = 0;
  RowSelection selection_;
  bool showCursor_ = true;
  bool pageBlocked_ = false;
  ListRedraw redraw_ = ListRedraw::kChanges;

  // Mouse.
  int64_t anchor_ = -1;
  int64_t pressedRow_ = -1;
  bool plainClick_ = false;
  bool rangeStarted_ = false;
  bool ignoreMove_ = false;
  int lastX_ = 0;
  int lastY_ = 0;

  // Continuous scroll and deferred page redraw.
  bool continuous_ = false;
  bool continuousByKey_ = false;
  int continuousDirection_ = 0;
  bool deferPending_ = false;
  bool dragging_ = false;
  std::unique_ptr<Timer> stepTimer_;
  std::unique_ptr<Timer> deferTimer_;
};

}  // namespace zh
