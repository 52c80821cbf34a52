#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/analysis_params.h"
#include "app/app_params.h"
#include "app/playing_params.h"
#include "support/recording_services.h"
#include "temp_folder.h"

namespace zh {
namespace {

// Moves every field away from its value.
void Mutate(const std::vector<SettingField>& fields) {
  for (const SettingField& f : fields)
    std::visit(Overload{
                   [](int16_t* v) { *v = static_cast<int16_t>(*v + 3); },
                   [](int32_t* v) { *v += 70000; },
                   [](uint32_t* v) { *v += 5; },
                   [](bool* v) { *v = !*v; },
                   [](char32_t* v) { *v = U'é'; },
                   [](std::string* v) { *v += "-ü"; },
                   [](PathRef p) { *p.text += "-z"; },
                   [](FlagRef r) { *r.value = !*r.value; },
                   [](FontSpec* v) { v->face += " X", v->height += 1; },
                   [](ColorRecord* v) { v->red ^= 0x1234, v->blue ^= 0x0101; },
                   [](IntTriple* v) { (*v)[0] += 1, (*v)[1] -= 7, (*v)[2] += 100; },
               },
               f.target);
}

// The fields' values as text, for comparing two records of one kind.
std::string Dump(const std::vector<SettingField>& fields, bool writtenOnly) {
  std::ostringstream out;
  for (const SettingField& f : fields) {
    if (writtenOnly && !f.written) continue;
    out << f.key << '=';
    std::visit(Overload{
                   [&](int16_t* v) { out << *v; },
                   [&](int32_t* v) { out << *v; },
                   [&](uint32_t* v) { out << *v; },
                   [&](bool* v) { out << *v; },
                   [&](char32_t* v) { out << static_cast<uint32_t>(*v); },
                   [&](std::string* v) { out << *v; },
                   [&](PathRef p) { out << *p.text; },
                   [&](FlagRef r) { out << *r.value; },
                   [&](FontSpec* v) { out << v->face << '/' << v->height; },
                   [&](ColorRecord* v) { out << v->red << ',' << v->green << ',' << v->blue; },
                   [&](IntTriple* v) { out << (*v)[0] << ',' << (*v)[1] << ',' << (*v)[2]; },
               },
               f.target);
    out << '\n';
  }
  return out.str();
}

ShellEnvironment TestEnvironment(const test::TempFolder& t, int screenWidth = 1280) {
  ShellEnvironment env;
  env.locations = Locations{t / "prog", t / "prog/data", t / "user"};
  env.screenWidth = screenWidth;
  env.displayClass = 2;
  env.processorName = "Test CPU @ 3.00GHz";
  return env;
}

std::string Ini(const test::TempFolder& t) { return t / "user/Z5.ini"; }

// Saves `record` into the test's Z5.ini (written back when the file closes).
void SaveRecord(Params& record, const std::string& path) {
  ProfileFile file;
  ASSERT_TRUE(file.Open(path));
  record.SaveTo(file);
  ASSERT_TRUE(file.Flush());
}

void LoadRecord(Params& record, const std::string& path) {
  ProfileFile file;
  ASSERT_TRUE(file.Open(path));
  record.LoadFrom(file);
}

template <class R, class... Args>
void ExpectRoundTrip(const std::string& path, Args&&... args) {
  R saved(args...);
  Mutate(saved.Fields());
  R fresh(args...);
  ASSERT_NE(Dump(fresh.Fields(), true), Dump(saved.Fields(), true));
  SaveRecord(saved, path);
  // Saving computes check values ("ClockOffset"); the rest must be as mutated.
  const std::string before = Dump(saved.Fields(), true);
  R loaded(args...);
  LoadRecord(loaded, path);
  EXPECT_EQ(Dump(loaded.Fields(), true), before);
}

TEST(Settings, EveryRecordRoundTripsNonDefaultValues) {
  test::RecordingServices rec;
  test::TempFolder t;
  // The screen width after the mutation keeps the layout rules out of the way.
  ShellEnvironment env = TestEnvironment(t, -1 + 3);
  ExpectRoundTrip<AppParams>(Ini(t), env);
  ExpectRoundTrip<PlayingParams>(Ini(t));
  ExpectRoundTrip<AnalysisParams>(Ini(t), std::string("x:\\database\\zelko5.tqh"));
  ExpectRoundTrip<CorrAnalParams>(Ini(t));
  ExpectRoundTrip<TreeParams>(Ini(t));
  ExpectRoundTrip<BlunderCheckParams>(Ini(t));
}

TEST(Settings, BlunderCheckEnginesRoundTripAndAreBoundedByTheList) {
  test::TempFolder t;
  BlunderCheckParams saved;
  saved.nEngines = 3;
  saved.engines[2].title = "Third";
  saved.engines[2].path = "human";
  saved.engines[2].color = 0x336699;
  saved.engines[2].SetParamCount(2);
  saved.engines[2].paramNames = {"Hash", "Style"};
  saved.engines[2].paramValues = {64, -2};
  SaveRecord(saved, Ini(t));
  BlunderCheckParams loaded;
  LoadRecord(loaded, Ini(t));
  ASSERT_EQ(loaded.nEngines, 3u);
  EXPECT_EQ(loaded.engines[2], saved.engines[2]);
  EXPECT_TRUE(loaded.engines[2].IsHuman());

  t.Write("user/Z5.ini", "[Blundercheck]\nNEngines=60\nTitle49=Last\nTitle50=Beyond\n");
  BlunderCheckParams many;
  LoadRecord(many, Ini(t));
  EXPECT_EQ(many.nEngines, 50u);
  EXPECT_EQ(many.engines.size(), 50u);
  EXPECT_EQ(many.engines[49].title, "Last");
  SaveRecord(many, Ini(t));
  BlunderCheckParams again;
  LoadRecord(again, Ini(t));
  EXPECT_EQ(again.nEngines, 50u);
  EXPECT_EQ(again.engines[49].title, "Last");
}

TEST(Settings, EngineSpecWithoutParamCountHasNoParameters) {
  test::TempFolder t;
  t.Write("user/Z5.ini", "[G]\nTitle3=T\nParam3_0=Hash\nVal3_0=5\nHash3=\nNParams4=99999999\n");
  ProfileFile file;
  ASSERT_TRUE(file.Open(Ini(t)));
  file.SelectGroup("G");
  EngineSpec entry(4096);
  entry.Read(file, 3);
  EXPECT_EQ(entry.title, "T");
  EXPECT_EQ(entry.ParamCount(), 0u);
  EXPECT_EQ(entry.hash, 4096);
  EngineSpec huge;
  huge.Read(file, 4);
  EXPECT_EQ(huge.ParamCount(), EngineSpec::kMaxParams);
}

TEST(Settings, ConfigparserReadsEveryKeyAndItsRewriteLoads) {
  test::RecordingServices rec;
  test::TempFolder t;
  ShellEnvironment env = TestEnvironment(t);
  AppParams app(env);
  PlayingParams playing;
  AnalysisParams analysis(app.DefaultReferenceDB());
  BlunderCheckParams blunder;
  CorrAnalParams corr;
  TreeParams tree;
  std::vector<Params*> all = {&app, &playing, &analysis, &blunder, &corr, &tree};
  {
    ProfileFile file;
    ASSERT_TRUE(file.Open(Ini(t)));
    for (Params* p : all) p->LoadFrom(file);  // a first start: no file yet
    for (Params* p : all) p->SaveTo(file);
    ASSERT_TRUE(file.Flush());
  }
  const std::string script = std::string(ZH_SOURCE_DIR) + "/tests/app/ini_check.py";
  const std::string python = std::string(ZH_PYTHON3) + " " + script;
  ASSERT_EQ(std::system((python + " check " + Ini(t) + " 1280").c_str()), 0);
  ASSERT_EQ(std::system((python + " change " + Ini(t)).c_str()), 0);

  AppParams app2(env);
  PlayingParams playing2;
  TreeParams tree2;
  BlunderCheckParams blunder2;
  {
    ProfileFile file;
    ASSERT_TRUE(file.Open(Ini(t)));
    for (Params* p : std::vector<Params*>{&app2, &playing2, &tree2, &blunder2}) p->LoadFrom(file);
  }
  EXPECT_EQ(app2.title, 5);
  EXPECT_EQ(app2.surName, "Smith");
  EXPECT_FALSE(app2.sound);
  EXPECT_EQ(app2.fontNota, (FontSpec{"DejaVu Sans", 0, 20}));
  EXPECT_EQ(app2.boardColors.darkSquares, ColorRecord::Rgb(1, 2, 3));
  EXPECT_EQ(app2.langChoice, (IntTriple{3, 4, 2}));
  EXPECT_EQ(app2.frameThick, 30);
  EXPECT_EQ(app2.remisChar, U'~');
  EXPECT_EQ(app2.listTopGame, 123456);
  EXPECT_FALSE(app2.showNotation);  // honoured at load ...
  EXPECT_EQ(playing2.friendGames, 7);
  EXPECT_TRUE(playing2.Play().blitz);
  EXPECT_EQ(tree2.name, "Tester");
  EXPECT_EQ(tree2.minGames, 9u);
  EXPECT_EQ(blunder2.time, 99);
  {
    ProfileFile file;
    ASSERT_TRUE(file.Open(Ini(t)));
    app2.SaveTo(file);
    ASSERT_TRUE(file.Flush());
  }
  ProfileFile file;
  ASSERT_TRUE(file.Open(Ini(t)));
  file.SelectGroup("General");
  EXPECT_FALSE(file.ReadText("ShowNotation"));  // ... and gone after a save
  EXPECT_EQ(file.ReadText("Title"), "5");
}

TEST(Settings, GeneralLoadRules) {
  test::RecordingServices rec;
  test::TempFolder t;
  struct Case {
    const char* ini;
    void (*check)(const AppParams&);
  };
  const Case cases[] = {
      {"Title=4\n", [](const AppParams& a) { EXPECT_EQ(a.title, 19); }},
      {"Title=4\nClockOffset=1672\n", [](const AppParams& a) { EXPECT_EQ(a.title, 4); }},
      {"FrameThick=0\n", [](const AppParams& a) { EXPECT_EQ(a.frameThick, 10); }},
      {"FrameThick=31\n", [](const AppParams& a) { EXPECT_EQ(a.frameThick, 10); }},
      {"FrameThick=1\n", [](const AppParams& a) { EXPECT_EQ(a.frameThick, 1); }},
      {"FrameThick=30\n", [](const AppParams& a) { EXPECT_EQ(a.frameThick, 30); }},
      {"ScreenWidth=800\nClockSplit=40\nNotaSplit=50\nHardware=2\nCoordinates=2\nShowClock=1\n"
       "BoardType=2\n",
       [](const AppParams& a) {
         EXPECT_EQ(a.clockSplit, -1);
         EXPECT_EQ(a.notaSplit, -1);
         EXPECT_FALSE(a.hardware);
         EXPECT_FALSE(a.coordinates);
         EXPECT_TRUE(a.showClock);
         EXPECT_EQ(a.boardType, 5);
         EXPECT_EQ(a.screenWidth, 1280);
       }},
      {"ScreenWidth=1280\nClockSplit=40\nHardware=2\nBoardType=2\n",
       [](const AppParams& a) {
         EXPECT_EQ(a.clockSplit, 40);
         EXPECT_TRUE(a.hardware);
         EXPECT_EQ(a.boardType, 2);
       }},
      {"TalkPath=\n",
       [](const AppParams& a) {
         EXPECT_EQ(a.talkPath, "x:\\talk.cht");
         EXPECT_EQ(a.ResolvePath(a.talkPath), a.Environment().locations.dataFolder + "/talk.cht");
         EXPECT_EQ(a.currentDb, "x:\\database\\zelko5.tqh");
       }},
      {"CDDrive=\nTalkPath=\n", [](const AppParams& a) { EXPECT_EQ(a.talkPath, "x:\\talk.cht"); }},
  };
  for (const Case& c : cases) {
    t.Write("user/Z5.ini", std::string("[General]\n") + c.ini);
    AppParams app(TestEnvironment(t));
    LoadRecord(app, Ini(t));
    SCOPED_TRACE(c.ini);
    c.check(app);
  }
}

TEST(Settings, FriendLevelsAndResults) {
  struct Case {
    int32_t games, halfPoints, level;
  };
  const Case cases[] = {{0, 0, 0}, {1, 2, 116}, {1, 1, -12}, {4, 0, -300},
                        {5, 0, -700}, {2, 3, 65}, {10, 20, 580}};
  for (const Case& c : cases) {
    PlayingParams p;
    p.friendGames = c.games;
    p.friendScore = c.halfPoints;
    EXPECT_EQ(p.GetFriendLevel(), c.level) << c.games << " " << c.halfPoints;
  }

  struct Coach : CoachHooks {
    std::vector<int> ends;
    void OnGameEnd(int code) override { ends.push_back(code); }
  } coach;
  ScopedHooks hooks(ShellHooks{.coach = &coach});
  PlayingParams p;
  p.AddFriendResult(1, false);
  p.AddFriendResult(34, false);
  p.AddFriendResult(34, true);
  p.AddFriendResult(33, false);
  EXPECT_EQ(p.friendGames, 4);
  EXPECT_EQ(p.friendScore, 5);
  EXPECT_EQ(coach.ends, (std::vector<int>{1, 34, 33}));
}

TEST(Settings, ModeFlagsAreSavedWithTheirStartValues) {
  test::TempFolder t;
  PlayingParams p;
  LoadRecord(p, Ini(t));
  p.Play().blitz = true;  // switched while the program runs
  p.KeepModeFlags();
  SaveRecord(p, Ini(t));
  PlayingParams q;
  LoadRecord(q, Ini(t));
  EXPECT_FALSE(q.Play().blitz);
  q.Play().startModes.friendMode = true;  // the start-up dialog changes the copy
  q.KeepModeFlags();
  EXPECT_TRUE(q.Play().friendMode);
}

TEST(Settings, BothGroupsKeepTheirPlayingFieldsInTheSharedRecord) {
  test::TempFolder t;
  PlaySettings shared;
  {
    PlayingParams p;
    p.Play().blitz = true;
    p.Play().quizMode = true;
    AppParams app(TestEnvironment(t), nullptr);
    app.Play().ecoDisplay = true;
    app.Play().cdDrive = "d";
    SaveRecord(p, Ini(t));
    SaveRecord(app, Ini(t));
  }
  PlayingParams playing(&shared);
  AppParams app(TestEnvironment(t), &shared);
  EXPECT_EQ(&playing.Play(), &shared);
  EXPECT_EQ(&app.Play(), &shared);
  EXPECT_EQ(shared.cdDrive, "x") << "the default stands until loaded";
  LoadRecord(playing, Ini(t));
  LoadRecord(app, Ini(t));
  EXPECT_TRUE(shared.blitz);
  EXPECT_FALSE(shared.quizMode) << "the quiz mode has no key";
  EXPECT_TRUE(shared.startModes.blitz);
  EXPECT_TRUE(shared.ecoDisplay);
  EXPECT_EQ(shared.cdDrive, "d");
  shared.countClock = false;
  SaveRecord(playing, Ini(t));
  EXPECT_TRUE(shared.countClock) << "saving sets the clock-counting byte again";
}

struct CountingObserver : Observer {
  ObservedSubject* detachOnUpdate = nullptr;
  int updates = 0;
  void Update(ObservedSubject&) override {
    ++updates;
    if (detachOnUpdate) detachOnUpdate->Detach(this);
  }
};

TEST(Settings, ObserversAreToldAndMayDetachDuringUpdate) {
  test::TempFolder t;
  AppParams app(TestEnvironment(t));
  std::vector<std::unique_ptr<CountingObserver>> observers;
  for (int i = 0; i < 25; ++i) {  // past the first growth of the list
    observers.push_back(std::make_unique<CountingObserver>());
    ASSERT_TRUE(app.Attach(observers.back().get()));
  }
  observers[3]->detachOnUpdate = &app;
  app.Attach(observers[5].get());
  app.Notify();
  EXPECT_EQ(observers[3]->updates, 1);
  EXPECT_EQ(observers[5]->updates, 2);
  EXPECT_EQ(observers[24]->updates, 1);
  app.Detach(observers[5].get());
  app.Notify();
  EXPECT_EQ(observers[3]->updates, 1);
  EXPECT_EQ(observers[5]->updates, 2);
  EXPECT_EQ(app.ObserverCount(), 23u);
}

}  // namespace
}  // namespace zh
