// The application-wide stop key Ctrl+Alt+H that interrupts a long job, in whatever
// window the user is.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <functional>

namespace zh {

class StopKey final : public QObject {
 public:
  // The key code 0x6207 of the old key table.
  static QKeySequence Sequence() { return QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H); }

  explicit StopKey(std::function<void()> pressed);
  ~StopKey() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> pressed_;
};

}  // namespace zh
