// The shell's dialogs off screen, driven by QTest and pictured by grab(): the user
// dialog with its hardware test and credits, the options, the layout, the small
// dialogs, the symbol keys of the edit fields and the game overview.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

#include "../app/recording_hooks.h"
#include "app/app_params.h"
#include "app/message_ids.h"
#include "app/playing_params.h"
#include "app/symbol_keys.h"
#include "app/ui/layout_dialog.h"
#include "app/ui/logon_dialog.h"
#include "app/ui/options_dialog.h"
#include "app/ui/overview_dialog.h"
#include "app/ui/small_dialogs.h"
#include "app/ui/symbol_edit.h"
#include "app/ui/key_map.h"
#include "app_ui/qt_app.h"
#include "board/ui/display_board_window.h"
#include "core/toolbox/code_pages.h"
#include "database/game/game_item.h"
#include "database/game_test_util.h"
#include "dialog_support.h"
#include "support/recording_services.h"

namespace zh {
namespace {

// Runs `act` on the next modal dialog of type T once it shows.
template <class T>
void WhenShown(std::function<void(T&)> act) {
  QTimer::singleShot(0, [act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) return act(*dialog);
    WhenShown<T>(act);
  });
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    app.surName = "Doe", app.christName = "John", app.town = "Mytown", app.life = 40;
    playing.friendGames = 12;
    ModalWithPalette::SetPictureSource([](int index) {
      QImage picture(40, 30, QImage::Format_RGB32);
      picture.fill(index == 6 ? QColor(200, 0, 0) : QColor(0, 0, 200));
      return picture;
    });
  }
  void TearDown() override {
    ModalWithPalette::SetPictureSource({});
    SetHardwareFacts({});
  }
  test::RecordingServices services;
  test::RecordingShell shell;
  AppParams app{ShellEnvironment{}};
  PlayingParams playing;
};

// ---- User dialog ----

TEST_F(DialogTest, LogonShowsItsPictureStartsInTheSurnameAndStoresOnOk) {
  ModalDialogLOGON dialog(nullptr, app);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  const QImage image = test::GrabSaved(dialog, "logon");
  const QPoint picture = dialog.Picture()->mapTo(&dialog, QPoint(20, 15));
  EXPECT_EQ(image.pixelColor(picture), QColor(200, 0, 0));
  EXPECT_EQ(QApplication::focusWidget(), dialog.Control(ControlKind::Edit, 1));
  dialog.close();

  WhenShown<ModalDialogLOGON>([](ModalDialogLOGON& d) {
    QApplication::setActiveWindow(&d);
    QLineEdit* surname = d.ControlAs<QLineEdit>(ControlKind::Edit, 1);
    surname->setFocus();
    surname->selectAll();
    QTest::keyClicks(surname, "Roe");
    QTest::keyClick(surname, Qt::Key_Tab);
    QWidget* next = QApplication::focusWidget();
    EXPECT_EQ(next, d.Control(ControlKind::Edit, 2));  // Tab follows the controls' order
    if (!next) return d.reject();
    QTest::keyClick(next, Qt::Key_End);
    QTest::keyClicks(next, " Jr");
    QTest::keyClick(&d, Qt::Key_Return);
  });
  EXPECT_TRUE(RunLogonDialog(nullptr, app, playing));
  EXPECT_EQ(app.surName, "Roe");
  EXPECT_EQ(app.christName, "John Jr");
  EXPECT_EQ(app.life, 1);  // a new user
  EXPECT_EQ(playing.friendGames, 0);
  EXPECT_EQ(app.title, AppParams::kUntitled);
  EXPECT_EQ(shell.log.calls, (std::vector<std::string>{"UpdatePlayerNames", "SetUserFirstName John Jr"}));
}

TEST_F(DialogTest, LogonCancelStoresNothing) {
  app.title = 4;
  WhenShown<ModalDialogLOGON>([](ModalDialogLOGON& d) {
    d.ControlAs<QLineEdit>(ControlKind::Edit, 1)->setText("Roe");
    d.ControlAs<QRadioButton>(ControlKind::RadioButton, 2)->setChecked(true);
    QTest::keyClick(&d, Qt::Key_Escape);
  });
  EXPECT_FALSE(RunLogonDialog(nullptr, app, playing));
  EXPECT_EQ(app.surName, "Doe");
  EXPECT_TRUE(app.male);
  EXPECT_EQ(app.life, 40);
  EXPECT_EQ(app.title, 4);
  EXPECT_TRUE(shell.log.calls.empty());
}

