#include "database/game/game_body.h"

#include "core/rules/notation.h"
#include "core/toolbox/path_list.h"
#include "database/game/annotation_set.h"

namespace zh {

namespace {

bool LineHasAnnotations(const MoveLine& line) {
  for (const GameMove& m : line) {
    if (m.annotations && !m.annotations->IsEmpty()) return true;
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v)
        if (LineHasAnnotations(*m.variations->GetLine(v))) return true;
  }
  return false;
}

void CollectLineMedia(const MoveLine& line, PathList& list) {
  for (const GameMove& m : line) {
    if (m.annotations) m.annotations->CollectMedia(list);
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v) CollectLineMedia(*m.variations->GetLine(v), list);
  }
}

}  // namespace

GameBody::GameBody() = default;

GameBody::GameBody(const GameBody& other)
    : flags(other.flags & kSetUpStart), start(other.start) {
  mainLine.DeepCopyFrom(other.mainLine, 0);
  if (other.gameAnnotations_) gameAnnotations_ = std::make_unique<AnnotationSet>(*other.gameAnnotations_);
}

GameBody::~GameBody() = default;

void GameBody::SetStandardStart() {
  if (!start.IsStandardStart()) start.SetStandardStart();
  flags &= ~kSetUpStart;
}

void GameBody::SetSetUpStart(const Position& position, int firstMove) {
  start.start = {position, 0};
  start.firstMove = static_cast<int16_t>(firstMove);
  flags |= kSetUpStart;
}

void GameBody::ClearMoves() {
  // The main line keeps its array for the next game read into the same body.
  mainLine.Truncate(0);
  scratchLine.Reserve(0);
  gameAnnotations_.reset();
}

bool GameBody::HasVariations() const {
  for (const GameMove& m : mainLine)
    if (m.variations) return true;
  return false;
}

NotationFormatter& GameBody::Formatter() {
  if (!formatter_) formatter_ = std::make_unique<NotationFormatter>();
  formatter_->SetStart(start);
  return *formatter_;
}

void GameBody::ComputeMoveText(const Position& after, GameMove& move) {
  move.SetText(Formatter().FormatMove(after, move));
}

DisplayText GameBody::MainLineText(int fromPly, int toPly) {
  return mainLine.Text(fromPly, toPly, Formatter(), true);
}

int GameBody::FullMoveCount() const {
  const int plies = mainLine.Count();
  if (plies == 0) return 0;
  return start.start.position.side == 1 ? (plies + 2) / 2 : (plies + 1) / 2;
}

bool GameBody::HasAnnotations() const {
  return (gameAnnotations_ && !gameAnnotations_->IsEmpty()) || LineHasAnnotations(mainLine);
}

AnnotationSet* GameBody::GetGameAnnotations() {
  if (!gameAnnotations_) gameAnnotations_ = std::make_unique<AnnotationSet>();
  return gameAnnotations_.get();
}

void GameBody::FreeGameAnnotations() {
  gameAnnotations_.reset();
}

void GameBody::AddGameComment(const std::string& text) {
  GetGameAnnotations()->AppendTextAfter(text, 0, kAllLanguages);
}

void GameBody::CollectMedia(PathList& list) const {
  if (gameAnnotations_ && list.Count() == 0) gameAnnotations_->CollectMedia(list);
  CollectLineMedia(mainLine, list);
}

void GameBody::RemoveAnnotations(int type, bool withVariations) {
  if (type == -1)
    gameAnnotations_.reset();
  else if (gameAnnotations_)
    gameAnnotations_->RemoveType(type);
  mainLine.RemoveAnnotations(0, kPlyLimit, type, withVariations);
}

uint16_t GameBody::CollectMedals() const {
  uint16_t bits = 0;
  mainLine.CollectMedals(bits);
  return bits;
}

uint16_t GameBody::ChangeMedals(uint16_t bits, bool set) {
  AnnotationSet* game = GetGameAnnotations();
  const auto old = static_cast<uint16_t>(game->GetMedal());
  game->SetMedal(set ? old | bits : old & ~bits);
  return static_cast<uint16_t>(game->GetMedal());
}

void PackBodyHeader(uint8_t kind, uint32_t length, uint8_t b[4]) {
  b[0] = kind;
  b[1] = static_cast<uint8_t>(length >> 16);
  b[2] = static_cast<uint8_t>(length >> 8);
  b[3] = static_cast<uint8_t>(length);
}

void UnpackBodyHeader(const uint8_t b[4], uint8_t& kind, uint32_t& length) {
  kind = b[0];
  length = uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

void UnpackFileHeader(const uint8_t b[10], uint16_t& word, uint32_t& first, uint32_t& second) {
  word = static_cast<uint16_t>(b[0] << 8 | b[1]);
  first = uint32_t(b[2]) << 24 | uint32_t(b[3]) << 16 | uint32_t(b[4]) << 8 | b[5];
  second = uint32_t(b[6]) << 24 | uint32_t(b[7]) << 16 | uint32_t(b[8]) << 8 | b[9];
}

}  // namespace zh
