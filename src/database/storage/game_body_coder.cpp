// The body coder. One-byte versions store a move as its piece-slot code (escaped to a
// move word when the slots cannot carry it); two-byte versions store move words whose
// high bits mark branches and line ends. Variations follow their line: a branch mark
// before a move opens an alternative to it, the line ends, and the pending
// alternatives come in reverse order of their branch marks, each from the position
// and piece numbering saved with its mark.
#include "database/storage/game_body_coder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "core/rules/move_coding_tables.h"
#include "core/rules/piece_index_board.h"
#include "core/services.h"
#include "database/storage/annotation_file.h"
#include "database/game/annotation_set.h"
#include "database/game/game_body.h"
#include "database/game/move_tree.h"
#include "database/game/position_stacks.h"
#include "database/search_mask.h"

namespace zh {

int MemoryBodyStream::ReadPiece(uint8_t* buffer, int& length) {
  const size_t n = std::min(bytes.size() - std::min(readPosition, bytes.size()),
                            static_cast<size_t>(std::max(length, 0)));
  if (n) std::memcpy(buffer, bytes.data() + readPosition, n);
  readPosition += n;
  length = static_cast<int>(n);
  return 0;
}

int MemoryBodyStream::WritePiece(const uint8_t* buffer, int length) {
  bytes.insert(bytes.end(), buffer, buffer + std::max(length, 0));
  return 0;
}

namespace body_coding {

namespace {

constexpr int kEnded = -1;
constexpr int kDamaged = 12;
// Entries of the coder's line and board stacks.
constexpr int kStackLimit = 600;
// What a move token that names no move decodes to; it never passes the legality test.
const GameMove kBadMove = GameMove::FromSquares(64, 65);

const uint8_t* EncodeTableOf(int written) {
  const int index = written == 0 ? 0 : written == 1 ? 1 : written == 4 ? 2 : 3;
  return move_coding::kBodyEncode[static_cast<size_t>(index)].data();
}

Position StartOf(const GameBody& body) {
  return body.IsSetUp() ? body.start.start.position : Position();
}

int Sign(int v) {
  return (v > 0) - (v < 0);
}

// The squares strictly between two squares on a line are empty.
bool PathClear(const Board& b, int from, int to) {
  const int df = Sign(FileOf(to) - FileOf(from)), dr = Sign(RankOf(to) - RankOf(from));
  const int step = df * 8 + dr;
  for (int s = from + step; s != to; s += step)
    if (b[s] != kEmpty) return false;
  return true;
}

bool CastlingGeometry(const Position& p, int from, int to, bool black) {
  const int home = black ? 39 : 32;
  if (from != home || RankOf(to) != RankOf(home)) return false;
  const bool shortSide = to == home + 16;
  if (!shortSide && to != home - 16) return false;
  const int rook = shortSide ? home + 24 : home - 32;
  const uint8_t right = black ? (shortSide ? kBlackShort : kBlackLong) : (shortSide ? kWhiteShort : kWhiteLong);
  return (p.castling & right) && p.board[rook] == ((black ? kBlackBit : 0) | kRook) &&
         PathClear(p.board, from, rook);
}

bool PawnGeometry(const Position& p, int from, int to, bool black) {
  const int forward = black ? -1 : 1;
  const int df = FileOf(to) - FileOf(from), dr = RankOf(to) - RankOf(from);
  const Board& b = p.board;
  if (df == 0) {
    if (b[to] != kEmpty) return false;
    if (dr == forward) return true;
    return dr == 2 * forward && RankOf(from) == (black ? 6 : 1) && b[from + forward] == kEmpty;
  }
  if ((df != 1 && df != -1) || dr != forward) return false;
  if (b[to] != kEmpty) return true;
  return p.epFile == FileOf(to) + 1 && RankOf(to) == (black ? 2 : 5);
}

bool PieceGeometry(const Position& p, int from, int to) {
  const int piece = p.board[from];
  const bool black = ColourOf(piece) != 0;
  const int adf = std::abs(FileOf(to) - FileOf(from)), adr = std::abs(RankOf(to) - RankOf(from));
  switch (TypeOf(piece)) {
    case kKnight: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case kKing: return std::max(adf, adr) == 1 || CastlingGeometry(p, from, to, black);
    case kRook: return (adf == 0 || adr == 0) && PathClear(p.board, from, to);
    case kBishop: return adf == adr && PathClear(p.board, from, to);
    case kQueen: return (adf == 0 || adr == 0 || adf == adr) && PathClear(p.board, from, to);
    case kPawn: return PawnGeometry(p, from, to, black);
    default: return false;
  }
}

}  // namespace

uint8_t Substitute(int version, const uint8_t* table, uint8_t v, int counter) {
  const auto c = static_cast<uint8_t>(counter);
  if (kVersionInfo[version].tableMode == 0) return static_cast<uint8_t>(table[v] + c);
  return table[static_cast<uint8_t>(v + c)];
}

uint8_t Restore(int version, uint8_t stored, int counter) {
  const auto c = static_cast<uint8_t>(counter);
  const auto& table = move_coding::kBodyDecode[static_cast<size_t>(version)];
  if (kVersionInfo[version].tableMode == 0) return table[static_cast<uint8_t>(stored - c)];
  return static_cast<uint8_t>(table[stored] - c);
}

bool IsDecodableMove(const Position& p, GameMove& m) {
  Position after;
  return PlayDecodedMove(p, m, after);
}

bool PlayDecodedMove(const Position& p, GameMove& m, Position& after) {
  if (m.from > 63 || m.to > 63 || m.from == m.to) return false;
  const int piece = p.board[m.from], target = p.board[m.to];
  const bool black = p.side == 1;
  if (piece == kEmpty || (ColourOf(piece) != 0) != black) return false;
  if (target != kEmpty && ((ColourOf(target) != 0) == black || TypeOf(target) == kKing)) return false;
  if (!PieceGeometry(p, m.from, m.to)) return false;
  if (TypeOf(piece) != kPawn || (RankOf(m.to) != 0 && RankOf(m.to) != 7)) m.promotion = 0;
  m.annotations = nullptr;
  m.variations = nullptr;
  m.Complete(p);
  if (m.kind & kCastleBits) {
    const bool byBlack = !black;
    if (TestSquareAttacked(p.board, m.from, byBlack) ||
        TestSquareAttacked(p.board, (m.from + m.to) / 2, byBlack))
      return false;
  }
  after = p;
  after.DoGameMove(m);
  return !IsKingAttacked(after.board, black);
}

namespace {

// Bytes of the body through the refilled buffer.
class ByteSource {
 public:
  ByteSource(uint8_t* buffer, int size, BodyStream& stream)
      : buffer_(buffer), size_(size), stream_(stream) {}
  // 0 and the byte; kEnded at the end of the body; else the stream's error.
  int Next(uint8_t& b) {
    if (pos_ == fill_) {
      if (ended_) return kEnded;
      int n = size_;
      if (const int rc = stream_.ReadPiece(buffer_, n)) return rc;
      if (n <= 0) {
        ended_ = true;
        return kEnded;
      }
      fill_ = std::min(n, size_);
      pos_ = 0;
    }
    b = buffer_[pos_++];
    ++consumed_;
    return 0;
  }
  int64_t Consumed() const { return consumed_; }

