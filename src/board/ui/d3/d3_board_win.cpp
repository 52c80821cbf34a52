#include "board/ui/d3/d3_board_win.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <optional>

#include "app/message_ids.h"
#include "app/shell_hooks.h"
#include "app/ui/widgets/frames.h"
#include "board/d3/camera.h"
#include "board/palette.h"
#include "board/ui/d3/nav_control.h"
#include "board/ui/d3/scene_painter.h"

namespace zh::d3 {
namespace {

constexpr const char* kSourcePath = "D3\\D3board";
constexpr int kObjectNotFoundLine = 195;
constexpr double kDefaultSizeCoeff = 1.0 / 3400;
constexpr double kScaleBase = 0.025;
constexpr int kWaitFromChange = 4;
constexpr int kRookImages = 5;
constexpr double kKnightArc = 8.0;
constexpr double kCaptureArc = 3.0;
constexpr double kRookArc = 10.0;
constexpr int kMaxSteps = 10000;

std::optional<QSize> gScreenSize;

std::string SquareName(int square) {
  return {static_cast<char>('a' + square / 8), static_cast<char>('1' + square % 8)};
}

int16_t ModifiersOf(Qt::KeyboardModifiers m) {
  int16_t bits = 0;
  if (m & Qt::ShiftModifier) bits |= BoardWindow::kShift;
  if (m & Qt::ControlModifier) bits |= BoardWindow::kControl;
  if (m & Qt::AltModifier) bits |= BoardWindow::kAlt;
  return bits;
}

// The piece's area and, with shadows drawn, its shadow's.
Rectangle PieceArea(const SceneObject& piece, bool shadows) {
  return shadows ? Union(piece.ScreenBounds(), piece.ShadowBounds()) : piece.ScreenBounds();
}

// The rook's flight of a castling move: from, to.
struct RookFlight {
  uint8_t kind;
  int from;
  int to;
};
constexpr RookFlight kRookFlights[] = {{kWhiteShortCastle, 56, 40}, {kWhiteLongCastle, 0, 24},
                                       {kBlackShortCastle, 63, 47}, {kBlackLongCastle, 7, 31}};

}  // namespace

// ---- D3BoardInlayWindow ----

D3BoardInlayWindow::D3BoardInlayWindow(D3BoardWin* board) : QWidget(board), board_(board) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void D3BoardInlayWindow::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QImage& device = board_->Device();
  if (device.isNull()) return;
  const QRect r = event->rect() & device.rect();
  painter.drawImage(r.topLeft(), device, r);
}

void D3BoardInlayWindow::mousePressEvent(QMouseEvent* event) { board_->OnPress(event); }
void D3BoardInlayWindow::mouseMoveEvent(QMouseEvent* event) { board_->OnMove(event); }
void D3BoardInlayWindow::mouseReleaseEvent(QMouseEvent* event) { board_->OnRelease(event); }

// ---- D3BoardWin ----

void D3BoardWin::SetScreenSize(QSize size) { gScreenSize = size; }

QSize D3BoardWin::ScreenSize() {
  if (gScreenSize) return *gScreenSize;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->size() : QSize(800, 600);
}

QSize D3BoardWin::NominalSize(int style, QSize screen) {
  double w = 0.5, h = 0.7;
  switch (style) {
    case 0: w = 0.35, h = 0.5; break;
    case 2: w = 0.6, h = 0.7; break;
    case 3: w = 0.75, h = 1.0; break;
    case 4: w = 1.0, h = 1.0; break;
    default: break;
  }
  return QSize(static_cast<int>(screen.width() * w), static_cast<int>(screen.height() * h));
}

D3BoardWin::D3BoardWin(QWidget* parent, int style, int frameWidth)
    : QWidget(parent),
      BoardWindow(0),
      settings_(&TheD3Settings()),
      scene_(*settings_),
      style_(style),
      frameWidth_(frameWidth) {
  nominal_ = NominalSize(style, ScreenSize());
  BuildScene(frameWidth);
}

D3BoardWin::D3BoardWin(QWidget* parent, QSize nominalSize, int frameWidth)
    : QWidget(parent),
      BoardWindow(0),
      settings_(&TheD3Settings()),
      scene_(*settings_),
      nominal_(nominalSize),
      style_(kFixedSizeStyle),
      frameWidth_(frameWidth) {
  BuildScene(frameWidth);
}

