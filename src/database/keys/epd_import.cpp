#include "database/keys/epd_import.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#include "core/rules/fen.h"
#include "core/rules/movelist.h"
#include "core/services.h"
#include "database/storage/paged_file.h"

namespace zh {

namespace {

constexpr size_t kLineBuffer = 4096;

// Piece type of an English or German piece letter, 0 for none.
int PieceTypeOf(char ch) {
  switch (ch) {
    case 'K':
      return kKing;
    case 'Q':
    case 'D':
      return kQueen;
    case 'N':
    case 'S':
      return kKnight;
    case 'B':
    case 'L':
      return kBishop;
    case 'R':
    case 'T':
      return kRook;
    default:
      return 0;
  }
}

bool IsFile(char ch) { return ch >= 'a' && ch <= 'h'; }
bool IsRank(char ch) { return ch >= '1' && ch <= '8'; }

// What a move text asks for.
struct MoveRequest {
  int piece = kPawn;
  int castle = 0;  // kind bits of the castling asked for
  int fromFile = -1, fromRank = -1;
  int toFile = -1, toRank = -1;
  int promotion = 0;
};

// False when the text is not a move text.
bool ParseMoveText(std::string_view text, MoveRequest& request) {
  const std::string_view castles[] = {"0-0", "O-O", "o-o"};
  for (std::string_view c : castles) {
    if (!text.starts_with(c)) continue;
    const std::string_view rest = text.substr(3);
    const bool longSide = rest.starts_with("-0") || rest.starts_with("-O") || rest.starts_with("-o");
    request.piece = kKing;
    request.castle = longSide ? kWhiteLongCastle | kBlackLongCastle
                              : kWhiteShortCastle | kBlackShortCastle;
    return true;
  }
  if (text.empty()) return false;
  size_t i = 0;
  if (const int piece = PieceTypeOf(text[0])) {
    request.piece = piece;
    i = 1;
  } else if (!IsFile(text[0])) {
    return false;
  }
  // Squares and parts of squares in order; the last whole square is the target.
  std::vector<std::pair<int, int>> parts;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    if (IsFile(ch)) {
      parts.emplace_back(ch - 'a', -1);
    } else if (IsRank(ch)) {
      if (!parts.empty() && parts.back().second < 0 && parts.back().first >= 0)
        parts.back().second = ch - '1';
      else
        parts.emplace_back(-1, ch - '1');
    } else if (ch == 'x' || ch == ':' || ch == '-' || ch == '=') {
      continue;
    } else if (const int promotion = PieceTypeOf(ch); promotion && promotion != kKing) {
      request.promotion = promotion;
    } else {
      break;  // check marks, symbols and anything behind them
    }
  }
  if (parts.empty() || parts.back().first < 0 || parts.back().second < 0) return false;
  request.toFile = parts.back().first;
  request.toRank = parts.back().second;
  parts.pop_back();
  if (parts.size() > 1) return false;
  if (!parts.empty()) {
    request.fromFile = parts[0].first;
    request.fromRank = parts[0].second;
  }
  return true;
}

bool Fits(const MoveRequest& r, const MoveCode& m, const Board& board) {
  if (r.castle) return (m.kind & r.castle) != 0;
  if (m.kind & kCastleBits) return false;
  if (TypeOf(board[m.from]) != r.piece) return false;
  if (FileOf(m.to) != r.toFile || RankOf(m.to) != r.toRank) return false;
  if (r.fromFile >= 0 && FileOf(m.from) != r.fromFile) return false;
  if (r.fromRank >= 0 && RankOf(m.from) != r.fromRank) return false;
  if (m.kind & kPromotion) return m.promotion == (r.promotion ? r.promotion : kQueen);
  return r.promotion == 0;
}

// The text behind an operation: up to the next ';'.
std::string_view Operand(std::string_view ops, size_t at) {
  const size_t end = ops.find(';', at);
  return ops.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

// Where the operand of `name` starts, written behind a blank or a ';'; npos when absent.
size_t FindOperation(std::string_view ops, std::string_view name) {
  for (size_t at = ops.find(name); at != std::string_view::npos; at = ops.find(name, at + 1))
    if (at > 0 && (ops[at - 1] == ' ' || ops[at - 1] == ';')) return at + name.size();
  return std::string_view::npos;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

std::string Quoted(std::string_view operand) {
  const size_t open = operand.find('"');
  if (open == std::string_view::npos) return {};
  const size_t close = operand.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(operand.substr(open + 1, close - open - 1));
}

// The legal move a move text names, after its move number; false when none or several.
bool FindMoveText(const Position& position, std::string_view& text, MoveCode& move) {
  while (!text.empty() && ((text[0] >= '1' && text[0] <= '9') || text[0] == '.' ||
                           (text[0] == '0' && !text.starts_with("0-0"))))
    text.remove_prefix(1);
  MoveRequest request;
  if (!ParseMoveText(text, request)) return false;
  MoveList moves;
  moves.GenerateLegal(position);
  const MoveCode* found = nullptr;
  for (const MoveCode& m : moves) {
    if (!Fits(request, m, position.board)) continue;
    if (found) return false;  // ambiguous
    found = &m;
  }
  if (found) move = *found;
  return found != nullptr;
}

void SetSymbolOf(GameCursor& cursor, std::string_view text, int symbol) {
  const size_t marks = text.find_first_of("!?");
  if (marks != std::string_view::npos) symbol = MoveSymbolOf(text.substr(marks));
  if (symbol) cursor.SetMoveSymbol(cursor.Ply() - 1, symbol);  // the move just played
}

// Each move from the start position: the first is the main move, the others become
// its variations; `symbol` (when not 0) marks every move. A move already in the main
// line is only marked.
void PlayAlternatives(GameCursor& cursor, const std::vector<std::string_view>& moves, int symbol) {
  const MoveLine& main = cursor.Game()->body.mainLine;
  for (std::string_view text : moves) {
    cursor.Rewind();
    MoveCode move;
    if (!FindMoveText(cursor.GetPosition(), text, move)) continue;
    const int promotion = move.kind & kPromotion ? move.promotion : 0;
    const GameMove* first = main.Count() > 0 ? main.GetMove(0) : nullptr;
    if (first && first->from == move.from && first->to == move.to && first->promotion == promotion) {
      cursor.Forward();
    } else if (cursor.AddMove(move.from, move.to, promotion, 1) != 0) {
      continue;
    }
    SetSymbolOf(cursor, text, symbol);
  }
  cursor.Rewind();
}

}  // namespace

int MoveSymbolOf(std::string_view marks) {
  constexpr std::string_view kSymbols[] = {"!?", "?!", "!!", "??", "!", "?"};
  constexpr int kValues[] = {5, 6, 3, 4, 1, 2};
  for (int i = 0; i < 6; ++i)
    if (marks.starts_with(kSymbols[i])) return kValues[i];
  return 0;
}

int AddMoveText(GameCursor& cursor, std::string_view text, int mode) {
  MoveCode move;
  if (!FindMoveText(cursor.GetPosition(), text, move)) return -1;
  const int promotion = move.kind & kPromotion ? move.promotion : 0;
  if (const int rc = cursor.AddMove(move.from, move.to, promotion, mode)) return rc;
  SetSymbolOf(cursor, text, 0);
  return 0;
}

int ReadEpdLine(std::string_view line, TQGame& game) {
  game.header.Clear();
  game.body.ClearMoves();
  const std::vector<std::string_view> words = Words(line);
  if (words.size() < 4) return 1;
  // The four position fields; the operations follow them.
  const size_t fieldsEnd = words[3].data() + words[3].size() - line.data();
  StartRecord record;
  ParseFen(record, line.substr(0, fieldsEnd));
  const Position& position = record.start.position;
  if (!position.IsValid()) return 1;
  game.body.SetSetUpStart(position, record.FirstMoveNumber());

  const std::string_view ops = line.substr(fieldsEnd);
  GameCursor cursor(&game);
  cursor.Rewind();
  if (const size_t at = FindOperation(ops, "pv "); at != std::string_view::npos)
    for (std::string_view text : Words(Operand(ops, at))) AddMoveText(cursor, text, 1);
  std::vector<std::string_view> best;
  for (std::string_view name : {"pm ", "bm "})
    if (const size_t at = FindOperation(ops, name); at != std::string_view::npos)
      for (std::string_view text : Words(Operand(ops, at))) best.push_back(text);
  PlayAlternatives(cursor, best, 0);
  if (const size_t at = FindOperation(ops, "am "); at != std::string_view::npos)
    PlayAlternatives(cursor, Words(Operand(ops, at)), 2);
  if (const size_t at = FindOperation(ops, "id"); at != std::string_view::npos)
    game.header.white = TQPlayer::FromText(Quoted(Operand(ops, at)));
  for (char digit = '0'; digit <= '9'; ++digit) {
    const std::string name{'c', digit};
    if (const size_t at = FindOperation(ops, name); at != std::string_view::npos) {
      const std::string text = Quoted(Operand(ops, at));
      if (!text.empty()) game.body.AddGameComment(text);
    }
  }
  if (game.body.mainLine.Count() == 0 && words.size() >= 5)
    PlayAlternatives(cursor, std::vector<std::string_view>(words.begin() + 4, words.end()), 0);
  return 0;
}

int EpdImport(const std::string& path, const GameAppender& append, int* stored) {
  if (stored) *stored = 0;
  const std::string file = PathWithExtension(path, "epd");
  if (!append) return 1;
  std::unique_ptr<TQGame> game(new (std::nothrow) TQGame);
  if (!game) return 5;
  std::ifstream in(file, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // One tournament for all games: the file's name up to its first ".".
  TQTournament tournament;
  const std::string name = std::filesystem::path(file).filename().string();
  tournament.SetTitle(name.substr(0, name.find('.')));

  int lineNumber = 0;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + pos, end - pos);
    size_t next = end < content.size() ? end + 1 : end;
    if (end + 1 < content.size() && content[end] == '\r' && content[end + 1] == '\n') ++next;
    if (line.size() > kLineBuffer - 1) {
      // A line longer than the buffer is cut at its last blank or tab; the rest is read
      // as the next line.
      const size_t cut = line.substr(0, kLineBuffer - 1).find_last_of(" \t");
      line = line.substr(0, cut == std::string_view::npos || cut == 0 ? kLineBuffer - 1 : cut);
      next = pos + line.size();
    }
    pos = next;
    ++lineNumber;
    if (Words(line).empty()) continue;
    if (ReadEpdLine(line, *game) != 0) {
      LogLine("EPD line " + std::to_string(lineNumber) + ": invalid position");
      continue;
    }
    game->header.tournament = tournament;
    if (append(*game) != 0) {
      LogLine("EPD line " + std::to_string(lineNumber) + ": game not stored");
      continue;
    }
    if (stored) ++*stored;
  }
  return 1;
}

}  // namespace zh
