// The settings of game play: group "Playing" of "Z5.ini".
#pragma once

#include <vector>

#include "app/params.h"
#include "app/settings_fields.h"

namespace zh {

class PlayingParams final : public Params {
 public:
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
  int16_t blunderThresh = 80;
  int16_t nLines = 2;
  bool conference = false;
  bool friendMode = false;
  bool blitz = false;
  bool tourn = false;
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
  uint32_t resign = 1;

  // Not stored.
  uint8_t marker = 1;
  bool highPriority = false;
  bool searchDisplay = false;
  bool fourthMode = false;
  bool gameFlag = false;
  struct ModeFlags {
    bool blitz = false, fourth = false, tourn = false, friendMode = false;
  } startModes;
};

}  // namespace zh
