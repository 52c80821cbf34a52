// What following a hyperlink asks of the rest of the program. The database window,
// the crosstables, the sound manager, the video dialog and the text's editor carry the
// actions out; the links themselves stay free of windows. NullLinkActions does
// nothing; RecordingLinkActions writes one line per call, for tests and diagnostics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

class Database;
class GameHeader;
class TQTournament;

class LinkActions {
 public:
  virtual ~LinkActions() = default;

  // Loads the stored game with the header's players, tournament and round; `display`
  // is cleared when a link only refreshes the game already shown.
  virtual void LoadGameByHeader(Database* database, const GameHeader& header,
                                int32_t number, bool display) = 0;
  virtual void ShowGameWindow() = 0;
  // Opens the tournament text of the title and tournament and brings its window to
  // the front; false when there is none.
  virtual bool OpenTextByKey(Database* database, const std::string& title,
                             const TQTournament& tournament) = 0;
  virtual void ShowKey(int32_t kind, int32_t entry) = 0;
  virtual void ShowTournamentCrosstable(Database* database, int32_t tournament) = 0;
  // Stops a sound that is playing.
  virtual void StopSound() = 0;
  virtual void PlayWave(const std::string& path) = 0;
  virtual void PlayVideo(const std::string& path, int width) = 0;
  virtual int ScreenWidth() = 0;
  // Opens an http, https or mailto address; 0 when it was opened, else an error number.
  virtual int OpenWebAddress(const std::string& address) = 0;
  // Finds the text in the editor of the link, after the caret and then before it.
  virtual void FindText(const std::string& text) = 0;
  // Shows a pinned note (its title and stored document bytes) at the point.
  virtual void OpenPinNote(const std::string& title, const std::string& note, int x, int y) = 0;
  // The short error signal of the interface.
  virtual void ErrorSignal() = 0;
  virtual void ErrorBox(std::string_view text) = 0;
};

class NullLinkActions : public LinkActions {
 public:
  void LoadGameByHeader(Database*, const GameHeader&, int32_t, bool) override {}
  void ShowGameWindow() override {}
  bool OpenTextByKey(Database*, const std::string&, const TQTournament&) override { return false; }
  void ShowKey(int32_t, int32_t) override {}
  void ShowTournamentCrosstable(Database*, int32_t) override {}
  void StopSound() override {}
  void PlayWave(const std::string&) override {}
  void PlayVideo(const std::string&, int) override {}
  int ScreenWidth() override { return 0; }
  int OpenWebAddress(const std::string&) override { return 2; }
  void FindText(const std::string&) override {}
  void OpenPinNote(const std::string&, const std::string&, int, int) override {}
  void ErrorSignal() override {}
  void ErrorBox(std::string_view) override {}

  // The one shared instance.
  static NullLinkActions& Instance();
};

// Each call becomes one line "Name: arguments" (texts as they were given, numbers in
// decimal, a database as "db" or "none"); the answers are scripted.
class RecordingLinkActions : public LinkActions {
 public:
  std::vector<std::string> calls;
  bool textFound = false;
  int screenWidth = 1024;
  int webResult = 0;

  void LoadGameByHeader(Database* database, const GameHeader& header, int32_t number,
                        bool display) override;
  void ShowGameWindow() override;
  bool OpenTextByKey(Database* database, const std::string& title,
                     const TQTournament& tournament) override;
  void ShowKey(int32_t kind, int32_t entry) override;
  void ShowTournamentCrosstable(Database* database, int32_t tournament) override;
  void StopSound() override;
  void PlayWave(const std::string& path) override;
  void PlayVideo(const std::string& path, int width) override;
  int ScreenWidth() override;
  int OpenWebAddress(const std::string& address) override;
  void FindText(const std::string& text) override;
  void OpenPinNote(const std::string& title, const std::string& note, int x, int y) override;
  void ErrorSignal() override;
  void ErrorBox(std::string_view text) override;
};

}  // namespace zh
