#include "books/zbk_writer.h"

#include <cstdio>
#include <fstream>
#include <functional>

#include "books/opening_table.h"
#include "books/zbk_book.h"
#include "core/rules/movelist.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/pgn/pgn_reader.h"

namespace zh {

namespace {

// Checks the line on the board and fills in what the squares leave open.
bool CheckLine(const std::vector<ZbkLineMove>& line, std::string* error) {
  auto fail = [&](size_t ply, const std::string& why) {
    if (error) *error = "ply " + std::to_string(ply + 1) + ": " + why;
    return false;
  };
  if (line.size() > static_cast<size_t>(kZbkMaxLine))
    return fail(line.size() - 1, "a line holds at most " + std::to_string(kZbkMaxLine) + " moves");
  Position position;
  for (size_t i = 0; i < line.size(); ++i) {
    const ZbkLineMove& m = line[i];
    if (m.from == m.to || m.from > 63 || m.to > 63) return fail(i, "null move");
    const bool promotes = position.IsPromotionMove(m.from, m.to);
    if (promotes && m.promotion != 0 && m.promotion != kQueen)
      return fail(i, "under-promotion (a book promotes to a queen only)");
    Move move = Move::FromSquares(m.from, m.to, promotes ? kQueen : 0);
    move.Complete(position.board);
    MoveList legal;
    legal.GenerateLegal(position);
    if (!legal.Contains(move)) return fail(i, "illegal move " + move.ToLongText());
    position.MakeMove(move);
  }
  return true;
}

}  // namespace

int ZbkClassOfGlyph(int glyph) {
  switch (glyph) {
    case 5:
      return kGeneralBookMove;
    case 6:
      return kGambitBookMove;
    case 2:
    case 4:
      return kBadBookMove;
    default:
      return kMainBookMove;
  }
}

ZbkWriter::ZbkWriter() : nodes_(1) {}

bool ZbkWriter::AddLine(const std::vector<ZbkLineMove>& line, std::string* error) {
  if (!CheckLine(line, error)) return false;
  int node = 0;
  for (const ZbkLineMove& m : line) {
    int next = -1;
    for (int c : nodes_[static_cast<size_t>(node)].children)
      if (nodes_[static_cast<size_t>(c)].from == m.from && nodes_[static_cast<size_t>(c)].to == m.to)
        next = c;
    if (next < 0) {
      next = static_cast<int>(nodes_.size());
      nodes_.push_back({m.from, m.to, m.moveClass, {}});
      nodes_[static_cast<size_t>(node)].children.push_back(next);
    } else if (m.moveClass != kMainBookMove) {
      nodes_[static_cast<size_t>(next)].moveClass = m.moveClass;
    }
    node = next;
  }
  return true;
}

bool ZbkWriter::AddGame(const TQGame& game, std::string* error) {
  if (game.body.IsSetUp() || !game.body.start.IsStandardStart()) {
    if (error) *error = "a game from a set-up position";
    return false;
  }
  std::vector<std::vector<ZbkLineMove>> lines;
  std::vector<ZbkLineMove> prefix;
  std::function<void(const MoveLine&)> walk = [&](const MoveLine& line) {
    const size_t base = prefix.size();
    for (const GameMove& move : line) {
      if (move.variations) {
        for (int v = 0; v < move.variations->Count(); ++v) walk(*move.variations->GetLine(v));
      }
      prefix.push_back({move.from, move.to, move.promotion,
                        static_cast<uint8_t>(ZbkClassOfGlyph(GetSymbols(move).move))});
    }
    if (prefix.size() > base) lines.push_back(prefix);
    prefix.resize(base);
  };
  walk(game.body.mainLine);
  for (const auto& line : lines)
    if (!CheckLine(line, error)) return false;
  for (const auto& line : lines) AddLine(line, error);
  return true;
}

int ZbkWriter::AddPgnText(std::string_view text, std::vector<std::string>* errors) {
  const std::vector<uint64_t> starts = FindPgnGames(text);
  int refused = 0;
  for (size_t g = 0; g + 1 < starts.size(); ++g) {
    TQGame game;
    PgnSource source;
    source.game = static_cast<int64_t>(g + 1);
    int lost = 0;
    ReadPgnGame(text.substr(starts[g], starts[g + 1] - starts[g]), game, source, false, &lost);
    std::string error;
    if (lost & kPgnLostFen) error = "no legal position fits the FEN";
    else if (lost & kPgnLostPlies) error = "too many plies";
    if (error.empty() && AddGame(game, &error)) continue;
    ++refused;
    if (errors) errors->push_back("game " + std::to_string(g + 1) + ": " + error);
  }
  return refused;
}

int ZbkWriter::AddOpeningTable(std::string_view text, std::string_view firstEco,
                               std::string_view lastEco, std::vector<std::string>* errors) {
  int refused = 0;
  ForEachOpeningRow(text, [&](const OpeningTableRow& row) {
    if (row.eco < firstEco || row.eco > lastEco) return true;
    TQGame game;
    ReadPgnGame(std::string(row.moves) + " *\n", game, PgnSource{}, true);
    std::vector<ZbkLineMove> moves;
    for (const GameMove& move : game.body.mainLine)
      moves.push_back({move.from, move.to, move.promotion, kMainBookMove});
    if (!moves.empty() && row.name.find("Gambit") != std::string_view::npos)
      moves.back().moveClass = kGambitBookMove;
    std::string error = "no moves";
    if (!moves.empty() && AddLine(moves, &error)) return true;
    ++refused;
    if (errors) errors->push_back("row " + std::to_string(row.index + 1) + ": " + error);
    return true;
  });
  return refused;
}

int ZbkWriter::LineCount() const {
  int leaves = 0;
  for (size_t i = 1; i < nodes_.size(); ++i) leaves += nodes_[i].children.empty();
  return leaves;
}

void ZbkWriter::Write(int node, std::vector<uint8_t>& out) const {
  const std::vector<int>& children = nodes_[static_cast<size_t>(node)].children;
  for (size_t i = 0; i < children.size(); ++i) {
    const Node& child = nodes_[static_cast<size_t>(children[i])];
    uint8_t b0 = static_cast<uint8_t>(BoardToZbkSquare(child.from));
    if (i + 1 == children.size()) b0 |= kZbkLastAlternative;
    if (child.children.empty()) b0 |= kZbkLineEnd;
    out.push_back(b0);
    out.push_back(static_cast<uint8_t>(BoardToZbkSquare(child.to) | ZbkMarkOfClass(child.moveClass) << 6));
    Write(children[i], out);
  }
}

std::vector<uint8_t> ZbkWriter::Bytes() const {
  std::vector<uint8_t> out;
  Write(0, out);
  return out;
}

bool ZbkWriter::WriteFile(const std::string& path) const {
  const std::vector<uint8_t> bytes = Bytes();
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace zh
