#include "engines/ui/adjudication_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>


namespace zh {

namespace {

// The radio captions, as the game's result tags read.
constexpr const char* kCaptions[] = {"1-0", "1/2-1/2", "0-1", "*"};

}  // namespace

ModalADJUD::ModalADJUD(const QString& title, const QString& prompt, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  prompt_ = new QLabel(prompt, this);
  prompt_->setWordWrap(true);
  layout->addWidget(prompt_);
  for (size_t i = 0; i < radios_.size(); ++i) {
    radios_[i] = new QRadioButton(QString::fromLatin1(kCaptions[i]), this);
    radios_[i]->setObjectName(QStringLiteral("radio%1").arg(i + 1));
    layout->addWidget(radios_[i]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Preselect(1);
}

void ModalADJUD::Preselect(int outlook) {
  const int id = outlook == 0 ? 3 : outlook == 2 ? 1 : outlook == 3 ? 4 : 2;
  Radio(id)->setChecked(true);
}

int ModalADJUD::CheckedId() const {
  for (size_t i = 0; i < radios_.size(); ++i)
    if (radios_[i]->isChecked()) return static_cast<int>(i) + 1;
  return 2;
}

int DialogAdjudicationAsker::Ask(int outlook, int32_t& code) {
  ModalADJUD dialog(title_, prompt_, parent_);
  dialog.Preselect(outlook);
  if (dialog.exec() != QDialog::Accepted) return 0;
  code = ModalADJUD::kCodes[static_cast<size_t>(dialog.CheckedId() - 1)];
  return 1;
}

}  // namespace zh
