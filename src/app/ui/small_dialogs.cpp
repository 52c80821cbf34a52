#include "app/ui/small_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/message_ids.h"
#include "app/ui/widgets/bitmap_manager.h"
#include "app/ui/widgets/frames.h"
#include "board/board_marks.h"
#include "board/ui/board_window_2d.h"
#include "board/ui/piece_sets.h"
#include "core/rules/position.h"
#include "core/services.h"

namespace zh {
namespace {

QString Text(int id) { return MenuText(GetMessageText(id)); }

QWidget* ActiveParent() {
  QWidget* w = QApplication::activeModalWidget();
  if (!w) w = QApplication::activeWindow();
  return w;
}

QSpinBox* MakeField(QWidget* parent, int value, int minimum, int maximum) {
  auto* field = new QSpinBox(parent);
  field->setRange(minimum, maximum);
  field->setValue(value);  // an outside value is clamped at once
  return field;
}

// OK and Cancel in a row: OK the default (Enter), Cancel on Escape.
QWidget* OkCancelRow(QDialog* dialog, QPushButton** okOut = nullptr, QPushButton** cancelOut = nullptr) {
  auto* row = new QWidget(dialog);
  auto* layout = new QHBoxLayout(row);
  auto* ok = new QPushButton(ToQString(GetMessageTextPlain(msg::M_OK)), row);
  auto* cancel = new QPushButton(ToQString(GetMessageTextPlain(msg::M_CANCEL)), row);
  ok->setDefault(true);
  layout->addWidget(ok), layout->addWidget(cancel);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  if (okOut) *okOut = ok;
  if (cancelOut) *cancelOut = cancel;
  return row;
}

}  // namespace

// ---- Numbers ----

ModalDialogNUMBER::ModalDialogNUMBER(QWidget* parent, std::string_view title, int32_t value, int32_t minimum,
                                     int32_t maximum, int helpId)
    : ResourceDialog(kResourceId, helpId, parent) {
  setWindowTitle(ToQString(title));
  auto* layout = new QVBoxLayout(this);
  field_ = MakeField(this, value, minimum, maximum);
  Register(ControlKind::Edit, 1, field_);
  layout->addWidget(field_);
  QPushButton *ok, *cancel;
  layout->addWidget(OkCancelRow(this, &ok, &cancel));
  Register(ControlKind::OkButton, 1, ok);
  Register(ControlKind::CancelButton, 1, cancel);
  field_->setFocus();
  field_->selectAll();
}

ModalDialogTWOSHORT::ModalDialogTWOSHORT(QWidget* parent, std::string_view title, std::string_view label1,
                                         std::string_view label2, int16_t value1, int16_t min1, int16_t max1,
                                         int16_t value2, int16_t min2, int16_t max2)
    : ResourceDialog(kResourceId, 0, parent) {
  setWindowTitle(ToQString(title));
  auto* grid = new QGridLayout(this);
  first_ = MakeField(this, value1, min1, max1);
  second_ = MakeField(this, value2, min2, max2);
  auto* l1 = new QLabel(MenuText(label1), this);
  auto* l2 = new QLabel(MenuText(label2), this);
  l1->setBuddy(first_), l2->setBuddy(second_);
  grid->addWidget(l1, 0, 0), grid->addWidget(first_, 0, 1);
  grid->addWidget(l2, 1, 0), grid->addWidget(second_, 1, 1);
  grid->addWidget(OkCancelRow(this), 2, 0, 1, 2);
  Register(ControlKind::FixedText, 1, l1), Register(ControlKind::FixedText, 2, l2);
  Register(ControlKind::Edit, 1, first_), Register(ControlKind::Edit, 2, second_);
  setTabOrder(first_, second_);
  first_->setFocus();
}

bool AskNumber(std::string_view title, int32_t& value, int32_t minimum, int32_t maximum, int helpId) {
  ModalDialogNUMBER dialog(ActiveParent(), title, value, minimum, maximum, helpId);
  if (!dialog.Run()) return false;
  value = dialog.Field().value();
  return true;
}

bool AskNumberShort(std::string_view title, int16_t& value, int16_t minimum, int16_t maximum, int helpId) {
  int32_t v = value;
  if (!AskNumber(title, v, minimum, maximum, helpId)) return false;
  value = static_cast<int16_t>(v);
  return true;
}

bool AskTwoShorts(std::string_view title, std::string_view label1, std::string_view label2, int16_t& value1,
                  int16_t min1, int16_t max1, int16_t& value2, int16_t min2, int16_t max2) {
  QWidget* main = QApplication::activeWindow();
  ModalDialogTWOSHORT dialog(main, title, label1, label2, value1, min1, max1, value2, min2, max2);
  if (!dialog.Run()) return false;
  value1 = static_cast<int16_t>(dialog.Field(1).value());
  value2 = static_cast<int16_t>(dialog.Field(2).value());
  return true;
}

// ---- Choice of two ----

ModalDialogCHOICE_OF_TWO::ModalDialogCHOICE_OF_TWO(QWidget* parent, std::string_view title, std::string_view first,
                                                   std::string_view second, int initial)
    : ResourceDialog(kResourceId, 0, parent) {
  setWindowTitle(ToQString(title));
  auto* r1 = new QRadioButton(MenuText(first), this);
  auto* r2 = new QRadioButton(MenuText(second), this);
  (initial == 1 ? r1 : r2)->setChecked(true);
  QPushButton *ok, *cancel;
  QWidget* row = OkCancelRow(this, &ok, &cancel);
  ok->setParent(this), cancel->setParent(this);
  delete row;
  Register(ControlKind::RadioButton, 1, r1), Register(ControlKind::RadioButton, 2, r2);
  Register(ControlKind::OkButton, 1, ok), Register(ControlKind::CancelButton, 1, cancel);
  // Fitted to the texts: each radio as wide as its text plus 20, both at one x,
  // centred; OK 50 from the left edge and Cancel 50 from the right.
  const QFontMetrics m(r1->font());
  r1->resize(m.horizontalAdvance(r1->text().remove('&')) + 20, r1->sizeHint().height());
  r2->resize(m.horizontalAdvance(r2->text().remove('&')) + 20, r2->sizeHint().height());
  ok->resize(ok->sizeHint());
  cancel->resize(ok->size());
  const int wider = std::max(r1->width(), r2->width());
  const int width = std::max(wider, 3 * ok->width()) + 100;
  const int x = (width - wider) / 2;
  r1->move(x, 15);
  r2->move(x, 20 + r1->height());
  const int buttonsY = r2->y() + r2->height() + 15;
  ok->move(50, buttonsY);
  cancel->move(width - cancel->width() - 50, buttonsY);
  setFixedSize(width, buttonsY + ok->height() + 15);
  (initial == 1 ? r1 : r2)->setFocus();
}

int ModalDialogCHOICE_OF_TWO::Choice() const {
  return ControlAs<QRadioButton>(ControlKind::RadioButton, 1)->isChecked() ? 1 : 2;
}

int AskChoiceOfTwo(std::string_view title, std::string_view first, std::string_view second, int initial) {
  ModalDialogCHOICE_OF_TWO dialog(ActiveParent(), title, first, second, initial);
  return dialog.Run() ? dialog.Choice() : 0;
}

// ---- First move ----

ModalDialogFIRSTMV::ModalDialogFIRSTMV(QWidget* parent, int ply) : ResourceDialog(kResourceId, 0, parent) {
  setWindowTitle(ToQString(GetMessageTextPlain(msg::M_FIRST_MOVE_TITLE)));
  auto* layout = new QVBoxLayout(this);
  number_ = MakeField(this, (ply + 1) / 2, 1, 9999);
  auto* group = new QGroupBox(this);
  auto* groupLayout = new QVBoxLayout(group);
  white_ = new QRadioButton(Text(msg::M_WHITE_MOVE), group);
  black_ = new QRadioButton(Text(msg::M_BLACK_MOVE), group);
  groupLayout->addWidget(white_), groupLayout->addWidget(black_);
  (ply % 2 ? white_ : black_)->setChecked(true);
  layout->addWidget(number_), layout->addWidget(group), layout->addWidget(OkCancelRow(this));
  Register(ControlKind::Edit, 1, number_);
  Register(ControlKind::RadioButton, 2, white_), Register(ControlKind::RadioButton, 3, black_);
  Register(ControlKind::GroupBox, 1, group);
  number_->setFocus();
}

int ModalDialogFIRSTMV::Ply() const {
  return white_->isChecked() ? 2 * number_->value() - 1 : 2 * number_->value();
}

bool RunFirstMoveDialog(int& ply) {
  ModalDialogFIRSTMV dialog(ActiveParent(), ply);
  if (!dialog.Run()) return false;
  ply = dialog.Ply();
  return true;
}

// ---- Font ----

std::vector<int> FontDialogSizes() {
  std::vector<int> sizes = {8, 9, 10, 11, 12, 13};
  for (int s = 14; s <= 30; s += 2) sizes.push_back(s);
  for (int s = 36; s <= 72; s += 6) sizes.push_back(s);
  return sizes;
}

namespace {
class FontPreview final : public QWidget {
 public:
  FontPreview(QWidget* parent, const ModalFONTSEL& dialog) : QWidget(parent), dialog_(dialog) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFont font = dialog_.Chosen();
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(10, 10 + QFontMetrics(font).ascent()), ToQString(GetMessageText(msg::M_FONT_PREVIEW)));
  }

