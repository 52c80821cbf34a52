#include "board/ui/d3/d3_board_win.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "app/ui/widgets/bmp_button.h"
#include "board/d3/camera.h"
#include "board/ui/d3/d3_settings_dialog.h"
#include "board/ui/d3/nav_control.h"
#include "board/ui/d3/scene_painter.h"
#include "board_ui/board_ui_support.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "core/toolbox/profile_file.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh::d3 {
namespace {

constexpr int kE1 = 32, kE2 = 33, kE4 = 35, kD5 = 28, kD6 = 29, kD7 = 30, kE5 = 36;
constexpr int kFrame = 3;
const QSize kInlay(800, 600);

// Squares of a move given as "e2e4", "f7g8q".
Move Parse(const char* text) {
  auto square = [&](int i) { return (text[i] - 'a') * 8 + (text[i + 1] - '1'); };
  const int promotion = text[4] == 'q' ? 2 : text[4] == 'n' ? 3 : text[4] == 'b' ? 4 : text[4] == 'r' ? 5 : 0;
  return Move::FromSquares(square(0), square(2), promotion);
}

// A game with captures, both castlings, en passant and a capturing promotion.
const char* const kGame[] = {"e2e4", "d7d5", "e4d5", "d8d5", "b1c3", "d5a5", "d2d4", "g8f6", "g1f3", "c8f5",
                             "f1c4", "b8c6", "e1g1", "e8c8", "d4d5", "e7e5", "d5e6", "c8b8", "e6f7", "f6g8",
                             "f7g8q", "h8g8"};

// At most 0.2 % of the pixels differ by more than 8 in a channel, none of them at a
// probed point.
::testing::AssertionResult Matches(const QImage& picture, const QImage& expected, const std::vector<QPoint>& probes) {
  if (picture.size() != expected.size()) return ::testing::AssertionFailure() << "sizes differ";
  auto differs = [&](int x, int y) {
    const QRgb a = picture.pixel(x, y), b = expected.pixel(x, y);
    return std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 || std::abs(qBlue(a) - qBlue(b)) > 8;
  };
  int64_t count = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) count += differs(x, y);
  for (const QPoint& p : probes)
    if (expected.rect().contains(p) && differs(p.x(), p.y()))
      return ::testing::AssertionFailure() << "probe " << p.x() << "," << p.y() << " differs";
  if (count * 1000 > int64_t{picture.width()} * picture.height() * 2)
    return ::testing::AssertionFailure() << count << " pixels differ";
  return ::testing::AssertionSuccess();
}

// The game manager's side: legal moves of the position are executed.
struct Handler {
  D3BoardWin* board = nullptr;
  Position position;
  std::vector<std::string> calls;
  int32_t Lifted(std::intptr_t) { return calls.push_back("lifted"), 0; }
  int32_t Up(std::intptr_t) { return calls.push_back("up"), 0; }
  int32_t Entered(std::intptr_t) {
    calls.push_back("entered " + std::to_string(board->fromSquare) + "-" + std::to_string(board->toSquare));
    MoveList legal;
    legal.GenerateLegal(position);
    if (legal.Contains(Move::FromSquares(board->fromSquare, board->toSquare))) board->ExecuteInputMove(1, 0);
    return 0;
  }
};

// A widget around the board that keeps the keys the board passes on.
class KeyCatcher final : public QWidget {
 public:
  std::vector<int> keys;

 protected:
  void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

struct D3BoardTest : ::testing::Test {
  test::RecordingServices services;
  test::FakeTimers timers{services.ticks};
  D3Settings settings;
  std::unique_ptr<D3BoardWin> w;

  D3BoardTest() {
    SetTheD3Settings(&settings);
    D3BoardWin::SetScreenSize(QSize(1024, 768));
  }
  ~D3BoardTest() override {
    w.reset();
    SetTheD3Settings(nullptr);
  }

