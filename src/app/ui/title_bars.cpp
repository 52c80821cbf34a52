#include "app/ui/title_bars.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <string>

#include "app/app_params.h"
#include "app/gui_tables.h"
#include "app/message_ids.h"
#include "app/ui/widgets/frames.h"
#include "app/ui/zelko_app.h"

namespace zh {
namespace {

constexpr double kTitleFontScale = 0.8;

// The face the settings name for the bars' texts.
QString TitleFace() {
  std::string stored = "Arial";
  if (ZelkoApp* app = ZelkoApp::Instance(); app && app->App()) stored = app->App()->arialFontName;
  return QString::fromUtf8(DisplayFace(stored));
}

}  // namespace

ColSplitter::ColSplitter(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::SizeHorCursor);
  resize(kWidth, parent ? parent->height() : 0);
}

void ColSplitter::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawGrooveLine(painter, QPoint(2, 0), QPoint(2, height()), 2, false);
}

void ColSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  grab_ = event->position().toPoint().x();
  dragging_ = true;
}

void ColSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !parentWidget()) return;
  const int x = std::clamp(mapToParent(event->position().toPoint()).x() - grab_, 0,
                           std::max(0, parentWidget()->width() - width()));
  move(x, y());
}

void ColSplitter::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  if (!parentWidget()) return;
  const int x = std::clamp(mapToParent(event->position().toPoint()).x() - grab_, 0,
                           std::max(0, parentWidget()->width() - width()));
  moveLink.Call(x);
}

ColumnListTitleWindow::ColumnListTitleWindow(QWidget* parent) : ListTitleWindow(parent) {}

void ColumnListTitleWindow::SetFont(const QFont& font) {
  textFont_ = QFont(TitleFace());
  textFont_.setPixelSize(std::max(1, static_cast<int>(QFontMetrics(font).height() * kTitleFontScale)));
  setFont(textFont_);
  CharacterMetrics(textFont_);
  update();
}

void ColumnListTitleWindow::CharacterMetrics(const QFont& font) {
  const int width = std::max(1, QFontMetrics(font).averageCharWidth());
  SetCharacterSize(width, width);
}

void ColumnListTitleWindow::SetCharacterSize(int charWidth, int gap) {
  charWidth_ = std::max(1, charWidth);
  gap_ = std::max(0, gap);
  RelayoutAndNotify();
}

void ColumnListTitleWindow::SetSingleTitle(const QString& text) {
  single_ = text;
  mark_ = false;
  HideSplitter();
  update();
}

void ColumnListTitleWindow::SetColumnsOn(bool on) {
  columnsOn_ = on;
  if (on)
    ShowSplitter();
  else
    HideSplitter();
  update();
}

void ColumnListTitleWindow::SetTitle(int column, const QString& text) {
  if (column < 0 || column >= kTitles) return;
  titles_[column] = text;
  update();
}

void ColumnListTitleWindow::RelayoutAndNotify() {
  Layout();
  repaint();
  changeLink.Call(reinterpret_cast<std::intptr_t>(this));
}

int ColumnListTitleWindow::TitleY() const {
  return (height() - QFontMetrics(textFont_).boundingRect(QStringLiteral("Test")).height()) / 2 - 1;
}

void ColumnListTitleWindow::resizeEvent(QResizeEvent*) { RelayoutAndNotify(); }

void ColumnListTitleWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), List() ? List()->Background() : palette().color(QPalette::Window));
  painter.setFont(textFont_);
  painter.setPen(Qt::black);
  if (columnsOn_) {
    PaintColumns(painter);
  } else {
    painter.drawText(gap_, TitleY() + QFontMetrics(textFont_).ascent(), single_);
  }
  DrawGrooveLine(painter, QPoint(0, height() - 2), QPoint(width(), height() - 2), 2, false);
}

GameTitleWindow::GameTitleWindow(QWidget* parent) : ColumnListTitleWindow(parent) {
  titles_[1] = QString::fromStdString(GetMessageTextPlain(msg::M_TITLE_WHITE));
  titles_[2] = QString::fromStdString(GetMessageTextPlain(msg::M_TITLE_BLACK));
  splitter_ = new ColSplitter(this);
  splitter_->moveLink = CallbackLink::Bind<GameTitleWindow, &GameTitleWindow::OnSplitterMove>(this);
  Layout();
}

void GameTitleWindow::SetHighestGame(int64_t highest) {
  highest_ = highest;
  RelayoutAndNotify();
}

void GameTitleWindow::SetNumberAllowed(bool on) {
  numberAllowed_ = on;
  RelayoutAndNotify();
}

void GameTitleWindow::SetColumnVisible(int column, bool on) {
  if (column < 0 || column >= kGameColumns) return;
  wanted_[column] = on;
  RelayoutAndNotify();
}

void GameTitleWindow::Layout() {
  GameTitleInput in;
  in.width = width();
  in.charWidth = charWidth_;
  in.gap = gap_;
  in.highestGame = highest_;
  in.numberAllowed = numberAllowed_;
  in.wanted = wanted_;
  in.share1 = share1_;
  in.share2 = share2_;
  layout_ = LayOutGameTitle(in);
  splitter_->setGeometry(layout_.splitterX, 0, ColSplitter::kWidth, std::max(0, height() - 2));
}

void GameTitleWindow::PaintColumns(QPainter& painter) {
  const int baseline = TitleY() + QFontMetrics(textFont_).ascent();
  for (int i = 0; i < kGameColumns; ++i)
    if (layout_.visible[i] && !titles_[i].isEmpty()) painter.drawText(layout_.x[i], baseline, titles_[i]);
}

void GameTitleWindow::ShowSplitter() { splitter_->show(); }
void GameTitleWindow::HideSplitter() { splitter_->hide(); }

void GameTitleWindow::SplitterMoved(int x) {
  const int d = x - layout_.splitterX;
  layout_.splitterX = x;
  share1_ = std::clamp(share1_ + d / charWidth_, kShareFirstMin, kShareFirstMax);
  share2_ = std::clamp(share2_ - d / charWidth_, kShareSecondMin, kShareSecondMax);
  RelayoutAndNotify();
}

void GameTitleWindow::ShiftBorder(int chars) {
  layout_.splitterX += charWidth_ * chars;
  MoveNameBorder(share1_, share2_, chars);
  RelayoutAndNotify();
}

int32_t GameTitleWindow::OnSplitterMove(std::intptr_t x) {
  SplitterMoved(static_cast<int>(x));
  return 0;
}

}  // namespace zh
