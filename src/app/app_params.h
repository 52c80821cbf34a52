// The general settings: group "General" of "Z5.ini".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/locations.h"
#include "app/params.h"
#include "app/settings_fields.h"
#include "app/shell_hooks.h"
#include "board/board_colors.h"
#include "core/services.h"

namespace zh {

class PlayingParams;

// What the general settings take from the machine; injected so tests can vary it.
struct ShellEnvironment {
  Locations locations;
  int screenWidth = 1024;
  int displayClass = 2;  // 0 small, 1 medium, 2 large screens
  std::string processorName;

  // This process's folders, the processor from /proc/cpuinfo; screen values stay
  // at their defaults until the GUI reports them.
  static ShellEnvironment Detect();
};

// The "model name" of the first processor in a cpuinfo file; empty when none.
std::string ProcessorName(const std::string& cpuinfoPath = "/proc/cpuinfo");

class AppParams final : public Params, public ObservedSubject {
 public:
  static constexpr int16_t kUntitled = 19;
  static constexpr int16_t kTitleCheck = 0x68C;

  // "ECODisplay" and "CDDrive" live in `shared` (the record the program registers
  // among the services); without one the settings keep their own.
  explicit AppParams(const ShellEnvironment& environment, PlaySettings* shared = nullptr);
  PlaySettings& Play() { return *play_; }
  const PlaySettings& Play() const { return *play_; }

  void LoadFrom(ProfileFile& file) override;
  void SaveTo(ProfileFile& file) override;
  // The record's keys in file order.
  std::vector<SettingField> Fields();
  // Also hands the shared fields to the Qt-free code's settings.
  void Notify() override;

  // Applies the notation piece letters (start-up and language change).
  void SetPieceLetters();
  void SetLayoutDefaults(int displayClass);
  void SetDefaultFileNames();
  // "\database\zelko5.tqh", after "<CDDrive>:" when CDDrive is set.
  std::string DefaultReferenceDB() const;
  // The default opening book tree: "\General.ctg", "\power.ctg" or "\z5book.ctg" on
  // the data CD, the first that exists.
  std::string DefaultBookTree() const;
  // No CD drives here: always empty.
  static std::string FindCDDrive() { return {}; }
  const PlayerName& GetUserPlayer();
  // Message 185 - index for 0-18, else "untitled".
  std::string TitleText(int index) const;

  // The language folder under `path` for `language` (-1: the current language).
  std::string LanguageFolder(const std::string& path, int language = -1) const;
  // A data file in the language folders under `path`.
  std::string FindDataFile(const std::string& path, const std::string& name) const;
  // A stored path ("x:\talk.cht") as a real path.
  std::string ResolvePath(const std::string& stored) const;

  // The search-display flag of the playing settings decides "ShowSrchDispl" at save.
  void SetPlayingParams(const PlayingParams* playing) { playing_ = playing; }
  const ShellEnvironment& Environment() const { return env_; }
  // The fields that the Qt-free code reads through Settings().
  AppSettings& Shared() { return shared_; }
  bool lettersChanged = false;

  // Stored settings, in key order.
  FontSpec fontNota{"RuruvezuRA ZozozER", 0, 16};
  FontSpec fontTree{"RuruvezuRA ZozozER", 0, 14};
  FontSpec fontList{"RuruvezuRA ZozozER", 0, 16};
  FontSpec fontKey{"ZevorovuVI DoderoVI", 0, 16};
  FontSpec fontSrchInfo{"RuruvezuRA ZozozER", 0, 13};
  int16_t analFontHeight = 16;
  int16_t tableFont = 16;
  std::string timesFontName = "Times New Roman";
  std::string arialFontName = "Arial";
  std::string courierFontName = "ZevorovuVI DoderoVI";
  std::string workPath;
  std::string currentDb;
  std::string autoSaveDb;
  std::string compCompDb;
  std::string surName = "Doe";
  std::string christName = "John";
  std::string town = "Mytown";
  std::string machine;
  int16_t language = 0;
  int16_t inputLang = 0;
  IntTriple langChoice{0, 1, 1};
  std::string kdsltb = "KQNBRP.x+";
  int16_t notaType = 0;
  int16_t overviewBoard = 1;
  bool sound = true;
  bool chatter = true;
  bool talk = false;
  bool garrulous = false;
  bool music = false;
  bool cantus = false;
  int16_t replaySpeed = 40;
  bool boardFlipped = false;
  bool coordinates = false;
  bool zelko4Board = false;
  BoardColors boardColors;
  int16_t boardType = 5;
  int32_t listTopGame = 1;
  int16_t title = kUntitled;
  int16_t clockOffset = 0;
  bool showClock = true;
  bool showNotation = true;
  bool showSrchDispl = true;
  bool showSrchDisplTr = false;
  bool forceDigital = true;
  bool doLogon = true;
  bool force16Cols = false;
  int16_t clockSplit = -1;
  int16_t notaSplit = -1;
  int16_t screenWidth = -1;
  bool hardware = false;
  int16_t life = 0;
  bool evalProf = true;
  int16_t animSpeed2D = 6;
  int16_t frameThick = 10;
  bool figurines = false;
  bool male = true;
  bool hobby = false;
  bool readNota = false;
  int16_t view3DX = 70;
  int16_t view3DY = 70;
  int16_t hndTemplate = 10;
  int32_t testTime = 600;
  int32_t testPos = 0;
  int16_t testExtraPly = 1;
  bool likesTraining = true;
  int16_t ckoType = 2;
  std::string talkPath;
  int16_t miniHeumas = 1;
  std::string vorlPath;
  std::string lastOpenPath;
  std::string engTourn;
  bool nodesPerSec = true;
  bool matDispl = false;
  bool analClock = false;
  char32_t remisChar = U'=';
  char32_t whiteColorChar = U'+';
  char32_t blackColorChar = U'-';
  bool winColors = true;
  std::string eloList;
  bool printWithColour = false;
  std::string printTitle = "Zelko Home 2 printout";
  bool moveBeep = true;

  // Not stored (or stored by the settings groups that own them once they have a key).
  bool sizeToFrame = false;
  bool rightPanel = false;  // the right-hand panel shows its extra pane
  std::string engTournDb;
  int16_t internal[3] = {300, 300, 99};
  int32_t bestAwardLevel = kUntitled;
  std::string baseFolder;  // "CompBase"

 private:
  void AfterLoad();
  void SyncShared();

  ShellEnvironment env_;
  const PlayingParams* playing_ = nullptr;
  PlayerName userPlayer_;
  AppSettings shared_;
  std::unique_ptr<PlaySettings> own_;
  PlaySettings* play_;
};

}  // namespace zh