  D3BoardWin& Make(bool initial = true, QWidget* parent = nullptr) {
    w = std::make_unique<D3BoardWin>(parent, 1, kFrame);
    Show(*w, initial);
    return *w;
  }
  void Show(D3BoardWin& board, bool initial) {
    board.resize(kInlay + QSize(2 * kFrame, 2 * kFrame));
    board.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&board));
    if (initial) board.ShowBoard(Board(true).squares);
  }
  QImage Picture(const std::string& name) { return test::Grab(w->Inlay(), name); }
  // The same view rendered whole.
  QImage FullRender(const std::string& name) {
    w->ApplySettings(&w->Settings());
    return Picture(name);
  }
  QPoint SquareCentre(int square) const {
    ScreenPoint p;
    EXPECT_TRUE(ProjectPoint(w->Settings(), w->Scene().BoardObjects()[size_t(square)].Polygons()[0].centre +
                                                 Vec3{0, 0, kLift}, p));
    return {p.x, p.y};
  }
  std::vector<QPoint> Probes() const {
    std::vector<QPoint> probes;
    for (int sq = 0; sq < 64; ++sq) probes.push_back(SquareCentre(sq));
    return probes;
  }
  bool NoBox() const { return services.CallsStartingWith("ErrorBox").empty(); }
  void CheckGolden(const std::string& name) {
    const QImage picture = Picture(name);
    const QString path = QString(ZH_SOURCE_DIR "/tests/board_ui/data/d3/") + QString::fromStdString(name) + ".png";
    if (qEnvironmentVariableIsSet("ZH_WRITE_GOLDEN")) {
      QDir().mkpath(QFileInfo(path).path());
      ASSERT_TRUE(picture.save(path, "PNG"));
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(golden.isNull()) << path.toStdString();
    EXPECT_TRUE(Matches(picture, golden, Probes())) << name;
  }
};

TEST_F(D3BoardTest, EmptySquaresShowTheirShadedColoursAndTheKingItsOwn) {
  Make(false);
  QImage picture = Picture("d3_empty");
  for (int sq = 0; sq < 64; ++sq) {
    const ScenePolygon& square = w->Scene().BoardObjects()[size_t(sq)].Polygons()[0];
    const QPoint at = SquareCentre(sq);
    EXPECT_EQ(QColor(picture.pixel(at)), ShadedDisplayColor(square.color, square.brightness)) << sq;
  }
  w->ShowBoard(Board(true).squares);
  picture = Picture("d3_initial");
  const SceneObject* king = w->Scene().FindPiece(kE1);
  ASSERT_NE(king, nullptr);
  std::vector<QRgb> shades;
  for (const ScenePolygon& p : king->Polygons())
    if (!p.backFacing) shades.push_back(ShadedDisplayColor(settings.colWhitePieces, p.brightness).rgb());
  const Rectangle& b = king->ScreenBounds();
  bool found = false;
  for (int dy = -2; dy <= 2 && !found; ++dy)
    for (int dx = -2; dx <= 2 && !found; ++dx)
      found = std::count(shades.begin(), shades.end(), picture.pixel((b.left + b.right) / 2 + dx, (b.top + b.bottom) / 2 + dy));
  EXPECT_TRUE(found);
  EXPECT_TRUE(NoBox());
}

TEST_F(D3BoardTest, ViewsMatchTheirGoldens) {
  Make();
  CheckGolden("d3_defaults");
  w->SetFlipped(1);
  EXPECT_EQ(w->IsFlipped(), 0);
  CheckGolden("d3_flipped");
  w->SetFlipped(0);
  settings.grating = false;
  settings.shadows = false;
  w->ApplySettings(&settings);
  CheckGolden("d3_plain");
  settings.grating = settings.shadows = true;
  w->ApplySettings(&settings);
  for (bool simple : {false, true}) {
    settings.sqMarkSimple = simple;
    w->ApplySettings(&settings);
    const QImage before = Picture("d3_before_mark");
    w->MarkSquare(kE4);
    CheckGolden(simple ? "d3_mark_inverted" : "d3_mark");
    w->UnmarkSquare(kE4);
    EXPECT_EQ(Picture("d3_unmarked"), before) << simple;
  }
  EXPECT_TRUE(NoBox());
}

