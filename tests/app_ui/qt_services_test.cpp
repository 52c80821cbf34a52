#include "app/ui/qt_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "qt_app.h"

namespace zh {
namespace {

struct FixedTexts : TextService {
  std::string GetMessageText(int id) override {
    return id == 23 ? "KQNBRP.x+" : std::string(kNoText);
  }
};

TEST(QtServices, InstallsItselfAndRestoresOnDestruction) {
  FixedTexts texts;
  AppSettings settings;
  settings.programFolder = "/opt/zh";
  {
    QtServices qt(&texts, &settings);
    EXPECT_EQ(&Boxes(), static_cast<MessageBoxService*>(&qt));
    EXPECT_EQ(zh::GetMessageText(23), "KQNBRP.x+");
    EXPECT_EQ(zh::GetMessageText(24), "NOTEXT");
    EXPECT_EQ(Settings().programFolder, "/opt/zh");
    uint64_t t = Clock().TicksMs();
    EXPECT_GE(Clock().TicksMs(), t);
  }
  EXPECT_EQ(zh::GetMessageText(23), "NOTEXT");
  EXPECT_EQ(Settings().programFolder, "");
}

TEST(QtServices, BoxesAnswerWithLibraryCodes) {
  QtServices qt;
  test::AnswerNextModal("OK");
  EXPECT_EQ(qt.OkCancelBox("Proceed?"), QtServices::kOk);
  test::AnswerNextModal("Cancel");
  EXPECT_EQ(qt.OkCancelBox("Proceed?"), QtServices::kCancel);
  test::AnswerNextModal("Yes");
  EXPECT_TRUE(AskYesNo("Overwrite?"));
  test::AnswerNextModal("No");
  EXPECT_EQ(qt.YesNoBox("Overwrite?"), QtServices::kNo);
  test::AnswerNextModal("OK");
  zh::ErrorBox("boom");
}

TEST(QtServices, EventPumpRunsWhatIsPendingOnce) {
  QtServices qt;
  int runs = 0;
  // A handler that posts another: one pass runs the first, not the one it posts.
  QMetaObject::invokeMethod(
      &qt, [&] {
        ++runs;
        QMetaObject::invokeMethod(&qt, [&] { ++runs; }, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
  Reschedule();
  EXPECT_EQ(runs, 1);
  Reschedule();
  EXPECT_EQ(runs, 2);
}

TEST(QtServices, WaitStateNestsAndBlocksInput) {
  QtServices qt;
  QLineEdit edit;
  edit.show();
  auto type = [&](char c) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(&edit, &press);
  };
  {
    WaitCursor outer;
    WaitCursor inner;
    EXPECT_EQ(qt.WaitDepth(), 1);  // the core guard reports only its edges
    qt.EnterWait();
    EXPECT_EQ(qt.WaitDepth(), 2);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    type('a');
    qt.LeaveWait();
  }
  EXPECT_EQ(qt.WaitDepth(), 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  type('b');
  EXPECT_EQ(edit.text(), "b");
}

}  // namespace
}  // namespace zh
