// Report sinks and their queues, the module's Func3, message-number mapping and the
// copies of parameter lists and blocks.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "enginemodule/host/engine_host.h"
#include "enginemodule/host/host_internal.h"

namespace zh::enginehost {
namespace {

struct Sink {
  ReportSink sink = nullptr;
  void* context = nullptr;
  std::deque<Report> queue;
};

struct SinkTable {
  std::mutex mutex;
  std::map<int32_t, Sink> sinks;
  int32_t next_token = 1;
};

// Never destroyed: host threads may still post while the process exits.
SinkTable& Sinks() {
  static SinkTable* table = new SinkTable;
  return *table;
}

void Enqueue(int32_t token, Report report) {
  SinkTable& table = Sinks();
  ReportSink sink = nullptr;
  void* context = nullptr;
  {
    std::lock_guard lock(table.mutex);
    auto it = table.sinks.find(token);
    if (it == table.sinks.end()) return;
    it->second.queue.push_back(std::move(report));
    sink = it->second.sink;
    context = it->second.context;
  }
  if (sink) sink(context);
}

// Size of the block a module posts with a report code, 0 for codes it may not post.
size_t ModuleBlockSize(int32_t code) {
  switch (code) {
    case eng::kReportMainLine:
    case eng::kReportSearchStarted: return sizeof(eng::MainLineBlock);
    case eng::kReportCurrentMove: return sizeof(eng::CurrentMoveBlock);
    case eng::kReportNodes: return sizeof(eng::NodesBlock);
    case eng::kReportDepth: return sizeof(eng::DepthBlock);
    case eng::kReportHash: return sizeof(eng::HashBlock);
    default: return 0;
  }
}

bool IsRequest(int32_t code) {
  switch (code) {
    case eng::kRequestExit: case eng::kRequestStop: case eng::kRequestSearch:
    case eng::kRequestNextBest: case eng::kRequestName: case eng::kRequestAuthor:
    case eng::kRequestPonderHit: case eng::kRequestInfo: case eng::kRequestNewGame:
    case eng::kRequestText: case eng::kRequestParameters: case eng::kRequestHashSize:
      return true;
    default:
      return false;
  }
}

bool IsReport(int32_t code) {
  switch (code) {
    case eng::kReportHostThread: case eng::kReportHostGone: case eng::kReportName:
    case eng::kReportAuthor: case eng::kReportStatus: case eng::kReportLogos:
    case eng::kReportText: case eng::kReportParameters: case eng::kReportSearchDone:
    case eng::kReportStartResult: case eng::kReportHashChanged:
      return true;
    default:
      return (code >= eng::kReportCopyMainLine && code <= eng::kReportCopyHash) ||
             (code >= eng::kReportMainLine && code <= eng::kReportHash);
  }
}

size_t Align8(size_t n) { return (n + 7) & ~size_t{7}; }

}  // namespace

int32_t RegisterSink(ReportSink sink, void* context) {
  SinkTable& table = Sinks();
  std::lock_guard lock(table.mutex);
  int32_t token = table.next_token++;
  Sink& entry = table.sinks[token];
  entry.sink = sink;
  entry.context = context;
  return token;
}

void UnregisterSink(int32_t token) {
  SinkTable& table = Sinks();
  std::deque<Report> dropped;
  std::lock_guard lock(table.mutex);
  auto it = table.sinks.find(token);
  if (it == table.sinks.end()) return;
  dropped.swap(it->second.queue);
  table.sinks.erase(it);
}

bool TakeReport(int32_t token, Report& out) {
  SinkTable& table = Sinks();
  std::lock_guard lock(table.mutex);
  auto it = table.sinks.find(token);
  if (it == table.sinks.end() || it->second.queue.empty()) return false;
  out = std::move(it->second.queue.front());
  it->second.queue.pop_front();
  return true;
}

void PostHostReport(int32_t token, int32_t code, int32_t engine_id, const void* block, size_t size) {
  Report report;
  report.code = code;
  report.engine_id = engine_id;
  if (block) report.SetBytes(block, size);
  Enqueue(token, std::move(report));
}

void PostParameterReport(int32_t token, int32_t engine_id, const eng::ParameterList* list) {
  eng::ParameterList* copy = nullptr;
  Func12(&copy, list);
  if (!copy) return;
  Report report;
  report.code = eng::kReportParameters;
  report.engine_id = engine_id;
  report.SetList(copy);
  Enqueue(token, std::move(report));
}

Report::Report(Report&& other) noexcept
    : code(other.code), engine_id(other.engine_id), bytes_(std::move(other.bytes_)), list_(other.list_) {
  other.list_ = nullptr;
}

Report& Report::operator=(Report&& other) noexcept {
  if (this != &other) {
    Func11(&list_);
    code = other.code;
    engine_id = other.engine_id;
    bytes_ = std::move(other.bytes_);
    list_ = other.list_;
    other.list_ = nullptr;
  }
  return *this;
}

Report::~Report() { Func11(&list_); }

void Report::SetBytes(const void* data, size_t size) {
  bytes_.resize(size);
  std::memcpy(bytes_.data(), data, size);
}

}  // namespace zh::enginehost

