// One engine instance of the host: the control thread that loads the module and
// serves the request queue, and the search thread that runs Eng9.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "enginemodule/host/engine_host.h"
#include "enginemodule/host/host_internal.h"

namespace zh::enginehost {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a new search waits for the running one to stop, and how long the exit
// request waits for the search thread; Eng3 is repeated at this interval meanwhile.
constexpr auto kStopWait = 10s;
constexpr auto kExitWait = 5s;
constexpr auto kStopRepeat = 20ms;

struct ListDeleter {
  void operator()(eng::ParameterList* list) const { Func11(&list); }
};
using ListCopy = std::unique_ptr<eng::ParameterList, ListDeleter>;

struct Request {
  int32_t code = 0;
  intptr_t param = 0;
  std::vector<std::byte> block;  // 259 and 274
  ListCopy list;                 // 291
};

struct Exports {
  eng::Eng1Fn eng1;
  eng::Eng2Fn eng2;
  eng::Eng3Fn eng3;
  eng::Eng4Fn eng4;
  eng::Eng5Fn eng5;
  eng::Eng6Fn eng6;
  eng::Eng7Fn eng7;
  eng::Eng8Fn eng8;
  eng::Eng9Fn eng9;
  eng::Eng10Fn eng10;
  eng::Eng11Fn eng11;
  eng::Eng12Fn eng12;
  eng::Eng13Fn eng13;
  eng::Eng14Fn eng14;
  eng::Eng19Fn eng19;
};

// The five report blocks handed to Eng1; they belong to the instance.
struct ReportBlocks {
  eng::MainLineBlock main_line{};
  eng::CurrentMoveBlock current_move{};
  eng::DepthBlock depth{};
  eng::NodesBlock nodes{};
  eng::HashBlock hash{};
};

class Instance : public std::enable_shared_from_this<Instance> {
 public:
  Instance(eng::EngineSlotRecord* slot, int32_t host_thread)
      : slot_(slot),
        engine_id_(slot->engine_id),
        token_(slot->sink_token),
        gui_thread_(slot->gui_thread),
        host_thread_(host_thread),
        path_(slot->path, strnlen(slot->path, sizeof(slot->path))) {}

  void Post(Request request) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(request));
    }
    control_cv_.notify_one();
  }

  // Body of the control thread; returns after request 257.
  void RunControl();

 private:
  template <typename Block>
  Block NewBlock() {
    Block block{};
    FillHeader(block.header, sizeof(Block));
    return block;
  }
  void FillHeader(eng::BlockHeader& header, size_t size) const {
    header.size = static_cast<int32_t>(size);
    header.zero = 0;
    header.engine_id = engine_id_;
    header.host_value = token_;
    header.gui_thread = gui_thread_;
  }
  template <typename Block>
  void Send(int32_t code, const Block& block) {
    PostHostReport(token_, code, engine_id_, &block, sizeof(Block));
  }

  void Start();
  bool Load();
  void StartResult(int32_t code);
  void Handle(Request& request);
  void Exit();
  void PostStatus(int32_t code);
  void PostLogos();
  void PostText(int32_t code, const char* text);
  void StartSearch(Request& request);
  bool Searching() {
    std::lock_guard lock(mutex_);
    return search_busy_ || job_pending_;
  }
  // Waits until no search runs, calling Eng3 now and then when stop is set.
  bool WaitSearchIdle(Clock::duration limit, bool stop);
  void RunSearch();

  eng::EngineSlotRecord* slot_;
  const int32_t engine_id_;
  const int32_t token_;
  const int32_t gui_thread_;
  const int32_t host_thread_;
  const std::string path_;

  // Control thread only.
  void* library_ = nullptr;
  Exports fn_{};
  bool loaded_ = false;
  bool started_ = false;  // Eng1 answered 0
  ReportBlocks blocks_;
  std::vector<std::byte> logos_[2];
  eng::PositionBlock position_buffer_{};
  eng::TextBlock text_buffer_{};
  std::deque<Request> deferred_;  // requests that wait until no search runs
  std::thread search_thread_;

  // Shared with the search thread and the posting threads, under mutex_.
  std::mutex mutex_;
  std::condition_variable control_cv_;
  std::condition_variable search_cv_;
  std::deque<Request> queue_;
  bool search_finished_ = false;
  bool search_busy_ = false;
  bool job_pending_ = false;
  bool search_exit_ = false;
  eng::PositionBlock job_{};
};

