#include "database/oldformat/old_format_record.h"

#include <algorithm>
#include <cstring>

#include "core/rules/byte_key.h"
#include "core/toolbox/code_pages.h"
#include "core/rules/coding_movelist.h"
#include "core/rules/move_coding_tables.h"
#include "core/services.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"

namespace zh {

namespace mc = move_coding;

void ScrambleTqf(uint8_t* bytes, int n, uint8_t seed, uint8_t factor) {
  uint8_t key = seed;
  for (int i = n - 1; i >= 0; --i) {
    key = static_cast<uint8_t>(key * factor);
    bytes[i] ^= key;
  }
}

// A seed of 0 would leave the part as it is: the low bit is always set.
uint8_t TqfTextSeed(int n) {
  return static_cast<uint8_t>((mc::kOldTextSeed[0] + mc::kOldTextSeed[1] * n) | 1);
}
uint8_t TqfMoveSeed(int n) {
  return static_cast<uint8_t>((mc::kOldMoveSeed[0] + mc::kOldMoveSeed[1] * n) | 1);
}
uint8_t TqfKeyMask(int w, int t) {
  return static_cast<uint8_t>(mc::kOldKeyWords[0] + w * mc::kOldKeyWords[1] + t * mc::kOldKeyWords[2]);
}

uint8_t TqfYearByte(int year) {
  if (year >= 1900 && year <= 2026) return static_cast<uint8_t>(year - 1900);
  if (year >= 1782 && year < 1900) return static_cast<uint8_t>(year - 1644);
  return 127;
}
int TqfYearFromByte(uint8_t b) {
  if (b < 127) return 1900 + b;
  if (b > 127) return 1644 + b;
  return 0;
}
uint8_t TqfEloByte(int elo) {
  return elo >= 1605 && elo <= 2875 ? static_cast<uint8_t>((elo - 1600) / 5) : 0;
}
int TqfEloFromByte(uint8_t b) {
  return b ? 1600 + 5 * b : 0;
}

void PackTqfHeader(const TqfRecord& r, uint8_t b[kTqfHeaderSize]) {
  std::memset(b, 0, kTqfHeaderSize);
  b[0] = TqfYearByte(r.year);
  b[1] = r.resultCode;
  b[2] = static_cast<uint8_t>(r.moveBytes >> 8);
  b[3] = static_cast<uint8_t>(r.moveBytes);
  b[4] = static_cast<uint8_t>(r.playerLength & 0x3F);
  b[5] = static_cast<uint8_t>(r.tournamentLength & 0x3F);
  b[6] = static_cast<uint8_t>(r.annotationBytes >> 8);
  b[7] = static_cast<uint8_t>(r.annotationBytes);
  b[8] = r.whiteElo;
  b[9] = r.blackElo;
  uint8_t key = r.storedConversion ? 0x40 : 0;
  if (r.setUp) {
    b[10] = static_cast<uint8_t>(1 | (r.blackToMove ? 2 : 0) | (r.castling & 15) << 2);
    key |= r.epFile & 15;
  } else {
    // ECO bits 0-5 to key bits 0-5, 6 to key bit 7, 7-11 to byte 10 bits 1-5,
    // 12-13 to byte 4 bits 6-7, 14-15 to byte 5 bits 6-7.
    key |= static_cast<uint8_t>((r.eco & 0x3F) | ((r.eco >> 6) & 1) << 7);
    b[10] = static_cast<uint8_t>(((r.eco >> 7) & 0x1F) << 1);
    b[4] |= static_cast<uint8_t>(((r.eco >> 12) & 3) << 6);
    b[5] |= static_cast<uint8_t>(((r.eco >> 14) & 3) << 6);
  }
  if (r.marked) b[10] |= 0x40;
  if (r.deleted) b[10] |= 0x80;
  b[11] = static_cast<uint8_t>(key ^ TqfKeyMask(r.playerLength, r.tournamentLength));
  b[12] = r.moveCount;
  b[13] = ByteKey().CheckByte(b, 13);
  ScrambleTqf(b, kTqfHeaderSize, mc::kOldHeaderSeed, mc::kOldTextFactor);
}

int UnpackTqfHeader(const uint8_t in[kTqfHeaderSize], TqfRecord& r) {
  uint8_t b[kTqfHeaderSize];
  std::memcpy(b, in, kTqfHeaderSize);
  ScrambleTqf(b, kTqfHeaderSize, mc::kOldHeaderSeed, mc::kOldTextFactor);
  r = TqfRecord();
  r.year = TqfYearFromByte(b[0]);
  r.resultCode = b[1] & 0x3F;
  r.moveBytes = static_cast<uint16_t>(b[2] << 8 | b[3]);
  r.playerLength = b[4] & 0x3F;
  r.tournamentLength = b[5] & 0x3F;
  r.annotationBytes = static_cast<uint16_t>(b[6] << 8 | b[7]);
  r.whiteElo = b[8];
  r.blackElo = b[9];
  const uint8_t key = b[11] ^ TqfKeyMask(r.playerLength, r.tournamentLength);
  r.setUp = b[10] & 1;
  r.marked = b[10] & 0x40;
  r.deleted = b[10] & 0x80;
  r.storedConversion = key & 0x40;
  if (r.setUp) {
    r.blackToMove = b[10] & 2;
    r.castling = (b[10] >> 2) & 15;
    r.epFile = key & 15;
  } else {
    r.eco = static_cast<uint16_t>(
        (((b[10] & 0x3E) | (b[5] >> 6) << 8 | (b[4] & 0xC0) | (key >> 7)) << 6) | (key & 0x3F));
  }
  r.moveCount = b[12];
  if (r.moveBytes == 0 || r.moveBytes > kTqfDataLimit || r.annotationBytes > kTqfDataLimit) return 1;
  if ((r.resultCode & 3) != 3 && (r.resultCode >> 2) != 0) return 1;
  if (r.moveCount > 2 * r.moveBytes) return 1;
  return 0;
}

// Variation bytes (markers and moves beyond the main line) as a share of the move data:
// up to 10% 'v', up to 30% 'V', up to 60% 'r', beyond 'R'.
char TqfVariationLetter(const TqfRecord& r) {
  struct Band {
    int percent;
    char letter;
  };
  static constexpr Band kBands[] = {{0, ' '}, {10, 'v'}, {30, 'V'}, {60, 'r'}, {100, 'R'}};
  const int data = r.moveBytes - 1;
  const int mainLine = std::min(data, 2 * int(r.moveCount));
  if (data <= 0) return ' ';
  const int percent = (data - mainLine) * 100 / data;
  for (const Band& band : kBands)
    if (percent <= band.percent) return band.letter;
  return 'R';
}

char TqfCommentLetter(const TqfRecord& r) {
  if (r.annotationBytes == 0) return ' ';
  return r.annotationBytes <= 200 ? 'c' : 'C';
}

namespace {

// ---------------------------------------------------------------------------
// Texts.

// UTF-8 to the stored code page; an 0xFF (a no-break space in the display set) would
// end an annotation record early and becomes 0xFE, which reads as a blank.
std::string ToStored(const std::string& utf8) {
  std::string s = Utf8ToDisplay(utf8);
  ConvertToStoredText(s);
  for (char& c : s)
    if (static_cast<uint8_t>(c) == 0xFF) c = static_cast<char>(0xFE);
  return s;
}

std::string FromStored(std::string s, bool storedConversion) {
  for (char& c : s)
    if (static_cast<uint8_t>(c) == 0xFE) c = ' ';
  if (storedConversion) ConvertStoredText(s);
  else ConvertStoredTextFull(s);
  return DisplayToUtf8(s);
}

// A '-' inside a name becomes '_' unless a '0' stands beside it.
std::string NameText(const TQPlayer& p) {
  std::string s = p.LastName();
  if (!p.FirstName().empty()) s += "," + p.FirstName();
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == '-' && !(i > 0 && s[i - 1] == '0') && !(i + 1 < s.size() && s[i + 1] == '0')) s[i] = '_';
  return s;
}

void SetName(TQPlayer& p, std::string s) {
  for (char& c : s)
    if (c == '_') c = '-';
  const size_t comma = s.find(',');
  p.SetLastName(s.substr(0, comma));
  if (comma != std::string::npos) p.SetFirstName(s.substr(comma + 1));
}

// Title, " (round)" or " (round.sub)", then "[annotator]".
std::string TournamentText(const GameHeader& h) {
  std::string tail;
  if (h.GetRound()) {
    tail = " (" + std::to_string(h.GetRound());
    if (h.GetSubRound()) tail += "." + std::to_string(h.GetSubRound());
    tail += ")";
  }
  if (!h.annotator.Name().empty()) tail += "[" + ToStored(h.annotator.Name()) + "]";
  std::string title = ToStored(h.tournament.Title());
  if (tail.size() > size_t(kTqfTextLimit)) tail.resize(kTqfTextLimit);
  if (title.size() + tail.size() > size_t(kTqfTextLimit)) title.resize(kTqfTextLimit - tail.size());
  return title + tail;
}

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void ParseTournament(std::string text, GameHeader& h, bool conversion) {
  if (!text.empty() && text.back() == ']') {
    const size_t open = text.rfind('[');
    if (open != std::string::npos && !(open + 1 < text.size() && text[open + 1] >= '0' && text[open + 1] <= '9')) {
      h.annotator.SetName(FromStored(text.substr(open + 1, text.size() - open - 2), conversion));
      text.erase(open);
    }
  }
  if (!text.empty() && text.back() == ')') {
    const size_t open = text.rfind(" (");
    if (open != std::string::npos) {
      const std::string inner = text.substr(open + 2, text.size() - open - 3);
      const size_t dot = inner.find('.');
      const std::string round = inner.substr(0, dot), sub = dot == std::string::npos ? "" : inner.substr(dot + 1);
      if (AllDigits(round) && round.size() <= 3 && (dot == std::string::npos || (AllDigits(sub) && sub.size() <= 3))) {
        h.SetRoundPair(std::stoi(round) & 0xFF, dot == std::string::npos ? 0 : std::stoi(sub) & 0xFF);
        text.erase(open);
      }
    }
  }
  h.tournament.SetTitle(FromStored(text, conversion));
}

// ---------------------------------------------------------------------------
// Start position: two squares a byte (rank j / 4, files 2 (j mod 4) and the next),
// then the first move number less 1.

void PackStart(const StartRecord& start, uint8_t out[kTqfStartSize]) {
  const Board& b = start.start.position.board;
  for (int j = 0; j < 32; ++j) {
    const int rank = j / 4, file = 2 * (j % 4);
    out[j] = static_cast<uint8_t>((b[MakeSquare(file, rank)] & 15) << 4 | (b[MakeSquare(file + 1, rank)] & 15));
  }
  out[32] = static_cast<uint8_t>(start.FirstMoveNumber() <= 1 ? 0xFF : start.FirstMoveNumber() - 1);
}

int UnpackStart(const uint8_t in[kTqfStartSize], const TqfRecord& r, TQGame& game) {
  Board board;
  board.Clear();
  for (int j = 0; j < 32; ++j) {
    const int rank = j / 4, file = 2 * (j % 4);
    const uint8_t codes[2] = {static_cast<uint8_t>(in[j] >> 4), static_cast<uint8_t>(in[j] & 15)};
    for (int k = 0; k < 2; ++k) {
      const uint8_t c = codes[k];
      if ((c & 7) == 0 || (c & 7) == 7) {
        if (c != 0) return 1;
        continue;
      }
      board[MakeSquare(file + k, rank)] = c;
    }
  }
  if (ValidateBoard(board, r.blackToMove) != 0) return 1;
  uint8_t ep = r.epFile;
  if (ep > 8) ep = 0;
  if (ep) {
    // The pawn that made the double step stands beside the en-passant square.
    const int rank = r.blackToMove ? 3 : 4;
    const uint8_t pawn = kPawn | (r.blackToMove ? 0 : kBlackBit);
    if (board[MakeSquare(ep - 1, rank)] != pawn) ep = 0;
  }
  Position p;
  p.Set(board, r.blackToMove ? 1 : 0, ep, r.castling);
  const int first = in[32] == 0xFF ? 1 : in[32] + 1;
  game.body.SetSetUpStart(p, first);
  return 0;
}

// ---------------------------------------------------------------------------
// Moves and annotations.

bool HasRecord(const GameMove& m) {
  if (!m.annotations) return false;
  const MoveSymbols s = GetSymbols(m);
  return s.move || s.position || s.prefix || m.annotations->HasTextualContent() ||
         !m.annotations->ToTextForm().empty();
}

void AppendAnnotation(std::vector<uint8_t>& out, const AnnotationSet* set, MoveSymbols s) {
  out.push_back(kTqfOpen);
  out.push_back(static_cast<uint8_t>(s.MoveSymbolCode() & 15));
  out.push_back(static_cast<uint8_t>(s.PositionSymbolCode() & 15));
  out.push_back(static_cast<uint8_t>(s.PrefixSymbolCode() & 15));
  out.push_back(0);
  if (set) {
    const std::string text = ToStored(set->ToTextForm());
    out.insert(out.end(), text.begin(), text.end());
  }
}

class Encoder {
 public:
  std::vector<uint8_t> moves, annotations;
  std::string error;

