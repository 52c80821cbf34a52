#include "app/ui/qt_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

#include "app/message_ids.h"
#include "app/ui/widgets/dialogs.h"

#include "qt_app.h"

namespace zh {
namespace {

struct FixedTexts : TextService {
  std::string GetMessageText(int id) override {
    if (id == msg::M_PROBABLY_NOT_ENOUGH_SPACE) return "Not enough space. Copy anyway?";
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

// Runs `drive` on the next modal widget of type D that opens.
template <class D>
void DriveNextModal(std::function<void(D&)> drive) {
  QTimer::singleShot(0, [drive] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) return drive(*d);
    DriveNextModal<D>(drive);
  });
}

TEST(QtServices, BoxNamedByMessageSymbolShowsTheMessage) {
  FixedTexts texts;
  QtServices qt(&texts);
  QString shown;
  DriveNextModal<QMessageBox>([&](QMessageBox& box) {
    shown = box.text();
    box.button(QMessageBox::Cancel)->click();
  });
  EXPECT_FALSE(AskOkCancel("M_PROBABLY_NOT_ENOUGH_SPACE"));
  EXPECT_EQ(shown, "Not enough space. Copy anyway?");
  DriveNextModal<QMessageBox>([&](QMessageBox& box) {
    shown = box.text();
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(AskOkCancel("M_NO_SUCH_SYMBOL"));
  EXPECT_EQ(shown, "M_NO_SUCH_SYMBOL");
}

TEST(QtServices, ListDialogAnswersTheChosenLine) {
  QtServices qt;
  const std::vector<std::string> lines{"Linares 1994", "Wijk aan Zee 2001", "Dortmund"};
  DriveNextModal<class ListDialog>([](class ListDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Select tournament");
    EXPECT_EQ(d.List().count(), 3);
    EXPECT_EQ(d.SelectedLine(), 0);  // the first line starts selected
    d.List().setCurrentRow(2);
    d.accept();
  });
  EXPECT_EQ(CurrentServices().lists->ListDialog("Select tournament", lines), 2);
  DriveNextModal<class ListDialog>([](class ListDialog& d) {
    d.List().setCurrentRow(1);
    d.reject();
  });
  EXPECT_EQ(qt.ListDialog("Select player", lines), -1);
  EXPECT_EQ(qt.ListDialog("Select player", {}), -1);  // no lines: no dialog
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