 private:
  const ModalFONTSEL& dialog_;
};
}  // namespace

ModalFONTSEL::ModalFONTSEL(QWidget* parent, std::string_view title, const QFont& font, bool withStyles)
    : ResourceDialog(kResourceId, 0, parent), withStyles_(withStyles) {
  setWindowTitle(ToQString(title));
  auto* grid = new QGridLayout(this);
  names_ = new QListWidget(this);
  names_->addItems(QFontDatabase::families());
  sizes_ = new QListWidget(this);
  for (int s : FontDialogSizes()) sizes_->addItem(QString::number(s));
  auto* sizeLabel = new QLabel(Text(msg::M_FONT_SIZE), this);
  sizeLabel->setBuddy(sizes_);
  bold_ = new QCheckBox(Text(msg::M_BOLD), this);
  italic_ = new QCheckBox(Text(msg::M_ITALIC), this);
  underline_ = new QCheckBox(Text(msg::M_UNDERLINE), this);
  preview_ = new FontPreview(this, *this);
  preview_->setMinimumSize(300, 90);
  grid->addWidget(names_, 0, 0, 3, 1);
  grid->addWidget(sizeLabel, 0, 1);
  grid->addWidget(sizes_, 1, 1, 2, 1);
  grid->addWidget(bold_, 0, 2), grid->addWidget(italic_, 1, 2), grid->addWidget(underline_, 2, 2);
  grid->addWidget(preview_, 3, 0, 1, 3);
  grid->addWidget(OkCancelRow(this), 4, 0, 1, 3);
  Register(ControlKind::ListBox, 1, names_), Register(ControlKind::ListBox, 2, sizes_);
  Register(ControlKind::FixedText, 1, sizeLabel);
  Register(ControlKind::CheckBox, 1, bold_), Register(ControlKind::CheckBox, 2, italic_);
  Register(ControlKind::CheckBox, 3, underline_);

  if (auto found = names_->findItems(font.family(), Qt::MatchFixedString); !found.isEmpty())
    names_->setCurrentItem(found.front());
  else if (names_->count())
    names_->setCurrentRow(0);
  const int height = font.pixelSize() > 0 ? font.pixelSize() : font.pointSize();
  if (auto found = sizes_->findItems(QString::number(height), Qt::MatchExactly); !found.isEmpty())
    sizes_->setCurrentItem(found.front());
  else
    sizes_->setCurrentRow(4);
  bold_->setEnabled(withStyles), italic_->setEnabled(withStyles), underline_->setEnabled(withStyles);
  if (withStyles) {
    bold_->setChecked(font.bold());
    italic_->setChecked(font.italic());
    underline_->setChecked(font.underline());
  }
  auto redraw = [this] { preview_->update(); };
  connect(names_, &QListWidget::currentRowChanged, this, redraw);
  connect(sizes_, &QListWidget::currentRowChanged, this, redraw);
  for (QCheckBox* box : {bold_, italic_, underline_}) connect(box, &QCheckBox::toggled, this, redraw);
  names_->setFocus();
}

