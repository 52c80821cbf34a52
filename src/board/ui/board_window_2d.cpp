#include "board/ui/board_window_2d.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "app/shell_hooks.h"
#include "app/ui/widgets/frames.h"
#include "board/ui/raster.h"

namespace zh {
namespace {

constexpr QRgb kLightGrey = 0xffc0c0c0;  // named colour 8, the buffer's fill

int FloorDiv(int a, int b) { return static_cast<int>(std::floor(static_cast<double>(a) / b)); }

int16_t ModifiersOf(Qt::KeyboardModifiers m) {
  int16_t bits = 0;
  if (m & Qt::ShiftModifier) bits |= BoardWindow::kShift;
  if (m & Qt::ControlModifier) bits |= BoardWindow::kControl;
  if (m & Qt::AltModifier) bits |= BoardWindow::kAlt;
  return bits;
}

}  // namespace

BoardWindow2D::BoardWindow2D(QWidget* parent, SharedPieceSet set, uint8_t flipped, uint8_t withCoordinates,
                             int frameWidth)
    : QWidget(parent),
      BoardWindow(withCoordinates),
      set_(std::move(set)),
      frame_(frameWidth),
      margin_(withCoordinates ? kCoordinateMargin : 0),
      flipped_(flipped ? 1 : 0),
      squareSize_(set_->GetSquareSize()) {
  const int side = 2 * frame_ + 8 * squareSize_ + margin_ + 2;
  windowSize_ = QSize(side, side);
  setFixedSize(windowSize_);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  tints_ = MakeTints(squareSize_);
  MakeBuffers();
  DrawBackground();
}

BoardWindow2D::~BoardWindow2D() = default;

void BoardWindow2D::MakeBuffers() {
  labelsFlipped_ = -1;
  buffer_ = FilledBitmap(windowSize_.width(), windowSize_.height(), kLightGrey);
  squareBuffer_ = FilledBitmap(squareSize_, squareSize_, kLightGrey);
  const int framed = 2 * frame_ + 8 * squareSize_ + 2;
  const QRect rect = margin_ ? QRect(margin_, 0, framed, framed) : QRect(QPoint(0, 0), windowSize_);
  framePainter_ = std::make_unique<WindowFrame3DPal>(frame_, rect);
}

QPoint BoardWindow2D::SquareOrigin(int square) const {
  const int f = square / 8, r = square % 8;
  int x = flipped_ ? (7 - f) * squareSize_ : f * squareSize_;
  int y = flipped_ ? r * squareSize_ : (7 - r) * squareSize_;
  return QPoint(x + frame_ + margin_ + 1, y + frame_ + 1);
}

int BoardWindow2D::SquareOf(int file, int rank) const {
  if (file < 0 || file > 7 || rank < 0 || rank > 7) return -1;
  if (flipped_) file = 7 - file, rank = 7 - rank;
  return file * 8 + rank;
}

int BoardWindow2D::SquareAtPixel(QPoint p) const {
  return SquareOf(FloorDiv(p.x() - frame_ - margin_ - 1, squareSize_),
                  7 - FloorDiv(p.y() - frame_ - 1, squareSize_));
}

int BoardWindow2D::SquareOfFloatingImage(QPoint pointer) const {
  const int half = squareSize_ / 2;
  return SquareOf(FloorDiv(pointer.x() + half - grab_.x() - margin_ - frame_ - 1, squareSize_),
                  7 - FloorDiv(pointer.y() + half - grab_.y() - frame_ - 1, squareSize_));
}

// ---- drawing

void BoardWindow2D::DrawSquare(QPainter& device, int square) {
  const QPoint o = SquareOrigin(square);
  const int sc = SquareColour(square);
  const int code = marks.squares.ValueAt(square);
  DrawBitmap(device, o.x(), o.y(), set_->GetSquareBitmap(sc), RasterOp::Overpaint);
  if (HasTint(code)) {
    const bool inverted = !set_->GetInvertedMask(1).isNull();
    DrawBitmap(device, o.x(), o.y(), tints_[static_cast<size_t>(code)], inverted ? RasterOp::Overpaint : RasterOp::And);
    if (sc) DrawBitmap(device, o.x(), o.y(), set_->GetDarkSquareOverlay(), RasterOp::And);
  }
  device.setCompositionMode(QPainter::CompositionMode_Source);
  if (squareHook) squareHook(square);
  if (inputDrawing_) RedrawArrowsOver(device, square);
}

void BoardWindow2D::DrawPieceOnSquare(QPainter& device, int piece, int square) {
  const int type = piece & 7, colour = (piece >> 3) & 1;
  if (type == 0 || type == 7) {
    DrawSquare(device, square);
    return;
  }
  const QPoint o = SquareOrigin(square);
  const int sc = SquareColour(square);
  const int code = marks.squares.ValueAt(square);
  if (!HasTint(code)) {
    DrawBitmap(device, o.x(), o.y(), set_->GetPieceBitmap(type, colour, sc), RasterOp::Overpaint);
  } else {
    const QImage& inverted = set_->GetInvertedMask(type);
    QImage image;
    RasterOp tintOp = RasterOp::Overpaint;
    if (!inverted.isNull()) {
      squareBuffer_ = set_->GetPieceBitmap(type, colour, 0).copy();
      QPainter p(&squareBuffer_);
      DrawBitmap(p, 0, 0, inverted, RasterOp::Or);
      p.end();
      image = squareBuffer_;
    } else {
      image = set_->GetPieceBitmap(type, colour, 0);
      DrawBitmap(device, o.x(), o.y(), set_->GetSquareBitmap(sc), RasterOp::Overpaint);
      tintOp = RasterOp::And;
    }
    DrawBitmap(device, o.x(), o.y(), tints_[static_cast<size_t>(code)], tintOp);
    if (sc && !set_->IsPlainDrawing()) DrawBitmap(device, o.x(), o.y(), set_->GetDarkSquareOverlay(), RasterOp::And);
    DrawBitmap(device, o.x(), o.y(), set_->GetPieceMask(type), RasterOp::Or);
    DrawBitmap(device, o.x(), o.y(), image, RasterOp::And);
  }
  device.setCompositionMode(QPainter::CompositionMode_Source);
  if (squareHook) squareHook(square);
  if (inputDrawing_) RedrawArrowsOver(device, square);
}

void BoardWindow2D::RedrawArrowsOver(QPainter& painter, int square) {
  if (redrawingAll_) return;
  MarkList crossing;
  const int f = square / 8, r = square % 8;
  for (int i = 0; i < marks.arrows.Count(); ++i) {
    const Mark a = marks.arrows.GetMark(i);
    if (a.from > 63 || a.to > 63) continue;
    const int f0 = std::min(a.from / 8, a.to / 8), f1 = std::max(a.from / 8, a.to / 8);
    const int r0 = std::min(a.from % 8, a.to % 8), r1 = std::max(a.from % 8, a.to % 8);
    if (f >= f0 && f <= f1 && r >= r0 && r <= r1) crossing.AddMark(a);
  }
  if (crossing.Count() == 0) return;
  DrawAllSquares(painter);
  DrawArrows(painter, crossing, board, [this](int s) { return SquareOrigin(s); }, squareSize_);
}

void BoardWindow2D::DrawBoardSquare(QPainter& painter, int square) {
  DrawPieceOnSquare(painter, board[square] == 255 ? 0 : board[square], square);
}

void BoardWindow2D::DrawAllSquares(QPainter& painter) {
  const bool was = redrawingAll_;
  redrawingAll_ = true;
  for (int s = 0; s < 64; ++s) DrawBoardSquare(painter, s);
  redrawingAll_ = was;
}

void BoardWindow2D::DrawLabels(QPainter& painter) {
  const int framed = 2 * frame_ + 8 * squareSize_ + 2;
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(QRect(0, 0, margin_, windowSize_.height()), QColor::fromRgb(kLightGrey));
  painter.fillRect(QRect(0, framed, windowSize_.width(), windowSize_.height() - framed), QColor::fromRgb(kLightGrey));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setFont(LabelFont());
  painter.setPen(Qt::black);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  const QFontMetrics metrics(painter.font());
  const int s = squareSize_, f = frame_, m = margin_;
  for (int i = 0; i < 8; ++i) {
    const QString letter(QChar(flipped_ ? 'h' - i : 'a' + i));
    const QString digit(QChar(flipped_ ? '1' + i : '8' - i));
    const int lx = (2 * i + 1) * s / 2 + f + m - metrics.horizontalAdvance(letter) / 2;
    const int ly = m / 2 + 8 * s + 2 * f - metrics.height() / 2;
    painter.drawText(lx, ly + metrics.ascent(), letter);
    const int dx = m / 2 - metrics.horizontalAdvance(digit) / 2;
    const int dy = (2 * i + 1) * s / 2 + f - metrics.height() / 2;
    painter.drawText(dx, dy + metrics.ascent(), digit);
  }
}

void BoardWindow2D::DrawBackground() {
  QPainter painter(&buffer_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  framePainter_->Draw(painter);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  DrawOutline(painter, QRect(frame_ + margin_, frame_, 8 * squareSize_ + 2, 8 * squareSize_ + 2));
  DrawAllSquares(painter);
  // Nothing else draws into the margin: the labels are drawn again only when they change.
  if (margin_ && labelsFlipped_ != flipped_) {
    DrawLabels(painter);
    labelsFlipped_ = flipped_;
  }
}

void BoardWindow2D::RepaintSquare(int square) {
  repaint(QRect(SquareOrigin(square), QSize(squareSize_, squareSize_)));
}

void BoardWindow2D::RedrawSquareAs(int square, int piece) {
  {
    QPainter painter(&buffer_);
    DrawPieceOnSquare(painter, piece, square);
  }
  if (inputDrawing_) repaint();
  else RepaintSquare(square);
}

void BoardWindow2D::RedrawSquare(int square) { RedrawSquareAs(square, board[square] == 255 ? 0 : board[square]); }

void BoardWindow2D::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(event->rect(), buffer_, event->rect());
}

// ---- operations

void BoardWindow2D::SetPosition(const Board& newBoard, const BoardMarks& newMarks, bool force) {
  if (!force && !board.DiffersFrom(newBoard) && !marks.Differs(newMarks)) return;
  marks.Assign(newMarks);
  board.Assign(newBoard);
  DrawBackground();
  {
    QPainter painter(&buffer_);
    DrawArrows(painter, marks.arrows, board, [this](int s) { return SquareOrigin(s); }, squareSize_);
  }
  repaint();
}

void BoardWindow2D::SetBoard(const Board& newBoard, bool force) {
  bool coloured = false;
  for (int s = 0; s < 64; ++s) coloured |= marks.squares.ValueAt(s) != 0;
  if (!force && !coloured && !board.DiffersFrom(newBoard)) return;
  for (int s = 0; s < 64; ++s) marks.squares.SetValue(s, 0);
  board.Assign(newBoard);
  DrawBackground();
  repaint();
}

void BoardWindow2D::InvalidateSquare(int square) {
  if (square >= 0 && square < 64) board[square] = 255;
}

void BoardWindow2D::ShowBoard(std::span<const uint8_t, 64> pieces) {
  QPainter painter(&buffer_);
  for (int s = 0; s < 64; ++s) {
    if (pieces[static_cast<size_t>(s)] == board[s]) continue;
    board[s] = pieces[static_cast<size_t>(s)];
    DrawBoardSquare(painter, s);
  }
  painter.end();
  update();
}

void BoardWindow2D::StartFloating(int piece, QPoint at) {
  const int type = piece & 7, colour = (piece >> 3) & 1;
  floating_ = at;
  floatBackground_ = buffer_.copy(QRect(at, QSize(squareSize_, squareSize_)));
  floatMask_ = set_->GetPieceMask(type);
  floatImage_ = set_->GetPieceBitmap(type, colour, 0).copy();
  const QImage& inverted = set_->GetInvertedMask(type);
  if (!inverted.isNull()) {
    QPainter p(&floatImage_);
    DrawBitmap(p, 0, 0, inverted, RasterOp::Or);
  }
  MoveFloating(at);
}

void BoardWindow2D::MoveFloating(QPoint to) {
  const QRect old(floating_, QSize(squareSize_, squareSize_));
  const QRect now(to, QSize(squareSize_, squareSize_));
  QPainter painter(&buffer_);
  DrawBitmap(painter, old.x(), old.y(), floatBackground_, RasterOp::Overpaint);
  floatBackground_ = buffer_.copy(now);
  DrawBitmap(painter, now.x(), now.y(), floatMask_, RasterOp::Or);
  DrawBitmap(painter, now.x(), now.y(), floatImage_, RasterOp::And);
  painter.end();
  floating_ = to;
  repaint(old.united(now));
}

void BoardWindow2D::EndFloating() {
  const QRect at(floating_, QSize(squareSize_, squareSize_));
  {
    QPainter painter(&buffer_);
    DrawBitmap(painter, at.x(), at.y(), floatBackground_, RasterOp::Overpaint);
  }
  repaint(at);
}

void BoardWindow2D::AnimateMove(int from, int to) {
  if (from < 0 || from > 63 || to < 0 || to > 63) return;
  const int piece = board[from] == 255 ? 0 : board[from];
  board[from] = 0;
  RedrawSquareAs(from, 0);
  const QPoint p0 = SquareOrigin(from), p1 = SquareOrigin(to);
  if (piece != 0) {
    const int dx = p1.x() - p0.x(), dy = p1.y() - p0.y();
    const int m = std::max(std::abs(dx), std::abs(dy));
    const int s = animationSpeed;
    int h = 1;
    if (s >= 1 && s <= 9 && 2 * (m / (10 - s)) > 0) h = 2 * (m / (10 - s));
    const int n = 2 * h;
    StartFloating(piece, p0);
    if (s != 0)
      for (int i = 0; i < n; ++i) {
        const QPoint at(p0.x() + static_cast<int>(i * (10.0 * dx / n) / 10.0),
                        p0.y() + static_cast<int>(i * (10.0 * dy / n) / 10.0));
        MoveFloating(at);
        if (frameHook) frameHook(at);
      }
    EndFloating();
  }
  board[to] = static_cast<uint8_t>(piece);
  RedrawSquare(to);
}

void BoardWindow2D::ShowMove(const Move& move) {
  if (move.from < 0 || move.to < 0) return;
  const bool capture = board[move.to] != 0 && board[move.to] != 255;
  AnimateMove(move.from, move.to);
  if (sounds) capture ? Coach().PlayCaptureSound() : Coach().PlayMoveSound();
}

void BoardWindow2D::SelectSquare(const Move& move) {
  if (selectionShown) UnmarkSquare(selectedSquare);
  if (move.to < 0) return;
  MarkSquare(move.to);
  selectedSquare = static_cast<uint8_t>(move.to);
  selectionShown = 1;
}

void BoardWindow2D::MarkSquare(int square) {
  if (square < 0 || square > 63) return;
  const QPoint o = SquareOrigin(square);
  {
    QPainter painter(&buffer_);
    DrawBitmap(painter, o.x(), o.y(), set_->GetSelectionBitmap(), RasterOp::And);
  }
  RepaintSquare(square);
}

void BoardWindow2D::UnmarkSquare(int square) {
  if (square >= 0 && square < 64) RedrawSquare(square);
}

void BoardWindow2D::ToggleFlip() {
  flipped_ ^= 1;
  DrawBackground();
  update();
}

void BoardWindow2D::SetFlipped(uint8_t flipped) {
  if ((flipped ? 1 : 0) != flipped_) ToggleFlip();
}

void BoardWindow2D::SetSquareColors(const BoardMarks& newMarks) {
  marks.Assign(newMarks);
  QPainter painter(&buffer_);
  DrawAllSquares(painter);
  DrawArrows(painter, marks.arrows, board, [this](int s) { return SquareOrigin(s); }, squareSize_);
  painter.end();
  repaint();
}

void BoardWindow2D::ClearMarks() {
  QPainter painter(&buffer_);
  if (marks.arrows.Count() > 0) {
    marks.arrows.Clear();
    DrawAllSquares(painter);
  } else {
    for (int s = 0; s < 64; ++s)
      if (marks.squares.ValueAt(s) != 0) {
        marks.squares.SetValue(s, 0);
        DrawBoardSquare(painter, s);
      }
  }
  painter.end();
  repaint();
}

void BoardWindow2D::ExecuteInputMove(uint8_t flag, int promotionType) {
  if (!flag || fromSquare > 63 || toSquare > 63) return;
  const uint8_t piece = board[fromSquare] == 255 ? 0 : board[fromSquare];
  const bool capture = board[toSquare] != 0 && board[toSquare] != 255 && toSquare != fromSquare;
  board[toSquare] = piece;
  if (toSquare != fromSquare) board[fromSquare] = 0;
  RedrawSquareAs(fromSquare, board[fromSquare]);
  const int shown = promotionType ? (piece & 8) | (promotionType & 7) : piece;
  RedrawSquareAs(toSquare, shown);
  if (sounds) capture ? Coach().PlayCaptureSound() : Coach().PlayMoveSound();
}

uint8_t BoardWindow2D::UpdateDrag() {
  if (!dragging_ || !dragCancelled.IsSet()) return 0;
  const bool held = currentSquare < 64 && board[currentSquare] != 0 && board[currentSquare] != 255;
  if (held && pieceFloating_) EndFloating();
  CallLink(dragCancelled);
  if (held && currentSquare < 64) {
    const QPoint at = floating_;
    const int piece = board[currentSquare];
    RedrawSquareAs(currentSquare, 0);
    StartFloating(piece, at);
    pieceFloating_ = true;
  }
  return 1;
}

void BoardWindow2D::GetBoardBitmap(BoardImage& image) {
  const QRect area(frame_ + margin_, frame_, 8 * squareSize_ + 2, 8 * squareSize_ + 2);
  const QImage copy = buffer_.copy(area);
  image.width = copy.width();
  image.height = copy.height();
  image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  for (int y = 0; y < copy.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(copy.constScanLine(y));
    for (int x = 0; x < copy.width(); ++x)
      image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] =
          line[x] | 0xff000000u;
  }
}

