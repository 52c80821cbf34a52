// The sounds made at build time: board sounds from our generator and the spoken
// move fragments, checked with sox as the independent reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "coach/recording_audio_sink.h"
#include "coach/sound_effects.h"
#include "core/rules/board.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

SoundSetup Folders(const std::string& sounds) {
  SoundSetup folders;
  folders.soundsFolder = sounds;
  return folders;
}

const std::string kSounds = ZH_SOUNDS_DIR;
const char* const kLanguages[] = {"English", "Deutsch", "Francais", "Espanol",
                                  "Italiano", "Nederlnd", "Slovenia"};
const char* const kBoardSounds[] = {"newgame",  "move",     "move2",    "move3",  "move4",
                                    "movehit1", "movehit2", "movehit3", "capture", "capture2",
                                    "capture3", "caphit1",  "caphit2",  "caphit3", "tick"};

// The standard output of a command; empty with `ok` false when it failed.
std::string RunCommand(const std::string& command, bool& ok) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return ok = false, out;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  ok = pclose(pipe) == 0;
  return out;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

double SoxDuration(const std::string& path) {
  bool ok = false;
  const std::string out = RunCommand(std::string(ZH_SOX) + " --i -D " + Quoted(path), ok);
  EXPECT_TRUE(ok) << path << ": " << out;
  return ok ? std::stod(out) : 0.0;
}

// A value of `sox <file> -n stat`, by its label.
double SoxStat(const std::string& statOutput, const std::string& label) {
  const size_t at = statOutput.find(label);
  if (at == std::string::npos) return -1;
  return std::stod(statOutput.substr(statOutput.find(':', at) + 1));
}

void RequireSox() {
  if (std::string(ZH_SOX).empty()) GTEST_SKIP() << "sox not installed";
}
void RequireSpokenNotation() {
  if (!ZH_HAVE_SPOKEN_NOTATION) GTEST_SKIP() << "espeak-ng was missing at build time";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BoardSounds, ExistAreValidWavesAndAreMadeTheSameOnEveryRun) {
  RequireSox();
  for (const char* name : kBoardSounds) {
    SCOPED_TRACE(name);
    const std::string path = kSounds + "/board/" + name + ".wav";
    bool ok = false;
    const std::string info = RunCommand(std::string(ZH_SOX) + " --i " + Quoted(path), ok);
    EXPECT_TRUE(ok) << info;
    EXPECT_NE(info.find("Sample Rate    : 22050"), std::string::npos) << info;
    EXPECT_NE(info.find("Channels       : 1"), std::string::npos) << info;
    EXPECT_NE(info.find("16-bit Signed Integer PCM"), std::string::npos) << info;
  }
  const fs::path dir = fs::temp_directory_path() / ("zh_board_sounds_again_" + std::to_string(getpid()));
  fs::remove_all(dir);
  bool ok = false;
  for (const char* run : {"one", "two"}) {
    RunCommand(std::string("ASAN_OPTIONS=detect_leaks=0 ") + ZH_BOARD_SOUND_GENERATOR + " " +
            Quoted((dir / run).string()),
        ok);
    ASSERT_TRUE(ok);
  }
  for (const char* name : kBoardSounds) {
    SCOPED_TRACE(name);
    const std::string file = std::string(name) + ".wav";
    const std::string one = ReadAll(dir / "one" / file);
    EXPECT_FALSE(one.empty());
    EXPECT_EQ(one, ReadAll(dir / "two" / file));
    EXPECT_EQ(one, ReadAll(fs::path(kSounds) / "board" / file));
  }
  fs::remove_all(dir);
}

TEST(BoardSounds, GeneratorFailsWhereAFolderBlocksAFile) {
  const fs::path dir = fs::temp_directory_path() / ("zh_board_sounds_blocked_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "tick.wav");
  bool ok = true;
  const std::string out = RunCommand(std::string("ASAN_OPTIONS=detect_leaks=0 ") +
                                  ZH_BOARD_SOUND_GENERATOR + " " + Quoted(dir.string()),
                              ok);
  EXPECT_FALSE(ok);
  EXPECT_NE(out.find("cannot write"), std::string::npos) << out;
  fs::remove_all(dir);
}

// The RMS amplitude of 16-bit samples, full scale 1 (as sox reports it).
double Rms(const std::string& samples) {
  double sum = 0;
  const size_t n = samples.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    const auto lo = static_cast<uint8_t>(samples[2 * i]);
    const auto hi = static_cast<uint8_t>(samples[2 * i + 1]);
    const double v = static_cast<int16_t>(lo | hi << 8) / 32768.0;
    sum += v * v;
  }
  return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

// Every fragment of every language: mono 16-bit PCM, longer than 0.2 s, not silent.
// sox gives every duration; our RMS is checked against sox's on a few files.
TEST(SpokenFragments, AreMonoPcmLongEnoughAndNotSilent) {
  RequireSox();
  RequireSpokenNotation();
  constexpr double kRmsFloor = 0.01;
  for (const char* language : kLanguages) {
    SCOPED_TRACE(language);
    const fs::path folder = fs::path(kSounds) / language / "notation";
    std::vector<std::string> paths;
    for (const auto& entry : fs::directory_iterator(folder)) paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths.size(), 137u);
    std::string command = std::string(ZH_SOX) + " --i -D";
    for (const std::string& path : paths) command += " " + Quoted(path);
    bool ok = false;
    std::istringstream durations(RunCommand(command, ok));
    ASSERT_TRUE(ok);
    for (size_t i = 0; i < paths.size(); ++i) {
      const std::string& path = paths[i];
      SCOPED_TRACE(path);
      double seconds = 0;
      ASSERT_TRUE(durations >> seconds);
      EXPECT_GT(seconds, 0.2);
      test::WaveData wave;
      std::string error;
      ASSERT_TRUE(test::ReadWave(path, wave, error)) << error;
      EXPECT_EQ(wave.channels, 1);
      EXPECT_EQ(wave.bits, 16);
      const double rms = Rms(wave.samples);
      EXPECT_GT(rms, kRmsFloor);
      if (i % 50 == 0) {
        const std::string stat = RunCommand(std::string(ZH_SOX) + " " + Quoted(path) + " -n stat", ok);
        ASSERT_TRUE(ok) << stat;
        EXPECT_NEAR(SoxStat(stat, "RMS     amplitude"), rms, 0.001);
      }
    }
  }
}

