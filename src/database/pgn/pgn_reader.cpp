#include "database/pgn/pgn_reader.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "core/rules/fen.h"
#include "core/rules/move.h"
#include "core/services.h"
#include "core/toolbox/code_pages.h"
#include "core/toolbox/utf8.h"
#include "database/eco_text.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/storage/annotation_record.h"

namespace zh {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool IsFile(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRank(char c) {
  return c >= '1' && c <= '8';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// ---------------------------------------------------------------------------
// SAN matching: only the named piece's moves to the target square are made, then
// each is tested for legality.

struct SanParts {
  int piece = kPawn;
  int target = -1;
  int fromFile = -1;
  int fromRank = -1;
  int promotion = 0;
};

bool ParseSan(std::string_view token, std::string_view letters, SanParts& parts) {
  size_t i = 0;
  for (int type = kKing; type <= kRook; ++type)
    if (!token.empty() && token[0] == letters[static_cast<size_t>(type)]) {
      parts.piece = type;
      i = 1;
      break;
    }
  int files[2], ranks[2], nf = 0, nr = 0;
  for (; i < token.size(); ++i) {
    const char c = token[i];
    if (IsFile(c)) {
      if (nf == 2) return false;
      files[nf++] = c - 'a';
    } else if (IsRank(c)) {
      if (nr == 2) return false;
      ranks[nr++] = c - '1';
    } else if (parts.promotion == 0) {
      for (int type = kQueen; type <= kRook; ++type)
        if (c == letters[static_cast<size_t>(type)]) parts.promotion = type;
    }
  }
  if (nf == 0 || nr == 0) return false;
  // The last file and rank name the target; an earlier one the origin.
  parts.target = MakeSquare(files[nf - 1], ranks[nr - 1]);
  if (nf == 2) parts.fromFile = files[0];
  if (nr == 2) parts.fromRank = ranks[0];
  return true;
}

bool IsCastlingToken(std::string_view t) {
  return t.size() >= 3 && (t[0] == 'O' || t[0] == '0' || t[0] == 'o') && t[1] == '-' &&
         t[2] == t[0];
}

int CastlingMove(const Position& p, std::string_view t, int& from, int& to) {
  const bool longSide = t.size() >= 5 && t[3] == '-' && t[4] == t[0];
  const bool black = p.side == 1;
  const int king = black ? 39 : 32;
  const uint8_t kingCode = kKing | (black ? kBlackBit : 0);
  const uint8_t rookCode = kRook | (black ? kBlackBit : 0);
  const int rook = longSide ? king - 32 : king + 24;
  if (p.board[king] != kingCode || p.board[rook] != rookCode) return kSanNoMove;
  for (int s = std::min(king, rook) + 8; s < std::max(king, rook); s += 8)
    if (p.board[s] != kEmpty) return kSanNoMove;
  Move m = Move::FromSquares(king, longSide ? king - 16 : king + 16);
  m.CompleteFrom(p.board);
  if (!(m.kind & kCastleBits) || !m.IsLegal(p)) return kSanNoMove;
  from = m.from;
  to = m.to;
  return kSanMove;
}

// Squares from which a piece of the type would reach the target on this board.
int Origins(const Position& p, int type, int target, int out[16]) {
  const uint8_t code = static_cast<uint8_t>(type | (p.side == 1 ? kBlackBit : 0));
  int n = 0;
  auto take = [&](int s) {
    if (p.board[s] == code && n < 16) out[n++] = s;
  };
  switch (type) {
    case kKnight:
      for (int i = 0; i < kKnightTargets[target].count; ++i)
        take(kKnightTargets[target].squares[i]);
      break;
    case kKing:
      for (int i = 0; i < kKingTargets[target].count; ++i) take(kKingTargets[target].squares[i]);
      break;
    case kBishop:
    case kRook:
    case kQueen: {
      const int first = type == kRook ? 4 : 0, last = type == kBishop ? 4 : 8;
      for (int d = first; d < last; ++d) {
        const SquareList8& ray = kRays[target][d];
        for (int i = 0; i < ray.count; ++i) {
          const int s = ray.squares[i];
          if (p.board[s] == kEmpty) continue;
          take(s);
          break;
        }
      }
      break;
    }
    case kPawn: {
      const int dir = p.side == 1 ? 1 : -1;  // towards the pawn's origin
      const int rank = RankOf(target);
      if (p.board[target] == kEmpty) {
        if (rank + dir >= 0 && rank + dir <= 7) {
          const int one = target + dir;
          if (p.board[one] == code) {
            take(one);
          } else if (p.board[one] == kEmpty && rank == (p.side == 1 ? 4 : 3)) {
            take(target + 2 * dir);
          }
        }
      }
      const bool enPassant = p.board[target] == kEmpty && p.epFile == FileOf(target) + 1 &&
                             rank == (p.side == 1 ? 2 : 5);
      const bool capture = p.board[target] != kEmpty && ColourOf(p.board[target]) != ColourOf(code);
      if ((capture || enPassant) && rank + dir >= 0 && rank + dir <= 7) {
        if (FileOf(target) > 0) take(target - 8 + dir);
        if (FileOf(target) < 7) take(target + 8 + dir);
      }
      break;
    }
    default:
      break;
  }
  return n;
}

// Whether the move leaves the mover's king unattacked: the move is made on a copy of
// the board (the rook of a castling plays no part) and only the king's square is tested.
bool LeavesKingSafe(const Position& p, const Move& m) {
  Board after = p.board;
  uint8_t* b = after.squares;
  const uint8_t mover = b[m.from];
  const int distance = m.from > m.to ? m.from - m.to : m.to - m.from;
  if (TypeOf(mover) == kPawn && distance > 2 && b[m.to] == kEmpty)
    b[(m.to & ~7) | (m.from & 7)] = kEmpty;  // the pawn taken en passant
  b[m.to] = mover;
  b[m.from] = kEmpty;
  const bool black = p.side == 1;
  int king = m.to;
  if (TypeOf(mover) != kKing) {
    king = black ? p.blackKing : p.whiteKing;
    if (!IsOnBoard(king) || b[king] != (kKing | (black ? kBlackBit : 0)))
      return !IsKingAttacked(after, black);
  }
  return !TestSquareAttacked(after, king, !black);
}

}  // namespace

int MatchSan(const Position& position, std::string_view token, std::string_view letters, int& from,
             int& to, int& promotion) {
  promotion = 0;
  if (IsCastlingToken(token)) return CastlingMove(position, token, from, to);
  SanParts parts;
  if (!ParseSan(token, letters, parts)) return kSanNoMove;
  // A capture target of one's own piece is no move.
  const uint8_t onTarget = position.board[parts.target];
  if (onTarget != kEmpty && (ColourOf(onTarget) != 0) == (position.side == 1)) return kSanNoMove;
  int origins[16];
  const int n = Origins(position, parts.piece, parts.target, origins);
  int found = 0;
  for (int i = 0; i < n; ++i) {
    const int s = origins[i];
    if (parts.fromFile >= 0 && FileOf(s) != parts.fromFile) continue;
    if (parts.fromRank >= 0 && RankOf(s) != parts.fromRank) continue;
    Move m = Move::FromSquares(s, parts.target, parts.promotion);
    m.CompleteFrom(position.board);
    if (m.kind & kCastleBits) continue;  // castling is written O-O
    const bool promotes = (m.kind & kPromotion) != 0;
    if (promotes != (parts.promotion != 0) && parts.piece == kPawn) {
      // A promotion needs its piece; a piece letter on another move is no match.
      if (promotes) return kSanAmbiguous;
      continue;
    }
    if (!LeavesKingSafe(position, m)) continue;
    if (++found > 1) return kSanAmbiguous;
    from = s;
    to = parts.target;
    promotion = promotes ? parts.promotion : 0;
  }
  return found == 1 ? kSanMove : kSanNoMove;
}

// ---------------------------------------------------------------------------
// Finding the games of a file.

namespace {

size_t SkipLine(std::string_view t, size_t i) {
  while (i < t.size() && t[i] != '\n' && t[i] != '\r') ++i;
  return i;
}

// Skips blanks, line ends and lines that start with '%'; answers the offset of the next
// character, with lineStart telling whether it starts its line.
size_t SkipSpace(std::string_view t, size_t i, bool& lineStart) {
  while (i < t.size()) {
    const char c = t[i];
    if (c == '\n' || c == '\r') {
      lineStart = true;
      ++i;
    } else if (c == ' ' || c == '\t') {
      ++i;
    } else if (lineStart && c == '%') {
      i = SkipLine(t, i);
    } else {
      break;
    }
  }
  return i;
}

size_t SkipBrace(std::string_view t, size_t i) {
  const size_t close = t.find('}', i + 1);
  return close == std::string_view::npos ? t.size() : close + 1;
}

bool IsResultToken(std::string_view tok) {
  return tok == "1-0" || tok == "0-1" || tok == "*" || tok.substr(0, 3) == "1/2";
}

bool IsDelimiter(char c) {
  return IsBlank(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == ';' || c == '[' ||
         c == ']' || c == '$';
}

}  // namespace

std::vector<uint64_t> FindPgnGames(std::string_view t) {
  std::vector<uint64_t> starts;
  enum { kBetween, kTags, kMoves } phase = kBetween;
  size_t pendingStart = std::string_view::npos;  // a comment that may open the next game
  bool lineStart = true;
  // A comment before a game's first tag belongs to no game; one before a game
  // without tags is its first comment.
  auto open = [&](size_t at, bool tag) {
    starts.push_back(pendingStart != std::string_view::npos && !tag ? pendingStart : at);
    pendingStart = std::string_view::npos;
  };
  size_t i = 0;
  if (t.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while ((i = SkipSpace(t, i, lineStart)) < t.size()) {
    const char c = t[i];
    const bool atLineStart = lineStart;
    lineStart = false;
    if (c == '[' && atLineStart) {
      if (phase != kTags) open(i, true);
      phase = kTags;
      i = SkipLine(t, i);
    } else if (c == '{' || c == ';') {
      if (phase == kBetween && pendingStart == std::string_view::npos) pendingStart = i;
      i = c == '{' ? SkipBrace(t, i) : SkipLine(t, i);
    } else {
      size_t end = i + 1;
      if (!IsDelimiter(c))
        while (end < t.size() && !IsDelimiter(t[end])) ++end;
      const std::string_view token = t.substr(i, end - i);
      if (c != ')' && c != '}' && c != ']') {
        if (phase == kBetween) open(i, false);
        phase = IsResultToken(token) ? kBetween : kMoves;
      }
      i = end;
    }
  }
  starts.push_back(t.size());
  return starts;
}

bool PgnTextIsUtf8(std::string_view bytes, bool bom) {
  if (bom) return true;
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<uint8_t>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const Utf8Char ch = DecodeUtf8(bytes, i);
    if (ch.code == kReplacementChar && ch.length == 1) return false;
    i += ch.length;
  }
  return true;
}

std::string PgnTextToUtf8(std::string_view bytes, bool bom) {
  if (PgnTextIsUtf8(bytes, bom)) return std::string(bytes);
  // Windows-1252: Latin-1 with printable characters in 0x80..0x9F (0 for the five
  // unassigned bytes, which read as U+FFFD).
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    const uint8_t b = static_cast<uint8_t>(c);
    if (b < 0x80)
      out += c;
    else if (b < 0xA0)
      AppendUtf8(out, kHigh[b - 0x80] ? kHigh[b - 0x80] : kReplacementChar);
    else
      AppendUtf8(out, b);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Tags.

namespace {

struct Tag {
  std::string_view name;
  std::string value;
};

// One tag line from '[': name, then the value between quotes with \" and \\ escapes.
size_t ParseTag(std::string_view t, size_t i, Tag& tag) {
  const size_t end = SkipLine(t, i);
  size_t p = i + 1;
  while (p < end && IsBlank(t[p])) ++p;
  const size_t nameStart = p;
  while (p < end && !IsBlank(t[p]) && t[p] != '"' && t[p] != ']') ++p;
  tag.name = t.substr(nameStart, p - nameStart);
  tag.value.clear();
  const size_t quote = t.find('"', p);
  if (quote == std::string_view::npos || quote >= end) return end;
  for (p = quote + 1; p < end && t[p] != '"'; ++p) {
    if (t[p] == '\\' && p + 1 < end && (t[p + 1] == '"' || t[p + 1] == '\\')) ++p;
    tag.value += t[p];
  }
  return end;
}

std::string Trimmed(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return std::string(s.substr(a, b - a));
}

// A number of the leading digits, or -1 when there are none or it exceeds `max`.
int64_t Number(std::string_view s, int64_t max) {
  s = std::string_view(s.data(), s.size());
  while (!s.empty() && s[0] == ' ') s.remove_prefix(1);
  size_t n = 0;
  while (n < s.size() && IsDigit(s[n])) ++n;
  if (n == 0 || n > 9) return -1;
  int64_t v = 0;
  std::from_chars(s.data(), s.data() + n, v);
  return v <= max ? v : -1;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  for (size_t a = 0;;) {
    const size_t b = s.find(sep, a);
    parts.push_back(s.substr(a, b == std::string_view::npos ? s.npos : b - a));
    if (b == std::string_view::npos) return parts;
    a = b + 1;
  }
}

// Year from bit 9, month bits 5-8, day bits 0-4; a part out of range is unknown.
uint32_t ParseDate(std::string_view value) {
  const std::vector<std::string_view> parts = Split(value, '.');
  uint32_t date = 0;
  const int64_t limits[3] = {4095, 12, 31};
  const int shifts[3] = {9, 5, 0};
  for (size_t i = 0; i < 3 && i < parts.size(); ++i) {
    if (parts[i].empty() || parts[i][0] == '?') continue;
    const int64_t v = Number(parts[i], limits[i]);
    if (v > 0) date |= static_cast<uint32_t>(v) << shifts[i];
  }
  return date;
}

bool Unknown(const std::string& v) {
  return v.empty() || v[0] == '?';
}

void SetPlayer(TQPlayer& player, const std::string& value) {
  const size_t comma = value.find(',');
  player.SetLastName(Trimmed(std::string_view(value).substr(0, comma)));
  if (comma == std::string::npos) return;
  std::string first = Trimmed(std::string_view(value).substr(comma + 1));
  while (!first.empty() && first.back() == '.') first.pop_back();
  player.SetFirstName(first);
}

int ResultOf(std::string_view v) {
  if (v == "0-1") return kBlackWon;
  if (v == "1/2-1/2") return kDraw;
  if (v == "1-0") return kWhiteWon;
  return kNoResult;
}

struct TagState {
  std::string letters = std::string(kPgnPieceLetters);
  std::string fen;
  bool hasFen = false;
  bool hasResult = false;
  int64_t plyCount = -1;
};

void ApplyTag(const Tag& tag, GameHeader& h, TagState& state) {
  const std::string& v = tag.value;
  const std::string_view n = tag.name;
  if (n == "Event") {
    if (!Unknown(v)) h.tournament.SetTitle(v);
  } else if (n == "Site") {
    if (!Unknown(v)) h.tournament.SetPlace(v);
  } else if (n == "Date") {
    if (!Unknown(v)) h.SetDate(ParseDate(v));
  } else if (n == "Round") {
    if (Unknown(v) || v[0] == '-') return;
    const std::vector<std::string_view> parts = Split(v, '.');
    const int64_t round = Number(parts[0], 255);
    const int64_t sub = parts.size() > 1 ? Number(parts[1], 255) : 0;
    h.SetRoundPair(round < 0 ? 0 : static_cast<int>(round), sub < 0 ? 0 : static_cast<int>(sub));
  } else if (n == "White") {
    if (!Unknown(v)) SetPlayer(h.white, v);
  } else if (n == "Black") {
    if (!Unknown(v)) SetPlayer(h.black, v);
  } else if (n == "Result") {
    h.SetResult(ResultOf(v));
    state.hasResult = true;
  } else if (n == "ECO") {
    h.SetEco(TextToEco(v, false));
  } else if (n == "WhiteElo" || n == "BlackElo") {
    if (v.empty() || v[0] == '-') return;
    const int64_t elo = Number(v, 65535);
    if (n == "WhiteElo")
      h.SetWhiteElo(elo < 0 ? 0 : static_cast<int>(elo));
    else
      h.SetBlackElo(elo < 0 ? 0 : static_cast<int>(elo));
  } else if (n == "Annotator") {
    if (!Unknown(v)) h.annotator.SetName(v);
  } else if (n == "SetUp") {
    if (!v.empty() && v[0] == '1') h.SetContentFlags(h.GetContentFlags() | 1);
  } else if (n == "FEN") {
    state.fen = v;
    state.hasFen = true;
    h.SetContentFlags(h.GetContentFlags() | 1);
  } else if (n == "PlyCount") {
    state.plyCount = Number(v, 100000);
    if (state.plyCount >= 0) h.SetMoveCount(static_cast<int>((state.plyCount + 1) / 2));
  } else if (n == "EventDate") {
    if (!Unknown(v)) h.tournament.date = ParseDate(v);
  } else if (n == "Source") {
    // The writer writes the second text back; the title names the source, and a
    // header set's library tells sources apart by their titles alone.
    if (Unknown(v)) return;
    h.source.SetTitle(v);
    h.source.SetSecond(v);
  } else if (n == "SourceDate") {
    if (!Unknown(v)) h.source.value1 = static_cast<int32_t>(ParseDate(v));
  } else if (n == "Pieces") {
    if (Unknown(v) || v.size() <= 5) return;
    // King, queen, rook, bishop, knight, pawn.
    const int order[6] = {kKing, kQueen, kRook, kBishop, kKnight, kPawn};
    for (int i = 0; i < 6; ++i) {
      const char c = v[static_cast<size_t>(i)];
      const size_t type = static_cast<size_t>(order[i]);
      state.letters[type] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
      state.letters[type + 8] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
  }
}

// Reads the tag section from `i`; comments met before or between the tags are
// collected. Answers the offset where the movetext starts.
size_t ReadTags(std::string_view t, size_t i, GameHeader& h, TagState& state,
                std::string* comments) {
  bool lineStart = true;
  while ((i = SkipSpace(t, i, lineStart)) < t.size()) {
    const char c = t[i];
    if (c == '[') {
      Tag tag;
      i = ParseTag(t, i, tag);
      ApplyTag(tag, h, state);
    } else if (c == '{' && comments) {
      const size_t end = SkipBrace(t, i);
      if (!comments->empty()) *comments += ' ';
      *comments += t.substr(i + 1, end - i - (t[end - 1] == '}' ? 2 : 1));
      i = end;
      lineStart = false;
    } else {
      break;
    }
  }
  return i;
}

// Runs of blanks, CR and LF become one blank; the ends are trimmed.
std::string CollapseBlanks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  bool blank = false;
  for (char c : s) {
    if (IsBlank(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// ---------------------------------------------------------------------------
// The movetext into the move tree.

// The glyph number's symbol slot: 0 move, 1 position, 2 prefix, -1 none.
int GlyphSlot(int nag) {
  static constexpr int kMove[] = {1, 2, 3, 4, 5, 6, 22, 7, 8};
  static constexpr int kPosition[] = {18,  16,  14, 10, 11,  13,  15, 17, 19, 44,
                                      130, 132, 36, 40, 136, 138, 30, 32, 146};
  static constexpr int kPrefix[] = {145, 142, 143, 144, 140, 141};
  if (std::find(std::begin(kMove), std::end(kMove), nag) != std::end(kMove)) return 0;
  if (std::find(std::begin(kPosition), std::end(kPosition), nag) != std::end(kPosition)) return 1;
  if (std::find(std::begin(kPrefix), std::end(kPrefix), nag) != std::end(kPrefix)) return 2;
  return -1;
}

// Suffix annotations written onto a move: "!", "?", "!!", "??", "!?", "?!".
int SuffixGlyph(std::string_view s) {
  static constexpr std::string_view kSuffixes[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (int i = 0; i < 6; ++i)
    if (s == kSuffixes[i]) return i + 1;
  return 0;
}

class MovetextReader {
 public:
  MovetextReader(TQGame& game, const PgnSource& source, const std::string& letters, bool mainOnly)
      : game_(game), source_(source), letters_(letters), mainOnly_(mainOnly) {
    Frame main;
    main.line = &game.body.mainLine;
    main.pos = game.body.start.start.position;
    frames_.push_back(std::move(main));
  }

  void AddPendingText(const std::string& text) { AttachComment(text); }

  // Reads up to the result or the end of the text.
  void Read(std::string_view t, size_t i) {
    bool lineStart = false;
    while ((i = SkipSpace(t, i, lineStart)) < t.size() && !ended_) {
      const char c = t[i];
      lineStart = false;
      if (c == '{' || c == ';') {
        const size_t end = c == '{' ? SkipBrace(t, i) : SkipLine(t, i);
        const size_t inner = end - i - ((c == '{' && t[end - 1] == '}') ? 2 : 1);
        Comment(t.substr(i + 1, inner));
        i = end;
      } else if (c == '[') {
        i = SkipLine(t, i);  // a stray tag line inside the movetext
      } else if (c == '(') {
        OpenParen();
        ++i;
      } else if (c == ')') {
        CloseParen();
        ++i;
      } else if (c == '$') {
        size_t end = i + 1;
        while (end < t.size() && IsDigit(t[end])) ++end;
        Glyph(static_cast<int>(Number(t.substr(i + 1, end - i - 1), 255)));
        i = end;
      } else {
        size_t end = i + 1;
        while (end < t.size() && !IsDelimiter(t[end])) ++end;
        Token(t.substr(i, end - i));
        i = end;
      }
    }
  }

  // Closes open lines; pending text goes to the game-level comment.
  void Finish() {
    while (frames_.size() > 1) CloseParen();
    Frame& main = frames_.back();
    FlushDead(main);
    if (main.pending && !main.pending->IsEmpty()) {
      const std::string text = main.pending->GetTextBefore(kAllLanguages);
      if (!text.empty()) game_.body.AddGameComment(text);
      main.pending.reset();
    }
  }

  int Result() const { return result_; }
  bool HasResult() const { return hasResult_; }

 private:
  struct Frame {
    MoveLine* line = nullptr;   // null for a dead '(' with no move before it
    GameMove* owner = nullptr;  // the move whose alternatives hold the line
    int startPly = 0;
    Position pos;
    Position before;  // the position before the line's last move
    std::unique_ptr<AnnotationSet> pending;
    bool dead = false;
    int deadDepth = 0;
    std::string deadText;
  };

  // Variations nested deeper than a game's plies are kept as text.
  static constexpr size_t kMaxDepth = kPlyLimit;

  Frame& Top() { return frames_.back(); }

  void Comment(std::string_view raw) {
    Frame& f = Top();
    if (f.dead) {
      AppendDead(f, std::string(raw));
      return;
    }
    if (mainOnly_) return;
    AttachComment(CollapseBlanks(raw));
  }

  void AttachComment(const std::string& text) {
    if (text.empty()) return;
    Frame& f = Top();
    if (f.line && f.line->Count() > 0) {
      AnnotationSet* set = GetAnnotations(*f.line->GetMove(f.line->Count() - 1));
      set->AppendTextAfter(text, 0, kAllLanguages);
      NoteTextLength(set->GetTextAfter(kAllLanguages));
    } else {
      if (!f.pending) f.pending = std::make_unique<AnnotationSet>();
      f.pending->AppendTextBefore(text, 0, kAllLanguages);
      NoteTextLength(f.pending->GetTextBefore(kAllLanguages));
    }
  }

  // A text longer than a stored record holds is cut when the game is stored.
  void NoteTextLength(const std::string& text) {
    if (!(lost_ & kPgnLostText) && text.size() > static_cast<size_t>(kMaxRecordTextBytes) &&
        Utf8ToDisplay(text).size() > static_cast<size_t>(kMaxRecordTextBytes))
      lost_ |= kPgnLostText;
  }

 public:
  int Lost() const { return lost_; }

 private:
  void AppendDead(Frame& f, const std::string& text) {
    if (!f.deadText.empty()) f.deadText += ' ';
    f.deadText += text;
  }

  // The dead text becomes comment text after the last good move of its line.
  void FlushDead(Frame& f) {
    if (!f.dead) return;
    f.dead = false;
    std::string text = CollapseBlanks(f.deadText);
    f.deadText.clear();
    if (!mainOnly_) AttachComment(text);
  }

  void StartDead(Frame& f, std::string_view token) {
    f.dead = true;
    f.deadDepth = 0;
    f.deadText = std::string(token);
  }

  void OpenParen() {
    Frame& f = Top();
    if (f.dead) {
      ++f.deadDepth;
      AppendDead(f, "(");
      return;
    }
    Frame v;
    if (mainOnly_ || !f.line || f.line->Count() == 0 || frames_.size() > kMaxDepth) {
      // Nothing to be an alternative to: the bracket's content is kept as text.
      v.dead = true;
      v.deadText = "(";
      v.pos = f.pos;
      frames_.push_back(std::move(v));
      return;
    }
    GameMove* owner = f.line->GetMove(f.line->Count() - 1);
    if (!owner->variations) owner->variations = new VariationList;
    owner->variations->AddMoved(MoveLine());
    v.line = owner->variations->GetLine(owner->variations->Count() - 1);
    v.owner = owner;
    v.startPly = f.startPly + f.line->Count() - 1;
    v.pos = f.before;
    frames_.push_back(std::move(v));
  }

  void CloseParen() {
    if (frames_.size() == 1) {
      Frame& main = Top();
      if (main.dead && main.deadDepth > 0) {
        --main.deadDepth;
        AppendDead(main, ")");
      }
      return;
    }
    Frame& f = Top();
    if (f.dead && f.deadDepth > 0) {
      --f.deadDepth;
      AppendDead(f, ")");
      return;
    }
    if (!f.line) {
      // A dead bracket: its text goes to the enclosing line.
      std::string text = CollapseBlanks(f.deadText + " )");
      frames_.pop_back();
      if (!mainOnly_) AttachComment(text);
      return;
    }
    FlushDead(f);
    std::unique_ptr<AnnotationSet> pending = std::move(f.pending);
    const bool empty = f.line->Count() == 0;
    GameMove* owner = f.owner;
    frames_.pop_back();
    if (empty) {
      // A variation without moves is dropped; its text stays as text.
      owner->variations->Remove(owner->variations->Count() - 1);
      if (owner->variations->Count() == 0) FreeVariations(*owner);
      if (pending) AttachComment(pending->GetTextBefore(kAllLanguages));
    }
  }

  void Glyph(int nag) {
    Frame& f = Top();
    if (f.dead) {
      AppendDead(f, nag < 0 ? "$" : "$" + std::to_string(nag));
      return;
    }
    if (mainOnly_ || nag <= 0 || !f.line || f.line->Count() == 0) return;
    const int slot = GlyphSlot(nag);
    if (slot < 0) return;
    GameMove& m = *f.line->GetMove(f.line->Count() - 1);
    MoveSymbols s = GetSymbols(m);
    if (slot == 0)
      s.SetMoveSymbol(nag);
    else if (slot == 1)
      s.SetPositionSymbol(nag);
    else
      s.SetPrefixSymbol(nag);
    SetSymbols(m, s);
  }

  void EndGame(std::string_view token) {
    ended_ = true;
    hasResult_ = true;
    result_ = token == "*" ? kNoResult : ResultOf(token.substr(0, 3) == "1/2" ? "1/2-1/2" : token);
  }

  bool MoveShaped(std::string_view tok) const {
    if (IsCastlingToken(tok)) return true;
    if (tok.empty()) return false;
    const bool lead = IsFile(tok[0]) || letters_.find(tok[0], 1) <= 5;
    if (!lead) return false;
    for (size_t i = 0; i + 1 < tok.size(); ++i)
      if (IsFile(tok[i]) && IsRank(tok[i + 1])) return true;
    return false;
  }

  void Token(std::string_view tok) {
    Frame& f = Top();
    if (IsResultToken(tok)) {
      EndGame(tok);
      return;
    }
    if (f.dead) {
      AppendDead(f, std::string(tok));
      return;
    }
    // Move numbers, also glued to the move ("12.e4", "12...Nf6").
    if (IsDigit(tok[0]) && !IsCastlingToken(tok)) {
      size_t k = 0;
      while (k < tok.size() && IsDigit(tok[k])) ++k;
      if (k < tok.size() && tok[k] != '.') {
        TextToken(tok);
        return;
      }
      while (k < tok.size() && tok[k] == '.') ++k;
      if (k < tok.size()) Token(tok.substr(k));
      return;
    }
    if (tok[0] == '.') return;
    // Annotation suffixes, alone or on the move.
    size_t cut = tok.size();
    while (cut > 0 && (tok[cut - 1] == '!' || tok[cut - 1] == '?')) --cut;
    const int suffix = SuffixGlyph(tok.substr(cut));
    if (cut == 0) {
      if (suffix)
        Glyph(suffix);
      else
        TextToken(tok);
      return;
    }
    std::string_view move = tok.substr(0, cut);
    if (move == "--" || move == "Z0") {
      EnterMove(0, 0, 0, tok);
    } else if (MoveShaped(move)) {
      int from = 0, to = 0, promotion = 0;
      if (MatchSan(f.pos, move, letters_, from, to, promotion) != kSanMove) {
        Illegal(tok);
        return;
      }
      EnterMove(from, to, promotion, tok);
    } else {
      TextToken(tok);
      return;
    }
    if (suffix && !Top().dead) Glyph(suffix);
  }

  // A token that names no move and is no move either: comment text.
  void TextToken(std::string_view tok) {
    if (!mainOnly_) AttachComment(std::string(tok));
  }

  void Illegal(std::string_view tok) {
    Frame& f = Top();
    const int ply = f.startPly + (f.line ? f.line->Count() : 0);
    const StartRecord& start = game_.body.start;
    const int side = start.start.position.side == 1 ? 1 : 0;
    const int number = start.FirstMoveNumber() + (ply + side) / 2;
    LogLine(source_.file + ": game " + std::to_string(source_.game) + ", move " +
            std::to_string(number) + ((ply + side) % 2 ? "..." : ".") + std::string(tok) +
            ": no single legal move, the rest of the line is kept as comment");
    StartDead(f, tok);
  }

  void EnterMove(int from, int to, int promotion, std::string_view tok) {
    Frame& f = Top();
    if (f.startPly + f.line->Count() >= kPlyLimit) {
      lost_ |= kPgnLostPlies;
      StartDead(f, tok);
      return;
    }
    GameMove m = GameMove::FromSquares(from, to, promotion);
    m.Complete(f.pos);
    Position after = f.pos;
    after.DoGameMove(m);
    if (game_.body.computeMoveTexts) game_.body.ComputeMoveText(after, m);
    if (f.pending) m.annotations = f.pending.release();
    if (f.line->Append(m) != 0) {
      if (m.annotations) delete m.annotations;
      StartDead(f, tok);
      return;
    }
    f.before = f.pos;
    f.pos = after;
  }

  TQGame& game_;
  const PgnSource& source_;
  std::string letters_;
  bool mainOnly_;
  std::vector<Frame> frames_;
  bool ended_ = false;
  bool hasResult_ = false;
  int result_ = kNoResult;
  int lost_ = 0;
};

// Men on the board.
int CountMen(const Board& b) {
  int n = 0;
  for (uint8_t s : b.squares) n += s != kEmpty;
  return n;
}

}  // namespace

void ReadPgnHeader(std::string_view text, GameHeader& header) {
  header.record = HeaderRecord::Game();
  header.Clear();
  TagState state;
  ReadTags(text, text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0, header, state, nullptr);
}

std::string DescribePgnLosses(int lost) {
  std::string out;
  auto add = [&out](const char* what) {
    if (!out.empty()) out += ", ";
    out += what;
  };
  if (lost & kPgnLostFen)
    add("the FEN fits no legal position: standard start, movetext kept as comment");
  if (lost & kPgnLostPlies) add("moves past the ply limit kept as comment text");
  if (lost & kPgnLostText) add("a comment cut to the stored length");
  return out;
}

namespace {

void LogLosses(const PgnSource& source, int lost) {
  if (lost == 0) return;
  LogLine(source.file + ": game " + std::to_string(source.game) +
          " not stored whole: " + DescribePgnLosses(lost));
}

}  // namespace

int ReadPgnGame(std::string_view text, TQGame& game, const PgnSource& source, bool mainLineOnly,
                int* lost) {
  if (lost) *lost = 0;
  GameHeader& h = game.header;
  h.record = HeaderRecord::Game();
  h.Clear();
  game.body.ClearMoves();
  game.body.FreeGameAnnotations();
  game.body.SetStandardStart();
  game.body.flags &= static_cast<uint16_t>(~kSetUpStart);
  TagState state;
  std::string comments;
  const size_t bom = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  const size_t moves = ReadTags(text, bom, h, state, &comments);
  if (state.hasFen) {
    StartRecord record;
    ParseFen(record, state.fen, state.letters);
    const Position& p = record.start.position;
    if (ValidateBoard(p.board, p.side == 1) != 0 || CountMen(p.board) > 32) {
      LogLine(source.file + ": game " + std::to_string(source.game) + ": invalid FEN \"" +
              state.fen + "\", the movetext is kept as comment");
      h.SetContentFlags(h.GetContentFlags() & ~1u);
      std::string all = comments;
      if (!all.empty()) all += ' ';
      all += CollapseBlanks(text.substr(moves));
      if (!all.empty()) game.body.AddGameComment(all);
      h.SetMoveCount(0);
      int cut = kPgnLostFen;
      if (all.size() > static_cast<size_t>(kMaxRecordTextBytes) &&
          Utf8ToDisplay(all).size() > static_cast<size_t>(kMaxRecordTextBytes))
        cut |= kPgnLostText;
      if (cut & kPgnLostText) LogLosses(source, cut);  // the FEN alone has its line above
      if (lost) *lost = cut;
      return 0;
    }
    game.body.SetSetUpStart(p, record.FirstMoveNumber());
  }
  MovetextReader reader(game, source, state.letters, mainLineOnly);
  if (!mainLineOnly) reader.AddPendingText(CollapseBlanks(comments));
  reader.Read(text, moves);
  reader.Finish();
  if (!state.hasResult && reader.HasResult()) h.SetResult(reader.Result());
  h.SetMoveCount(game.body.FullMoveCount());
  // A main-line-only reading sees no comments, so it reports nothing.
  if (!mainLineOnly) {
    LogLosses(source, reader.Lost());
    if (lost) *lost = reader.Lost();
  }
  return 0;
}

}  // namespace zh
