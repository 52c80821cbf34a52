#include "coach/fluidsynth_player.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/message_ids.h"
#include "coach/music_player.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

fs::path TestFolder() {
  fs::path dir = fs::temp_directory_path() /
                 ("zh_fluid_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::create_directories(dir);
  return dir;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

// A header chunk (format, tracks, division) followed by raw bytes.
std::vector<uint8_t> Smf(int format, int tracks, int division, std::initializer_list<int> rest) {
  std::vector<uint8_t> b = Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, format, 0, tracks,
                                  division >> 8, division & 0xFF});
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

// An end-of-track event alone.
#define TRACK 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0

TEST(CheckMidiFile, AcceptsOnlyChunksThatFitTheData) {
  test::RecordingServices services;
  services.texts[msg::M_MIDI_NOT_SMF] = "not SMF";
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool sound;
  };
  const Case cases[] = {
      {"one track", Smf(0, 1, 96, {TRACK}), true},
      {"two tracks of type 1", Smf(1, 2, 480, {TRACK, TRACK}), true},
      {"empty", {}, false},
      {"header cut short", Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}), false},
      {"no header chunk", Bytes({'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, TRACK}), false},
      {"header longer than the file", Bytes({'M', 'T', 'h', 'd', 0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1, 0, 96}), false},
      {"header length under 6", Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 5, 0, 0, 0, 1, 0, 96, TRACK}), false},
      {"format 3", Smf(3, 1, 96, {TRACK}), false},
      {"no tracks", Smf(1, 0, 96, {}), false},
      {"division 0", Smf(0, 1, 0, {TRACK}), false},
      {"fewer tracks than named", Smf(1, 2, 96, {TRACK}), false},
      {"track longer than the file", Smf(0, 1, 96, {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xF0, 0}), false},
      {"track chunk misnamed", Smf(0, 1, 96, {'M', 'T', 'r', 'x', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<std::string> error = CheckMidiFile(c.bytes);
    EXPECT_EQ(!error, c.sound);
    if (error) {
      EXPECT_EQ(*error, "not SMF");
    }
  }
}

// Without its soundfont the synthesiser is not available, and the test piece says
// so once.
TEST(FluidSynthPlayer, WithoutTheSoundFontNothingIsAvailable) {
  test::RecordingServices services;
  services.texts[msg::M_NO_MIDI_SEQUENCER] = "No Midi sequencer installed";
  test::FakeTimers timers(services.ticks);
  const fs::path dir = TestFolder();
  FluidSynthOptions options;
  options.soundFont = (dir / "missing.sf2").string();
  options.driver = "file";
  options.fileName = (dir / "out.wav").string();
  FluidSynthPlayer midi(options);
  EXPECT_FALSE(midi.IsAvailable());
  EXPECT_TRUE(midi.Open(ZH_DATA_DIR "/music/intros/guitars2.mid").has_value());
  MusicPlayer player(midi, ZH_DATA_DIR "/music");
  EXPECT_FALSE(player.PlayIntro());
  EXPECT_EQ(services.CallsStartingWith("ErrorBox"),
            std::vector<std::string>{"ErrorBox: No Midi sequencer installed"});
  fs::remove_all(dir);
}

// Files that are not there or are no MIDI files give their error text and leave
// nothing open.
TEST(FluidSynthPlayer, OpenRefusesBadFiles) {
  if (!fs::exists(kSoundFont)) GTEST_SKIP() << "no General MIDI soundfont";
  test::RecordingServices services;
  services.texts = {{msg::M_MIDI_CANNOT_READ, "cannot read"},
                    {msg::M_MIDI_NOT_SMF, "not SMF"},
                    {msg::M_MIDI_NOTHING_OPEN, "nothing open"}};
  test::FakeTimers timers(services.ticks);
  const fs::path dir = TestFolder();
  std::ofstream(dir / "text.mid") << "not a MIDI file";
  fs::create_directories(dir / "folder.mid");
  FluidSynthOptions options;
  options.driver = "file";
  options.fileName = (dir / "out.wav").string();
  FluidSynthPlayer midi(options);
  EXPECT_EQ(midi.Open((dir / "missing.mid").string()), "cannot read");
  EXPECT_EQ(midi.Open((dir / "folder.mid").string()), "cannot read");
  EXPECT_EQ(midi.Open((dir / "text.mid").string()), "not SMF");
  EXPECT_EQ(midi.Play([](bool) {}), "nothing open");
  EXPECT_FALSE(midi.IsPlaying());
  fs::remove_all(dir);
}

// The intro plays through fluidsynth's file writer (no audio server needed) at its
// own pace; its end is seen by the polling timer and reported as a success.
TEST(FluidSynthPlayer, PlaysTheIntroToAWaveFileAndReportsItsEnd) {
  if (!fs::exists(kSoundFont)) GTEST_SKIP() << "no General MIDI soundfont";
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  const fs::path dir = TestFolder();
  FluidSynthOptions options;
  options.driver = "file";
  options.fileName = (dir / "intro.wav").string();
  FluidSynthPlayer midi(options);
  ASSERT_TRUE(midi.IsAvailable());
  ASSERT_EQ(midi.Open(ZH_DATA_DIR "/music/intros/guitars2.mid"), std::nullopt);
  std::vector<bool> ends;
  ASSERT_EQ(midi.Play([&](bool ok) { ends.push_back(ok); }), std::nullopt);
  EXPECT_TRUE(midi.IsPlaying());
  const auto start = std::chrono::steady_clock::now();
  while (ends.empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(300)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    timers.Advance(100);
  }
  EXPECT_EQ(ends, std::vector<bool>{true});
  EXPECT_FALSE(midi.IsPlaying());
  midi.Close();
  // The wave file holds the piece: 44.1 kHz stereo 16-bit for about as long as it lasts.
  const auto seconds = static_cast<double>(fs::file_size(dir / "intro.wav")) / (44100 * 4);
  EXPECT_GT(seconds, 25.0);
  EXPECT_LT(seconds, 185.0);
  fs::remove_all(dir);
}

// Stopping and closing a playing file report an abort, once.
TEST(FluidSynthPlayer, StopReportsAnAbort) {
  if (!fs::exists(kSoundFont)) GTEST_SKIP() << "no General MIDI soundfont";
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  const fs::path dir = TestFolder();
  FluidSynthOptions options;
  options.driver = "file";
  options.fileName = (dir / "cut.wav").string();
  FluidSynthPlayer midi(options);
  std::vector<bool> ends;
  ASSERT_EQ(midi.Open(ZH_DATA_DIR "/music/intros/guitars2.mid"), std::nullopt);
  ASSERT_EQ(midi.Play([&](bool ok) { ends.push_back(ok); }), std::nullopt);
  timers.Advance(300);
  midi.Stop();
  midi.Close();
  EXPECT_EQ(ends, std::vector<bool>{false});
  EXPECT_EQ(timers.ActiveCount(), 0);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zh
