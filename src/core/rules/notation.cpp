#include "core/rules/notation.h"

#include "core/rules/piece_steps.h"
#include "core/services.h"

namespace zh {

namespace {

NotationSettings& Settings_() {
  static NotationSettings settings;
  return settings;
}

constexpr uint8_t kCaptureSign = 141;
constexpr uint8_t kFirstFigurine = 162;
constexpr int kPieceLettersText = 217;
constexpr int kMoveOnlyFlag = 0x8000;

bool Captures(const GameMove& m) {
  return m.kind & (kCapture | kEnPassant);
}

void AppendSquare(DisplayText& t, int square) {
  t += static_cast<char>('a' + FileOf(square));
  t += static_cast<char>('1' + RankOf(square));
}

// Walks of the piece type from `square`: one step for knights, rays for the rest.
template <class Visit>
void WalkPieceSteps(const Board& b, int type, int square, int stop, Visit visit) {
  const PieceStepRange range = kPieceStepRanges[type & 7];
  for (int i = range.first; i < range.first + range.count; ++i) {
    for (int s = square; CanStep(s, kSteps[i]);) {
      s += kSteps[i].delta;
      if (s == stop) break;
      if (b[s] != kEmpty) {
        visit(s);
        break;
      }
      if (type == kKnight) break;
    }
  }
}

// Descriptive designation codes of a square: what of file and rank is written.
struct Designation {
  bool file, merged, rank;
};
constexpr Designation kDesignations[5] = {
    {false, false, false}, {true, true, false}, {false, false, true},
    {true, true, true},    {true, false, true},
};

constexpr const char* kCaptureFrom = "0012030404";
constexpr const char* kCaptureTo = "0100203044";
constexpr const char* kQuietFrom = "0021321344";
constexpr const char* kQuietTo = "3433344434";

bool Fits(int square, int reference, Designation d) {
  if (d.rank && RankOf(square) != RankOf(reference)) return false;
  if (!d.file) return true;
  const int f = FileOf(square), r = FileOf(reference);
  return f == r || (d.merged && r != 3 && r != 4 && f == 7 - r);
}

}  // namespace

const NotationSettings& GetNotationSettings() {
  return Settings_();
}

void SetNotationSettings(const NotationSettings& settings) {
  Settings_() = settings;
}

ScopedNotationSettings::ScopedNotationSettings(const NotationSettings& settings)
    : previous_(Settings_()) {
  Settings_() = settings;
}

ScopedNotationSettings::~ScopedNotationSettings() {
  Settings_() = previous_;
}

NotationFormatter::NotationFormatter(const StartRecord* start)
    : moves_(std::make_unique<MoveList>()) {
  if (start) SetStart(*start);
}

NotationFormatter::~NotationFormatter() = default;

void NotationFormatter::SetStart(const StartRecord& start) {
  if (start.IsStandardStart()) {
    firstMove = 1;
    startSide = 0;
    return;
  }
  startSide = start.start.position.side != 0 ? 1 : 0;
  firstMove = static_cast<int16_t>(start.FirstMoveNumber());
}

DisplayText NotationFormatter::FormatMoveNumber(int ply) const {
  DisplayText t(std::to_string(firstMove + (startSide + ply) / 2));
  const uint8_t suffix = GetNotationSettings().numberSuffix;
  if (suffix == '_')
    t += ". ";
  else
    t += suffix;
  return t;
}

DisplayText NotationFormatter::FormatMovePrefix(int ply) const {
  DisplayText t = FormatMoveNumber(ply);
  if ((startSide + ply) % 2) t += GetNotationSettings().numberSuffix == '_' ? "... " : "..";
  return t;
}

void NotationFormatter::AppendCheckSign(DisplayText& text, const Position& after) const {
  const uint8_t check = GetNotationSettings().checkChar;
  if (!check || !after.IsInCheck()) return;
  text += mateSign && !after.HasLegalMoves() ? mateSign : check;
}

DisplayText NotationFormatter::FormatMove(const Position& after, const GameMove& move) {
  const NotationSettings& s = GetNotationSettings();
  const int mode = s.mode & 3;
  if (mode == kNoNotation) return DisplayText();
  if (move.IsNull()) return DisplayText("--");
  if (move.from >= 64 || move.to >= 64) return DisplayText();
  if (mode != kNumeric && (move.kind & kCastleBits)) {
    const bool isShort = move.kind & (kWhiteShortCastle | kBlackShortCastle);
    DisplayText t(isShort ? shortCastling.data() : longCastling.data());
    AppendCheckSign(t, after);
    return t;
  }
  const bool longForm = s.mode & kLongForm;
  if (mode == kNumeric) return Numeric(move);
  if (mode == kDescriptive) return Descriptive(after, move, longForm);
  return Algebraic(after, move, longForm);
}

DisplayText NotationFormatter::Algebraic(const Position& after, const GameMove& move,
                                         bool longForm) const {
  const NotationSettings& s = GetNotationSettings();
  const int type = TypeOf(move.piece ? move.piece : after.board[move.to]);
  const bool promotion = move.kind & kPromotion;
  DisplayText t;
  if (type != kPawn && !promotion) t += s.pieceLetters[type];
  if (longForm) {
    AppendSquare(t, move.from);
  } else if (type == kPawn || promotion) {
    if (Captures(move)) t += static_cast<char>('a' + FileOf(move.from));
  } else if (type != kKing && CountLineAttackers(after, move.to, move.from, 0) > 0) {
    if (CountLineAttackers(after, move.to, move.from, 0x38) > 0) {
      if (CountLineAttackers(after, move.to, move.from, 7) > 0)
        AppendSquare(t, move.from);
      else
        t += static_cast<char>('1' + RankOf(move.from));
    } else {
      t += static_cast<char>('a' + FileOf(move.from));
    }
  }
  if (Captures(move))
    t += s.captureChar;
  else if (longForm)
    t += moveSeparator;
  AppendSquare(t, move.to);
  if (promotion) {
    t += promotionSeparator;
    t += s.pieceLetters[move.promotion & 7];
  }
  AppendCheckSign(t, after);
  return t;
}

DisplayText NotationFormatter::Numeric(const GameMove& move) const {
  DisplayText t;
  t += static_cast<char>('1' + FileOf(move.from));
  t += static_cast<char>('1' + RankOf(move.from));
  t += static_cast<char>('1' + FileOf(move.to));
  t += static_cast<char>('1' + RankOf(move.to));
  if (move.kind & kPromotion) t += GetNotationSettings().promotionDigits[move.promotion & 7];
  return t;
}

DisplayText NotationFormatter::Descriptive(const Position& after, const GameMove& move,
                                           bool longForm) {
  const NotationSettings& s = GetNotationSettings();
  if (!scratch_) scratch_ = std::make_unique<Position>();
  Position& before = *scratch_;
  before = after;
  before.UndoGameMove(move);
  const uint8_t* b = before.board.squares;
  const int mover = b[move.from];
  const bool black = ColourOf(mover) != 0;
  const bool capture = Captures(move);
  const int capturedType = (move.kind & kEnPassant) ? kPawn : TypeOf(b[move.to]);
  const char* fromCodes = capture ? kCaptureFrom : kQuietFrom;
  const char* toCodes = capture ? kCaptureTo : kQuietTo;

  int chosen = longForm ? 9 : -1;
  if (!longForm) {
    moves_->GenerateLegal(before);
    for (int attempt = 0; attempt < 10 && chosen < 0; ++attempt) {
      const Designation df = kDesignations[fromCodes[attempt] - '0'];
      const Designation dt = kDesignations[toCodes[attempt] - '0'];
      int matches = 0;
      for (const MoveCode& m : *moves_) {
        if (TypeOf(b[m.from]) != TypeOf(mover)) continue;
        const int taken = (m.kind & kEnPassant) ? kPawn : TypeOf(b[m.to]);
        if (taken != capturedType) continue;
        if ((move.kind & kPromotion) && m.promotion != move.promotion) continue;
        if (Fits(m.from, move.from, df) && Fits(m.to, move.to, dt)) ++matches;
      }
      if (matches == 1) chosen = attempt;
    }
  }
  DisplayText t;
  if (chosen >= 0) {
    auto fileName = [&](int square, bool merged) {
      const int file = FileOf(square);
      DisplayText n;
      if (!merged && file < 3) n += s.pieceLetters[kQueen];
      if (!merged && file > 4) n += s.pieceLetters[kKing];
      n += s.pieceLetters[s.descriptiveFiles[file] & 7];
      return n;
    };
    auto designation = [&](int square, Designation d) {
      DisplayText n;
      if (d.file) n += fileName(square, d.merged);
      if (d.rank) n += static_cast<char>(black ? '8' - RankOf(square) : '1' + RankOf(square));
      return n;
    };
    // A pawn named by its file alone reads "KBP"; other pieces "N/KB3".
    auto piece = [&](int type, int square, Designation d) {
      DisplayText n;
      const bool fileFirst = type == kPawn && d.file && !d.rank;
      if (fileFirst) n += fileName(square, d.merged);
      n += s.pieceLetters[type];
      if (!fileFirst && squareSeparator && (d.file || d.rank)) {
        n += squareSeparator;
        n += designation(square, d);
      }
      return n;
    };
    const Designation df = kDesignations[fromCodes[chosen] - '0'];
    const Designation dt = kDesignations[toCodes[chosen] - '0'];
    t += piece(TypeOf(mover), move.from, df);
    if (capture) {
      t += s.captureChar;
      t += piece(capturedType, move.to, dt);
    } else {
      t += moveSeparator;
      t += designation(move.to, dt);
    }
    if (move.kind & kPromotion) {
      t += '(';
      t += s.pieceLetters[move.promotion & 7];
      t += ')';
    }
  }
  AppendCheckSign(t, after);
  return t;
}

DisplayText NotationFormatter::FormatMoveString(const Position& before, const GameMove& move,
                                                int flags) {
  Position after = before;
  after.DoGameMove(move);
  const DisplayText text = FormatMove(after, move);
  if (flags & kMoveOnlyFlag) return text;
  return FormatMovePrefix(flags & 0x7FFF) + text;
}

DisplayText NotationFormatter::FormatGameMove(const DisplayText& moveText, MoveSymbols symbols,
                                              int ply, bool forceNumber) const {
  DisplayText t;
  if (symbols.prefix) t += symbols.PrefixSymbolText();
  if (forceNumber || (startSide + ply) % 2 == 0) t += FormatMovePrefix(ply);
  t += moveText;
  if (symbols.move) t += symbols.MoveSymbolText();
  if (symbols.position) t += symbols.PositionSymbolText();
  return t;
}

DisplayText ReplaceFigurineChars(const DisplayText& text) {
  const std::string text217 = GetMessageText(kPieceLettersText);
  // Without the message file the English letters stand in.
  const std::string letters = text217 == kNoText ? "KQNBRP" : Utf8ToDisplay(text217);
  std::string out = text.Bytes();
  for (char& c : out) {
    const auto b = static_cast<uint8_t>(c);
    if (b == kCaptureSign) c = 'x';
    const int i = b - kFirstFigurine;
    if (i >= 0 && i < 6 && static_cast<size_t>(i) < letters.size()) c = letters[i];
  }
  return DisplayText(out);
}

int CountLineAttackers(const Position& after, int target, int from, int mask) {
  if (!IsOnBoard(target)) return 0;
  const int piece = after.board[target];
  int count = 0;
  WalkPieceSteps(after.board, TypeOf(piece), target, from, [&](int s) {
    if (after.board[s] == piece && (s & mask) == (from & mask)) ++count;
  });
  return count;
}

int CountSamePieceMoves(const Position& before, const Move& move) {
  if (!IsOnBoard(move.from) || !IsOnBoard(move.to)) return 0;
  const int piece = before.board[move.from];
  int count = 0;
  if (TypeOf(piece) == kPawn) {
    if (!(move.kind & (kCapture | kEnPassant)) && before.board[move.to] == kEmpty) return 0;
    const Step* steps = ColourOf(piece) ? kBlackPawnAttackers : kWhitePawnAttackers;
    for (int i = 0; i < 2; ++i) {
      const int s = move.to + steps[i].delta;
      if (CanStep(move.to, steps[i]) && s != move.from && before.board[s] == piece) ++count;
    }
    return count;
  }
  WalkPieceSteps(before.board, TypeOf(piece), move.to, move.from, [&](int s) {
    if (before.board[s] == piece) ++count;
  });
  return count;
}

}  // namespace zh