  bool Line(const MoveLine& line, Position p, int ply, const StartRecord& start) {
    for (const GameMove& m : line) {
      CodingMoveList list;
      list.Generate(p.board, p.epFile, p.side == 1 ? 1 : 0);
      const int index = m.IsNull() ? list.Count() : list.IndexOf(m.from, m.to, (m.kind & kPromotion) ? m.promotion : 0);
      if (index >= list.Count() || index + 1 > 126) {
        const int side = start.start.position.side == 1 ? 1 : 0;
        error = "move " + std::to_string(start.FirstMoveNumber() + (ply + side) / 2) +
                ((ply + side) % 2 ? "..." : ".") + m.LongText() + " has no code in the old format";
        return false;
      }
      const bool annotated = HasRecord(m);
      moves.push_back(static_cast<uint8_t>((index + 1) | (annotated ? 0x80 : 0)));
      if (annotated) AppendAnnotation(annotations, m.annotations, GetSymbols(m));
      if (m.variations)
        for (int i = 0; i < m.variations->Count(); ++i) {
          moves.push_back(kTqfOpen);
          if (!Line(*m.variations->GetLine(i), p, ply, start)) return false;
          moves.push_back(kTqfClose);
        }
      p.DoGameMove(m);
      ++ply;
    }
    return true;
  }
};

// The annotation records in move-data order.
class AnnotationReader {
 public:
  AnnotationReader(const uint8_t* data, size_t size, bool conversion)
      : data_(data), size_(size), conversion_(conversion) {}

