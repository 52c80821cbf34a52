// The engine setup groups of the settings file, the level text, and the engine
// object's resign and draw decisions.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "app/temp_folder.h"
#include "core/toolbox/profile_file.h"
#include "engines/chess_engine.h"
#include "engines/engine_fixture.h"
#include "support/recording_services.h"

namespace zh::test {
namespace {

std::string RunPython(const std::string& script, const std::string& path) {
  const std::string command = std::string(ZH_PYTHON3) + " -c \"" + script + "\" " + path;
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

// Every key as "group.key=value" per line, read by Python's strict configparser.
std::map<std::string, std::string> ReadWithConfigParser(const std::string& path) {
  const std::string out = RunPython(
      "import configparser,sys; c=configparser.ConfigParser(interpolation=None,strict=True);"
      " c.optionxform=str; c.read(sys.argv[1]);"
      " [print(s+'.'+k+'='+v) for s in c.sections() for k,v in c[s].items()];"
      " [print(s+'.') for s in c.sections() if not c[s]]",
      path);
  std::map<std::string, std::string> keys;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end - start);
    const size_t eq = line.find('=');
    keys[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
    start = end == std::string::npos ? out.size() : end + 1;
  }
  return keys;
}

class EngineSetupTest : public ::testing::Test {
 protected:
  EngineSetupTest() { LoadEnglishTexts(services); }

  std::string Save(ChessEngine& engine) {
    ProfileFile file;
    EXPECT_TRUE(file.Open(Ini()));
    engine.SaveSetup(file);
    EXPECT_TRUE(file.Flush());
    return Ini();
  }
  void Load(ChessEngine& engine) {
    ProfileFile file;
    ASSERT_TRUE(file.Open(Ini()));
    engine.LoadSetup(file);
  }
  std::string Ini() const { return folder / "Z5.ini"; }

