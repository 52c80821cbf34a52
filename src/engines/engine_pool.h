// Every engine object of the program, in creation order; the index is the handle
// that dialogs and matches use.
#pragma once

#include <memory>
#include <vector>

#include "engines/chess_engine.h"

namespace zh {

class BookManager;
class EngineInstance;

class EnginePool {
 public:
  EnginePool();
  // Releases each object's engines and deletes it.
  ~EnginePool();
  EnginePool(const EnginePool&) = delete;
  EnginePool& operator=(const EnginePool&) = delete;

  // The pool of the program (the last one made that still exists), or null.
  static EnginePool* Current();

  // A new engine object, appended; its index, -1 when it could not be made.
  int CreateSession();
  ChessEngine* GetSession(int index) const;
  int Count() const { return static_cast<int>(engines_.size()); }
  int IndexOf(const ChessEngine* engine) const;
  bool DeleteSessionAt(int index);
  bool DeleteSession(ChessEngine* engine);

  // Every object takes the book; objects that hold `book` forget it.
  void AttachBook(BookManager* book);
  void DetachBook(BookManager* book);
  // Every object cancels its search and takes the newly loaded instance.
  void OfferInstance(EngineInstance* instance);
  // Every object drops the instance, with events run after each.
  void ReleaseInstance(EngineInstance* instance);
  // Every object except `keep` drops the instance.
  void ReleaseInstanceExcept(EngineInstance* instance, const ChessEngine* keep);
  void UnbindAll();
  void NewGame();
  void ResetTimeTables();
  // At exit: every object's links cleared; the destructor still deletes them.
  void DetachAll();

 private:
  std::vector<std::unique_ptr<ChessEngine>> engines_;
  EnginePool* previous_ = nullptr;
};

// The book goes to the engine object; a book it held hands over its options.
void AttachBookToSession(BookManager* book, ChessEngine& engine);

// The endgame engine's evaluation of `position` into `score` (and its depth); false
// when the position is not one for it, no endgame engine is loaded in engine object
// 0, or no score came. The engine is borrowed from engine object 0 and given back;
// the wait ends at `maxRounds` rounds as the queries' waits do.
bool ConsultEndgameEngine(const Position& position, EvalValue& score, int16_t* depth = nullptr,
                          int64_t maxRounds = 40000000);

}  // namespace zh
