// The program's handle on one loaded engine module. The module runs on threads of
// the engine host; the instance reaches them only by requests, and learns about the
// engine from the reports that the engine table hands it on the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/services.h"
#include "enginemodule/interface/records.h"
#include "engines/engine_logo.h"

namespace zh {

enum EngineStatus : int32_t {
  kEngineReady = 0,
  kEngineReset = -2,
  kEngineMappingFailed = -3,  // kept for the load-status texts; cannot occur here
  kEngineViewFailed = -4,     // the same
  kEngineNoMemory = -5,
  kEngineStartFailed = -6,
  kEngineNoSlot = -7,
  kEngineNoFile = -8,  // also a path longer than a slot record holds
};

// The report handlers a client binds into an instance. Each is called with the
// report's block (the start-result handler with none).
struct EngineHandlers {
  CallbackLink mainLine;
  CallbackLink searchDone;
  CallbackLink searchStarted;
  CallbackLink currentMove;
  CallbackLink nodes;
  CallbackLink depth;
  CallbackLink hashUsage;
  CallbackLink startResult;
};

class EngineInstance {
 public:
  static constexpr int32_t kDefaultRating = 2400;
  static constexpr int32_t kMinHashKb = 64;
  static constexpr size_t kMaxText = 499;

  // Takes a slot record, draws an engine id and fills the record; Status() tells
  // whether that worked. `window` is the report inbox's token.
  EngineInstance(int32_t window, std::string_view path, int32_t hashKb, int32_t kind);
  ~EngineInstance();
  EngineInstance(const EngineInstance&) = delete;
  EngineInstance& operator=(const EngineInstance&) = delete;

  // Hands the slot record to the host, which loads the module on its own thread.
  void Start();
  // Status -2: forgets the host's buffers and clears the report handlers (not the
  // host-gone observers).
  void Reset();

  // Requests; each is skipped while the host thread is unknown.
  void PostExit();
  void PostStop();
  void PostSearch(const eng::PositionBlock* block);
  void PostNextBest();
  void PostPonderHit();
  void PostNewGame();
  void PostText(std::string_view text);
  void PostHashSize(int32_t kb);
  void PostParameters(const eng::ParameterList* list);

  // What the engine told; each question asks the engine while the answer is missing.
  const std::string& GetName();
  const std::string& GetAuthor();
  uint32_t GetOptions();
  bool HasOptions();
  int32_t GetRating();
  bool HasRating();
  bool HasKind();
  bool IsEndgameEngine() const { return endgameTable_ > 0; }
  // The logo of kind 1 (small) or 2 (large) for a display of `colourCount` colours.
  const EngineLogo& GetLogo(int kind, int64_t colourCount);

  const std::string& GetPath() const { return path_; }
  const std::string& Name() const { return name_; }  // without asking
  int32_t Status() const { return status_; }
  int32_t ErrorCode() const { return errorCode_; }
  int32_t Id() const { return id_; }
  int32_t HostThread() const { return hostThread_; }
  void SetHostThread(const void* block);
  void ClearHostThread() { hostThread_ = 0; }
  int32_t HashKb() const { return hashKb_; }
  int32_t WantedHashKb() const { return wantedHashKb_; }
  int32_t Kind() const { return kind_; }
  bool StartResultReceived() const { return startResultReceived_; }
  bool InUse() const { return inUse_; }
  void SetInUse(bool inUse) { inUse_ = inUse; }
  const eng::EngineSlotRecord* SlotRecord() const { return slot_; }
  const eng::ParameterList* Parameters() const { return parameters_; }

  EngineHandlers handlers;

  // Observers told (with the engine id) when the engine's host thread has ended;
  // they survive Reset, so that a client waiting for this engine hears of it.
  void AddHostGoneObserver(CallbackLink observer);
  void RemoveHostGoneObserver(CallbackLink observer);

  // The engine table's side: one report of this engine, block not null.
  void HandleReport(int32_t code, const void* block);
  // The host has ended: tells the observers, shows "Engine stopped" when nobody
  // asked for it, and resets the instance.
  void OnHostGone();
  bool HostRunning() const { return hostRunning_; }
  bool HostGone() const { return hostGone_; }
  // Shows "Engine does not answer" once in the instance's life.
  void ReportNoAnswer();

 private:
  bool Post(int32_t request, intptr_t param = 0);
  void StoreStatus(const eng::StatusBlock& block);
  void StoreLogos(const eng::LogoBlock& block);
  std::string DisplayName() const;
  void Call(const CallbackLink& link, const void* block) const {
    link.Call(reinterpret_cast<std::intptr_t>(block));
  }

  LogoImage logos_[2];  // copies of the module's logos of kind 1 and 2
  int32_t status_ = kEngineReady;
  int32_t errorCode_ = 0;
  int32_t id_ = 0;
  int32_t window_ = 0;
  int32_t hostThread_ = 0;
  int32_t hashKb_ = 0;
  int32_t wantedHashKb_ = 0;
  int32_t kind_ = 1;
  uint32_t options_ = 0;
  int32_t rating_ = -1;
  int32_t endgameTable_ = -1;
  eng::EngineSlotRecord* slot_ = nullptr;
  bool hostBuffers_ = false;  // report 316 named the host's position and text buffers
  eng::ParameterList* parameters_ = nullptr;  // owned; freed through Func11
  std::string name_, author_, path_;
  bool startResultReceived_ = false;
  bool inUse_ = false;
  bool hostRunning_ = false;
  bool hostGone_ = false;
  bool exitPosted_ = false;
  bool noAnswerShown_ = false;
  bool stoppedShown_ = false;
  std::vector<CallbackLink> hostGoneObservers_;
  struct CachedLogo {
    bool valid = false;
    int64_t colourCount = 0;
    EngineLogo logo;
  } cachedLogos_[2];
  // The blocks posted with requests 259 and 274, and the copies of reports 329-334.
  std::unique_ptr<eng::PositionBlock> position_;
  std::unique_ptr<eng::TextBlock> text_;
  std::unique_ptr<eng::MainLineBlock> mainLineCopy_;
  eng::CurrentMoveBlock currentMoveCopy_{};
  eng::DepthBlock depthCopy_{};
  eng::NodesBlock nodesCopy_{};
  eng::HashBlock hashCopy_{};
};

// Sees every request that an instance hands to the host (tests); null for none.
using RequestTap = void (*)(int32_t engineId, int32_t request, intptr_t param);
void SetRequestTap(RequestTap tap);

// The hash size cap of an instance: 80 % of the physical memory, at least 64 KB.
int32_t HashCapKb(uint64_t physicalKb);
// Total physical memory in KB from the system probe (0 when unknown).
uint64_t PhysicalMemoryKb();

}  // namespace zh
