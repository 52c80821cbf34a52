// The program started in-process: start-up and exit orders, the files it writes,
// boot lines, injected machines, closing, failures, long jobs and notifications.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>

#include "app/app_params.h"
#include "app/d3_settings_record.h"
#include "app/playing_params.h"
#include "app/shell_hooks.h"
#include "app/ui/feedback_dialog.h"
#include "app/ui/logon_dialog.h"
#include "app/ui/message_log.h"
#include "app/ui/work_window_frame.h"
#include "app/ui/zelko_app.h"
#include "board/ui/piece_map.h"
#include "board/ui/piece_sets.h"
#include "core/services.h"
#include "core/toolbox/profile_file.h"
#include "database/file_database.h"
#include "database/database_manager.h"
#include "database/eco_table.h"
#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "dbwindow/search_mask.h"
#include "app/message_file.h"
#include "../app/temp_folder.h"
#include "qt_app.h"

namespace zh {
namespace {

using test::TempFolder;

class RecordingBoxes final : public MessageBoxService {
 public:
  std::vector<std::string> shown;
  std::deque<bool> answers;
  void ErrorBox(std::string_view text) override { shown.push_back("Error: " + std::string(text)); }
  void WarningBox(std::string_view text) override { shown.push_back("Warning: " + std::string(text)); }
  bool AskOkCancel(std::string_view text) override { return Ask("OkCancel: ", text); }
  bool AskYesNo(std::string_view text) override { return Ask("YesNo: ", text); }

 private:
  bool Ask(const char* kind, std::string_view text) {
    shown.push_back(kind + std::string(text));
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
};

class StepClock final : public ClockService {
 public:
  uint64_t ticks = 1000;
  uint64_t TicksMs() override { return ticks; }
  int64_t WallTime() override { return 0; }
};

// An engine table that records and, when asked, never empties.
class RecordingGame final : public GameHooks {
 public:
  bool table = false;
  bool enginesStay = false;
  int autosaves = 0;
  int releases = 0;
  bool HasEngineTable() const override { return table; }
  bool AllEnginesGone() const override { return !enginesStay; }
  bool AutosaveGame() override { return ++autosaves, true; }
  void ReleaseAllEngines() override { ++releases; }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Sections and some keys of Z5.ini as Python's configparser reads them.
std::string ReadIniWithPython(const std::string& path) {
  std::string command = std::string(ZH_PYTHON3) +
                        " -c \"import configparser,sys; c=configparser.ConfigParser(interpolation=None);"
                        " c.optionxform=str; c.read(sys.argv[1]); g=c['General'];"
                        " print(','.join(c.sections()), g['Life'], g['Hardware'], g['ScreenWidth'])\" " +
                        path;
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

// The engine setup groups come first: a new file gets them at close before the rest.
const std::string kNoEngine = "Error: No engine found";

const std::string kIniSections =
    "EngineSetup,Time,Search,Special search,Handicap,General,Playing,Analysis,Blundercheck,CorrAnalysis,Tree,"
    "3DSetting 1 2 1024\n";

class ZelkoAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    const char* old = std::getenv("XDG_CONFIG_HOME");
    oldConfig_ = old ? old : "";
    hadConfig_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", user_.path().c_str(), 1);
    options.screenSize = QSize(1024, 768);
    options.colourCount = 0;
    options.physicalMemoryKb = 524288;
    // No default opening book, and an engines folder without modules: no engine
    // runs on its own threads while these tests start and end the program.
    options.defaultBook = "";
    options.enginesFolder = user_ / "Engines";
    options.boxes = &boxes;
    options.clock = &clock;
    options.pump = [this] { clock.ticks += 100; };
    // The user dialog of a first start is answered with Cancel.
    options.logon = [this] { return ++logons, false; };
    // By default the loop closes the frame at once, as a user would.
    options.runEventLoop = [this] { return app->Frame()->close() ? 0 : 1; };
  }
  void TearDown() override {
    if (hadConfig_)
      setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }

  int Run() {
    ScopedHooks hooks(ShellHooks{.game = &game});
    app = std::make_unique<ZelkoApp>(options);
    return app->Main({QString(ZH_DATA_DIR "/../ZelkoHome")});
  }
  std::vector<std::string> Events(const std::string& kind) const {
    std::vector<std::string> names;
    for (const std::string& e : app->Trace())
      if (e.rfind(kind + " ", 0) == 0) names.push_back(e.substr(kind.size() + 1));
    return names;
  }
  std::string Ini() const { return user_ / "zelkohome/Z5.ini"; }

  TempFolder user_;
  std::string oldConfig_;
  bool hadConfig_ = false;
  RecordingBoxes boxes;
  StepClock clock;
  RecordingGame game;
  int logons = 0;
  AppStartOptions options;
  std::unique_ptr<ZelkoApp> app;
};

const std::vector<std::string> kCreated = {
    "RandomGenerator", "DelayedCall", "MessageLog", "AppParams", "PlayingParams", "AnalysisParams",
    "BlunderCheckParams", "CorrAnalParams", "TreeParams", "D3Settings", "MessageFile",
    "SoundEffects", "AppWindow", "SoundManager", "VideoPlayer", "MusicPlayer", "PieceSetCache",
    "BitmapManager", "TextFormats1", "EcoTable", "OpeningNames", "EngineManager", "Tutor",
    "GameManager", "TournamentController", "TestSetRunner", "DatabaseManager", "EngineProbe",
    "PrintLayout", "TextFormats2", "Marker", "EloList", "GameWindow", "DBWindow", "DumpWindow",
    "StopAccelerator", "DeviceManager", "Chatter"};

const std::vector<std::string> kDeleted = {
    "DeviceManager", "DumpWindow", "PrintLayout", "MessageLog", "Tutor", "BitmapManager",
    "TextFormats1", "TournamentController", "GameManager", "TestSetRunner", "DBWindow",
    "GameWindow", "AppWindow", "EngineManager", "DatabaseManager", "AppParams", "PlayingParams",
    "AnalysisParams", "BlunderCheckParams", "CorrAnalParams", "TreeParams", "Chatter",
    "SoundEffects", "MusicPlayer", "StopAccelerator", "MessageFile", "EcoTable", "OpeningNames",
    "TextFormats2", "Marker", "EloList", "SoundManager", "VideoPlayer", "EngineProbe",
    "D3Settings", "PieceSetCache", "DelayedCall", "RandomGenerator"};

TEST_F(ZelkoAppTest, StartsAndEndsInOrderAndWritesTheSettings) {
  std::string captions;
  QImage darkSquare, mapCell;
  options.runEventLoop = [&] {
    captions = app->GameWindow()->windowTitle().toStdString() + "|" +
               app->DBWindow()->windowTitle().toStdString();
    // The piece sets are cut from the bundle's maps.
    darkSquare = app->Pieces()->GetSet(4)->GetSquareBitmap(1);
    mapCell = PieceMapCell(PieceSetCache::BundleMap(9008), 6, 1);
    return app->Frame()->close() ? 0 : 1;
  };
  EXPECT_EQ(Run(), 0);
  ASSERT_FALSE(mapCell.isNull());
  EXPECT_EQ(darkSquare, mapCell);
  EXPECT_EQ(Events("create"), kCreated);
  EXPECT_EQ(Events("delete"), kDeleted);
  EXPECT_EQ(captions, "Zelko- Board|Zelko- DB");
  EXPECT_EQ(game.autosaves, 1);
  EXPECT_EQ(ReadIniWithPython(Ini()), kIniSections);
  std::string tarqunix = ReadFile(user_ / "zelkohome/Tarqunix.ini");
  EXPECT_NE(tarqunix.find(app->ProgramFolder()), std::string::npos) << tarqunix;
  EXPECT_EQ(boxes.shown, std::vector<std::string>{kNoEngine});

  Run();
  EXPECT_NE(ReadIniWithPython(Ini()).find(" 2 2 1024"), std::string::npos);
}

// A first start runs the user dialog modally before the loop; its OK is stored and
// written at exit. The second start (no longer the first, DoLogon now off) skips it.
TEST_F(ZelkoAppTest, FirstStartAsksWhoTheUserIs) {
  options.logon = {};
  int shown = 0;
  std::function<void()> answer = [&] {
    auto* dialog = qobject_cast<ModalDialogLOGON*>(QApplication::activeModalWidget());
    if (!dialog) return QTimer::singleShot(10, answer);
    ++shown;
    dialog->ControlAs<QLineEdit>(ControlKind::Edit, 1)->setText("Kovač");
    dialog->ControlAs<QCheckBox>(ControlKind::CheckBox, 1)->setChecked(true);
    dialog->accept();
  };
  QTimer::singleShot(0, answer);
  std::string surname;
  options.runEventLoop = [&] {
    surname = app->App()->surName;
    return app->Frame()->close() ? 0 : 1;
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(surname, "Kovač");
  EXPECT_NE(ReadFile(Ini()).find("SurName=Kova"), std::string::npos);
  EXPECT_NE(ReadFile(Ini()).find("DoLogon=1\n"), std::string::npos);
  options.logon = [this] { return ++logons, false; };
  Run();
  EXPECT_EQ(logons, 0);
}

// The 3D view settings are made and loaded at start and saved at the end with the
// other records; a second start reads back what the first one wrote.
TEST_F(ZelkoAppTest, ThreeDSettingsLoadAtStartAndSaveAtExit) {
  EXPECT_EQ(Run(), 0);
  auto group = [&] {
    ProfileFile file;
    EXPECT_TRUE(file.Open(Ini()));
    file.SelectGroup("3DSetting");
    std::string text;
    for (const std::string& key : file.KeyNames()) text += key + "=" + file.ReadText(key).value_or("") + "\n";
    return text;
  };
  const std::string first = group();
  EXPECT_NE(first.find("Observer=60.00000,-1.00000,59.00000\n"), std::string::npos) << first;
  {
    ProfileFile file;
    ASSERT_TRUE(file.Open(Ini()));
    file.SelectGroup("3DSetting");
    file.WriteShort("Rotation", 24);
    file.WriteText("Observer", "10.5,-3,44");
  }
  const std::string edited = group();
  int rotation = 0;
  d3::Vec3 observer;
  options.runEventLoop = [&] {
    rotation = app->D3Settings()->settings.rotation;
    observer = app->D3Settings()->settings.observer;
    return app->Frame()->close() ? 0 : 1;
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(rotation, 24);
  EXPECT_EQ(observer, (d3::Vec3{10.5, -3, 44}));
  const std::string second = group();
  EXPECT_NE(second.find("Rotation=24\n"), std::string::npos) << second;
  EXPECT_NE(second.find("Observer=10.50000,-3.00000,44.00000\n"), std::string::npos) << second;
  options.runEventLoop = [&] { return app->Frame()->close() ? 0 : 1; };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(group(), second);  // loaded and saved unchanged
}

// The services that start-up makes are the real ones, reachable where the rest of the
// program looks for them, and gone after exit.
TEST_F(ZelkoAppTest, StartUpMakesTheRealEcoTableOpeningNamesAndDatabaseManager) {
  std::string eco, name, opened;
  int openCount = -1, openAfterRelease = -1;
  bool fullMask = false;
  options.runEventLoop = [&] {
    TQGame game;
    GameCursor cursor(&game);
    cursor.AddMove(MakeSquare(4, 1), MakeSquare(4, 3), 0, 0);  // 1.e4
    cursor.AddMove(MakeSquare(2, 6), MakeSquare(2, 4), 0, 0);  // 1...c5
    if (EcoTable* table = CurrentEcoTable()) {
      const uint16_t code = table->Classify(cursor, true);
      eco = EcoToText(code);
      name = GetOpeningName(code);
    }
    if (DatabaseManager* manager = CurrentDatabaseManager()) {
      TQFileDatabase* db = manager->OpenConfiguredDatabase(0);
      opened = db ? "opened" : "failed";
      openCount = static_cast<int>(manager->OpenCount());
      manager->Release(db);
      openAfterRelease = static_cast<int>(manager->OpenCount());
      fullMask = dynamic_cast<SearchMask*>(&manager->GetSearchMask()) != nullptr;
    }
    return app->Frame()->close() ? 0 : 1;
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(eco, "B20");
  EXPECT_EQ(name, "Sicilian Defense");
  EXPECT_EQ(opened, "opened");
  EXPECT_EQ(openCount, 1);
  EXPECT_EQ(openAfterRelease, 0);
  EXPECT_TRUE(fullMask);
  EXPECT_EQ(CurrentEcoTable(), nullptr);
  EXPECT_EQ(CurrentDatabaseManager(), nullptr);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{kNoEngine});
}

TEST_F(ZelkoAppTest, WithoutTheBundleNothingIsMade) {
  TempFolder program;
  app = std::make_unique<ZelkoApp>(options);
  EXPECT_NE(app->Main({QString::fromStdString(program / "ZelkoHome")}), 0);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{"Error: ZKRES32.DLL not found"});
  EXPECT_TRUE(app->Trace().empty());
  EXPECT_FALSE(std::filesystem::exists(user_ / "zelkohome"));
}

TEST_F(ZelkoAppTest, BootLinesInkAndFrame) {
  QImage first, second;
  std::vector<AppWindow::BootLine> lines;
  QString title;
  bool icon = false;
  options.runEventLoop = [&] {
    AppWindow* frame = app->Frame();
    lines = frame->BootLines();
    title = frame->windowTitle();
    icon = !frame->windowIcon().isNull();
    for (QImage* image : {&first, &second}) {
      *image = QImage(frame->size(), QImage::Format_RGB32);
      image->fill(Qt::white);
      frame->render(image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    }
    return frame->close() ? 0 : 1;
  };
  Run();
  using L = AppWindow::BootLine;
  std::vector<L> expected = {{"Booting Zelko Home 2", 15, true}, {"524288kB RAM", 14, false},
                             {" ", 14, false},  {"File ECO.COD ...", 14, false},
                             {"Engines ...", 14, false}, {"Hash=65536kB", 14, false},
                             {"System ...", 14, false}, {"Graphics ...", 14, false},
                             {"65536 colors", 14, true}, {"Game window...", 14, false},
                             {"Devices ...", 14, false}};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(title, "Zelko Home 2");
  EXPECT_TRUE(icon);
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first, second) << "a repaint changed pixels";
  // Ink only in the bands of the lines, right of x = 40; the blank line has none.
  const QRgb background = first.pixel(first.width() - 1, first.height() - 1);
  std::vector<int> inkPerBand(lines.size() + 1, 0);
  for (int y = 0; y < first.height(); ++y)
    for (int x = 0; x < first.width(); ++x) {
      if (first.pixel(x, y) == background) continue;
      ASSERT_GE(x, AppWindow::kLeft) << "ink at " << x << "," << y;
      int band = (y - AppWindow::kTop) / AppWindow::kLineStep;
      ASSERT_GE(y, AppWindow::kTop);
      ASSERT_LT(band, static_cast<int>(lines.size()));
      ++inkPerBand[band];
    }
  EXPECT_EQ(inkPerBand[2], 0);
  for (size_t band : {0u, 1u, 3u, 8u, 10u}) EXPECT_GT(inkPerBand[band], 0) << band;
}

TEST_F(ZelkoAppTest, InjectedMachines) {
  struct Case {
    int colours;
    int64_t memoryKb;
    std::vector<std::string> boxes;
    bool zelko4Board;
    std::string colourLine;
  };
  const std::string highColour = "Warning: Program needs High Color graphics\n(16Bit or 65535 colors)";
  const std::vector<Case> cases = {
      {256, 524288, {kNoEngine, highColour}, false, "256 colors (please increase!)"},
      {255, 524288, {kNoEngine, highColour}, true, "255 colors (please increase!)"},
      {0, 13999, {kNoEngine, "Error: Warning: need 16MB RAM"}, false, "65536 colors"},
      {0, 14000, {kNoEngine}, false, "65536 colors"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(user_ / "zelkohome");
    boxes.shown.clear();
    options.colourCount = c.colours;
    options.physicalMemoryKb = c.memoryKb;
    bool zelko4 = false, gradient = false;
    QString colourLine;
    options.runEventLoop = [&] {
      zelko4 = app->App()->zelko4Board;
      gradient = app->Frame()->HasGradient();
      colourLine = app->Frame()->BootLines()[8].text;
      return app->Frame()->close() ? 0 : 1;
    };
    Run();
    EXPECT_EQ(boxes.shown, c.boxes) << c.colours << " " << c.memoryKb;
    EXPECT_EQ(zelko4, c.zelko4Board) << c.colours;
    EXPECT_EQ(gradient, c.colours == 256);
    EXPECT_EQ(colourLine.toStdString(), c.colourLine);
  }
  // The second start still warns of 256 colours, the third does not.
  boxes.shown.clear();
  options.colourCount = 256;
  options.physicalMemoryKb = 524288;
  options.runEventLoop = [&] { return app->Frame()->close() ? 0 : 1; };
  std::filesystem::remove_all(user_ / "zelkohome");
  Run(), Run(), Run();
  EXPECT_EQ(boxes.shown.size(), 5u);  // three without an engine, two of colours
}

TEST_F(ZelkoAppTest, ClosingDuringStartUpIsRefusedAndCloseBoxPreparesOnce) {
  options.trace = [&](const std::string& event) {
    if (event == "create EcoTable") {
      QCloseEvent close;
      QCoreApplication::sendEvent(app->Frame(), &close);
      EXPECT_FALSE(close.isAccepted());
    }
  };
  game.table = true;
  bool frameOpen = true;
  options.runEventLoop = [&] {
    app->GameWindow()->close();  // the work window's close closes the program
    frameOpen = app->Frame()->isVisible();
    app->Frame()->close();  // a second way of closing prepares nothing again
    return 0;
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Error: Cannot close", kNoEngine}));
  EXPECT_FALSE(frameOpen);
  EXPECT_EQ(game.releases, 1);
}

TEST_F(ZelkoAppTest, CloseWaitGivesUpOnTheInjectedClock) {
  game.table = true;
  game.enginesStay = true;
  uint64_t startTicks = 0;
  options.runEventLoop = [&] {
    startTicks = clock.ticks;
    return app->Frame()->close() ? 0 : 1;
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_GT(clock.ticks - startTicks, static_cast<uint64_t>(ZelkoApp::kCloseWaitMs));
  EXPECT_LE(clock.ticks - startTicks, static_cast<uint64_t>(ZelkoApp::kCloseWaitMs) + 100);
  EXPECT_EQ(Events("delete").size(), kDeleted.size());
}

TEST_F(ZelkoAppTest, FailuresInTheLoopBeforeLoadingAndWhileDeleting) {
  // In the loop: every record and the game are still saved.
  options.runEventLoop = [&]() -> int { throw std::runtime_error("loop"); };
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{kNoEngine, "Error: Program error encountered. Closing."}));
  EXPECT_EQ(game.autosaves, 1);
  EXPECT_EQ(ReadIniWithPython(Ini()), "General,Playing,Analysis,Blundercheck,CorrAnalysis,Tree,3DSetting 1 2 1024\n");

  // Before the records are loaded: the user's file stays as it was.
  std::ofstream(Ini(), std::ios::app) << "[Mine]\nKeep=1\n";
  const std::string before = ReadFile(Ini());
  boxes.shown.clear();
  options.trace = [](const std::string& event) {
    if (event == "create AppParams") throw std::runtime_error("early");
  };
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{"Error: Program error encountered. Closing."});
  EXPECT_EQ(ReadFile(Ini()), before);
  EXPECT_EQ(game.autosaves, 1);

  // While deleting.
  boxes.shown.clear();
  options.runEventLoop = [&] { return app->Frame()->close() ? 0 : 1; };
  options.trace = [](const std::string& event) {
    if (event == "delete Tutor") throw std::runtime_error("late");
  };
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{kNoEngine, "Error: Trap"}));
}

class RecordingCoach final : public CoachHooks {
 public:
  std::vector<std::string> calls;
  void SoundManagerNotice() override { calls.push_back("SoundManager"); }
  void MusicPlayerNotice() override { calls.push_back("MusicPlayer"); }
};

TEST_F(ZelkoAppTest, LongJobsStopKeyDisplayChangesAndSoundNotice) {
  RecordingCoach coach;
  ScopedHooks coachHooks(ShellHooks{.coach = &coach});
  std::vector<std::pair<int, QRect>> displays;
  std::string job;
  bool stopped = false, secondRefused = false, plainStop = true, askedStop = false;
  int linkCalls = 0;
  options.runEventLoop = [&] {
    // The display classes, and both windows at the screen's size.
    for (int width : {800, 789, 1001}) {
      app->OnDisplayChange(QSize(width, 600));
      displays.push_back({app->DisplayClass(), app->DBWindow()->geometry()});
    }
    // The same width again does nothing.
    app->DBWindow()->setGeometry(5, 5, 10, 10);
    app->OnDisplayChange(QSize(1001, 700));
    displays.push_back({app->DisplayClass(), app->DBWindow()->geometry()});
    app->OnPlaybackNotice();
    // Long jobs through the services that Qt-free code calls.
    EXPECT_TRUE(BeginProcess("Analysis"));
    job = app->GameWindow()->jobTitle;
    secondRefused = !BeginProcess("Other");
    plainStop = ProcessShouldStop();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::sendEvent(app->GameWindow(), &key);
    boxes.answers = {true};
    askedStop = ProcessShouldStop();
    struct Counter {
      int* calls;
      int32_t Stop(std::intptr_t) { return ++*calls; }
    } counter{&linkCalls};
    app->Jobs().SetStopLink(CallbackLink::Bind<Counter, &Counter::Stop>(&counter));
    app->Jobs().StopProcess();
    app->Jobs().StopProcess();
    stopped = ProcessShouldStop();
    EndProcess();
    QCoreApplication::sendEvent(app->GameWindow(), &key);  // no job: nothing to ask
    EXPECT_FALSE(ProcessShouldStop());
    return app->Frame()->close() ? 0 : 1;
  };
  Run();
  ASSERT_EQ(displays.size(), 4u);
  EXPECT_EQ(displays[0].first, 1);
  EXPECT_EQ(displays[1].first, 0);
  EXPECT_EQ(displays[2].first, 2);
  EXPECT_EQ(displays[2].second, QRect(0, 0, 1001, 600));
  EXPECT_EQ(displays[1].second, QRect(0, 0, 789, 600));
  EXPECT_EQ(displays[3].second, QRect(5, 5, 10, 10));
  EXPECT_EQ(coach.calls, (std::vector<std::string>{"SoundManager", "MusicPlayer"}));
  EXPECT_EQ(job, "Analysis");
  EXPECT_TRUE(secondRefused);
  EXPECT_FALSE(plainStop);
  EXPECT_TRUE(askedStop);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(linkCalls, 1);
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0], kNoEngine);
  EXPECT_EQ(boxes.shown[1], "Error: Cannot start a second process\nAnalysis");
  EXPECT_EQ(boxes.shown[2], "YesNo: 'Analysis'\nStop this job?");
}