QFont ModalFONTSEL::Chosen() const {
  QFont font;
  if (names_->currentItem()) font.setFamily(names_->currentItem()->text());
  const int size = sizes_->currentItem() ? sizes_->currentItem()->text().toInt() : 12;
  font.setPixelSize(size < kLargestHeight + 1 ? size : kLargestHeight);
  if (withStyles_) {
    font.setBold(bold_->isChecked());
    font.setItalic(italic_->isChecked());
    font.setUnderline(underline_->isChecked());
  }
  return font;
}

bool RunFontDialog(std::string_view title, QFont& font, bool withStyles) {
  ModalFONTSEL dialog(ActiveParent(), title, font, withStyles);
  if (!dialog.Run()) return false;
  QFont chosen = dialog.Chosen();
  if (!withStyles) {
    chosen.setBold(font.bold());
    chosen.setItalic(font.italic());
    chosen.setUnderline(font.underline());
  }
  font = chosen;
  return true;
}

// ---- Picture ----

ModalDialogPICTURE::ModalDialogPICTURE(QWidget* parent, const QImage& picture)
    : QDialog(parent), picture_(picture) {
  const int border = 2 * (kFrame + kGap);
  const int64_t width = std::max<int64_t>(150, std::min<int64_t>(int64_t{picture.width()} + border, 32767));
  const int64_t height = std::max<int64_t>(100, std::min<int64_t>(int64_t{picture.height()} + border, 32767));
  setFixedSize(static_cast<int>(width), static_cast<int>(height));
  setFocusPolicy(Qt::StrongFocus);
}

