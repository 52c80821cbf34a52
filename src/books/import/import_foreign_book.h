// Importing a book file of another program (or of the program's own format) into an
// open opening tree: the book is read into one game, which is written into the tree
// with its variations and move marks.
#pragma once

#include <string>

namespace zh {

class OpeningTree;
class TQGame;

// Answers of the import; every failure leaves the tree as it was.
enum ForeignBookImportCode : int {
  kBookImported = 0,
  kBookCannotOpen = -1,      // the file cannot be opened (or is no file)
  kBookNoBuffer = -2,        // no read buffer
  kBookCannotPosition = -3,  // the file cannot be positioned at its start
  kBookReaderFailed = -4,    // the reader ran out of memory
  kBookNotABook = -5,        // the file lacks its format's signature
  kBookNoMemory = -10,       // no memory for the game
  kBookWriteFailed = -11,    // writing into the tree failed, or its job could not start
};

// Reads the book file into a new `game`: the format by the path's
// extension, its lines as main line and variations. 0 or one of the codes above.
int ReadForeignBook(const std::string& path, TQGame& game);

// Reads the book and writes it into the tree with the wait pointer shown, then
// shows the number of positions the tree gained. A file without its signature is
// refused with an error box naming its format.
int ImportForeignBook(const std::string& path, OpeningTree& tree);

}  // namespace zh