// The clock moves 1000 ms while the polygons are drawn.
class SteppingClock final : public ClockService {
 public:
  std::deque<uint64_t> ticks;
  uint64_t TicksMs() override {
    const uint64_t t = ticks.front();
    if (ticks.size() > 1) ticks.pop_front();
    return t;
  }
  int64_t WallTime() override { return 0; }
};

TEST_F(DialogTest, HardwareTestRatesOneSecondAs130AndDraws) {
  services.texts = {{msg::M_SPEED_VERDICT, "Speed"}, {msg::M_SPEED_GOOD, " good"}};
  SteppingClock clock;
  clock.ticks = {5000, 6000};
  ScopedServices installed(Services{.clock = &clock});
  int64_t freeKb = 3000;
  ModalDialogHARDW dialog(nullptr, true, HardwareFacts{65536, [&] { return freeKb; }, 1024});
  dialog.show();
  EXPECT_FALSE(dialog.Control(ControlKind::OkButton, 1)->isEnabled());  // locked until a test ran
  EXPECT_EQ(dialog.Result(), -1);
  QTest::mouseClick(dialog.ControlAs<QPushButton>(ControlKind::PushButton, 1), Qt::LeftButton);
  EXPECT_EQ(dialog.Result(), 130);
  EXPECT_EQ(dialog.ControlAs<QLabel>(ControlKind::FixedText, 4)->text(), "130%");
  EXPECT_EQ(dialog.ControlAs<QLabel>(ControlKind::FixedText, 3)->text(), "Speed good");
  EXPECT_EQ(dialog.ControlAs<QLabel>(ControlKind::FixedText, 5)->text(), "65536");
  EXPECT_TRUE(dialog.Control(ControlKind::OkButton, 1)->isEnabled());
  EXPECT_EQ(dialog.TestArea()->geometry(), QRect((dialog.width() - 450) / 2, 15, 450, 220));
  // The polygons cover most of the picture.
  int painted = 0;
  for (int y = 0; y < 220; y += 10)
    for (int x = 0; x < 450; x += 10) painted += dialog.TestPicture().pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_GT(painted, 45 * 22 / 2);
  test::GrabSaved(dialog, "hardware");

  // The music test needs 3001 KB free.
  QTest::mouseClick(dialog.ControlAs<QPushButton>(ControlKind::PushButton, 2), Qt::LeftButton);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox").size(), 1u);
  freeKb = 3001;
  QTest::mouseClick(dialog.ControlAs<QPushButton>(ControlKind::PushButton, 2), Qt::LeftButton);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox").size(), 1u);
  EXPECT_EQ(shell.log.calls, (std::vector<std::string>{"CloseMusic", "PlayIntro"}));
}

TEST_F(DialogTest, CreditsListTheEnginesThenTheCoach) {
  services.texts = {{msg::M_TALKING_COACH, "Talking ~coach"}, {msg::M_CREDIT_PROGRAM, "P"},
                    {msg::M_CREDIT_QT, "Q"}, {msg::M_CREDIT_OPENINGS, "O"}};
  shell.game.engines = {{"ZelkoHome2", "Zelko team"}, {"Pelta B22", "Pelta"}};
  shell.coach.credit = "Voice by Ana";
  ModalDialogIMPRESS dialog(nullptr);
  std::vector<std::string> lines;
  for (int i = 0; i < dialog.List().count(); ++i) lines.push_back(dialog.List().item(i)->text().toStdString());
  EXPECT_EQ(lines, (std::vector<std::string>{"ZelkoHome2 (Zelko team)", "Pelta B22 (Pelta)",
                                             "Voice by Ana (Talking coach)", "P", "Q", "O"}));
}

// ---- Options ----

