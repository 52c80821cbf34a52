// What the user, options and layout dialogs store and ask of the rest of the
// program, the hardware test's figures, the overview's plies and the symbol keys.
#include <gtest/gtest.h>

#include <set>

#include "app/app_params.h"
#include "app/hardware_test.h"
#include "app/layout_choice.h"
#include "app/logon.h"
#include "app/message_ids.h"
#include "app/options_choice.h"
#include "app/overview_plies.h"
#include "app/playing_params.h"
#include "app/symbol_keys.h"
#include "recording_hooks.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Calls = std::vector<std::string>;

struct Records {
  test::RecordingServices services;
  test::RecordingShell shell;
  AppParams app{ShellEnvironment{}};
  PlayingParams playing;
  Records() {
    app.surName = "Doe", app.christName = "John", app.male = true, app.hobby = false;
    app.life = 40, app.title = 5;
    playing.friendGames = 12, playing.friendScore = 15;
  }
};

TEST(Logon, NewUsersStartAfreshAndEveryOkRetitles) {
  struct Case {
    const char* name;
    std::string surname;
    bool male, hobby;
    bool newUser;
    bool matDispl;
  };
  const Case cases[] = {
      {"same user", "Doe", true, false, false, false},
      {"same user asking for hobby", "Doe", true, true, false, false},  // Hobby changes only for a new user
      {"other surname", "Roe", true, false, true, false},
      {"other sex only", "Doe", false, false, true, false},
      {"new hobby player", "Roe", true, true, true, true},
  };
  for (const Case& c : cases) {
    Records r;
    r.app.matDispl = true;
    LogonEntry e = ReadLogon(r.app);
    e.surname = c.surname, e.male = c.male, e.hobby = c.hobby;
    e.firstName = "Ann", e.town = "Koper", e.machine = "Box", e.askAtStart = false;
    EXPECT_EQ(IsNewUser(e, r.app), c.newUser) << c.name;
    ApplyLogon(e, r.app, r.playing);
    EXPECT_EQ(r.app.life, c.newUser ? 1 : 40) << c.name;
    EXPECT_EQ(r.playing.friendGames, c.newUser ? 0 : 12) << c.name;
    EXPECT_EQ(r.playing.friendScore, c.newUser ? 0 : 15) << c.name;
    EXPECT_EQ(r.app.title, AppParams::kUntitled) << c.name;
    EXPECT_EQ(r.app.matDispl, c.matDispl) << c.name;
    EXPECT_EQ(r.playing.Play().friendMode, c.matDispl) << c.name;
    EXPECT_EQ(r.playing.Play().startModes.friendMode, c.matDispl) << c.name;
    EXPECT_EQ(r.app.surName, c.surname) << c.name;
    EXPECT_EQ(r.app.christName + r.app.town + r.app.machine, "AnnKoperBox") << c.name;
    EXPECT_FALSE(r.app.doLogon) << c.name;
    EXPECT_EQ(r.shell.log.calls, (Calls{"UpdatePlayerNames", "SetUserFirstName Ann"})) << c.name;
  }
}

TEST(HardwareTest, SpeedResultsAndVerdicts) {
  // Rounded down to multiples of 5; 3 ms and less no longer wrap to a negative result.
  const std::pair<uint64_t, int32_t> speeds[] = {{0, 0}, {1000, 130}, {3, 43335}, {1, 130000}, {2000, 65},
                                                 {130000, 0}};
  for (auto [ms, result] : speeds) EXPECT_EQ(HardwareSpeedResult(ms), result) << ms;

  test::RecordingServices services;
  services.texts = {{msg::M_SPEED_VERDICT, "V"}, {msg::M_SPEED_SLOW, "slow"}, {msg::M_SPEED_AVERAGE, "avg"},
                    {msg::M_SPEED_GOOD, "good"}, {msg::M_SPEED_FAST, "fast"}, {msg::M_LOW_MEMORY, "+mem"},
                    {msg::M_NARROW_SCREEN, "+narrow"}};
  EXPECT_EQ(HardwareVerdict(30, 65536, 1024), "Vslow");
  EXPECT_EQ(HardwareVerdict(70, 65536, 1024), "Vavg");
  EXPECT_EQ(HardwareVerdict(130, 65536, 1024), "Vgood");
  EXPECT_EQ(HardwareVerdict(HardwareSpeedResult(3), 65536, 1024), "Vfast");
  EXPECT_EQ(HardwareVerdict(135, 32767, 799), "Vfast+mem+narrow");
}

TEST(Options, ChatterOffClearsTalkAndSaysGoodbyeOnce) {
  Records r;
  r.app.chatter = true, r.app.talk = true, r.app.readNota = true, r.app.music = false;
  OptionsChoice c = ReadOptions(r.app, r.playing);
  EXPECT_FALSE(c.readNota);  // shown only while Talk is off
  c.chatter = false;
  OnChatterCleared(c);
  EXPECT_FALSE(c.talk);
  EXPECT_EQ(ApplyOptions(c, r.app, r.playing), 0);
  EXPECT_FALSE(r.app.chatter);
  EXPECT_FALSE(r.app.talk);
  EXPECT_EQ(r.shell.log.calls, (Calls{"SetSoundOn 1", "ShowMessageLine \"Goodbye\"", "CloseMusic"}));
}