  bool AtEnd() const { return pos_ >= size_ || (data_[pos_] == kTqfOpen && pos_ + 1 >= size_); }

  // The next record; false when none is left.
  bool Next(MoveSymbols& symbols, std::string& text) {
    symbols = MoveSymbols();
    text.clear();
    if (pos_ >= size_ || data_[pos_] != kTqfOpen || pos_ + 1 >= size_) return false;
    ++pos_;
    uint8_t fields[4] = {};
    for (int i = 0; i < 4 && pos_ < size_ && data_[pos_] != kTqfOpen; ++i) fields[i] = data_[pos_++];
    symbols.SetFromMoveSymbolCode(fields[0] & 15);
    symbols.SetFromPositionSymbolCode(fields[1] & 15);
    symbols.SetFromPrefixSymbolCode(fields[2] & 15);
    const size_t start = pos_;
    while (pos_ < size_ && data_[pos_] != kTqfOpen) ++pos_;
    text = FromStored(std::string(reinterpret_cast<const char*>(data_ + start), pos_ - start), conversion_);
    return true;
  }

  void Skip() {
    MoveSymbols s;
    std::string t;
    Next(s, t);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool conversion_;
};

void Attach(GameMove& m, MoveSymbols symbols, const std::string& text) {
  if (!text.empty()) GetAnnotations(m)->ParseTextForm(text);
  if (symbols.move || symbols.position || symbols.prefix) SetSymbols(m, symbols);
}

class Decoder {
 public:
  Decoder(TQGame& game, AnnotationReader& notes, bool mainOnly)
      : game_(game), notes_(notes), mainOnly_(mainOnly) {}

