// The global search mask that the search dialogs edit.
#include "database/database_manager.h"
#include "database/search_mask.h"

namespace zh {

SearchCriteria& DatabaseManager::GetSearchMask() {
  if (!searchMask_) searchMask_ = std::make_unique<HeaderSearchMask>();
  return *searchMask_;
}

void DatabaseManager::SetSearchMask(std::unique_ptr<SearchCriteria> mask) {
  searchMask_ = std::move(mask);
}

int DatabaseManager::EditSearchMask(bool medals) {
  return maskDialog_ ? maskDialog_(GetSearchMask(), medals) : 0;
}

}  // namespace zh
