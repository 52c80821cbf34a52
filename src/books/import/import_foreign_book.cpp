#include "books/import/import_foreign_book.h"

#include <filesystem>
#include <memory>
#include <new>

#include "app/message_ids.h"
#include "books/import/foreign_book_reader.h"
#include "books/tree/opening_tree.h"
#include "core/services.h"
#include "core/toolbox/file_stream.h"
#include "database/game/game_item.h"

namespace zh {

namespace {

// Flag word bits of a game that carries many variations.
constexpr uint16_t kManyVariations = 3;

}  // namespace

int ReadForeignBook(const std::string& chosenPath, TQGame& game) {
  ForeignBookReader reader;
  std::string path = chosenPath;
  reader.SelectFormat(path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return kBookCannotOpen;
  TQFileStream file;
  if (file.Open(path, TQFileStream::kRead) != 0) return kBookCannotOpen;
  const int64_t size = file.Seek(0, 2);
  if (size < 0 || file.Seek(0, 0) != 0) return kBookCannotPosition;
  if (!reader.Attach(file, size)) return kBookNoBuffer;
  const int64_t header = reader.HeaderLength();
  if (header == ForeignBookReader::kNoSignature) return kBookNotABook;
  if (reader.ReadBook(game, size - header) != 0) return kBookReaderFailed;
  game.header.record = HeaderRecord::Game();
  game.header.Clear();
  game.header.white = TQPlayer::FromText(chosenPath);
  game.header.SetWord43(static_cast<uint16_t>(game.header.GetWord43() | kManyVariations));
  return kBookImported;
}

int ImportForeignBook(const std::string& path, OpeningTree& tree) {
  std::unique_ptr<TQGame> game;
  try {
    game = std::make_unique<TQGame>();
  } catch (const std::bad_alloc&) {
    return kBookNoMemory;
  }
  if (const int code = ReadForeignBook(path, *game); code != kBookImported) {
    if (code == kBookNotABook)
      ErrorBox(GetMessageText(kForeignBookFormats[BookFormatOfPath(path)].notABookText));
    return code;
  }
  WaitCursor wait;
  tree.includeVariations = true;
  tree.moveMarks = true;
  tree.plyLimit = ForeignBookReader::kLineCapacity;
  const uint32_t before = tree.Files().Pages().PositionCount();
  bool started = false;
  const int written = tree.WriteGames(*game, &started);
  int result = kBookImported;
  if (!started || written != 0) {
    result = kBookWriteFailed;
  } else {
    const uint32_t after = tree.Files().Pages().PositionCount();
    ShowStatusMessage(std::to_string(static_cast<int64_t>(after) - static_cast<int64_t>(before)) + " " +
                      GetMessageText(msg::M_TREE_NEW_POSITIONS));
  }
  tree.moveMarks = false;
  tree.includeVariations = false;
  return result;
}

}  // namespace zh
