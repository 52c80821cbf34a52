#include "coach/ui/qt_audio_sink.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QThread>

#include "coach/ui/sound_hooks.h"
#include "coach_ui/test_app.h"
#include "support/recording_services.h"

namespace zh {
namespace {

// Lets the event loop run for about `ms` milliseconds.
void Wait(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
}

QApplication& App() { return test::CoachTestApp(); }

TEST(QtAudioSink, PlaysAGeneratedFileToItsEnd) {
  App();
  if (QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "no audio output device";
  QtAudioSink sink;
  std::vector<std::pair<AudioHandle, bool>> reports;
  sink.SetFinishedHandler([&](AudioHandle h, bool ok) { reports.emplace_back(h, ok); });
  const AudioHandle handle = sink.Open(std::string(ZH_SOUNDS_DIR) + "/board/move.wav");
  ASSERT_NE(handle, 0);
  ASSERT_TRUE(sink.Start(handle));
  EXPECT_TRUE(reports.empty());
  QElapsedTimer timer;
  timer.start();
  while (reports.empty() && timer.elapsed() < 5000) Wait(20);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], std::make_pair(handle, true));
}

TEST(QtAudioSink, OpensNoMissingFileAndReportsAStopAsAborted) {
  App();
  if (QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "no audio output device";
  QtAudioSink sink;
  std::vector<std::pair<AudioHandle, bool>> reports;
  sink.SetFinishedHandler([&](AudioHandle h, bool ok) { reports.emplace_back(h, ok); });
  EXPECT_EQ(sink.Open("/nonexistent/none.wav"), 0);
  const AudioHandle handle = sink.Open(std::string(ZH_SOUNDS_DIR) + "/board/newgame.wav");
  ASSERT_TRUE(sink.Start(handle));
  sink.Stop(handle);
  EXPECT_TRUE(reports.empty());  // never inside the caller
  Wait(50);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], std::make_pair(handle, false));
}

TEST(SoundHooks, NoAudioDeviceGivesOneLogLineAndTheNullSink) {
  App();
  if (!QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "this machine has audio output";
  test::RecordingServices services;
  SoundHooks hooks;
  hooks.SetSoundOn(true);
  ASSERT_NE(dynamic_cast<NullAudioSink*>(hooks.Sink()), nullptr);
  EXPECT_EQ(services.CallsStartingWith("Log:").size(), 1u);
  EXPECT_TRUE(services.CallsStartingWith("ErrorBox").empty());
  hooks.SetSoundOn(false);
  EXPECT_EQ(services.CallsStartingWith("Log:").size(), 1u);
  EXPECT_FALSE(hooks.Effects()->on);
  hooks.ShutdownSound();
  EXPECT_EQ(hooks.Manager(), nullptr);
}

}  // namespace
}  // namespace zh