TEST_F(ZelkoAppTest, WorkWindowSwitchingFocusAndStatus) {
  std::vector<std::string> seen;
  options.runEventLoop = [&] {
    app->Playing()->highPriority = true;
    app->ShowDBWindow();
    zh::ShowStatusMessage("in the list");  // as Qt-free code shows it
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(app->Frame(), &focus);
    seen.push_back(std::string(app->GuiPriority()) + " " + app->DBWindow()->statusText + " " +
                   (app->Frame()->focusWidget() == app->DBWindow() ? "db focused" : "-"));
    app->ShowGameWindow();
    app->ShowStatusMessage("on the board");
    QCoreApplication::sendEvent(app->Frame(), &focus);
    seen.push_back(std::string(app->GuiPriority()) + " " + app->GameWindow()->statusText + " " +
                   (app->Frame()->focusWidget() == app->GameWindow() ? "game focused" : "-"));
    app->SetWorkWindowsFlag(3);
    seen.push_back(std::to_string(app->GameWindow()->workFlag + app->DBWindow()->workFlag));
    ZelkoApp::Instance()->RefreshDatabaseList("games.tqh");
    seen.push_back(app->DBWindow()->refreshedDatabase);
    return app->Frame()->close() ? 0 : 1;
  };
  Run();
  EXPECT_EQ(seen, (std::vector<std::string>{"highest in the list db focused",
                                            "normal on the board game focused", "6", "games.tqh"}));
  EXPECT_EQ(ZelkoApp::Instance(), nullptr);
}

