// What engine control asks of an opening book, and the list of loaded books. The
// opening-book subsystem supplies the real ones; the null forms hold no book, answer
// no move and ignore a stop.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/move.h"
#include "core/rules/position.h"

namespace zh {

class BookManager {
 public:
  virtual ~BookManager() = default;
  // The book's move for a position; an empty move when it has none.
  virtual Move BookMove(const Position& position) {
    (void)position;
    return Move{};
  }
  // Stops the book's work (every stop or cancel of a search).
  virtual void Stop() {}
  virtual std::string FileName() const { return {}; }
};

class LoadedBooks {
 public:
  virtual ~LoadedBooks() = default;
  // The index of the opened book, negative on failure.
  virtual int AddBook(std::string_view path) {
    (void)path;
    return -1;
  }
  virtual BookManager* At(int index) {
    (void)index;
    return nullptr;
  }
};

}  // namespace zh
