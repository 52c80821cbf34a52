#include "app/ui/list_window.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "app/gui_tables.h"
#include "app/ui/key_map.h"
#include "app/ui/widgets/frames.h"

namespace zh {
namespace {

constexpr int kBackgroundColour = 8;
constexpr int kRowFontColour = 7;
constexpr int kWheelNotch = 120;
constexpr int kWheelLines = 3;

int ModifierBits(Qt::KeyboardModifiers modifiers) {
  int bits = 0;
  if (modifiers & Qt::ShiftModifier) bits |= key::kShift;
  if (modifiers & Qt::ControlModifier) bits |= key::kCtrl;
  if (modifiers & Qt::AltModifier) bits |= key::kAlt;
  return bits;
}

MouseButton ButtonOf(Qt::MouseButton button) {
  if (button == Qt::RightButton) return MouseButton::kRight;
  if (button == Qt::MiddleButton) return MouseButton::kMiddle;
  return MouseButton::kLeft;
}

void Invert(QPainter& painter, const QRect& rect) {
  const auto mode = painter.compositionMode();
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.fillRect(rect, Qt::black);
  painter.setCompositionMode(mode);
}

}  // namespace

// The rows area: paints the damaged rows and hands its input to the list.
class ListWindow::LineWindow final : public QWidget {
 public:
  explicit LineWindow(ListWindow& list) : QWidget(&list), list_(list) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    const QRect damaged = event->rect();
    painter.fillRect(damaged, list_.background_);
    const int rh = std::max(1, list_.rowHeight_);
    const int first = std::max(0, damaged.top() / rh);
    const int end = std::min(list_.rules_.VisibleRows(), damaged.bottom() / rh + 1);
    if (first < end) list_.DrawLines(painter, first, end);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!list_.KeyInput(ToKeyCode(event->key(), event->modifiers()))) QWidget::keyPressEvent(event);
  }
  void mousePressEvent(QMouseEvent* event) override { Press(event, false); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { Press(event, true); }
  void mouseMoveEvent(QMouseEvent* event) override {
    const QPoint p = event->position().toPoint();
    list_.rules_.MouseMove(p.x(), p.y(), event->buttons() & Qt::LeftButton, ModifierBits(event->modifiers()));
    list_.Commit();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const QPoint p = event->position().toPoint();
    list_.rules_.MouseUp(p.x(), p.y(), ButtonOf(event->button()), ModifierBits(event->modifiers()));
    list_.Commit();
  }
  void wheelEvent(QWheelEvent* event) override {
    list_.wheelRest_ += event->angleDelta().y();
    const int notches = list_.wheelRest_ / kWheelNotch;
    list_.wheelRest_ -= notches * kWheelNotch;
    for (int i = 0; i < std::abs(notches) * kWheelLines; ++i) {
      if (notches > 0)
        list_.rules_.LineUp();
      else
        list_.rules_.LineDown();
    }
    list_.Commit();
    event->accept();
  }

 private:
  void Press(QMouseEvent* event, bool doubleClick) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    list_.rules_.MouseDown(p.x(), p.y(), ButtonOf(event->button()), ModifierBits(event->modifiers()),
                           doubleClick);
    list_.Commit();
  }

  ListWindow& list_;
};

ListTitleWindow::ListTitleWindow(QWidget* parent) : QWidget(parent) {}

void ListTitleWindow::paintEvent(QPaintEvent*) {
  if (!list_) return;
  QPainter painter(this);
  painter.fillRect(rect(), list_->Background());
  painter.setFont(font());
  list_->PaintTitle(painter, 0, list_->Rules().FirstColumn());
}