TEST_F(D3BoardTest, PartialRedrawsMatchFullRendersThroughAGame) {
  for (bool byMove : {true, false}) {
    Make();
    settings.animation = 1;
    Position position;
    for (const char* text : kGame) {
      Move move = Parse(text);
      move.Complete(position.board);
      MoveList legal;
      legal.GenerateLegal(position);
      ASSERT_TRUE(legal.Contains(move)) << text;
      position.MakeMove(move);
      if (byMove)
        w->ShowMove(move);
      else
        w->ShowBoard(position.board.squares);
      for (int sq = 0; sq < 64; ++sq) ASSERT_EQ(w->Shown()[sq], position.board[sq]) << text << " " << sq;
      const QImage picture = Picture("d3_partial");
      EXPECT_TRUE(Matches(picture, FullRender("d3_full"), Probes())) << text << (byMove ? " by move" : " by board");
    }
    EXPECT_TRUE(NoBox());
  }
}

TEST_F(D3BoardTest, ShowBoardCopiesOnlyWhatChangedAndWaitsForFourSquares) {
  Make();
  services.calls.clear();
  w->ShowBoard(Board(true).squares);
  EXPECT_TRUE(w->LastCopied().isEmpty());
  Board moved(true);
  moved[kE4] = moved[kE2];
  moved[kE2] = 0;
  w->ShowBoard(moved.squares);
  EXPECT_FALSE(w->LastCopied().isEmpty());
  EXPECT_TRUE(services.CallsStartingWith("WaitOn").empty());
  Board empty;
  w->ShowBoard(empty.squares);
  EXPECT_EQ(services.CallsStartingWith("WaitOn").size(), 1u);
  EXPECT_EQ(services.CallsStartingWith("WaitOff").size(), 1u);
}

TEST_F(D3BoardTest, FlightsTakeTheirArcsAndSteps) {
  Make();
  std::vector<Flight> flights;
  w->flightHook = [&](const Flight& f) { flights.push_back(f); };
  Board board(true);
  auto play = [&](const char* text) {
    Move move = Parse(text);
    move.Complete(board);
    Position p;
    p.Set(board, 0, 0, 15);
    p.MakeMove(move);
    board = p.board;
    flights.clear();
    w->ShowMove(move);
  };
  play("g1f3");
  ASSERT_EQ(flights.size(), 1u);
  EXPECT_EQ(flights[0].arc, 8.0);
  EXPECT_EQ(flights[0].stepLength, 90);

  play("e2e4");
  EXPECT_EQ(flights[0].arc, 0.0);
  EXPECT_EQ(flights[0].stepLength, 120);
  EXPECT_EQ(flights[0].images, 3);

  w->ShowBoard(Board(true).squares);
  board = Board(true);
  board[kD5] = 14;  // a black pawn to take
  board[kE4] = 6;
  board[kE2] = 0;
  w->ShowBoard(board.squares);
  play("e4d5");
  EXPECT_EQ(flights[0].arc, 3.0);
  EXPECT_EQ(flights[0].captured, kD5);
  EXPECT_EQ(flights[0].stepLength, 90);

  // Castling: the king, then the rook.
  board = Board(true);
  board[40] = board[48] = 0;  // f1, g1
  w->ShowBoard(board.squares);
  play("e1g1");
  ASSERT_EQ(flights.size(), 2u);
  EXPECT_EQ(flights[0].from, kE1);
  EXPECT_EQ(flights[1].from, 56);
  EXPECT_EQ(flights[1].to, 40);
  EXPECT_EQ(flights[1].images, 5);
  EXPECT_EQ(flights[1].arc, 10.0);

  // En passant: the pawn beside goes while the flier is on its way.
  board = Board(true);
  board[kE5] = 6;
  board[kE2] = 0;
  board[kD5] = 14;
  board[kD7] = 0;
  w->ShowBoard(board.squares);
  int goneAt = 0, steps = 0;
  w->stepHook = [&](int step, int) {
    steps = step;
    if (!goneAt && !w->Scene().FindPiece(kD5)) goneAt = step;
  };
  play("e5d6");
  w->stepHook = nullptr;
  EXPECT_GT(goneAt, 0);
  EXPECT_LT(goneAt, steps);
  EXPECT_EQ(w->Shown()[kD5], 0);
  EXPECT_EQ(w->Shown()[kD6], 6);

  // A move that goes nowhere shows nothing.
  const QImage before = Picture("d3_before_null");
  flights.clear();
  w->ShowMove(Move::FromSquares(kE1, kE1));
  EXPECT_TRUE(flights.empty());
  EXPECT_EQ(Picture("d3_after_null"), before);
}

