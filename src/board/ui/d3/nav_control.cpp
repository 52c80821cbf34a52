#include "board/ui/d3/nav_control.h"

#include <QPushButton>

#include "app/message_ids.h"
#include "app/ui/widgets/bitmap_manager.h"
#include "app/ui/widgets/bmp_button.h"
#include "board/ui/d3/d3_board_win.h"
#include "board/ui/d3/d3_settings_dialog.h"

namespace zh::d3 {
namespace {

enum class Action { Raise, Lower, TurnLeft, TurnRight, ZoomIn, ZoomOut, Farther, Nearer };

struct ButtonPlace {
  int bitmap;
  int x, y, width, height;
  Action action;
};

constexpr ButtonPlace kButtons[] = {
    {43, 45, 0, 25, 36, Action::Raise},      {44, 45, 36, 25, 36, Action::Lower},
    {41, 0, 24, 45, 24, Action::TurnLeft},   {39, 70, 24, 45, 24, Action::TurnRight},
    {40, 0, 48, 45, 24, Action::ZoomIn},     {42, 70, 48, 45, 24, Action::ZoomOut},
    {45, 0, 0, 45, 24, Action::Farther},     {46, 70, 0, 45, 24, Action::Nearer},
};

constexpr QSize kPanelSize(115, 102);
constexpr QRect kSettingsButton(17, 77, 80, 22);

QImage Picture(int number) {
  if (BitmapManager* manager = TheBitmapManager()) return manager->GetBitmap(number, true);
  QImage blank(24, 24, QImage::Format_RGB32);
  blank.fill(Qt::lightGray);
  return blank;
}

int Divisor(int count) { return count <= 2 ? 300 : count <= 7 ? 100 : 50; }

}  // namespace

NavControl::NavControl(D3BoardWin* board)
    : QWidget(board->window(), Qt::Tool), board_(board) {
  timer_ = Timers().MakeTimer([this] { OnTimer(); });
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    const ButtonPlace& place = kButtons[i];
    auto* button = new BMPButton(this, Picture(place.bitmap), false);
    button->setGeometry(place.x, place.y, place.width, place.height);
    button->SetClickLink(CallbackLink::Bind<NavControl, &NavControl::OnButton>(this));
    button->SetReleaseLink(CallbackLink::Bind<NavControl, &NavControl::OnRelease>(this));
    buttons_[i] = button;
  }
  settingsButton_ = new QPushButton(QString::fromStdString(GetMessageTextPlain(msg::M_D3_SETTINGS_BUTTON)), this);
  settingsButton_->setGeometry(kSettingsButton);
  connect(settingsButton_, &QPushButton::clicked, this, [this] { RunSettingsDialog(); });
  setFixedSize(kPanelSize);
  setAutoFillBackground(true);
  setPalette(board->palette());
  executeDialog = [](ModalDialogD3SET& dialog) { return dialog.exec() == QDialog::Accepted ? 1 : 0; };
}

NavControl::~NavControl() { timer_->Stop(); }

BMPButton& NavControl::Button(int bitmap) const {
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (kButtons[i].bitmap == bitmap) return *buttons_[i];
  return *buttons_[0];
}

int32_t NavControl::OnButton(std::intptr_t argument) {
  const auto* button = reinterpret_cast<const BMPButton*>(argument);
  D3Settings& s = board_->Settings();
  timer_->Stop();
  const bool repeating = button->IsRepeating();
  if (repeating)
    s.steering = true;
  else
    repeatCount_ = 0;
  if (button == lastButton_) {
    ++repeatCount_;
  } else {
    repeatCount_ = 0;
    lastButton_ = button;
  }
  divisor_ = Divisor(repeatCount_);
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    if (buttons_[i] != button) continue;
    switch (kButtons[i].action) {
      case Action::Raise: s.Raise(divisor_); break;
      case Action::Lower: s.Lower(divisor_); break;
      case Action::TurnLeft: s.TurnLeft(divisor_); break;
      case Action::TurnRight: s.TurnRight(divisor_); break;
      case Action::ZoomIn: s.ZoomIn(false); break;
      case Action::ZoomOut: s.ZoomOut(false); break;
      case Action::Farther: s.MoveFarther(false); break;
      case Action::Nearer: s.MoveNearer(false); break;
    }
  }
  if (!repeating) timer_->Start(kSteeringMs);
  board_->ApplySettings(&s);
  return 0;
}

// A held button may be let go anywhere: the picture with pieces follows in any case.
int32_t NavControl::OnRelease(std::intptr_t) {
  if (board_->Settings().steering) timer_->Start(kSteeringMs);
  return 0;
}

void NavControl::OnTimer() {
  timer_->Stop();
  D3Settings& s = board_->Settings();
  if (!s.steering) return;
  s.steering = false;
  board_->ApplySettings(&s);
}

void NavControl::RunSettingsDialog() {
  const bool running = timer_->IsActive();
  timer_->Stop();
  D3Settings& s = board_->Settings();
  ModalDialogD3SET dialog(board_);
  dialog.LoadControls(s);
  if (executeDialog(dialog) == 0) {
    if (running) timer_->Start(kSteeringMs);
    return;
  }
  dialog.StoreControls(s);
  if (dialog.RebuildBoardWanted()) board_->RebuildBoard();
  if (dialog.RebuildPiecesWanted()) board_->RebuildPieces();
  s.steering = false;
  board_->ApplySettings(&s);
}

}  // namespace zh::d3
