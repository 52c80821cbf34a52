#include "engines/engine_instance.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <thread>

#include "app/message_ids.h"
#include "core/toolbox/id_counter.h"
#include "core/toolbox/system_probe.h"
#include "enginemodule/host/engine_host.h"
#include "engines/slot_records.h"

namespace zh {
namespace {

constexpr uint32_t kEndgameOptions = 16;
constexpr uint32_t kSmallOptionValue = 15;
constexpr uint32_t kPlayingEngineBit = 0x10;
constexpr int32_t kTextKind = 3;

int32_t GuiThreadId() { return static_cast<int32_t>(gettid()); }

RequestTap gRequestTap = nullptr;

}  // namespace

void SetRequestTap(RequestTap tap) { gRequestTap = tap; }

uint64_t PhysicalMemoryKb() {
  MemoryStatus memory;
  if (!CurrentSystemProbe().Memory(memory)) return 0;
  return memory.totalPhysical / 1024;
}

int32_t HashCapKb(uint64_t physicalKb) {
  // In 64 bits: 80 % of 32 GiB no longer fits the 32-bit product.
  const uint64_t cap = physicalKb / 100 * 80 + physicalKb % 100 * 80 / 100;
  const auto limit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  return std::max<int32_t>(EngineInstance::kMinHashKb, static_cast<int32_t>(std::min(cap, limit)));
}

EngineInstance::EngineInstance(int32_t window, std::string_view path, int32_t hashKb, int32_t kind)
    : id_(0), window_(window), hashKb_(hashKb), wantedHashKb_(hashKb), kind_(kind), path_(path) {
  // Without a memory figure there is nothing to cap against.
  if (const uint64_t physicalKb = PhysicalMemoryKb(); physicalKb != 0) {
    const int32_t cap = HashCapKb(physicalKb);
    if (wantedHashKb_ > cap) hashKb_ = wantedHashKb_ = cap;
  }

  slot_ = SlotRecords::Take();
  if (slot_ == nullptr) {
    status_ = kEngineNoSlot;
    return;
  }
  id_ = EngineIds().Draw();

  std::error_code ec;
  if (path.size() > kMaxText || !std::filesystem::is_regular_file(std::filesystem::path(path_), ec)) {
    status_ = kEngineNoFile;
    return;
  }

  eng::EngineSlotRecord& r = *slot_;
  std::memset(r.path, 0, sizeof(r.path));
  std::memcpy(r.path, path.data(), path.size());
  r.size = sizeof(eng::EngineSlotRecord);
  r.zero4 = 0;
  r.engine_id = id_;
  r.sink_token = window_;
  r.gui_thread = GuiThreadId();
  r.hash_kb = hashKb;  // as asked, not capped
  r.reserved24 = 0;
  r.kind = kind_;
  r.zero36 = 0;
}

EngineInstance::~EngineInstance() {
  if (!exitPosted_) PostExit();
  if (slot_ != nullptr) SlotRecords::DropUse(slot_);
  Func11(&parameters_);
}

void EngineInstance::Start() {
  if (status_ < 0 || slot_ == nullptr) return;
  SlotRecords::AddUse(slot_);
  hostRunning_ = true;
  Func4(slot_);
}

void EngineInstance::Reset() {
  status_ = kEngineReset;
  hostBuffers_ = false;
  handlers = EngineHandlers{};
}

bool EngineInstance::Post(int32_t request, intptr_t param) {
  if (hostThread_ == 0 || Func2(request) == 0) return false;
  if (gRequestTap != nullptr) gRequestTap(id_, request, param);
  const bool posted = enginehost::PostRequest(hostThread_, request, id_, param);
  std::this_thread::yield();
  return posted;
}

void EngineInstance::PostExit() {
  Reset();
  if (Post(eng::kRequestExit)) exitPosted_ = true;
}

void EngineInstance::PostStop() { Post(eng::kRequestStop); }
void EngineInstance::PostNextBest() { Post(eng::kRequestNextBest); }
void EngineInstance::PostPonderHit() { Post(eng::kRequestPonderHit); }
void EngineInstance::PostNewGame() { Post(eng::kRequestNewGame); }

void EngineInstance::PostSearch(const eng::PositionBlock* block) {
  if (hostThread_ == 0 || !hostBuffers_ || block == nullptr) return;
  // The host copies the block when the request is posted.
  if (!position_) position_ = std::make_unique<eng::PositionBlock>();
  *position_ = *block;
  position_->header.engine_id = id_;
  Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(position_.get()));
}

