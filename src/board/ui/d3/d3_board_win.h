// The 3D board: the position as a lit perspective picture of a board with solid pieces
// and their shadows, rendered off screen and copied to the inlay window inside a 3D
// frame. Moves are taken by press and release on the inlay, animated along arcs, and
// the view is steered with the floating navigation panel. Every view setting lives in
// the program's one 3D settings record.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>

#include "board/board_window.h"
#include "board/d3/redraw_job.h"
#include "board/d3/scene.h"

namespace zh {

class WindowFrame3DPal;
class Palette;

namespace d3 {

class D3BoardWin;
class NavControl;

// The child window inside the frame that shows the picture and reads the mouse.
class D3BoardInlayWindow final : public QWidget {
 public:
  explicit D3BoardInlayWindow(D3BoardWin* board);
  bool IsDragging() const { return dragging_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class D3BoardWin;
  D3BoardWin* board_;
  bool dragging_ = false;
};

// What a flight is asked to do, for whoever watches it.
struct Flight {
  int from = 0;
  int to = 0;
  int images = 0;      // asked for
  int imagesMade = 0;  // prepared
  int stepLength = 0;
  double arc = 0;
  int captured = 255;
  int steps = 0;
};

class D3BoardWin final : public QWidget, public BoardWindow {
 public:
  static constexpr int kFixedSizeStyle = 15;

  // The full form: the nominal size follows the style (without bit 0x20).
  D3BoardWin(QWidget* parent, int style, int frameWidth);
  // The fixed-size form: style 15 with the given nominal size; its scene is built as
  // the full form builds it.
  D3BoardWin(QWidget* parent, QSize nominalSize, int frameWidth);
  ~D3BoardWin() override;

  // The screen the nominal sizes are fractions of; the primary screen unless set.
  static void SetScreenSize(QSize size);
  static QSize ScreenSize();
  // The nominal size of a style on a screen.
  static QSize NominalSize(int style, QSize screen);

  void SetPosition(const Board& board, const BoardMarks& marks, bool force) override;
  void SetBoard(const Board& board, bool force) override;
  void ShowBoard(std::span<const uint8_t, 64> pieces) override;
  void AnimateMove(int from, int to) override;
  void ShowMove(const Move& move) override;
  void SelectSquare(const Move& move) override;
  void MarkSquare(int square) override;
  void UnmarkSquare(int square) override;
  void ToggleFlip() override;
  void SetFlipped(uint8_t flipped) override;
  uint8_t IsFlipped() const override { return 0; }
  void ExecuteInputMove(uint8_t flag, int promotionType) override;
  void GetBoardBitmap(BoardImage& image) override { image = BoardImage{}; }
  BoardSize GetBoardSize(BoardSize proposed) override;
  void CancelInput() override;

  // Takes the record's values (unless it is the board's own record), derives Scale
  // from the nominal width when SizeCoeff is 0, and renders everything again.
  void ApplySettings(const D3Settings* record);
  void RebuildBoard();
  void RebuildPieces();

  D3Settings& Settings() { return *settings_; }
  D3Scene& Scene() { return scene_; }
  const QImage& Device() const { return device_; }
  D3BoardInlayWindow& Inlay() { return *inlay_; }
  NavControl& Nav();
  QSize Nominal() const { return nominal_; }
  int Style() const { return style_; }
  std::span<const uint8_t, 64> Shown() const { return shown_.squares; }
  // The last rectangle copied to the inlay window (empty when nothing was).
  QRect LastCopied() const { return lastCopied_; }

  // Watchers of the animation: each flight as it starts, each step as it is shown.
  std::function<void(const Flight&)> flightHook;
  std::function<void(int step, int image)> stepHook;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend class D3BoardInlayWindow;

  void BuildScene(int frameWidth);
  void ReplaceBoardPalette();
  void Layout();
  // Steps 4 to 7 of a full render.
  void RenderAll();
  // Redraws the area collected in job_ into the device.
  void RunJob();
  void CopyToScreen(const QRect& rect);
  // Redraws the rectangles of the device and copies their union.
  void Redraw(std::initializer_list<Rectangle> areas);
  void AnimatePiece(int from, int to, int images, int stepLength, double arc, int captured);
  // Removes the captured piece's object during a flight, from `background` as well.
  bool RemoveCaptured(int square, QImage& background);
  void RedrawSquareWithPiece(int square);

  void OnPress(QMouseEvent* event);
  void OnMove(QMouseEvent* event);
  void OnRelease(QMouseEvent* event);
  int SquareAt(QPoint p) const;

  Board shown_;
  uint8_t markedSquare_ = kNoSquare;
  QImage device_;
  D3Settings* settings_;
  D3Scene scene_;
  RedrawJob job_;
  std::unique_ptr<Palette> palette_;
  std::unique_ptr<WindowFrame3DPal> frame_;
  D3BoardInlayWindow* inlay_ = nullptr;
  QPointer<NavControl> nav_;
  QSize nominal_;
  int style_;
  int frameWidth_;
  bool built_ = false;
  QRect lastCopied_;
};

}  // namespace d3
}  // namespace zh
