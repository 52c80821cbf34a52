// A small board that only shows a position and reports a click, drawn straight into
// the window from a piece set, always from white's side.
#pragma once

#include <QWidget>

#include "board/ui/piece_sets.h"
#include "core/rules/board.h"
#include "core/services.h"

namespace zh {

class DisplayBoardWindow : public QWidget {
 public:
  static constexpr int kFrameWidth = 2;

  // `index` is the board's place in its owner's grid.
  DisplayBoardWindow(QWidget* parent, SharedPieceSet set, int index);

  // The owner copies a position here and has the window repainted.
  Board board;
  // Called with the window's address on a button press anywhere in the window.
  CallbackLink clickLink;
  int Index() const { return index_; }
  QPoint SquareOrigin(int square) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  SharedPieceSet set_;
  int squareSize_;
  int index_;
};

}  // namespace zh