void EngineInstance::PostText(std::string_view text) {
  if (hostThread_ == 0 || !hostBuffers_) return;
  if (!text_) text_ = std::make_unique<eng::TextBlock>();
  *text_ = eng::TextBlock{};
  const size_t n = std::min(text.size(), kMaxText);
  std::memcpy(text_->text, text.data(), n);
  text_->header.size = sizeof(eng::TextBlock);
  text_->header.engine_id = id_;
  text_->kind = kTextKind;
  Post(eng::kRequestText, reinterpret_cast<intptr_t>(text_.get()));
}

void EngineInstance::PostHashSize(int32_t kb) {
  if (IsEndgameEngine() || kb == hashKb_) return;
  wantedHashKb_ = kb;
  Post(eng::kRequestHashSize, kb);
}

void EngineInstance::PostParameters(const eng::ParameterList* list) {
  Func11(&parameters_);
  Func12(&parameters_, list);
  if (parameters_ != nullptr) Post(eng::kRequestParameters, reinterpret_cast<intptr_t>(parameters_));
}

const std::string& EngineInstance::GetName() {
  if (name_.empty()) Post(eng::kRequestName);
  return name_;
}

const std::string& EngineInstance::GetAuthor() {
  if (author_.empty()) Post(eng::kRequestAuthor);
  return author_;
}

uint32_t EngineInstance::GetOptions() {
  if (IsEndgameEngine()) return kEndgameOptions;
  if (options_ == 0) Post(eng::kRequestInfo);
  return options_;
}

bool EngineInstance::HasOptions() {
  if (options_ != 0) return true;
  Post(eng::kRequestInfo);
  return false;
}

int32_t EngineInstance::GetRating() {
  if (IsEndgameEngine()) return 0;
  if (rating_ != -1) return rating_;
  Post(eng::kRequestInfo);
  return kDefaultRating;
}

bool EngineInstance::HasRating() {
  if (rating_ != -1) return true;
  Post(eng::kRequestInfo);
  return false;
}

bool EngineInstance::HasKind() {
  if (endgameTable_ != -1) return true;
  Post(eng::kRequestInfo);
  return false;
}

void EngineInstance::SetHostThread(const void* block) {
  hostThread_ = block ? static_cast<const eng::HostThreadBlock*>(block)->host_thread : 0;
}

void EngineInstance::AddHostGoneObserver(CallbackLink observer) {
  if (observer.IsSet()) hostGoneObservers_.push_back(observer);
}

void EngineInstance::RemoveHostGoneObserver(CallbackLink observer) {
  std::erase(hostGoneObservers_, observer);
}

void EngineInstance::StoreStatus(const eng::StatusBlock& block) {
  hostBuffers_ = block.position_buffer != nullptr && block.text_buffer != nullptr;
  uint32_t options = static_cast<uint32_t>(block.options);
  if (options >= 1 && options <= kSmallOptionValue) options += kPlayingEngineBit;
  options_ = options;
  rating_ = static_cast<int16_t>(block.rating);
  hashKb_ = block.hash_kb;
  kind_ = block.kind;
  endgameTable_ = block.endgame_table;
  if (endgameTable_ > 0) rating_ = 0;
}

void EngineInstance::StoreLogos(const eng::LogoBlock& block) {
  // The host frees its images when the engine's thread ends, while the instance may
  // stay: keep copies. Each image is checked before it is read.
  const int32_t n = std::clamp(block.count - 1, 0, 2);
  for (int i = 0; i < n; ++i) {
    const eng::ImageHeader* image = block.logos[i];
    logos_[i] = LogoImage{};
    if (image == nullptr || image->width <= 0 || image->height <= 0 ||
        image->width > enginehost::kMaxLogoSide || image->height > enginehost::kMaxLogoSide)
      continue;
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    if (image->size != static_cast<int32_t>(sizeof(eng::ImageHeader) + 4 * count)) continue;
    const uint32_t* pixels = eng::ImagePixels(image);
    logos_[i] = LogoImage{image->width, image->height, std::vector<uint32_t>(pixels, pixels + count)};
  }
}

