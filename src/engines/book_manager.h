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

class GameCursor;

// The options a book is opened with and that a book handing over to another passes on.
struct BookOptions {
  int16_t type = 0;
  int16_t mode = 2;
  bool multiOn = false;
  bool earlySwitch = true;
  bool changed = false;
};

class BookManager {
 public:
  virtual ~BookManager() = default;
  // The book's move for a position; an empty move when it has none.
  virtual Move BookMove(const Position& position) {
    (void)position;
    return Move{};
  }
  // The book chosen for the game (by its ECO code, 0 when unknown) and its move for
  // the cursor's position; an empty move when it has none.
  virtual Move GameBookMove(const GameCursor& cursor, uint16_t ecoCode);
  // Stops the book's work (every stop or cancel of a search).
  virtual void Stop() {}
  virtual std::string FileName() const { return {}; }
  virtual BookOptions Options() const { return options_; }
  virtual void SetOptions(const BookOptions& options) { options_ = options; }

 private:
  BookOptions options_;
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
  // The book opened and given the options; its index, negative on failure.
  virtual int AddBookWithOptions(std::string_view path, const BookOptions& options) {
    const int index = AddBook(path);
    if (BookManager* book = At(index)) book->SetOptions(options);
    return index;
  }
  virtual int Count() const { return 0; }
};

}  // namespace zh