BoardSize BoardWindow2D::GetBoardSize(BoardSize) { return BoardSize{windowSize_.width(), windowSize_.height()}; }

void BoardWindow2D::CancelInput() {
  if (dragging_) {
    if (pieceFloating_) EndFloating();
    UnmarkSquare(currentSquare);
  }
  dragging_ = false;
  pieceFloating_ = false;
  markEditing_ = false;
  markStart_ = kNoSquare;
}

void BoardWindow2D::DropBuffers() {
  MakeBuffers();
  tints_ = MakeTints(squareSize_);
  DrawBackground();
  update();
}

// ---- input

void BoardWindow2D::mousePressEvent(QMouseEvent* event) {
  if (markEditing_ || !inputEnabled) return;
  if (selectionShown) {
    selectionShown = 0;
    UnmarkSquare(selectedSquare);
  }
  const QPoint p = event->position().toPoint();
  const int inner = 8 * squareSize_;
  if (!(frame_ + margin_ < p.x() && p.x() < frame_ + margin_ + inner && frame_ < p.y() && p.y() < frame_ + inner))
    return;
  const int square = SquareAtPixel(p);
  if (square < 0) return;
  const Qt::MouseButton button = event->button();
  const int16_t mods = ModifiersOf(event->modifiers());
  if ((mods & kAlt) && !dragging_) {
    markStart_ = static_cast<uint8_t>(square);
    markColour_ = (mods & kShift) ? 3 : (mods & kControl) ? 2 : 1;
    markEditing_ = true;
    return;
  }
  inputDrawing_ = true;
  modifiers = mods;
  if (dragging_) {
    const bool other = leftInput_ ? button == Qt::RightButton : button == Qt::LeftButton;
    if (other) UpdateDrag();
    inputDrawing_ = false;
    return;
  }
  leftInput_ = button == Qt::LeftButton;
  currentSquare = static_cast<uint8_t>(square);
  if (leftInput_) CallLink(pieceLifted);
  pieceFloating_ = false;
  dragging_ = true;
  fromSquare = currentSquare;
  grab_ = p - SquareOrigin(currentSquare);
  const int piece = board[currentSquare] == 255 ? 0 : board[currentSquare];
  if (piece && leftInput_) {
    pieceFloating_ = true;
    RedrawSquareAs(currentSquare, 0);
    StartFloating(piece, SquareOrigin(currentSquare));
  }
  inputDrawing_ = false;
}