void EngineInstance::HandleReport(int32_t code, const void* block) {
  switch (code) {
    case eng::kReportHostThread:
      SetHostThread(block);
      break;
    case eng::kReportName:
    case eng::kReportAuthor: {
      const char* text = static_cast<const eng::TextBlock*>(block)->text;
      (code == eng::kReportName ? name_ : author_).assign(text, strnlen(text, kMaxText));
      break;
    }
    case eng::kReportStatus:
      StoreStatus(*static_cast<const eng::StatusBlock*>(block));
      break;
    case eng::kReportHashChanged:
      hashKb_ = static_cast<const eng::StatusBlock*>(block)->hash_kb;
      break;
    case eng::kReportLogos:
      StoreLogos(*static_cast<const eng::LogoBlock*>(block));
      break;
    case eng::kReportCopyMainLine:
      if (!mainLineCopy_) mainLineCopy_ = std::make_unique<eng::MainLineBlock>();
      Func22(mainLineCopy_.get(), static_cast<const eng::MainLineBlock*>(block));
      Call(handlers.mainLine, mainLineCopy_.get());
      break;
    case eng::kReportCopySearchStarted:
      Call(handlers.searchStarted, block);
      break;
    case eng::kReportCopyCurrentMove:
      Func23(&currentMoveCopy_, static_cast<const eng::CurrentMoveBlock*>(block));
      Call(handlers.currentMove, &currentMoveCopy_);
      break;
    case eng::kReportCopyDepth:
      Func24(&depthCopy_, static_cast<const eng::DepthBlock*>(block));
      Call(handlers.depth, &depthCopy_);
      break;
    case eng::kReportCopyNodes:
      Func25(&nodesCopy_, static_cast<const eng::NodesBlock*>(block));
      Call(handlers.nodes, &nodesCopy_);
      break;
    case eng::kReportCopyHash:
      Func26(&hashCopy_, static_cast<const eng::HashBlock*>(block));
      Call(handlers.hashUsage, &hashCopy_);
      break;
    case eng::kReportText: {
      const char* text = static_cast<const char*>(block);
      DumpText(DisplayName() + ": " + std::string(text, strnlen(text, kMaxText)));
      break;
    }
    case eng::kReportParameters:
      Func11(&parameters_);
      Func12(&parameters_, static_cast<const eng::ParameterList*>(block));
      if (parameters_ != nullptr) Post(eng::kRequestParameters, reinterpret_cast<intptr_t>(parameters_));
      break;
    case eng::kReportMainLine: Call(handlers.mainLine, block); break;
    case eng::kReportSearchStarted: Call(handlers.searchStarted, block); break;
    case eng::kReportCurrentMove: Call(handlers.currentMove, block); break;
    case eng::kReportNodes: Call(handlers.nodes, block); break;
    case eng::kReportDepth: Call(handlers.depth, block); break;
    case eng::kReportHash: Call(handlers.hashUsage, block); break;
    case eng::kReportSearchDone: Call(handlers.searchDone, block); break;
    case eng::kReportStartResult: {
      const int32_t code348 = static_cast<const eng::StartResultBlock*>(block)->code;
      if (code348 != 0) {
        errorCode_ = code348;
        status_ = kEngineStartFailed;
      }
      startResultReceived_ = true;
      Call(handlers.startResult, nullptr);
      break;
    }
    default:
      break;
  }
}

std::string EngineInstance::DisplayName() const {
  if (!name_.empty()) return name_;
  return std::filesystem::path(path_).filename().string();
}

void EngineInstance::OnHostGone() {
  const bool unasked = !exitPosted_ && startResultReceived_ && errorCode_ == 0 && status_ == kEngineReady;
  hostRunning_ = false;
  hostGone_ = true;
  if (unasked && !stoppedShown_) {
    stoppedShown_ = true;
    ErrorBox(GetMessageText(msg::M_ENGINE_STOPPED) + " " + DisplayName());
  }
  // Copied first: an observer may remove itself.
  const std::vector<CallbackLink> observers = hostGoneObservers_;
  for (const CallbackLink& observer : observers) observer.Call(id_);
  Reset();
}

void EngineInstance::ReportNoAnswer() {
  if (noAnswerShown_) return;
  noAnswerShown_ = true;
  ErrorBox(GetMessageText(msg::M_ENGINE_NO_ANSWER) + " " + DisplayName());
}

const EngineLogo& EngineInstance::GetLogo(int kind, int64_t colourCount) {
  CachedLogo& cache = cachedLogos_[kind == 2 ? 1 : 0];
  if (!cache.valid || cache.colourCount != colourCount) {
    cache.logo = ChooseEngineLogo(kind, GetName(), colourCount, logos_[kind == 2 ? 1 : 0]);
    cache.colourCount = colourCount;
    cache.valid = startResultReceived_;  // built before the start result: build again next time
  }
  return cache.logo;
}

}  // namespace zh