D3BoardWin::~D3BoardWin() { delete nav_.data(); }

NavControl& D3BoardWin::Nav() { return *nav_; }

void D3BoardWin::BuildScene(int frameWidth) {
  D3Settings& s = *settings_;
  const double coeff = s.sizeCoeff == 0 ? kDefaultSizeCoeff : s.sizeCoeff;
  s.scale = nominal_.width() * coeff + kScaleBase;
  frame_ = std::make_unique<WindowFrame3DPal>(frameWidth, QRect(QPoint(0, 0), size()));
  inlay_ = new D3BoardInlayWindow(this);
  scene_.renderImages = [this](SceneObject& piece) { RenderObjectImages(piece, settings_->grating); };
  scene_.BuildBoard();
  scene_.BuildModels();
  SetupCamera(s);
  ReplaceBoardPalette();
  setAttribute(Qt::WA_OpaquePaintEvent);
  built_ = true;
  nav_ = new NavControl(this);
  inlay_->show();
}

void D3BoardWin::ReplaceBoardPalette() { palette_ = std::make_unique<Palette>(); }

// ---- Rendering ----

void D3BoardWin::Layout() {
  frame_->SetRect(QRect(QPoint(0, 0), size()));
  inlay_->setGeometry(frame_->Inner());
}

void D3BoardWin::resizeEvent(QResizeEvent*) {
  Layout();
  const QSize inner = inlay_->size();
  if (inner.isEmpty()) {
    device_ = QImage();
    return;
  }
  QImage made(inner, QImage::Format_RGB32);
  if (made.isNull()) {
    ErrorBox(GetMessageText(msg::M_D3_INIT_FAILED) + "-2");
  } else {
    device_ = std::move(made);
  }
  settings_->centreX = static_cast<int16_t>(inner.width() / 2);
  settings_->centreY = static_cast<int16_t>(inner.height() / 2);
  SetupCamera(*settings_);
  RenderAll();
  update();
}

void D3BoardWin::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  frame_->Draw(painter);
}

void D3BoardWin::RenderAll() {
  if (!built_ || device_.isNull()) return;
  D3Settings& s = *settings_;
  scene_.SetWindowSize(device_.width(), device_.height());
  scene_.PrepareView();
  if (nominal_.width() > 0) s.sizeCoeff = (s.scale - kScaleBase) / nominal_.width();
  std::optional<WaitCursor> wait;
  if (!s.steering) wait.emplace();
  job_.Reset(true);
  job_.AddArea(Rectangle{0, 0, device_.width() - 1, device_.height() - 1});
  RunJob();
  CopyToScreen(device_.rect());
}

void D3BoardWin::RunJob() {
  CollectArea(job_, scene_);
  ExecuteJob(job_, scene_, device_);
}

void D3BoardWin::CopyToScreen(const QRect& rect) {
  lastCopied_ = rect & device_.rect();
  if (!lastCopied_.isEmpty()) inlay_->repaint(lastCopied_);
}

void D3BoardWin::Redraw(std::initializer_list<Rectangle> areas) {
  if (device_.isNull()) return;
  job_.Reset(true);
  Rectangle all;
  for (const Rectangle& r : areas) {
    job_.AddArea(r);
    all = Union(all, r);
  }
  RunJob();
  CopyToScreen(ToQRect(all));
}

void D3BoardWin::ApplySettings(const D3Settings* record) {
  if (!built_) return;
  if (record && record != settings_) *settings_ = *record;
  D3Settings& s = *settings_;
  if (s.sizeCoeff == 0) s.scale = nominal_.width() * kDefaultSizeCoeff + kScaleBase;
  SetupCamera(s);
  RenderAll();
}

void D3BoardWin::RebuildBoard() { scene_.BuildBoard(); }

void D3BoardWin::RebuildPieces() {
  WaitCursor wait;
  scene_.ClearPieces();
  scene_.BuildModels();
  for (int sq = 0; sq < 64; ++sq)
    if (shown_[sq]) scene_.PlacePiece(shown_[sq], sq);
  scene_.SortPieces();
}

// ---- Positions ----

void D3BoardWin::SetPosition(const Board& board, const BoardMarks&, bool force) { SetBoard(board, force); }

void D3BoardWin::SetBoard(const Board& board, bool) { ShowBoard(board.squares); }