  // 0, or 12 when the moves are damaged. Lines still open at the end are left, the
  // empty ones dropped.
  int Run(const uint8_t* data, size_t size) {
    const int rc = Decode(data, size);
    while (stack_.size() > 1) EndVariation();
    return rc;
  }

 private:
  int Decode(const uint8_t* data, size_t size) {
    Frame main;
    main.line = &game_.body.mainLine;
    main.pos = game_.body.start.start.position;
    stack_.push_back(main);
    for (size_t i = 0; i < size; ++i) {
      const uint8_t b = data[i];
      Frame& f = stack_.back();
      if (b == kTqfClose) {
        if (stack_.size() == 1) return 0;
        EndVariation();
      } else if (b == kTqfOpen && (f.line->Count() == 0 || mainOnly_)) {
        if (f.line->Count() == 0) {
          // An opener at the start of a line ends that line.
          if (stack_.size() == 1) return 0;
          EndVariation();
        } else {
          i = SkipVariation(data, size, i);
        }
      } else if (b == kTqfOpen) {
        if (stack_.size() > kTqfMaxDepth) return Damaged("variations nested too deeply");
        GameMove* owner = f.line->GetMove(f.line->Count() - 1);
        if (!owner->variations) owner->variations = new VariationList;
        owner->variations->AddMoved(MoveLine());
        Frame v;
        v.line = owner->variations->GetLine(owner->variations->Count() - 1);
        v.owner = owner;
        v.pos = f.before;
        v.startPly = f.startPly + f.line->Count() - 1;
        stack_.push_back(v);
      } else if (b == kTqfSkipped) {
        i = SkipVariation(data, size, i);
      } else if (const int rc = Move(f, b)) {
        return rc;
      }
    }
    return 0;
  }