struct Registry {
  std::mutex mutex;
  std::map<int32_t, std::shared_ptr<Instance>> instances;
  std::atomic<int32_t> next_thread_id{1};
};

Registry& Instances() {
  static Registry* registry = new Registry;
  return *registry;
}

template <typename Fn>
bool Resolve(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(library, name));
  return fn != nullptr;
}

bool Instance::Load() {
  library_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    StartResult(eng::kStartCannotLoad);
    return false;
  }
  bool ok = Resolve(library_, "Eng1", fn_.eng1) & Resolve(library_, "Eng2", fn_.eng2) &
            Resolve(library_, "Eng3", fn_.eng3) & Resolve(library_, "Eng4", fn_.eng4) &
            Resolve(library_, "Eng5", fn_.eng5) & Resolve(library_, "Eng6", fn_.eng6) &
            Resolve(library_, "Eng7", fn_.eng7) & Resolve(library_, "Eng8", fn_.eng8) &
            Resolve(library_, "Eng9", fn_.eng9) & Resolve(library_, "Eng10", fn_.eng10) &
            Resolve(library_, "Eng11", fn_.eng11) & Resolve(library_, "Eng12", fn_.eng12) &
            Resolve(library_, "Eng19", fn_.eng19);
  Resolve(library_, "Eng13", fn_.eng13);
  Resolve(library_, "Eng14", fn_.eng14);
  if (!ok) {
    dlclose(library_);
    library_ = nullptr;
    fn_ = {};
    StartResult(eng::kStartNotAnEngine);
    return false;
  }
  loaded_ = true;
  return true;
}

void Instance::Start() {
  auto thread_block = NewBlock<eng::HostThreadBlock>();
  thread_block.host_thread = host_thread_;
  Send(eng::kReportHostThread, thread_block);
  if (!Load()) return;

  FillHeader(blocks_.main_line.header, sizeof(blocks_.main_line));
  FillHeader(blocks_.current_move.header, sizeof(blocks_.current_move));
  FillHeader(blocks_.depth.header, sizeof(blocks_.depth));
  FillHeader(blocks_.nodes.header, sizeof(blocks_.nodes));
  FillHeader(blocks_.hash.header, sizeof(blocks_.hash));
  FillHeader(position_buffer_.header, sizeof(position_buffer_));
  FillHeader(text_buffer_.header, sizeof(text_buffer_));
  int32_t code = fn_.eng1(&blocks_.main_line, &blocks_.current_move, &blocks_.depth, &blocks_.nodes,
                          &blocks_.hash, slot_->hash_kb);
  if (code == eng::kStartOk) {
    started_ = true;
    PostStatus(eng::kReportStatus);
    PostLogos();
    if (fn_.eng13) PostParameterReport(token_, engine_id_, fn_.eng13());
    search_thread_ = std::thread([self = shared_from_this()] { self->RunSearch(); });
  }
  StartResult(code);
}

void Instance::StartResult(int32_t code) {
  auto block = NewBlock<eng::StartResultBlock>();
  block.code = code;
  Send(eng::kReportStartResult, block);
}

void Instance::PostStatus(int32_t code) {
  auto block = NewBlock<eng::StatusBlock>();
  block.position_buffer = &position_buffer_;
  block.text_buffer = &text_buffer_;
  block.options = loaded_ ? fn_.eng12() : 0;
  block.rating = loaded_ ? fn_.eng8() : 0;
  block.hash_kb = started_ ? blocks_.hash.hash_kb : slot_->hash_kb;
  block.kind = slot_->kind;
  block.endgame_table = 0;
  Send(code, block);
}

