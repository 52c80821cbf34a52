// Hooks that record what the shell's dialogs ask of the game, the coach and the game
// window, in order.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/shell_hooks.h"

namespace zh::test {

struct HookLog {
  std::vector<std::string> calls;
  void Add(std::string call) { calls.push_back(std::move(call)); }
};

class RecordingGameHooks final : public GameHooks {
 public:
  explicit RecordingGameHooks(HookLog& log) : log_(log) {}
  bool rated = false;
  std::vector<std::pair<std::string, std::string>> engines;
  void UpdatePlayerNames() override { log_.Add("UpdatePlayerNames"); }
  void UpdateAll() override { log_.Add("UpdateAll"); }
  bool IsRatedGame() const override { return rated; }
  void LoadGame(std::string_view database, int32_t number, int ply) override {
    log_.Add("LoadGame " + std::string(database) + " " + std::to_string(number) + " " + std::to_string(ply));
  }
  std::vector<std::pair<std::string, std::string>> EngineCredits() override { return engines; }

 private:
  HookLog& log_;
};

class RecordingCoachHooks final : public CoachHooks {
 public:
  explicit RecordingCoachHooks(HookLog& log) : log_(log) {}
  bool musicFolder = true, secondFolder = true, spokenMoves = true;
  std::string credit;
  void SetUserFirstName(std::string_view name) override { log_.Add("SetUserFirstName " + std::string(name)); }
  std::string CreditText() override { return credit; }
  std::string QuotedFarewell() override { return "\"Goodbye\""; }
  bool HasMusicFolder() const override { return musicFolder; }
  bool HasSecondMusicFolder() const override { return secondFolder; }
  int PollMusic() override { return log_.Add("PollMusic"), 7; }
  bool HasSpokenMoves() const override { return spokenMoves; }
  void CloseMusic() override { log_.Add("CloseMusic"); }
  void PlayIntro() override { log_.Add("PlayIntro"); }
  void SetSoundOn(bool on) override { log_.Add(on ? "SetSoundOn 1" : "SetSoundOn 0"); }

 private:
  HookLog& log_;
};

class RecordingGameHost final : public GameWindowHost {
 public:
  explicit RecordingGameHost(HookLog& log) : log_(log) {}
  bool bookEditing = false, analysis = false;
  void ShowMessageLine(std::string_view text) override { log_.Add("ShowMessageLine " + std::string(text)); }
  void SetNotationFont(const FontSpec& font) override {
    log_.Add("SetNotationFont " + font.face + " " + std::to_string(font.height));
  }
  void SetClockShown(bool shown) override { log_.Add(shown ? "SetClockShown 1" : "SetClockShown 0"); }
  void SetAnimationSpeed(int speed) override { log_.Add("SetAnimationSpeed " + std::to_string(speed)); }
  void ChangeBoardStyle(int style) override { log_.Add("ChangeBoardStyle " + std::to_string(style)); }
  bool IsBookEditing() const override { return bookEditing; }
  bool IsAnalysisMode() const override { return analysis; }
  void ResetRightAreaLayout() override { log_.Add("ResetRightAreaLayout"); }
  void RelayoutSearchDisplay() override { log_.Add("RelayoutSearchDisplay"); }
  void RelayoutRightArea() override { log_.Add("RelayoutRightArea"); }
  void RelayoutBelowBoard() override { log_.Add("RelayoutBelowBoard"); }
  void RelayoutGameWindow() override { log_.Add("RelayoutGameWindow"); }
  void Repaint() override { log_.Add("Repaint"); }

 private:
  HookLog& log_;
};

// All three installed for the lifetime of the object.
struct RecordingShell {
  HookLog log;
  RecordingGameHooks game{log};
  RecordingCoachHooks coach{log};
  RecordingGameHost host{log};
  ScopedHooks installed{ShellHooks{.game = &game, .coach = &coach, .gameHost = &host}};
};

}  // namespace zh::test
