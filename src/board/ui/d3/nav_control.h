// The floating panel that steers the 3D view: eight repeating picture buttons turn,
// raise, lower, zoom and move the observer, a ninth button opens the 3D settings
// dialog. While a button repeats the view is rendered without pieces; 2800 ms after the
// last step the whole picture is rendered again.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "core/services.h"

class QPushButton;

namespace zh {

class BMPButton;

namespace d3 {

class D3BoardWin;
class ModalDialogD3SET;

class NavControl final : public QWidget {
 public:
  static constexpr int kSteeringMs = 2800;
  static constexpr int kFirstBitmap = 39;  // "ARRIGHT"; "WIDE" is 46

  explicit NavControl(D3BoardWin* board);
  ~NavControl() override;

  // The button that shows a bitmap number 39-46.
  BMPButton& Button(int bitmap) const;
  QPushButton& SettingsButton() const { return *settingsButton_; }
  Timer& SteeringTimer() const { return *timer_; }
  // The step divisor of the last turn or raise.
  int LastDivisor() const { return divisor_; }

  // Runs the settings dialog: its timer is held while the dialog is open.
  void RunSettingsDialog();
  // Executes the dialog; nonzero for OK. Tests drive the dialog through it.
  std::function<int(ModalDialogD3SET&)> executeDialog;

 private:
  int32_t OnButton(std::intptr_t button);
  int32_t OnRelease(std::intptr_t button);
  void OnTimer();

  D3BoardWin* board_;
  std::unique_ptr<Timer> timer_;
  std::array<BMPButton*, 8> buttons_{};
  QPushButton* settingsButton_ = nullptr;
  int16_t repeatCount_ = 0;
  const BMPButton* lastButton_ = nullptr;
  int divisor_ = 300;
};

}  // namespace d3
}  // namespace zh
