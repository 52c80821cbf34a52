#include "coach/music_player.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>

#include "app/message_ids.h"
#include "app/shell_hooks.h"
#include "coach/fake_midi_player.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

class ScriptedRandom final : public RandomService {
 public:
  std::deque<uint32_t> values;
  int drawn = 0;
  uint32_t Next() override {
    ++drawn;
    if (values.empty()) return 0;
    const uint32_t v = values.front();
    values.pop_front();
    return v;
  }
};

class MessageLine final : public GameWindowHost {
 public:
  std::vector<std::string> lines;
  void ShowMessageLine(std::string_view text) override { lines.emplace_back(text); }
};

// A music folder with two pieces in each of the composer's sub-folders (one written
// in lower case), three intros and four pieces of its own.
class MusicPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("zh_music_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    music_ = root_ / "music";
    for (const char* sub : {"toccatas", "partitas", "french", "english", "mix", "organ", "cantatas"})
      for (const char* piece : {"a", "b"}) Touch(music_ / "Bach" / sub / (std::string(piece) + "_" + sub + ".mid"));
    for (const char* intro : {"guitars3.mid", "guitars1.mid", "guitars2.mid"}) Touch(music_ / "intros" / intro);
    for (const char* piece : {"w.mid", "x.mid", "y.mid", "z.mid"}) Touch(music_ / piece);
    services_.texts = {{msg::M_NO_MIDI_SEQUENCER, "No Midi sequencer installed"},
                       {msg::M_MIDI_OPEN_ERROR, "Open error"},
                       {msg::M_MIDI_PLAY_ERROR, "Play error"},
                       {msg::M_MUSIC_LABEL, "Music:"}};
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "MThd";
  }
  std::vector<std::string> Boxes() const { return services_.CallsStartingWith("ErrorBox"); }

  fs::path root_, music_;
  test::RecordingServices services_;
  test::FakeTimers timers_{services_.ticks};
  ScriptedRandom random_;
  ScopedServices randomInstalled_{[this] {
    Services s;
    s.random = &random_;
    return s;
  }()};
  MessageLine line_;
  ScopedHooks hooksInstalled_{[this] {
    ShellHooks h;
    h.gameHost = &line_;
    return h;
  }()};
  test::FakeMidiPlayer midi_;
};

// The sub-folder follows the random number mod 10 as the table says; the piece is
// the second draw mod the folder's count, and its name goes to the message line.
TEST_F(MusicPlayerTest, PollChoosesTheSubFolderByTheTable) {
  const std::pair<uint32_t, const char*> table[] = {
      {0, "toccatas"}, {1, "partitas"}, {2, "french"}, {3, "english"}, {4, "mix"},
      {5, "mix"},      {6, "organ"},    {7, "organ"},  {8, "cantatas"}, {9, "cantatas"},
      {13, "english"}, {4294967295u, "mix"}};
  for (const auto& [r, sub] : table) {
    SCOPED_TRACE(r);
    MusicPlayer player(midi_, music_.string());
    midi_.opened.clear();
    line_.lines.clear();
    random_.values = {r, 3};
    EXPECT_EQ(player.Poll(), 1);
    EXPECT_EQ(midi_.opened, std::vector<std::string>{std::string("b_") + sub + ".mid"});
    EXPECT_EQ(line_.lines, std::vector<std::string>{std::string("Music: b_") + sub});
    EXPECT_TRUE(player.AutoNext());
    EXPECT_TRUE(Boxes().empty());
  }
}

// A piece that plays keeps playing; its successful end starts the next one 10 ms
// later, once; an aborted end starts nothing.
TEST_F(MusicPlayerTest, RotationFollowsOnlyASuccessfulEnd) {
  MusicPlayer player(midi_, music_.string());
  random_.values = {0, 0};
  ASSERT_EQ(player.Poll(), 1);
  EXPECT_EQ(player.Poll(), 0);
  EXPECT_EQ(random_.drawn, 2);
  EXPECT_EQ(midi_.opened.size(), 1u);

  random_.values = {1, 1};
  midi_.End(true);
  timers_.Advance(9);
  EXPECT_EQ(midi_.opened.size(), 1u);
  timers_.Advance(1);
  EXPECT_EQ(midi_.opened, (std::vector<std::string>{"a_toccatas.mid", "b_partitas.mid"}));
  timers_.Advance(1000);
  EXPECT_EQ(midi_.opened.size(), 2u);

  midi_.End(false);
  timers_.Advance(1000);
  EXPECT_EQ(midi_.opened.size(), 2u);
  EXPECT_EQ(timers_.ActiveCount(), 0);
}

// Each of these leaves the rotation: the end of what plays then starts nothing.
TEST_F(MusicPlayerTest, DirectPlaysAndCloseAllEndTheRotation) {
  const std::pair<const char*, void (*)(MusicPlayer&)> actions[] = {
      {"CloseAll", [](MusicPlayer& p) { p.CloseAll(); }},
      {"PlayIntro", [](MusicPlayer& p) { p.PlayIntro(); }},
      {"PlayRandomIntro", [](MusicPlayer& p) { p.PlayRandomIntro(); }},
      {"PlayRandomPiece", [](MusicPlayer& p) { p.PlayRandomPiece(); }},
  };
  for (const auto& [name, action] : actions) {
    SCOPED_TRACE(name);
    MusicPlayer player(midi_, music_.string());
    random_.values = {0, 0};
    ASSERT_EQ(player.Poll(), 1);
    ASSERT_TRUE(player.AutoNext());
    action(player);
    EXPECT_FALSE(player.AutoNext());
    const size_t opened = midi_.opened.size();
    midi_.End(true);
    timers_.Advance(100);
    EXPECT_EQ(midi_.opened.size(), opened);
  }
}

