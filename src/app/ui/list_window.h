// The base of every row list: a rows area that paints only the rows in view, a
// vertical bar over 0..1000, an optional horizontal bar and title bar. The rules
// (app/list_rules.h) decide; this window feeds them events and paints.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/list_rules.h"
#include "core/services.h"

class QScrollBar;
class QPainter;

namespace zh {

class ListWindow;
class SortedLONGArr;

// The bar of column titles above a list's rows. By default it asks its list to
// paint the titles.
class ListTitleWindow : public QWidget {
 public:
  explicit ListTitleWindow(QWidget* parent = nullptr);
  // Rows the title takes when its list allows several.
  virtual int TitleRows() const { return 1; }
  // The list's font; a bar derives its own text font from it.
  virtual void SetListFont(const QFont& font) { setFont(font); }
  void AttachList(ListWindow* list) { list_ = list; }
  ListWindow* List() const { return list_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ListWindow* list_ = nullptr;
};

// The highlight's left and right pixel bounds that a row may report; -1 = whole row.
struct RowBounds {
  int left = -1;
  int right = -1;
};

// A font of the rows and the colour to draw it in.
struct RowFont {
  QFont font;
  QColor colour;
};
enum class RowFontKind { kBold, kColour7, kItalic, kPlain, kUnderlined, kBoldUnderlined };

class ListWindow : public QWidget, public ListHost {
 public:
  ListWindow(QWidget* parent, int mode, const QFont& font);
  ~ListWindow() override;

  // What a subclass says.
  // Draws one row with its top-left at `at`; non-zero stops the drawing.
  virtual int DrawRow(QPainter& painter, int64_t row, QPoint at, int32_t firstColumn,
                      RowBounds& bounds) = 0;
  virtual void PaintTitle(QPainter& painter, int offset, int32_t firstColumn) {
    (void)painter, (void)offset, (void)firstColumn;
  }
  // The cell of the cursor in cell mode; empty: one character at x.
  virtual QRect GetCellRect(int64_t row, int32_t x) { return (void)row, (void)x, QRect(); }
  // After the cursor was drawn at a new place: the row, the column (or x in cell mode).
  virtual void CursorMoved(int64_t row, int32_t columnOrX, bool flag) { (void)row, (void)columnOrX, (void)flag; }
  virtual void SetListFont(const QFont& font);
  virtual QSize GetDefaultSize() const;
  virtual void Reset();

  void SetTitleWindow(ListTitleWindow* title);
  ListTitleWindow* TitleWindow() const { return title_; }
  void SetBottomWindow(QWidget* bottom, int height);
  void SetBackgroundColor(int colour);
  void SetExtraRowSpacing(int pixels);

  void ScrollToTop();
  void ScrollToEnd();
  void SelectAll();
  void GoTo(int64_t row, int32_t columnOrX);
  // A key code with modifier bits; true when the list used it.
  virtual bool KeyInput(int code);
  void InvalidateLines(int first, int end);
  void HideCursor();
  void ShowCursor();
  void UpdateScrollBar();
  // Flags: 1 also the vertical thumb, 2 also the horizontal thumb.
  void Refresh(int flags);
  // Paints visible rows first..end-1; the first non-zero DrawRow result.
  int DrawLines(QPainter& painter, int first, int end);
  void SetDrawingSuspended(bool on);
  bool DrawingSuspended() const { return suspended_; }
  bool StopContinuousScroll() { return rules_.StopContinuousScroll(); }

  ListRules& Rules() { return rules_; }
  const ListRules& Rules() const { return rules_; }
  const RowSelection& Selection() const { return rules_.Selection(); }
  // The selected rows in ascending order; false when they did not all fit.
  bool SelectedRows(SortedLONGArr& out) const { return rules_.Selection().CopyTo(out); }
  int64_t TopRow() const { return rules_.TopRow(); }
  int64_t CursorRow() const { return rules_.CursorRow(); }
  int VisibleRows() const { return rules_.VisibleRows(); }
  int RowHeight() const { return rowHeight_; }
  int CharWidth() const { return charWidth_; }
  int CharHeight() const { return charHeight_; }
  const QFont& ListFont() const { return listFont_; }
  const RowFont& Font(RowFontKind kind) const { return rowFonts_[static_cast<int>(kind)]; }
  QColor Background() const { return background_; }
  // The rows area, its rectangle of visible row i, and the bars.
  QWidget* Rows() const;
  QRect RowRect(int visibleRow) const;
  QScrollBar* VerticalBar() const { return vbar_; }
  QScrollBar* HorizontalBar() const { return hbar_; }
  // Called with this window after the cursor moved.
  CallbackLink cursorLink;

  // Shows what changed in the rules: scrolls pixels, repaints rows, moves thumbs.
  void Commit();
  void RulesChanged() override { Commit(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class LineWindow;
  friend class LineWindow;
  void Relayout();
  void SetThumbs();
  void OnVerticalAction(int action);
  void OnHorizontalAction(int action);
  bool CursorCellMode() const { return rules_.Has(list_mode::kCell); }
  QRect CursorCellRect(int visibleRow);

  ListRules rules_;
  LineWindow* lines_ = nullptr;
  ListTitleWindow* title_ = nullptr;
  QWidget* bottom_ = nullptr;
  int bottomHeight_ = 0;
  QScrollBar* vbar_ = nullptr;
  QScrollBar* hbar_ = nullptr;
  QWidget* corner_ = nullptr;
  QFont listFont_;
  RowFont rowFonts_[6];
  QColor background_;
  int charWidth_ = 1, charHeight_ = 1, rowHeight_ = 1, extraSpacing_ = 0;
  bool suspended_ = false;
  bool ready_ = false;
  bool settingThumbs_ = false;
  int wheelRest_ = 0;

  // What the rows area shows (or is about to show once its paint runs).
  struct Shown {
    bool valid = false;
    int64_t top = 0, cursor = -1;
    int32_t firstColumn = 0, cursorColumn = 0, cursorX = 0;
    bool cursorShown = true;
    std::vector<char> inverted;
  } shown_;
};

}  // namespace zh