void BoardWindow2D::mouseMoveEvent(QMouseEvent* event) {
  if (selectionShown) {
    selectionShown = 0;
    UnmarkSquare(selectedSquare);
  }
  if (pieceFloating_) MoveFloating(event->position().toPoint() - grab_);
}

void BoardWindow2D::EndMarkEditing(QPoint at) {
  markEditing_ = false;
  const int square = SquareAtPixel(at);
  const uint8_t start = markStart_;
  markStart_ = kNoSquare;
  if (square < 0 || start > 63) return;
  if (square == start) {
    marks.ToggleSquareColor(square, markColour_);
    RedrawSquare(square);
    {
      QPainter painter(&buffer_);
      inputDrawing_ = true;
      RedrawArrowsOver(painter, square);
      inputDrawing_ = false;
    }
    repaint();
    CallLink(squareColorsEdited);
    return;
  }
  marks.ToggleArrow(Mark{static_cast<uint8_t>(markColour_), start, static_cast<uint8_t>(square)});
  {
    QPainter painter(&buffer_);
    if (!inputDrawing_) DrawAllSquares(painter);
    DrawArrows(painter, marks.arrows, board, [this](int s) { return SquareOrigin(s); }, squareSize_);
  }
  repaint();
  CallLink(arrowsEdited);
}

