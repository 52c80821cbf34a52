#include "app/ui/widgets/touch_box.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/ui/widgets/frames.h"

namespace zh {
namespace {

QColor Grey16(int level) {
  const int v = level >> 8;
  return QColor(v, v, v);
}

}  // namespace

// ---------------------------------------------------------------- cells

bool Location::HitTest(QPoint, QSize) const { return false; }
void Location::Paint(QPainter&, const TouchBox&) const {}

bool Location::Inside(QPoint p, QSize cell) const {
  return p.x() >= x && p.y() >= y && p.x() <= x + cell.width() - 1 && p.y() <= y + cell.height() - 1;
}

void Location::PaintShadow(QPainter& painter, int width, int height, bool pressed) const {
  for (int i = 0; i < 2; ++i) {
    const QColor colour = pressed ? NamedQColor(i == 0 ? 7 : 8) : Grey16(i == 0 ? 12000 : 24000);
    const int end = lastInRow ? x + width - 1 : x + width + i;
    DrawPixelLine(painter, QPoint(x + 1 + i, y + height + i), QPoint(end, y + height + i), colour);
  }
}

BMPLocation::BMPLocation(int id, const QImage& normal, const QImage& highlighted, const QImage& pressed)
    : id_(id) {
  SetBitmaps(normal, highlighted, pressed);
}

void BMPLocation::SetBitmaps(const QImage& normal, const QImage& highlighted, const QImage& pressed) {
  looks_[0] = normal;
  looks_[1] = highlighted;
  looks_[2] = pressed;
}

void BMPLocation::Paint(QPainter& painter, const TouchBox& box) const {
  painter.drawImage(x, y, looks_[std::clamp(state, 0, 2)]);
  PaintShadow(painter, box.CellSize().width(), box.CellSize().height(), state == 2);
}

void TextLocation::Paint(QPainter& painter, const TouchBox& box) const {
  const QRect cell(x, y, box.CellSize().width(), box.CellSize().height());
  painter.fillRect(cell, NamedQColor(8));
  DrawBevel(painter, cell, 1, state != 2, kSideAll, true);
  painter.setPen(state == 1 ? NamedQColor(12) : QColor(Qt::black));
  painter.drawText(cell.translated(state == 2 ? QPoint(0, 1) : QPoint()), Qt::AlignCenter, text_);
}

void DeadBMPLocation::Paint(QPainter& painter, const TouchBox&) const {
  painter.drawImage(x, y, picture_);
  PaintShadow(painter, picture_.width(), picture_.height(), false);
}

// ---------------------------------------------------------------- TouchBox

TouchBox::TouchBox(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  FillBackground(*this, 8);
  setAutoFillBackground(true);
}

TouchBox::~TouchBox() = default;

void TouchBox::Add(std::unique_ptr<Location> cell) {
  cells_.push_back(std::move(cell));
  Layout();
}

void TouchBox::AddBitmapCell(int id, const QImage& normal, const QImage& highlighted, const QImage& pressed) {
  widest_ = std::max(widest_, normal.width());
  tallest_ = std::max(tallest_, normal.height());
  Add(std::make_unique<BMPLocation>(id, normal, highlighted, pressed));
}

bool TouchBox::ReplaceBitmaps(int id, const QImage& normal, const QImage& highlighted, const QImage& pressed) {
  for (auto& cell : cells_)
    if (BMPLocation* b = cell->AsBitmapCell(); b && b->Id() == id) {
      b->SetBitmaps(normal, highlighted, pressed);
      update();
      return true;
    }
  return false;
}

void TouchBox::AddTextCell(int id, const QString& text) { Add(std::make_unique<TextLocation>(id, text)); }
void TouchBox::AddGap() { Add(std::make_unique<SkipLocation>()); }
void TouchBox::AddPictureCell(const QImage& picture) { Add(std::make_unique<DeadBMPLocation>(picture)); }

void TouchBox::SetEnds(const QImage& left, const QImage& right) {
  leftEnd_ = left;
  rightEnd_ = right;
  Layout();
}

void TouchBox::AddCell(int cell, const QImage& normal, const QImage& highlighted, const QImage& pressed) {
  AddBitmapCell(cell, normal, highlighted, pressed);
}

void TouchBox::ReplaceCell(int cell, const QImage& normal, const QImage& highlighted, const QImage& pressed) {
  ReplaceBitmaps(cell, normal, highlighted, pressed);
}

void TouchBox::SetRows(int rows) {
  rows_ = std::max(1, rows);
  Layout();
}

void TouchBox::Layout() {
  const int x0 = leftMargin_ + (leftEnd_.isNull() ? 0 : leftEnd_.width());
  int total = 0;
  for (auto& cell : cells_) {
    cell->sharedWidth = widest_;
    total += cell->Width();
  }
  const int rowWidth = total / rows_;
  int x = x0, y = topMargin_, placed = 0;
  for (size_t i = 0; i < cells_.size(); ++i) {
    Location& cell = *cells_[i];
    cell.x = x;
    cell.y = y;
    cell.lastInRow = i + 1 == cells_.size();
    x += cell.Width();
    placed += cell.Width();
    if (rows_ >= 2 && i + 1 < cells_.size() && placed + widest_ > rowWidth) {
      x = x0;
      y += tallest_ + 6;
      placed = 0;
    }
  }
  const int rightWidth = rightEnd_.isNull() ? 0 : rightEnd_.width();
  rightEndX_ = rowWidth + leftMargin_ - rightWidth;
  total_ = QSize((leftEnd_.isNull() ? 0 : leftEnd_.width()) + rightWidth + rowWidth,
                 y + tallest_ + bottomMargin_);
  update();
}

void TouchBox::Place(QPoint position, QSize size) {
  leftMargin_ = alignment_ == 0   ? 6
                : alignment_ == 1 ? size.width() - total_.width() - 6
                                  : (size.width() - total_.width()) / 2;
  topMargin_ = (size.height() - total_.height()) / 2;
  Layout();
  setGeometry(QRect(position, size));
}

void TouchBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (const auto& cell : cells_) cell->Paint(painter, *this);
  if (!leftEnd_.isNull()) painter.drawImage(leftMargin_, topMargin_, leftEnd_);
  if (!rightEnd_.isNull()) painter.drawImage(rightEndX_, topMargin_, rightEnd_);
}

