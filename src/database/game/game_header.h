// The header of a database item: the unpacked header record and the library records
// that its numbers name. Accessors answer by item type: a library number or offset of
// an item without that field is -1, a value 0, a result 3.
#pragma once

#include <cstdint>
#include <string>

#include "core/rules/symbols.h"
#include "database/game/header_items.h"
#include "database/storage/header_record.h"

namespace zh {

class GameHeader {
 public:
  HeaderRecord record;
  TQPlayer white;
  TQPlayer black;
  TQTournament tournament;
  TQSource source;
  TQAnnotator annotator;
  std::string text;  // title line of a text item
  uint32_t extra = 0;

  bool IsGame() const { return record.IsGame(); }
  bool IsText() const { return record.IsText(); }

  uint32_t GetDate() const { return IsGame() ? record.date : 0; }
  void SetDate(uint32_t v) { if (IsGame()) record.date = v; }
  int GetRound() const { return IsGame() || IsText() ? record.round : 0; }
  void SetRound(int v) { if (IsGame() || IsText()) record.round = static_cast<uint16_t>(v & 0xFF); }
  int GetSubRound() const { return IsGame() ? record.subRound : 0; }
  void SetSubRound(int v) { if (IsGame()) record.subRound = static_cast<uint16_t>(v & 0xFF); }
  void GetRoundPair(int& round, int& subRound) const;
  void SetRoundPair(int round, int subRound);
  int GetResult() const { return IsGame() ? record.resultByte & 3 : kNoResult; }
  void SetResult(int v);
  int GetEval() const { return IsGame() ? record.evalByte : 0; }
  GameResult GetGameResult() const;
  void SetGameResult(const GameResult& r);
  int GetWhiteElo() const { return IsGame() ? record.whiteElo : 0; }
  void SetWhiteElo(int v) { if (IsGame()) record.whiteElo = static_cast<uint16_t>(v); }
  int GetBlackElo() const { return IsGame() ? record.blackElo : 0; }
  void SetBlackElo(int v) { if (IsGame()) record.blackElo = static_cast<uint16_t>(v); }
  uint16_t GetEco() const { return IsGame() ? record.eco : 0; }
  void SetEco(uint16_t v) { if (IsGame()) record.eco = v; }
  uint16_t GetMedals() const { return IsGame() ? record.medals : 0; }
  void SetMedals(uint16_t v) { if (IsGame()) record.medals = v; }
  uint32_t GetContentFlags() const { return IsGame() || IsText() ? record.contentFlags : 0; }
  void SetContentFlags(uint32_t v) { if (IsGame() || IsText()) record.contentFlags = v; }
  int GetMoveCount() const { return IsGame() ? record.moveCount : 0; }
  void SetMoveCount(int v) { if (IsGame()) record.moveCount = static_cast<uint16_t>(v); }
  uint16_t GetWord43() const { return IsGame() ? record.word43 : 0; }
  void SetWord43(uint16_t v) { if (IsGame()) record.word43 = v; }
  uint16_t GetTextWord() const { return IsText() ? record.textWord22 : 0; }
  void SetTextWord(uint16_t v) { if (IsText()) record.textWord22 = v; }

  int64_t GetTqgOffset() const { return IsGame() || IsText() ? int64_t(record.tqgOffset) : -1; }
  void SetTqgOffset(uint32_t v) { record.SetTqgOffset(v); }
  int64_t GetTqaOffset() const { return IsGame() ? int64_t(record.tqaOffset) : -1; }
  void SetTqaOffset(uint32_t v) { record.SetTqaOffset(v); }
  int64_t GetWhite() const { return IsGame() ? int64_t(record.white) : -1; }
  void SetWhite(uint32_t v) { record.SetWhite(v); }
  int64_t GetBlack() const { return IsGame() ? int64_t(record.black) : -1; }
  void SetBlack(uint32_t v) { record.SetBlack(v); }
  int64_t GetTournament() const { return IsGame() || IsText() ? int64_t(record.tournament) : -1; }
  void SetTournament(uint32_t v) { record.SetTournament(v); }
  int64_t GetAnnotator() const { return IsGame() || IsText() ? int64_t(record.annotator) : -1; }
  void SetAnnotator(uint32_t v) { record.SetAnnotator(v); }
  int64_t GetSource() const { return IsGame() || IsText() ? int64_t(record.source) : -1; }
  void SetSource(uint32_t v) { record.SetSource(v); }

  std::string GetEcoText() const;
  // "white - black" for a game (the dash only when both exist), else the text.
  std::string Title() const;
  // Zeroes the record (type kept), empties the library records and the text; a game's
  // result becomes 3.
  void Clear();
  void Assign(const GameHeader& other) { *this = other; }
};

}  // namespace zh
