// The base of windows that draw a document larger than themselves: a document
// size and a scroll origin, with scroll bars shown only when the document does
// not fit. Subclasses paint the document shifted by Origin().
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstdint>

#include "app/scroll_layout.h"

class QScrollBar;

namespace zh {

class ScrollableWindow : public QWidget {
 public:
  static constexpr int kLineStep = 16;

  // Flags: 1 the origin follows a dragged thumb, 2 centre vertically, 4 centre
  // horizontally.
  ScrollableWindow(QWidget* parent, int flags);

  // Called once when a scroll starts, and with the new origin when it ends.
  virtual void BeginScroll() {}
  virtual void Scrolled(QPoint origin) { (void)origin; }

  void SetDocumentSize(QSize size);
  QSize DocumentSize() const { return document_; }
  void ScrollTo(QPoint origin);
  void ScrollBy(int32_t dx, int32_t dy);
  QPoint Origin() const { return origin_; }
  DocumentView GetViewRect() const;
  void InvalidateDocumentRect(const QRect& rect, bool clip);
  // The visible size without the bars that are shown.
  QSize ViewSize() const { return view_; }
  int Flags() const { return flags_; }
  QScrollBar* VerticalBar() const { return vbar_; }
  QScrollBar* HorizontalBar() const { return hbar_; }
  QWidget* Corner() const { return corner_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();
  void MoveOriginTo(QPoint origin);
  void OnAction(QScrollBar* bar);
  void EndScroll();

  QPoint origin_;
  QSize document_;
  QSize view_;
  int flags_;
  QScrollBar* vbar_;
  QScrollBar* hbar_;
  QWidget* corner_;
  int vbarWidth_;
  int hbarHeight_;
  bool settingBars_ = false;
};

}  // namespace zh
