// A push button that shows a bitmap and repeats while held: the repeat link runs
// every 300 ms through the timer service, the click link on a release inside, the
// release link on any release.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "core/services.h"

namespace zh {

class BMPButton final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRepeatMs = 300;

  BMPButton(QWidget* parent, const QImage& bitmap, bool withBorder = true);
  ~BMPButton() override;

  // Sets the click link, and the repeat link as well while that is unset.
  void SetClickLink(CallbackLink link);
  void SetRepeatLink(CallbackLink link) { repeatLink_ = link; }
  // Called on every release of the left button, inside the button or not, after the click.
  void SetReleaseLink(CallbackLink link) { releaseLink_ = link; }
  void SetBitmap(const QImage& bitmap);
  // True while the repeat link runs.
  bool IsRepeating() const { return repeating_; }
  bool IsPressed() const { return pressed_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnRepeat();
  void SetDrawnPressed(bool on);

  QImage bitmap_;
  CallbackLink clickLink_;
  CallbackLink repeatLink_;
  CallbackLink releaseLink_;
  std::unique_ptr<Timer> timer_;
  bool pressed_ = false;
  bool drawnPressed_ = false;
  bool repeating_ = false;
  bool withBorder_;
};

}  // namespace zh