TEST_F(ZelkoAppTest, QtFreeCallersReachTheLogTheDumpAndTheProgressDialog) {
  std::vector<std::string> seen;
  options.runEventLoop = [&] {
    // As Qt-free code reaches them, through the core services.
    zh::LogLine("Index repaired");
    zh::DumpText("check");
    MessageLogWindow* log = app->Log()->Window();
    seen.push_back(log && log->parentWidget() == app->DBWindow() ? log->Lines().Line(0).toStdString() : "-");
    seen.push_back(TheDumpWindow() ? TheDumpWindow()->Lines().Line(0).toStdString() : "-");
    app->ShowDBWindow();
    const bool was = EnableFeedback(true);
    OpenFeedbackIfEnabled(500, 0);
    FeedBackDialog* dialog = app->Feedback()->Current();
    seen.push_back(dialog && dialog->parentWidget() == app->DBWindow() && dialog->pos().y() == 20 ? "centred"
                                                                                                  : "-");
    StepFeedbackIfEnabled(250);
    seen.push_back(dialog ? dialog->Percent().text().toStdString() : "-");
    CloseFeedbackIfEnabled();
    EnableFeedback(was);
    return app->Frame()->close() ? 0 : 1;
  };
  Run();
  EXPECT_EQ(seen, (std::vector<std::string>{"Index repaired", "1:check", "centred", "50%"}));
  EXPECT_EQ(ReadFile(user_ / "zelkohome/protocol.txt"), "Index repaired\r\n");
  EXPECT_EQ(Events("create"), kCreated);
  EXPECT_EQ(Events("delete"), kDeleted);
}

TEST_F(ZelkoAppTest, TerminationSignalClosesLikeTheCloseBox) {
  game.table = true;
  options.runEventLoop = [&] {
    std::raise(SIGTERM);
    for (int i = 0; i < 100 && app->Frame()->isVisible(); ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return 0;
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(game.releases, 1);
  EXPECT_EQ(game.autosaves, 1);
}

}  // namespace
}  // namespace zh
