// The game hooks of the program's engine side: start-up, report dispatch and close
// reach the engine table and the engine manager through them. The hooks installed
// before (the game manager's) still answer everything else, and are asked too
// whether their engines are gone.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/shell_hooks.h"
#include "engines/engine_manager.h"
#include "engines/engine_table.h"

namespace zh {

class EngineHooks : public GameHooks {
 public:
  explicit EngineHooks(EngineTable& table, EngineManager* manager = nullptr, GameHooks* next = nullptr)
      : table_(table), manager_(manager), next_(next) {}

  EngineTable& Table() { return table_; }

  void LoadDefaultEngine(std::string_view bookTree) override {
    if (manager_ != nullptr) manager_->LoadDefaultEngine(bookTree);
  }
  void SaveEngineSetup() override {
    if (manager_ != nullptr) manager_->SaveSetup();
  }
  bool HasEngineTable() const override { return true; }
  int32_t HashSizeKb() const override { return table_.DefaultHashKb(); }
  bool IsLiveEngine(int32_t id) const override { return table_.IsReady(id); }
  void DispatchEngineReport(int32_t code, int32_t id, const void* block) override {
    table_.Dispatch(code, id, block);
  }
  void OnEngineEnded(int32_t id) override { table_.OnHostGone(id); }
  bool AllEnginesGone() const override { return table_.AllGone() && (next_ == nullptr || next_->AllEnginesGone()); }
  void ReleaseAllEngines() override {
    if (manager_ != nullptr)
      manager_->ReleaseAll();
    else
      table_.ReleaseAll();
    if (next_ != nullptr) next_->ReleaseAllEngines();
  }

  // The rest goes to the hooks installed before.
  void RefreshTexts() override {
    if (next_ != nullptr) next_->RefreshTexts();
  }
  bool AutosaveGame() override { return next_ != nullptr && next_->AutosaveGame(); }
  void ReloadSavedGame() override {
    if (next_ != nullptr) next_->ReloadSavedGame();
  }
  bool HasDeviceManager() const override { return next_ != nullptr && next_->HasDeviceManager(); }
  bool IsKnownDevice(int32_t id) const override { return next_ != nullptr && next_->IsKnownDevice(id); }
  void OnDeviceMessage(int32_t code, int32_t id, const void* block) override {
    if (next_ != nullptr) next_->OnDeviceMessage(code, id, block);
  }
  void CloseDevices() override {
    if (next_ != nullptr) next_->CloseDevices();
  }
  void UpdatePlayerNames() override {
    if (next_ != nullptr) next_->UpdatePlayerNames();
  }
  void UpdateAll() override {
    if (next_ != nullptr) next_->UpdateAll();
  }
  bool IsRatedGame() const override { return next_ != nullptr && next_->IsRatedGame(); }
  void LoadGame(std::string_view database, int32_t number, int ply) override {
    if (next_ != nullptr) next_->LoadGame(database, number, ply);
  }
  std::vector<std::pair<std::string, std::string>> EngineCredits() override {
    std::vector<std::pair<std::string, std::string>> credits;
    for (int i = 0; i < table_.Count(); ++i)
      if (EngineInstance* instance = table_.GetInstance(i))
        credits.emplace_back(instance->GetName(), instance->GetAuthor());
    if (credits.empty() && next_ != nullptr) return next_->EngineCredits();
    return credits;
  }

 private:
  EngineTable& table_;
  EngineManager* manager_;
  GameHooks* next_;
};

}  // namespace zh
