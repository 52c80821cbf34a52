#include "text/link_actions.h"

#include "database/game/game_header.h"
#include "database/game/header_items.h"

namespace zh {
namespace {

std::string DatabaseName(const Database* database) {
  return database ? "db" : "none";
}

}  // namespace

NullLinkActions& NullLinkActions::Instance() {
  static NullLinkActions instance;
  return instance;
}

void RecordingLinkActions::LoadGameByHeader(Database* database, const GameHeader& header,
                                            int32_t number, bool display) {
  calls.push_back("LoadGameByHeader: " + DatabaseName(database) + " " +
                  header.white.LastNameBytes() + "-" + header.black.LastNameBytes() + " " +
                  std::to_string(number) + " " + (display ? "display" : "refresh"));
}

void RecordingLinkActions::ShowGameWindow() { calls.push_back("ShowGameWindow"); }

bool RecordingLinkActions::OpenTextByKey(Database* database, const std::string& title,
                                         const TQTournament& tournament) {
  calls.push_back("OpenTextByKey: " + DatabaseName(database) + " " + title + " | " +
                  tournament.TitleBytes() + " | " + tournament.PlaceBytes() + " | " +
                  std::to_string(tournament.date));
  return textFound;
}

void RecordingLinkActions::ShowKey(int32_t kind, int32_t entry) {
  calls.push_back("ShowKey: " + std::to_string(kind) + " " + std::to_string(entry));
}

void RecordingLinkActions::ShowTournamentCrosstable(Database* database, int32_t tournament) {
  calls.push_back("ShowTournamentCrosstable: " + DatabaseName(database) + " " +
                  std::to_string(tournament));
}

void RecordingLinkActions::StopSound() { calls.push_back("StopSound"); }

void RecordingLinkActions::PlayWave(const std::string& path) {
  calls.push_back("PlayWave: " + path);
}

void RecordingLinkActions::PlayVideo(const std::string& path, int width) {
  calls.push_back("PlayVideo: " + path + " " + std::to_string(width));
}

int RecordingLinkActions::ScreenWidth() { return screenWidth; }

int RecordingLinkActions::OpenWebAddress(const std::string& address) {
  calls.push_back("OpenWebAddress: " + address);
  return webResult;
}

void RecordingLinkActions::FindText(const std::string& text) {
  calls.push_back("FindText: " + text);
}

void RecordingLinkActions::OpenPinNote(const std::string& title, const std::string& note, int x,
                                       int y) {
  calls.push_back("OpenPinNote: " + title + " " + std::to_string(note.size()) + " bytes at " +
                  std::to_string(x) + "," + std::to_string(y));
}

void RecordingLinkActions::ErrorSignal() { calls.push_back("ErrorSignal"); }

void RecordingLinkActions::ErrorBox(std::string_view text) {
  calls.push_back("ErrorBox: " + std::string(text));
}

}  // namespace zh
