#include "app/ui/work_window_frame.h"

#include <QCloseEvent>

namespace zh {

WorkWindowFrame::WorkWindowFrame(QWidget* frame, const QString& caption) : QWidget(frame) {
  setWindowTitle(caption);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
}

void WorkWindowFrame::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (QWidget* frame = parentWidget()) frame->close();
}

}  // namespace zh
