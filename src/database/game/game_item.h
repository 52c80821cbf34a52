// Database items: games and multilingual texts, each with its header.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/rules/display_text.h"
#include "database/database_link.h"
#include "database/game/game_body.h"
#include "database/game/game_header.h"

namespace zh {

class Database;
class PathList;

enum ItemKindCode : int {
  kNoItem = 0,
  kGameItem = 1,
  kSetUpGameItem = 2,
  kTournamentInfoItem = 17,
  kTextItem = 18,
};

class TQItem {
 public:
  virtual ~TQItem() = default;
  virtual int ItemKind() const = 0;

  GameHeader header;
  DatabaseLink database;  // none once that database is deleted
  int32_t number = -1;
};

class TQGame final : public TQItem {
 public:
  TQGame();
  // Header, database link and a copy of the body.
  TQGame(const TQGame& other);
  TQGame& operator=(const TQGame&) = delete;
  ~TQGame() override;

  int ItemKind() const override;
  void SetStandardStart() { body.SetStandardStart(); }

  GameBody body;
};

class TQTextItem final : public TQItem {
 public:
  static constexpr int kSlots = 8;
  // Slots 0-6 are languages; slot 7 is not scanned.
  static constexpr int kScannedSlots = 7;

  TQTextItem();
  int ItemKind() const override;

  const std::string& Title(int slot) const { return titles_[slot & 7]; }
  const std::string& FormattedText(int slot) const { return texts_[slot & 7]; }
  const std::string& GetCaption(int slot) const { return captions_[slot & 7]; }
  void SetTitle(int slot, const std::string& t) { titles_[slot & 7] = t; }
  void SetFormattedText(int slot, const std::string& t) { texts_[slot & 7] = t; }
  void SetCaption(int slot, const std::string& t) { captions_[slot & 7] = t; }
  // The stored format data of a slot's formatted text, kept as stored bytes.
  const std::string& FormatData(int slot) const { return formats_[slot & 7]; }
  void SetFormatData(int slot, const std::string& t) { formats_[slot & 7] = t; }
  // The caption of slot, else of fallback, else the first non-empty of slots 0-6.
  const std::string& Caption(int slot, int fallback) const;
  bool FindCaption(const std::string& text, bool exact) const;
  // The flag byte stored with the item's texts.
  uint8_t flag = 0;
  // Header content flags for the media links of the formatted texts.
  void CollectMediaFlags();
  // Link targets tagged 16 audio, 18 video, 17 picture; each target once.
  void CollectMedia(PathList& list) const;

 private:
  std::array<std::string, kSlots> titles_;
  std::array<std::string, kSlots> texts_;
  std::array<std::string, kSlots> captions_;
  std::array<std::string, kSlots> formats_;
};

// "last, first - last, first" of a game's players in display characters, figurines
// replaced by the current piece letters.
DisplayText FormatPlayerPair(const TQGame& game);

}  // namespace zh
