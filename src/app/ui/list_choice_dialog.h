// The modal list selection dialog of the list-dialog service: a title, one line per
// entry with the first selected, OK (or a double click) and Cancel.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace zh {

class ListChoiceDialog final : public QDialog {
  Q_OBJECT

 public:
  ListChoiceDialog(QWidget* parent, const std::string& title, const std::vector<std::string>& lines);

  QListWidget& List() const { return *list_; }
  // The selected line's position, -1 when none.
  int SelectedLine() const;

 private:
  QListWidget* list_;
};

// Runs the dialog; the chosen line's position on OK, -1 on Cancel or for no lines.
int32_t RunListChoice(QWidget* parent, std::string_view title, const std::vector<std::string>& lines);

}  // namespace zh
