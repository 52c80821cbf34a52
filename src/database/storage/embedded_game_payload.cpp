// The stored form of an embedded game, big-endian:
//   length (2), second word (2), 0, flags (0x40 set-up start), [start record],
//   white, black (each: length byte, characters, NUL), White and Black rating, ECO,
//   tournament title and place (as the names), date (4), type (2), detail (2), 0,
//   second detail, detail value (2), sub-round, round, result, first word (2),
//   move words (2 each) and the end word 0x4000.
// Move words are from | to << 6 | promotion code << 12; each byte is stored as the
// substitution table's value plus the move's index (the end word uses the count).
#include <algorithm>
#include <string>

#include "core/rules/move_coding_tables.h"
#include "core/rules/movelist.h"
#include "database/game/embedded_game.h"
#include "database/storage/game_body_coder.h"
#include "database/game/game_item.h"
#include "database/storage/start_position_record.h"

namespace zh {

namespace {

constexpr uint8_t kSetUpFlag = 0x40;
constexpr uint16_t kEndWord = 0x4000;
constexpr size_t kMaxText = 255;
constexpr int kMaxPayload = 0xFFFF;

using body_coding::kPromotionType;
using body_coding::PromotionCode;

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void Byte(unsigned v) { out_.push_back(static_cast<uint8_t>(v)); }
  void Word(unsigned v) {
    Byte(v >> 8);
    Byte(v);
  }
  void Long(uint32_t v) {
    Word(v >> 16);
    Word(v & 0xFFFF);
  }
  void Text(const std::string& t) {
    const size_t n = std::min(t.size(), kMaxText);
    Byte(static_cast<unsigned>(n));
    out_.insert(out_.end(), t.begin(), t.begin() + static_cast<long>(n));
    Byte(0);
  }
  void MoveWord(unsigned word, int index) {
    Byte(move_coding::kEmbeddedEncode[(word >> 8) & 0xFF] + index);
    Byte(move_coding::kEmbeddedEncode[word & 0xFF] + index);
  }

 private:
  std::vector<uint8_t>& out_;
};

// Reads fields in order and refuses any that would run past the end.
class Reader {
 public:
  Reader(const uint8_t* bytes, int length) : p_(bytes), end_(length) {}
  int Position() const { return pos_; }
  bool Has(int n) const { return pos_ + n <= end_; }
  bool Byte(unsigned& v) {
    if (!Has(1)) return false;
    v = p_[pos_++];
    return true;
  }
  bool Word(unsigned& v) {
    if (!Has(2)) return false;
    v = static_cast<unsigned>(p_[pos_] << 8 | p_[pos_ + 1]);
    pos_ += 2;
    return true;
  }
  bool Long(uint32_t& v) {
    unsigned hi = 0, lo = 0;
    if (!Has(4)) return false;
    Word(hi);
    Word(lo);
    v = hi << 16 | lo;
    return true;
  }
  // A length byte, the characters and their NUL.
  bool Text(std::string& t) {
    if (!Has(1)) return false;
    const int n = p_[pos_];
    if (!Has(n + 2) || p_[pos_ + 1 + n] != 0) return false;
    t.assign(reinterpret_cast<const char*>(p_ + pos_ + 1), static_cast<size_t>(n));
    pos_ += n + 2;
    return true;
  }
  bool MoveWord(unsigned& word, int index) {
    if (!Has(2)) return false;
    const auto decode = [&](uint8_t b) {
      return move_coding::kEmbeddedDecode[static_cast<uint8_t>(b - index)];
    };
    word = static_cast<unsigned>(decode(p_[pos_]) << 8 | decode(p_[pos_ + 1]));
    pos_ += 2;
    return true;
  }
  bool Skip(int n) {
    if (!Has(n)) return false;
    pos_ += n;
    return true;
  }

 private:
  const uint8_t* p_;
  int end_;
  int pos_ = 0;
};

// The player as its widest display text ("last,first"), read back by the player
// parser; both in stored bytes.
std::string PlayerText(const TQPlayer& player) {
  return player.DisplayBytes(99);
}
TQPlayer PlayerFromText(const std::string& text) {
  return TQPlayer::FromDisplayBytes(text);
}

// A set-up start the game can be played from.
bool IsPlayable(const Position& p) {
  return p.IsValid() && !p.IsOpponentInCheck();
}

}  // namespace

