#include "app/ui/work_window_frame.h"

namespace zh {

WorkWindowFrame::WorkWindowFrame(QWidget* frame, const QString& caption) : QWidget(frame) {
  setWindowTitle(caption);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
}

}  // namespace zh
