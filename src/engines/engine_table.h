// The one table of engine instances: loads modules, finds and unloads instances and
// routes every engine report to the instance of its engine id.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engines/engine_instance.h"

namespace zh {

class EngineTable {
 public:
  // Waits of the table's own operations.
  static constexpr uint32_t kHashWaitMs = 5000;

  // The default hash size comes from the physical memory (KB, 0: ask the system).
  explicit EngineTable(uint64_t physicalKb = 0);
  ~EngineTable();
  EngineTable(const EngineTable&) = delete;
  EngineTable& operator=(const EngineTable&) = delete;

  // The table of the program (the last one made that still exists), or null.
  static EngineTable* Current();

  // The default hash size in KB for a machine with `physicalKb` of memory.
  static int32_t DefaultHashKbFor(uint64_t physicalKb);
  int32_t DefaultHashKb() const { return defaultHashKb_; }
  void SetDefaultHashKb(int32_t kb) { defaultHashKb_ = kb; }

  // The index of the loaded module, or -1 with `error` set (-1 in use, else a status).
  // `window` is the report inbox's token.
  int LoadEngine(int32_t window, std::string_view path, int32_t& error);
  int Count() const { return static_cast<int>(instances_.size()); }
  EngineInstance* GetInstance(int index) const;
  // The first instance with a known host thread and this path.
  EngineInstance* FindByName(std::string_view path) const;
  EngineInstance* FindById(int32_t id) const;
  int IndexOf(const EngineInstance* instance) const;
  // False when out of range or in use by an engine object.
  bool UnloadAt(int index);
  bool Unload(EngineInstance* instance);
  // Asks every instance with a host thread to end and clears the in-use flags; true
  // when none had a host thread.
  bool ReleaseAll();

  // Report dispatch.
  void OnHostGone(int32_t id);
  bool IsReady(int32_t id) const;
  void Dispatch(int32_t code, int32_t id, const void* block);
  // True when the engine's host has ended, or no instance has that id any more.
  bool HasHostGone(int32_t id) const;
  // True when no instance's host thread runs.
  bool AllGone() const;

  // Asks each engine for rating, options, kind, name and author; false while any
  // answer is missing; true at once when the event loop does not run.
  bool QueryEngineInfo();
  void SendHashSizeToAll();
  int64_t TotalHashKb() const;
  void ListPlayingEngines(std::vector<EngineInstance*>& list) const;

  static void ShowEngineError(const EngineInstance& instance);
  static void ReportLoadStatus(int32_t code);
  // The error box texts, without showing them.
  static std::string EngineErrorText(const EngineInstance& instance);
  static std::string LoadStatusText(int32_t code);

 private:
  void RemoveAt(int index);

  int32_t defaultHashKb_;
  std::vector<std::unique_ptr<EngineInstance>> instances_;
  EngineTable* previous_ = nullptr;
};

// The engines folder: "Engines" beside the program.
std::string GetEnginesDirectory();

// The key of an engine's group in the engine parameter file.
std::string EngineNameKey(std::string_view name);

}  // namespace zh
