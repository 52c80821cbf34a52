// Events for the crosstable tests: games made as headers of an in-memory database,
// and the English message texts of the table installed as the text service.
#pragma once

#include <string>

#include "database/memory_database.h"
#include "support/recording_services.h"

namespace zh::test {

struct EventGame {
  std::string white;  // "Last, First"
  std::string black;
  int result = 1;     // 0 black won, 1 draw, 2 white won, 3 none
  int round = 1;
  int whiteElo = 0;
  int blackElo = 0;
};

class EventDatabase {
 public:
  explicit EventDatabase(std::string title = "Test Event", int year = 2023) : title_(std::move(title)), year_(year) {}
  void Add(const EventGame& game, const std::string& title = "");
  void AddText(const std::string& title) { db.AddText(title); }
  int Count() { return db.GetCount(); }

  MemoryDatabase db{"events"};

 private:
  std::string title_;
  int year_;
};

// Recording services whose texts are the English column of data/messages.tsv.
void LoadEnglishMessages(RecordingServices& services);

}  // namespace zh::test
