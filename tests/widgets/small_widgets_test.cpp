#include "app/ui/small_widgets.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/message_ids.h"
#include "app/ui/resource_bundle.h"
#include "app/ui/widgets/dib_bitmap.h"
#include "app_ui/qt_app.h"
#include "board/ui/piece_sets.h"
#include "core/rules/symbols.h"
#include "core/toolbox/dib.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

QImage Solid(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Pieces as solid squares: white pieces red, black ones blue; masks fully set.
class SolidSet final : public PieceBMPSet {
 public:
  explicit SolidSet(int size)
      : size_(size), white_(Solid(size, size, 0xFFFF0000)), black_(Solid(size, size, 0xFF0000FF)),
        mask_(Solid(size, size, 0xFFFFFFFF)) {}
  const QImage& GetPieceBitmap(int, int colour, int) const override { return colour ? black_ : white_; }
  const QImage& GetSquareBitmap(int) const override { return white_; }
  const QImage& GetSelectionBitmap() const override { return white_; }
  const QImage& GetPieceMask(int) const override { return mask_; }
  const QImage& GetInvertedMask(int) const override { return none_; }
  int GetSquareSize() const override { return size_; }
  void HalveSize() override {}
  const QImage& GetDarkSquareOverlay() const override { return none_; }
  bool IsPlainDrawing() const override { return true; }

 private:
  int size_;
  QImage white_, black_, mask_, none_;
};

class SolidSets final : public PieceSets {
 public:
  explicit SolidSets(int size) : set_(std::make_shared<SolidSet>(size)) {}
  SharedPieceSet GetSet(int) override { return set_; }
  SharedPieceSet GetColoredSet(int, const BoardColors&) override { return set_; }
  SharedPieceSet GetDisplaySet(int) override { return set_; }

 private:
  SharedPieceSet set_;
};

// Runs `drive` on the next promotion dialog that opens.
void DriveNextPromotion(std::function<void(PromotionDialog&)> drive) {
  QTimer::singleShot(0, [drive] {
    if (auto* d = dynamic_cast<PromotionDialog*>(QApplication::activeModalWidget())) {
      drive(*d);
      return;
    }
    DriveNextPromotion(drive);
  });
}

TEST(PromotionDialog, LayoutAtSquareSize10ClicksKeysAndEscape) {
  test::TestApp();
  SolidSet set(10);
  PromotionDialog dialog(nullptr, set, 0);
  EXPECT_EQ(dialog.size(), QSize(24 * 21 / 4, 36));
  const QImage shot = dialog.grab().toImage();
  ASSERT_TRUE(shot.save(QString(ZH_OUTPUT_DIR) + "/promotion_10.png"));
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const QPoint at(6 + i * 30, 6);
    EXPECT_EQ(dialog.Button(i)->geometry(), QRect(at, QSize(24, 24)));
    // The piece shows in the middle of its button.
    EXPECT_EQ(shot.pixel(at + QPoint(12, 12)), 0xFFFF0000u);
  }
  const int expected[] = {2, 5, 4, 3};
  for (int i = 0; i < 4; ++i) {
    PromotionDialog clicked(nullptr, set, 0);
    DriveNextPromotion([i](PromotionDialog& d) { QTest::mouseClick(d.Button(i), Qt::LeftButton); });
    EXPECT_EQ(clicked.exec(), expected[i]);
    // Tab moves on from the first button, Enter presses the focused one.
    PromotionDialog keyed(nullptr, set, 1);
    DriveNextPromotion([i](PromotionDialog& d) {
      d.Button(0)->setFocus();
      for (int k = 0; k < i; ++k) QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(d.focusWidget(), d.Button(i));
      QTest::keyClick(d.focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(keyed.exec(), expected[i]);
  }
  PromotionDialog escaped(nullptr, set, 0);
  DriveNextPromotion([](PromotionDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
  EXPECT_EQ(escaped.exec(), 0);
}

// The cursor's promotion link answered by the dialog: Escape refuses the move.
struct PromotionAsker {
  const PieceBMPSet* set;
  std::function<void(PromotionDialog&)> drive;
  int32_t Ask(std::intptr_t) {
    PromotionDialog dialog(nullptr, *set, 0);
    DriveNextPromotion(drive);
    return dialog.exec();
  }
};

TEST(PromotionDialog, AnswersTheCursorsPromotionLink) {
  test::TestApp();
  SolidSet set(32);
  TQGame game;
  game.body.SetSetUpStart(test::ParseFenForTest("8/4P3/8/8/8/8/k7/4K3 w - - 0 1"), 50);
  GameCursor cursor(&game);
  PromotionAsker asker{&set, [](PromotionDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }};
  cursor.callbacks[kPromotionPiece] = CallbackLink::Bind<PromotionAsker, &PromotionAsker::Ask>(&asker);
  const int e7 = 4 * 8 + 6, e8 = 4 * 8 + 7;
  EXPECT_EQ(cursor.AddMove(e7, e8, 0, 0), 1);
  EXPECT_EQ(game.body.mainLine.Count(), 0);
  asker.drive = [](PromotionDialog& d) { QTest::mouseClick(d.Button(1), Qt::LeftButton); };
  EXPECT_EQ(cursor.AddMove(e7, e8, 0, 0), 0);
  EXPECT_EQ(cursor.GetPosition().board[e8], kRook);
}

TEST(MaterialDisplay, SurplusRowsFromTheirStartsAPieceAndAQuarterApart) {
  test::TestApp();
  SolidSets sets(16);
  MaterialDisplay display(nullptr, sets, 0);
  display.resize(200, 30);
  Board& board = display.GetBoard();
  board.Clear();
  board[MakeSquare(0, 0)] = kKing;
  board[MakeSquare(4, 7)] = kKing | kBlackBit;
  board[MakeSquare(1, 0)] = kQueen;
  board[MakeSquare(2, 0)] = kRook;
  board[MakeSquare(3, 7)] = kKnight | kBlackBit;
  const auto placed = display.Layout();
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_EQ(placed[0].x, 10);
  EXPECT_EQ(placed[1].x, 10 + 20);  // 1.25 × 16
  EXPECT_EQ(placed[2].x, 100 + 10);
  EXPECT_EQ(placed[2].colour, 1);
  for (const auto& p : placed) EXPECT_EQ(p.y, 7);  // (30 - 16) / 2
  const QImage shot = display.grab().toImage();
  EXPECT_EQ(shot.pixel(10, 10), 0xFFFF0000u);
  EXPECT_EQ(shot.pixel(30, 10), 0xFFFF0000u);
  EXPECT_NE(shot.pixel(27, 10), 0xFFFF0000u);  // the gap between them
  EXPECT_EQ(shot.pixel(110, 10), 0xFF0000FFu);
  EXPECT_NE(shot.pixel(9, 10), 0xFFFF0000u);
}

TEST(LanguageToolBox, FollowsItsImageTable) {
  test::TestApp();
  LanguageToolBox box(nullptr);
  const int marked[] = {430, 431, 432, 434, 433, 435, 436};
  const int plain[] = {420, 421, 422, 424, 423, 425, 426};
  for (int i = 0; i < 7; ++i) {
    box.SetLanguageMarked(true, i);
    EXPECT_EQ(box.ImageOf(i + 1), marked[i]);
    box.SetLanguageMarked(false, i);
    EXPECT_EQ(box.ImageOf(i + 1), plain[i]);
  }
  box.CheckLanguage(2);
  box.CheckLanguage(4);
  EXPECT_EQ(box.CheckedId(), 5);
  EXPECT_FALSE(box.Item(3)->isChecked());
  EXPECT_TRUE(box.Item(5)->isChecked());
  int clicks = 0;
  box.SetClickLink(CallbackLink(&clicks, [](void* o, std::intptr_t) {
    ++*static_cast<int*>(o);
    return 0;
  }));
  QTest::mouseClick(box.Item(7), Qt::LeftButton);
  EXPECT_EQ(box.ClickedIndex(), 6);
  EXPECT_EQ(clicks, 1);
}

TEST(Diod, ImagesByStateAndNoReloadForTheSameState) {
  test::TestApp();
  struct Case {
    int state;
    int withStyle;
    int without;
  } cases[] = {{2, 264, 268}, {3, 263, 267}, {4, 284, 265}, {0, 283, 266}, {7, 283, 266}};
  for (const Case& c : cases) {
    EXPECT_EQ(Diod::ImageOf(c.state, true), c.withStyle);
    EXPECT_EQ(Diod::ImageOf(c.state, false), c.without);
  }
  ResourceBundle bundle;
  ASSERT_TRUE(bundle.Load(ZH_DATA_DIR));
  Diod lamp(nullptr, false);
  EXPECT_EQ(lamp.State(), 3);
  EXPECT_EQ(lamp.LoadCount(), 1);
  EXPECT_EQ(lamp.size(), QSize(16, 16));
  lamp.SetState(2);
  lamp.SetState(2);
  EXPECT_EQ(lamp.LoadCount(), 2);
}

TEST(AnimationWindow, ThreeFramesShowInTurnEvery20Ms) {
  test::TestApp();
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  AnimationWindow window(nullptr);
  window.resize(20, 20);
  const QRgb colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  for (QRgb c : colours) window.AddFrame(Solid(10, 10, c));
  for (int i = 0; i < 5; ++i) window.AddFrame(Solid(10, 10, 0xFF000000));
  EXPECT_EQ(window.FrameCount(), 6);  // a seventh frame is ignored
  AnimationWindow three(nullptr);
  three.resize(20, 20);
  for (QRgb c : colours) three.AddFrame(Solid(10, 10, c));
  three.Start();
  std::vector<int> shown;
  for (int i = 0; i < 4; ++i) {
    timers.Advance(20);
    shown.push_back(three.ShownFrame());
    EXPECT_EQ(three.Device().pixel(10, 10), colours[shown.back()]);  // centred
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0}));
  timers.Advance(19);
  EXPECT_EQ(three.ShownFrame(), 0);
}

TEST(SymbolMenus, IdsAndTexts) {
  test::TestApp();
  test::RecordingServices services;
  services.texts[msg::M_SYMBOL_NONE] = "none";
  services.texts[msg::M_SYMBOL_ONLY_MOVE] = "only move";
  services.texts[msg::M_SYMBOL_UNCLEAR] = "unclear";
  auto marks = NewMenuMARKS(nullptr);
  auto evals = NewMenuEVALS(nullptr);
  ASSERT_EQ(marks->actions().size(), 9);
  ASSERT_EQ(evals->actions().size(), 16);
  struct Case {
    SymbolMenu* menu;
    int id;
    std::string text;
  } cases[] = {
      {marks.get(), 1, "none"},       {marks.get(), 2, "!"},  {marks.get(), 4, "!?"},
      {marks.get(), 9, "only move"},  {evals.get(), 1, "none"}, {evals.get(), 2, "+-"},
      {evals.get(), 6, "unclear"},    {evals.get(), 10, "NOTEXT"},
      {evals.get(), 12, SymbolText(36).ToUtf8()}, {evals.get(), 16, SymbolText(146).ToUtf8()},
  };
  for (const Case& c : cases) {
    QAction* action = c.menu->ItemAction(c.id);
    ASSERT_NE(action, nullptr) << c.id;
    EXPECT_EQ(action->text().toStdString(), c.text) << c.id;
  }
  evals->ItemAction(13)->trigger();
  EXPECT_EQ(evals->Chosen(), 13);
}

std::vector<uint8_t> CorpusFile(const char* name) {
  std::ifstream in(std::string(ZH_SOURCE_DIR) + "/tests/fuzz/corpus/dib/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(CreateBitmapFromDib, ImagesOnlyFromBitmapsTheLengthHolds) {
  test::TestApp();
  const std::vector<uint8_t> good = CorpusFile("info_8bit");
  ASSERT_FALSE(good.empty());
  DibImage decoded;
  ASSERT_TRUE(DecodeDib(good.data(), good.size(), decoded));
  const QImage image = CreateBitmapFromDib(good.data(), good.size());
  ASSERT_EQ(image.size(), QSize(decoded.width, decoded.height));
  for (int y = 0; y < decoded.height; ++y)
    for (int x = 0; x < decoded.width; ++x)
      EXPECT_EQ(image.pixel(x, y), decoded.pixels[static_cast<size_t>(y * decoded.width + x)]) << x << "," << y;
  // One byte short, or a damaged bitmap: no image.
  EXPECT_TRUE(CreateBitmapFromDib(good.data(), good.size() - 1).isNull());
  const std::vector<uint8_t> cut = CorpusFile("truncated_bits");
  EXPECT_TRUE(CreateBitmapFromDib(cut.data(), cut.size()).isNull());
  EXPECT_TRUE(CreateBitmapFromDib(nullptr, 0).isNull());
}

TEST(IsPointInRect, EdgesIncluded) {
  struct Case {
    QPoint point;
    bool inside;
  } cases[] = {{{10, 20}, true},  {{40, 20}, true},  {{40, 60}, true}, {{10, 60}, true},
               {{41, 30}, false}, {{9, 30}, false},  {{20, 61}, false}, {{20, 19}, false}};
  for (const Case& c : cases)
    EXPECT_EQ(IsPointInRect(c.point, QPoint(10, 20), QSize(30, 40)), c.inside) << c.point.x() << "," << c.point.y();
}

}  // namespace
}  // namespace zh
