#include "app/ui/resource_dialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QUrl>
#include <filesystem>
#include <string>

#include "app/languages.h"
#include "app/message_ids.h"
#include "core/services.h"

namespace zh {
namespace {
std::string& HelpFolderSetting() {
  static std::string folder;
  return folder;
}
}  // namespace

QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString MenuText(std::string_view text) {
  QString s = ToQString(text);
  s.replace('&', "&&");
  s.replace('~', '&');
  return s;
}

ResourceDialog::ResourceDialog(int resourceId, int helpId, QWidget* parent)
    : QDialog(parent), resourceId_(resourceId), helpId_(helpId) {}

QWidget* ResourceDialog::Control(ControlKind kind, int id) const {
  auto it = controls_.find({kind, id});
  return it == controls_.end() ? nullptr : it->second;
}

void ResourceDialog::Register(ControlKind kind, int id, QWidget* control) {
  controls_[{kind, id}] = control;
}

void ResourceDialog::SetHelpFolder(std::string folder) { HelpFolderSetting() = std::move(folder); }

QWidget* ResourceDialog::MakeStandardButtons(bool withCancel) {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  auto add = [&](ControlKind kind, const QString& text) {
    auto* b = new QPushButton(text, row);
    layout->addWidget(b);
    Register(kind, 1, b);
    return b;
  };
  std::string ok = GetMessageText(msg::M_OK);
  QPushButton* okButton = add(ControlKind::OkButton, ok == kNoText ? QString("OK") : MenuText(ok));
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  if (withCancel)
    connect(add(ControlKind::CancelButton, tr("Cancel")), &QPushButton::clicked, this, &QDialog::reject);
  connect(add(ControlKind::HelpButton, tr("Help")), &QPushButton::clicked, this, &ResourceDialog::ShowHelp);
  return row;
}

void ResourceDialog::ShowHelp() {
  emit helpRequested(helpId_);
  const std::string& folder = HelpFolderSetting();
  if (folder.empty()) return;
  const std::string english = (std::filesystem::path(folder).parent_path() / "ZK_E").string();
  QString page = ToQString(HelpPage(folder, helpId_, english));
  if (QFileInfo::exists(page)) QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

}  // namespace zh