 private:
  uint8_t* buffer_;
  int size_;
  BodyStream& stream_;
  int pos_ = 0;
  int fill_ = 0;
  int64_t consumed_ = 0;
  bool ended_ = false;
};

// Bytes of the body into the flushed buffer.
class ByteSink {
 public:
  ByteSink(uint8_t* buffer, int size, BodyStream& stream) : buffer_(buffer), size_(size), stream_(stream) {}
  int Put(uint8_t b) {
    buffer_[pos_++] = b;
    if (pos_ < size_) return 0;
    pos_ = 0;
    return stream_.WritePiece(buffer_, size_);
  }
  int Flush() { return pos_ ? stream_.WritePiece(buffer_, std::exchange(pos_, 0)) : 0; }

 private:
  uint8_t* buffer_;
  int size_;
  BodyStream& stream_;
  int pos_ = 0;
};

// Annotation file calls of the coder. Reading creates the set only for records of the
// key, and answers the key of the next set.
int ReadAnnotationSet(FileTqa* file, std::unique_ptr<AnnotationSet>& set, int32_t& key);
int WriteAnnotationSet(FileTqa* file, const AnnotationSet& set, uint32_t key);
// Records of the block that no read has reached yet.
bool AnnotationsLeft(FileTqa* file);

// One step of the stream: a branch mark before a move, the move, a line end after it.
struct Token {
  bool branch = false;
  bool hasMove = false;
  bool endOfLine = false;
  bool marker = false;
  GameMove move;
};

enum class DecodeMode { kTree, kMainLine, kTrace };

class Decoder {
 public:
  Decoder(GameBody& body, DecodeMode mode, ByteSource& in, FileTqa* annotations, TraceSink* trace)
      : body_(body), mode_(mode), in_(in), annotations_(annotations), trace_(trace),
        version_(body.Version()), info_(kVersionInfo[version_]) {}

