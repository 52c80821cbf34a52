#include "app/options_choice.h"

#include "app/app_params.h"
#include "app/playing_params.h"
#include "app/shell_hooks.h"

namespace zh {

OptionsChoice ReadOptions(const AppParams& app, const PlayingParams& playing) {
  OptionsChoice c;
  c.recordTime = playing.recordTime;
  c.recordEvals = playing.recordEvals;
  c.chatter = app.chatter;
  c.talk = app.talk;
  c.readNota = !app.talk && app.readNota;
  c.sound = app.sound;
  c.ecoDisplay = app.Play().ecoDisplay;
  c.moveBeep = app.moveBeep;
  c.music = app.music;
  c.cantus = app.cantus;
  c.figurines = app.figurines;
  c.hintDepth = playing.hintDepth;
  c.blunderThresh = playing.blunderThresh;
  c.cdDrive = app.Play().cdDrive.substr(0, 1);
  c.resign = playing.resign <= 2 ? static_cast<int>(playing.resign) : 1;
  return c;
}

void OnTalkChecked(OptionsChoice& choice) { choice.readNota = false; }
void OnReadNotaChecked(OptionsChoice& choice) { choice.talk = false; }
void OnChatterCleared(OptionsChoice& choice) { choice.talk = false; }

int ApplyOptions(const OptionsChoice& c, AppParams& app, PlayingParams& playing) {
  const bool chatterBefore = app.chatter;
  playing.recordTime = c.recordTime;
  playing.recordEvals = c.recordEvals;
  app.chatter = c.chatter || c.talk;
  app.sound = c.sound;
  Coach().SetSoundOn(app.sound);
  app.Play().ecoDisplay = c.ecoDisplay;
  app.figurines = c.figurines;
  app.SetPieceLetters();
  app.Play().cdDrive = c.cdDrive.substr(0, 1);
  playing.hintDepth = static_cast<int16_t>(c.hintDepth);
  playing.blunderThresh = static_cast<int16_t>(c.blunderThresh);
  app.talk = c.talk;
  app.moveBeep = c.moveBeep;
  app.readNota = c.readNota;
  playing.resign = static_cast<uint32_t>(c.resign);
  if (chatterBefore && !app.chatter) GameHost().ShowMessageLine(Coach().QuotedFarewell());
  app.music = c.music || c.cantus;
  app.cantus = c.cantus;
  if (app.music && app.cantus) return Coach().PollMusic();
  Coach().CloseMusic();
  return 0;
}

}  // namespace zh