  RecordingServices services;
  TempFolder folder;
};

TEST_F(EngineSetupTest, ConfigParserReadsEveryKeyAndItsRewriteLoads) {
  ChessEngine engine;
  engine.Params.PermBrain = 0;
  engine.TournControl[1] = {360000, 0, 20, 1};
  const auto keys = ReadWithConfigParser(Save(engine));

  for (const char* key : {"EngineSetup.HashSizeKB", "Time.BlitzTime", "Time.BlitzTimePerMove", "Time.BlitzControlType",
                          "Time.AdditionalBlitzTime", "Time.AdditionalBlitzTimePerMove", "Time.UserTime",
                          "Time.UserTimePerMove", "Time.UserNumberOfMoves", "Time.UserControlType", "Time.AutoTime",
                          "Time.AutoTimePerMove", "Time.AutoNumberOfMoves", "Time.AutoControlType", "Search.SearchType",
                          "Search.EngineType", "Search.BookOn", "Search.PermBrain", "Search.Validation",
                          "Search.SearchDepth", "Search.MateDepth", "Search.NumberOfMainlines", "Handicap.PlayStrength",
                          "Handicap.EvalRange", "Handicap.KingAttack", "Handicap.KingDefence", "Handicap.PlayDir1",
                          "Handicap.PlayDir2", "Handicap.Pieces", "Handicap.PiecePlay", "Handicap.TakeRate"})
    EXPECT_TRUE(keys.count(key)) << key;
  int tourn = 0, tc = 0;
  for (const auto& [key, value] : keys) {
    tourn += key.starts_with("Time.Tourn");
    tc += key.starts_with("Time.TC");
  }
  EXPECT_EQ(tourn, 12);
  EXPECT_EQ(tc, 12);
  EXPECT_TRUE(keys.count("Special search."));  // present, no keys
  EXPECT_EQ(keys.at("Search.BookOn"), "2");
  EXPECT_EQ(keys.at("Search.PermBrain"), "1");
  EXPECT_EQ(keys.at("Search.SearchType"), "4");
  EXPECT_EQ(keys.at("Search.EngineType"), "7");
  EXPECT_EQ(keys.at("Time.UserTime"), "500");
  EXPECT_EQ(keys.at("Time.Tourn1Time"), "360000");
  EXPECT_EQ(keys.at("Time.Tourn1Moves"), "20");
  EXPECT_EQ(keys.at("Time.TC0Time"), "500");
  EXPECT_FALSE(keys.count("EngineSetup.TacticalEngine"));  // no engine, no key
  EXPECT_FALSE(keys.count("Opening.BookType"));            // no book, no group

  // configparser writes the file back with other values; they load.
  RunPython(
      "import configparser,sys; c=configparser.ConfigParser(interpolation=None,strict=True); c.optionxform=str;"
      " c.read(sys.argv[1]); c['Search']['SearchDepth']='7'; c['Search']['PermBrain']='2';"
      " c['Search']['SearchType']='8'; c['Time']['UserTime']='1234'; c['Handicap']['PlayStrength']='1900';"
      " c.write(open(sys.argv[1],'w'))",
      Ini());
  ChessEngine loaded;
  Load(loaded);
  EXPECT_EQ(loaded.Params.SearchDepth, 7);
  EXPECT_EQ(loaded.Params.PermBrain, 1);
  EXPECT_EQ(loaded.Params.SearchType, kLevelFixedDepth);
  EXPECT_EQ(loaded.UserControl.Time, 1234);
  EXPECT_EQ(loaded.Handicap.Record().PlayStrength, 1900);
  EXPECT_EQ(loaded.TournControl[1].Moves, 20);
}

TEST_F(EngineSetupTest, LoadRules) {
  {  // No groups: the defaults of a new engine object.
    folder.Write("Z5.ini", "[General]\nLife=1\n");
    ChessEngine engine;
    engine.Params.SearchType = kLevelFixedDepth;
    Load(engine);
    EXPECT_EQ(engine.Params.SearchType, kLevelAverageTime);
    EXPECT_EQ(engine.UserControl.Time, 500);
    EXPECT_EQ(engine.Params.SearchDepth, 3);
    EXPECT_EQ(engine.Params.MateDepth, 99);
  }
  {  // A clear book flag loads set; the TC family reads over the user's control.
    folder.Write("Z5.ini",
                 "[Time]\nUserTime=1000\nTC1Time=9000\nTC2Moves=30\n"
                 "[Search]\nSearchType=1\nBookOn=1\nSearchDepth=-4\n");
    ChessEngine engine;
    Load(engine);
    EXPECT_EQ(engine.Params.SearchType, kLevelClock);
    EXPECT_EQ(engine.Params.BookOn, 1);
    EXPECT_EQ(engine.Params.SearchDepth, 3);  // a depth that cannot be is not taken
    TimePeriod p[3];
    for (int k = 0; k < 3; ++k) engine.Clock.GetPeriod(p[k], k);
    EXPECT_EQ(p[0].Time, 1000);
    EXPECT_EQ(p[1].Time, 9000);
    EXPECT_EQ(p[2].Time, 1000);
    EXPECT_EQ(p[2].Moves, 30);
  }
  {  // Analysis is not kept: level 4 on the user's control again.
    folder.Write("Z5.ini", "[Time]\nUserTime=1000\nTC1Time=9000\n[Search]\nSearchType=7\n");
    ChessEngine engine;
    Load(engine);
    EXPECT_EQ(engine.Params.SearchType, kLevelAverageTime);
    TimePeriod p1;
    engine.Clock.GetPeriod(p1, 1);
    EXPECT_EQ(p1.Time, 1000);
  }
  {  // Missing engine and book files: a box each, the rest loads.
    folder.Write("Z5.ini",
                 "[EngineSetup]\nTacticalEngine=/none/Gone.eng\nOpeningBook=/none/Gone.ctg\n[Search]\nSearchDepth=5\n");
    ChessEngine engine;
    Load(engine);
    EXPECT_EQ(services.CallsStartingWith("ErrorBox: "),
              (std::vector<std::string>{"ErrorBox: Load of engine\n/none/Gone.eng\nfailed.",
                                        "ErrorBox: Load of book\n/none/Gone.ctg\nfailed."}));
    EXPECT_EQ(engine.Params.SearchDepth, 5);
    EXPECT_EQ(engine.Slots[1], nullptr);
  }
}

TEST_F(EngineSetupTest, BlitzSaveStoresTheRestOfTheGameAndExtraTime) {
  ChessEngine engine;
  engine.BlitzControl = {{{30000, 200, 40, 3}, {6000, 100, 10, 0}}};
  const auto keys = ReadWithConfigParser(Save(engine));
  EXPECT_EQ(engine.BlitzControl[0].Moves, 1000);
  EXPECT_EQ(engine.BlitzControl[1].Moves, 1000);
  EXPECT_EQ(engine.BlitzControl[1].ControlType, 5);
  EXPECT_EQ(keys.at("Time.BlitzControlType"), "3");
  EXPECT_EQ(keys.at("Time.AdditionalBlitzTime"), "6000");
}

TEST_F(EngineSetupTest, DescribeLevel) {
  struct Case {
    int32_t type;
    std::function<void(ChessEngine&)> set;
    std::string text;
  };
  const std::vector<Case> cases = {
      {kLevelClock,
       [](ChessEngine& e) {
         const TimePeriod t[3] = {{720000, 0, 40, 1}, {360000, 0, 20, 1}, {180000, 0, 1000, 1}};
         e.SetTimeControl(t, kTournamentControl);
       },
       "120'/40+60'/20+30'"},
      {kLevelClock,
       [](ChessEngine& e) {
         const TimePeriod t[3] = {{720000, 0, 1000, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}};
         e.SetTimeControl(t, kTournamentControl);
       },
       "120'"},
      {kLevelAverageTime, [](ChessEngine&) {}, "5\"av"},
      {kLevelFixedDepth, [](ChessEngine&) {}, "3ply"},
      {kLevelClock,
       [](ChessEngine& e) {
         const TimePeriod t[2] = {{30000, 0, 1000, 0}, {0, 0, 1000, 5}};
         e.SetTimeControl(t, kBlitzControl);
       },
       "Blitz:5'"},
      {kLevelClock,
       [](ChessEngine& e) {
         const TimePeriod t[2] = {{24000, 200, 1000, 3}, {0, 0, 1000, 5}};
         e.SetTimeControl(t, kBlitzControl);
       },
       "Blitz:4'+2\""},
      {kLevelHandicap, [](ChessEngine&) {}, "Handicap"},
      {kLevelHandicap, [](ChessEngine& e) { e.Handicap.Record().FunScheme = 1; }, "Fun play"},
      {kLevelQuiz, [](ChessEngine&) {}, "Tactics quiz"},
  };
  for (const Case& c : cases) {
    ChessEngine engine;
    c.set(engine);
    engine.Params.SearchType = c.type;
    EXPECT_EQ(engine.DescribeLevel(), c.text);
  }
}

// ---- resign and draw ----

class ResignDrawTest : public ::testing::Test {
 protected:
  ResignDrawTest() {
    engine.ResignLink = CallbackLink::Bind<ResignDrawTest, &ResignDrawTest::Resign>(this);
    engine.DrawOfferLink = CallbackLink::Bind<ResignDrawTest, &ResignDrawTest::Offer>(this);
    engine.BookMove = false;
    engine.Ply = 10;
  }
  int32_t Resign(std::intptr_t) { return ++resigns, 1; }
  int32_t Offer(std::intptr_t) { return ++offers, 0; }

