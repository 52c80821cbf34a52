// The 2D board: positions drawn from a piece set with coloured squares and arrows,
// moves taken by drag or by two clicks, squares coloured and arrows drawn with Alt,
// moves animated. Everything is drawn into a buffer of the window's size first; the
// window shows the buffer.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>

#include "board/board_window.h"
#include "board/ui/board_drawing.h"
#include "board/ui/piece_sets.h"

namespace zh {

class WindowFrame3DPal;

class BoardWindow2D : public QWidget, public BoardWindow {
 public:
  static constexpr int kCoordinateMargin = 18;

  BoardWindow2D(QWidget* parent, SharedPieceSet set, uint8_t flipped, uint8_t withCoordinates, int frameWidth);
  ~BoardWindow2D() override;

  void SetPosition(const Board& board, const BoardMarks& marks, bool force) override;
  void SetBoard(const Board& board, bool force) override;
  void InvalidateSquare(int square) override;
  void ShowBoard(std::span<const uint8_t, 64> pieces) override;
  void AnimateMove(int from, int to) override;
  void ShowMove(const Move& move) override;
  void SelectSquare(const Move& move) override;
  void MarkSquare(int square) override;
  void UnmarkSquare(int square) override;
  void ToggleFlip() override;
  void SetFlipped(uint8_t flipped) override;
  uint8_t IsFlipped() const override { return flipped_; }
  void SetSquareColors(const BoardMarks& marks) override;
  void ClearMarks() override;
  void ExecuteInputMove(uint8_t flag, int promotionType) override;
  uint8_t UpdateDrag() override;
  void GetBoardBitmap(BoardImage& image) override;
  BoardSize GetBoardSize(BoardSize proposed) override;
  void CancelInput() override;
  void DropBuffers() override;

  // The square with its piece and colour code, and the empty square, drawn on a
  // painter of the board buffer.
  virtual void DrawPieceOnSquare(QPainter& device, int piece, int square);
  virtual void DrawSquare(QPainter& device, int square);

  // Top-left corner of a square in the window.
  QPoint SquareOrigin(int square) const;
  int SquareSize() const { return squareSize_; }
  const QImage& Buffer() const { return buffer_; }
  const PieceBMPSet& PieceSet() const { return *set_; }

  // Called with the floating piece's position at every animation frame.
  std::function<void(QPoint)> frameHook;
  // Called for every square drawn into the buffer.
  std::function<void(int square)> squareHook;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MakeBuffers();
  void DrawBackground();
  void DrawLabels(QPainter& painter);
  // The square with the drawn board's piece, into the buffer only.
  void DrawBoardSquare(QPainter& painter, int square);
  void DrawAllSquares(QPainter& painter);
  // The square as the drawn board holds it, in the buffer and then the window.
  void RedrawSquare(int square);
  void RedrawSquareAs(int square, int piece);
  void RepaintSquare(int square);
  void RedrawArrowsOver(QPainter& painter, int square);
  // Squares of a pixel, or -1 off the board.
  int SquareAtPixel(QPoint p) const;
  int SquareOfFloatingImage(QPoint pointer) const;
  int SquareOf(int file, int rank) const;

  void StartFloating(int piece, QPoint at);
  void MoveFloating(QPoint to);
  void EndFloating();

  void EndMarkEditing(QPoint at);

  SharedPieceSet set_;
  int frame_;
  int margin_;
  uint8_t flipped_;
  int squareSize_;
  QSize windowSize_;
  std::unique_ptr<WindowFrame3DPal> framePainter_;
  QImage buffer_;
  QImage squareBuffer_;
  Tints tints_;
  int labelsFlipped_ = -1;  // the flip the labels in the buffer were drawn for

  // Input state.
  QPoint floating_;
  QPoint grab_;
  bool dragging_ = false;
  bool leftInput_ = false;
  bool markEditing_ = false;
  bool pieceFloating_ = false;
  bool inputDrawing_ = false;
  bool redrawingAll_ = false;
  uint8_t markStart_ = kNoSquare;
  int32_t markColour_ = 1;
  QImage floatBackground_;
  QImage floatMask_;
  QImage floatImage_;
};

// A picture of a position: the squares, the marks and, as asked, coordinates and a
// frame line; `part` 1-8 picks a half or a quarter. The background is always filled.
// A null image when it cannot be made.
QImage DrawBoardDiagram(const Board& board, const PieceBMPSet& set, const BoardMarks& marks, bool frame, int part,
                        bool coordinates, bool flipped);

}  // namespace zh
