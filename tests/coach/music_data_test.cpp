// The music the build compiles: every piece is a Standard MIDI File that
// fluidsynth renders to an audible wave of 30 to 180 seconds (sox measures it),
// in the folders the music player looks in; a faulty piece fails the build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "coach/music_player.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMusic = ZH_DATA_DIR "/music";
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int rc = pclose(pipe);
  if (status) *status = rc;
  return out;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

struct Rendered {
  std::string piece;
  double seconds = 0;
  double rms = 0;
};

Rendered Render(const std::string& midi, const fs::path& dir) {
  Rendered r{midi};
  const std::string wav = (dir / (fs::path(midi).stem().string() + ".wav")).string();
  RunCommand(std::string(ZH_FLUIDSYNTH) + " -ni -q -o synth.dynamic-sample-loading=1 -F " + Quoted(wav) +
      " " + kSoundFont + " " + Quoted(midi) + " 2>&1");
  r.seconds = std::atof(RunCommand(std::string(ZH_SOX) + " --i -D " + Quoted(wav) + " 2>/dev/null").c_str());
  const std::string stat = RunCommand(std::string(ZH_SOX) + " " + Quoted(wav) + " -n stat 2>&1");
  const size_t at = stat.find("RMS     amplitude:");
  if (at != std::string::npos) r.rms = std::atof(stat.c_str() + at + 18);
  fs::remove(wav);
  return r;
}

TEST(GeneratedMusic, FoldersHoldThePiecesThePlayerLooksFor) {
  TalkItem list(kMaxMidiFiles, 0);
  MusicPlayer::ListMidiFiles(std::string(kMusic) + "/intros", list);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_TRUE(fs::is_regular_file(std::string(kMusic) + "/intros/guitars2.mid"));
  for (uint32_t r = 0; r < 10; ++r) {
    TalkItem pieces(kMaxMidiFiles, 0);
    MusicPlayer::ListMidiFiles(std::string(kMusic) + "/" + kComposerFolder + "/" + ComposerSubFolder(r),
                               pieces);
    EXPECT_GE(pieces.Count(), 2) << ComposerSubFolder(r);
  }
  TalkItem own(kMaxMidiFiles, 0);
  MusicPlayer::ListMidiFiles(kMusic, own);
  EXPECT_EQ(own.Count(), 4);
}

TEST(GeneratedMusic, EveryPieceRendersAudiblyForHalfAMinuteToThreeMinutes) {
  if (std::string(ZH_FLUIDSYNTH).empty() || std::string(ZH_SOX).empty() || !fs::exists(kSoundFont))
    GTEST_SKIP() << "fluidsynth, sox or the General MIDI soundfont is missing";
  const fs::path dir = fs::temp_directory_path() / ("zh_music_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::vector<std::string> pieces;
  for (const auto& entry : fs::recursive_directory_iterator(kMusic))
    if (entry.path().extension() == ".mid") pieces.push_back(entry.path().string());
  ASSERT_EQ(pieces.size(), 21u);
  // Three renderers at a time.
  std::vector<Rendered> results;
  for (size_t i = 0; i < pieces.size(); i += 3) {
    std::vector<std::future<Rendered>> batch;
    for (size_t j = i; j < std::min(i + 3, pieces.size()); ++j)
      batch.push_back(std::async(std::launch::async, Render, pieces[j], dir));
    for (auto& f : batch) results.push_back(f.get());
  }
  for (const Rendered& r : results) {
    SCOPED_TRACE(r.piece);
    EXPECT_GE(r.seconds, 30.0);
    EXPECT_LE(r.seconds, 180.0);
    // Silence measures 0; the quietest piece is above 0.01 at fluidsynth's gain.
    EXPECT_GT(r.rms, 0.005);
  }
  fs::remove_all(dir);
}

// A bar of the wrong length is only a warning to abc2midi, and fails the build.
TEST(GeneratedMusic, AFaultyPieceFailsItsCompilation) {
  const fs::path dir = fs::temp_directory_path() / ("zh_music_fault_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string tool = std::string(ZH_PYTHON3) + " " ZH_SOURCE_DIR "/tools/build_music.py " + ZH_ABC2MIDI;
  const std::string good = "X:1\nT:t\nM:4/4\nL:1/8\nK:C\nV:1\nCDEF GABc|c8|]\nV:2\nC,8|C,8|]\n";
  std::ofstream(dir / "good.abc") << good;
  std::ofstream(dir / "short_bar.abc") << "X:1\nT:t\nM:4/4\nL:1/8\nK:C\nV:1\nCDEF GAB|c8|]\nV:2\nC,8|C,8|]\n";
  std::ofstream(dir / "no_tune.abc") << "T:t\nM:4/4\nK:C\n";
  std::ofstream(dir / "one_voice.abc") << "X:1\nT:t\nM:4/4\nL:1/8\nK:C\nCDEF GABc|c8|]\n";
  const std::map<std::string, bool> cases = {
      {"good", true}, {"short_bar", false}, {"no_tune", false}, {"one_voice", false}};
  for (const auto& [name, builds] : cases) {
    SCOPED_TRACE(name);
    const std::string out = (dir / (name + ".mid")).string();
    int status = -1;
    RunCommand(tool + " " + Quoted((dir / (name + ".abc")).string()) + " " + Quoted(out) + " 2>&1", &status);
    EXPECT_EQ(status == 0, builds);
    EXPECT_EQ(fs::exists(out), builds);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zh
