#include "database/game/game_title.h"

#include "database/game/annotation_set.h"
#include "database/game/move_tree.h"

namespace zh {

std::string GameTitleLine(const TQGame& game, bool resultFirst) {
  const GameHeader& h = game.header;
  std::string text = h.white.FullName();
  if (!h.white.IsEmpty() && !h.black.IsEmpty()) text += "-" + h.black.FullName();
  const std::string& event = !h.tournament.Title().empty() ? h.tournament.Title() : h.tournament.Place();
  if (!event.empty()) {
    text += "/" + event;
    const uint32_t year = h.GetDate() >> 9;
    if (year) text += " " + std::to_string(year);
  }
  if (!h.source.Title().empty()) text += "/" + h.source.Title();
  if (!h.annotator.Name().empty()) text += "/[" + h.annotator.Name() + "]";
  if (h.GetResult() != kNoResult) {
    const std::string result = h.GetGameResult().ToText().ToUtf8();
    if (resultFirst) text = result + " " + text;
    else text += "/" + result;
  }
  if (h.GetMoveCount()) text += " (" + std::to_string(h.GetMoveCount()) + ")";
  return text;
}

int FindKeyPly(const GameCursor& cursor, int ply) {
  const int lineEnd = cursor.LineEnd();
  const int d = ply < lineEnd ? ply : lineEnd;
  const int end = ply + 40 < lineEnd ? ply + 40 : lineEnd;
  int found = -1;
  for (int i = d; i < end && found < 0; ++i) {
    const int code = GetSymbols(*cursor.GetMove(i)).PositionSymbolCode();
    if (code >= 1 && code <= 13) found = i;
  }
  for (int i = d; i < lineEnd && found < 0; ++i)
    if (!cursor.GetMove(i)->IsCapture()) found = i;
  return found >= 0 && lineEnd - found >= 20 ? found : lineEnd;
}

void CursorPath::Capture(const GameCursor& cursor) {
  steps.clear();
  const LineStack& lines = cursor.Lines();
  for (int i = 0; i < lines.Count(); ++i)
    steps.push_back({lines.Entry(i).position.ply, static_cast<int16_t>(lines.Entry(i).index)});
}

int CursorPath::Restore(GameCursor& cursor, int ply) const {
  cursor.Rewind();
  for (const Step& s : steps) {
    while (cursor.Ply() < s.ply && cursor.Forward() == 0) {
    }
    if (const int rc = cursor.BeginLine(s.index)) return rc;
  }
  while (cursor.Ply() < ply && cursor.Forward() == 0) {
  }
  return 0;
}

bool SamePosition(const Position& a, const Position& b) {
  return a.board.Equals(b.board) && a.side == b.side && a.castling == b.castling;
}

namespace {

bool Search(GameCursor& cursor, int count, const Position& position) {
  for (int step = 0;; ++step) {
    if (SamePosition(cursor.GetPosition(), position)) return true;
    if (step >= count || cursor.Ply() >= cursor.LineEnd()) return false;
    // Each variation at this ply: its first move, then the rest of it.
    const int variations = cursor.VariationCount(cursor.Ply());
    for (int v = 0; v < variations; ++v) {
      const GameCursor saved = cursor;
      if (cursor.BeginLine(v) == 0 && cursor.Forward() == 0 &&
          Search(cursor, count - step - 1, position))
        return true;
      cursor = saved;
    }
    cursor.Forward();
  }
}

}  // namespace

bool GameCursor::FindPosition(int count, const Position& position) {
  const GameCursor saved = *this;
  if (Search(*this, count, position)) return true;
  *this = saved;
  return false;
}

}  // namespace zh
