#include "app/ui/talk_file_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/message_ids.h"
#include "app/ui/file_dialog.h"

namespace zh {
namespace {

QString BrowseWithQt(QWidget* parent, const QString& start) {
  FileDialog dialog(parent, 0);
  dialog.SetFileName(start.toStdString());
  dialog.SetDefaultExtension("*.cht");
  dialog.AddFilter("Talk files (*.CHT)", "*.CHT");
  dialog.AddFilter("All files  (*.*)", "*.*");
  if (!dialog.Execute()) return {};
  return QString::fromStdString(dialog.GetPath());
}

ModalTALKPATH::Browser& CurrentBrowser() {
  static ModalTALKPATH::Browser browser = BrowseWithQt;
  return browser;
}

bool TalkFileExists(const AppParams& params) {
  return !params.talkPath.empty() && IsFile(params.ResolvePath(params.talkPath));
}

}  // namespace

void ModalTALKPATH::SetBrowser(Browser browser) {
  CurrentBrowser() = browser ? std::move(browser) : Browser(BrowseWithQt);
}

ModalTALKPATH::ModalTALKPATH(QWidget* parent, AppParams& params)
    : ResourceDialog(kResourceId, kHelpId, parent), params_(params) {
  setWindowTitle(ToQString(params.talkPath));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(MenuText(GetMessageText(msg::M_TALK_FILE_TEXT)), this);
  Register(ControlKind::FixedText, 1, text);
  layout->addWidget(text);
  auto* box = new QGroupBox(this);
  Register(ControlKind::GroupBox, 1, box);
  auto* boxLayout = new QVBoxLayout(box);
  off_ = new QCheckBox(MenuText(GetMessageText(msg::M_TALK_OFF)), box);
  off_->setChecked(!params.talk);
  Register(ControlKind::CheckBox, kOffId, off_);
  auto* browse = new QPushButton(MenuText(GetMessageText(msg::M_TALK_BROWSE) + "  (talk.cht)"), box);
  Register(ControlKind::PushButton, kBrowseId, browse);
  test_ = new QPushButton(tr("Test"), box);
  Register(ControlKind::PushButton, kTestId, test_);
  for (QWidget* w : {static_cast<QWidget*>(off_), static_cast<QWidget*>(browse),
                     static_cast<QWidget*>(test_)})
    boxLayout->addWidget(w);
  layout->addWidget(box);
  layout->addWidget(MakeStandardButtons(false));
  connect(browse, &QPushButton::clicked, this, &ModalTALKPATH::Browse);
  connect(test_, &QPushButton::clicked, this, [] { Coach().TestTalkFile(); });
  UpdateTestButton();
}

bool ModalTALKPATH::CommentsOff() const { return off_->isChecked(); }

void ModalTALKPATH::UpdateTestButton() { test_->setEnabled(TalkFileExists(params_)); }

void ModalTALKPATH::Browse() {
  const std::string stored = params_.talkPath.empty() ? std::string("\\talk.cht") : params_.talkPath;
  const QString start = ToQString(params_.ResolvePath(stored));
  QString chosen = CurrentBrowser()(this, start);
  if (!chosen.isEmpty()) {
    params_.talkPath = chosen.toStdString();
    off_->setChecked(false);
    UpdateTestButton();
    if (TalkFileExists(params_))
      Coach().RebuildChatter(params_.LanguageFolder(params_.Environment().locations.dataFolder));
  }
  raise();
  activateWindow();
}

bool TalkDialogNeeded(const AppParams& params, bool force) {
  if (!params.talk && !force) return false;
  return force || !TalkFileExists(params) || (params.life == 0 && params.language != 1);
}

void AskTalkFile(QWidget* parent, AppParams& params, bool force) {
  if (!TalkDialogNeeded(params, force)) return;
  ModalTALKPATH dialog(parent, params);
  dialog.Run();
  params.talk = !dialog.CommentsOff();
}

}  // namespace zh