void D3BoardWin::ShowBoard(std::span<const uint8_t, 64> pieces) {
  if (!built_) return;
  const bool shadows = settings_->shadows;
  job_.Reset(true);
  Rectangle damaged;
  std::optional<WaitCursor> wait;
  int changed = 0;
  auto count = [&] {
    if (++changed == kWaitFromChange) wait.emplace();
  };
  for (int sq = 0; sq < 64; ++sq) {
    if (pieces[sq] == shown_[sq] || shown_[sq] == 0) continue;
    count();
    if (!scene_.FindPiece(sq)) {
      ReportInconsistency("pOldObj not found!! " + SquareName(sq), kSourcePath, kObjectNotFoundLine);
    } else {
      const std::unique_ptr<SceneObject> old = scene_.RemovePiece(sq);
      job_.AddArea(PieceArea(*old, shadows));
      damaged = Union(damaged, PieceArea(*old, shadows));
    }
    shown_[sq] = 0;
  }
  changed = 0;
  for (int sq = 0; sq < 64; ++sq) {
    if (pieces[sq] == shown_[sq] || pieces[sq] == 0) continue;
    count();
    if (const SceneObject* placed = scene_.PlacePiece(pieces[sq], sq)) {
      job_.AddArea(PieceArea(*placed, shadows));
      damaged = Union(damaged, PieceArea(*placed, shadows));
      shown_[sq] = pieces[sq];
    }
  }
  if (!job_.Areas().empty() && !device_.isNull()) {
    scene_.SortPieces();
    RunJob();
  }
  CopyToScreen(ToQRect(damaged));
}

// ---- Moves ----

void D3BoardWin::AnimateMove(int from, int to) {
  if (selectionShown) {
    UnmarkSquare(selectedSquare);
    selectionShown = 0;
  }
  ShowMove(Move::FromSquares(from, to));
}

void D3BoardWin::ShowMove(const Move& move) {
  const int from = move.from, to = move.to;
  if (from == to || !IsOnBoard(from) || !IsOnBoard(to) || !built_) return;
  int t = settings_->animation * 40;
  const int n = settings_->smoothAnim ? 2 : 3;
  const int mover = shown_[from];
  double arc = (mover & 7) == 3 ? kKnightArc : 0;
  int captured = kNoSquare;
  if (move.kind & kEnPassant) {
    captured = (to / 8) * 8 + from % 8;
    shown_[captured] = 0;
  } else if ((move.kind & kCapture) || shown_[to] != 0) {
    captured = to;
    if (arc == 0) arc = kCaptureArc;
  }
  if (arc > 0) t = static_cast<int>(t * 0.75);
  AnimatePiece(from, to, n, t, arc, captured);
  if (move.kind & kCastleBits) {
    for (const RookFlight& rook : kRookFlights)
      if (move.kind & rook.kind) AnimatePiece(rook.from, rook.to, kRookImages, t, kRookArc, kNoSquare);
  } else if ((move.kind & kPromotion) && shown_[to] != 0) {
    const int type = (move.promotion & 7) >= kQueen && (move.promotion & 7) <= kRook ? move.promotion & 7 : kQueen;
    const int code = (shown_[to] & kBlackBit) | type;
    std::unique_ptr<SceneObject> pawn = scene_.RemovePiece(to);
    Rectangle area = pawn ? PieceArea(*pawn, settings_->shadows) : Rectangle{};
    if (const SceneObject* piece = scene_.PlacePiece(code, to)) {
      area = Union(area, PieceArea(*piece, settings_->shadows));
      shown_[to] = static_cast<uint8_t>(code);
    }
    scene_.SortPieces();
    Redraw({area});
  }
}

bool D3BoardWin::RemoveCaptured(int square, QImage& background) {
  if (!scene_.FindPiece(square)) return false;
  const std::unique_ptr<SceneObject> victim = scene_.RemovePiece(square);
  job_.Reset(true);
  job_.AddArea(PieceArea(*victim, settings_->shadows));
  CollectArea(job_, scene_);
  ExecuteJob(job_, scene_, background);
  return true;
}