TEST_F(DialogTest, OptionsRefusedInARatedGameAndCancelChangesNothing) {
  shell.game.rated = true;
  EXPECT_EQ(RunOptionsDialog(nullptr, app, playing), 1);
  shell.game.rated = false;
  app.chatter = true, app.sound = true;
  WhenShown<ModalDialogOPTIONS>([](ModalDialogOPTIONS& d) {
    d.ControlAs<QCheckBox>(ControlKind::CheckBox, 2)->click();
    d.ControlAs<QCheckBox>(ControlKind::CheckBox, 4)->click();
    QTest::keyClick(&d, Qt::Key_Escape);
  });
  EXPECT_EQ(RunOptionsDialog(nullptr, app, playing), 0);
  EXPECT_TRUE(app.chatter);
  EXPECT_TRUE(app.sound);
  EXPECT_TRUE(shell.log.calls.empty());
}

TEST_F(DialogTest, OptionsMissingFoldersDisableBoxesAndOkApplies) {
  shell.coach.musicFolder = false, shell.coach.spokenMoves = false;
  app.chatter = true, app.talk = true;
  {
    ModalDialogOPTIONS dialog(nullptr, app, playing);
    EXPECT_FALSE(dialog.Control(ControlKind::CheckBox, 3)->isEnabled());
    EXPECT_FALSE(dialog.Control(ControlKind::CheckBox, 9)->isEnabled());
    EXPECT_FALSE(dialog.Control(ControlKind::CheckBox, 7)->isEnabled());
    test::GrabSaved(dialog, "options");
  }
  WhenShown<ModalDialogOPTIONS>([](ModalDialogOPTIONS& d) {
    auto* chatter = d.ControlAs<QCheckBox>(ControlKind::CheckBox, 2);
    chatter->click();  // clears Talk
    EXPECT_FALSE(d.ControlAs<QCheckBox>(ControlKind::CheckBox, 5)->isChecked());
    d.ControlAs<QRadioButton>(ControlKind::RadioButton, 5)->click();
    QTest::keyClick(&d, Qt::Key_Return);
  });
  EXPECT_EQ(RunOptionsDialog(nullptr, app, playing), 0);
  EXPECT_FALSE(app.chatter);
  EXPECT_FALSE(app.talk);
  EXPECT_EQ(playing.resign, 2u);
  EXPECT_EQ(std::count(shell.log.calls.begin(), shell.log.calls.end(), "ShowMessageLine \"Goodbye\""), 1);
}

// ---- Layout ----

TEST_F(DialogTest, LayoutClockBoxesExcludeEachOtherAndTheFontReachesThePanes) {
  app.showClock = true, app.forceDigital = true, app.fontNota = FontSpec{"Notation", 0, 16};
  {
    ModalDialogLAYOUT rated(nullptr, ReadLayout(app, false), true);
    EXPECT_FALSE(rated.Box(6)->isEnabled());
  }
  int printFont = 0;
  WhenShown<ModalDialogLAYOUT>([](ModalDialogLAYOUT& d) {
    EXPECT_TRUE(d.Box(2)->isChecked());
    d.Box(6)->click();
    EXPECT_FALSE(d.Box(2)->isChecked());
    d.ControlAs<QSpinBox>(ControlKind::Edit, 2)->setValue(20);
    test::GrabSaved(d, "layout");
    QTest::keyClick(&d, Qt::Key_Return);
  });
  EXPECT_TRUE(RunLayoutDialog(nullptr, app, [&] { ++printFont; }));
  EXPECT_TRUE(app.showClock);
  EXPECT_FALSE(app.forceDigital);
  EXPECT_EQ(printFont, 1);
  EXPECT_NE(std::find(shell.log.calls.begin(), shell.log.calls.end(), "SetNotationFont Notation 20"),
            shell.log.calls.end());
}

// ---- Small dialogs ----

TEST_F(DialogTest, FirstMovePliesBothWays) {
  for (int ply : {1, 2, 7, 8}) {
    ModalDialogFIRSTMV dialog(nullptr, ply);
    EXPECT_EQ(dialog.Number().value(), (ply + 1) / 2);
    EXPECT_EQ(dialog.ControlAs<QRadioButton>(ControlKind::RadioButton, 2)->isChecked(), ply % 2 == 1);
    EXPECT_EQ(dialog.Ply(), ply);
  }
  int ply = 1;
  WhenShown<ModalDialogFIRSTMV>([](ModalDialogFIRSTMV& d) {
    d.ControlAs<QRadioButton>(ControlKind::RadioButton, 3)->click();
    d.Number().setValue(3);
    QTest::keyClick(&d, Qt::Key_Return);
  });
  EXPECT_TRUE(RunFirstMoveDialog(ply));
  EXPECT_EQ(ply, 6);
}