// CloseAll between a piece's end and the next step cancels the step.
TEST_F(MusicPlayerTest, CloseAllClosesThePieceAndCancelsAPendingStep) {
  MusicPlayer player(midi_, music_.string());
  random_.values = {0, 0};
  ASSERT_EQ(player.Poll(), 1);
  midi_.End(true);
  player.CloseAll();
  timers_.Advance(100);
  EXPECT_EQ(midi_.opened.size(), 1u);
  EXPECT_FALSE(midi_.IsPlaying());
}

TEST_F(MusicPlayerTest, RandomIntroTakesTheMinuteModTheCount) {
  std::tm local{};
  local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 11, local.tm_hour = 15, local.tm_min = 7;
  local.tm_isdst = -1;
  services_.wallTime = static_cast<int64_t>(std::mktime(&local));
  MusicPlayer player(midi_, music_.string());
  player.PlayRandomIntro();
  EXPECT_EQ(midi_.opened, std::vector<std::string>{"guitars2.mid"});
  EXPECT_EQ(random_.drawn, 0);

  random_.values = {6};
  player.PlayRandomPiece();  // 6 mod 4: the third of w, x, y, z
  EXPECT_EQ(midi_.opened.back(), "y.mid");
  EXPECT_TRUE(line_.lines.empty());
}

// Only files ending in .mid in any case count, sorted by name, at most 100.
TEST_F(MusicPlayerTest, ListMidiFilesTakesMidFilesUpToTheCapacity) {
  const fs::path folder = root_ / "many";
  for (int i = 0; i < 105; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%03d.%s", i, i % 2 ? "MID" : "mid");
    Touch(folder / name);
  }
  Touch(folder / "notes.txt");
  Touch(folder / "p000.midi");
  fs::create_directories(folder / "a_folder.mid");
  TalkItem list(kMaxMidiFiles, 0);
  MusicPlayer::ListMidiFiles(folder.string(), list);
  ASSERT_EQ(list.Count(), 100);
  EXPECT_EQ(list.At(0), (folder / "p000.mid").string());
  EXPECT_EQ(list.At(1), (folder / "p001.MID").string());
  EXPECT_EQ(list.At(99), (folder / "p099.MID").string());

  TalkItem none(kMaxMidiFiles, 0);
  MusicPlayer::ListMidiFiles((root_ / "missing").string(), none);
  EXPECT_EQ(none.Count(), 0);
}

// Folders without a piece leave everything silent and draw no index: no division
// by a count of zero.
TEST_F(MusicPlayerTest, EmptyFoldersPlayNothing) {
  fs::remove_all(music_);
  fs::create_directories(music_ / "intros");
  fs::create_directories(music_ / "Bach" / "toccatas");
  MusicPlayer player(midi_, music_.string());
  player.PlayRandomIntro();
  player.PlayRandomPiece();
  random_.values = {0};
  EXPECT_EQ(player.Poll(), 0);
  EXPECT_TRUE(player.AutoNext());
  EXPECT_EQ(random_.drawn, 1);
  EXPECT_TRUE(midi_.opened.empty());
  EXPECT_TRUE(line_.lines.empty());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(player.HasMusicFolder());
  EXPECT_TRUE(player.HasComposerFolder());
  fs::remove_all(music_ / "Bach");
  EXPECT_FALSE(player.HasComposerFolder());
}

TEST_F(MusicPlayerTest, WithoutASynthesiserOnlyTheIntroSpeaks) {
  midi_.available = false;
  MusicPlayer player(midi_, music_.string());
  EXPECT_FALSE(player.PlayIntro());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ErrorBox: No Midi sequencer installed"});
  player.PlayRandomIntro();
  player.PlayRandomPiece();
  EXPECT_EQ(player.Poll(), 0);
  player.CloseAll();
  EXPECT_TRUE(midi_.opened.empty());
  EXPECT_TRUE(line_.lines.empty());
  EXPECT_EQ(Boxes().size(), 1u);
}

// Open and play errors reach a box only where errors are shown: the test piece.
TEST_F(MusicPlayerTest, ErrorsAreShownOnlyForTheTestPiece) {
  midi_.openErrors["guitars2.mid"] = "The file is not a Standard MIDI file";
  MusicPlayer player(midi_, music_.string());
  EXPECT_TRUE(player.PlayIntro());
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "ErrorBox: Open error\nThe file is not a Standard MIDI file"});
  EXPECT_FALSE(player.PlayFile((music_ / "intros" / "guitars2.mid").string(), false));
  midi_.openErrors.clear();
  midi_.playError = "busy";
  EXPECT_FALSE(player.PlayFile((music_ / "x.mid").string(), true));
  EXPECT_EQ(Boxes().back(), "ErrorBox: Play error\nbusy");
  random_.values = {0, 0};
  player.Poll();
  EXPECT_EQ(Boxes().size(), 2u);
}

}  // namespace
}  // namespace zh
