// The small dialogs of the widget library: OK/Cancel and the list selection.
// Enter answers OK, Escape Cancel.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>
#include <vector>

class QListWidget;
class QPushButton;

namespace zh {

// A modal dialog of 300 x 200 on the dialog face colour with OK (120 x 30 at
// (20, 140), the default button) and Cancel (120 x 30 at (160, 140)).
class OkCancelDialog : public QDialog {
  Q_OBJECT

 public:
  OkCancelDialog(QWidget* parent, const QString& caption);

  QPushButton& OkButton() const { return *ok_; }
  QPushButton& CancelButton() const { return *cancel_; }

 private:
  QPushButton* ok_;
  QPushButton* cancel_;
};

// A list of `lines` text lines, `width` pixels wide, at (28, 26) with a sunken frame
// around it; OK and Cancel below it. The first entry starts selected.
class ListDialog final : public OkCancelDialog {
  Q_OBJECT

 public:
  ListDialog(QWidget* parent, const QString& caption, int lines, int width);

  QListWidget& List() const { return *list_; }
  void AddLine(const QString& text);
  // The selected line's position, -1 when none.
  int SelectedLine() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Layout();

  QListWidget* list_;
};

// The class shares its name with the list-dialog service call: name it "class
// ListDialog" where both are seen. Runs a list dialog of 16 lines and 350 pixels; the chosen line's position on OK,
// -1 on Cancel or for no lines.
int32_t RunListChoice(QWidget* parent, std::string_view title, const std::vector<std::string>& lines);

}  // namespace zh
