#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/ui/widgets/bmp_button.h"
#include "app/ui/widgets/dialogs.h"
#include "app/ui/widgets/local_menu.h"
#include "app_ui/qt_app.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct Links {
  int clicks = 0;
  int repeats = 0;
  int32_t Click(std::intptr_t) { return ++clicks; }
  int32_t Repeat(std::intptr_t) { return ++repeats; }
};

TEST(BMPButton, RepeatsWhileHeldAndClicksOnlyOnAReleaseInside) {
  test::RecordingServices rec;
  test::FakeTimers timers(rec.ticks);
  QImage bitmap(16, 16, QImage::Format_RGB32);
  bitmap.fill(Qt::red);
  BMPButton button(nullptr, bitmap);
  button.resize(40, 30);
  button.show();
  Links links;
  button.SetClickLink(CallbackLink::Bind<Links, &Links::Click>(&links));
  button.SetRepeatLink(CallbackLink::Bind<Links, &Links::Repeat>(&links));

  QTest::mousePress(&button, Qt::LeftButton, {}, {20, 15});
  timers.Advance(1000);
  EXPECT_EQ(links.repeats, 3);  // at 300, 600 and 900 ms
  QTest::mouseRelease(&button, Qt::LeftButton, {}, {20, 15});
  EXPECT_EQ(links.clicks, 1);
  timers.Advance(1000);
  EXPECT_EQ(links.repeats, 3);  // released: no more repeats

  QTest::mousePress(&button, Qt::LeftButton, {}, {20, 15});
  QTest::mouseRelease(&button, Qt::LeftButton, {}, {80, 15});
  EXPECT_EQ(links.clicks, 1);
}

TEST(BMPButton, TheClickLinkAlsoRepeatsWhenNoRepeatLinkIsSet) {
  test::RecordingServices rec;
  test::FakeTimers timers(rec.ticks);
  BMPButton button(nullptr, QImage());
  button.resize(40, 30);
  Links links;
  button.SetClickLink(CallbackLink::Bind<Links, &Links::Click>(&links));
  QTest::mousePress(&button, Qt::LeftButton, {}, {20, 15});
  timers.Advance(700);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, {20, 15});
  EXPECT_EQ(links.clicks, 3);  // two repeats and the click
}

TEST(ListDialog, HasItsGeometryAndAnswersByKey) {
  class ListDialog dialog(nullptr, "Players", 16, 350);
  for (const char* line : {"Anand", "Carlsen", "Kasparov"}) dialog.AddLine(line);
  const int lineHeight = dialog.List().fontMetrics().height();
  EXPECT_EQ(dialog.List().geometry(), QRect(28, 26, 350, 16 * lineHeight));
  EXPECT_EQ(dialog.size(), QSize(408, 16 * lineHeight + 4 * 30 + 52));
  const int g = (408 - 240) / 3;
  EXPECT_EQ(dialog.OkButton().geometry(), QRect(g, dialog.height() - 60, 120, 30));
  EXPECT_EQ(dialog.CancelButton().geometry(), QRect(2 * g + 120, dialog.height() - 60, 120, 30));
  EXPECT_EQ(dialog.SelectedLine(), 0);

  QTimer::singleShot(0, [&] {
    QTest::keyClick(&dialog.List(), Qt::Key_Down);
    QTest::keyClick(&dialog.List(), Qt::Key_Return);
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedLine(), 1);

  const std::vector<std::string> lines{"a", "b"};
  QTimer::singleShot(0, [] {
    if (auto* d = QApplication::activeModalWidget()) QTest::keyClick(d, Qt::Key_Escape);
  });
  EXPECT_EQ(RunListChoice(nullptr, "Players", lines), -1);
}

TEST(LocalMenu, KeepsTheLastChosenId) {
  LocalMenu menu;
  QAction* first = menu.AddItem(4, "~Save");
  QAction* second = menu.AddItem(9, "Delete");
  EXPECT_EQ(first->text(), "&Save");
  EXPECT_EQ(menu.SelectedId(), 0);
  second->trigger();
  EXPECT_EQ(menu.SelectedId(), 9);
  first->trigger();
  EXPECT_EQ(menu.SelectedId(), 4);
}

}  // namespace
}  // namespace zh
