#include "engines/engine_pool.h"

#include <algorithm>
#include <thread>

#include "engines/engine_instance.h"
#include "engines/engine_wait.h"
#include "engines/slot_choice.h"

namespace zh {
namespace {

EnginePool*& CurrentPool() {
  static EnginePool* pool = nullptr;
  return pool;
}

// Lets pending events run, gives up the processor once, then runs `rounds` more.
void LetEventsRun(int rounds) {
  RunPendingEvents();
  std::this_thread::yield();
  for (int i = 0; i < rounds; ++i) RunPendingEvents();
}

}  // namespace

EnginePool::EnginePool() : previous_(CurrentPool()) { CurrentPool() = this; }

EnginePool::~EnginePool() {
  // Objects are deleted last first: a later object may have borrowed from an earlier.
  while (!engines_.empty()) {
    std::unique_ptr<ChessEngine> engine = std::move(engines_.back());
    engines_.pop_back();
    engine->ReleaseSlots();
    engine->MoveReadyLink.Clear();
  }
  if (CurrentPool() == this) CurrentPool() = previous_;
}

EnginePool* EnginePool::Current() { return CurrentPool(); }

int EnginePool::CreateSession() {
  engines_.push_back(std::make_unique<ChessEngine>());
  return Count() - 1;
}

ChessEngine* EnginePool::GetSession(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return engines_[static_cast<size_t>(index)].get();
}

int EnginePool::IndexOf(const ChessEngine* engine) const {
  for (int i = 0; i < Count(); ++i)
    if (engines_[static_cast<size_t>(i)].get() == engine) return i;
  return -1;
}

bool EnginePool::DeleteSessionAt(int index) {
  if (index < 0 || index >= Count()) return false;
  engines_.erase(engines_.begin() + index);
  return true;
}

bool EnginePool::DeleteSession(ChessEngine* engine) { return DeleteSessionAt(IndexOf(engine)); }

void AttachBookToSession(BookManager* book, ChessEngine& engine) {
  if (book == nullptr) return;
  if (engine.Book != nullptr && engine.Book != book) {
    BookOptions options = engine.Book->Options();
    options.changed = true;
    book->SetOptions(options);
  }
  engine.Book = book;
  SearchParams params = engine.Params;
  params.BookOn = 1;
  engine.SetSearchParams(params);
}

void EnginePool::AttachBook(BookManager* book) {
  for (auto& engine : engines_) AttachBookToSession(book, *engine);
}

void EnginePool::DetachBook(BookManager* book) {
  for (auto& engine : engines_)
    if (engine->Book == book) engine->Book = nullptr;
}

void EnginePool::OfferInstance(EngineInstance* instance) {
  for (auto& engine : engines_) {
    engine->CancelSearch();
    engine->InstallEngine(instance);
  }
}

void EnginePool::ReleaseInstance(EngineInstance* instance) { ReleaseInstanceExcept(instance, nullptr); }

void EnginePool::ReleaseInstanceExcept(EngineInstance* instance, const ChessEngine* keep) {
  if (instance == nullptr) return;
  for (auto& engine : engines_) {
    if (engine.get() == keep) continue;
    engine->DropInstance(instance);
    LetEventsRun(50);
  }
}

void EnginePool::UnbindAll() {
  for (auto& engine : engines_) {
    for (EngineInstance* instance : engine->Slots) engine->UnbindInstance(instance);
    RunPendingEvents();
    std::this_thread::yield();
  }
}

void EnginePool::NewGame() {
  for (auto& engine : engines_) engine->NewGame();
}

void EnginePool::ResetTimeTables() {
  for (auto& engine : engines_) engine->NewGame();
}

void EnginePool::DetachAll() {
  // The objects stay in the list, so that the destructor still deletes them.
  for (auto& engine : engines_) engine->ClearLinks();
}

}  // namespace zh
