// Base of the dialogs that stand for a dialog resource: the resource id, the help
// id, and the controls reachable by kind and resource id (tests drive them so).
#pragma once

#include <QDialog>
#include <map>
#include <string_view>
#include <utility>

class QPushButton;

namespace zh {

// The standard buttons are the kinds OkButton, CancelButton and HelpButton, id 1.
enum class ControlKind {
  OkButton,
  CancelButton,
  HelpButton,
  PushButton,
  RadioButton,
  CheckBox,
  ListBox,
  FixedText,
  GroupBox,
  Edit
};

class ResourceDialog : public QDialog {
  Q_OBJECT

 public:
  ResourceDialog(int resourceId, int helpId, QWidget* parent);

  int ResourceId() const { return resourceId_; }
  int HelpId() const { return helpId_; }
  // Runs modally: nonzero for OK.
  int Run() { return exec() == QDialog::Accepted ? 1 : 0; }

  QWidget* Control(ControlKind kind, int id) const;
  template <class T>
  T* ControlAs(ControlKind kind, int id) const {
    return qobject_cast<T*>(Control(kind, id));
  }
  // The folder of help pages that the Help button opens (one page per help id).
  static void SetHelpFolder(std::string folder);

 signals:
  void helpRequested(int helpId);

 protected:
  void Register(ControlKind kind, int id, QWidget* control);
  // OK, Cancel and Help with their ids, in a row.
  QWidget* MakeStandardButtons(bool withCancel = true);

 private:
  void ShowHelp();

  int resourceId_;
  int helpId_;
  std::map<std::pair<ControlKind, int>, QWidget*> controls_;
};

QString ToQString(std::string_view utf8);
// A message text for a control: '~' marks the mnemonic, as '&' does in Qt.
QString MenuText(std::string_view text);

}  // namespace zh
