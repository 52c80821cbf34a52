// A book file of any of the formats from any bytes, imported into a fresh opening
// tree: a known result code, a game of legal moves only, never a crash, a hang or a
// leak. Input: one byte choosing the format (its value mod 5: 0 an unknown extension
// read as an own book, 1 own, 2 Genius, 3 Rebel, 4 ChessMaster), then the file's
// bytes. The committed seeds are small books of every format behind that byte.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "books/import/foreign_book_reader.h"
#include "books/import/import_foreign_book.h"
#include "books/tree/opening_tree.h"
#include "core/rules/movelist.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "zh-fuzz-book-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    return dir;
  }();
  return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// Every move of the line and of its variations is legal where it stands.
void CheckLegal(const zh::MoveLine& line, zh::Position position) {
  for (const zh::GameMove& m : line) {
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v) CheckLegal(*m.variations->GetLine(v), position);
    zh::MoveList legal;
    legal.GenerateLegal(position);
    if (!legal.Contains(m.ToMove())) std::abort();
    position.DoGameMove(m);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"book.dat", "book.zbk", "book.bok", "book.mvs", "book.obk"};
  const int format = data[0] % 5;
  const std::string chosen = Folder() + "/" + kNames[format];
  // An unknown extension is read from the "zbk" file of the same name.
  WriteFile(Folder() + "/" + kNames[format == 0 ? 1 : format], data + 1, size - 1);

  zh::TQGame game;
  const int read = zh::ReadForeignBook(chosen, game);
  if (read != zh::kBookImported && read != zh::kBookNotABook) std::abort();
  if (read == zh::kBookImported) {
    if (game.body.mainLine.Count() > zh::ForeignBookReader::kLineCapacity) std::abort();
    CheckLegal(game.body.mainLine, zh::Position());
  }

  const std::string base = Folder() + "/tree";
  for (const char* extension : {".ctg", ".ctb", ".cto"}) std::remove((base + extension).c_str());
  zh::OpeningTree tree(base);
  if (tree.Status() != 0) std::abort();
  const int imported = zh::ImportForeignBook(chosen, tree);
  if (imported != read) std::abort();
  return 0;
}
