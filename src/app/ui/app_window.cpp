#include "app/ui/app_window.h"

#include <QCloseEvent>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include "app/ui/resource_bundle.h"
#include "core/services.h"

namespace zh {

AppWindow::AppWindow(FrameOwner& owner) : owner_(owner) {
  setWindowTitle(kTitle);
  setWindowIcon(ResourceIcon(kIconId));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFocusPolicy(Qt::StrongFocus);
}

void AppWindow::AddBootLine(const QString& text, int height, bool bold) {
  lines_.push_back({text, height, bold});
  if (isVisible()) repaint();
}

void AppWindow::AddPaintLines() {
  if (paintLinesAdded_) return;
  paintLinesAdded_ = true;
  lines_.push_back({QStringLiteral("Booting ") + kTitle, 15, true});
  lines_.push_back({QString::number(owner_.PhysicalMemoryKb()) + "kB RAM", 14, false});
  lines_.push_back({QStringLiteral(" "), 14, false});
}

void AppWindow::RepaintNow() {
  AddPaintLines();
  if (isVisible()) repaint();
}

void AppWindow::paintEvent(QPaintEvent*) {
  AddPaintLines();
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  for (size_t i = 0; i < lines_.size(); ++i) {
    QFont font = this->font();
    font.setPixelSize(lines_[i].height);
    font.setBold(lines_[i].bold);
    painter.setFont(font);
    QRect box(kLeft, kTop + kLineStep * static_cast<int>(i), std::max(0, width() - kLeft), kLineStep);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, lines_[i].text);
  }
}

void AppWindow::PrepareBackground(int colourCount) {
  if (colourCount != 256) return;
  // 210 bands of rising red in a strip 4 pixels wide, stretched over the frame.
  constexpr int kShades = 210;
  int height = std::max(kShades, this->height());
  QImage strip(4, height, QImage::Format_RGB32);
  int band = height / kShades;
  strip.fill(Qt::black);
  QPainter painter(&strip);
  for (int d = 0; d < kShades; ++d)
    painter.fillRect(0, d * band, 4, band, QColor(d * 255 / kShades, 0, 0));
  painter.end();
  QPalette pal = palette();
  pal.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(strip.scaled(std::max(1, width()), height))));
  setPalette(pal);
  setAutoFillBackground(true);
  gradient_ = true;
}

void AppWindow::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (!owner_.IsLoopRunning()) return;
  if (QWidget* current = owner_.CurrentWorkWindow()) current->setFocus();
}

void AppWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !owner_.IsLoopRunning()) return;
  owner_.SetGameRefreshFlag();
  if (QWidget* current = owner_.CurrentWorkWindow()) {
    current->raise();
    current->setFocus();
  }
}

void AppWindow::closeEvent(QCloseEvent* event) {
  if (!owner_.IsLoopRunning()) {
    ErrorBox("Cannot close");
    event->ignore();
    return;
  }
  // Every way of closing releases engines and devices before the loop ends.
  owner_.PrepareClose();
  event->accept();
}

}  // namespace zh
