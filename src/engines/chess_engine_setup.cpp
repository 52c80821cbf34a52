// The engine setup groups of the settings file and the short text of the level.
#include <filesystem>
#include <string>

#include "app/message_ids.h"
#include "core/toolbox/profile_file.h"
#include "engines/chess_engine.h"
#include "engines/engine_instance.h"
#include "engines/engine_manager.h"
#include "engines/engine_table.h"
#include "engines/engine_wait.h"

namespace zh {
namespace {

constexpr const char* kEngineSetup = "EngineSetup";
constexpr const char* kOpening = "Opening";
constexpr const char* kTime = "Time";
constexpr const char* kSearch = "Search";
constexpr const char* kSpecialSearch = "Special search";
constexpr const char* kHandicap = "Handicap";
constexpr uint32_t kLoadStepMs = 200;
constexpr int kNameWaits = 10;
constexpr int16_t kMaxDepth = 999;

// The four keys of one numbered period ("Tourn0Time", "TC2Moves", ...).
void WritePeriod(ProfileFile& file, const std::string& family, int index, const TimePeriod& p) {
  const std::string stem = family + std::to_string(index);
  file.WriteLong(stem + "Time", p.Time);
  file.WriteLong(stem + "TimePerMove", p.TimePerMove);
  file.WriteShort(stem + "Moves", p.Moves);
  file.WriteShort(stem + "ControlType", static_cast<int16_t>(p.ControlType));
}

// Reads a time into `target` when the key holds one that can be used.
void ReadTime(const ProfileFile& file, std::string_view key, int32_t& target) {
  int32_t value = 0;
  if (file.ReadLong(key, value) && value >= 0) target = value;
}

void ReadMoves(const ProfileFile& file, std::string_view key, int16_t& target) {
  int16_t value = 0;
  if (file.ReadShort(key, value)) target = value;
}

void ReadControlType(const ProfileFile& file, std::string_view key, int32_t& target) {
  int16_t value = 0;
  if (file.ReadShort(key, value) && value >= 0) target = value;
}

void ReadPeriod(const ProfileFile& file, const std::string& family, int index, TimePeriod& p) {
  const std::string stem = family + std::to_string(index);
  ReadTime(file, stem + "Time", p.Time);
  ReadTime(file, stem + "TimePerMove", p.TimePerMove);
  ReadMoves(file, stem + "Moves", p.Moves);
  ReadControlType(file, stem + "ControlType", p.ControlType);
}

std::string ModuleName(const EngineInstance* instance) {
  return instance != nullptr ? instance->GetPath() : std::string();
}

// A stored engine or book name as a path: as it stands, else in the folder.
std::string Resolve(const std::string& name, const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::exists(name, ec) || folder.empty()) return name;
  const std::filesystem::path inFolder = std::filesystem::path(folder) / name;
  if (std::filesystem::exists(inFolder, ec)) return inFolder.string();
  return name;
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::string LoadFailedText(int id, const std::string& name) {
  return GetMessageText(id) + "\n" + name + "\n" + GetMessageText(msg::M_LOAD_FAILED);
}

}  // namespace

void ChessEngine::SaveSetup(ProfileFile& file) {
  EngineTable* table = EngineTable::Current();

  file.DeleteGroup(kEngineSetup);
  file.SelectGroup(kEngineSetup);
  file.WriteLong("HashSizeKB", table != nullptr ? table->DefaultHashKb() : 0);
  if (Slots[1] != nullptr) file.WriteText("TacticalEngine", ModuleName(Slots[1]));
  if (Slots[kEndgameSlot] != nullptr) file.WriteText("CDEndgameEngine", ModuleName(Slots[kEndgameSlot]));
  if (Slots[kMateSlot] != nullptr) file.WriteText("MateEngine", ModuleName(Slots[kMateSlot]));
  if (Book != nullptr) file.WriteText("OpeningBook", Book->FileName());

  file.DeleteGroup(kTime);
  file.SelectGroup(kTime);
  file.WriteLong("BlitzTime", BlitzControl[0].Time);
  file.WriteLong("BlitzTimePerMove", BlitzControl[0].TimePerMove);
  BlitzControl[0].Moves = TimeControl::kRestOfGame;
  file.WriteShort("BlitzControlType", static_cast<int16_t>(BlitzControl[0].ControlType));
  file.WriteLong("AdditionalBlitzTime", BlitzControl[1].Time);
  file.WriteLong("AdditionalBlitzTimePerMove", BlitzControl[1].TimePerMove);
  BlitzControl[1].Moves = TimeControl::kRestOfGame;
  BlitzControl[1].ControlType = TimeControl::kModeExtraTime;
  file.WriteLong("UserTime", UserControl.Time);
  file.WriteLong("UserTimePerMove", UserControl.TimePerMove);
  file.WriteShort("UserNumberOfMoves", UserControl.Moves);
  file.WriteShort("UserControlType", static_cast<int16_t>(UserControl.ControlType));
  file.WriteLong("AutoTime", AutoControl.Time);
  file.WriteLong("AutoTimePerMove", AutoControl.TimePerMove);
  file.WriteShort("AutoNumberOfMoves", AutoControl.Moves);
  file.WriteShort("AutoControlType", static_cast<int16_t>(AutoControl.ControlType));
  for (int k = 0; k < TimeControl::kPeriods; ++k) WritePeriod(file, "Tourn", k, TournControl[static_cast<size_t>(k)]);
  for (int k = 0; k < TimeControl::kPeriods; ++k) {
    TimePeriod period;
    Clock.GetPeriod(period, k);
    WritePeriod(file, "TC", k, period);
  }

  file.DeleteGroup(kSearch);
  file.SelectGroup(kSearch);
  file.WriteShort("SearchType", static_cast<int16_t>(Params.SearchType));
  file.WriteShort("EngineType", static_cast<int16_t>(Params.GetEngineSlot(false)));
  file.WriteFlag("BookOn", Params.BookOn != 0);
  file.WriteFlag("PermBrain", Params.PermBrain != 0);
  file.WriteFlag("Validation", Params.Validation != 0);
  file.WriteShort("SearchDepth", Params.SearchDepth);
  file.WriteShort("MateDepth", Params.MateDepth);
  file.WriteShort("NumberOfMainlines", NumberOfMainlines);

  file.DeleteGroup(kSpecialSearch);
  file.AddGroup(kSpecialSearch);

  file.DeleteGroup(kHandicap);
  file.SelectGroup(kHandicap);
  const HandicapRecord& h = Handicap.Record();
  file.WriteShort("PlayStrength", h.PlayStrength);
  file.WriteShort("EvalRange", h.EvalRange);
  file.WriteShort("KingAttack", h.KingAttack);
  file.WriteShort("KingDefence", h.KingDefence);
  file.WriteShort("PlayDir1", h.PlayDir1);
  file.WriteShort("PlayDir2", h.PlayDir2);
  file.WriteShort("Pieces", h.Pieces);
  file.WriteShort("PiecePlay", h.PiecePlay);
  file.WriteShort("TakeRate", h.TakeRate);

  file.DeleteGroup(kOpening);
  if (Book != nullptr) {
    file.SelectGroup(kOpening);
    const BookOptions options = Book->Options();
    file.WriteShort("BookType", options.type);
    file.WriteShort("BookMode", options.mode);
    file.WriteFlag("MultiOn", options.multiOn);
    file.WriteFlag("EarlySwitch", options.earlySwitch);
  }
}

void ChessEngine::LoadSetup(ProfileFile& file) {
  EngineTable* table = EngineTable::Current();
  EngineManager* manager = EngineManager::Current();
  const std::string folder = manager != nullptr ? manager->EnginesFolder() : std::string();

  file.SelectGroup(kEngineSetup);
  int32_t hashKb = 0;
  if (table != nullptr && file.ReadLong("HashSizeKB", hashKb) && hashKb > 0) table->SetDefaultHashKb(hashKb);
  if (const auto name = file.ReadText("TacticalEngine"); name && !name->empty()) {
    const std::string path = Resolve(*name, folder);
    if (!IsFile(path)) {
      ErrorBox(LoadFailedText(msg::M_LOAD_OF_ENGINE, *name));
    } else if (table != nullptr) {
      EngineInstance* instance = table->FindByName(path);
      if (instance == nullptr) {
        int32_t error = 0;
        const int index = table->LoadEngine(manager != nullptr ? manager->Window() : 0, path, error);
        if (index < 0) {
          if (error != 0) EngineTable::ReportLoadStatus(error);
        } else {
          instance = table->GetInstance(index);
        }
      }
      if (instance != nullptr) {
        const int32_t id = instance->Id();
        auto gone = [table, id] { return table->HasHostGone(id); };
        RunPendingEvents();
        WaitUntil(gone, DeadlineIn(kLoadStepMs));
        instance = table->FindById(id);
      }
      if (instance != nullptr) {
        Slots[1] = instance;
        BindInstance(instance);
        if (manager != nullptr)
          instance->handlers.startResult =
              CallbackLink::Bind<EngineManager, &EngineManager::OnEngineNameChanged>(manager);
        const int32_t id = instance->Id();
        // An engine that stays nameless is kept all the same.
        for (int i = 0; i < kNameWaits; ++i) {
          EngineInstance* live = table->FindById(id);
          if (live == nullptr || live->HostGone() || (!live->GetName().empty() && !live->GetAuthor().empty())) break;
          WaitUntil([table, id] { return table->HasHostGone(id); }, DeadlineIn(kLoadStepMs));
        }
        if (table->FindById(id) == nullptr) Slots[1] = nullptr;
      }
    }
  }

  file.SelectGroup(kOpening);
  BookOptions options;
  file.ReadShort("BookType", options.type);
  file.ReadShort("BookMode", options.mode);
  file.ReadFlag("MultiOn", options.multiOn);
  file.ReadFlag("EarlySwitch", options.earlySwitch);

  file.SelectGroup(kEngineSetup);
  if (const auto name = file.ReadText("OpeningBook"); name && !name->empty()) {
    std::string path = *name;
    if (!IsFile(path) && !Settings().programFolder.empty())
      path = (std::filesystem::path(Settings().programFolder) / *name).string();
    if (!IsFile(path)) {
      ErrorBox(LoadFailedText(msg::M_LOAD_OF_BOOK, *name));
    } else if (manager != nullptr) {
      const int index = manager->Books().AddBookWithOptions(path, options);
      if (BookManager* book = manager->Books().At(index); index >= 0 && book != nullptr) Book = book;
    }
  }

  file.SelectGroup(kTime);
  ReadTime(file, "BlitzTime", BlitzControl[0].Time);
  ReadTime(file, "BlitzTimePerMove", BlitzControl[0].TimePerMove);
  ReadControlType(file, "BlitzControlType", BlitzControl[0].ControlType);
  ReadTime(file, "AdditionalBlitzTime", BlitzControl[1].Time);
  ReadTime(file, "AdditionalBlitzTimePerMove", BlitzControl[1].TimePerMove);
  ReadTime(file, "UserTime", UserControl.Time);
  ReadTime(file, "UserTimePerMove", UserControl.TimePerMove);
  ReadMoves(file, "UserNumberOfMoves", UserControl.Moves);
  ReadControlType(file, "UserControlType", UserControl.ControlType);
  ReadTime(file, "AutoTime", AutoControl.Time);
  ReadTime(file, "AutoTimePerMove", AutoControl.TimePerMove);
  ReadMoves(file, "AutoNumberOfMoves", AutoControl.Moves);
  ReadControlType(file, "AutoControlType", AutoControl.ControlType);
  for (int k = 0; k < TimeControl::kPeriods; ++k) ReadPeriod(file, "Tourn", k, TournControl[static_cast<size_t>(k)]);
  ApplyUserControl();
  Params.SearchType = kLevelAverageTime;
  Estimator.SetTimeControl({&UserControl, 1});
  for (int k = 0; k < TimeControl::kPeriods; ++k) {
    TimePeriod period = UserControl;
    ReadPeriod(file, "TC", k, period);
    Clock.SetPeriod(period, k);
  }

  file.SelectGroup(kSearch);
  int16_t value = 0;
  if (file.ReadShort("SearchType", value)) {
    Params.SearchType = value;
    if (value == kLevelInfinite) {
      // Analysis is not a level to start with.
      Params.SearchType = kLevelAverageTime;
      ApplyUserControl();
    } else if (value == kLevelQuiz) {
      PlayingSettings().quizMode = true;
      PlayingSettings().startModes.fourth = true;
    }
  }
  if (file.ReadShort("EngineType", value) && value >= 0 && value <= kNoSlot) Params.EngineType = value;
  InstallEngine(nullptr);
  RefreshRating();
  Params.BookOn = 1;
  bool flag = false;
  if (file.ReadFlag("PermBrain", flag)) Params.PermBrain = flag ? 1 : 0;
  if (file.ReadFlag("Validation", flag)) Params.Validation = flag ? 1 : 0;
  if (file.ReadShort("SearchDepth", value) && value >= 1 && value <= kMaxDepth) Params.SearchDepth = value;
  if (file.ReadShort("MateDepth", value) && value >= 1 && value <= kMaxDepth) Params.MateDepth = value;

  file.SelectGroup(kSpecialSearch);

  file.SelectGroup(kHandicap);
  HandicapRecord& h = Handicap.Record();
  for (auto [key, field] : {std::pair{"PlayStrength", &h.PlayStrength}, {"EvalRange", &h.EvalRange},
                            {"KingAttack", &h.KingAttack}, {"KingDefence", &h.KingDefence},
                            {"PlayDir1", &h.PlayDir1}, {"PlayDir2", &h.PlayDir2}, {"Pieces", &h.Pieces},
                            {"PiecePlay", &h.PiecePlay}, {"TakeRate", &h.TakeRate}})
    file.ReadShort(key, *field);
}

std::string ChessEngine::DescribeLevel() const {
  const int32_t type = Params.SearchType;
  if (type == kLevelAverageTime && UserControl.Moves <= 1) return std::to_string(UserControl.Time / 100) + "\"av";
  if (type == kLevelFixedDepth) return std::to_string(Params.SearchDepth) + "ply";
  if (type == kLevelHandicap)
    return GetMessageText(Handicap.Record().FunScheme != 0 ? msg::M_LEVEL_FUN : msg::M_LEVEL_HANDICAP);
  if (type == kLevelQuiz) return GetMessageText(msg::M_LEVEL_QUIZ);
  TimePeriod first;
  Clock.GetPeriod(first, 0);
  switch (first.ControlType) {
    case 0:
      return "Blitz:" + std::to_string(BlitzControl[0].Time / 6000) + "'";
    case 1: {
      std::string text;
      for (size_t i = 0; i < TournControl.size(); ++i) {
        const TimePeriod& p = TournControl[i];
        if (i > 0) text += "+";
        text += std::to_string(p.Time / 6000) + "'";
        if (p.Moves >= TimeControl::kRestOfGame) break;
        text += "/" + std::to_string(p.Moves);
      }
      return text;
    }
    case 2:
      return std::to_string(UserControl.Time / 100) + "\"/" + std::to_string(UserControl.Moves);
    case 3:
    case 4:
      return "Blitz:" + std::to_string(BlitzControl[0].Time / 6000) + "'+" +
             std::to_string(BlitzControl[0].TimePerMove / 100) + "\"";
    default:
      return {};
  }
}

}  // namespace zh