void ModalDialogPICTURE::PlaceAt(QPoint point, QSize screen) {
  const int x = std::max(0, std::min(point.x(), screen.width() - width()));
  const int y = std::max(0, std::min(point.y(), screen.height() - height()));
  move(x, y);
}

void ModalDialogPICTURE::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The background brush comes from the picture's corner.
  p.fillRect(rect(), picture_.isNull() ? palette().window().color() : QColor(picture_.pixel(0, 0)));
  const QPoint at = CenterInside(size(), picture_.size());
  p.drawImage(at, picture_);
  DrawBevel(p, QRect(at, picture_.size()), kFrame, true, kSideAll, false);
}

void ModalDialogPICTURE::keyPressEvent(QKeyEvent*) { accept(); }
void ModalDialogPICTURE::mousePressEvent(QMouseEvent*) { accept(); }

namespace {
void ShowPicture(const QImage& picture, QPoint point) {
  ModalDialogPICTURE dialog(ActiveParent(), picture);
  const QScreen* screen = QApplication::primaryScreen();
  dialog.PlaceAt(point, screen ? screen->size() : QSize(1024, 768));
  dialog.exec();
}
}  // namespace

void ShowBitmapFile(const std::string& path, QPoint point) {
  QImage picture;
  if (LoadBitmapFile(picture, path) != 0) return;
  ShowPicture(picture, point);
}

void ShowPositionPicture(const Position& position, QPoint point) {
  PieceSets* sets = ThePieceSets();
  if (!sets) return;
  SharedPieceSet set = sets->GetSet(2);
  if (!set) return;
  const QImage picture = DrawBoardDiagram(position.board, *set, BoardMarks{}, true, 0, true, false);
  if (picture.isNull()) return;
  ShowPicture(picture, point);
}

}  // namespace zh
