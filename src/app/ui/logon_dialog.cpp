#include "app/ui/logon_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/app_params.h"
#include "app/hardware_test.h"
#include "app/message_ids.h"
#include "app/playing_params.h"
#include "app/shell_hooks.h"
#include "app/ui/zelko_app.h"
#include "core/services.h"

namespace zh {
namespace {

QString Text(int id) { return MenuText(GetMessageText(id)); }

std::function<HardwareFacts()>& FactsSource() {
  static std::function<HardwareFacts()> source;
  return source;
}

// The sixteen classic colours the polygons are filled with.
constexpr QRgb kSixteen[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                               0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// The test area shows the off-screen picture.
class HardwareArea final : public QWidget {
 public:
  HardwareArea(QWidget* parent, const QImage& picture) : QWidget(parent), picture_(picture) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!picture_.isNull()) p.drawImage(0, 0, picture_);
  }

 private:
  const QImage& picture_;
};

}  // namespace

// ---- User dialog ----

ModalDialogLOGON::ModalDialogLOGON(QWidget* parent, const AppParams& app)
    : ModalWithPalette(parent, kResourceId, kHelpId) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_LOGON_TITLE)));
  auto* top = new QHBoxLayout(this);
  picture_ = MakePicture(kPictureIndex);
  top->addWidget(picture_, 0, Qt::AlignTop);
  auto* right = new QVBoxLayout;
  top->addLayout(right);

  auto* fields = new QGridLayout;
  right->addLayout(fields);
  const int labels[4] = {msg::M_SURNAME, msg::M_FIRST_NAME, msg::M_TOWN, msg::M_COMPUTER};
  const std::string values[4] = {app.surName, app.christName, app.town, app.machine};
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(Text(labels[i]), this);
    edits_[i] = new QLineEdit(ToQString(values[i]), this);
    label->setBuddy(edits_[i]);
    fields->addWidget(label, i, 0);
    fields->addWidget(edits_[i], i, 1);
    Register(ControlKind::FixedText, i + 1, label);
    Register(ControlKind::Edit, i + 1, edits_[i]);
  }

  auto* group = new QGroupBox(Text(msg::M_SEX_GROUP), this);
  auto* groupLayout = new QGridLayout(group);
  male_ = new QRadioButton(Text(msg::M_MALE), group);
  female_ = new QRadioButton(Text(msg::M_FEMALE), group);
  hobby_ = new QRadioButton(Text(msg::M_HOBBY), group);
  notHobby_ = new QRadioButton(Text(msg::M_NOT_HOBBY), group);
  // Two exclusive pairs in one frame.
  auto* sexBox = new QWidget(group);
  auto* hobbyBox = new QWidget(group);
  auto* sexLayout = new QVBoxLayout(sexBox);
  auto* hobbyLayout = new QVBoxLayout(hobbyBox);
  male_->setParent(sexBox), female_->setParent(sexBox);
  hobby_->setParent(hobbyBox), notHobby_->setParent(hobbyBox);
  sexLayout->addWidget(male_), sexLayout->addWidget(female_);
  hobbyLayout->addWidget(hobby_), hobbyLayout->addWidget(notHobby_);
  groupLayout->addWidget(sexBox, 0, 0);
  groupLayout->addWidget(hobbyBox, 0, 1);
  right->addWidget(group);
  Register(ControlKind::GroupBox, 1, group);
  Register(ControlKind::RadioButton, 1, male_);
  Register(ControlKind::RadioButton, 2, female_);
  Register(ControlKind::RadioButton, 3, hobby_);
  Register(ControlKind::RadioButton, 4, notHobby_);
  (app.male ? male_ : female_)->setChecked(true);
  (app.hobby ? hobby_ : notHobby_)->setChecked(true);

  noLogon_ = new QCheckBox(Text(msg::M_NO_LOGON), this);
  noLogon_->setChecked(!app.doLogon);
  right->addWidget(noLogon_);
  Register(ControlKind::CheckBox, 1, noLogon_);

  auto* buttons = new QHBoxLayout;
  right->addLayout(buttons);
  auto* hardware = new QPushButton(Text(msg::M_HARDWARE_TEST), this);
  auto* credits = new QPushButton(Text(msg::M_CREDITS_BUTTON), this);
  hardware->setAutoDefault(false);
  credits->setAutoDefault(false);
  buttons->addWidget(hardware);
  buttons->addWidget(credits);
  Register(ControlKind::PushButton, 1, hardware);
  Register(ControlKind::PushButton, 2, credits);
  connect(hardware, &QPushButton::clicked, this, [this] { RunHardwareDialog(this, false); });
  connect(credits, &QPushButton::clicked, this, [this] { RunCreditsDialog(this); });
  right->addWidget(MakeStandardButtons());

  // The Tab order follows the controls: the four edits, the radios, the box, buttons.
  QWidget* order[] = {edits_[0], edits_[1], edits_[2], edits_[3], male_, female_, hobby_, notHobby_, noLogon_,
                      hardware,  credits};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  edits_[0]->setFocus();
}

