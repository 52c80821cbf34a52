#include "app/ui/stop_key.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace zh {

StopKey::StopKey(std::function<void()> pressed) : pressed_(std::move(pressed)) {
  QCoreApplication::instance()->installEventFilter(this);
}

StopKey::~StopKey() { QCoreApplication::instance()->removeEventFilter(this); }

bool StopKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (QKeySequence(key->keyCombination()) == Sequence()) {
      if (pressed_) pressed_();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zh
