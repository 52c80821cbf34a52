// The adjudication question offscreen: preselection by outlook, OK and Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include "engines/ui/adjudication_dialog.h"

namespace zh {
namespace {

QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "engines_ui_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // One application for every test of this program, whichever asks first.
  static QApplication* app = qApp ? static_cast<QApplication*>(qApp) : new QApplication(argc, argv);
  return *app;
}

TEST(ModalADJUD, PreselectsByOutlook) {
  TestApp();
  ModalADJUD dialog("Adjudication", "Which result?");
  EXPECT_EQ(dialog.windowTitle(), "Adjudication");
  const std::pair<int, int> cases[] = {{0, 3}, {1, 2}, {2, 1}, {3, 4}, {7, 2}};
  for (const auto& [outlook, radio] : cases) {
    dialog.Preselect(outlook);
    EXPECT_EQ(dialog.CheckedId(), radio) << outlook;
  }
}

// Runs the asker while a queued call picks a radio and presses a button.
int AskAndAnswer(int outlook, int32_t& code, int radio, QDialogButtonBox::StandardButton button,
                 int* preselected = nullptr) {
  TestApp();
  DialogAdjudicationAsker asker("Adjudication", "Which result?");
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<ModalADJUD*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    if (preselected) *preselected = dialog->CheckedId();
    if (radio) dialog->Radio(radio)->click();
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(button), Qt::LeftButton);
  });
  return asker.Ask(outlook, code);
}

TEST(ModalADJUD, OkStoresTheCodeOfTheCheckedRadio) {
  const std::pair<int, int32_t> cases[] = {{1, 2}, {2, 1}, {3, 0}, {4, 3}};
  for (const auto& [radio, expected] : cases) {
    int32_t code = 99;
    EXPECT_EQ(AskAndAnswer(1, code, radio, QDialogButtonBox::Ok), 1);
    EXPECT_EQ(code, expected) << radio;
  }
  // OK on the preselection: outlook 2 answers white's win.
  int32_t code = 99;
  int preselected = 0;
  EXPECT_EQ(AskAndAnswer(2, code, 0, QDialogButtonBox::Ok, &preselected), 1);
  EXPECT_EQ(preselected, 1);
  EXPECT_EQ(code, 2);
}

TEST(ModalADJUD, CancelChangesNothing) {
  int32_t code = 3;
  EXPECT_EQ(AskAndAnswer(0, code, 3, QDialogButtonBox::Cancel), 0);
  EXPECT_EQ(code, 3);
}

}  // namespace
}  // namespace zh
