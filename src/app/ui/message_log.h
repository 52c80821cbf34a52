// The technical message log ("Technical Messages", copied line by line into
// "protocol.txt") and the numbered "Internal messages:" dump window. Both show
// their lines in list views over append-only models.
#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/protocol_file.h"

class QListView;
class QPushButton;

namespace zh {

// Lines that are only ever appended (and the last one replaced).
class LineModel final : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void Append(const QString& line);
  void ReplaceLast(const QString& line);
  void Clear();
  const QString& Line(int row) const { return lines_[static_cast<size_t>(row)]; }

 private:
  std::vector<QString> lines_;
};

class MessageLog;

// The log's window: the list and a Close button.
class MessageLogWindow final : public QDialog {
  Q_OBJECT

 public:
  MessageLogWindow(QWidget* parent, MessageLog& log);
  LineModel& Lines() { return model_; }
  QListView& List() const { return *list_; }
  QPushButton& CloseButton() const { return *close_; }
  void ShowLast();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  MessageLog& log_;
  LineModel model_;
  QListView* list_;
  QPushButton* close_;
};

class MessageLog {
 public:
  // Creates "protocol.txt" at `protocolPath` at once.
  MessageLog(QWidget* frame, std::string protocolPath);
  ~MessageLog();

  void SetParent(QWidget* parent);
  void AddLine(const std::string& text);
  // Appends the text to the last line; the file gets only the text.
  void ReplaceLastLine(const std::string& text);
  void AddEmptyLine() { AddLine(std::string()); }
  void Clear();
  // The closing line, the window to the front, the file closed.
  void Finish();
  // Closes the window as its Close button does, and the file.
  void CloseAll();

  MessageLogWindow* Window() const { return window_.data(); }
  bool ClosedByUser() const { return closedByUser_; }
  ProtocolFile& File() { return file_; }

 private:
  friend class MessageLogWindow;
  MessageLogWindow& Show();
  void OnWindowClosed();

  QPointer<QWidget> frame_;
  QPointer<MessageLogWindow> window_;
  bool closedByUser_ = false;
  ProtocolFile file_;
};

// The dump window: 300 x 500 in the bottom-right corner of the screen, hidden until
// its first line; lines are numbered from 1.
class DumpWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 500;

  DumpWindow(QWidget* parent, const QString& title, QSize screen);
  void AddText(const QString& text);
  LineModel& Lines() { return model_; }
  QListView& List() const { return *list_; }
  bool KeyPressed() const { return keyPressed_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  LineModel model_;
  QListView* list_;
  uint32_t counter_ = 0;
  bool keyPressed_ = false;
};

// The one dump window: made when none exists, on a screen of the given size.
DumpWindow* CreateDumpWindow(QWidget* parent, const QString& title, QSize screen);
void DeleteDumpWindow();
// Appends "<n>:<text>" when the window exists; the window or null. (The status
// service's DumpText comes here.)
DumpWindow* AddDumpText(const std::string& text);
DumpWindow* TheDumpWindow();

}  // namespace zh