  int Run();

 private:
  int ReadToken(Token& t);
  int ReadWord(uint16_t& word);
  void DecodeWord(uint16_t word, int shift, bool takeMarker, Token& t);
  int TakeMove(GameMove& m);
  int Branch();
  // Ends the line being filled; true when no alternative is pending.
  bool EndLine();
  void Commit();
  int Abort(int rc);
  void ReadMoveAnnotations(GameMove& m);

  GameBody& body_;
  DecodeMode mode_;
  ByteSource& in_;
  FileTqa* annotations_;
  TraceSink* trace_;
  int version_;
  VersionInfo info_;

  GamePosition position_;
  PieceIndexBoard board_;
  PieceIndexBoardStack boards_;
  LineStack lines_;
  int counter_ = 0;
  MoveLine* scratch_ = nullptr;
  VariationList* targetList_ = nullptr;  // null: the main line
  int targetIndex_ = 0;
  bool afterPop_ = false;
  std::unique_ptr<VariationList> pending_;
  // Alternatives to moves that were dropped: decoded to keep the stream in step, then freed.
  std::vector<std::unique_ptr<VariationList>> orphans_;
  bool lost_ = false;  // moves, variations or annotations were dropped
  int32_t nextKey_ = 0;
  bool readAnnotations_ = false;
  int kept_ = 0;  // main-line moves of the main-line and trace modes
};

int Decoder::ReadWord(uint16_t& word) {
  uint8_t hi, lo;
  if (const int rc = in_.Next(hi)) return rc;
  if (const int rc = in_.Next(lo)) return rc == kEnded ? kDamaged : rc;
  word = static_cast<uint16_t>(Restore(version_, hi, counter_) << 8 | Restore(version_, lo, counter_));
  return 0;
}

void Decoder::DecodeWord(uint16_t word, int shift, bool takeMarker, Token& t) {
  const int from = word >> shift & 63, to = word >> (6 - shift) & 63, code = word >> 12 & 3;
  t.hasMove = true;
  t.move = GameMove::FromSquares(from, to);
  if (from == to) return;
  const int piece = position_.position.board[from];
  if (TypeOf(piece) == kPawn && (RankOf(to) == 0 || RankOf(to) == 7))
    t.move.promotion = kPromotionType[code];
  else if (takeMarker && code != 0 && body_.markerValue == 0)
    body_.markerValue = kPromotionType[code], body_.markerIndex = counter_;
}

int Decoder::ReadToken(Token& t) {
  t = Token();
  if (info_.twoByte) {
    uint16_t word;
    if (const int rc = ReadWord(word)) return rc;
    t.branch = word & kBranchBit;
    t.endOfLine = word & kLastMoveBit;
    DecodeWord(word, info_.shift, true, t);
    return 0;
  }
  uint8_t stored;
  if (const int rc = in_.Next(stored)) return rc;
  const uint8_t v = Restore(version_, stored, counter_);
  if (v == kNullToken) {
    t.hasMove = true;
    t.move = GameMove::FromSquares(0, 0);
  } else if (v < kEscapeToken) {
    t.hasMove = true;
    if (!board_.DecodeMove(v, position_.position.side == 1, t.move)) t.move = kBadMove;
  } else if (v == kEscapeToken) {
    uint16_t word;
    if (const int rc = ReadWord(word)) return rc == kEnded ? kDamaged : rc;
    DecodeWord(word, 0, false, t);
    if (t.move.from == t.move.to) t.move = kBadMove;  // escaped moves are real moves
  } else if (v == kMarkerToken) {
    t.marker = true;
  } else if (v == kBranchToken) {
    t.branch = true;
  } else if (v == kEndToken) {
    t.endOfLine = true;
  }
  return 0;
}

void Decoder::Commit() {
  MoveLine* target = targetList_ ? targetList_->GetLine(targetIndex_) : &body_.mainLine;
  if (target->MoveFrom(*scratch_, 0)) lost_ = true;
  scratch_->Truncate(0);
}

int Decoder::Branch() {
  if (mode_ != DecodeMode::kTree || !body_.readVariations) return 0;
  if (lines_.Count() >= kStackLimit) return kDamaged;
  VariationList* list;
  GamePosition at = position_;
  if (afterPop_ && targetList_) {
    list = targetList_;  // a sibling of the line being filled
  } else {
    if (!pending_) pending_ = std::make_unique<VariationList>();
    list = pending_.get();
  }
  if (list->AddMoved(MoveLine())) return 5;
  if (lines_.PushLine(at, list, list->Count() - 1)) return 5;
  if (boards_.Push(board_)) return 5;
  afterPop_ = false;
  return 0;
}

bool Decoder::EndLine() {
  if (mode_ != DecodeMode::kTree) return true;
  if (pending_) {
    orphans_.push_back(std::move(pending_));
    lost_ = true;
  }
  Commit();
  if (!body_.readVariations || lines_.Count() == 0) return true;
  int index = 0;
  lines_.PopLine(position_, targetList_, index);
  targetIndex_ = index;
  boards_.Pop(board_);
  afterPop_ = true;
  return false;
}

void Decoder::ReadMoveAnnotations(GameMove& m) {
  if (!readAnnotations_ || counter_ != nextKey_) return;
  std::unique_ptr<AnnotationSet> set;
  if (ReadAnnotationSet(annotations_, set, nextKey_)) {
    readAnnotations_ = false;
    lost_ = true;
  }
  if (set && !set->IsEmpty()) m.annotations = set.release();
}

int Decoder::TakeMove(GameMove& m) {
  afterPop_ = false;
  // A trace that wants no more moves ends before the next one is checked.
  if (mode_ == DecodeMode::kTrace && !trace_->WantsMore()) return kEnded;
  const bool null = m.from == m.to;
  Position after;
  if (null) {
    m.Complete(position_.position);
    after = position_.position;
    after.DoGameMove(m);
  } else if (!PlayDecodedMove(position_.position, m, after)) {
    return kDamaged;
  }
  const int mover = static_cast<int>(position_.position.side);
  if (mode_ != DecodeMode::kTree && (null || kept_ >= body_.plyLimit)) return kEnded;
  board_.ApplyMove(m);
  position_.position = after;
  ++position_.ply;
  if (mode_ == DecodeMode::kTrace) {
    ++counter_;
    ++kept_;
    trace_->AppendMove(m, mover);
    return 0;
  }
  if (mode_ == DecodeMode::kMainLine) {
    ++counter_;
    ++kept_;
    if (body_.computeMoveTexts) body_.ComputeMoveText(position_.position, m);
    return body_.mainLine.Append(m);
  }
  const bool keep = position_.ply <= kPlyLimit;
  if (keep && body_.computeMoveTexts) body_.ComputeMoveText(position_.position, m);
  ReadMoveAnnotations(m);
  ++counter_;
  if (!keep) {
    lost_ = true;
    FreeAnnotations(m);
    if (pending_) orphans_.push_back(std::move(pending_));
    return 0;
  }
  if (pending_) m.variations = pending_.release();
  if (scratch_->Append(m)) {
    ResetMove(m);
    return 5;
  }
  return 0;
}

int Decoder::Abort(int rc) {
  if (mode_ == DecodeMode::kTree) {
    if (pending_) orphans_.push_back(std::move(pending_));
    Commit();
  }
  return rc;
}

int Decoder::Run() {
  if (mode_ != DecodeMode::kTrace) body_.ClearMoves();
  body_.markerValue = 0;
  body_.markerIndex = std::numeric_limits<int32_t>::max();
  body_.damaged = false;
  position_ = {StartOf(body_), 0};
  board_.SetFromPosition(position_.position, info_.scanOrder);
  if (trace_) {
    trace_->blackStarts = position_.position.side == 1;
    trace_->Start(position_.position.board);
  }
  MoveLine scratch;
  if (mode_ == DecodeMode::kTree && scratch.Reserve(kPlyLimit)) return 5;
  scratch_ = mode_ == DecodeMode::kTree ? &scratch : &body_.mainLine;
  readAnnotations_ = mode_ == DecodeMode::kTree && annotations_ && body_.readAnnotations;
  if (readAnnotations_) {
    nextKey_ = kGameAnnotationKey;
    std::unique_ptr<AnnotationSet> game;
    if (ReadAnnotationSet(annotations_, game, nextKey_)) readAnnotations_ = false, lost_ = true;
    if (game && !game->IsEmpty()) *body_.GetGameAnnotations() = *game;
  }

  int rc = 0;
  Token t;
  for (;;) {
    rc = ReadToken(t);
    if (rc == kEnded) {
      // An empty body holds an empty game; any other body must end with its line.
      rc = in_.Consumed() == 0 ? 0 : kDamaged;
      if (rc == 0) Commit();
      break;
    }
    if (rc) break;
    if (t.branch && (rc = Branch())) break;
    if (t.marker) body_.markerValue = kRook, body_.markerIndex = counter_;
    if (t.hasMove && (rc = TakeMove(t.move))) break;
    if (t.endOfLine && EndLine()) break;
  }
  if (rc == kEnded) rc = 0;  // the main-line modes stop early by design
  if (mode_ == DecodeMode::kTrace) return rc == kDamaged ? 1 : rc;
  if (rc) rc = Abort(rc);
  // Empty lines, and alternatives on a variation's first move, are read as the
  // encoder would write them.
  if (mode_ == DecodeMode::kTree) NormaliseVariations(body_.mainLine);
  if (rc == 0 && mode_ == DecodeMode::kTree && body_.readVariations && readAnnotations_ &&
      AnnotationsLeft(annotations_))
    lost_ = true;
  if (rc == 0 && lost_) rc = kDamaged;
  if (rc == kDamaged) {
    body_.damaged = true;
    LogLine("Load game error");
  }
  return rc;
}

// ---- coding ----

class Encoder {
 public:
  Encoder(GameBody& body, int version, const uint8_t* table, ByteSink& out, FileTqa* annotations)
      : body_(body), version_(version), info_(kVersionInfo[version]), table_(table), out_(out),
        annotations_(annotations) {}
  int Run();

