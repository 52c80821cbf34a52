// The sort's view of a header set over its open files.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/headerset/database_sort.h"
#include "database/headerset/header_set_maintenance.h"

namespace zh {

class HeaderSetSortSource final : public SortSource {
 public:
  // `textTitle` gives the title of text item n; `fileBytes` the size of the set.
  HeaderSetSortSource(HeaderSetFiles& set, std::function<std::string(int)> textTitle,
                      uint64_t fileBytes = 0);

  int Count() override;
  bool ReadRecord(int n, HeaderRecord& record) override;
  int TournamentCount() override;
  uint32_t TournamentDate(uint32_t tournament) override;
  bool LoadSortOrders() override;
  void FreeSortOrders() override;
  uint32_t TournamentPosition(uint32_t tournament) override;
  uint32_t PlayerPosition(uint32_t player) override;
  std::pair<std::string, std::string> TournamentPlaceAndTitle(uint32_t tournament) override;
  std::string TextTitle(int n) override;
  uint64_t FileBytes() override { return fileBytes_; }

 private:
  HeaderSetFiles& set_;
  std::function<std::string(int)> textTitle_;
  uint64_t fileBytes_;
};

// Sort of a header set: the item indexes in the order of the criterion, or null.
std::unique_ptr<std::vector<int32_t>> SortHeaderSet(HeaderSetFiles& set, int criterion,
                                                    std::function<std::string(int)> textTitle,
                                                    uint64_t fileBytes,
                                                    const SortOptions& options = {});

}  // namespace zh