TEST_F(D3BoardTest, MovesAreTakenByPressAndRelease) {
  Make();
  Handler handler;
  handler.board = w.get();
  w->pieceLifted = CallbackLink::Bind<Handler, &Handler::Lifted>(&handler);
  w->buttonUp = CallbackLink::Bind<Handler, &Handler::Up>(&handler);
  w->moveEntered = CallbackLink::Bind<Handler, &Handler::Entered>(&handler);
  QWidget& inlay = w->Inlay();
  QTest::mousePress(&inlay, Qt::LeftButton, {}, SquareCentre(kE2));
  EXPECT_TRUE(w->Inlay().IsDragging());
  QTest::mouseMove(&inlay, SquareCentre(kE4));
  QTest::mouseRelease(&inlay, Qt::LeftButton, {}, SquareCentre(kE4));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted", "up", "entered 33-35"}));
  EXPECT_EQ(w->Shown()[kE4], 6);
  const QImage afterMove = Picture("d3_after_input");
  EXPECT_TRUE(Matches(afterMove, FullRender("d3_after_input_full"), Probes()));

  handler.calls.clear();
  services.calls.clear();
  QTest::mousePress(&inlay, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(w->Inlay().IsDragging());
  EXPECT_EQ(services.CallsStartingWith("Beep").size(), 1u);
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"lifted"}));
  QTest::mouseRelease(&inlay, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(handler.calls.size(), 1u);

  const QPoint at(300, 200);
  QTest::mousePress(&inlay, Qt::RightButton, {}, at);
  NavControl& nav = w->Nav();
  EXPECT_TRUE(nav.isVisible());
  EXPECT_EQ(nav.pos(), inlay.mapToGlobal(at) - QPoint(nav.width() / 2, nav.height() / 2) + QPoint(15, 15));
  EXPECT_EQ(handler.calls.size(), 1u);
}

TEST_F(D3BoardTest, ThePanelSteersTheView) {
  Make();
  NavControl& nav = w->Nav();
  nav.show();
  BMPButton& right = nav.Button(39);
  const QPoint inside = right.rect().center();
  const double azimuth = std::atan2(settings.observer.y, settings.observer.x);
  QTest::mouseClick(&right, Qt::LeftButton, {}, inside);
  EXPECT_NEAR(std::remainder(std::atan2(settings.observer.y, settings.observer.x) - azimuth, 2 * std::numbers::pi),
              2 * std::numbers::pi / 300, 1e-9);
  EXPECT_FALSE(settings.steering);
  const QImage clicked = Picture("d3_clicked");
  EXPECT_EQ(clicked, FullRender("d3_clicked_full"));

  // Held: the view turns without pieces, faster and faster.
  std::vector<int> divisors;
  QTest::mousePress(&right, Qt::LeftButton, {}, inside);
  for (int i = 0; i < 10; ++i) {
    timers.Advance(BMPButton::kRepeatMs);
    divisors.push_back(nav.LastDivisor());
  }
  EXPECT_TRUE(settings.steering);
  EXPECT_EQ(divisors, (std::vector<int>{300, 300, 100, 100, 100, 100, 100, 50, 50, 50}));
  const QImage steering = Picture("d3_steering");
  QTest::mouseRelease(&right, Qt::LeftButton, {}, inside);
  timers.Advance(NavControl::kSteeringMs);
  EXPECT_FALSE(settings.steering);
  const QImage after = Picture("d3_after_steering");
  EXPECT_NE(after, steering);
  EXPECT_EQ(after, FullRender("d3_after_steering_full"));
  const Rectangle& king = w->Scene().FindPiece(kE1)->ScreenBounds();
  const QPoint kingCentre((king.left + king.right) / 2, (king.top + king.bottom) / 2);
  EXPECT_NE(steering.pixel(kingCentre), after.pixel(kingCentre));

  // Another button starts slowly again.
  QTest::mouseClick(&nav.Button(41), Qt::LeftButton, {}, nav.Button(41).rect().center());
  EXPECT_EQ(nav.LastDivisor(), 300);
  EXPECT_TRUE(NoBox());
}