 private:
  int Line(const MoveLine& line, bool sibling);
  int PutByte(uint8_t v) { return out_.Put(Substitute(version_, table_, v, counter_)); }
  int PutWord(unsigned word) {
    if (const int rc = PutByte(static_cast<uint8_t>(word >> 8))) return rc;
    return PutByte(static_cast<uint8_t>(word));
  }
  unsigned MoveWord(const GameMove& m) const {
    return static_cast<unsigned>(m.from << info_.shift | m.to << (6 - info_.shift) |
                                 PromotionCode(m.promotion) << 12);
  }
  int WriteMove(GameMove& m, bool branch, bool last);
  int SaveBranch();

  GameBody& body_;
  int version_;
  VersionInfo info_;
  const uint8_t* table_;
  ByteSink& out_;
  FileTqa* annotations_;
  GamePosition position_;
  PieceIndexBoard board_;
  PieceIndexBoardStack boards_;
  std::vector<GamePosition> positions_;
  int counter_ = 0;
  bool markerPending_ = false;
};

int Encoder::SaveBranch() {
  if (boards_.Push(board_)) return 5;
  positions_.push_back(position_);
  return 0;
}

int Encoder::WriteMove(GameMove& m, bool branch, bool last) {
  const bool null = m.from == m.to;
  if (info_.twoByte) {
    unsigned word = MoveWord(m);
    if (branch) word |= kBranchBit;
    if (last) word |= kLastMoveBit;
    if (markerPending_ && !null && !(m.kind & kPromotion) && counter_ >= body_.markerIndex) {
      word |= kMarkerBit;
      markerPending_ = false;
    }
    return PutWord(word);
  }
  if (null) return PutByte(kNullToken);
  const uint8_t code = board_.EncodeMove(m);
  if (code != kEscapeToken && !(m.kind & kPromotion)) return PutByte(code);
  if (const int rc = PutByte(kEscapeToken)) return rc;
  return PutWord(MoveWord(m));
}

int Encoder::Line(const MoveLine& line, bool sibling) {
  const int n = line.Count();
  for (int i = 0; i < n; ++i) {
    GameMove m;
    m.CopyMoveOnly(*line.GetMove(i));
    m.Complete(position_.position);
    const bool branch = sibling || line.GetMove(i)->variations;
    sibling = false;
    if (branch) {
      if (const int rc = SaveBranch()) return rc;
      if (!info_.twoByte)
        if (const int rc = PutByte(kBranchToken)) return rc;
    }
    if (const int rc = WriteMove(m, branch, i == n - 1)) return rc;
    board_.ApplyMove(m);
    position_.DoGameMove(m);
    if (const AnnotationSet* set = line.GetMove(i)->annotations; annotations_ && set && !set->IsEmpty())
      if (const int rc = WriteAnnotationSet(annotations_, *set, static_cast<uint32_t>(counter_))) return rc;
    ++counter_;
    if (!info_.twoByte && markerPending_ && counter_ >= body_.markerIndex) {
      markerPending_ = false;
      if (const int rc = PutByte(kMarkerToken)) return rc;
    }
  }
  if (!info_.twoByte)
    if (const int rc = PutByte(kEndToken)) return rc;
  for (int i = n - 1; i >= 0; --i) {
    const VariationList* list = line.GetMove(i)->variations;
    for (int j = 0; list && j < list->Count(); ++j) {
      if (boards_.Pop(board_) || positions_.empty()) return kDamaged;
      position_ = positions_.back();
      positions_.pop_back();
      if (const int rc = Line(*list->GetLine(j), j < list->Count() - 1)) return rc;
    }
  }
  return 0;
}

int Encoder::Run() {
  NormaliseVariations(body_.mainLine);
  position_ = {StartOf(body_), 0};
  board_.SetFromPosition(position_.position, info_.scanOrder);
  markerPending_ = body_.markerValue != 0;
  if (const AnnotationSet* game = body_.GameAnnotations(); annotations_ && game && !game->IsEmpty())
    if (const int rc = WriteAnnotationSet(annotations_, *game, kGameAnnotationKey)) return rc;
  if (const int rc = Line(body_.mainLine, false)) return rc;
  return out_.Flush();
}

// Sets the busy flag for one coder run.
class BusyGuard {
 public:
  explicit BusyGuard(GameBody& body) : body_(body), busy_(body.coderBusy) { body.coderBusy = true; }
  ~BusyGuard() {
    if (!busy_) body_.coderBusy = false;
  }
  bool WasBusy() const { return busy_; }

