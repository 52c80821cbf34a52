// The game hooks of the program's engine side: start-up, report dispatch and close
// reach the engine table through them.
#pragma once

#include <cstdint>

#include "app/shell_hooks.h"
#include "engines/engine_table.h"

namespace zh {

class EngineHooks : public GameHooks {
 public:
  explicit EngineHooks(EngineTable& table) : table_(table) {}

  EngineTable& Table() { return table_; }

  bool HasEngineTable() const override { return true; }
  int32_t HashSizeKb() const override { return table_.DefaultHashKb(); }
  bool IsLiveEngine(int32_t id) const override { return table_.IsReady(id); }
  void DispatchEngineReport(int32_t code, int32_t id, const void* block) override {
    table_.Dispatch(code, id, block);
  }
  void OnEngineEnded(int32_t id) override { table_.OnHostGone(id); }
  bool AllEnginesGone() const override { return table_.AllGone(); }
  void ReleaseAllEngines() override { table_.ReleaseAll(); }

 private:
  EngineTable& table_;
};

}  // namespace zh
