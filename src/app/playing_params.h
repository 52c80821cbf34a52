// The settings of game play: group "Playing" of "Z5.ini".
#pragma once

#include <memory>
#include <vector>

#include "app/params.h"
#include "app/settings_fields.h"
#include "core/services.h"

namespace zh {

class PlayingParams final : public Params {
  std::unique_ptr<PlaySettings> own_;
  PlaySettings* play_;

 public:
  // The mode flags and the clock-counting byte live in `shared` (the record the
  // program registers among the services); without one the settings keep their own.
  explicit PlayingParams(PlaySettings* shared = nullptr);
  PlaySettings& Play() { return *play_; }
  const PlaySettings& Play() const { return *play_; }

  void LoadFrom(ProfileFile& file) override;
  void SaveTo(ProfileFile& file) override;
  // The record's keys in file order.
  std::vector<SettingField> Fields();

  // The four mode flags into their start-up copies (the last step of loading).
  void RestoreModeFlags();
  // The start-up copies back into the mode flags (before saving), so a mode
  // switched while the program runs is saved with its start value.
  void KeepModeFlags();
  // Counts a friend-mode game: 1 draw, 34 the user won, else the user lost.
  // `finalIsMate` keeps the live commentator quiet after a won mate.
  void AddFriendResult(int code, bool finalIsMate);
  // The friend-mode level from the games and half-points so far.
  int32_t GetFriendLevel() const;

  bool tutor = true;
  bool threatenedSqs = false;
  bool recordTime = false;
  bool recordEvals = true;
  int16_t hintDepth = 7;
  // These four live in the shared record.
  int16_t& blunderThresh = play_->blunderThresh;
  int16_t& nLines = play_->nLines;
  bool& conference = play_->conference;
  bool moveListTutor = false;
  int32_t friendGames = 0;
  int32_t friendScore = 0;  // half-points
  bool sparringSignal = true;
  int16_t sparringLevel = 0;
  bool checkBook = false;
  bool savedOnExit = false;
  bool paramDisplay = false;
  bool scrollInfo = false;
  bool scrollNewMoves = false;
  bool varBoard = false;
  bool spy = false;
  bool doubling = true;
  uint32_t& resign = play_->resign;

  // Not stored.
  bool highPriority = false;
  bool searchDisplay = false;
  bool gameFlag = false;
};

}  // namespace zh
