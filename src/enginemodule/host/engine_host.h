// The engine host: runs each engine instance on a control thread of its own (which
// loads the module and calls its exports) and a search thread (which runs Eng9).
// Requests reach an instance through a thread-safe queue; every report is copied when
// it is posted and queued for the program's report sink, which only wakes the GUI
// thread; the GUI thread then drains the queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "enginemodule/interface/exports.h"
#include "enginemodule/interface/records.h"

extern "C" {
// Starts an instance for a filled slot record; the record must stay valid until the
// host has given up its use count (after report 305).
void Func4(zh::eng::EngineSlotRecord* slot) noexcept;
// Report code of a message number, 0 when it is not an engine message.
int32_t Func1(int32_t message) noexcept;
// Message number of a request code, 0 when it is none.
int32_t Func2(int32_t request) noexcept;
// Frees a list made by Func12 and clears the pointer.
void Func11(zh::eng::ParameterList** list) noexcept;
// *out becomes a new copy of source (bounded), or null.
void Func12(zh::eng::ParameterList** out, const zh::eng::ParameterList* source) noexcept;
// Plain copies of the blocks.
void Func21(zh::eng::PositionBlock* to, const zh::eng::PositionBlock* from) noexcept;
void Func22(zh::eng::MainLineBlock* to, const zh::eng::MainLineBlock* from) noexcept;
void Func23(zh::eng::CurrentMoveBlock* to, const zh::eng::CurrentMoveBlock* from) noexcept;
void Func24(zh::eng::DepthBlock* to, const zh::eng::DepthBlock* from) noexcept;
void Func25(zh::eng::NodesBlock* to, const zh::eng::NodesBlock* from) noexcept;
void Func26(zh::eng::HashBlock* to, const zh::eng::HashBlock* from) noexcept;
}

namespace zh::enginehost {

// Bounds of what the host copies from parameter lists.
constexpr uint32_t kMaxParameters = 256;
constexpr int32_t kMaxParameterName = 1024;
constexpr int32_t kMaxParameterValue = 4096;
constexpr int32_t kMaxLogoSide = 1024;

// Called on a host thread after a report was queued. It must only wake the GUI thread.
using ReportSink = void (*)(void* context);

// Registers a sink; the token goes into the slot record (+12) and every block header.
int32_t RegisterSink(ReportSink sink, void* context);
void UnregisterSink(int32_t token);

// One report as it was when posted.
class Report {
 public:
  Report() = default;
  Report(Report&& other) noexcept;
  Report& operator=(Report&& other) noexcept;
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;
  ~Report();

  int32_t code = 0;
  int32_t engine_id = 0;
  // The copy of the block; null for 305.
  void* block() { return list_ ? static_cast<void*>(list_) : bytes_.empty() ? nullptr : bytes_.data(); }
  template <typename T>
  T* as() { return static_cast<T*>(block()); }

  void SetBytes(const void* data, size_t size);
  void SetList(eng::ParameterList* list) { list_ = list; }  // takes ownership (Func12 copy)

 private:
  std::vector<std::byte> bytes_;
  eng::ParameterList* list_ = nullptr;
};

// Takes the oldest queued report of a sink; false when none is queued.
bool TakeReport(int32_t token, Report& out);

// Posts a request to the instance whose host thread id is given (from report 304).
// The payload is copied: the position block of 259, the text block of 274, the
// parameter list of 291; 302 carries the hash size in KB as param. False when no
// such instance runs or the code is no request.
bool PostRequest(int32_t host_thread, int32_t request, int32_t engine_id, intptr_t param);

// Posts a report from the host itself (copied like Func3's).
void PostHostReport(int32_t token, int32_t code, int32_t engine_id, const void* block, size_t size);

}  // namespace zh::enginehost
