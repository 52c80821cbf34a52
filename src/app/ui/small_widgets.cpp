#include "app/ui/small_widgets.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include "app/message_ids.h"
#include "app/ui/resource_bundle.h"
#include "app/ui/widgets/frames.h"
#include "board/ui/piece_sets.h"
#include "core/rules/material_difference.h"
#include "core/rules/symbols.h"

namespace zh {

bool IsPointInRect(QPoint point, QPoint position, QSize size) {
  return point.x() >= position.x() && point.x() <= position.x() + size.width() &&
         point.y() >= position.y() && point.y() <= position.y() + size.height();
}

// ---------------------------------------------------------------- LanguageToolBox

LanguageToolBox::LanguageToolBox(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int id = 1; id <= kItems; ++id) {
    auto* item = new QToolButton(this);
    item->setCheckable(true);
    item->setAutoRaise(true);
    items_[static_cast<size_t>(id - 1)] = item;
    images_[static_cast<size_t>(id - 1)] = kPlainImages[static_cast<size_t>(id - 1)];
    item->setIcon(QIcon(ResourceBitmap(ImageOf(id))));
    // The window decides what is checked.
    connect(item, &QToolButton::clicked, this, [this, id, item] {
      item->setChecked(checked_ == id);
      Click(id);
    });
    layout->addWidget(item);
  }
}

void LanguageToolBox::Click(int id) {
  clicked_ = id - 1;
  clickLink_.Call(reinterpret_cast<std::intptr_t>(this));
}

void LanguageToolBox::CheckLanguage(int index) {
  if (checked_ >= 1) Item(checked_)->setChecked(false);
  checked_ = index >= 0 && index < kItems ? index + 1 : -1;
  if (checked_ >= 1) Item(checked_)->setChecked(true);
}

void LanguageToolBox::SetLanguageMarked(bool marked, int index) {
  // Only the seven items exist; any other index names no item to change.
  if (index < 0 || index >= kItems) return;
  const int image = (marked ? kMarkedImages : kPlainImages)[static_cast<size_t>(index)];
  images_[static_cast<size_t>(index)] = image;
  items_[static_cast<size_t>(index)]->setIcon(QIcon(ResourceBitmap(image)));
}

// ---------------------------------------------------------------- Diod

Diod::Diod(QWidget* parent, bool style) : QWidget(parent), style_(style) {
  setFixedSize(ResourceBitmap(266).size());
  SetState(3);
}

int Diod::ImageOf(int state, bool style) {
  switch (state) {
    case 2: return style ? 264 : 268;
    case 3: return style ? 263 : 267;
    case 4: return style ? 284 : 265;
    default: return style ? 283 : 266;
  }
}

void Diod::SetState(int state) {
  if (set_ && state == state_) return;
  set_ = true;
  state_ = state;
  image_ = ResourceBitmap(ImageOf(state, style_)).toImage();
  ++loads_;
  update();
}

void Diod::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

// ---------------------------------------------------------------- AnimationWindow

AnimationWindow::AnimationWindow(QWidget* parent) : QWidget(parent) {
  timer_ = Timers().MakeTimer([this] { Tick(); });
}

void AnimationWindow::AddFrame(const QImage& frame) {
  if (FrameCount() < kMaxFrames) frames_.push_back(frame);
}

void AnimationWindow::Start() {
  running_ = true;
  timer_->Start(kFrameMs);
}

void AnimationWindow::Stop() {
  running_ = false;
  timer_->Stop();
  update();
}

void AnimationWindow::Tick() {
  if (!running_ || frames_.empty()) return;
  if (next_ >= FrameCount()) next_ = 0;
  const QImage& frame = frames_[static_cast<size_t>(next_)];
  if (device_.size() != size()) device_ = QImage(size(), QImage::Format_RGB32);
  device_.fill(palette().color(backgroundRole()));
  {
    QPainter painter(&device_);
    painter.drawImage(CenterInside(size(), frame.size()), frame);
  }
  shown_ = next_;
  next_ = (next_ + 1) % FrameCount();
  repaint();
  timer_->Start(kFrameMs);
}

void AnimationWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (running_) {
    if (!device_.isNull()) painter.drawImage(0, 0, device_);
    return;
  }
  if (!still_.isNull()) painter.drawImage(CenterInside(size(), still_.size()), still_);
}

void AnimationWindow::resizeEvent(QResizeEvent*) { device_ = QImage(size(), QImage::Format_RGB32); }

// ---------------------------------------------------------------- MaterialDisplay

MaterialDisplay::MaterialDisplay(QWidget* parent, PieceSets& sets, int style)
    : QWidget(parent), sets_(sets), style_(style) {
  FillBackground(*this, 15);
  setAutoFillBackground(true);
}