TEST_F(D3BoardTest, AHeldButtonLetGoOutsideStillBringsThePiecesBack) {
  Make();
  NavControl& nav = w->Nav();
  nav.show();
  BMPButton& up = nav.Button(43);
  QTest::mousePress(&up, Qt::LeftButton, {}, up.rect().center());
  timers.Advance(BMPButton::kRepeatMs);
  ASSERT_TRUE(settings.steering);
  QTest::mouseRelease(&up, Qt::LeftButton, {}, QPoint(-40, -40));
  timers.Advance(NavControl::kSteeringMs);
  EXPECT_FALSE(settings.steering);
  EXPECT_EQ(Picture("d3_released_outside"), FullRender("d3_released_outside_full"));
}

TEST_F(D3BoardTest, TheSettingsDialogStoresWhatItShows) {
  Make();
  using Kind = ModalDialogD3SET::Kind;
  {
    ModalDialogD3SET dialog(w.get());
    dialog.LoadControls(settings);
    auto* light = dialog.ControlAs<QScrollBar>(Kind::ScrollBar, ModalDialogD3SET::kLightBar);
    ASSERT_NE(light, nullptr);
    light->setValue(127);
    D3Settings copy = settings;
    dialog.StoreControls(copy);
    EXPECT_TRUE(copy.shadows);
    light->setValue(128);
    dialog.StoreControls(copy);
    EXPECT_FALSE(copy.shadows);
    EXPECT_FALSE(dialog.RebuildBoardWanted() || dialog.RebuildPiecesWanted());
  }
  {
    ModalDialogD3SET dialog(w.get());
    dialog.LoadControls(settings);
    auto* rotation = dialog.ControlAs<QSpinBox>(Kind::NumericField, ModalDialogD3SET::kRotationField);
    const int expected[] = {6, 10, 14};
    for (int level = 0; level < 3; ++level) {
      dialog.ControlAs<QRadioButton>(Kind::RadioButton, level + 1)->click();
      EXPECT_EQ(rotation->value(), expected[level]);
    }
    D3Settings copy = settings;
    dialog.StoreControls(copy);
    EXPECT_EQ(copy.rotation, 14);
    EXPECT_TRUE(dialog.RebuildPiecesWanted());
  }
  {
    ModalDialogD3SET dialog(w.get());
    dialog.LoadControls(settings);
    dialog.ControlAs<QSpinBox>(Kind::NumericField, ModalDialogD3SET::kAnimationField)->setValue(50);
    D3Settings copy = settings;
    dialog.StoreControls(copy);
    EXPECT_EQ(copy.animation, 50);
    EXPECT_FALSE(dialog.RebuildBoardWanted() || dialog.RebuildPiecesWanted());
  }
  {
    ModalDialogD3SET dialog(w.get());
    D3Settings copy = settings;
    copy.sizeCoeff = 0.001;
    copy.sqSize = 7;
    dialog.LoadControls(copy);
    dialog.ControlAs<QPushButton>(Kind::PushButton, ModalDialogD3SET::kDefaultsButton)->click();
    EXPECT_EQ(dialog.ControlAs<QSpinBox>(Kind::NumericField, ModalDialogD3SET::kSqSizeField)->value(), 59);
    dialog.StoreControls(copy);
    EXPECT_EQ(copy.sizeCoeff, 0);
    EXPECT_EQ(copy.sqSize, 5.9);
    EXPECT_TRUE(dialog.RebuildBoardWanted() && dialog.RebuildPiecesWanted());
  }
}

