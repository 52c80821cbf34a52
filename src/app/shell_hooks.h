// What the shell calls on the subsystems that are built elsewhere: small
// interfaces, each with a version that does nothing, installed until the real
// subsystem plugs its own in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
  virtual void ShutdownSound() {}
  // The audio output finished a playback: the sound manager, then the music player.
  virtual void SoundManagerNotice() {}
  virtual void MusicPlayerNotice() {}
  // A board asks for the sound of a move, or of a capture, it shows.
  virtual void PlayMoveSound() {}
  virtual void PlayCaptureSound() {}
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
};

ShellHooks& CurrentHooks();
NotationSink& Notation();
WorkWindow& GameWindowHook();
WorkWindow& DbWindowHook();
WorkWindow& CurrentWindowHook();
GameHooks& Game();
CoachHooks& Coach();

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
