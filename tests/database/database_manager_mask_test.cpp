#include <gtest/gtest.h>

#include "database/database.h"
#include "database/database_manager.h"
#include "position_mask.h"

namespace zh {
namespace {

TEST(DatabaseManagerMask, GlobalMaskIsEditedByTheInjectedDialog) {
  DatabaseManager manager;
  EXPECT_NE(dynamic_cast<HeaderSearchMask*>(&manager.GetSearchMask()), nullptr);
  EXPECT_EQ(manager.EditSearchMask(true), 0);  // no dialog yet

  SearchCriteria* seen = nullptr;
  bool medals = false;
  manager.SetMaskDialogRunner([&](SearchCriteria& mask, bool flag) {
    seen = &mask;
    medals = flag;
    return 1;
  });
  manager.SetSearchMask(std::make_unique<test::PositionMask>());
  EXPECT_EQ(manager.EditSearchMask(true), 1);
  EXPECT_EQ(seen, &manager.GetSearchMask());
  EXPECT_NE(dynamic_cast<test::PositionMask*>(seen), nullptr);
  EXPECT_TRUE(medals);
}

}  // namespace
}  // namespace zh
