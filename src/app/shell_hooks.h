// What the shell calls on the subsystems that are built elsewhere: small
// interfaces, each with a version that does nothing, installed until the real
// subsystem plugs its own in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/toolbox/profile_file.h"

#include "core/services.h"

namespace zh {

// Receives the notation letters: the piece table ("X", six piece letters, "Y"),
// the letters for the move-text conversion, and the move separator, capture and
// check signs ('\0' = none).
class NotationSink {
 public:
  virtual ~NotationSink() = default;
  virtual void SetPieceTable(std::string_view eight) { (void)eight; }
  virtual void SetLetterConversion(std::string_view letters) { (void)letters; }
  virtual void SetSigns(char separator, char capture, char check) {
    (void)separator, (void)capture, (void)check;
  }
  virtual void SetNotationType(int type) { (void)type; }
};

// A player's name as the rating records keep it.
struct PlayerName {
  std::string surname;
  std::string firstName;
  bool operator==(const PlayerName&) const = default;
};

// The game window and the database window as the shell sees them.
class WorkWindow {
 public:
  virtual ~WorkWindow() = default;
  virtual void RelayoutForLanguage() {}
  virtual void Repaint() {}
  virtual void OnProcessStart() {}
  virtual void OnProcessEnd() {}
  virtual void SetTitle(std::string_view title) { (void)title; }
  virtual void ShowStatusText(std::string_view text) { (void)text; }
  // Database window: shows the database's list again when it shows that database.
  virtual void RefreshIfShowing(std::string_view database) { (void)database; }
};

// Game play: the game manager, the engines and the devices, as start-up, message
// dispatch and close use them.
class GameHooks {
 public:
  virtual ~GameHooks() = default;
  // Game manager.
  virtual void RefreshTexts() {}
  virtual bool AutosaveGame() { return false; }
  virtual void ReloadSavedGame() {}
  // Engine manager: the default engine and book at start, the engine setup at close.
  virtual void LoadDefaultEngine(std::string_view bookTree) { (void)bookTree; }
  virtual void SaveEngineSetup() {}
  // Engine table: reports by instance id, and whether any instance is left.
  // Without an engine table (or device manager) reports go nowhere.
  virtual bool HasEngineTable() const { return false; }
  virtual bool HasDeviceManager() const { return false; }
  virtual int32_t HashSizeKb() const { return 0; }
  virtual bool IsLiveEngine(int32_t id) const { return (void)id, false; }
  virtual void DispatchEngineReport(int32_t code, int32_t id, const void* block) {
    (void)code, (void)id, (void)block;
  }
  virtual void OnEngineEnded(int32_t id) { (void)id; }
  virtual bool AllEnginesGone() const { return true; }
  virtual void ReleaseAllEngines() {}
  // Devices.
  virtual bool IsKnownDevice(int32_t id) const { return (void)id, false; }
  virtual void OnDeviceMessage(int32_t code, int32_t id, const void* block) {
    (void)code, (void)id, (void)block;
  }
  virtual void CloseDevices() {}
  // The game manager for the user dialogs: the player names in the header again,
  // a refresh of board, notation and panels, whether a rated game runs, and a game
  // of a database loaded into the current game at a ply.
  virtual void UpdatePlayerNames() {}
  virtual void UpdateAll() {}
  virtual bool IsRatedGame() const { return false; }
  virtual void LoadGame(std::string_view database, int32_t number, int ply) {
    (void)database, (void)number, (void)ply;
  }
  // The installed engines in table order: name and author.
  virtual std::vector<std::pair<std::string, std::string>> EngineCredits() { return {}; }
};

// The coach and sound.
class CoachHooks {
 public:
  virtual ~CoachHooks() = default;
  // The chat scripts are read again from the language folder.
  virtual void RebuildChatter(std::string_view languageFolder) { (void)languageFolder; }
  // The test of the talk file: compose the remark of event 0 and play it.
  virtual void TestTalkFile() {}
  // The board sounds and the sound manager as start-up makes them and close removes
  // them; without a coach the program is silent.
  virtual void CreateSoundEffects() {}
  virtual void DeleteSoundEffects() {}
  virtual void CreateSoundManager() {}
  virtual void SetSoundOn(bool on) { (void)on; }
  // Game ends for the live commentator: 1 draw, 33 the user lost, 34 the user won.
  virtual void OnGameEnd(int code) { (void)code; }
  virtual void SetStartCount(int32_t count) { (void)count; }
  // Music and sound at start and close.
  virtual void PlayIntro() {}
  virtual void CloseMusic() {}
  // The music player as start-up makes it and close removes it; the intro of the
  // current minute at start-up; a random piece of the music folder for the
  // rated-game screens.
  virtual void CreateMusicPlayer() {}
  virtual void DeleteMusicPlayer() {}
  virtual void PlayRandomIntro() {}
  virtual void PlayRandomPiece() {}
  virtual void ShutdownSound() {}
  // The audio output finished a playback: the sound manager, then the music player.
  virtual void SoundManagerNotice() {}
  virtual void MusicPlayerNotice() {}
  // A board asks for the sound of a move, or of a capture, it shows.
  virtual void PlayMoveSound() {}
  virtual void PlayCaptureSound() {}
  // A board refuses an input with the warning sound.
  virtual void Beep() { zh::Beep(); }
  // The coach learns the user's first name.
  virtual void SetUserFirstName(std::string_view name) { (void)name; }
  // The credit text of the coach's scripts (may be empty).
  virtual std::string CreditText() { return {}; }
  // The remark of general event 123 between double quotes.
  virtual std::string QuotedFarewell() { return {}; }
  // The music folder and its second-choice sub-folder exist.
  virtual bool HasMusicFolder() const { return false; }
  virtual bool HasSecondMusicFolder() const { return false; }
  // Starts the next random piece when none plays; its result.
  virtual int PollMusic() { return 0; }
  // Moves can be read aloud.
  virtual bool HasSpokenMoves() const { return false; }
};

// The game window as the shell's dialogs reach it: the message line, the notation
// panes' font, the clock, the board and the re-layouts.
class GameWindowHost {
 public:
  virtual ~GameWindowHost() = default;
  virtual void ShowMessageLine(std::string_view text) { (void)text; }
  // The right-hand panel hands the font to its notation, move-tutor and third pane.
  virtual void SetNotationFont(const FontSpec& font) { (void)font; }
  virtual void SetClockShown(bool shown) { (void)shown; }
  virtual void SetAnimationSpeed(int speed) { (void)speed; }
  // The board window replaced by one of the style; everything is laid out again.
  virtual void ChangeBoardStyle(int style) { (void)style; }
  // The special playing modes that the layout dialog asks about.
  virtual bool IsBookEditing() const { return false; }
  virtual bool IsAnalysisMode() const { return false; }
  // The right-hand panel's cached layout reset, then the re-layouts in their order.
  virtual void ResetRightAreaLayout() {}
  virtual void RelayoutSearchDisplay() {}
  virtual void RelayoutRightArea() {}
  virtual void RelayoutBelowBoard() {}
  virtual void RelayoutGameWindow() {}
  virtual void Repaint() {}
};

// The hooks in force; unset entries use the versions that do nothing (the notation
// letters go to the move texts of the chess core).
struct ShellHooks {
  NotationSink* notation = nullptr;
  WorkWindow* gameWindow = nullptr;
  WorkWindow* dbWindow = nullptr;
  WorkWindow* currentWindow = nullptr;  // one of the two, or none
  GameHooks* game = nullptr;
  CoachHooks* coach = nullptr;
  GameWindowHost* gameHost = nullptr;
};

ShellHooks& CurrentHooks();
NotationSink& Notation();
WorkWindow& GameWindowHook();
WorkWindow& DbWindowHook();
WorkWindow& CurrentWindowHook();
GameHooks& Game();
CoachHooks& Coach();
GameWindowHost& GameHost();

// Installs hooks for the lifetime of the guard (non-null entries only).
class ScopedHooks {
 public:
  explicit ScopedHooks(const ShellHooks& installed);
  ~ScopedHooks();
  ScopedHooks(const ScopedHooks&) = delete;
  ScopedHooks& operator=(const ScopedHooks&) = delete;

 private:
  ShellHooks previous_;
};

}  // namespace zh