  // The engine's evaluation (white to move, so its own view) at the next own move.
  bool Evaluate(int16_t centipawns) {
    eng::MainLineBlock block{};
    block.flags = 0x10;
    block.score_type = 1;
    block.score_value = centipawns;
    engine.OnMainLine(block);
    engine.Ply = static_cast<int16_t>(engine.Ply + 2);
    return engine.DecideResignOrDraw();
  }

  RecordingServices services;
  ChessEngine engine;
  int resigns = 0, offers = 0;
};

TEST_F(ResignDrawTest, ResignSettings) {
  struct Case {
    uint32_t setting;
    std::vector<int16_t> evals;
    int resignsOn;  // index of the evaluation that resigns, -1 never
  };
  const std::vector<Case> cases = {
      {1, {-600, -650, -700, -720, -800}, 4},
      {2, {-600, -430, -450, -500, -500}, 3},
      {0, {-600, -900, -900, -900, -900, -900}, -1},
      {7, {-600, -900, -900, -900, -900, -900}, -1},
      {1, {-19500, -19500, -19500, -19500, -19500, -19500}, -1},  // being mated is played out
  };
  for (const Case& c : cases) {
    services.play.resign = c.setting;
    engine.NewGame();
    engine.Ply = 10;
    resigns = 0;
    int resignedAt = -1;
    for (size_t i = 0; i < c.evals.size() && resignedAt < 0; ++i)
      if (Evaluate(c.evals[i])) resignedAt = static_cast<int>(i);
    EXPECT_EQ(resignedAt, c.resignsOn) << c.setting << " " << c.evals[1];
  }
}

TEST_F(ResignDrawTest, ZeroEvaluationsOfferOnceAndABookMoveRestarts) {
  services.play.resign = 1;
  Evaluate(0);  // only sets the ply
  for (int i = 0; i < 5; ++i) Evaluate(0);
  EXPECT_EQ(offers, 0);
  Evaluate(0);  // the sixth counted zero
  EXPECT_EQ(offers, 1);
  engine.DrawOfferArmed = false;
  Evaluate(0);
  EXPECT_EQ(offers, 1);

  // A book move restarts the counters.
  Evaluate(-700), Evaluate(-700);
  EXPECT_GT(engine.LostEvals, 0);
  engine.BookMove = true;
  engine.DecideResignOrDraw();
  EXPECT_EQ(engine.LostEvals, 0);
  EXPECT_EQ(engine.ZeroEvals, 0);
}

TEST_F(ResignDrawTest, AcceptsDrawAfterFourZerosOrWhileCounting) {
  Evaluate(0);
  for (int i = 0; i < 3; ++i) Evaluate(0);
  EXPECT_FALSE(engine.AcceptsDraw());
  Evaluate(0);
  EXPECT_TRUE(engine.AcceptsDraw());
  engine.ResetGameState();
  engine.LowEvals = 1;
  EXPECT_TRUE(engine.AcceptsDraw());
}

TEST_F(ResignDrawTest, RollsFollowTheSeededSource) {
  auto rolls = [&](uint32_t seed) {
    services.randomState = seed;
    std::string out;
    for (int i = 0; i < 40; ++i) {
      engine.BadEvals = static_cast<int16_t>(i % 4);
      out += engine.DrawOfferRoll() ? 'a' : 'r';
      engine.RemarkArmed = true;
      out += engine.RemarkRoll(i % 2 ? 200 : 0) ? 'm' : '-';
    }
    return out;
  };
  const std::string first = rolls(7);
  EXPECT_EQ(first, rolls(7));
  EXPECT_NE(first, rolls(8));
  EXPECT_NE(first.find('r'), std::string::npos);
  EXPECT_NE(first.find('m'), std::string::npos);
  // Without bad evaluations the offer is always accepted; a cleared remark byte never remarks.
  engine.BadEvals = 0;
  EXPECT_TRUE(engine.DrawOfferRoll());
  engine.RemarkArmed = false;
  EXPECT_FALSE(engine.RemarkRoll(500));
}

}  // namespace
}  // namespace zh::test
