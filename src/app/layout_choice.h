// The game window's layout: the panels shown and how, as the layout dialog shows
// them and as its OK applies them.
#pragma once

#include <functional>

namespace zh {

class AppParams;

struct LayoutChoice {
  bool rightPanel = false;
  bool digitalClock = false;
  bool analogueClock = false;
  bool searchDisplay = false;
  bool coordinates = false;
  bool evalProfile = false;
  bool noAnalysisClock = false;
  bool systemColours = false;
  int animationSpeed = 0;
  int fontHeight = 0;
};

// The boxes from the settings; with the clock off neither clock box is checked.
// `bookEditing`: the search-display box shows the book-editing setting.
LayoutChoice ReadLayout(const AppParams& app, bool bookEditing);

// Checking one clock box unchecks the other.
void OnDigitalClockChecked(LayoutChoice& choice);
void OnAnalogueClockChecked(LayoutChoice& choice);

// OK in its order: the settings, the observers, then the game window (the host in
// force) updated, re-laid out or given a new board. `printFont` takes the new
// notation font.
void ApplyLayout(const LayoutChoice& choice, AppParams& app,
                 const std::function<void()>& printFontChanged = {});

}  // namespace zh