void BoardWindow2D::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (markEditing_) {
    EndMarkEditing(p);
    return;
  }
  const Qt::MouseButton button = event->button();
  if (!dragging_) return;
  if (leftInput_ ? button == Qt::RightButton : button == Qt::LeftButton) return;
  inputDrawing_ = true;
  dragging_ = false;
  modifiers = ModifiersOf(event->modifiers());
  const bool floated = pieceFloating_;
  if (pieceFloating_) EndFloating();
  pieceFloating_ = false;
  releasePoint = BoardPoint{static_cast<int16_t>(p.x()), static_cast<int16_t>(p.y())};
  const int drop = SquareOfFloatingImage(p);
  if (drop < 0) {
    currentSquare = kNoSquare;
    if (floated) RedrawSquare(fromSquare);
    CallLink(buttonUp);
    inputDrawing_ = false;
    return;
  }
  toSquare = currentSquare = static_cast<uint8_t>(drop);
  entryArmed = 1;
  const bool right = button == Qt::RightButton;
  if (!right) CallLink(buttonUp);
  if (!entryArmed || right || toSquare == fromSquare) {
    if (floated && currentSquare < 64) RedrawSquare(currentSquare);
    if (right && currentSquare == fromSquare) CallLink(rightClick);
  } else {
    CallLink(moveEntered);
  }
  inputDrawing_ = false;
}

}  // namespace zh
