#include "app/app_params.h"

#include <fstream>

#include "app/languages.h"
#include "app/locations.h"
#include "app/message_ids.h"
#include "app/playing_params.h"

namespace zh {
namespace {

constexpr std::string_view kDefaultLetters = "KQNBRP.x+";
constexpr const char* kGroup = "General";

// A sign of the notation letters; a blank or a missing place means none.
char SignAt(const std::string& letters, size_t index) {
  if (index >= letters.size() || letters[index] == ' ') return '\0';
  return letters[index];
}

}  // namespace

ShellEnvironment ShellEnvironment::Detect() {
  ShellEnvironment env;
  env.locations = Locations::ForThisProcess();
  env.processorName = ProcessorName();
  return env;
}

std::string ProcessorName(const std::string& cpuinfoPath) {
  std::ifstream in(cpuinfoPath);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t start = line.find_first_not_of(" \t", colon + 1);
    return start == std::string::npos ? std::string() : line.substr(start);
  }
  return {};
}

AppParams::AppParams(const ShellEnvironment& environment, PlaySettings* shared)
    : env_(environment),
      own_(shared == nullptr ? std::make_unique<PlaySettings>() : nullptr),
      play_(shared == nullptr ? own_.get() : shared) {
  SetLayoutDefaults(env_.displayClass);
  std::string cd = FindCDDrive();
  if (!cd.empty()) play_->cdDrive = cd.substr(0, 1);
  workPath = env_.locations.programFolder;
  SetDefaultFileNames();
  boardColors = BoardColors(0);
  vorlPath = JoinPath(env_.locations.dataFolder, "Testsets");
  machine = env_.processorName;
  SyncShared();
}

std::vector<SettingField> AppParams::Fields() {
  return {
      {"FontNota", &fontNota},
      {"FontTree", &fontTree},
      {"FontList", &fontList},
      {"FontKey", &fontKey},
      {"FontSrchInfo", &fontSrchInfo},
      {"AnalFontHeight", &analFontHeight},
      {"TableFont", &tableFont},
      {"TimesFontName", &timesFontName},
      {"ArialFontName", &arialFontName},
      {"CourierFontName", &courierFontName},
      {"WorkPath", &workPath},
      {"CurrentDB", &currentDb},
      {"AutoSaveDB", &autoSaveDb},
      {"CompCompDB", &compCompDb},
      {"SurName", &surName},
      {"ChristName", &christName},
      {"Town", &town},
      {"Machine", &machine},
      {"Language", &language},
      {"InputLang", &inputLang},
      {"LangChoice", &langChoice},
      {"KDSLTB", &kdsltb},
      {"NotaType", &notaType},
      {"OverviewBoard", &overviewBoard},
      {"Sound", &sound},
      {"Chatter", &chatter},
      {"Talk", &talk},
      {"Garrulous", &garrulous},
      {"Music", &music},
      {"Cantus", &cantus},
      {"ECODisplay", &play_->ecoDisplay},
      {"ReplaySpeed", &replaySpeed},
      {"BoardFlipped", &boardFlipped},
      {"Coordinates", &coordinates},
      {"Zelko4Board", &zelko4Board},
      {"2DWhite", &boardColors.whitePieces},
      {"2DBlack", &boardColors.blackPieces},
      {"2DLight", &boardColors.lightSquares},
      {"2DDark", &boardColors.darkSquares},
      {"2DHatched", FlagRef{&boardColors.texture}},
      {"BoardType", &boardType},
      {"ListTopGame", &listTopGame},
      {"Title", &title},
      {"ClockOffset", &clockOffset},
      {"ShowClock", &showClock},
      {"ShowNotation", &showNotation, false},
      {"ShowSrchDispl", &showSrchDispl},
      {"ShowSrchDisplTr", &showSrchDisplTr},
      {"ForceDigital", &forceDigital},
      {"DoLogon", &doLogon},
      {"Force16Cols", &force16Cols},
      {"ClockSplit", &clockSplit},
      {"NotaSplit", &notaSplit},
      {"ScreenWidth", &screenWidth},
      {"Hardware", &hardware},
      {"Life", &life},
      {"EvalProf", &evalProf},
      {"AnimSpeed2D", &animSpeed2D},
      {"FrameThick", &frameThick},
      {"Figurines", &figurines},
      {"Male", &male},
      {"Hobby", &hobby},
      {"ReadNota", &readNota},
      {"CDDrive", &play_->cdDrive},
      {"3DX%", &view3DX},
      {"3DY%", &view3DY},
      {"HndTemplate", &hndTemplate},
      {"TestTime", &testTime},
      {"TestPos", &testPos},
      {"TestExtraPly", &testExtraPly},
      {"LikesTraining", &likesTraining},
      {"CkoType", &ckoType},
      {"TalkPath", &talkPath},
      {"MiniHeumas", &miniHeumas},
      {"VorlPath", &vorlPath},
      {"LastOpenPath", &lastOpenPath},
      {"EngTourn", PathRef{&engTourn}},
      {"NodesPerSec", &nodesPerSec},
      {"MatDispl", &matDispl},
      {"AnalClock", &analClock},
      {"RemisCharForTables", &remisChar},
      {"WhiteColorChar", &whiteColorChar},
      {"BlackColorChar", &blackColorChar},
      {"WinColors", &winColors},
      {"EloList", PathRef{&eloList}},
      {"PrintWithColour", &printWithColour},
      {"PrintTitle", &printTitle},
      {"MoveBeep", &moveBeep},
  };
}

