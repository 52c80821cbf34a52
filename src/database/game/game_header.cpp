#include "database/game/game_header.h"

#include "database/eco_text.h"

namespace zh {

void GameHeader::GetRoundPair(int& round, int& subRound) const {
  round = IsGame() ? record.round : 0;
  subRound = IsGame() ? record.subRound : 0;
}

void GameHeader::SetRoundPair(int round, int subRound) {
  if (!IsGame()) return;
  record.round = static_cast<uint16_t>(round & 0xFF);
  record.subRound = static_cast<uint16_t>(subRound & 0xFF);
}

void GameHeader::SetResult(int v) {
  if (IsGame()) record.resultByte = static_cast<uint16_t>((record.resultByte & ~3) | (v & 3));
}

GameResult GameHeader::GetGameResult() const {
  if (!IsGame()) return {};
  return {static_cast<uint8_t>(record.resultByte & 3), static_cast<uint8_t>(record.evalByte),
          static_cast<uint8_t>((record.resultByte >> 2) & 0x3F)};
}

void GameHeader::SetGameResult(const GameResult& r) {
  if (!IsGame()) return;
  record.resultByte = static_cast<uint16_t>((r.result & 3) | (r.extra & 0x3F) << 2);
  record.evalByte = r.evaluation;
}

std::string GameHeader::GetEcoText() const {
  return EcoToText(GetEco());
}

std::string GameHeader::Title() const {
  if (!IsGame()) return text;
  const std::string w = white.DisplayText(TQPlayer::kFirstNameLength);
  const std::string b = black.DisplayText(TQPlayer::kFirstNameLength);
  if (!w.empty() && !b.empty()) return w + " - " + b;
  return w + b;
}

void GameHeader::Clear() {
  record.Clear();
  white = black = TQPlayer();
  tournament = TQTournament();
  source = TQSource();
  annotator = TQAnnotator();
  text.clear();
  extra = 0;
  if (IsGame()) record.resultByte = kNoResult;
}

}  // namespace zh