ListWindow::ListWindow(QWidget* parent, int mode, const QFont& font)
    : QWidget(parent), rules_(*this, mode) {
  lines_ = new LineWindow(*this);
  vbar_ = new QScrollBar(Qt::Vertical, this);
  vbar_->setRange(0, kThumbRange);
  connect(vbar_, &QScrollBar::actionTriggered, this, [this](int action) { OnVerticalAction(action); });
  connect(vbar_, &QScrollBar::sliderReleased, this, [this] {
    rules_.ThumbReleased();
    Commit();
  });
  if (mode & list_mode::kHorizontalBar) {
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    connect(hbar_, &QScrollBar::actionTriggered, this, [this](int action) { OnHorizontalAction(action); });
    corner_ = new QWidget(this);
  }
  SetBackgroundColor(kBackgroundColour);
  SetListFont(font);
  setFocusProxy(lines_);
}

ListWindow::~ListWindow() = default;

QWidget* ListWindow::Rows() const { return lines_; }

QRect ListWindow::RowRect(int visibleRow) const {
  return QRect(0, visibleRow * rowHeight_, lines_->width(), rowHeight_);
}

void ListWindow::SetListFont(const QFont& font) {
  listFont_ = font;
  const QFontMetrics metrics(font);
  charWidth_ = std::max(1, metrics.averageCharWidth());
  charHeight_ = std::max(1, metrics.height());
  rowHeight_ = std::max(1, metrics.lineSpacing() + extraSpacing_);
  const QColor text = Qt::black;
  auto make = [&](bool bold, bool italic, bool underline, QColor colour) {
    RowFont f{font, colour};
    f.font.setBold(bold);
    f.font.setItalic(italic);
    f.font.setUnderline(underline);
    return f;
  };
  rowFonts_[0] = make(true, false, false, text);
  rowFonts_[1] = make(font.bold(), false, false, NamedQColor(kRowFontColour));
  rowFonts_[2] = make(font.bold(), true, false, text);
  rowFonts_[3] = make(false, false, false, text);
  rowFonts_[4] = make(font.bold(), false, true, text);
  rowFonts_[5] = make(true, false, true, text);
  lines_->setFont(font);
  if (title_) title_->SetListFont(font);
  Relayout();
}

QSize ListWindow::GetDefaultSize() const { return QSize(60 * charWidth_, 20 * rowHeight_); }

void ListWindow::SetExtraRowSpacing(int pixels) {
  extraSpacing_ = std::max(0, pixels);
  SetListFont(listFont_);
}

void ListWindow::SetTitleWindow(ListTitleWindow* title) {
  if (title_ && title_ != title) title_->AttachList(nullptr);
  title_ = title;
  if (title_) {
    title_->setParent(this);
    title_->AttachList(this);
    title_->SetListFont(listFont_);
    title_->show();
  }
  Relayout();
}

void ListWindow::SetBottomWindow(QWidget* bottom, int height) {
  bottom_ = bottom;
  bottomHeight_ = bottom ? std::max(0, height) : 0;
  if (bottom_) {
    bottom_->setParent(this);
    bottom_->show();
  }
  Relayout();
}

void ListWindow::SetBackgroundColor(int colour) {
  background_ = NamedQColor(colour);
  FillBackground(*this, colour);
  FillBackground(*lines_, colour);
  if (corner_) FillBackground(*corner_, colour);
  update();
  lines_->update();
}

void ListWindow::resizeEvent(QResizeEvent*) {
  // The subclass is complete once events arrive; before that its rows cannot be asked.
  ready_ = true;
  Relayout();
}

