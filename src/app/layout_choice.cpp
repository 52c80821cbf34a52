#include "app/layout_choice.h"

#include "app/app_params.h"
#include "app/shell_hooks.h"

namespace zh {

LayoutChoice ReadLayout(const AppParams& app, bool bookEditing) {
  LayoutChoice c;
  c.rightPanel = app.rightPanel;
  c.digitalClock = app.showClock && app.forceDigital;
  c.analogueClock = app.showClock && !app.forceDigital;
  c.searchDisplay = bookEditing ? app.showSrchDisplTr : app.showSrchDispl;
  c.coordinates = app.coordinates;
  c.evalProfile = app.evalProf;
  c.noAnalysisClock = !app.analClock;
  c.systemColours = app.winColors;
  c.animationSpeed = app.animSpeed2D;
  c.fontHeight = app.fontNota.height;
  return c;
}

void OnDigitalClockChecked(LayoutChoice& choice) { choice.analogueClock = false; }
void OnAnalogueClockChecked(LayoutChoice& choice) { choice.digitalClock = false; }

void ApplyLayout(const LayoutChoice& c, AppParams& app, const std::function<void()>& printFontChanged) {
  GameWindowHost& host = GameHost();
  const bool panelBefore = app.rightPanel;
  const bool coordinatesBefore = app.coordinates;
  app.rightPanel = c.rightPanel;
  app.showClock = c.digitalClock || c.analogueClock;
  if (app.showClock) app.forceDigital = c.digitalClock;
  app.analClock = !c.noAnalysisClock;
  host.SetClockShown(app.showClock);
  if (host.IsBookEditing()) app.showSrchDisplTr = c.searchDisplay;
  app.showSrchDispl = c.searchDisplay;
  app.coordinates = c.coordinates;
  app.evalProf = c.evalProfile;
  app.animSpeed2D = static_cast<int16_t>(c.animationSpeed);
  host.SetAnimationSpeed(app.animSpeed2D);
  app.fontNota.width = 0;
  app.fontNota.height = c.fontHeight;
  host.SetNotationFont(app.fontNota);
  if (printFontChanged) printFontChanged();
  app.winColors = c.systemColours;
  app.Notify();
  if (!panelBefore && app.rightPanel) Game().UpdateAll();
  if (coordinatesBefore != app.coordinates) {
    host.ChangeBoardStyle(app.boardType);
    return;
  }
  if (host.IsAnalysisMode()) host.SetClockShown(app.analClock);
  host.ResetRightAreaLayout();
  host.RelayoutSearchDisplay();
  host.RelayoutRightArea();
  host.RelayoutBelowBoard();
  host.RelayoutGameWindow();
  host.Repaint();
}

}  // namespace zh
