// The program started in-process on a machine without audio output: the sound
// services are made at their start-up stage on the null sink and shut down at exit.
#include <gtest/gtest.h>

#include <fstream>

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/message_ids.h"
#include "app/shell_hooks.h"
#include "app/temp_folder.h"
#include "app/ui/work_window_frame.h"
#include "app/ui/zelko_app.h"
#include "coach/ui/sound_hooks.h"
#include "core/services.h"
#include "coach_ui/test_app.h"

namespace zh {
namespace {

class Boxes final : public MessageBoxService {
 public:
  std::vector<std::string> shown;
  void ErrorBox(std::string_view text) override { shown.emplace_back(text); }
  void WarningBox(std::string_view text) override { shown.emplace_back(text); }
  bool AskOkCancel(std::string_view text) override { return shown.emplace_back(text), false; }
  bool AskYesNo(std::string_view text) override { return shown.emplace_back(text), false; }
};

class Log final : public StatusService {
 public:
  std::vector<std::string> lines;
  void ShowStatus(std::string_view) override {}
  void LogLine(std::string_view text) override { lines.emplace_back(text); }
  void DumpText(std::string_view) override {}
};

class Clock final : public ClockService {
 public:
  uint64_t ticks = 1000;
  uint64_t TicksMs() override { return ticks; }
  int64_t WallTime() override { return 0; }
};

TEST(ProgramSound, StartsAndEndsWithoutAudioDevice) {
  test::CoachTestApp();
  if (!QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "this machine has audio output";

  test::TempFolder user;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string oldConfig = old ? old : "";
  setenv("XDG_CONFIG_HOME", user.path().c_str(), 1);

  Log log;
  ScopedServices logged(Services{.status = &log});
  Boxes boxes;
  Clock clock;
  SoundHooks sound;
  ScopedHooks hooks(ShellHooks{.coach = &sound});
  bool madeAtStart = false, soundOn = false, boardFound = false, musicFound = false;
  AppStartOptions options;
  options.screenSize = QSize(1024, 768);
  options.colourCount = 0;
  options.physicalMemoryKb = 524288;
  options.logon = [] { return false; };  // the first start's user dialog, cancelled
  // No default opening book, and no engine module: the one box says so.
  options.defaultBook = "";
  options.enginesFolder = "/nonexistent/Engines";
  options.boxes = &boxes;
  options.clock = &clock;
  options.pump = [&] { clock.ticks += 100; };
  std::unique_ptr<ZelkoApp> app;
  options.runEventLoop = [&] {
    madeAtStart = sound.Manager() != nullptr && dynamic_cast<NullAudioSink*>(sound.Sink());
    soundOn = sound.Effects() && sound.Effects()->on;
    // The sounds are found in the program's data folder.
    boardFound = sound.Effects() &&
                 std::filesystem::is_regular_file(sound.Effects()->BoardFolder() + "/tick.wav");
    // The music player looks into the program's music folder.
    musicFound = sound.Music() && sound.Music()->HasMusicFolder() && sound.Music()->HasComposerFolder();
    return app->Frame()->close() ? 0 : 1;
  };
  app = std::make_unique<ZelkoApp>(options);
  EXPECT_EQ(app->Main({QString(ZH_DATA_DIR "/../ZelkoHome")}), 0);
  app.reset();
  // The running program writes its technical lines into protocol.txt of the user folder.
  std::ifstream protocol(std::filesystem::path(user.path()) / "zelkohome" / "protocol.txt");
  for (std::string line; std::getline(protocol, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    log.lines.push_back(line);
  }
  if (old)
    setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");

  EXPECT_TRUE(madeAtStart);
  EXPECT_TRUE(soundOn);
  EXPECT_TRUE(boardFound);
  EXPECT_TRUE(musicFound);
  EXPECT_EQ(sound.Manager(), nullptr);  // shut down at exit
  EXPECT_EQ(sound.Music(), nullptr);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{"No engine found"});
  EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(),
                       "No audio output device: sounds and spoken moves are silent"),
            1);
}

}  // namespace
}  // namespace zh
