#include "engines/engine_table.h"

#include <filesystem>

#include "app/message_ids.h"
#include "core/services.h"
#include "core/toolbox/text_parse.h"
#include "enginemodule/interface/records.h"
#include "engines/engine_wait.h"

namespace zh {
namespace {

EngineTable*& CurrentTable() {
  static EngineTable* table = nullptr;
  return table;
}

}  // namespace

EngineTable::EngineTable(uint64_t physicalKb)
    : defaultHashKb_(DefaultHashKbFor(physicalKb != 0 ? physicalKb : PhysicalMemoryKb())),
      previous_(CurrentTable()) {
  CurrentTable() = this;
}

EngineTable::~EngineTable() {
  instances_.clear();
  if (CurrentTable() == this) CurrentTable() = previous_;
}

EngineTable* EngineTable::Current() { return CurrentTable(); }

int32_t EngineTable::DefaultHashKbFor(uint64_t physicalKb) {
  if (physicalKb >= 90000) return 65536;
  if (physicalKb >= 50000) return 16384;
  if (physicalKb >= 27000) return 10240;
  return 2048;
}

int EngineTable::LoadEngine(int32_t window, std::string_view path, int32_t& error) {
  error = 0;
  if (EngineInstance* loaded = FindByName(path)) {
    if (loaded->InUse()) {
      error = -1;
      return -1;
    }
    if (loaded->Status() < 0) {
      error = loaded->Status();
      return -1;
    }
    return IndexOf(loaded);
  }
  std::unique_ptr<EngineInstance> instance;
  try {
    instance = std::make_unique<EngineInstance>(window, path, defaultHashKb_, 1);
  } catch (const std::bad_alloc&) {
    error = kEngineNoMemory;
    return -1;
  }
  if (instance->Status() != kEngineReady) {
    error = instance->Status();
    return -1;
  }
  instances_.push_back(std::move(instance));
  instances_.back()->Start();
  RunPendingEvents();
  return Count() - 1;
}

EngineInstance* EngineTable::GetInstance(int index) const {
  return index >= 0 && index < Count() ? instances_[static_cast<size_t>(index)].get() : nullptr;
}

EngineInstance* EngineTable::FindByName(std::string_view path) const {
  for (const auto& instance : instances_)
    if (instance->HostThread() != 0 && instance->GetPath() == path) return instance.get();
  return nullptr;
}

EngineInstance* EngineTable::FindById(int32_t id) const {
  for (const auto& instance : instances_)
    if (instance->Id() == id) return instance.get();
  return nullptr;
}

int EngineTable::IndexOf(const EngineInstance* instance) const {
  for (int i = 0; i < Count(); ++i)
    if (instances_[static_cast<size_t>(i)].get() == instance) return i;
  return -1;
}

void EngineTable::RemoveAt(int index) {
  // Out of the table first: the destructor's requests must not find it again.
  std::unique_ptr<EngineInstance> gone = std::move(instances_[static_cast<size_t>(index)]);
  instances_.erase(instances_.begin() + index);
  gone.reset();
}

bool EngineTable::UnloadAt(int index) {
  EngineInstance* instance = GetInstance(index);
  if (instance == nullptr || instance->InUse()) return false;
  instance->PostExit();
  RemoveAt(index);
  return true;
}

bool EngineTable::Unload(EngineInstance* instance) { return UnloadAt(IndexOf(instance)); }

bool EngineTable::ReleaseAll() {
  bool none = true;
  for (const auto& instance : instances_) {
    if (instance->HostThread() == 0) continue;
    none = false;
    instance->PostExit();
    instance->SetInUse(false);
  }
  return none;
}

void EngineTable::OnHostGone(int32_t id) {
  EngineInstance* instance = FindById(id);
  if (instance == nullptr) return;
  instance->OnHostGone();
  instance->ClearHostThread();  // nothing more is posted to a host that has gone
  if (!instance->InUse()) RemoveAt(IndexOf(instance));
}

bool EngineTable::IsReady(int32_t id) const {
  const EngineInstance* instance = FindById(id);
  return instance != nullptr && instance->Status() == kEngineReady;
}

bool EngineTable::HasHostGone(int32_t id) const {
  const EngineInstance* instance = FindById(id);
  return instance == nullptr || instance->HostGone();
}

bool EngineTable::AllGone() const {
  for (const auto& instance : instances_)
    if (instance->HostRunning()) return false;
  return true;
}

void EngineTable::Dispatch(int32_t code, int32_t id, const void* block) {
  if (code == eng::kReportHostGone) {
    OnHostGone(id);
    return;
  }
  EngineInstance* instance = FindById(id);
  if (instance == nullptr || instance->Status() != kEngineReady || block == nullptr) return;
  instance->HandleReport(code, block);
}

bool EngineTable::QueryEngineInfo() {
  bool complete = true;
  // An instance may go while events run: look it up by id each time.
  std::vector<int32_t> ids;
  for (const auto& instance : instances_) ids.push_back(instance->Id());
  for (int32_t id : ids) {
    RunPendingEvents();
    EngineInstance* instance = FindById(id);
    if (instance == nullptr) continue;
    using Question = bool (*)(EngineInstance&);
    static constexpr Question kQuestions[] = {
        [](EngineInstance& e) { return e.HasRating(); },
        [](EngineInstance& e) { return e.HasOptions(); },
        [](EngineInstance& e) { return e.HasKind(); },
        [](EngineInstance& e) { return !e.GetName().empty(); },
        [](EngineInstance& e) { return !e.GetAuthor().empty(); },
    };
    for (Question question : kQuestions) {
      if (!App().IsEventLoopRunning()) return true;
      if (!question(*instance)) complete = false;
    }
  }
  return complete;
}

void EngineTable::SendHashSizeToAll() {
  std::vector<int32_t> ids;
  for (const auto& instance : instances_) ids.push_back(instance->Id());
  for (int32_t id : ids) {
    RunPendingEvents();
    EngineInstance* instance = FindById(id);
    if (instance == nullptr) continue;
    const int32_t kb = defaultHashKb_;
    instance->PostHashSize(kb);
    WaitUntil(
        [this, id] {
          EngineInstance* e = FindById(id);
          return e == nullptr || e->IsEndgameEngine() || e->HashKb() == e->WantedHashKb() ||
                 e->HostThread() == 0;
        },
        DeadlineIn(kHashWaitMs), id);
    RunPendingEvents();
  }
}

int64_t EngineTable::TotalHashKb() const {
  int64_t total = 0;
  for (const auto& instance : instances_)
    if (!instance->IsEndgameEngine()) total += instance->HashKb();
  return total;
}

void EngineTable::ListPlayingEngines(std::vector<EngineInstance*>& list) const {
  for (const auto& instance : instances_)
    if (!instance->IsEndgameEngine()) list.push_back(instance.get());
}

std::string EngineTable::LoadStatusText(int32_t code) {
  int word = msg::M_ENGINE_LOAD_ERROR;
  if (code == 0) word = msg::M_ENGINE_LOAD_OK;
  if (code == kEngineMappingFailed || code == kEngineViewFailed) word = msg::M_ENGINE_MAPPING_ERROR;
  return GetMessageText(msg::M_ENGINE_LOAD_STATUS) + " " + GetMessageText(word);
}

void EngineTable::ReportLoadStatus(int32_t code) { ErrorBox(LoadStatusText(code)); }

std::string EngineTable::EngineErrorText(const EngineInstance& instance) {
  int text = msg::M_ENGINE_UNKNOWN_ERROR_2;
  switch (instance.ErrorCode()) {
    case 1: text = msg::M_ENGINE_ALREADY_IN_USE; break;
    case 2: text = msg::M_ENGINE_NOT_ENOUGH_MEMORY; break;
    case 3: text = msg::M_ENGINE_UNKNOWN_ERROR_1; break;
    case 5: text = msg::M_ENGINE_MMSYSTEM_PROBLEM; break;
    case 6: text = msg::M_ENGINE_COULD_NOT_INITIALIZE; break;
    case 7: text = msg::M_ENGINE_UNKNOWN_ERROR; break;
    case 8: text = msg::M_ENGINE_NOT_VALID; break;
    case 9: text = msg::M_ENGINE_COULD_NOT_LOAD; break;
    default: break;
  }
  const std::string name = instance.Name().empty() ? GetMessageText(msg::M_ENGINE_DEFAULT_NAME) : instance.Name();
  return name + ": " + GetMessageText(text);
}

void EngineTable::ShowEngineError(const EngineInstance& instance) {
  if (instance.Status() == kEngineReady) return;
  if (instance.Status() != kEngineStartFailed) {
    ReportLoadStatus(instance.Status());
    return;
  }
  ErrorBox(EngineErrorText(instance));
}

std::string GetEnginesDirectory() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "Engines";
  return (exe.parent_path() / "Engines").string();
}

std::string EngineNameKey(std::string_view name) {
  std::string key;
  for (char c : name)
    if (c != ' ' && c != '.' && c != '0' && c != '\'' && c != ':') key += c;
  return StripAfterLast(key, '/');
}

}  // namespace zh
