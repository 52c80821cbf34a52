#include "app/ui/layout_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/app_params.h"
#include "app/message_ids.h"
#include "app/shell_hooks.h"
#include "core/services.h"

namespace zh {
namespace {
QString Text(int id) { return MenuText(GetMessageText(id)); }
// Box ids in the order of the dialog, with their texts.
constexpr int kBoxOrder[8][2] = {{1, msg::M_NOTATION_PANE},   {2, msg::M_DIGITAL_CLOCK},
                                 {6, msg::M_ANALOGUE_CLOCK},  {3, msg::M_SEARCH_DISPLAY},
                                 {4, msg::M_COORDINATES},     {5, msg::M_EVAL_PROFILE},
                                 {7, msg::M_CLOCKS_IN_ANALYSIS}, {8, msg::M_SYSTEM_COLOURS}};
}  // namespace

ModalDialogLAYOUT::ModalDialogLAYOUT(QWidget* parent, const LayoutChoice& c, bool ratedGame)
    : ModalWithPalette(parent, kResourceId, 0) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_LAYOUT_TITLE)));
  auto* grid = new QGridLayout(this);
  grid->addWidget(MakePicture(kPictureIndex), 0, 0, 10, 1, Qt::AlignTop);
  QWidget* previous = nullptr;
  for (int i = 0; i < 8; ++i) {
    auto* box = new QCheckBox(Text(kBoxOrder[i][1]), this);
    grid->addWidget(box, i, 1, 1, 2);
    Register(ControlKind::CheckBox, kBoxOrder[i][0], box);
    if (previous) setTabOrder(previous, box);
    previous = box;
  }
  Box(1)->setChecked(c.rightPanel);
  Box(2)->setChecked(c.digitalClock);
  Box(6)->setChecked(c.analogueClock);
  Box(3)->setChecked(c.searchDisplay);
  Box(4)->setChecked(c.coordinates);
  Box(5)->setChecked(c.evalProfile);
  Box(7)->setChecked(c.noAnalysisClock);
  Box(8)->setChecked(c.systemColours);
  Box(6)->setEnabled(!ratedGame);
  connect(Box(2), &QCheckBox::toggled, this, [this](bool on) { if (on) Box(6)->setChecked(false); });
  connect(Box(6), &QCheckBox::toggled, this, [this](bool on) { if (on) Box(2)->setChecked(false); });

  speed_ = new QSpinBox(this);
  speed_->setRange(0, 100);
  speed_->setValue(c.animationSpeed);
  font_ = new QSpinBox(this);
  font_->setRange(6, 48);
  font_->setValue(c.fontHeight);
  auto* l1 = new QLabel(Text(msg::M_ANIMATION_SPEED), this);
  auto* l2 = new QLabel(Text(msg::M_NOTATION_FONT_HEIGHT), this);
  l1->setBuddy(speed_), l2->setBuddy(font_);
  grid->addWidget(l1, 8, 1), grid->addWidget(speed_, 8, 2);
  grid->addWidget(l2, 9, 1), grid->addWidget(font_, 9, 2);
  setTabOrder(previous, speed_);
  setTabOrder(speed_, font_);
  Register(ControlKind::FixedText, 1, l1), Register(ControlKind::FixedText, 2, l2);
  Register(ControlKind::Edit, 1, speed_), Register(ControlKind::Edit, 2, font_);
  grid->addWidget(MakeStandardButtons(), 10, 0, 1, 3);
  Box(1)->setFocus();
}

QCheckBox* ModalDialogLAYOUT::Box(int id) const { return ControlAs<QCheckBox>(ControlKind::CheckBox, id); }

LayoutChoice ModalDialogLAYOUT::Choice() const {
  LayoutChoice c;
  c.rightPanel = Box(1)->isChecked();
  c.digitalClock = Box(2)->isChecked();
  c.analogueClock = Box(6)->isChecked();
  c.searchDisplay = Box(3)->isChecked();
  c.coordinates = Box(4)->isChecked();
  c.evalProfile = Box(5)->isChecked();
  c.noAnalysisClock = Box(7)->isChecked();
  c.systemColours = Box(8)->isChecked();
  c.animationSpeed = speed_->value();
  c.fontHeight = font_->value();
  return c;
}

bool RunLayoutDialog(QWidget* parent, AppParams& app, const std::function<void()>& printFontChanged) {
  ModalDialogLAYOUT dialog(parent, ReadLayout(app, GameHost().IsBookEditing()), Game().IsRatedGame());
  if (!dialog.Run()) return false;
  ApplyLayout(dialog.Choice(), app, printFontChanged);
  return true;
}

}  // namespace zh
