// What engine control shows in the windows of the game: the chess clocks and the
// clock panel's side marker, the search display, the evaluation profile, the status
// window's level text, the game window's refresh, and the coach's and sound's calls.
// The windows implement these views; until one is installed the null form stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/rules/eval_value.h"

namespace zh {

class ChessEngine;

// The chess clock window: four displays, each given a time in hundredths.
class ClockView {
 public:
  // The clock panel marks a side: first clock, second clock, neither.
  static constexpr int kFirstClock = 0, kSecondClock = 1, kNoClock = 3;
  // A countdown given this shows that the time is over.
  static constexpr int32_t kTimeOver = -1;

  virtual ~ClockView() = default;
  // `clock` 0 or 1.
  virtual void ShowCountdown(int clock, int32_t hundredths) { (void)clock, (void)hundredths; }
  virtual void ShowCountUp(int clock, int32_t hundredths) { (void)clock, (void)hundredths; }
  virtual void MarkSide(int side) { (void)side; }
};

// The engine search display.
class SearchView {
 public:
  // Lamp values: off, quiet, doubtful move, blunder.
  static constexpr int kLampOff = -1, kLampQuiet = 0, kLampDoubtful = 1, kLampBlunder = 2;

  virtual ~SearchView() = default;
  virtual void ShowMoveTime(int32_t hundredths) { (void)hundredths; }
  virtual void Reset(ChessEngine& engine) { (void)engine; }
  virtual void SetLamp(int value) { (void)value; }
  virtual void ShowBookName(std::string_view name) { (void)name; }
  virtual void ShowEngineName(std::string_view name) { (void)name; }
};

// The evaluation profile below the notation.
class EvalProfileView {
 public:
  virtual ~EvalProfileView() = default;
  // True when the entry of the ply changed.
  virtual bool StoreScore(int ply, const EvalValue& score, int16_t depth) {
    (void)ply, (void)score, (void)depth;
    return false;
  }
  virtual void ShowPly(int ply, bool emphasised) { (void)ply, (void)emphasised; }
  virtual void Redraw() {}
  virtual void Clear() {}
  // The auto-redraw byte.
  virtual bool AutoRedraw() const { return false; }
};

// The game window and its status window.
class GameWindowView {
 public:
  virtual ~GameWindowView() = default;
  virtual void ShowLevelText(std::string_view text) { (void)text; }
  // Called when the clock resumes.
  virtual void RefreshAfterClockResume() {}
  // The playing engine's name in the search display and the status window.
  virtual void ShowEngineName() {}
};

// The live commentator and the sound effects, as far as engine control calls them.
class CoachCalls {
 public:
  virtual ~CoachCalls() = default;
  // Once per clock tick while a move has run more than 12 s.
  virtual void ThinkingTime(int32_t seconds) { (void)seconds; }
  virtual void PlayTick() {}
};

// The installed views; a null entry means none of that window exists.
struct EngineViews {
  ClockView* clock = nullptr;
  SearchView* search = nullptr;
  EvalProfileView* profile = nullptr;
  GameWindowView* gameWindow = nullptr;
  CoachCalls* coach = nullptr;
};

EngineViews& CurrentEngineViews();
// Each answers the installed view or its null form.
ClockView& ClockDisplay();
SearchView& SearchDisplay();
GameWindowView& GameWindowDisplay();
CoachCalls& EngineCoach();
// The profile exists only while a window shows it: null otherwise.
EvalProfileView* EvalProfile();

// Installs views for the lifetime of the guard; null entries keep the current ones.
class ScopedEngineViews {
 public:
  explicit ScopedEngineViews(const EngineViews& views);
  ~ScopedEngineViews();
  ScopedEngineViews(const ScopedEngineViews&) = delete;
  ScopedEngineViews& operator=(const ScopedEngineViews&) = delete;

 private:
  EngineViews saved_;
};

}  // namespace zh