  struct Frame {
    MoveLine* line = nullptr;
    GameMove* owner = nullptr;  // the move whose alternatives hold the line
    Position pos;
    Position before;  // before the last move of the line
    int startPly = 0;
  };

  // Leaves the variation on top; one without moves is dropped from its owner.
  void EndVariation() {
    const Frame f = stack_.back();
    stack_.pop_back();
    if (f.line->Count() > 0 || !f.owner) return;
    f.owner->variations->Remove(f.owner->variations->Count() - 1);
    if (f.owner->variations->Count() == 0) FreeVariations(*f.owner);
  }

  int Damaged(const std::string& what) {
    LogLine("old-format record damaged: " + what + "; the game keeps the moves before it");
    game_.body.damaged = true;
    return 12;
  }

  // Skips the variation opened at `i` with the annotation records of its moves;
  // nested openers count. Answers the index of its closing byte.
  size_t SkipVariation(const uint8_t* data, size_t size, size_t i) {
    int depth = 0;
    for (; i < size; ++i) {
      const uint8_t b = data[i];
      if (b == kTqfOpen || b == kTqfSkipped) {
        ++depth;
      } else if (b == kTqfClose) {
        if (--depth == 0) return i;
      } else if (b & 0x80) {
        notes_.Skip();
      }
    }
    return size;
  }