TEST_F(DialogTest, AskNumberAnswersAnOutsideValueClamped) {
  int32_t value = 50;
  WhenShown<ModalDialogNUMBER>([](ModalDialogNUMBER& d) {
    EXPECT_EQ(d.Field().value(), 10);
    QTest::keyClick(&d, Qt::Key_Return);
  });
  EXPECT_TRUE(AskNumber("Diagram size", value, 1, 10, 1));
  EXPECT_EQ(value, 10);
  int16_t small = 3;
  WhenShown<ModalDialogNUMBER>([](ModalDialogNUMBER& d) { QTest::keyClick(&d, Qt::Key_Escape); });
  EXPECT_FALSE(AskNumberShort("n", small, 5, 9, 0));
  EXPECT_EQ(small, 3);
}

TEST_F(DialogTest, FontSizesPreviewAndTheLargestHeight) {
  QFont font("DejaVu Sans");
  font.setPixelSize(12);
  ModalFONTSEL dialog(nullptr, "Font", font, false);
  std::vector<int> sizes;
  for (int i = 0; i < dialog.Sizes().count(); ++i) sizes.push_back(dialog.Sizes().item(i)->text().toInt());
  EXPECT_EQ(sizes, (std::vector<int>{8, 9, 10, 11, 12, 13, 14, 16, 18, 20, 22, 24, 26, 28, 30, 36, 42, 48, 54, 60, 66,
                                     72}));
  EXPECT_FALSE(dialog.Control(ControlKind::CheckBox, 1)->isEnabled());
  dialog.Sizes().setCurrentRow(static_cast<int>(sizes.size()) - 1);
  EXPECT_EQ(dialog.Chosen().pixelSize(), 48);
  dialog.Sizes().setCurrentRow(4);
  EXPECT_EQ(dialog.Chosen().pixelSize(), 12);
  dialog.show();
  const QImage preview = test::GrabSaved(dialog.Preview(), "font_preview");
  int ink = 0;
  for (int y = 10; y < 24; ++y)
    for (int x = 10; x < 60; ++x) ink += qGray(preview.pixel(x, y)) < 128;
  EXPECT_GT(ink, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(preview.pixel(x, y), qRgb(255, 255, 255));
}

TEST_F(DialogTest, ChoiceOfTwoFitsItsTexts) {
  ModalDialogCHOICE_OF_TWO dialog(nullptr, "Which", "a rather long first choice", "second", 2);
  auto* r1 = dialog.ControlAs<QRadioButton>(ControlKind::RadioButton, 1);
  auto* r2 = dialog.ControlAs<QRadioButton>(ControlKind::RadioButton, 2);
  auto* ok = dialog.Control(ControlKind::OkButton, 1);
  auto* cancel = dialog.Control(ControlKind::CancelButton, 1);
  EXPECT_TRUE(r2->isChecked());
  const QFontMetrics m(r1->font());
  EXPECT_EQ(r1->width(), m.horizontalAdvance("a rather long first choice") + 20);
  EXPECT_EQ(dialog.width(), std::max(r1->width(), 3 * ok->width()) + 100);
  EXPECT_EQ(r1->x(), r2->x());
  EXPECT_EQ(r1->x(), (dialog.width() - std::max(r1->width(), r2->width())) / 2);
  EXPECT_EQ(ok->x(), 50);
  EXPECT_EQ(cancel->x() + cancel->width(), dialog.width() - 50);
  EXPECT_EQ(dialog.Choice(), 2);
}

TEST_F(DialogTest, PictureDialogSizeAndPlaceOnScreen) {
  QImage small(10, 10, QImage::Format_RGB32);
  small.fill(Qt::red);
  ModalDialogPICTURE tiny(nullptr, small);
  EXPECT_EQ(tiny.size(), QSize(150, 100));
  QImage big(300, 200, QImage::Format_RGB32);
  big.fill(Qt::blue);
  ModalDialogPICTURE dialog(nullptr, big);
  EXPECT_EQ(dialog.size(), QSize(322, 222));
  dialog.PlaceAt(QPoint(900, 700), QSize(1024, 768));
  EXPECT_EQ(dialog.pos(), QPoint(1024 - 322, 768 - 222));
  dialog.PlaceAt(QPoint(10, 20), QSize(1024, 768));
  EXPECT_EQ(dialog.pos(), QPoint(10, 20));
  const QImage image = test::GrabSaved(dialog, "picture");
  EXPECT_EQ(image.pixelColor(161, 111), QColor(Qt::blue));
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Space);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// ---- Symbol keys ----

TEST_F(DialogTest, EverySymbolKeyInsertsItsCharacterAndTheEditKeysStillWork) {
  TQEdit edit;
  edit.show();
  for (const SymbolKey& s : kSymbolKeys) {
    edit.setText("ab");
    edit.setSelection(0, 1);
    const int qtKey = ToQtKey(s.keyCode);
    Qt::KeyboardModifiers modifiers;
    if (s.keyCode & key::kShift) modifiers |= Qt::ShiftModifier;
    if (s.keyCode & key::kCtrl) modifiers |= Qt::ControlModifier;
    if (s.keyCode & key::kAlt) modifiers |= Qt::AltModifier;
    QTest::keyClick(&edit, static_cast<Qt::Key>(qtKey), modifiers);
    const char32_t expected = kDisplayToUnicode[s.displayByte];
    EXPECT_EQ(edit.text(), QString::fromUcs4(&expected, 1) + "b") << s.keyCode;
  }
  edit.setText("copy me");
  edit.selectAll();
  QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit.text(), "");
  QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit.text(), "copy me");

  TQMultiLineEdit lines;
  lines.show();
  QTest::keyClick(&lines, Qt::Key_Z, Qt::ControlModifier);
  const char32_t z = kDisplayToUnicode[147];
  EXPECT_EQ(lines.toPlainText(), QString::fromUcs4(&z, 1));
}

