#include "app/ui/message_log.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QListView>
#include <QPushButton>

#include "app/message_ids.h"
#include "core/services.h"

namespace zh {
namespace {

QString ToQt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QPointer<DumpWindow> gDumpWindow;

}  // namespace

// ---- LineModel ----

int LineModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant LineModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return lines_[static_cast<size_t>(index.row())];
}

void LineModel::Append(const QString& line) {
  const int row = rowCount();
  beginInsertRows(QModelIndex(), row, row);
  lines_.push_back(line);
  endInsertRows();
}

void LineModel::ReplaceLast(const QString& line) {
  if (lines_.empty()) return Append(line);
  lines_.back() = line;
  const QModelIndex last = index(rowCount() - 1);
  emit dataChanged(last, last);
}

void LineModel::Clear() {
  beginResetModel();
  lines_.clear();
  endResetModel();
}

namespace {
void SelectLast(QListView& list, LineModel& model) {
  if (model.rowCount() == 0) return;
  const QModelIndex last = model.index(model.rowCount() - 1);
  list.setCurrentIndex(last);
  list.scrollTo(last);
}

QListView* MakeList(QWidget* parent, LineModel& model) {
  auto* list = new QListView(parent);
  list->setModel(&model);
  list->setUniformItemSizes(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return list;
}
}  // namespace

// ---- MessageLogWindow ----

MessageLogWindow::MessageLogWindow(QWidget* parent, MessageLog& log)
    : QDialog(parent), log_(log), list_(MakeList(this, model_)), close_(new QPushButton(this)) {
  setModal(false);
  setWindowTitle(ToQt(GetMessageText(msg::M_TECHNICAL_MESSAGES)));
  close_->setText(ToQt(GetMessageText(msg::M_LOG_CLOSE)));
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  resize(480, 300);
}

void MessageLogWindow::ShowLast() { SelectLast(*list_, model_); }

void MessageLogWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  list_->setGeometry(8, 8, width() - 16, height() - 56);
  close_->setGeometry((width() - 90) / 2, height() - 40, 90, 30);
}

void MessageLogWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  log_.OnWindowClosed();
}

// ---- MessageLog ----

MessageLog::MessageLog(QWidget* frame, std::string protocolPath) : frame_(frame), file_(std::move(protocolPath)) {
  file_.Open();
}

MessageLog::~MessageLog() { delete window_.data(); }

void MessageLog::SetParent(QWidget* parent) {
  frame_ = parent;
  if (window_) window_->setParent(parent, window_->windowFlags());
}

MessageLogWindow& MessageLog::Show() {
  if (!window_) {
    window_ = new MessageLogWindow(frame_, *this);
    window_->show();
    window_->raise();
  }
  return *window_;
}

void MessageLog::OnWindowClosed() {
  // The window goes once its close event is done.
  if (window_) window_->deleteLater();
  window_ = nullptr;
  closedByUser_ = true;
}

void MessageLog::AddLine(const std::string& text) {
  MessageLogWindow& w = Show();
  w.Lines().Append(ToQt(text));
  w.ShowLast();
  file_.WriteLine(text);
  closedByUser_ = false;
}

void MessageLog::ReplaceLastLine(const std::string& text) {
  MessageLogWindow& w = Show();
  LineModel& lines = w.Lines();
  if (lines.rowCount() == 0)
    lines.Append(ToQt(text));
  else
    lines.ReplaceLast(lines.Line(lines.rowCount() - 1) + ToQt(text));
  w.ShowLast();
  file_.WriteLine(text);
}

void MessageLog::Clear() {
  if (window_) window_->Lines().Clear();
  closedByUser_ = false;
}

void MessageLog::Finish() {
  AddLine(GetMessageText(msg::M_GAME_REPLACED));
  if (window_) window_->raise();
  file_.Close();
}

void MessageLog::CloseAll() {
  if (!window_) return;
  MessageLogWindow* w = window_.data();
  w->close();
  delete w;
  file_.Close();
}

// ---- DumpWindow ----

DumpWindow::DumpWindow(QWidget* parent, const QString& title, QSize screen)
    : QWidget(parent, Qt::Window), list_(MakeList(this, model_)) {
  setWindowTitle(title);
  setGeometry(screen.width() - kWidth, screen.height() - kHeight, kWidth, kHeight);
}

void DumpWindow::AddText(const QString& text) {
  const QString line = QString::number(++counter_) + ':' + text;
  const int textWidth = list_->fontMetrics().horizontalAdvance(line);
  if (textWidth > list_->viewport()->width()) resize(textWidth + 8, height());
  model_.Append(line);
  SelectLast(*list_, model_);
}

void DumpWindow::keyPressEvent(QKeyEvent*) {
  keyPressed_ = true;
  QApplication::beep();
}

void DumpWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  list_->setGeometry(rect());
}

DumpWindow* CreateDumpWindow(QWidget* parent, const QString& title, QSize screen) {
  if (!gDumpWindow) gDumpWindow = new DumpWindow(parent, title, screen);
  return gDumpWindow.data();
}

void DeleteDumpWindow() {
  delete gDumpWindow;
  gDumpWindow = nullptr;
}

DumpWindow* TheDumpWindow() { return gDumpWindow.data(); }

DumpWindow* AddDumpText(const std::string& text) {
  if (!gDumpWindow) return nullptr;
  if (gDumpWindow->isHidden()) gDumpWindow->show();
  gDumpWindow->AddText(ToQt(text));
  return gDumpWindow.data();
}

}  // namespace zh
