#include "memory_database.h"

#include <new>

#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/search_mask.h"
#include "game_test_util.h"

namespace zh::test {

MemoryDatabase::MemoryDatabase(std::string name, int32_t kind) : TQFileDatabase(std::move(name), kind) {}

void MemoryDatabase::AddGame(const std::string& white, const std::string& moves) {
  Item item;
  item.header.record = HeaderRecord::Game();
  item.header.Clear();
  item.header.white = TQPlayer::FromText(white);
  item.header.black = TQPlayer("Black", "");
  item.moves = moves;
  items.push_back(item);
}

void MemoryDatabase::AddText(const std::string& title) {
  Item item;
  item.header.record = HeaderRecord::Text();
  item.header.text = title;
  items.push_back(item);
}

int MemoryDatabase::Check(int n) {
  ++readCount;
  return n >= 1 && n <= GetCount() && !unreadable.count(n) ? kDbDone : kDbReadError;
}

int MemoryDatabase::ReadHeader(int n, GameHeader& header) {
  if (const int rc = Check(n)) return rc;
  header = items[static_cast<size_t>(n - 1)].header;
  return kDbDone;
}

int MemoryDatabase::ReadHeaderRecord(int n, GameHeader& header) {
  return ReadHeader(n, header);
}

int MemoryDatabase::WriteHeader(int n, GameHeader& header) {
  if (n < 1 || n > GetCount()) return kDbWriteError;
  items[static_cast<size_t>(n - 1)].header = header;
  return kDbDone;
}

int MemoryDatabase::ReadGameBody(int n, TQGame& game, int plyLimit, bool) {
  if (const int rc = ReadHeader(n, game.header)) return rc;
  game.database = this;
  game.number = n;
  game.body.ClearMoves();
  game.body.SetStandardStart();
  GameCursor cursor(&game);
  Enter(cursor, items[static_cast<size_t>(n - 1)].moves);
  while (game.body.mainLine.Count() > plyLimit) {
    cursor.GoToPly(plyLimit);
    cursor.DeleteRemainder();
  }
  return kDbDone;
}

int MemoryDatabase::ReadGame(int n, TQGame& game, bool moveTexts) {
  return ReadGameBody(n, game, 600, moveTexts);
}

int MemoryDatabase::ReadGameTrace(int n, TraceSink& trace, TQGame& game, int plyLimit) {
  if (const int rc = ReadGameBody(n, game, plyLimit, false)) return rc;
  GameCursor cursor(&game);
  trace.blackStarts = cursor.GetPosition().IsBlackToMove();
  trace.Start(cursor.GetPosition().board);
  for (int i = 0; i < game.body.mainLine.Count(); ++i) {
    const int side = static_cast<int>(cursor.GetPosition().side);
    trace.AppendMove(*game.body.mainLine.GetMove(i), side);
    cursor.Forward();
  }
  return kDbDone;
}

int MemoryDatabase::AppendHeader(int& n, GameHeader& header) {
  items.push_back({header, ""});
  n = GetCount();
  return kDbDone;
}

int MemoryDatabase::AppendGame(TQGame& game) {
  if (++appends_ == failAppendAt) return kDbWriteError;
  items.push_back({game.header, DumpTree(game)});
  return kDbDone;
}

int MemoryDatabase::CopyGameRange(Database& source, int first, int& last, CopyOptions& options) {
  calls.push_back("Range " + std::to_string(first) + "-" + std::to_string(last));
  return TQFileDatabase::CopyGameRange(source, first, last, options);
}

int MemoryDatabase::CopyGeneric(Database& source, int first, int& last, CopyOptions& options) {
  calls.push_back("Generic " + std::to_string(first) + "-" + std::to_string(last));
  return TQFileDatabase::CopyGeneric(source, first, last, options);
}

void MemoryDatabase::EndUpdate() {
  calls.push_back("EndUpdate");
  TQFileDatabase::EndUpdate();
}

std::unique_ptr<TQGame> MemoryDatabase::MakeWorkGame() const {
  if (noWorkGame) return nullptr;
  return TQFileDatabase::MakeWorkGame();
}

}  // namespace zh::test
