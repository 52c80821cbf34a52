#include "app/ui/options_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/app_params.h"
#include "app/message_ids.h"
#include "app/playing_params.h"
#include "app/shell_hooks.h"
#include "app/ui/talk_file_dialog.h"
#include "core/services.h"

namespace zh {
namespace {
QString Text(int id) { return MenuText(GetMessageText(id)); }
// Check box ids and their texts, in the order of the dialog.
struct BoxRow {
  int id;
  int text;
};
constexpr BoxRow kBoxes[] = {{1, msg::M_RECORD_TIME}, {6, msg::M_RECORD_EVALS}, {2, msg::M_TALKING_COACH},
                             {5, msg::M_SPOKEN_REMARKS}, {7, msg::M_READ_NOTA},  {4, msg::M_SOUND},
                             {8, msg::M_ECO_DISPLAY},  {10, msg::M_MOVE_BEEP},  {3, msg::M_MUSIC},
                             {9, msg::M_SECOND_MUSIC}};
enum BoxId { kRecordTime = 1, kChatter = 2, kMusic = 3, kSound = 4, kTalk = 5, kRecordEvals = 6, kReadNota = 7,
             kEco = 8, kCantus = 9, kMoveBeep = 10 };
}  // namespace

ModalDialogOPTIONS::ModalDialogOPTIONS(QWidget* parent, AppParams& app, const PlayingParams& playing)
    : ModalWithPalette(parent, kResourceId, kHelpId), app_(app) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_OPTIONS_TITLE)));
  const OptionsChoice c = ReadOptions(app, playing);
  auto* top = new QGridLayout(this);
  top->addWidget(MakePicture(kPictureIndex), 0, 0, 3, 1, Qt::AlignTop);

  auto* boxes = new QGroupBox(Text(msg::M_COACH_AND_SOUND), this);
  Register(ControlKind::GroupBox, 3, boxes);
  auto* boxLayout = new QVBoxLayout(boxes);
  QWidget* previous = nullptr;
  for (const BoxRow& row : kBoxes) {
    auto* box = new QCheckBox(Text(row.text), boxes);
    boxLayout->addWidget(box);
    Register(ControlKind::CheckBox, row.id, box);
    if (previous) setTabOrder(previous, box);
    previous = box;
  }
  const bool values[] = {false, c.recordTime, c.chatter, c.music, c.sound, c.talk,
                         c.recordEvals, c.readNota, c.ecoDisplay, c.cantus, c.moveBeep};
  for (int id = 1; id <= 10; ++id) Box(id)->setChecked(values[id]);
  Box(kMusic)->setEnabled(Coach().HasMusicFolder());
  Box(kCantus)->setEnabled(Coach().HasMusicFolder() && Coach().HasSecondMusicFolder());
  Box(kReadNota)->setEnabled(Coach().HasSpokenMoves());
  auto* talkFile = new QPushButton(Text(msg::M_TALK_FILE), boxes);
  talkFile->setAutoDefault(false);
  boxLayout->addWidget(talkFile);
  Register(ControlKind::PushButton, 1, talkFile);
  top->addWidget(boxes, 0, 1, 3, 1);

  auto* right = new QVBoxLayout;
  top->addLayout(right, 0, 2, 3, 1);
  auto* notation = new QGroupBox(ToQString(GetMessageTextPlain(msg::M_NOTATION_PANE)), this);
  auto* notationLayout = new QVBoxLayout(notation);
  figurines_ = new QRadioButton(Text(msg::M_FIGURINES), notation);
  letters_ = new QRadioButton(Text(msg::M_PIECE_LETTERS), notation);
  notationLayout->addWidget(figurines_), notationLayout->addWidget(letters_);
  (c.figurines ? figurines_ : letters_)->setChecked(true);
  Register(ControlKind::GroupBox, 1, notation);
  Register(ControlKind::RadioButton, 1, figurines_), Register(ControlKind::RadioButton, 2, letters_);
  right->addWidget(notation);

  auto* fields = new QGridLayout;
  right->addLayout(fields);
  hintDepth_ = new QSpinBox(this);
  hintDepth_->setRange(1, 99);
  hintDepth_->setValue(c.hintDepth);
  blunder_ = new QSpinBox(this);
  blunder_->setRange(0, 9999);
  blunder_->setValue(c.blunderThresh);
  drive_ = new QLineEdit(ToQString(c.cdDrive), this);
  drive_->setMaxLength(1);
  drive_->setValidator(new QRegularExpressionValidator(QRegularExpression("[A-Za-z]?"), drive_));
  auto* l1 = new QLabel(Text(msg::M_HINT_DEPTH), this);
  auto* l3 = new QLabel(Text(msg::M_BLUNDER_THRESHOLD), this);
  auto* l2 = new QLabel(Text(msg::M_DATA_DRIVE), this);
  l1->setBuddy(hintDepth_), l3->setBuddy(blunder_), l2->setBuddy(drive_);
  fields->addWidget(l1, 0, 0), fields->addWidget(hintDepth_, 0, 1);
  fields->addWidget(l3, 1, 0), fields->addWidget(blunder_, 1, 1);
  fields->addWidget(l2, 2, 0), fields->addWidget(drive_, 2, 1);
  Register(ControlKind::Edit, 1, hintDepth_), Register(ControlKind::Edit, 2, blunder_);
  Register(ControlKind::Edit, 3, drive_);

  auto* resign = new QGroupBox(ToQString(GetMessageTextPlain(msg::M_RESIGN_GROUP)), this);
  auto* resignLayout = new QVBoxLayout(resign);
  const int resignTexts[3] = {msg::M_RESIGN_NEVER, msg::M_RESIGN_LATE, msg::M_RESIGN_EARLY};
  for (int i = 0; i < 3; ++i) {
    resign_[i] = new QRadioButton(Text(resignTexts[i]), resign);
    resignLayout->addWidget(resign_[i]);
    Register(ControlKind::RadioButton, 3 + i, resign_[i]);
  }
  resign_[c.resign]->setChecked(true);
  Register(ControlKind::GroupBox, 2, resign);
  right->addWidget(resign);
  top->addWidget(MakeStandardButtons(), 3, 0, 1, 3);

  connect(Box(kTalk), &QCheckBox::clicked, this, &ModalDialogOPTIONS::OnTalk);
  connect(Box(kReadNota), &QCheckBox::clicked, this, &ModalDialogOPTIONS::OnReadNota);
  connect(Box(kChatter), &QCheckBox::clicked, this, &ModalDialogOPTIONS::OnChatter);
  connect(talkFile, &QPushButton::clicked, this, &ModalDialogOPTIONS::OnTalkFile);
  Box(kRecordTime)->setFocus();
}