void ListWindow::Relayout() {
  if (!ready_) return;
  ListLayoutInput in;
  in.width = width();
  in.height = height();
  in.rowHeight = rowHeight_;
  in.charWidth = charWidth_;
  in.mode = rules_.Mode();
  in.hasTitle = title_ != nullptr;
  in.titleOwnRows = title_ ? title_->TitleRows() : 1;
  in.bottomHeight = bottomHeight_;
  const ListLayout layout = LayOutList(in);

  vbar_->setGeometry(width() - kListBarSize, 0, kListBarSize, height() - (hbar_ ? kListBarSize : 0));
  if (title_) {
    title_->setGeometry(0, layout.titleY, layout.rowsWidth, layout.titleRows * rowHeight_);
    title_->setVisible(layout.titleRows > 0);
  }
  lines_->setGeometry(0, layout.rowsY, layout.rowsWidth, std::max(0, layout.hbarY - layout.rowsY));
  if (hbar_) {
    hbar_->setGeometry(0, layout.hbarY, layout.rowsWidth, kListBarSize);
    corner_->setGeometry(layout.rowsWidth, layout.hbarY, kListBarSize, kListBarSize);
    hbar_->setRange(0, std::max(0, GetColumnCount()));
    hbar_->setPageStep(std::max(layout.visibleColumns / 2, 1));
  }
  if (bottom_) bottom_->setGeometry(0, height() - bottomHeight_, layout.rowsWidth, bottomHeight_);
  vbar_->setPageStep(std::max(layout.visibleRows - 1, 1));
  rules_.SetGeometry(layout.visibleRows, rowHeight_, layout.visibleColumns, charWidth_);
  Commit();
}

bool ListWindow::KeyInput(int code) {
  const bool used = rules_.KeyInput(code);
  Commit();
  return used;
}

void ListWindow::keyPressEvent(QKeyEvent* event) {
  if (!KeyInput(ToKeyCode(event->key(), event->modifiers()))) QWidget::keyPressEvent(event);
}

void ListWindow::ScrollToTop() {
  rules_.ScrollToTop();
  Commit();
}

void ListWindow::ScrollToEnd() {
  rules_.ScrollToEnd();
  Commit();
}

void ListWindow::SelectAll() {
  rules_.SelectAll();
  Commit();
}

void ListWindow::GoTo(int64_t row, int32_t columnOrX) {
  rules_.GoTo(row, columnOrX);
  Commit();
}

void ListWindow::Reset() {
  rules_.Reset();
  Commit();
}

void ListWindow::InvalidateLines(int first, int end) {
  first = std::max(first, 0);
  end = std::min(end, rules_.VisibleRows());
  if (first < end) lines_->update(QRect(0, first * rowHeight_, lines_->width(), (end - first) * rowHeight_));
}

void ListWindow::HideCursor() {
  rules_.SetCursorShown(false);
  Commit();
}

void ListWindow::ShowCursor() {
  rules_.SetCursorShown(true);
  Commit();
}

void ListWindow::UpdateScrollBar() { SetThumbs(); }

void ListWindow::Refresh(int flags) {
  lines_->update();
  if (title_) title_->update();
  if (flags & 3) SetThumbs();
}

void ListWindow::SetDrawingSuspended(bool on) {
  suspended_ = on;
  if (!on) lines_->update();
}

QRect ListWindow::CursorCellRect(int visibleRow) {
  QRect cell = GetCellRect(rules_.CursorRow(), rules_.CursorX());
  if (cell.isEmpty()) cell = QRect(rules_.CursorX(), 0, charWidth_, rowHeight_);
  cell.moveTop(visibleRow * rowHeight_);
  cell.setHeight(rowHeight_);
  return cell;
}

int ListWindow::DrawLines(QPainter& painter, int first, int end) {
  if (suspended_) return 0;
  const int64_t count = GetRowCount();
  const int64_t top = rules_.TopRow();
  for (int i = first; i < end; ++i) {
    const QRect rect = RowRect(i);
    painter.fillRect(rect, background_);
    const int64_t row = top + i;
    if (row >= count) continue;
    RowBounds bounds;
    painter.save();
    const int result = DrawRow(painter, row, rect.topLeft(), rules_.FirstColumn(), bounds);
    painter.restore();
    if (result != 0) return result;
    if (rules_.RowInverted(row)) {
      QRect inverted = rect;
      if (bounds.left >= 0 && bounds.right > bounds.left)
        inverted = QRect(bounds.left, rect.top(), bounds.right - bounds.left, rect.height());
      Invert(painter, inverted);
    }
    if (CursorCellMode() && rules_.CursorShown() && row == rules_.CursorRow()) Invert(painter, CursorCellRect(i));
  }
  return 0;
}

