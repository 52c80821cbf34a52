// Who the user is: what the user dialog shows and what its OK stores.
#pragma once

#include <string>

namespace zh {

class AppParams;
class PlayingParams;

struct LogonEntry {
  std::string surname;
  std::string firstName;
  std::string town;
  std::string machine;
  bool male = true;
  bool hobby = false;
  bool askAtStart = true;  // the box says the opposite: "don't ask"
};

LogonEntry ReadLogon(const AppParams& app);
// A new user: another surname, or the other sex.
bool IsNewUser(const LogonEntry& entry, const AppParams& app);
// Stores the entry in its order: a new user starts afresh (start counter, title and
// friend-mode record), the hobby flag decides friend mode and the material display,
// then the game header and the coach learn the names.
void ApplyLogon(const LogonEntry& entry, AppParams& app, PlayingParams& playing);

}  // namespace zh
