#include "board/ui/display_board_window.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/ui/widgets/frames.h"
#include "board/ui/board_drawing.h"

namespace zh {

DisplayBoardWindow::DisplayBoardWindow(QWidget* parent, SharedPieceSet set, int index)
    : QWidget(parent), set_(std::move(set)), squareSize_(set_->GetSquareSize()), index_(index) {
  const int side = 2 * kFrameWidth + 8 * squareSize_ + 2;
  setFixedSize(side, side);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QPoint DisplayBoardWindow::SquareOrigin(int square) const {
  return QPoint((square / 8) * squareSize_ + kFrameWidth + 1, (7 - square % 8) * squareSize_ + kFrameWidth + 1);
}

void DisplayBoardWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  DrawBevel(painter, rect(), kFrameWidth, true, kSideAll, true);
  painter.setPen(Qt::black);
  DrawOutline(painter, QRect(kFrameWidth, kFrameWidth, 8 * squareSize_ + 2, 8 * squareSize_ + 2));
  for (int s = 0; s < 64; ++s) {
    const int piece = board[s] == 255 ? 0 : board[s];
    const int type = piece & 7, sc = SquareColour(s);
    const QImage& bitmap = type >= 1 && type <= 6 ? set_->GetPieceBitmap(type, (piece >> 3) & 1, sc)
                                                  : set_->GetSquareBitmap(sc);
    painter.drawImage(SquareOrigin(s), bitmap);
  }
}

void DisplayBoardWindow::mousePressEvent(QMouseEvent*) { clickLink.Call(reinterpret_cast<std::intptr_t>(this)); }

}  // namespace zh
