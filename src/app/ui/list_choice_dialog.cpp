#include "app/ui/list_choice_dialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace zh {

ListChoiceDialog::ListChoiceDialog(QWidget* parent, const std::string& title,
                                   const std::vector<std::string>& lines)
    : QDialog(parent), list_(new QListWidget(this)) {
  setWindowTitle(QString::fromStdString(title));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const std::string& line : lines) list_->addItem(QString::fromStdString(line));
  if (list_->count() > 0) list_->setCurrentRow(0);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(350, 16 * 20);
}

int ListChoiceDialog::SelectedLine() const { return list_->currentRow(); }

int32_t RunListChoice(QWidget* parent, std::string_view title, const std::vector<std::string>& lines) {
  if (lines.empty()) return -1;
  ListChoiceDialog dialog(parent, std::string(title), lines);
  if (dialog.exec() != QDialog::Accepted) return -1;
  return dialog.SelectedLine();
}

}  // namespace zh
