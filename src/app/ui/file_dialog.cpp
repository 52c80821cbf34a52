#include "app/ui/file_dialog.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/file_names.h"

namespace zh {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString QtFilter(const std::string& description, const std::string& pattern) {
  return Q(FilterLabel(description)) + " (" + Q(BothCasePatterns(pattern)) + ")";
}

QSize ScreenSize(const QWidget* window) {
  const QScreen* screen = window ? window->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(0, 0);
}

}  // namespace

FileDialog::FileDialog(QWidget* parent, int32_t style) : parent_(parent), style_(style) {}

void FileDialog::SetFileName(std::string_view text) {
  fileName_ = std::string(text.substr(0, kFileNameLimit));
}

void FileDialog::AddFilter(std::string description, std::string pattern) {
  filters_.emplace_back(std::move(description), std::move(pattern));
}

void FileDialog::SetInitialDir(std::string_view text) {
  initialDir_ = std::string(text.substr(0, kInitialDirLimit));
}

bool FileDialog::Execute() {
  const bool save = (style_ & 0xFFFF) == FileDialogRequest::kSave;
  QFileDialog dialog(parent_, Q(title_));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile
                          : (style_ & FileDialogRequest::kMultiSelect) ? QFileDialog::ExistingFiles
                                                                       : QFileDialog::ExistingFile);
  if (save && (style_ & FileDialogRequest::kNoOverwritePrompt))
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QStringList qtFilters;
  for (const auto& [description, pattern] : filters_) qtFilters << QtFilter(description, pattern);
  if (!qtFilters.isEmpty()) dialog.setNameFilters(qtFilters);
  // A proposal that holds a folder starts there, else the initial folder.
  std::string proposal = fileName_;
  std::string folder = initialDir_;
  size_t slash = proposal.find_last_of('/');
  if (slash != std::string::npos) {
    folder = proposal.substr(0, slash == 0 ? 1 : slash);
    proposal = proposal.substr(slash + 1);
  }
  if (!folder.empty()) dialog.setDirectory(Q(folder));
  if (!proposal.empty() && proposal.find('*') == std::string::npos) dialog.selectFile(Q(proposal));
  std::string ext = BareExtension(defaultExtension_);
  if (!ext.empty() && ext.find('*') == std::string::npos) dialog.setDefaultSuffix(Q(ext));
  selectionChanged_ = false;
  QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog,
                   [this](const QString&) { selectionChanged_ = true; });
  CentreWindow(&dialog, parent_);
  filterIndex_ = 0;
  if (dialog.exec() != QDialog::Accepted) return false;
  QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return false;
  fileName_ = files.front().toStdString();
  int chosen = static_cast<int>(qtFilters.indexOf(dialog.selectedNameFilter()));
  filterIndex_ = chosen >= 0 ? chosen + 1 : 0;
  return true;
}

std::string FileDialog::GetPath() const {
  return WithDefaultExtension(fileName_, defaultExtension_);
}

std::string FileDialog::GetFilterPattern() const {
  if (filterIndex_ < 1 || static_cast<size_t>(filterIndex_) > filters_.size()) return {};
  return filters_[static_cast<size_t>(filterIndex_ - 1)].second;
}

FileDialogAnswer FileDialog::Run(QWidget* parent, const FileDialogRequest& request) {
  FileDialog dialog(parent, request.style);
  dialog.SetTitle(request.title);
  dialog.SetFileName(request.fileName);
  dialog.SetInitialDir(request.initialDir);
  dialog.SetDefaultExtension(request.defaultExtension);
  for (const auto& [description, pattern] : request.filters) dialog.AddFilter(description, pattern);
  FileDialogAnswer answer;
  answer.ok = dialog.Execute();
  answer.selectionChanged = dialog.SelectionChanged();
  if (!answer.ok) return answer;
  answer.path = dialog.GetPath();
  answer.filterIndex = dialog.GetFilterIndex();
  answer.filterPattern = dialog.GetFilterPattern();
  return answer;
}

QPoint CentredPosition(QSize size, QRect reference, QSize screen) {
  return {CentredCoordinate(size.width(), {reference.x(), reference.width()}, screen.width()),
          CentredCoordinate(size.height(), {reference.y(), reference.height()}, screen.height())};
}

bool CentreWindow(QWidget* window, QWidget* reference) {
  if (!window) return false;
  QSize screen = ScreenSize(window);
  QRect ref = reference ? reference->frameGeometry() : QRect(QPoint(0, 0), screen);
  QSize size = window->frameGeometry().size();
  if (size.isEmpty()) size = window->sizeHint();
  window->move(CentredPosition(size, ref, screen));
  return true;
}

bool CentreParentOverGrandparent(QWidget* window) {
  QWidget* parent = window ? window->parentWidget() : nullptr;
  return parent && CentreWindow(parent, parent->parentWidget());
}

}  // namespace zh