std::vector<MaterialDisplay::Placed> MaterialDisplay::Layout() const {
  SharedPieceSet set = sets_.GetDisplaySet(style_);
  if (!set) return {};
  const int size = set->GetSquareSize();
  uint8_t white[16], black[16];
  int whiteCount = 0, blackCount = 0;
  MaterialDifference(board_, white, whiteCount, black, blackCount);
  std::vector<Placed> placed;
  const int y = (height() - size) / 2;
  for (int side = 0; side < 2; ++side) {
    const uint8_t* list = side == 0 ? white : black;
    const int count = side == 0 ? whiteCount : blackCount;
    const int x0 = side == 0 ? 10 : width() / 2 + 10;
    for (int i = 0; i < count; ++i)
      placed.push_back({x0 + i * size * 5 / 4, y, list[i] & 7, side});
  }
  return placed;
}

void MaterialDisplay::paintEvent(QPaintEvent*) {
  SharedPieceSet set = sets_.GetDisplaySet(style_);
  if (!set) return;
  QPainter painter(this);
  for (const Placed& p : Layout()) {
    const QImage& piece = set->GetPieceBitmap(p.type, p.colour, 0);
    const QImage& mask = set->GetPieceMask(p.type);
    QImage masked = piece.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height() && y < mask.height(); ++y)
      for (int x = 0; x < masked.width() && x < mask.width(); ++x)
        if (qGray(mask.pixel(x, y)) < 128) masked.setPixel(x, y, 0);
    painter.drawImage(p.x, p.y, masked);
  }
}

// ---------------------------------------------------------------- PromotionDialog

QSize PromotionDialog::ButtonSize(int squareSize) {
  const int side = std::max(24, squareSize * 4 / 3);
  return {side, side};
}

QPoint PromotionDialog::ButtonPosition(int squareSize, int i) {
  const QSize b = ButtonSize(squareSize);
  return {b.width() / 4 + i * (5 * b.width() / 4), b.height() / 4};
}

QSize PromotionDialog::ClientSize(int squareSize) {
  const QSize b = ButtonSize(squareSize);
  return {b.width() * 21 / 4, b.height() * 3 / 2};
}

PromotionDialog::PromotionDialog(QWidget* parent, const PieceBMPSet& set, int colour)
    : QDialog(parent) {
  const int square = set.GetSquareSize();
  FillBackground(*this, 25);
  setAutoFillBackground(true);
  setFixedSize(ClientSize(square));
  for (int i = 0; i < 4; ++i) {
    const int piece = kPieces[static_cast<size_t>(i)];
    auto* button = new QPushButton(this);
    button->setIcon(QIcon(QPixmap::fromImage(set.GetPieceBitmap(piece, colour, 0))));
    button->setIconSize(QSize(square, square));
    button->setGeometry(QRect(ButtonPosition(square, i), ButtonSize(square)));
    button->setAutoDefault(true);
    connect(button, &QPushButton::clicked, this, [this, piece] { done(piece); });
    buttons_[static_cast<size_t>(i)] = button;
  }
  buttons_[0]->setFocus();
}

void PromotionDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    done(0);
    return;
  }
  QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------- symbol menus

SymbolMenu::SymbolMenu(QWidget* parent, const std::vector<Item>& items) : QMenu(parent) {
  for (const Item& item : items) {
    const std::string text =
        item.messageId ? GetMessageTextPlain(item.messageId) : SymbolText(item.symbol).ToUtf8();
    QAction* action = addAction(QString::fromStdString(text));
    action->setData(item.id);
    connect(action, &QAction::triggered, this, [this, id = item.id] { chosen_ = id; });
  }
}

QAction* SymbolMenu::ItemAction(int id) const {
  for (QAction* a : actions())
    if (a->data().toInt() == id) return a;
  return nullptr;
}

const std::vector<SymbolMenu::Item>& MenuMARKS::Items() {
  static const std::vector<Item> items = {
      {1, 0, msg::M_SYMBOL_NONE}, {2, 1, 0}, {3, 2, 0}, {4, 5, 0}, {5, 6, 0},
      {6, 3, 0}, {7, 4, 0}, {8, 22, 0}, {9, 8, msg::M_SYMBOL_ONLY_MOVE},
  };
  return items;
}

const std::vector<SymbolMenu::Item>& MenuEVALS::Items() {
  static const std::vector<Item> items = {
      {1, 0, msg::M_SYMBOL_NONE},       {2, 18, 0},  {3, 16, 0},  {4, 14, 0},
      {5, 11, 0},                       {6, 13, msg::M_SYMBOL_UNCLEAR},
      {7, 15, 0},                       {8, 17, 0},  {9, 19, 0},
      {10, 44, msg::M_SYMBOL_COMPENSATION}, {11, 132, msg::M_SYMBOL_COUNTERPLAY},
      {12, 36, 0},                      {13, 40, msg::M_SYMBOL_ATTACK},
      {14, 138, 0},                     {15, 32, msg::M_SYMBOL_DEVELOPMENT},
      {16, 146, 0},
  };
  return items;
}

std::unique_ptr<MenuMARKS> NewMenuMARKS(QWidget* parent) { return std::make_unique<MenuMARKS>(parent); }
std::unique_ptr<MenuEVALS> NewMenuEVALS(QWidget* parent) { return std::make_unique<MenuEVALS>(parent); }

}  // namespace zh
