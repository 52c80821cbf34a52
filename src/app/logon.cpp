#include "app/logon.h"

#include "app/app_params.h"
#include "app/playing_params.h"
#include "app/shell_hooks.h"

namespace zh {

LogonEntry ReadLogon(const AppParams& app) {
  return LogonEntry{app.surName, app.christName, app.town, app.machine, app.male, app.hobby, app.doLogon};
}

bool IsNewUser(const LogonEntry& entry, const AppParams& app) {
  return entry.surname != app.surName || entry.male != app.male;
}

void ApplyLogon(const LogonEntry& entry, AppParams& app, PlayingParams& playing) {
  if (IsNewUser(entry, app)) {
    app.life = 1;
    app.title = AppParams::kUntitled;
    app.surName = entry.surname;
    app.male = entry.male;
    app.hobby = entry.hobby;
    playing.friendScore = 0;
    playing.friendGames = 0;
  }
  if (app.hobby) {
    playing.Play().friendMode = true;
    playing.Play().startModes.friendMode = true;
    app.matDispl = true;
  } else {
    app.matDispl = false;
  }
  app.christName = entry.firstName;
  app.town = entry.town;
  app.machine = entry.machine;
  app.doLogon = entry.askAtStart;
  Game().UpdatePlayerNames();
  app.title = AppParams::kUntitled;
  Coach().SetUserFirstName(app.christName);
}

}  // namespace zh