LogonEntry ModalDialogLOGON::Entry() const {
  return LogonEntry{edits_[0]->text().toStdString(), edits_[1]->text().toStdString(),
                    edits_[2]->text().toStdString(), edits_[3]->text().toStdString(),
                    male_->isChecked(),              hobby_->isChecked(),
                    !noLogon_->isChecked()};
}

bool RunLogonDialog(QWidget* parent, AppParams& app, PlayingParams& playing) {
  ModalDialogLOGON dialog(parent, app);
  if (!dialog.Run()) return false;
  ApplyLogon(dialog.Entry(), app, playing);
  return true;
}

// ---- Hardware test ----

void SetHardwareFacts(std::function<HardwareFacts()> facts) { FactsSource() = std::move(facts); }

HardwareFacts CurrentHardwareFacts() {
  if (FactsSource()) return FactsSource()();
  HardwareFacts facts;
  if (ZelkoApp* app = ZelkoApp::Instance()) {
    facts.totalKb = app->PhysicalMemoryKb();
    facts.freeKb = [app] { return app->FreeMemoryKb(); };
    if (app->App()) facts.screenWidth = app->App()->Environment().screenWidth;
  }
  if (!facts.freeKb) facts.freeKb = [] { return int64_t{0}; };
  return facts;
}

ModalDialogHARDW::ModalDialogHARDW(QWidget* parent, bool lock, HardwareFacts facts)
    : ResourceDialog(kResourceId, 0, parent), facts_(std::move(facts)) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_HARDWARE_TITLE)));
  resize(kHardwareTestWidth + 40, kHardwareTestHeight + 190);
  area_ = new HardwareArea(this, picture_);
  area_->setFixedSize(kHardwareTestWidth, kHardwareTestHeight);
  const int texts[5] = {msg::M_SPEED_LABEL, msg::M_MEMORY_LABEL, msg::M_HARDWARE_INTRO, 0, 0};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 5; ++i) {
    texts_[i] = new QLabel(texts[i] ? ToQString(GetMessageText(texts[i])) : QString(), this);
    Register(ControlKind::FixedText, i + 1, texts_[i]);
  }
  texts_[2]->setWordWrap(true);
  grid->addWidget(texts_[0], 0, 0), grid->addWidget(texts_[3], 0, 1);
  grid->addWidget(texts_[1], 1, 0), grid->addWidget(texts_[4], 1, 1);
  grid->addWidget(texts_[2], 2, 0, 1, 2);
  auto* start = new QPushButton(Text(msg::M_START_TEST), this);
  auto* music = new QPushButton(Text(msg::M_MUSIC_TEST), this);
  auto* ok = new QPushButton(ToQString(GetMessageTextPlain(msg::M_OK)), this);
  Register(ControlKind::PushButton, 1, start);
  Register(ControlKind::PushButton, 2, music);
  Register(ControlKind::OkButton, 1, ok);
  ok->setEnabled(!lock);
  connect(start, &QPushButton::clicked, this, &ModalDialogHARDW::RunTest);
  connect(music, &QPushButton::clicked, this, &ModalDialogHARDW::RunMusicTest);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 15 + kHardwareTestHeight + 10, 10, 10);
  layout->addLayout(grid);
  auto* row = new QHBoxLayout;
  row->addWidget(start), row->addWidget(music), row->addWidget(ok);
  layout->addLayout(row);
  setTabOrder(start, music);
  setTabOrder(music, ok);
  start->setFocus();
  start->setDefault(true);
}