void D3BoardWin::AnimatePiece(int from, int to, int images, int stepLength, double arc, int captured) {
  const int code = shown_[from];
  if (code == 0) return;
  shown_[to] = static_cast<uint8_t>(code);
  shown_[from] = 0;
  if (!scene_.FindPiece(from)) {
    // Nothing stands there to fly: show the result at once.
    if (captured != kNoSquare && scene_.FindPiece(captured)) scene_.RemovePiece(captured);
    if (const SceneObject* placed = scene_.PlacePiece(code, to)) Redraw({PieceArea(*placed, settings_->shadows)});
    return;
  }
  const bool shadows = settings_->shadows;
  std::unique_ptr<SceneObject> first = scene_.RemovePiece(from);
  std::unique_ptr<SceneObject> last = scene_.MakePiece(code, to);
  const Rectangle start = first->ScreenBounds(), target = last ? last->ScreenBounds() : start;

  // The pictures along the way: the piece itself, copies between, the piece on its target.
  const int change = std::max(std::abs(start.GetWidth() - target.GetWidth()),
                              std::abs(start.GetHeight() - target.GetHeight()));
  const int count = std::max(2, std::min(images, change / 2));
  const Vec3 a = scene_.SquarePosition(from), b = scene_.SquarePosition(to);
  std::vector<std::unique_ptr<SceneObject>> frames;
  frames.push_back(std::move(first));
  for (int i = 1; i < count - 1; ++i) {
    auto copy = std::make_unique<SceneObject>(*frames.front());
    copy->MoveTo(a + (b - a) * (double(i) / (count - 1)));
    scene_.PreparePiece(*copy);
    frames.push_back(std::move(copy));
  }
  if (last) frames.push_back(std::move(last));

  const double dx = b.x - a.x, dy = b.y - a.y;
  const double d = std::sqrt(dx * dx + dy * dy + 0.00001);
  const double span = stepLength > 0 ? d / (stepLength * 0.01) : 0;
  const int steps = span >= 1 ? static_cast<int>(std::min<double>(span, kMaxSteps)) : 1;
  if (flightHook) flightHook({from, to, images, static_cast<int>(frames.size()), stepLength, arc, captured, steps});

  // Take the piece off the picture; the background of the flight is what remains.
  Redraw({PieceArea(*frames.front(), shadows)});
  QImage background = device_.copy();
  const int every = std::max(1, steps / static_cast<int>(frames.size()));
  const double near = 0.2 * settings_->sqSize * settings_->sqSize;
  const Vec3 victim = captured != kNoSquare ? scene_.SquarePosition(captured) : Vec3{};
  double lastReach = 1e300;
  bool took = false;
  Rectangle drawn;
  for (int step = 1; step <= steps; ++step) {
    const double along = double(step) / steps;
    const double h = d * along;
    const double height = (2 - 2 * h / d) * (h * arc * 2 / d);
    const int index = step == steps ? static_cast<int>(frames.size()) - 1
                                    : std::min(static_cast<int>(frames.size()) - 1, step / every);
    SceneObject& image = *frames[static_cast<size_t>(index)];
    const Vec3 at{a.x + dx * along, a.y + dy * along, height};
    image.MoveTo(at);
    ProjectObject(*settings_, image);

    if (captured != kNoSquare && !took) {
      const Vec3 off = at - victim;
      const double reach = off.x * off.x + off.y * off.y;
      if (near > off.SquaredLength() || reach > lastReach || step == steps) {
        took = RemoveCaptured(captured, background);
        if (took && sounds) Coach().PlayCaptureSound();
        drawn = Union(drawn, job_.Bounds());
      }
      lastReach = reach;
    }
    // The old place from the background, the image at its new place.
    QPainter restore(&device_);
    restore.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect old = ToQRect(drawn);
    if (!old.isEmpty()) restore.drawImage(old.topLeft(), background, old);
    restore.end();
    const Rectangle now = image.ScreenBounds();
    DrawPieceImages(device_, image, QPoint(now.left, now.top));
    CopyToScreen(ToQRect(Union(drawn, now)));
    drawn = now;
    if (stepHook) stepHook(step, index);
  }
  if (sounds && !took) Coach().PlayMoveSound();

  // The last image stands on the target; its shadow joins the picture with it.
  std::unique_ptr<SceneObject> landed = std::move(frames.back());
  frames.clear();
  landed->MoveTo(b);
  landed->SetSquare(to);
  scene_.PreparePiece(*landed);
  const Rectangle area = Union(drawn, PieceArea(*landed, shadows));
  scene_.AddPiece(std::move(landed));
  scene_.SortPieces();
  Redraw({area});
}

void D3BoardWin::ExecuteInputMove(uint8_t, int promotionType) {
  Move move = Move::FromSquares(fromSquare, toSquare, promotionType);
  move.Complete(shown_);
  ShowMove(move);
}