int TouchBox::HitCell(QPoint point) const {
  for (size_t i = 0; i < cells_.size(); ++i)
    if (cells_[i]->HitTest(point, CellSize())) return static_cast<int>(i);
  return -1;
}

void TouchBox::SetState(int index, int state) {
  if (index < 0 || index >= Count()) return;
  cells_[static_cast<size_t>(index)]->state = state;
  update();
}

void TouchBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (!captured_) {
    captured_ = true;
  } else if (p.x() < 0 || p.y() < 0 || p.x() >= total_.width() || p.y() >= total_.height()) {
    captured_ = false;
    SetState(highlighted_, 0);
    highlighted_ = -1;
  }
  const int hit = HitCell(p);
  if (hit < 0 || hit == highlighted_) return;
  SetState(highlighted_, 0);
  SetState(hit, hit == pressed_ ? 2 : 1);
  highlighted_ = hit;
}

void TouchBox::leaveEvent(QEvent*) { ClearHighlight(); }

void TouchBox::mousePressEvent(QMouseEvent* event) {
  const int hit = HitCell(event->position().toPoint());
  if (hit < 0) return;
  SetState(hit, 2);
  pressed_ = hit;
  value_ = cells_[static_cast<size_t>(hit)]->Id();
  pressing_ = true;
}

void TouchBox::mouseReleaseEvent(QMouseEvent* event) {
  const int hit = HitCell(event->position().toPoint());
  if (pressing_) {
    SetState(pressed_, 1);
    if (hit == pressed_) clickLink_.Call(reinterpret_cast<std::intptr_t>(this));
  }
  pressing_ = false;
  highlighted_ = -1;
  pressed_ = -1;
}

void TouchBox::ClearHighlight() {
  captured_ = false;
  SetState(highlighted_, 0);
  highlighted_ = -1;
}

// ---------------------------------------------------------------- TouchButton

TouchButton::TouchButton(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }
TouchButton::~TouchButton() = default;

void TouchButton::SetBitmap(const QImage& normal) {
  normal_ = normal;
  hasBitmap_ = !normal.isNull();
  if (hasBitmap_) resize(normal.size());
  update();
}
void TouchButton::SetPressedBitmap(const QImage& pressed) { pressedImage_ = pressed; }
void TouchButton::SetHighlightBitmap(const QImage& highlighted) { highlighted_ = highlighted; }

void TouchButton::Show(int look) {
  if (look == look_) return;
  look_ = look;
  update();
}

void TouchButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect all = rect();
  if (hasBitmap_) {
    const QImage& image = look_ == kPressedLook && !pressedImage_.isNull() ? pressedImage_
                          : look_ == kHighlighted && !highlighted_.isNull() ? highlighted_
                                                                            : normal_;
    painter.drawImage(CenterInside(size(), image.size()), image);
    return;
  }
  painter.fillRect(all, NamedQColor(8));
  painter.setPen(Qt::black);
  QRect text = all;
  if (look_ == kNormal) {
    DrawOutline(painter, all.adjusted(0, 0, -1, -1));
  } else {
    DrawBevel(painter, all, 2, look_ != kPressedLook, kSideAll, true);
    if (look_ == kPressedLook) text.translate(1, 1);
  }
  painter.drawText(text, Qt::AlignCenter, windowTitle().isEmpty() ? accessibleName() : windowTitle());
}

