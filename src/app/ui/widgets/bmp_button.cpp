#include "app/ui/widgets/bmp_button.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/ui/widgets/frames.h"

namespace zh {
namespace {
constexpr int kFace = 8;
constexpr int kPressedFace = 25;
constexpr int kShadow = 27;
}  // namespace

BMPButton::BMPButton(QWidget* parent, const QImage& bitmap, bool withBorder)
    : QWidget(parent), bitmap_(bitmap), withBorder_(withBorder) {
  timer_ = Timers().MakeTimer([this] { OnRepeat(); });
}

BMPButton::~BMPButton() = default;

void BMPButton::SetClickLink(CallbackLink link) {
  clickLink_ = link;
  if (!repeatLink_.IsSet()) repeatLink_ = link;
}

void BMPButton::SetBitmap(const QImage& bitmap) {
  bitmap_ = bitmap;
  update();
}

void BMPButton::OnRepeat() {
  repeating_ = true;
  repeatLink_.Call(reinterpret_cast<std::intptr_t>(this));
  repeating_ = false;
  if (pressed_) timer_->Start(kRepeatMs);
}

void BMPButton::SetDrawnPressed(bool on) {
  if (drawnPressed_ == on) return;
  drawnPressed_ = on;
  update();
}

void BMPButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  grabMouse();
  SetDrawnPressed(true);
  timer_->Start(kRepeatMs);
}

void BMPButton::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) return;
  SetDrawnPressed(rect().contains(event->position().toPoint()));
}

void BMPButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  timer_->Stop();
  releaseMouse();
  SetDrawnPressed(false);
  const bool held = pressed_;
  const bool click = held && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) clickLink_.Call(reinterpret_cast<std::intptr_t>(this));
  if (held) releaseLink_.Call(reinterpret_cast<std::intptr_t>(this));
}

void BMPButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect all = rect();
  painter.fillRect(all, NamedQColor(drawnPressed_ ? kPressedFace : kFace));
  painter.setPen(Qt::black);
  DrawOutline(painter, all);
  const int shift = drawnPressed_ ? 1 : 0;
  if (drawnPressed_) {
    DrawPixelLine(painter, {1, 1}, {all.right() - 1, 1}, NamedQColor(kShadow));
    DrawPixelLine(painter, {1, 1}, {1, all.bottom() - 1}, NamedQColor(kShadow));
  } else {
    DrawBevel(painter, Inflate(all, -1), 2, true, kSideAll, true);
  }
  if (bitmap_.isNull()) return;
  if (bitmap_.height() > height() - 2) {
    const int h = std::max(height() - 4, 1);
    const int w = bitmap_.width() * h / std::max(bitmap_.height(), 1);
    painter.drawImage(QRect((width() - w) / 2 + shift, 2 + shift, w, h), bitmap_);
    return;
  }
  const QPoint at = CenterInside(size(), bitmap_.size()) + QPoint(shift, shift);
  if (withBorder_) {
    painter.setPen(Qt::black);
    DrawOutline(painter, QRect(at - QPoint(1, 1), bitmap_.size() + QSize(2, 2)));
  }
  painter.drawImage(at, bitmap_);
}

}  // namespace zh