// The fragments a long move text names: "Ng1-f3", "e4xd5", "0-0-0"; the captured
// piece comes from the board before the move.
std::vector<std::string> FragmentsOfText(std::string text, bool longForm, int notaType,
                                         int capturedType) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text == "0-0-0") return {"000"};
  if (text == "0-0") return {"00"};
  std::string piece = "P";
  if (std::isupper(static_cast<unsigned char>(text[0]))) piece = text.substr(0, 1), text.erase(0, 1);
  std::vector<std::string> names{piece + "a"};
  if (longForm || notaType == 4) names.push_back(text.substr(0, 2) + "_lv");
  if (text[2] == 'x') {
    names.push_back("takes");
    if (notaType == 4) names.push_back(std::string(1, " KQNBRP"[capturedType]) + "a");
  }
  names.push_back(text.substr(3, 2));
  return names;
}

TEST(SpokenFragments, OfFiftyRandomGamesMatchTheMoveTextsAndExistInEveryLanguage) {
  std::mt19937 random(55);
  std::set<std::string> used;
  int moves = 0;
  for (int game = 0; game < 50; ++game) {
    Position position;
    for (int ply = 0; ply < 160; ++ply) {
      MoveList list;
      if (list.GenerateLegal(position) == 0) break;
      Move move = Move::FromCode(list.At(static_cast<int>(random() % list.Count())));
      move.CompleteFrom(position.board);
      const int capturedType = TypeOf(move.captured);
      const std::string text = move.ToLongText();
      for (int notaType : {0, 4}) {
        for (bool longForm : {false, true}) {
          const auto names = SpokenMoveFragments(move, longForm, notaType);
          ASSERT_EQ(names, FragmentsOfText(text, longForm, notaType, capturedType))
              << text << " notaType " << notaType << " long " << longForm;
          used.insert(names.begin(), names.end());
        }
      }
      position.MakeMove(move);
      ++moves;
    }
  }
  EXPECT_GT(moves, 2000);
  EXPECT_TRUE(used.count("000") && used.count("00") && used.count("takes"));
  RequireSpokenNotation();
  for (const char* language : kLanguages)
    for (const std::string& name : used)
      EXPECT_TRUE(fs::is_regular_file(fs::path(kSounds) / language / "notation" / (name + ".wav")))
          << language << "/" << name;
}

// A spoken move joined from what the sink played lasts as long as its fragments.
TEST(SpokenFragments, SpokenMoveLastsTheSumOfItsFragments) {
  RequireSox();
  RequireSpokenNotation();
  test::RecordingServices services;
  test::RecordingAudioSink sink;
  SoundManager manager(sink);
  SoundSetup setup = Folders(kSounds);
  setup.notaType = [] { return 4; };
  SoundEffects effects(sink, &manager, setup);
  Move move = Move::FromSquares(MakeSquare(1, 4), MakeSquare(2, 5));  // b5xc6
  move.piece = kBishop;
  move.captured = static_cast<int8_t>(kKnight | kBlackBit);
  move.kind = kCapture;
  effects.SpeakMove(move, false);
  sink.FinishAll();
  ASSERT_EQ(sink.started.size(), 5u);
  double sum = 0;
  for (const std::string& path : sink.started) sum += SoxDuration(path);
  const std::string joined = (fs::temp_directory_path() / ("zh_spoken_move_" + std::to_string(getpid()) + ".wav")).string();
  std::string error;
  ASSERT_TRUE(sink.JoinStarted(joined, error)) << error;
  EXPECT_NEAR(SoxDuration(joined), sum, 0.010);
  EXPECT_EQ(fs::path(sink.started[1]).filename(), "b5_lv.wav");
  fs::remove(joined);
}

}  // namespace
}  // namespace zh