void TouchButton::mousePressEvent(QMouseEvent*) {
  pressed_ = true;
  Show(kPressedLook);
  pressLink_.Call(reinterpret_cast<std::intptr_t>(this));
  repeat_ = Timers().MakeTimer([this] { Repeat(); });
  repeat_->Start(kFirstRepeatMs);
}

void TouchButton::Repeat() {
  repeatLink_.Call(reinterpret_cast<std::intptr_t>(this));
  if (repeat_) repeat_->Start(kRepeatMs);
}

void TouchButton::mouseReleaseEvent(QMouseEvent*) {
  repeat_.reset();
  pressed_ = false;
  Show(kHighlighted);
  releaseLink_.Call(reinterpret_cast<std::intptr_t>(this));
}

void TouchButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (!captured_) {
    captured_ = true;
    Show(kHighlighted);
    return;
  }
  if (!rect().contains(p)) {
    captured_ = false;
    pressed_ = false;
    Show(kNormal);
    repeat_.reset();
    return;
  }
  Show(pressed_ ? kPressedLook : kHighlighted);
}

void TouchButton::leaveEvent(QEvent*) {
  captured_ = false;
  pressed_ = false;
  repeat_.reset();
  Show(kNormal);
}

// ---------------------------------------------------------------- TouchNumericBox

TouchNumericBox::TouchNumericBox(QWidget* parent)
    : QWidget(parent), text_(new QLabel(this)), up_(new TouchButton(this)), down_(new TouchButton(this)) {
  up_->setWindowTitle(">");
  down_->setWindowTitle("<");
  text_->setAlignment(Qt::AlignCenter);
  up_->SetPressLink(CallbackLink::Bind<TouchNumericBox, &TouchNumericBox::OnUp>(this));
  up_->SetRepeatLink(CallbackLink::Bind<TouchNumericBox, &TouchNumericBox::OnUp>(this));
  down_->SetPressLink(CallbackLink::Bind<TouchNumericBox, &TouchNumericBox::OnDown>(this));
  down_->SetRepeatLink(CallbackLink::Bind<TouchNumericBox, &TouchNumericBox::OnDown>(this));
  SetValue(0);
}

void TouchNumericBox::SetValue(int32_t value) {
  value_ = value;
  text_->setText(QString::number(value));
  QPalette p = text_->palette();
  p.setColor(QPalette::WindowText, NamedQColor(value < 0 ? 12 : 2));
  text_->setPalette(p);
}

void TouchNumericBox::SetMinimum(int32_t minimum) {
  minimum_ = minimum;
  if (value_ < minimum_) SetValue(minimum_);
}

void TouchNumericBox::SetMaximum(int32_t maximum) {
  maximum_ = maximum;
  if (value_ > maximum_) SetValue(maximum_);
}

void TouchNumericBox::SetBoxFont(const QFont& font) {
  text_->setFont(font);
  QFont smaller = font;
  if (smaller.pointSize() > 4) smaller.setPointSize(smaller.pointSize() - 4);
  else if (smaller.pixelSize() > 4) smaller.setPixelSize(smaller.pixelSize() - 4);
  up_->setFont(smaller);
  down_->setFont(smaller);
}

void TouchNumericBox::Step(int64_t target) {
  // The target is already held to the bound in its direction; the other bound is not
  // applied, as a maximum set below the minimum would leave no valid value.
  const auto c = static_cast<int32_t>(target);
  if (c != value_) SetValue(c);
  changeLink_.Call(reinterpret_cast<std::intptr_t>(this));
  changed_ = true;
}

void TouchNumericBox::Up() { Step(std::min<int64_t>(int64_t{value_} + step_, maximum_)); }
void TouchNumericBox::Down() { Step(std::max<int64_t>(int64_t{value_} - step_, minimum_)); }
int32_t TouchNumericBox::OnUp(std::intptr_t) { Up(); return 0; }
int32_t TouchNumericBox::OnDown(std::intptr_t) { Down(); return 0; }

void TouchNumericBox::resizeEvent(QResizeEvent*) {
  const QRect inner = rect().adjusted(2, 2, -2, -2);
  const int h = inner.height();
  const int b = h * 8 / 10;
  text_->setGeometry(inner.x(), inner.y(), inner.width() - (b + 3), h);
  up_->setGeometry(inner.right() + 1 - b, inner.y(), b, h / 2);
  down_->setGeometry(inner.right() + 1 - b, inner.y() + h / 2, b, h / 2);
}

void TouchNumericBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawBevel(painter, rect(), 2, true, kSideAll, true);
}

}  // namespace zh
