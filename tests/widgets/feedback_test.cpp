#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/feedback_meter.h"
#include "app/long_jobs.h"
#include "app/ui/feedback_dialog.h"
#include "app/ui/widgets/frames.h"
#include "app_ui/qt_app.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TEST(FeedbackMeter, EstimatesAsThePartGivesThem) {
  struct Case {
    const char* name;
    uint64_t total, n, afterMs;
    const char* shown;  // nullptr: the text stays
  };
  const Case cases[] = {
      {"3 s for 10 of 100", 100, 10, 3000, "27sec"},
      {"200 s left", 610, 10, 3000, "3min"},  // 3 / 10 * 600 = 180 s -> (180 + 20) / 60 = 3 min
      {"n = 0 shows nothing", 100, 0, 50000, nullptr},
      {"too soon after the start", 100, 10, 2000, nullptr},
      {"a count past the total", 100, 150, 3000, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FeedbackMeter m;
    m.Restart(c.total, 1000);
    auto shown = m.Step(c.n, 1000 + c.afterMs);
    if (!c.shown) {
      EXPECT_FALSE(shown.has_value());
    } else {
      EXPECT_EQ(shown.value_or("?"), c.shown);
    }
  }
  EXPECT_EQ(RemainingTimeText(200), "3min");
  EXPECT_EQ(RemainingTimeText(3700), "1h 2m");
  EXPECT_EQ(RemainingTimeText(25), "25sec");
  EXPECT_EQ(RemainingTimeText(0), "");
}

TEST(FeedbackMeter, RebasesAfterAMinute) {
  FeedbackMeter m;
  m.Restart(1000, 0);
  EXPECT_EQ(m.Step(10, 61000).value_or("?"), "1h 40m");  // 61 s for 10: slow start
  EXPECT_EQ(m.Base(), 10u);
  // The next estimate rests on the last minute alone: 90 items in 3 s.
  EXPECT_EQ(m.Step(100, 64000).value_or("?"), "30sec");
}

TEST(FeedbackMeter, SixtyFourBitArithmetic) {
  EXPECT_EQ(FeedbackPercent(50000000, 100000000), 50u);
  EXPECT_EQ(FeedbackPercent(1, 0), 100u);  // total 0 counts as 1
  EXPECT_EQ(FeedbackFillEdge(426, 20000000, 20000000), 425);
  EXPECT_EQ(FeedbackFillEdge(426, 0, 20000000), -1);
  EXPECT_EQ(FeedbackFillEdge(426, 4000000000ull, 4000000000ull), 425);
}

struct StopCounter {
  int stops = 0;
  int32_t Stop(std::intptr_t) { return ++stops; }
};

TEST(FeedbackDialog, StopStopsTheJobOnceAndOnlyStopCloses) {
  test::RecordingServices rec;
  LongJobs jobs([] {}, [] {});
  StopCounter counter;
  FeedbackService service({}, &jobs);
  ScopedServices installed([&] {
    Services s;
    s.progress = &service;
    return s;
  }());
  OpenFeedbackDefault();
  AddFeedbackLine("Sorting", 100);
  FeedBackDialog* dialog = service.Current();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->Heading().text(), "1. Sorting");
  EXPECT_EQ(dialog->size(), QSize(470, 200));
  EXPECT_TRUE(dialog->StopButton().hasFocus() || !dialog->isActiveWindow());

  QTest::keyClick(dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());
  dialog->close();
  EXPECT_TRUE(dialog->isVisible());

  jobs.BeginProcess("Sort");
  jobs.SetStopLink(CallbackLink::Bind<StopCounter, &StopCounter::Stop>(&counter));
  QTest::mouseClick(&dialog->StopButton(), Qt::LeftButton);
  EXPECT_EQ(counter.stops, 1);
  EXPECT_EQ(service.Current(), dialog);  // still current, stopped
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(IsFeedbackStopped());
  EXPECT_TRUE(PollFeedback());
  CloseFeedback();
  EXPECT_EQ(service.Current(), nullptr);
  EXPECT_TRUE(IsFeedbackStopped());  // until the next open or heading
  OpenFeedback(10, false);
  EXPECT_TRUE(IsFeedbackStopped());
  AddFeedbackLine("Next", 10);
  EXPECT_FALSE(IsFeedbackStopped());
  EXPECT_EQ(service.Current()->Heading().text(), "2. Next");
  jobs.EndProcess();
}

TEST(FeedbackDialog, TheBarAndTextsFollowTheCountOnTheFakeClock) {
  test::RecordingServices rec;
  rec.ticks = 5000;
  FeedbackService service({}, nullptr);
  service.OpenFeedback(0, false);
  FeedBackDialog* dialog = service.Current();
  service.AddLine("Copy", 100);
  rec.ticks += 3000;
  service.Step(10);
  EXPECT_EQ(dialog->Count().text(), "n=10");
  EXPECT_EQ(dialog->Percent().text(), "10%");
  EXPECT_EQ(dialog->Remaining().text(), "27sec");
  service.SetCount(7);
  EXPECT_EQ(dialog->Found().text(), "f=7");

  service.Step(40);
  const QRect bar = dialog->Bar().geometry();
  QImage image = dialog->grab().toImage();
  image.save(QString::fromUtf8(ZH_OUTPUT_DIR) + "/feedback_bar.png", "PNG");
  const int edge = static_cast<int>(FeedbackFillEdge(bar.width(), 40, 100));
  const QRgb running = NamedQColor(12).rgb();
  EXPECT_EQ(image.pixel(bar.left() + edge, bar.center().y()), running);
  EXPECT_NE(image.pixel(bar.left() + edge + 1, bar.center().y()), running);

  service.PollFeedback();
  image = dialog->grab().toImage();
  const QRgb finished = NamedQColor(2).rgb();
  EXPECT_EQ(image.pixel(bar.left(), bar.center().y()), finished);
  EXPECT_EQ(image.pixel(bar.right() - 1, bar.center().y()), finished);
  EXPECT_EQ(dialog->Percent().text(), "100%");

  // Total 0 counts as 1; a count past the total shows no estimate.
  service.AddLine("Zero", 0);
  service.Step(1);
  EXPECT_EQ(dialog->Percent().text(), "100%");
  // Counts past 42,949,672 items and bars of 20,000,000.
  service.AddLine("Big", 100000000);
  service.Step(50000000);
  EXPECT_EQ(dialog->Percent().text(), "50%");
  service.AddLine("Full", 20000000);
  service.Step(20000000);
  image = dialog->grab().toImage();
  EXPECT_EQ(image.pixel(bar.right() - 1, bar.center().y()), running);
  service.AddLine("Past", 10);
  rec.ticks += 4000;
  service.Step(20);
  EXPECT_EQ(dialog->Remaining().text(), "");
}

TEST(FeedbackDialog, IfEnabledOpensCentredOverTheDatabaseWindow) {
  test::RecordingServices rec;
  bool dbCurrent = true;
  FeedbackService service({nullptr, nullptr, [&] { return dbCurrent; }}, nullptr);
  ScopedServices installed([&] {
    Services s;
    s.progress = &service;
    return s;
  }());
  bool was = EnableFeedback(true);
  OpenFeedbackIfEnabled(10, 0);
  ASSERT_NE(service.Current(), nullptr);
  EXPECT_EQ(service.Current()->pos().y(), 20);
  EXPECT_EQ(service.Current()->Heading().text(), "");  // no numbered heading
  EXPECT_FALSE(CloseFeedbackIfEnabled());
  EnableFeedback(was);
}

}  // namespace
}  // namespace zh
