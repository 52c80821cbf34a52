#include "coach/sound_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "coach/recording_audio_sink.h"
#include "support/queued_poster.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
using test::RecordingAudioSink;

// Wave files that exist (their content does not matter to the queue).
class SoundManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zh_sound_manager_" + std::to_string(getpid()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string File(const std::string& name) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path) << "RIFF";
    return path;
  }
  TalkItem Item(std::initializer_list<std::string> paths, uint16_t flags) {
    TalkItem item(10, flags);
    for (const std::string& p : paths) item.Add(p);
    return item;
  }
  std::vector<std::string> Started() const { return sink_.started; }
  size_t ErrorBoxes() const { return services_.CallsStartingWith("ErrorBox").size(); }

  fs::path dir_;
  test::RecordingServices services_;
  RecordingAudioSink sink_;
  SoundManager manager_{sink_};
};

// The queue rule: which items replace the queue and which join it.
TEST_F(SoundManagerTest, QueueRules) {
  struct Case {
    const char* what;
    uint16_t first;   // flags of the item playing
    uint16_t second;  // flags of the item queued while it plays
    bool appended;    // the second item plays after the first one's files
  };
  const Case cases[] = {
      {"append behind an open queue", 4, 16, true},
      {"bit 0 interrupts an open queue", 4, 16 | 1, false},
      {"bit 1 interrupts an open queue", 4, 16 | 2, false},
      {"an open queue takes an item without flags", 4, 0, true},
      {"an append item joins a queue that is not open", 0, 16, true},
      {"neither open nor append replaces", 0, 0, false},
      {"bit 0 replaces a queue that is not open", 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingAudioSink sink;
    SoundManager manager(sink);
    const std::string a = File("a.wav"), b = File("b.wav"), x = File("x.wav");
    manager.QueueTalk(Item({a, b}, c.first));
    ASSERT_EQ(sink.started, std::vector<std::string>{a});
    manager.QueueTalk(Item({x}, c.second));
    sink.FinishAll();
    if (c.appended)
      EXPECT_EQ(sink.started, (std::vector<std::string>{a, b, x}));
    else
      EXPECT_EQ(sink.started, (std::vector<std::string>{a, x}));
    EXPECT_EQ(manager.DeviceId(), 0);
    EXPECT_FALSE(manager.Playing());
  }
}

TEST_F(SoundManagerTest, OneFileWhileIdleStartsAtOnceWithoutLoweringPriority) {
  const std::string a = File("a.wav");
  manager_.QueueTalk(Item({a}, 0));
  EXPECT_EQ(Started(), std::vector<std::string>{a});
  EXPECT_TRUE(manager_.Playing());
  EXPECT_FALSE(manager_.PriorityLowered());
  sink_.Finish();
  EXPECT_EQ(manager_.DeviceId(), 0);

  // Two files lower it until the queue ends, and stop a board sound.
  manager_.QueueTalk(Item({a, a}, 0));
  EXPECT_TRUE(manager_.PriorityLowered());
  EXPECT_EQ(sink_.calls[sink_.calls.size() - 3], "StopEffect");
  sink_.FinishAll();
  EXPECT_FALSE(manager_.PriorityLowered());
}

TEST_F(SoundManagerTest, AppendWhileIdleStartsTheAppendedFiles) {
  const std::string a = File("a.wav"), b = File("b.wav");
  manager_.QueueTalk(Item({a}, 4));
  sink_.FinishAll();
  // The ended queue was emptied, but it keeps its flags: bit 4 appends and starts.
  manager_.QueueTalk(Item({b}, 16));
  EXPECT_EQ(Started(), (std::vector<std::string>{a, b}));
  EXPECT_TRUE(manager_.Playing());
}

TEST_F(SoundManagerTest, MissingFileShowsOneBoxAndEndsTheQueue) {
  const std::string a = File("a.wav"), c = File("c.wav");
  const std::string missing = (dir_ / "missing.wav").string();
  manager_.QueueTalk(Item({a, missing, c}, 4));
  sink_.Finish();
  const auto boxes = services_.CallsStartingWith("ErrorBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("ErrorBox: Sound: " + missing + "\ndoesn't exist\n", 0), 0u) << boxes[0];
  // The source path and the line follow on lines of their own.
  EXPECT_NE(boxes[0].find("\ncoach/sound_manager\n"), std::string::npos);
  EXPECT_EQ(Started(), std::vector<std::string>{a});
  EXPECT_EQ(manager_.DeviceId(), 0);
  EXPECT_EQ(manager_.Queue()->Count(), 0);
  sink_.FinishAll();
  EXPECT_EQ(ErrorBoxes(), 1u);
}

TEST_F(SoundManagerTest, AbortedCompletionClosesAndEmptiesTheQueue) {
  const std::string a = File("a.wav"), b = File("b.wav");
  manager_.QueueTalk(Item({a, b}, 4));
  const AudioHandle handle = sink_.Current();
  sink_.Finish(false);
  EXPECT_EQ(manager_.DeviceId(), 0);
  EXPECT_EQ(manager_.Queue()->Count(), 0);
  EXPECT_FALSE(manager_.PriorityLowered());
  EXPECT_EQ(sink_.calls.back(), "Close " + std::to_string(handle));
  EXPECT_EQ(Started(), std::vector<std::string>{a});
}

TEST_F(SoundManagerTest, CompletionOfAClosedHandleChangesNothing) {
  const std::string a = File("a.wav"), b = File("b.wav"), c = File("c.wav");
  manager_.QueueTalk(Item({a, b}, 4));
  const AudioHandle first = sink_.Current();
  manager_.QueueTalk(Item({c}, 1));  // replaces; the first handle is closed
  const AudioHandle current = sink_.Current();
  ASSERT_NE(first, current);
  const size_t calls = sink_.calls.size();
  sink_.Finish(true, first);
  sink_.Finish(false, first);
  EXPECT_EQ(sink_.calls.size(), calls);
  EXPECT_EQ(manager_.DeviceId(), current);
  EXPECT_TRUE(manager_.Playing());
}

TEST_F(SoundManagerTest, PlayFlagsAreActedOnAfterTheClose) {
  struct Owner {
    int calls = 0;
    int32_t Tell(std::intptr_t) { return ++calls; }
  };
  const std::string a = File("a.wav"), b = File("b.wav");
  {
    SCOPED_TRACE("flags 3: close, then tell the owner once");
    Owner owner;
    manager_.onFinished = CallbackLink::Bind<Owner, &Owner::Tell>(&owner);
    manager_.PlayWave(a, kPlayCloseAfter | kPlayTellOwner);
    sink_.Finish();
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(manager_.DeviceId(), 0);
    sink_.Finish(true, 1);
    EXPECT_EQ(owner.calls, 1);
  }
  {
    SCOPED_TRACE("flags 5: close, then play the next queued file");
    manager_.QueueTalk(Item({a, b}, 4));
    manager_.PlayWave(a, kPlayCloseAfter | kPlayNextQueued);
    sink_.calls.clear();
    sink_.Finish();
    // Close empties the queue, so the next step finds it at its end.
    EXPECT_EQ(manager_.DeviceId(), 0);
    EXPECT_EQ(sink_.calls.size(), 1u);
  }
}

TEST_F(SoundManagerTest, StartFailureAndOpenFailureEndTheQueueSilently) {
  const std::string a = File("a.wav");
  sink_.startFails = true;
  manager_.QueueTalk(Item({a, a}, 4));
  EXPECT_EQ(manager_.DeviceId(), 0);
  EXPECT_EQ(manager_.Queue()->Count(), 0);
  EXPECT_EQ(ErrorBoxes(), 0u);
  sink_.startFails = false;
  // A folder where the file should be: it exists but cannot be opened as a file.
  const std::string folder = (dir_ / "folder.wav").string();
  fs::create_directory(folder);
  manager_.PlayWave(folder, kPlayCloseAfter);
  EXPECT_EQ(manager_.DeviceId(), 0);
}

TEST_F(SoundManagerTest, StopReportsAbortAndStopIfPlayingAnswersWhetherItWas) {
  const std::string a = File("a.wav");
  EXPECT_FALSE(manager_.StopIfPlaying());
  manager_.QueueTalk(Item({a, a}, 4));
  EXPECT_TRUE(manager_.StopIfPlaying());
  EXPECT_EQ(sink_.calls[sink_.calls.size() - 2], "Stop " + std::to_string(sink_.Current()));
  sink_.Finish(false);
  EXPECT_EQ(manager_.DeviceId(), 0);
  EXPECT_EQ(manager_.Queue()->Count(), 0);
}

// The shell's pump: each round the clock moves on; the sink may confirm the stop.
class PumpingApp final : public AppService {
 public:
  explicit PumpingApp(std::function<void()> round) : round_(std::move(round)) {}
  void SetWaitCursor(bool) override {}
  void Reschedule() override {
    ++rounds;
    round_();
  }
  bool IsInputPending() override { return false; }
  bool BeginProcess(std::string_view) override { return true; }
  void EndProcess() override {}
  bool ProcessShouldStop() override { return false; }
  int rounds = 0;

 private:
  std::function<void()> round_;
};

TEST_F(SoundManagerTest, ShutdownWaitsForTheStopAtMostThreeSeconds) {
  const std::string a = File("a.wav");
  {
    SCOPED_TRACE("the sink confirms on the third round");
    RecordingAudioSink sink;
    SoundManager manager(sink);
    manager.QueueTalk(Item({a}, 0));
    PumpingApp app([&] {
      services_.ticks += 10;
      if (app.rounds == 3) sink.Finish(false);
    });
    ScopedServices installed(Services{.app = &app});
    const uint64_t start = services_.ticks;
    manager.Shutdown();
    EXPECT_EQ(app.rounds, 3);
    EXPECT_EQ(services_.ticks - start, 30u);
    EXPECT_EQ(manager.Queue(), nullptr);
  }
  {
    SCOPED_TRACE("the sink never confirms");
    RecordingAudioSink sink;
    SoundManager manager(sink);
    manager.QueueTalk(Item({a}, 0));
    PumpingApp app([&] { services_.ticks += 7; });
    ScopedServices installed(Services{.app = &app});
    const uint64_t start = services_.ticks;
    manager.Shutdown();
    EXPECT_GE(services_.ticks - start, SoundManager::kShutdownWaitMs);
    EXPECT_LT(services_.ticks - start, SoundManager::kShutdownWaitMs + 7);
    EXPECT_EQ(manager.DeviceId(), 0);
    EXPECT_EQ(sink.calls.back(), "StopEffect");
  }
  {
    SCOPED_TRACE("nothing open: no wait");
    RecordingAudioSink sink;
    SoundManager manager(sink);
    PumpingApp app([&] {});
    ScopedServices installed(Services{.app = &app});
    manager.Shutdown();
    EXPECT_EQ(app.rounds, 0);
  }
}

TEST_F(SoundManagerTest, NullSinkRunsAQueueToItsEndThroughThePoster) {
  test::QueuedPoster poster;
  NullAudioSink sink;
  SoundManager manager(sink);
  const std::string a = File("a.wav"), b = File("b.wav");
  manager.QueueTalk(Item({a, b}, 4));
  // Nothing finishes inside Start.
  EXPECT_TRUE(manager.Playing());
  EXPECT_EQ(poster.Drain(), 2);
  EXPECT_EQ(manager.DeviceId(), 0);
  EXPECT_EQ(sink.Open((dir_ / "none.wav").string()), 0);
  EXPECT_EQ(ErrorBoxes(), 0u);
}

TEST_F(SoundManagerTest, NullSinkWithAPosterThatRunsAtOnceStillEndsTheQueue) {
  // Without a shell the poster runs each call on the caller, inside Start.
  NullAudioSink sink;
  SoundManager manager(sink);
  const std::string a = File("a.wav"), b = File("b.wav"), c = File("c.wav");
  manager.QueueTalk(Item({a, b, c}, 4));
  EXPECT_EQ(manager.DeviceId(), 0);
  EXPECT_FALSE(manager.Playing());
  EXPECT_EQ(manager.Queue()->Count(), 0);
}

}  // namespace
}  // namespace zh