void AppParams::LoadFrom(ProfileFile& file) {
  file.SelectGroup(kGroup);
  auto fields = Fields();
  LoadFields(file, fields);
  AfterLoad();
}

void AppParams::AfterLoad() {
  if ((clockOffset ^ kTitleCheck) != title) title = kUntitled;
  if (screenWidth != env_.screenWidth) {
    clockSplit = notaSplit = -1;
    showClock = showSrchDispl = showNotation = true;
    SetLayoutDefaults(env_.displayClass);
    hardware = coordinates = false;
  }
  screenWidth = static_cast<int16_t>(env_.screenWidth);
  if (talkPath.empty()) talkPath = play_->cdDrive + ":\\talk.cht";
  if (currentDb.empty()) currentDb = DefaultReferenceDB();
  if (frameThick < 1 || frameThick > 30) frameThick = 10;
  SyncShared();
}

void AppParams::SaveTo(ProfileFile& file) {
  // The folder that the database dialogs chose last.
  if (!shared_.lastOpenFolder.empty()) lastOpenPath = shared_.lastOpenFolder;
  clockOffset = static_cast<int16_t>(title ^ kTitleCheck);
  if (playing_ && playing_->searchDisplay) showSrchDispl = true;
  StartGroup(file, kGroup);
  auto fields = Fields();
  SaveFields(file, fields);
}

void AppParams::Notify() {
  SyncShared();
  ObservedSubject::Notify();
}

void AppParams::SyncShared() {
  shared_.programFolder = env_.locations.programFolder;
  shared_.findDataFile = [this](const std::string& path, const std::string& name) {
    for (const std::string& folder : {env_.locations.dataFolder, env_.locations.programFolder})
      if (!folder.empty())
        if (auto found = FindPathIgnoringCase(JoinPath(folder, name))) return *found;
    const size_t slash = path.find_last_of("/\\");
    return FindDataFile(slash == std::string::npos ? std::string() : path.substr(0, slash), name);
  };
  shared_.lastOpenFolder = lastOpenPath;
  shared_.autosaveDatabase = autoSaveDb;
  shared_.engineMatchDatabase = compCompDb;
  shared_.engineTournamentDatabase = engTournDb;
  if (shared_.databaseFolder.empty()) shared_.databaseFolder = baseFolder;
  if (shared_.archiveFolder.empty()) shared_.archiveFolder = baseFolder;
}

void AppParams::SetPieceLetters() {
  std::string letters;
  if (figurines) {
    letters = kDefaultLetters;
    for (int i = 0; i < 6; ++i) letters[static_cast<size_t>(i)] = static_cast<char>(162 + i);
  } else {
    letters = GetMessageText(msg::M_PIECE_LETTERS);
    // Without message files the text is "NOTEXT": never take it for piece letters.
    if (letters == kNoText || letters.size() < 6) letters = kDefaultLetters;
    kdsltb = letters;
  }
  Notation().SetNotationType(notaType);
  if (letters.size() > 5) {
    Notation().SetPieceTable("X" + letters.substr(0, 6) + "Y");
    if (!figurines) Notation().SetLetterConversion(letters);
    Notation().SetSigns(SignAt(letters, 6), SignAt(letters, 7), SignAt(letters, 8));
  }
  lettersChanged = true;
}

void AppParams::SetLayoutDefaults(int displayClass) {
  switch (displayClass) {
    case 0: boardType = 3, analFontHeight = tableFont = 12; break;
    case 1: boardType = 4, analFontHeight = tableFont = 14; break;
    case 2: boardType = 5, analFontHeight = tableFont = 16; break;
    default: break;
  }
  showSrchDispl = true;
}

void AppParams::SetDefaultFileNames() {
  baseFolder = JoinPath(env_.locations.userFolder, "CompBase");
  lastOpenPath = baseFolder;
  autoSaveDb = JoinPath(baseFolder, "AutoSave.tqh");
  compCompDb = JoinPath(baseFolder, "EngMatch.tqh");
  engTournDb = JoinPath(baseFolder, "EngTourn.tqh");
  engTourn = JoinPath(baseFolder, "default.trn");
  eloList = JoinPath(baseFolder, "default.elo");
}

std::string AppParams::DefaultReferenceDB() const {
  std::string path = "\\database\\zelko5.tqh";
  return play_->cdDrive.empty() ? path : play_->cdDrive + ":" + path;
}

std::string AppParams::DefaultBookTree() const {
  const std::string prefix = play_->cdDrive.empty() ? std::string() : play_->cdDrive + ":";
  const std::string names[] = {"\\General.ctg", "\\power.ctg", "\\z5book.ctg"};
  for (const std::string& name : names)
    if (name == names[2] || IsFile(ResolvePath(prefix + name))) return prefix + name;
  return prefix + names[2];
}

const PlayerName& AppParams::GetUserPlayer() {
  userPlayer_ = PlayerName{surName, christName};
  return userPlayer_;
}

std::string AppParams::TitleText(int index) const {
  if (index < 0 || index > 18) return "untitled";
  return GetMessageText(msg::M_TITLE_0 - index);
}

std::string AppParams::LanguageFolder(const std::string& path, int lang) const {
  return zh::LanguageFolder(path, lang == -1 ? language : lang);
}

std::string AppParams::FindDataFile(const std::string& path, const std::string& name) const {
  return zh::FindDataFile(path, name, language);
}

std::string AppParams::ResolvePath(const std::string& stored) const {
  return ResolveDataPath(stored, play_->cdDrive, env_.locations.dataFolder);
}

}  // namespace zh