  int Move(Frame& f, uint8_t b) {
    const int index = b & 0x7F;
    CodingMoveList list;
    list.Generate(f.pos.board, f.pos.epFile, f.pos.side == 1 ? 1 : 0);
    if (index == 0 || index > list.Count()) return Damaged("move index " + std::to_string(index) + " past the list");
    if (f.startPly + f.line->Count() >= kPlyLimit) return Damaged("line longer than the ply limit");
    const MoveCode code = list.At(index - 1);
    ::zh::Move move = ::zh::Move::FromCode(code);
    move.CompleteFrom(f.pos.board);
    if (!IsOnBoard(code.to) || !move.IsLegal(f.pos)) return Damaged("illegal move " + move.ToLongText());
    GameMove m = GameMove::FromSquares(code.from, code.to, (code.kind & kPromotion) ? code.promotion : 0);
    m.Complete(f.pos);
    Position after = f.pos;
    after.DoGameMove(m);
    if (game_.body.computeMoveTexts) game_.body.ComputeMoveText(after, m);
    if (f.line->Append(m) != 0) return Damaged("out of memory");
    if (b & 0x80) {
      MoveSymbols symbols;
      std::string text;
      if (notes_.Next(symbols, text) && !mainOnly_) Attach(*f.line->GetMove(f.line->Count() - 1), symbols, text);
    }
    f.before = f.pos;
    f.pos = after;
    return 0;
  }