void Instance::PostLogos() {
  auto block = NewBlock<eng::LogoBlock>();
  block.count = 3;
  for (int kind = 1; kind <= 2; ++kind) {
    const eng::ImageHeader* image = fn_.eng19(kind);
    if (!image || image->width <= 0 || image->height <= 0 || image->width > kMaxLogoSide ||
        image->height > kMaxLogoSide)
      continue;
    size_t size = sizeof(eng::ImageHeader) + size_t{4} * static_cast<size_t>(image->width * image->height);
    if (image->size != static_cast<int32_t>(size)) continue;
    logos_[kind - 1].resize(size);
    std::memcpy(logos_[kind - 1].data(), image, size);
    block.logos[kind - 1] = reinterpret_cast<const eng::ImageHeader*>(logos_[kind - 1].data());
  }
  Send(eng::kReportLogos, block);
}

void Instance::PostText(int32_t code, const char* text) {
  auto block = NewBlock<eng::TextBlock>();
  if (text) std::strncpy(block.text, text, sizeof(block.text) - 1);
  Send(code, block);
}

bool Instance::WaitSearchIdle(Clock::duration limit, bool stop) {
  auto end = Clock::now() + limit;
  std::unique_lock lock(mutex_);
  while (search_busy_ || job_pending_) {
    if (Clock::now() >= end) return false;
    // A module keeps a stop that comes before its search has started for that search,
    // so the stop goes out only while a request waits or the module is searching: a
    // stop after the search has ended would end the next one.
    if (stop && (job_pending_ || fn_.eng4() != 0)) {
      lock.unlock();
      fn_.eng3();
      lock.lock();
    }
    search_cv_.wait_for(lock, kStopRepeat);
  }
  return true;
}

void Instance::StartSearch(Request& request) {
  if (!started_ || request.block.size() != sizeof(eng::PositionBlock)) return;
  if (!WaitSearchIdle(kStopWait, true)) return;  // the module does not stop: drop it
  while (!deferred_.empty()) {
    Request waiting = std::move(deferred_.front());
    deferred_.pop_front();
    Handle(waiting);
  }
  {
    std::lock_guard lock(mutex_);
    std::memcpy(&job_, request.block.data(), sizeof(job_));
    job_pending_ = true;
  }
  search_cv_.notify_all();
}

void Instance::Handle(Request& request) {
  switch (request.code) {
    case eng::kRequestStop:
      // Only for a search that runs or is about to (see WaitSearchIdle).
      if (started_ && Searching()) fn_.eng3();
      break;
    case eng::kRequestSearch:
      StartSearch(request);
      break;
    case eng::kRequestNextBest:
      if (started_) fn_.eng11();
      break;
    case eng::kRequestPonderHit:
      if (started_) fn_.eng10();
      break;
    case eng::kRequestName:
      if (loaded_) PostText(eng::kReportName, fn_.eng7());
      break;
    case eng::kRequestAuthor:
      if (loaded_) PostText(eng::kReportAuthor, fn_.eng6());
      break;
    case eng::kRequestInfo:
      PostStatus(eng::kReportStatus);
      break;
    case eng::kRequestParameters:
      if (!started_ || !fn_.eng14) break;
      if (Searching()) {
        deferred_.push_back(std::move(request));
      } else {
        fn_.eng14(request.list.get());
      }
      break;
    case eng::kRequestHashSize:
      if (!started_) break;
      if (Searching()) {
        deferred_.push_back(std::move(request));
      } else {
        fn_.eng2();
        started_ = fn_.eng1(&blocks_.main_line, &blocks_.current_move, &blocks_.depth, &blocks_.nodes,
                            &blocks_.hash, static_cast<int32_t>(request.param)) == eng::kStartOk;
        PostStatus(eng::kReportHashChanged);
      }
      break;
    default:  // 270 new game, 274 text: nothing to do
      break;
  }
}