QCheckBox* ModalDialogOPTIONS::Box(int id) const { return ControlAs<QCheckBox>(ControlKind::CheckBox, id); }

void ModalDialogOPTIONS::OnTalk(bool checked) {
  if (!checked) return;
  Box(kReadNota)->setChecked(false);
  app_.talk = true;
  AskTalkFile(this, app_, false);
  update();
  Box(kTalk)->setChecked(app_.talk);
  Box(kChatter)->setChecked(true);
}

void ModalDialogOPTIONS::OnReadNota(bool checked) {
  if (checked) Box(kTalk)->setChecked(false);
}

void ModalDialogOPTIONS::OnChatter(bool checked) {
  if (!checked) Box(kTalk)->setChecked(false);
}

void ModalDialogOPTIONS::OnTalkFile() {
  AskTalkFile(this, app_, true);
  update();
  Box(kTalk)->setChecked(app_.talk);
}

OptionsChoice ModalDialogOPTIONS::Choice() const {
  OptionsChoice c;
  c.recordTime = Box(kRecordTime)->isChecked();
  c.recordEvals = Box(kRecordEvals)->isChecked();
  c.chatter = Box(kChatter)->isChecked();
  c.talk = Box(kTalk)->isChecked();
  c.readNota = Box(kReadNota)->isChecked();
  c.sound = Box(kSound)->isChecked();
  c.ecoDisplay = Box(kEco)->isChecked();
  c.moveBeep = Box(kMoveBeep)->isChecked();
  c.music = Box(kMusic)->isChecked();
  c.cantus = Box(kCantus)->isChecked();
  c.figurines = figurines_->isChecked();
  c.hintDepth = hintDepth_->value();
  c.blunderThresh = blunder_->value();
  c.cdDrive = drive_->text().left(1).toStdString();
  c.resign = resign_[2]->isChecked() ? 2 : (resign_[1]->isChecked() ? 1 : 0);
  return c;
}

int RunOptionsDialog(QWidget* parent, AppParams& app, PlayingParams& playing) {
  if (Game().IsRatedGame()) return 1;
  // The talk setting may change while the dialog runs (the talk-file dialog); Cancel
  // puts it back.
  const bool talk = app.talk;
  const std::string talkPath = app.talkPath;
  ModalDialogOPTIONS dialog(parent, app, playing);
  if (!dialog.Run()) {
    app.talk = talk;
    app.talkPath = talkPath;
    return 0;
  }
  return ApplyOptions(dialog.Choice(), app, playing);
}

}  // namespace zh
