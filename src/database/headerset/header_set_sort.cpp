#include "database/headerset/header_set_sort.h"

#include <filesystem>

#include "database/storage/header_file.h"
#include "database/game/header_items.h"
#include "database/headerset/header_library.h"
#include "database/storage/header_record.h"

namespace zh {

namespace {
constexpr int kPlayers = 0, kTournaments = 1;
}  // namespace

HeaderSetSortSource::HeaderSetSortSource(HeaderSetFiles& set,
                                         std::function<std::string(int)> textTitle,
                                         uint64_t fileBytes)
    : set_(set), textTitle_(std::move(textTitle)), fileBytes_(fileBytes) {}

int HeaderSetSortSource::Count() {
  return set_.header ? static_cast<int>(set_.header->ItemCount()) : 0;
}

bool HeaderSetSortSource::ReadRecord(int n, HeaderRecord& record) {
  return set_.header->ReadRecord(static_cast<uint32_t>(n), record) == 0 &&
         LibraryReferencesValid(set_, record);
}

int HeaderSetSortSource::TournamentCount() {
  return set_.libraries[kTournaments] ? std::max(set_.libraries[kTournaments]->NodeCount(), 0) : 0;
}

uint32_t HeaderSetSortSource::TournamentDate(uint32_t tournament) {
  TQTournament t;
  return set_.libraries[kTournaments]->ReadEntry(t, static_cast<int32_t>(tournament)) == 0 ? t.date : 0;
}

bool HeaderSetSortSource::LoadSortOrders() {
  if (!set_.libraries[kPlayers] || !set_.libraries[kTournaments]) return false;
  if (set_.libraries[kPlayers]->LoadSortOrder() != 0) return false;
  if (set_.libraries[kTournaments]->LoadSortOrder() != 0) {
    set_.libraries[kPlayers]->FreeSortOrder();
    return false;
  }
  return true;
}

void HeaderSetSortSource::FreeSortOrders() {
  set_.libraries[kPlayers]->FreeSortOrder();
  set_.libraries[kTournaments]->FreeSortOrder();
}

uint32_t HeaderSetSortSource::TournamentPosition(uint32_t tournament) {
  return static_cast<uint32_t>(set_.libraries[kTournaments]->SortPosition(static_cast<int32_t>(tournament)));
}

uint32_t HeaderSetSortSource::PlayerPosition(uint32_t player) {
  return static_cast<uint32_t>(set_.libraries[kPlayers]->SortPosition(static_cast<int32_t>(player)));
}

std::pair<std::string, std::string> HeaderSetSortSource::TournamentPlaceAndTitle(uint32_t tournament) {
  TQTournament t;
  if (set_.libraries[kTournaments]->ReadEntry(t, static_cast<int32_t>(tournament)) != 0) return {};
  return {t.PlaceBytes(), t.TitleBytes()};
}

std::string HeaderSetSortSource::TextTitle(int n) {
  return textTitle_ ? textTitle_(n) : std::string();
}

std::unique_ptr<std::vector<int32_t>> SortHeaderSet(HeaderSetFiles& set, int criterion,
                                                    std::function<std::string(int)> textTitle,
                                                    uint64_t fileBytes, const SortOptions& options) {
  HeaderSetSortSource source(set, std::move(textTitle), fileBytes);
  const std::filesystem::path parent = std::filesystem::path(set.base).parent_path();
  return SortItems(source, parent.empty() ? std::string(".") : parent.string(), criterion, options);
}

}  // namespace zh
