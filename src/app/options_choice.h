// The general options: what the options dialog shows, its click rules on the three
// speech boxes, and the order in which OK applies the choices.
#pragma once

#include <string>

namespace zh {

class AppParams;
class PlayingParams;

struct OptionsChoice {
  bool recordTime = false;
  bool recordEvals = false;
  bool chatter = false;
  bool talk = false;
  bool readNota = false;
  bool sound = false;
  bool ecoDisplay = false;
  bool moveBeep = false;
  bool music = false;
  bool cantus = false;
  bool figurines = false;
  int hintDepth = 0;
  int blunderThresh = 0;
  std::string cdDrive;  // one letter
  int resign = 0;       // 0, 1, 2
};

// The boxes from the settings; "ReadNota" shows its setting only while "Talk" is off.
OptionsChoice ReadOptions(const AppParams& app, const PlayingParams& playing);

// The click rules: checking "Talk" clears "ReadNota" and the other way round;
// clearing "Chatter" clears "Talk".
void OnTalkChecked(OptionsChoice& choice);
void OnReadNotaChecked(OptionsChoice& choice);
void OnChatterCleared(OptionsChoice& choice);

// OK in the order of the dialog's rules; the music service's answer is the result.
int ApplyOptions(const OptionsChoice& choice, AppParams& app, PlayingParams& playing);

}  // namespace zh