  TQGame& game_;
  AnnotationReader& notes_;
  bool mainOnly_;
  std::vector<Frame> stack_;
};

}  // namespace

void EncodeTqfTexts(const GameHeader& h, std::string& players, std::string& tournament) {
  players = ToStored(NameText(h.white) + "-" + NameText(h.black));
  if (players.size() > size_t(kTqfTextLimit)) players.resize(kTqfTextLimit);
  tournament = TournamentText(h);
}

void SetTqfHeaderFields(const GameHeader& h, TqfRecord& r) {
  r.year = static_cast<int>(h.GetDate() >> 9);
  r.resultCode = static_cast<uint8_t>(h.GetGameResult().EvalCode() & 0x3F);
  if ((r.resultCode & 3) != 3) r.resultCode &= 3;
  r.whiteElo = TqfEloByte(h.GetWhiteElo());
  r.blackElo = TqfEloByte(h.GetBlackElo());
  // A set-up start keeps its castling and en-passant bits where the ECO code would go.
  if (!r.setUp) r.eco = h.GetEco();
  r.deleted = h.record.IsDeleted();
}

int EncodeTqfGame(const TQGame& game, std::vector<uint8_t>& out, std::string* error) {
  const GameHeader& h = game.header;
  Encoder enc;
  if (!enc.Line(game.body.mainLine, game.body.start.start.position, 0, game.body.start)) {
    if (error) *error = enc.error;
    return 1;
  }
  if (AnnotationSet* set = game.body.GameAnnotations()) {
    const std::string form = set->ToTextForm();
    if (!form.empty()) AppendAnnotation(enc.annotations, set, MoveSymbols());
  }
  if (!enc.annotations.empty()) enc.annotations.push_back(kTqfOpen);
  if (enc.moves.size() + 1 > size_t(kTqfDataLimit) || enc.annotations.size() > size_t(kTqfDataLimit)) {
    if (error) *error = "the moves or annotations exceed the record's limits";
    return 1;
  }
  std::string players, tournament;
  EncodeTqfTexts(h, players, tournament);

  TqfRecord r;
  r.setUp = !game.body.start.IsStandardStart();
  SetTqfHeaderFields(h, r);
  r.moveBytes = static_cast<uint16_t>(enc.moves.size() + 1);
  r.playerLength = static_cast<uint8_t>(players.size());
  r.tournamentLength = static_cast<uint8_t>(tournament.size());
  r.annotationBytes = static_cast<uint16_t>(enc.annotations.size());
  const Position& start = game.body.start.start.position;
  if (r.setUp) {
    r.blackToMove = start.side == 1;
    r.castling = start.castling;
    r.epFile = start.epFile;
  }
  r.moveCount = static_cast<uint8_t>(std::min(game.body.FullMoveCount(), 255));

  out.clear();
  out.resize(kTqfHeaderSize);
  PackTqfHeader(r, out.data());
  std::vector<uint8_t> texts(players.begin(), players.end());
  texts.insert(texts.end(), tournament.begin(), tournament.end());
  ScrambleTqf(texts.data(), int(texts.size()), TqfTextSeed(int(texts.size())), mc::kOldTextFactor);
  out.insert(out.end(), texts.begin(), texts.end());
  // The move data's first byte stays as it is.
  if (enc.moves.size() > 1)
    ScrambleTqf(enc.moves.data() + 1, int(enc.moves.size() - 1), TqfMoveSeed(int(enc.moves.size())),
                mc::kOldMoveFactor);
  out.insert(out.end(), enc.moves.begin(), enc.moves.end());
  out.insert(out.end(), enc.annotations.begin(), enc.annotations.end());
  if (r.setUp) {
    uint8_t packed[kTqfStartSize];
    PackStart(game.body.start, packed);
    out.insert(out.end(), packed, packed + kTqfStartSize);
  }
  return 0;
}

int DecodeTqfHeader(const uint8_t* bytes, size_t size, GameHeader& h, TqfRecord* out) {
  h.record = HeaderRecord::Game();
  h.Clear();
  if (size < size_t(kTqfHeaderSize)) return 12;
  TqfRecord r;
  if (UnpackTqfHeader(bytes, r)) return 1;
  if (out) *out = r;
  const size_t textEnd = kTqfHeaderSize + r.playerLength + r.tournamentLength;
  if (size < textEnd) return 12;
  std::vector<uint8_t> texts(bytes + kTqfHeaderSize, bytes + textEnd);
  ScrambleTqf(texts.data(), int(texts.size()), TqfTextSeed(int(texts.size())), mc::kOldTextFactor);
  const std::string players(texts.begin(), texts.begin() + r.playerLength);
  const std::string tournament(texts.begin() + r.playerLength, texts.end());
  const size_t dash = players.find('-');
  SetName(h.white, FromStored(players.substr(0, dash), r.storedConversion));
  if (dash != std::string::npos) SetName(h.black, FromStored(players.substr(dash + 1), r.storedConversion));
  ParseTournament(tournament, h, r.storedConversion);
  h.SetDate(r.year > 0 ? static_cast<uint32_t>(r.year) << 9 : 0);
  h.SetGameResult(GameResult::FromCode(r.resultCode));
  h.SetWhiteElo(TqfEloFromByte(r.whiteElo));
  h.SetBlackElo(TqfEloFromByte(r.blackElo));
  h.SetEco(r.eco);
  h.SetMoveCount(r.moveCount);
  if (r.setUp) h.SetContentFlags(h.GetContentFlags() | 1);
  if (r.deleted) h.record.type |= kDeletedBit;
  return 0;
}

int DecodeTqfGame(const uint8_t* bytes, size_t size, TQGame& game, bool mainLineOnly) {
  game.body.damaged = false;
  game.body.ClearMoves();
  game.body.FreeGameAnnotations();
  game.body.SetStandardStart();
  game.body.flags &= static_cast<uint16_t>(~kSetUpStart);
  TqfRecord r;
  if (const int rc = DecodeTqfHeader(bytes, size, game.header, &r)) return rc;
  if (size < size_t(r.RecordSize())) return 12;
  const size_t moves = kTqfHeaderSize + r.playerLength + r.tournamentLength;
  const size_t notes = moves + r.moveBytes - 1;
  if (r.setUp && UnpackStart(bytes + notes + r.annotationBytes, r, game)) return 1;
  std::vector<uint8_t> data(bytes + moves, bytes + notes);
  if (data.size() > 1)
    ScrambleTqf(data.data() + 1, int(data.size() - 1), TqfMoveSeed(int(data.size())), mc::kOldMoveFactor);
  AnnotationReader reader(bytes + notes, r.annotationBytes, r.storedConversion);
  Decoder decoder(game, reader, mainLineOnly);
  const int rc = decoder.Run(data.data(), data.size());
  if (rc == 0 && !mainLineOnly && !reader.AtEnd()) {
    MoveSymbols symbols;
    std::string text;
    if (reader.Next(symbols, text) && !text.empty()) {
      AnnotationSet parsed;
      parsed.ParseTextForm(text);
      game.body.GetGameAnnotations()->MergeTexts(parsed);
    }
  }
  return rc;
}

}  // namespace zh