// ---- Overview ----

class OverviewTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    SetThePieceSets(&test::BundleSets());
    game.SetStandardStart();
    GameCursor cursor(&game);
    test::Enter(cursor, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7");
  }
  void TearDown() override {
    SetThePieceSets(nullptr);
    DialogTest::TearDown();
  }
  TQGame game;
};

TEST_F(OverviewTest, SmallMainWindowShowsOneBoardAndAClickChoosesIt) {
  GameCursor cursor(&game);
  ModalDialogOVERVIEW dialog(nullptr, QSize(200, 150), cursor, 1);
  ASSERT_EQ(dialog.Boards().size(), 1u);
  EXPECT_EQ(dialog.Plies(), std::vector<int>{9});  // one board: the last ply the rule reaches
  EXPECT_FALSE(dialog.ChosenPly());
  test::GrabSaved(dialog, "overview_small");
  QTest::mouseClick(dialog.Boards()[0], Qt::LeftButton);
  EXPECT_EQ(dialog.ChosenPly(), 9);
}

TEST_F(OverviewTest, BoardsShowTheirPliesAndEscapeChoosesNothing) {
  GameCursor cursor(&game);
  // Twelve boards of 164 pixels (style 1) in four columns and three rows.
  ModalDialogOVERVIEW dialog(nullptr, QSize(770, 700), cursor, 1);
  ASSERT_EQ(dialog.Plies(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(dialog.Boards().size(), 9u);
  // Board 0 shows the position after black's first move.
  EXPECT_EQ(dialog.Boards()[0]->board[MakeSquare(4, 4)], kPawn | kBlackBit);
  EXPECT_EQ(dialog.Boards()[8]->board[MakeSquare(5, 7)], kEmpty);  // f8 bishop gone
  test::GrabSaved(dialog, "overview");
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.ChosenPly());

  // After a click the cursor goes to the position after that ply.
  WhenShown<ModalDialogOVERVIEW>([](ModalDialogOVERVIEW& d) { QTest::mouseClick(d.Boards()[2], Qt::LeftButton); });
  QWidget main;
  main.resize(770, 700);
  EXPECT_EQ(RunOverviewDialog(&main, cursor), 3);
  EXPECT_EQ(cursor.Ply(), 4);
}

}  // namespace
}  // namespace zh
