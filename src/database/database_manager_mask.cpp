// The global search mask that the search dialogs edit.
#include "database/database_manager.h"
#include "database/search_mask.h"

namespace zh {

SearchMask& DatabaseManager::GetSearchMask() {
  if (!searchMask_) searchMask_ = std::make_unique<HeaderSearchMask>();
  return *searchMask_;
}

void DatabaseManager::SetSearchMask(std::unique_ptr<SearchMask> mask) {
  searchMask_ = std::move(mask);
}

int DatabaseManager::EditSearchMask(bool medals) {
  return maskDialog_ ? maskDialog_(GetSearchMask(), medals) : 0;
}

}  // namespace zh