int EmbeddedGame::Write(std::vector<uint8_t>& payload) const {
  payload.clear();
  Writer out(payload);
  out.Word(4);
  out.Word(secondWord);
  if (!game_) return 4;
  const GameHeader& h = game_->header;
  const GameBody& body = game_->body;
  out.Byte(0);
  out.Byte(body.IsSetUp() ? kSetUpFlag : 0);
  if (body.IsSetUp()) {
    uint8_t record[StartPositionRecord::kNibbleLength];
    const int n = StartPositionRecord::Write(body.start, record);
    payload.insert(payload.end(), record, record + n);
  }
  out.Text(PlayerText(h.white));
  out.Text(PlayerText(h.black));
  out.Word(static_cast<unsigned>(h.GetWhiteElo()));
  out.Word(static_cast<unsigned>(h.GetBlackElo()));
  out.Word(h.GetEco());
  const TQTournament& t = h.tournament;
  out.Text(t.TitleBytes());
  out.Text(t.PlaceBytes());
  out.Long(t.date);
  out.Word(t.type);
  out.Word(t.detailA);
  out.Byte(0);
  out.Byte(t.detailB);
  out.Word(t.detailD);
  out.Byte(static_cast<unsigned>(h.GetSubRound()));
  out.Byte(static_cast<unsigned>(h.GetRound()));
  out.Byte(static_cast<unsigned>(h.GetResult()) & 3);
  out.Word(firstWord);
  // Only the main line, and no more than the length word can count.
  const int room = (kMaxPayload - static_cast<int>(payload.size()) - 2) / 2;
  const int count = std::min({body.mainLine.Count(), kPlyLimit, room});
  for (int i = 0; i < count; ++i) {
    const GameMove& m = *body.mainLine.GetMove(i);
    const int code = m.promotion ? PromotionCode(m.promotion) : 0;
    out.MoveWord(static_cast<unsigned>(m.from | m.to << 6 | code << 12), i % 256);
  }
  out.MoveWord(kEndWord, count % 256);
  const auto length = static_cast<unsigned>(payload.size());
  payload[0] = static_cast<uint8_t>(length >> 8);
  payload[1] = static_cast<uint8_t>(length);
  return static_cast<int>(length);
}

int EmbeddedGame::Read(const uint8_t* payload, int length) {
  if (!game_) game_ = std::make_unique<TQGame>();
  TQGame& game = *game_;
  game.body.ClearMoves();
  game.body.SetStandardStart();
  game.header.record = HeaderRecord::Game();
  game.header.Clear();

  if (length >= 2) length = std::min(length, payload[0] << 8 | payload[1]);
  Reader in(payload, std::max(length, 0));
  unsigned word, flags, byte;
  if (!in.Skip(2) || !in.Word(word)) return in.Position();
  secondWord = static_cast<uint16_t>(word);
  if (!in.Skip(1) || !in.Byte(flags)) return in.Position();
  if (flags & kSetUpFlag) {
    StartRecord start;
    const int n = StartPositionRecord::Read(payload + in.Position(), length - in.Position(), start);
    if (n == 0) return in.Position();
    in.Skip(n);
    if (!IsPlayable(start.start.position)) return 0;
    game.body.SetSetUpStart(start.start.position, start.firstMove);
  }
  GameHeader& h = game.header;
  std::string text;
  if (!in.Text(text)) return in.Position();
  h.white = PlayerFromText(text);
  if (!in.Text(text)) return in.Position();
  h.black = PlayerFromText(text);
  if (!in.Word(word)) return in.Position();
  h.SetWhiteElo(static_cast<int>(word));
  if (!in.Word(word)) return in.Position();
  h.SetBlackElo(static_cast<int>(word));
  if (!in.Word(word)) return in.Position();
  h.SetEco(static_cast<uint16_t>(word));
  TQTournament& t = h.tournament;
  if (!in.Text(text)) return in.Position();
  t.SetTitleBytes(text);
  if (!in.Text(text)) return in.Position();
  t.SetPlaceBytes(text);
  if (!in.Long(t.date) || !in.Word(word)) return in.Position();
  t.type = static_cast<uint16_t>(word);
  if (!in.Word(word)) return in.Position();
  t.detailA = static_cast<uint8_t>(word);
  if (!in.Skip(1) || !in.Byte(byte)) return in.Position();
  t.detailB = static_cast<uint8_t>(byte);
  if (!in.Word(word)) return in.Position();
  t.detailD = static_cast<uint16_t>(word);
  unsigned subRound, round, result;
  if (!in.Byte(subRound) || !in.Byte(round) || !in.Byte(result)) return in.Position();
  h.SetRoundPair(static_cast<int>(round), static_cast<int>(subRound));
  h.SetResult(static_cast<int>(result & 3));
  if (!in.Word(word)) return in.Position();
  firstWord = static_cast<uint16_t>(word);

  GamePosition p = {game.body.start.start.position, 0};
  for (int i = 0; i < kPlyLimit; ++i) {
    const int at = in.Position();
    if (!in.MoveWord(word, i % 256) || (word & kEndWord)) break;
    const int from = word & 63, to = word >> 6 & 63;
    GameMove m = GameMove::FromSquares(from, to, 0);
    if (p.position.IsPromotionMove(from, to)) m.promotion = kPromotionType[word >> 12 & 3];
    MoveList legal;
    legal.GenerateLegal(p.position);
    if (!legal.Contains(m.ToMove())) return at;  // a damaged word ends the line here
    m.Complete(p.position);
    p.DoGameMove(m);
    game.body.ComputeMoveText(p.position, m);
    if (game.body.mainLine.Append(m) != 0) return at;
  }
  return in.Position();
}

}  // namespace zh
