#include "tournament/crosstable_events.h"

#include <fstream>
#include <sstream>

namespace zh::test {

void EventDatabase::Add(const EventGame& game, const std::string& title) {
  MemoryDatabase::Item item;
  item.header.record = HeaderRecord::Game();
  item.header.Clear();
  item.header.white = TQPlayer::FromText(game.white);
  item.header.black = TQPlayer::FromText(game.black);
  item.header.SetResult(game.result);
  item.header.SetRound(game.round);
  item.header.SetWhiteElo(game.whiteElo);
  item.header.SetBlackElo(game.blackElo);
  item.header.tournament.SetTitle(title.empty() ? title_ : title);
  item.header.SetDate(static_cast<uint32_t>(year_) << 9);
  db.items.push_back(item);
}

void LoadEnglishMessages(RecordingServices& services) {
  std::ifstream in(std::string(ZH_SOURCE_DIR) + "/data/messages.tsv");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line.starts_with("id\t")) continue;
    std::istringstream cells(line);
    std::string id, name, english;
    std::getline(cells, id, '\t');
    std::getline(cells, name, '\t');
    std::getline(cells, english, '\t');
    services.texts[std::stoi(id)] = english;
  }
}

}  // namespace zh::test
