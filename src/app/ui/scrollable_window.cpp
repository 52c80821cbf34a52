#include "app/ui/scrollable_window.h"

#include <QScrollBar>
#include <algorithm>

namespace zh {

ScrollableWindow::ScrollableWindow(QWidget* parent, int flags)
    : QWidget(parent), flags_(StoredScrollFlags(flags)) {
  vbar_ = new QScrollBar(Qt::Vertical, this);
  hbar_ = new QScrollBar(Qt::Horizontal, this);
  corner_ = new QWidget(this);
  vbarWidth_ = vbar_->sizeHint().width();
  hbarHeight_ = hbar_->sizeHint().height();
  for (QScrollBar* bar : {vbar_, hbar_}) {
    bar->setSingleStep(kLineStep);
    bar->hide();
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int) { OnAction(bar); });
    connect(bar, &QScrollBar::sliderReleased, this, [this] { EndScroll(); });
  }
  corner_->hide();
}

void ScrollableWindow::SetDocumentSize(QSize size) {
  document_ = size;
  LayOut();
}

void ScrollableWindow::ScrollTo(QPoint origin) {
  origin_ = origin;
  LayOut();
}

void ScrollableWindow::ScrollBy(int32_t dx, int32_t dy) {
  if (!(flags_ & scroll_flag::kScrolling)) BeginScroll();
  int32_t x = origin_.x(), y = origin_.y();
  ClampScrollOrigin(x, y, dx, dy, view_.width(), view_.height(), document_.width(), document_.height());
  MoveOriginTo(QPoint(x, y));
  LayOut();
}

DocumentView ScrollableWindow::GetViewRect() const {
  return VisibleDocument(origin_.x(), origin_.y(), view_.width(), view_.height(), document_.width(),
                         document_.height());
}

void ScrollableWindow::InvalidateDocumentRect(const QRect& rect, bool clip) {
  QRect r = clip ? rect.intersected(QRect(QPoint(0, 0), document_)) : rect;
  update(r.translated(origin_).intersected(QRect(QPoint(0, 0), view_)));
}

void ScrollableWindow::resizeEvent(QResizeEvent*) { LayOut(); }

void ScrollableWindow::MoveOriginTo(QPoint origin) {
  const QPoint delta = origin - origin_;
  origin_ = origin;
  if (delta.isNull()) return;
  if (std::abs(delta.x()) < view_.width() && std::abs(delta.y()) < view_.height())
    scroll(delta.x(), delta.y(), QRect(QPoint(0, 0), view_));
  else
    update(QRect(QPoint(0, 0), view_));
}

void ScrollableWindow::LayOut() {
  ScrollInput in;
  in.clientWidth = width();
  in.clientHeight = height();
  in.docWidth = document_.width();
  in.docHeight = document_.height();
  in.originX = origin_.x();
  in.originY = origin_.y();
  in.flags = flags_;
  in.vbarWidth = vbarWidth_;
  in.hbarHeight = hbarHeight_;
  const ScrollPlacement p = LayOutScroll(in);
  view_ = QSize(p.viewWidth, p.viewHeight);
  MoveOriginTo(QPoint(p.originX, p.originY));

  settingBars_ = true;
  vbar_->setVisible(p.vbar);
  hbar_->setVisible(p.hbar);
  corner_->setVisible(p.vbar && p.hbar);
  if (p.vbar) {
    vbar_->setGeometry(p.viewWidth, 0, vbarWidth_, p.viewHeight);
    vbar_->setRange(0, std::max(0, document_.height() - p.viewHeight));
    vbar_->setPageStep(std::max(1, p.viewHeight));
    if (!vbar_->isSliderDown()) vbar_->setValue(-origin_.y());
  }
  if (p.hbar) {
    hbar_->setGeometry(0, p.viewHeight, p.viewWidth, hbarHeight_);
    hbar_->setRange(0, std::max(0, document_.width() - p.viewWidth));
    hbar_->setPageStep(std::max(1, p.viewWidth));
    if (!hbar_->isSliderDown()) hbar_->setValue(-origin_.x());
  }
  if (p.vbar && p.hbar) corner_->setGeometry(p.viewWidth, p.viewHeight, vbarWidth_, hbarHeight_);
  settingBars_ = false;
}

void ScrollableWindow::OnAction(QScrollBar* bar) {
  if (settingBars_) return;
  if (!(flags_ & scroll_flag::kScrolling)) {
    flags_ |= scroll_flag::kScrolling;
    BeginScroll();
  }
  const bool dragging = bar->isSliderDown();
  if (!dragging || (flags_ & scroll_flag::kFollowThumb)) {
    QPoint origin = origin_;
    if (bar == vbar_)
      origin.setY(-bar->sliderPosition());
    else
      origin.setX(-bar->sliderPosition());
    MoveOriginTo(origin);
  }
  if (!dragging) EndScroll();
}

void ScrollableWindow::EndScroll() {
  if (!(flags_ & scroll_flag::kScrolling)) return;
  QPoint origin = origin_;
  if (!vbar_->isHidden()) origin.setY(-vbar_->sliderPosition());
  if (!hbar_->isHidden()) origin.setX(-hbar_->sliderPosition());
  MoveOriginTo(origin);
  flags_ &= ~scroll_flag::kScrolling;
  Scrolled(origin_);
}

}  // namespace zh
