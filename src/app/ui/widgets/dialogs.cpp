#include "app/ui/widgets/dialogs.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include "app/message_ids.h"
#include "app/ui/widgets/frames.h"
#include "core/services.h"

namespace zh {
namespace {

constexpr int kDialogFace = 8;

// A message text with its '~' mnemonic as Qt's '&'.
QString ButtonText(int id) {
  return QString::fromStdString(GetMessageText(id)).replace('~', '&');
}

}  // namespace

OkCancelDialog::OkCancelDialog(QWidget* parent, const QString& caption)
    : QDialog(parent), ok_(new QPushButton(this)), cancel_(new QPushButton(this)) {
  setModal(true);
  setWindowTitle(caption);
  FillBackground(*this, kDialogFace);
  ok_->setText(ButtonText(msg::M_WIDGET_OK));
  cancel_->setText(ButtonText(msg::M_WIDGET_CANCEL));
  ok_->setGeometry(20, 140, 120, 30);
  cancel_->setGeometry(160, 140, 120, 30);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);
  cancel_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  resize(300, 200);
}

ListDialog::ListDialog(QWidget* parent, const QString& caption, int lines, int width)
    : OkCancelDialog(parent, caption), list_(new QListWidget(this)) {
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setFrameShape(QFrame::NoFrame);
  const int lineHeight = list_->fontMetrics().height();
  list_->setGeometry(28, 26, width, lines * lineHeight);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  resize(width + 58, lines * lineHeight + 4 * OkButton().height() + 52);
  Layout();
  list_->show();
  list_->setFocus();
}

void ListDialog::AddLine(const QString& text) {
  list_->addItem(text);
  if (list_->count() == 1) list_->setCurrentRow(0);
}

int ListDialog::SelectedLine() const { return list_->currentRow(); }

void ListDialog::resizeEvent(QResizeEvent* event) {
  OkCancelDialog::resizeEvent(event);
  Layout();
}

void ListDialog::Layout() {
  const int g = (width() - 240) / 3;
  OkButton().move(g, height() - 60);
  CancelButton().move(2 * g + 120, height() - 60);
}

void ListDialog::paintEvent(QPaintEvent* event) {
  OkCancelDialog::paintEvent(event);
  QPainter painter(this);
  DrawBevel(painter, list_->geometry(), 5, false, kSideAll, false);
}

int32_t RunListChoice(QWidget* parent, std::string_view title, const std::vector<std::string>& lines) {
  if (lines.empty()) return -1;
  class ListDialog dialog(parent, QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())), 16, 350);
  for (const std::string& line : lines) dialog.AddLine(QString::fromStdString(line));
  if (dialog.exec() != QDialog::Accepted) return -1;
  return dialog.SelectedLine();
}

}  // namespace zh