TEST(Options, TalkKeepsTheCoachOnAndMusicPollsOnlyWithBothChoices) {
  Records r;
  r.app.chatter = false;
  OptionsChoice c = ReadOptions(r.app, r.playing);
  c.talk = true, c.readNota = true;
  OnTalkChecked(c);
  EXPECT_FALSE(c.readNota);
  c.readNota = true;
  OnReadNotaChecked(c);
  EXPECT_FALSE(c.talk);
  c.talk = true, c.chatter = false, c.readNota = false;
  c.cantus = true, c.music = false, c.resign = 2, c.hintDepth = 9, c.cdDrive = "d", c.sound = false;
  EXPECT_EQ(ApplyOptions(c, r.app, r.playing), 7);
  EXPECT_TRUE(r.app.chatter);  // stored on whenever Talk is
  EXPECT_TRUE(r.app.music);    // either music box turns music on
  EXPECT_EQ(r.playing.resign, 2u);
  EXPECT_EQ(r.playing.hintDepth, 9);
  EXPECT_EQ(r.app.Play().cdDrive, "d");
  EXPECT_EQ(r.shell.log.calls, (Calls{"SetSoundOn 0", "PollMusic"}));
}

TEST(Layout, ClockBoxesAndTheirStorage) {
  Records r;
  r.app.showClock = true, r.app.forceDigital = true;
  LayoutChoice c = ReadLayout(r.app, false);
  EXPECT_TRUE(c.digitalClock);
  c.analogueClock = true;
  OnAnalogueClockChecked(c);
  EXPECT_FALSE(c.digitalClock);
  ApplyLayout(c, r.app);
  EXPECT_TRUE(r.app.showClock);
  EXPECT_FALSE(r.app.forceDigital);

  c.digitalClock = c.analogueClock = false;
  ApplyLayout(c, r.app);
  EXPECT_FALSE(r.app.showClock);
  EXPECT_FALSE(r.app.forceDigital);  // kept from before

  r.app.showClock = false;
  c = ReadLayout(r.app, false);
  EXPECT_FALSE(c.digitalClock || c.analogueClock);
}

TEST(Layout, OkAppliesInOrderAndCoordinatesRebuildTheBoard) {
  Records r;
  r.app.coordinates = false, r.app.rightPanel = false, r.app.boardType = 5;
  r.app.fontNota = FontSpec{"Notation", 0, 16};
  int printFont = 0;
  LayoutChoice c = ReadLayout(r.app, false);
  c.fontHeight = 20, c.animationSpeed = 9;
  ApplyLayout(c, r.app, [&] { ++printFont; });
  EXPECT_EQ(r.shell.log.calls,
            (Calls{"SetClockShown 1", "SetAnimationSpeed 9", "SetNotationFont Notation 20", "ResetRightAreaLayout",
                   "RelayoutSearchDisplay", "RelayoutRightArea", "RelayoutBelowBoard", "RelayoutGameWindow",
                   "Repaint"}));
  EXPECT_EQ(printFont, 1);
  EXPECT_EQ(r.app.fontNota.height, 20);

  r.shell.log.calls.clear();
  c.coordinates = true, c.rightPanel = true;
  ApplyLayout(c, r.app);
  EXPECT_EQ(r.shell.log.calls, (Calls{"SetClockShown 1", "SetAnimationSpeed 9", "SetNotationFont Notation 20",
                                      "UpdateAll", "ChangeBoardStyle 5"}));
  EXPECT_TRUE(r.app.coordinates);

  // In book editing the search-display box is the book-editing setting's.
  r.shell.host.bookEditing = true;
  r.app.showSrchDisplTr = false, r.app.showSrchDispl = true;
  c = ReadLayout(r.app, true);
  EXPECT_FALSE(c.searchDisplay);
  c.searchDisplay = true;
  ApplyLayout(c, r.app);
  EXPECT_TRUE(r.app.showSrchDisplTr);
}

TEST(Overview, GridNeverEmptyAndPliesAsTheRuleGives) {
  const OverviewGrid tiny = OverviewGridFor(170, 120, 132, 132);
  EXPECT_EQ(tiny.Count(), 1);
  EXPECT_EQ(OverviewGridFor(800, 600, 132, 132).columns, 5);

  struct Case {
    int plies, boards;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {10, 12, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {80, 12, {1, 7, 13, 19, 25, 31, 37, 43, 49, 55, 61, 79}},
      {1, 12, {}},
      {2, 1, {1}},
      {30, 4, {1, 8, 15, 29}},  // steps of 7; the last board ends on the last ply reached
  };
  for (const Case& c : cases) EXPECT_EQ(OverviewPlies(c.plies, c.boards), c.shown) << c.plies << "/" << c.boards;
}

TEST(SymbolKeys, EveryKeyOnceAndTheEditKeysPassThrough) {
  std::set<int> keys;
  for (const SymbolKey& s : kSymbolKeys) {
    EXPECT_TRUE(keys.insert(s.keyCode).second) << s.keyCode;
    EXPECT_EQ(SymbolOfKey(s.keyCode), s.displayByte);
  }
  EXPECT_EQ(SymbolOfKey(key::kCtrl | key::Letter('Z')), 147);
  EXPECT_EQ(SymbolOfKey(key::kCtrl | key::kPoint), 149);
  EXPECT_EQ(SymbolOfKey(key::kCtrl | key::kAlt | key::kPoint), 168);
  for (char c : {'C', 'V', 'X'}) EXPECT_EQ(SymbolOfKey(key::kCtrl | key::Letter(c)), 0) << c;
  EXPECT_EQ(SymbolOfKey(key::Letter('A')), 0);
}

}  // namespace
}  // namespace zh