using namespace zh;

extern "C" void Func3(int32_t code, int32_t /*gui_thread*/, int32_t engine_id, void* block) noexcept {
  size_t size = enginehost::ModuleBlockSize(code);
  if (size == 0 || block == nullptr) return;
  // The module goes on writing into the block at once: snapshot it here.
  const auto* header = static_cast<const eng::BlockHeader*>(block);
  if (header->size != static_cast<int32_t>(size)) return;
  enginehost::Report report;
  report.code = code;
  report.engine_id = engine_id;
  report.SetBytes(block, size);
  enginehost::Enqueue(header->host_value, std::move(report));
}

extern "C" int32_t Func1(int32_t message) noexcept { return enginehost::IsReport(message) ? message : 0; }

extern "C" int32_t Func2(int32_t request) noexcept { return enginehost::IsRequest(request) ? request : 0; }

extern "C" void Func11(eng::ParameterList** list) noexcept {
  if (!list) return;
  std::free(*list);
  *list = nullptr;
}

extern "C" void Func12(eng::ParameterList** out, const eng::ParameterList* source) noexcept {
  if (!out) return;
  *out = nullptr;
  if (!source) return;
  uint32_t count = std::min(source->count, enginehost::kMaxParameters);
  if (!source->entries) count = 0;
  // One allocation: list, entries, then names and values, each 8-aligned.
  auto name_bytes = [&](const eng::ParameterEntry& e) -> size_t {
    if (!e.name || e.name_length <= 0) return 0;
    return static_cast<size_t>(std::min(e.name_length, enginehost::kMaxParameterName));
  };
  auto value_bytes = [&](const eng::ParameterEntry& e) -> size_t {
    if (e.type <= 2 || e.value_size <= 0) return 0;
    return static_cast<size_t>(std::min(e.value_size, enginehost::kMaxParameterValue));
  };
  size_t total = sizeof(eng::ParameterList) + count * sizeof(eng::ParameterEntry);
  for (uint32_t i = 0; i < count; ++i) {
    const eng::ParameterEntry& e = source->entries[i];
    total += enginehost::Align8(name_bytes(e)) + 2 * enginehost::Align8(value_bytes(e));
  }
  auto* base = static_cast<std::byte*>(std::calloc(1, total));
  if (!base) return;
  auto* list = reinterpret_cast<eng::ParameterList*>(base);
  list->header = source->header;
  list->header.size = sizeof(eng::ParameterList);
  list->count = count;
  list->entries = count ? reinterpret_cast<eng::ParameterEntry*>(base + sizeof(eng::ParameterList)) : nullptr;
  std::byte* tail = base + sizeof(eng::ParameterList) + count * sizeof(eng::ParameterEntry);
  for (uint32_t i = 0; i < count; ++i) {
    const eng::ParameterEntry& from = source->entries[i];
    eng::ParameterEntry& to = list->entries[i];
    to = from;
    to.size = sizeof(eng::ParameterEntry);
    size_t n = name_bytes(from);
    if (n) {
      std::memcpy(tail, from.name, n);
      reinterpret_cast<char*>(tail)[n - 1] = '\0';
      to.name = reinterpret_cast<const char*>(tail);
      to.name_length = static_cast<int32_t>(n);
      tail += enginehost::Align8(n);
    } else {
      to.name = nullptr;
      to.name_length = 0;
    }
    size_t v = value_bytes(from);
    if (from.type > 2) {
      to.value_size = static_cast<int32_t>(v);
      to.default_value.pointer = nullptr;
      to.current_value.pointer = nullptr;
      if (v) {
        if (from.default_value.pointer) std::memcpy(tail, from.default_value.pointer, v);
        to.default_value.pointer = tail;
        tail += enginehost::Align8(v);
        if (from.current_value.pointer) std::memcpy(tail, from.current_value.pointer, v);
        to.current_value.pointer = tail;
        tail += enginehost::Align8(v);
      }
    }
  }
  *out = list;
}

extern "C" void Func21(eng::PositionBlock* to, const eng::PositionBlock* from) noexcept {
  if (to && from) std::memcpy(to, from, sizeof(*to));
}
extern "C" void Func22(eng::MainLineBlock* to, const eng::MainLineBlock* from) noexcept {
  if (to && from) std::memcpy(to, from, sizeof(*to));
}
extern "C" void Func23(eng::CurrentMoveBlock* to, const eng::CurrentMoveBlock* from) noexcept {
  if (to && from) std::memcpy(to, from, sizeof(*to));
}
extern "C" void Func24(eng::DepthBlock* to, const eng::DepthBlock* from) noexcept {
  if (to && from) std::memcpy(to, from, sizeof(*to));
}
extern "C" void Func25(eng::NodesBlock* to, const eng::NodesBlock* from) noexcept {
  if (to && from) std::memcpy(to, from, sizeof(*to));
}
extern "C" void Func26(eng::HashBlock* to, const eng::HashBlock* from) noexcept {
  if (to && from) std::memcpy(to, from, sizeof(*to));
}