void Instance::Exit() {
  bool unload = true;
  if (search_thread_.joinable()) {
    if (Searching()) fn_.eng3();
    {
      std::lock_guard lock(mutex_);
      search_exit_ = true;
    }
    search_cv_.notify_all();
    if (WaitSearchIdle(kExitWait, true)) {
      search_thread_.join();
    } else {
      // Still inside Eng9: the module must stay loaded; the thread keeps the instance.
      unload = false;
      search_thread_.detach();
    }
  }
  if (unload && library_) {
    if (started_) fn_.eng2();
    dlclose(library_);
    library_ = nullptr;
  }
  PostHostReport(token_, eng::kReportHostGone, engine_id_, nullptr, 0);
  std::atomic_ref<int32_t>(slot_->use_count).fetch_sub(1);
}

void Instance::RunControl() {
  Start();
  for (;;) {
    Request request;
    bool run_deferred = false;
    {
      std::unique_lock lock(mutex_);
      control_cv_.wait(lock, [&] { return !queue_.empty() || search_finished_; });
      if (search_finished_) {
        search_finished_ = false;
        run_deferred = !search_busy_ && !job_pending_;
      }
      if (!queue_.empty()) {
        request = std::move(queue_.front());
        queue_.pop_front();
      }
    }
    while (run_deferred && !deferred_.empty()) {
      Request waiting = std::move(deferred_.front());
      deferred_.pop_front();
      Handle(waiting);
    }
    if (request.code == eng::kRequestExit) {
      Exit();
      return;
    }
    if (request.code != 0) Handle(request);
  }
}

void Instance::RunSearch() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      search_cv_.wait(lock, [&] { return job_pending_ || search_exit_; });
      if (search_exit_) {
        job_pending_ = false;
        break;
      }
      job_pending_ = false;
      search_busy_ = true;
    }
    auto done = NewBlock<eng::SearchDoneBlock>();
    done.result = fn_.eng9(&job_);
    Send(eng::kReportSearchDone, done);
    {
      std::lock_guard lock(mutex_);
      search_busy_ = false;
      search_finished_ = true;
    }
    search_cv_.notify_all();
    control_cv_.notify_one();
  }
  std::lock_guard lock(mutex_);
  search_cv_.notify_all();
}

std::shared_ptr<Instance> FindInstance(int32_t host_thread) {
  Registry& registry = Instances();
  std::lock_guard lock(registry.mutex);
  auto it = registry.instances.find(host_thread);
  return it == registry.instances.end() ? nullptr : it->second;
}

}  // namespace

bool PostRequest(int32_t host_thread, int32_t request_code, int32_t /*engine_id*/, intptr_t param) {
  if (Func2(request_code) == 0) return false;
  std::shared_ptr<Instance> instance = FindInstance(host_thread);
  if (!instance) return false;
  Request request;
  request.code = request_code;
  request.param = param;
  auto copy = [&](size_t size) {
    request.block.resize(size);
    std::memcpy(request.block.data(), reinterpret_cast<const void*>(param), size);
  };
  switch (request_code) {
    case eng::kRequestSearch:
      if (!param) return false;
      copy(sizeof(eng::PositionBlock));
      break;
    case eng::kRequestText:
      if (!param) return false;
      copy(sizeof(eng::TextBlock));
      break;
    case eng::kRequestParameters: {
      eng::ParameterList* list = nullptr;
      Func12(&list, reinterpret_cast<const eng::ParameterList*>(param));
      request.list.reset(list);
      break;
    }
    default:
      break;
  }
  instance->Post(std::move(request));
  return true;
}

}  // namespace zh::enginehost

using namespace zh;

extern "C" void Func4(eng::EngineSlotRecord* slot) noexcept {
  if (!slot) return;
  enginehost::Registry& registry = enginehost::Instances();
  int32_t host_thread = registry.next_thread_id.fetch_add(1);
  auto instance = std::make_shared<enginehost::Instance>(slot, host_thread);
  {
    std::lock_guard lock(registry.mutex);
    registry.instances[host_thread] = instance;
  }
  std::thread([instance, host_thread] {
    instance->RunControl();
    enginehost::Registry& registry = enginehost::Instances();
    std::lock_guard lock(registry.mutex);
    registry.instances.erase(host_thread);
  }).detach();
}