void ListWindow::SetThumbs() {
  if (!ready_) return;
  settingThumbs_ = true;
  if (!vbar_->isSliderDown()) vbar_->setValue(rules_.Thumb());
  if (hbar_ && !hbar_->isSliderDown()) {
    hbar_->setRange(0, std::max(0, GetColumnCount()));
    hbar_->setValue(rules_.FirstColumn());
  }
  settingThumbs_ = false;
}

void ListWindow::OnVerticalAction(int action) {
  if (settingThumbs_) return;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      rules_.LineDown();
      break;
    case QAbstractSlider::SliderSingleStepSub:
      rules_.LineUp();
      break;
    case QAbstractSlider::SliderPageStepAdd:
      rules_.PageDown();
      break;
    case QAbstractSlider::SliderPageStepSub:
      rules_.PageUp();
      break;
    case QAbstractSlider::SliderMove:
      rules_.ThumbDrag(vbar_->sliderPosition());
      break;
    case QAbstractSlider::SliderToMinimum:
      rules_.ThumbDrag(0);
      rules_.ThumbReleased();
      break;
    case QAbstractSlider::SliderToMaximum:
      rules_.ThumbDrag(kThumbRange);
      rules_.ThumbReleased();
      break;
    default:
      break;
  }
  Commit();
}

void ListWindow::OnHorizontalAction(int) {
  if (settingThumbs_) return;
  rules_.HorizontalTo(hbar_->sliderPosition());
  Commit();
}

void ListWindow::Commit() {
  if (!ready_) return;
  const ListRedraw redraw = rules_.TakeRedraw();
  const int visible = rules_.VisibleRows();
  const int64_t top = rules_.TopRow();
  const bool columnsMoved = shown_.firstColumn != rules_.FirstColumn();
  const bool cursorMoved = shown_.cursor != rules_.CursorRow() || shown_.cursorColumn != rules_.CursorColumn() ||
                           shown_.cursorX != rules_.CursorX() || shown_.cursorShown != rules_.CursorShown();
  std::vector<char> inverted(visible);
  for (int i = 0; i < visible; ++i) inverted[i] = rules_.RowInverted(top + i);

  if (!shown_.valid || redraw == ListRedraw::kAll || columnsMoved ||
      static_cast<int>(shown_.inverted.size()) != visible) {
    lines_->update();
  } else if (redraw == ListRedraw::kFirstRow) {
    lines_->update(RowRect(0));
  } else {
    const int64_t delta = top - shown_.top;
    if (delta != 0 && (std::abs(delta) >= visible || suspended_)) {
      lines_->update();
    } else {
      if (delta != 0)
        lines_->scroll(0, static_cast<int>(-delta * rowHeight_), QRect(0, 0, lines_->width(), visible * rowHeight_));
      for (int i = 0; i < visible; ++i) {
        const int64_t old = i + delta;
        if (old >= 0 && old < visible && shown_.inverted[old] != inverted[i]) lines_->update(RowRect(i));
      }
      if (CursorCellMode() && cursorMoved) {
        const int64_t oldRow = shown_.cursor - top, newRow = rules_.CursorRow() - top;
        if (oldRow >= 0 && oldRow < visible) lines_->update(RowRect(static_cast<int>(oldRow)));
        if (newRow >= 0 && newRow < visible) lines_->update(RowRect(static_cast<int>(newRow)));
      }
    }
  }
  if (columnsMoved && title_) title_->update();

  shown_.valid = true;
  shown_.top = top;
  shown_.firstColumn = rules_.FirstColumn();
  shown_.cursor = rules_.CursorRow();
  shown_.cursorColumn = rules_.CursorColumn();
  shown_.cursorX = rules_.CursorX();
  shown_.cursorShown = rules_.CursorShown();
  shown_.inverted = std::move(inverted);
  SetThumbs();
  if (cursorMoved && rules_.CursorShown()) {
    CursorMoved(rules_.CursorRow(), CursorCellMode() ? rules_.CursorX() : rules_.CursorColumn(), false);
    cursorLink.Call(reinterpret_cast<std::intptr_t>(this));
  }
}

}  // namespace zh