// ---- Marks ----

void D3BoardWin::RedrawSquareWithPiece(int square) {
  if (!IsOnBoard(square) || static_cast<size_t>(square) >= scene_.BoardObjects().Count()) return;
  Rectangle area = scene_.BoardObjects()[static_cast<size_t>(square)].ScreenBounds();
  if (const SceneObject* piece = scene_.FindPiece(square)) area = Union(area, piece->ScreenBounds());
  Redraw({area});
}

void D3BoardWin::MarkSquare(int square) {
  if (!IsOnBoard(square) || !built_) return;
  scene_.markedSquares |= uint64_t{1} << square;
  RedrawSquareWithPiece(square);
}

void D3BoardWin::UnmarkSquare(int square) {
  if (!IsOnBoard(square) || !built_) return;
  scene_.markedSquares &= ~(uint64_t{1} << square);
  RedrawSquareWithPiece(square);
}

void D3BoardWin::SelectSquare(const Move& move) {
  if (selectionShown) UnmarkSquare(selectedSquare);
  selectedSquare = static_cast<uint8_t>(move.to);
  MarkSquare(move.to);
  selectionShown = 1;
}

// ---- View ----

void D3BoardWin::ToggleFlip() {
  settings_->Mirror();
  ApplySettings(settings_);
}

void D3BoardWin::SetFlipped(uint8_t flipped) {
  settings_->SetAzimuth(flipped != 0);
  ApplySettings(settings_);
}

BoardSize D3BoardWin::GetBoardSize(BoardSize proposed) {
  return {std::min(nominal_.width(), proposed.width), std::min(nominal_.height(), proposed.height)};
}

void D3BoardWin::CancelInput() {
  inlay_->dragging_ = false;
  if (markedSquare_ != kNoSquare) UnmarkSquare(markedSquare_);
}

// Keys belong to the window around the board (keyboard move entry among them).
void D3BoardWin::keyPressEvent(QKeyEvent* event) { event->ignore(); }

// ---- Mouse ----

int D3BoardWin::SquareAt(QPoint p) const {
  const auto clamp = [](int v) { return static_cast<int16_t>(std::clamp(v, -kScreenLimit, kScreenLimit)); };
  return scene_.HitTest({clamp(p.x()), clamp(p.y())});
}

void D3BoardWin::OnPress(QMouseEvent* event) {
  if (!inputEnabled) return;
  modifiers = ModifiersOf(event->modifiers());
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::RightButton) {
    const QPoint corner = inlay_->mapToGlobal(p) - QPoint(nav_->width() / 2, nav_->height() / 2) + QPoint(15, 15);
    nav_->move(corner);
    nav_->show();
    nav_->raise();
    return;
  }
  const int square = SquareAt(p);
  fromSquare = static_cast<uint8_t>(square);
  if (square >= 64) {
    Coach().Beep();
  } else {
    inlay_->dragging_ = true;
    currentSquare = static_cast<uint8_t>(square);
    markedSquare_ = static_cast<uint8_t>(square);
    MarkSquare(square);
  }
  CallLink(pieceLifted);
}

void D3BoardWin::OnMove(QMouseEvent* event) {
  if (selectionShown) {
    UnmarkSquare(selectedSquare);
    selectionShown = 0;
  }
  if (!inlay_->dragging_) return;
  const int square = SquareAt(event->position().toPoint());
  if (square == markedSquare_ || square >= 64) return;
  if (markedSquare_ != kNoSquare) UnmarkSquare(markedSquare_);
  markedSquare_ = static_cast<uint8_t>(square);
  MarkSquare(square);
}

void D3BoardWin::OnRelease(QMouseEvent* event) {
  if (!inlay_->dragging_) return;
  const QPoint p = event->position().toPoint();
  const int square = SquareAt(p);
  currentSquare = static_cast<uint8_t>(square);
  toSquare = static_cast<uint8_t>(square);
  releasePoint = {static_cast<int16_t>(p.x()), static_cast<int16_t>(p.y())};
  inlay_->dragging_ = false;
  if (markedSquare_ != kNoSquare) UnmarkSquare(markedSquare_);
  markedSquare_ = kNoSquare;
  entryArmed = 1;
  CallLink(buttonUp);
  if (entryArmed && toSquare < 64 && toSquare != fromSquare) CallLink(moveEntered);
}

}  // namespace zh::d3