 private:
  GameBody& body_;
  bool busy_;
};

int RunDecoder(GameBody& body, DecodeMode mode, uint8_t* buffer, int size, BodyStream& stream,
               FileTqa* annotations, TraceSink* trace) {
  BusyGuard guard(body);
  if (guard.WasBusy() || size <= 0) return 1;
  if (body.Version() >= kVersions) {
    body.ClearMoves();
    return 1;
  }
  ByteSource in(buffer, size, stream);
  return Decoder(body, mode, in, annotations, trace).Run();
}

int ReadAnnotationSet(FileTqa* file, std::unique_ptr<AnnotationSet>& set, int32_t& key) {
  return file->ReadSet(
      [&set] {
        if (!set) set = std::make_unique<AnnotationSet>();
        return set.get();
      },
      key);
}
int WriteAnnotationSet(FileTqa* file, const AnnotationSet& set, uint32_t key) {
  return file->WriteSet(set, key);
}
bool AnnotationsLeft(FileTqa* file) {
  return file->EndRead() != 0;
}

// Moves the lines of `list` into a vector, and back in a new order.
std::vector<MoveLine> TakeLines(VariationList& list) {
  std::vector<MoveLine> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(std::move(*list.GetLine(i)));
  list.Clear();
  return lines;
}

}  // namespace

int EncodeAsVersion(GameBody& body, int version, const uint8_t* table, uint8_t* buffer, int size,
                    BodyStream& stream) {
  BusyGuard guard(body);
  if (guard.WasBusy() || size <= 0 || version < 0 || version >= kVersions) return 1;
  ByteSink out(buffer, size, stream);
  return Encoder(body, version, table, out, nullptr).Run();
}

void NormaliseVariations(MoveLine& line) {
  for (GameMove& m : line) {
    if (!m.variations) continue;
    std::vector<MoveLine> lines = TakeLines(*m.variations);
    std::vector<MoveLine> shaped;
    // Lines are taken from the front; hoisted alternatives go back to the front.
    for (size_t i = 0; i < lines.size(); ++i) {
      MoveLine& v = lines[i];
      NormaliseVariations(v);
      if (v.IsEmpty()) continue;
      GameMove& first = *v.GetMove(0);
      std::vector<MoveLine> hoisted;
      if (first.variations) {
        hoisted = TakeLines(*first.variations);
        FreeVariations(first);
      }
      shaped.push_back(std::move(v));
      lines.insert(lines.begin() + static_cast<long>(i) + 1, std::make_move_iterator(hoisted.begin()),
                   std::make_move_iterator(hoisted.end()));
    }
    for (MoveLine& v : shaped) m.variations->AddMoved(std::move(v));
    if (m.variations->Count() == 0) FreeVariations(m);
  }
}

}  // namespace body_coding

using namespace body_coding;

int GameBody::Decode(uint8_t* buffer, int size, BodyStream& stream, FileTqa* annotations) {
  return RunDecoder(*this, DecodeMode::kTree, buffer, size, stream, annotations, nullptr);
}

int GameBody::DecodeMainLine(uint8_t* buffer, int size, BodyStream& stream) {
  return RunDecoder(*this, DecodeMode::kMainLine, buffer, size, stream, nullptr, nullptr);
}

int GameBody::DecodeInto(TraceSink& trace, uint8_t* buffer, int size, BodyStream& stream) {
  const bool texts = computeMoveTexts;
  computeMoveTexts = false;
  const int rc = RunDecoder(*this, DecodeMode::kTrace, buffer, size, stream, nullptr, &trace);
  computeMoveTexts = texts;
  return rc;
}

int GameBody::Encode(uint8_t* buffer, int size, BodyStream& stream, FileTqa* annotations) {
  BusyGuard guard(*this);
  if (guard.WasBusy() || size <= 0 || Version() >= kVersions) return 1;
  const int version = kVersionInfo[Version()].writtenAs;
  flags = static_cast<uint16_t>((flags & ~0x3F) | version);
  ByteSink out(buffer, size, stream);
  return Encoder(*this, version, EncodeTableOf(version), out, annotations).Run();
}

}  // namespace zh
