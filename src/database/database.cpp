#include "database/database.h"

#include <utility>

#include "app/message_ids.h"
#include "core/toolbox/int_array.h"
#include "core/services.h"
#include "database/database_link.h"

namespace zh {

std::string DatabaseResultText(int code) {
  return code == kDbInUse ? GetMessageText(msg::M_DATABASE_IN_USE) : std::string();
}

Database::Database(std::string basePath) : basePath_(std::move(basePath)) {}

Database::~Database() {
  *linkCell_ = nullptr;
}

DatabaseLink::DatabaseLink(Database* database) {
  if (database) cell_ = database->LinkCell();
}

int Database::ReadText(int, TQTextItem&) {
  return kDbNotSupported;
}
int Database::GetItemKind(int) {
  return 1;
}
int Database::ReleaseHeaderNames(GameHeader&) {
  return kDbDone;
}
int Database::BeginCopy(Database&, int) {
  return kDbDone;
}
void Database::EndUpdate() {}

TQFileDatabase* Database::AsFileDatabase() {
  return nullptr;
}
Database* Database::AsReservedKindA() {
  return nullptr;
}
TqfDatabase* Database::AsTqfDatabase() {
  return nullptr;
}
TqgDatabase* Database::AsTqgDatabase() {
  return nullptr;
}
PgnDatabase* Database::AsPgnDatabase() {
  return nullptr;
}
Database* Database::AsReservedKindB() {
  return nullptr;
}
bool Database::SupportsMedals() const {
  return false;
}
bool Database::SupportsKeys() const {
  return false;
}
bool Database::CapabilityB() const {
  return true;
}
int Database::SearchBegin(SearchCriteria&) {
  return 1;
}
void Database::SearchEnd() {}
int Database::ReservedQueryA(int) {
  return 0;
}
int Database::GetUsableKeys(int) {
  return 0;
}
void Database::ReservedNotifyA(int) {}
void Database::ReservedNotifyB(int) {}
std::unique_ptr<SortedLONGArr> Database::GamesOfTournament(int) {
  return nullptr;
}
int Database::TournamentEdge(int, int) {
  return 0;
}
FileTqa* Database::SearchAnnotations() {
  return nullptr;
}

int Database::CopyGameList(Database& source, SortedLONGArr& numbers, CopyOptions& options) {
  const uint32_t count = numbers.Count();
  if (count == 0) return kDbDone;
  if (!options.listIsSorted) numbers.Sort();
  if (const int rc = BeginCopy(source, static_cast<int>(count))) return rc;

  int result = kDbDone;
  for (uint32_t i = 0; i < count && result == kDbDone;) {
    uint32_t j = i;
    while (j + 1 < count && numbers.Get(j + 1) == numbers.Get(j) + 1) ++j;
    const int first = numbers.Get(i);
    int last = numbers.Get(j);
    // Runs before the last leave the update open; the last run keeps the feedback
    // setting of the one before it.
    const bool lastRun = j + 1 == count;
    if (!lastRun) EnableFeedback(last - first > 1000);
    inListCopy_ = lastRun ? 0 : 1;
    result = CopyGameRange(source, first, last, options);
    inListCopy_ = 0;
    i = j + 1;
  }
  EnableFeedback(true);
  EndUpdate();
  return result;
}

}  // namespace zh