void ModalDialogHARDW::resizeEvent(QResizeEvent* event) {
  ResourceDialog::resizeEvent(event);
  area_->move((width() - kHardwareTestWidth) / 2, 15);
}

void ModalDialogHARDW::RunTest() {
  Coach().CloseMusic();
  texts_[4]->setText(QString::number(facts_.totalKb));
  picture_ = QImage(kHardwareTestWidth, kHardwareTestHeight, QImage::Format_RGB32);
  picture_.fill(Qt::white);
  const uint64_t start = Clock().TicksMs();
  {
    QPainter painter(&picture_);
    painter.setPen(Qt::NoPen);
    for (int round = 0; round < kHardwareRounds; ++round) {
      for (int i = 0; i < kHardwarePolygonsPerRound; ++i) {
        QPolygon polygon;
        for (int corner = 0; corner < 4; ++corner) {
          const int x = static_cast<int>(Random().Next() % kHardwareTestWidth);
          const int y = static_cast<int>(Random().Next() % kHardwareTestHeight);
          polygon << QPoint(x, y);
        }
        painter.setBrush(QColor(kSixteen[Random().Next() % 16]));
        painter.drawPolygon(polygon);
      }
      area_->repaint();
    }
  }
  const uint64_t end = Clock().TicksMs();
  result_ = HardwareSpeedResult(end >= start ? end - start : 0);
  texts_[3]->setText(QString::number(result_) + "%");
  texts_[2]->setText(ToQString(HardwareVerdict(result_, facts_.totalKb, facts_.screenWidth)));
  QWidget* ok = Control(ControlKind::OkButton, 1);
  ok->setEnabled(true);
  ok->setFocus();
}

void ModalDialogHARDW::RunMusicTest() {
  if (facts_.freeKb && facts_.freeKb() < kMusicTestMinimumKb) {
    ErrorBox(GetMessageText(msg::M_NOT_ENOUGH_MEMORY));
    return;
  }
  Coach().PlayIntro();
}

int32_t RunHardwareDialog(QWidget* parent, bool lock) {
  ModalDialogHARDW dialog(parent, lock, CurrentHardwareFacts());
  dialog.Run();
  return dialog.Result();
}

// ---- Credits ----

ModalDialogIMPRESS::ModalDialogIMPRESS(QWidget* parent) : ResourceDialog(kResourceId, 0, parent) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_CREDITS_TITLE)));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(ToQString(GetMessageText(msg::M_CREDITS_INTRO)), this);
  list_ = new QListWidget(this);
  auto* thanks = new QLabel(ToQString(GetMessageText(msg::M_CREDITS_THANKS)), this);
  layout->addWidget(intro), layout->addWidget(list_), layout->addWidget(thanks);
  Register(ControlKind::FixedText, 1, intro);
  Register(ControlKind::FixedText, 3, thanks);
  Register(ControlKind::ListBox, 1, list_);
  auto* ok = new QPushButton(ToQString(GetMessageTextPlain(msg::M_OK)), this);
  ok->setDefault(true);
  Register(ControlKind::OkButton, 1, ok);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);

  for (const auto& [name, author] : Game().EngineCredits())
    list_->addItem(ToQString(name + " (" + author + ")"));
  const std::string credit = Coach().CreditText();
  if (!credit.empty()) list_->addItem(ToQString(credit + " (" + GetMessageTextPlain(msg::M_TALKING_COACH) + ")"));
  for (int id : {msg::M_CREDIT_PROGRAM, msg::M_CREDIT_QT, msg::M_CREDIT_OPENINGS})
    list_->addItem(ToQString(GetMessageText(id)));
  ok->setFocus();
}

void RunCreditsDialog(QWidget* parent) {
  ModalDialogIMPRESS dialog(parent);
  dialog.Run();
}

}  // namespace zh