TEST_F(D3BoardTest, TheDialogFromThePanelRebuildsOrLeavesAlone) {
  Make();
  NavControl& nav = w->Nav();
  using Kind = ModalDialogD3SET::Kind;
  // Cancel, after changing the controls, with the steering timer running.
  nav.SteeringTimer().Start(NavControl::kSteeringMs);
  std::vector<unsigned char> before(sizeof(D3Settings));
  std::memcpy(before.data(), &settings, sizeof(D3Settings));
  nav.executeDialog = [](ModalDialogD3SET& dialog) {
    dialog.ControlAs<QCheckBox>(Kind::CheckBox, ModalDialogD3SET::kShadowsBox)->setChecked(false);
    dialog.ControlAs<QPushButton>(Kind::PushButton, ModalDialogD3SET::kDefaultsButton)->click();
    return 0;
  };
  nav.RunSettingsDialog();
  EXPECT_EQ(std::memcmp(before.data(), &settings, sizeof(D3Settings)), 0);
  EXPECT_TRUE(nav.SteeringTimer().IsActive());

  // OK with a larger square size: board and pieces are built again.
  nav.executeDialog = [](ModalDialogD3SET& dialog) {
    dialog.ControlAs<QSpinBox>(Kind::NumericField, ModalDialogD3SET::kSqSizeField)->setValue(65);
    return 1;
  };
  const Vec3 a1Before = w->Scene().FindPiece(0)->Position();
  nav.RunSettingsDialog();
  EXPECT_DOUBLE_EQ(settings.sqSize, 6.5);
  EXPECT_NEAR(w->Scene().FindPiece(0)->Position().x, 3.5 * 6.5, 1e-9);
  EXPECT_NE(w->Scene().FindPiece(0)->Position().x, a1Before.x);
  EXPECT_NEAR(w->Scene().BoardObjects()[64].Vertices()[0].x, -4 * 6.5, 1e-9);
  EXPECT_EQ(Picture("d3_after_dialog"), FullRender("d3_after_dialog_full"));
}

TEST_F(D3BoardTest, KeysGoToTheWindowAroundTheBoard) {
  KeyCatcher around;
  around.resize(900, 700);
  around.show();
  Make(true, &around);
  w->setFocus();
  QTest::keyClick(w.get(), Qt::Key_E);
  QTest::keyClick(&w->Inlay(), Qt::Key_4);
  EXPECT_EQ(around.keys, (std::vector<int>{Qt::Key_E, Qt::Key_4}));
  EXPECT_TRUE(NoBox());
  w.reset();
}

TEST_F(D3BoardTest, AnimationZeroJumpsInOneStep) {
  Make();
  settings.animation = 0;
  std::vector<Flight> flights;
  w->flightHook = [&](const Flight& f) { flights.push_back(f); };
  Move move = Parse("e2e4");
  move.Complete(Board(true));
  w->ShowMove(move);
  ASSERT_EQ(flights.size(), 1u);
  EXPECT_EQ(flights[0].steps, 1);
  EXPECT_EQ(w->Shown()[kE4], 6);
  EXPECT_TRUE(Matches(Picture("d3_jump"), FullRender("d3_jump_full"), Probes()));
}

TEST_F(D3BoardTest, TheFixedSizeFormShowsThePosition) {
  w = std::make_unique<D3BoardWin>(nullptr, QSize(500, 400), kFrame);
  EXPECT_EQ(w->Style(), D3BoardWin::kFixedSizeStyle);
  EXPECT_EQ(w->GetBoardSize({1000, 300}), (BoardSize{500, 300}));
  Show(*w, true);
  const SceneObject* king = w->Scene().FindPiece(kE1);
  ASSERT_NE(king, nullptr);
  EXPECT_TRUE(king->Visible());
  const QImage shown = Picture("d3_fixed");
  EXPECT_EQ(shown, FullRender("d3_fixed_full"));
  w->ShowBoard(Board().squares);
  EXPECT_NE(Picture("d3_fixed_empty"), shown);
}

TEST_F(D3BoardTest, OddViewsFromTheSettingsFileRenderQuietly) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zh_d3_odd_views";
  std::filesystem::create_directories(folder);
  struct Case {
    const char* name;
    const char* lines;
  } cases[] = {
      {"inside", "Observer=0.00000,-10.00000,3.00000\n"},
      {"horizon", "LightVec=60.00000,-150.00000,0.00000\nShadows=2\n"},
      {"below", "Observer=60.00000,-1.00000,-59.00000\n"},
  };
  for (const Case& c : cases) {
    const std::filesystem::path ini = folder / (std::string(c.name) + ".ini");
    std::ofstream(ini) << "[3DSetting]\n" << c.lines;
    ProfileFile file;
    ASSERT_TRUE(file.Open(ini));
    settings = D3Settings();
    settings.LoadFrom(file);
    Make();
    Picture(std::string("d3_odd_") + c.name);
    w->ShowMove(Parse("e2e4"));
    EXPECT_TRUE(NoBox()) << c.name;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zh::d3
