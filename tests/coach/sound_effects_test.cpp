#include "coach/sound_effects.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "coach/recording_audio_sink.h"
#include "core/rules/board.h"
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
using Names = std::vector<std::string>;

Move MakeMove(int from, int to, int piece, int captured = 0, uint8_t kind = 0) {
  Move move;
  move.from = static_cast<int8_t>(from);
  move.to = static_cast<int8_t>(to);
  move.piece = static_cast<uint8_t>(piece);
  move.captured = static_cast<int8_t>(captured);
  move.kind = kind;
  move.complete = 1;
  return move;
}

int Sq(const char* name) { return MakeSquare(name[0] - 'a', name[1] - '1'); }

TEST(SpokenMoveFragments, FollowTheNotationType) {
  const Move knight = MakeMove(Sq("g1"), Sq("f3"), kKnight);
  const Move bishopTakes = MakeMove(Sq("b5"), Sq("c6"), kBishop, kKnight | kBlackBit, kCapture);
  const Move pawnTakes = MakeMove(Sq("e4"), Sq("d5"), kPawn, kPawn | kBlackBit, kCapture);
  struct Case {
    const char* what;
    Move move;
    bool longForm;
    int notaType;
    Names expected;
  };
  const Case cases[] = {
      {"knight short", knight, false, 0, {"Na", "f3"}},
      {"knight long form", knight, true, 0, {"Na", "g1_lv", "f3"}},
      {"knight long notation", knight, false, 4, {"Na", "g1_lv", "f3"}},
      {"capture long notation", bishopTakes, false, 4, {"Ba", "b5_lv", "takes", "Na", "c6"}},
      {"capture short", bishopTakes, false, 0, {"Ba", "takes", "c6"}},
      {"capture long form", bishopTakes, true, 0, {"Ba", "b5_lv", "takes", "c6"}},
      {"pawn capture", pawnTakes, false, 0, {"Pa", "takes", "d5"}},
      {"black long castling", MakeMove(Sq("e8"), Sq("c8"), kKing | kBlackBit, 0, kBlackLongCastle),
       true, 4, {"000"}},
      {"white short castling", MakeMove(Sq("e1"), Sq("g1"), kKing, 0, kWhiteShortCastle), true, 4,
       {"00"}},
      {"white long castling", MakeMove(Sq("e1"), Sq("c1"), kKing, 0, kWhiteLongCastle), false, 0,
       {"000"}},
      {"black short castling", MakeMove(Sq("e8"), Sq("g8"), kKing | kBlackBit, 0, kBlackShortCastle),
       false, 0, {"00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SpokenMoveFragments(c.move, c.longForm, c.notaType), c.expected);
  }
}

class ScriptedRandom final : public RandomService {
 public:
  std::deque<uint32_t> values;
  uint32_t Next() override {
    const uint32_t v = values.empty() ? 0 : values.front();
    if (!values.empty()) values.pop_front();
    return v;
  }
};

class SoundEffectsTest : public ::testing::Test {
 protected:
  std::string Board(const char* name) const { return "/sounds/board/" + std::string(name); }
  std::vector<std::string> Effects() const {
    std::vector<std::string> effects;
    for (const std::string& call : sink_.calls)
      if (call.rfind("Play", 0) == 0) effects.push_back(call);
    return effects;
  }

  test::RecordingServices services_;
  ScriptedRandom random_;
  ScopedServices installed_{Services{.random = &random_}};
  test::RecordingAudioSink sink_;
  SoundManager manager_{sink_};
  SoundEffects effects_{sink_, &manager_, Folders("/sounds")};
};

TEST_F(SoundEffectsTest, BoardSoundsChooseByTheRandomSource) {
  random_.values = {0, 1, 2, 7, 3, 4, 5, 6};
  effects_.PlayMove();     // 0 % 4
  effects_.PlayMove();     // 1 % 4
  effects_.PlayCapture();  // 2 % 3
  effects_.PlayMove();     // 7 % 4
  effects_.hitSet = true;
  effects_.PlayMove();     // 3 % 3
  effects_.PlayMove();     // 4 % 3
  effects_.PlayCapture();  // 5 % 3
  effects_.PlayCapture();  // 6 % 3
  effects_.PlayNewGame();
  EXPECT_EQ(Effects(), (std::vector<std::string>{
                           "PlayOnce " + Board("move.wav"), "PlayOnce " + Board("move2.wav"),
                           "PlayOnce " + Board("capture3.wav"), "PlayOnce " + Board("move4.wav"),
                           "PlayOnce " + Board("movehit1.wav"), "PlayOnce " + Board("movehit2.wav"),
                           "PlayOnce " + Board("caphit3.wav"), "PlayOnce " + Board("caphit1.wav"),
                           "PlayOnce " + Board("newgame.wav")}));
}

TEST_F(SoundEffectsTest, TickLoopsUntilStop) {
  effects_.PlayTick();
  EXPECT_EQ(sink_.loopingEffect, Board("tick.wav"));
  effects_.PlayMove();  // a board sound replaces the tick
  EXPECT_EQ(sink_.loopingEffect, "");
  effects_.PlayTick();
  effects_.Stop();
  EXPECT_EQ(sink_.loopingEffect, "");
}

TEST_F(SoundEffectsTest, SoundOffPlaysNothingAndStopDoesNothing) {
  const fs::path dir = fs::temp_directory_path() / ("zh_sound_effects_off_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "a.wav").string();
  { std::ofstream(file) << "RIFF"; }
  TalkItem item(2, 0);
  item.Add(file);
  item.Add(file);
  manager_.QueueTalk(item);
  effects_.on = false;
  sink_.calls.clear();
  effects_.PlayNewGame();
  effects_.PlayMove();
  effects_.PlayCapture();
  effects_.PlayTick();
  effects_.Play(file, false);
  effects_.Stop();
  EXPECT_TRUE(sink_.calls.empty());
  EXPECT_TRUE(manager_.Playing());
  effects_.on = true;
  effects_.Stop();
  EXPECT_EQ(sink_.calls, (std::vector<std::string>{"StopEffect", "Stop 1", "StopEffect"}));
  fs::remove_all(dir);
}

TEST_F(SoundEffectsTest, SpeakMoveQueuesBehindAnOpenQueue) {
  const fs::path dir = fs::temp_directory_path() / ("zh_sound_effects_speak_" + std::to_string(getpid()));
  const fs::path notation = dir / "English" / "notation";
  fs::create_directories(notation);
  for (const char* name : {"remark", "Na", "f3", "g1_lv"}) std::ofstream(notation / (std::string(name) + ".wav")) << "RIFF";
  SoundEffects effects(sink_, &manager_, Folders(dir.string()));
  EXPECT_TRUE(effects.HasSpokenNotation());
  TalkItem remark(1, kTalkOpenQueue);
  remark.Add((notation / "remark.wav").string());
  manager_.QueueTalk(remark);
  effects.SpeakMove(MakeMove(Sq("g1"), Sq("f3"), kKnight), true);
  sink_.FinishAll();
  std::vector<std::string> names;
  for (const std::string& path : sink_.started) names.push_back(fs::path(path).stem().string());
  EXPECT_EQ(names, (Names{"remark", "Na", "g1_lv", "f3"}));
  fs::remove_all(dir);
}

TEST_F(SoundEffectsTest, NotationFolderOfTheLanguageFallsBackToEnglish) {
  const fs::path dir = fs::temp_directory_path() / ("zh_sound_effects_lang_" + std::to_string(getpid()));
  fs::create_directories(dir / "English" / "notation");
  SoundSetup folders = Folders(dir.string());
  folders.languageFolder = [] { return std::string("Deutsch"); };
  SoundEffects effects(sink_, &manager_, folders);
  EXPECT_EQ(effects.NotationFolder(), (dir / "English" / "notation").string());
  fs::create_directories(dir / "Deutsch" / "notation");
  EXPECT_EQ(effects.NotationFolder(), (dir / "Deutsch" / "notation").string());
  fs::remove_all(dir / "English");
  EXPECT_TRUE(effects.HasSpokenNotation());
  fs::remove_all(dir);
  EXPECT_FALSE(effects.HasSpokenNotation());
}

}  // namespace
}  // namespace zh
